#include "host/files/exit_status.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

bool stdout_finished(const char* program) {
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
  std::fprintf(stderr, "%s: cannot write to standard output: %s\n", program, std::strerror(errno ? errno : EIO));
  return false;
}
