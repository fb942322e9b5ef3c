#include "host/session/run_status.h"

#include <cstdio>

#include "host/files/exit_status.h"
#include "host/session/session.h"

int run_status(const Session& device, const char* program, int status) {
  int verdict = kExitOk;
  if (const std::string problem = device.save_problem(); !problem.empty()) {
    std::fprintf(stderr, "%s: the run failed: %s\n", program, problem.c_str());
    verdict = kExitFailed;
  }
  if (device.image_faulty()) {
    std::fprintf(stderr, "%s: the device ran on a missing or damaged image (%s); its outputs are written\n", program,
                 device.open_problem().empty() ? device.image_path().c_str() : device.open_problem().c_str());
    verdict = kExitFailed;
  }
  return status != kExitOk ? status : verdict;
}
