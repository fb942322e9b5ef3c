#include "host/files/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {
// Follows a chain of links to the name that finally holds (or will hold) the data.
fs::path resolve_links(fs::path p) {
  std::error_code ec;
  for (int hops = 0; hops < 40 && fs::is_symlink(p, ec); ++hops) {
    fs::path target = fs::read_symlink(p, ec);
    if (ec) break;
    p = target.is_absolute() ? target : p.parent_path() / target;
  }
  return p;
}

bool write_in_place(const fs::path& p, const std::function<bool(FILE*)>& fill) {
  FILE* f = std::fopen(p.c_str(), "wb");
  if (!f) return false;
  bool ok = fill(f);
  ok = std::fflush(f) == 0 && ok;
  return std::fclose(f) == 0 && ok;
}
}  // namespace

std::string output_file_target(const std::string& path) { return resolve_links(path).string(); }

bool output_file_write(const std::string& path, const std::function<bool(FILE*)>& fill) {
  const fs::path target = resolve_links(path);
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return false;
  // A file without any write permission is protected on purpose: never replaced.
  if (exists && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) return false;
  if (exists && !S_ISREG(st.st_mode)) return write_in_place(target, fill);

  // A new file beside the target, renamed over it once complete.
  fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  std::string temp = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, exists ? (st.st_mode & 07777) : (0666 & ~mask));
  FILE* f = ::fdopen(fd, "wb");
  if (!f) {
    ::close(fd);
    ::unlink(temp.c_str());
    return false;
  }
  bool ok = fill(f);
  ok = std::fflush(f) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  if (ok) ok = std::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool output_file_same(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec);
  return fs::weakly_canonical(resolve_links(a), ec) == fs::weakly_canonical(resolve_links(b), ec);
}

bool output_file_write_bytes(const std::string& path, const void* data, size_t size) {
  return output_file_write(path, [&](FILE* f) { return size == 0 || std::fwrite(data, size, 1, f) == 1; });
}
