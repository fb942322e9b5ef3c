#include "service/render_job.h"

#include <nlohmann/json.hpp>

RenderAnswer render_error(int status, const std::string& message) {
  // ensure_ascii: a message quoting a client's bytes stays valid JSON.
  return {status, "application/json", nlohmann::json{{"error", message}}.dump(-1, ' ', true) + "\n"};
}

std::string render_job_settings(const RenderJob& job) {
  return nlohmann::json{{"output", int(job.output)},       {"cartridge", job.cartridge},
                        {"language", job.language},        {"battery", job.battery},
                        {"label", job.label},              {"max_ticks", job.max_ticks},
                        {"deadline_ms", job.deadline_ms}}
      .dump();
}

bool render_job_read_settings(const std::string& message, RenderJob& job) {
  const nlohmann::json j = nlohmann::json::parse(message, nullptr, false);
  if (!j.is_object()) return false;
  try {
    const int output = j.at("output").get<int>();
    if (output < 0 || output > int(RenderOutput::LcdPng)) return false;
    job.output = RenderOutput(output);
    job.cartridge = j.at("cartridge").get<int>();
    job.language = j.at("language").get<int>();
    job.battery = j.at("battery").get<double>();
    job.label = j.at("label").get<uint64_t>();
    job.max_ticks = j.at("max_ticks").get<uint64_t>();
    job.deadline_ms = j.at("deadline_ms").get<int64_t>();
  } catch (const nlohmann::json::exception&) {
    return false;
  }
  return true;
}
