#include "batch/suite_report.h"

#include <unistd.h>

#include <cstdio>

#include "host/files/output_file.h"

namespace {
std::string xml_escape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        // Control characters other than tab and line ends are not allowed in XML 1.0.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
          out += '?';
        else
          out += c;
    }
  }
  return out;
}

std::string seconds_text(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}
}  // namespace

std::string suite_junit_xml(const std::string& suite_name, const std::vector<SuiteResult>& results, double seconds) {
  size_t failures = 0;
  for (const SuiteResult& r : results) failures += !r.ok;
  const std::string suite = xml_escape(suite_name);
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n";
  xml += "  <testsuite name=\"" + suite + "\" tests=\"" + std::to_string(results.size()) + "\" failures=\"" +
         std::to_string(failures) + "\" errors=\"0\" skipped=\"0\" time=\"" + seconds_text(seconds) + "\">\n";
  for (const SuiteResult& r : results) {
    xml += "    <testcase classname=\"" + suite + "\" name=\"" + xml_escape(r.name) + "\" time=\"" +
           seconds_text(r.seconds) + "\"";
    if (r.ok) {
      xml += "/>\n";
      continue;
    }
    std::string all;
    for (const std::string& m : r.messages) all += m + "\n";
    const std::string first = r.messages.empty() ? "failed" : r.messages.front();
    xml += ">\n      <failure message=\"" + xml_escape(first) + "\">" + xml_escape(all) + "</failure>\n    </testcase>\n";
  }
  xml += "  </testsuite>\n</testsuites>\n";
  return xml;
}

bool suite_write_junit(const std::string& path, const std::string& suite_name, const std::vector<SuiteResult>& results,
                       double seconds) {
  const std::string xml = suite_junit_xml(suite_name, results, seconds);
  return output_file_write_bytes(path, xml.data(), xml.size());
}

SuiteProgress::SuiteProgress(size_t total) : shown_(isatty(STDERR_FILENO) == 1), total_(total) {}

void SuiteProgress::done(const SuiteResult& r) {
  ++finished_;
  failed_ += !r.ok;
  if (!shown_) return;
  std::fprintf(stderr, "\r\033[K[%zu/%zu] %zu passed, %zu failed  %s", finished_, total_, finished_ - failed_,
               failed_, r.name.c_str());
  std::fflush(stderr);
}

void SuiteProgress::end() {
  if (shown_ && finished_) std::fputs("\r\033[K", stderr);
}
