#include "service/worker.h"

#include <malloc.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "host/seam/host_ui.h"
#include "service/frames.h"
#include "service/render.h"

namespace {
// No one sits in front of a worker: warnings go to the service's log, and a
// device that switches itself off ends the worker (the acceptor answers
// for the job and starts another).
class WorkerUi : public HostUi {
 public:
  void warn(const std::string& text, const std::string&) override {
    std::fprintf(stderr, "klx80-serve worker %d: %s\n", int(getpid()), text.c_str());
  }
  [[noreturn]] void exit_now(int status) override { _exit(status == 0 ? 3 : status); }
};

bool read_template(std::vector<uint8_t>& image) {
  struct stat st {};
  if (fstat(WORKER_IMAGE_FD, &st) != 0 || st.st_size <= 0) return false;
  image.resize(size_t(st.st_size));
  size_t got = 0;
  while (got < image.size()) {
    const ssize_t n = pread(WORKER_IMAGE_FD, image.data() + got, image.size() - got, off_t(got));
    if (n <= 0) return false;
    got += size_t(n);
  }
  close(WORKER_IMAGE_FD);
  return true;
}
}  // namespace

int worker_main() {
  // A worker ends with its acceptor, however that ends.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() == 1) return 1;
  std::vector<uint8_t> bytes;
  if (!read_template(bytes)) {
    std::fprintf(stderr, "klx80-serve worker: cannot read the template image\n");
    return 1;
  }
  RenderTemplate image = render_template(std::move(bytes));
  // Every render allocates the same few megabytes (the device's flash, the
  // tape's picture) and frees them again. Kept in the heap instead of being
  // mapped afresh and handed back each time, they cost no page faults.
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  static WorkerUi ui;
  host_ui_install(&ui);
  for (;;) {
    RenderJob job;
    std::string settings;
    if (frame_read(WORKER_SOCKET_FD, {&settings, &job.script}, -1, WORKER_MESSAGE_LIMIT) != FrameRead::Ok) return 0;
    bool delivered = true;
    auto deliver = [&](const RenderAnswer& answer) {
      const std::string head = nlohmann::json{{"status", answer.status}, {"type", answer.type}}.dump();
      delivered = frame_write(WORKER_SOCKET_FD, {head, answer.body});
    };
    if (render_job_read_settings(settings, job))
      render_run(job, image, deliver);
    else
      deliver(render_error(500, "the worker could not read the job"));
    if (!delivered) return 0;
  }
}
