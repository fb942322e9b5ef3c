// klx80-serve: the device session over HTTP. An accepting process reads the
// template image once, keeps it in a sealed memory file, and hands each
// render to a pool of worker processes (this same program started with
// --worker), each of which runs it on a fresh device of its own.
#include <httplib.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "host/files/image_lock.h"
#include "host/seam/flash_image.h"
#include "service/http_api.h"
#include "service/metrics.h"
#include "service/worker.h"
#include "service/worker_pool.h"

namespace {
const char kUsage[] =
    "usage: klx80-serve [--flash PATH] [--host ADDRESS] [--port N] [--workers N] [--max-body BYTES]\n"
    "                   [--max-queue N] [--max-ticks N] [--render-timeout SECONDS] [--client-timeout SECONDS]\n";

struct Options {
  std::string flash = "fontData.hex";
  std::string host = "127.0.0.1";  // loopback unless told otherwise
  int port = 8080;                 // 0: any free port (printed at start)
  int workers = int(std::max(1u, std::thread::hardware_concurrency()));
  size_t max_body = 64 * 1024;  // a key script of thousands of keys
  int max_queue = 16;
  uint64_t max_ticks = 360000;  // an hour of device time
  double render_timeout = 5, client_timeout = 5;
};

int bad_arguments(const std::string& message) {
  std::fprintf(stderr, "klx80-serve: %s\n%s", message.c_str(), kUsage);
  return 2;
}

bool number(const char* text, double low, double high, double& out) {
  char* end = nullptr;
  out = std::strtod(text, &end);
  return *text && end && !*end && out >= low && out <= high;
}

// The image in a sealed memory file that the workers are started with: the
// file on disk is read once, here, and never again.
int template_file(const std::vector<uint8_t>& image, std::string& error) {
  const int fd = memfd_create("klx80-template", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (fd < 0 || write(fd, image.data(), image.size()) != ssize_t(image.size()) ||
      fcntl(fd, F_ADD_SEALS, F_SEAL_WRITE | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0) {
    error = std::string("cannot keep the image in memory: ") + std::strerror(errno);
    return -1;
  }
  return fcntl(fd, F_DUPFD_CLOEXEC, 10);  // above the numbers a worker gets its files at
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--worker") return worker_main();
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    double n = 0;
    auto takes = [&](double low, double high) { return v && number(v, low, high, n) && ++i; };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--flash" && v && *v) {
      o.flash = argv[++i];
    } else if (arg == "--host" && v && *v) {
      o.host = argv[++i];
    } else if (arg == "--port") {
      if (!takes(0, 65535)) return bad_arguments("--port needs a port number (0 for any free one)");
      o.port = int(n);
    } else if (arg == "--workers") {
      if (!takes(1, 256)) return bad_arguments("--workers needs a number from 1 to 256");
      o.workers = int(n);
    } else if (arg == "--max-body") {
      if (!takes(1, 64 << 20)) return bad_arguments("--max-body needs a number of bytes up to 64 MiB");
      o.max_body = size_t(n);
    } else if (arg == "--max-queue") {
      if (!takes(0, 100000)) return bad_arguments("--max-queue needs a number from 0");
      o.max_queue = int(n);
    } else if (arg == "--max-ticks") {
      if (!takes(1, 1e12)) return bad_arguments("--max-ticks needs a number from 1");
      o.max_ticks = uint64_t(n);
    } else if (arg == "--render-timeout") {
      if (!takes(0.001, 3600)) return bad_arguments("--render-timeout needs seconds, up to 3600");
      o.render_timeout = n;
    } else if (arg == "--client-timeout") {
      if (!takes(0.001, 3600)) return bad_arguments("--client-timeout needs seconds, up to 3600");
      o.client_timeout = n;
    } else {
      return bad_arguments("unknown or incomplete argument '" + arg + "'");
    }
  }

  // The template, read once while no desktop program holds it.
  // A write-protected template serves as well: the service never writes it.
  const FlashImageCheck check = flash_image_check(o.flash);
  if (check.verdict == FlashImageVerdict::Missing || check.verdict == FlashImageVerdict::Refused) {
    std::fprintf(stderr, "klx80-serve: %s\n", check.message.c_str());
    return 2;
  }
  std::vector<uint8_t> image;
  {
    ImageLock lock;
    if (lock.acquire(o.flash, ImageLock::Mode::Shared) == ImageLock::Result::InUse) {
      std::fprintf(stderr, "klx80-serve: %s is in use by a running klx80 program; close it there, or serve a copy\n",
                   o.flash.c_str());
      return 3;
    }
    if (!flash_image_read(o.flash, image) || image.size() != FLASH_IMAGE_SIZE) {
      std::fprintf(stderr, "klx80-serve: cannot read the flash image %s (it must be %u bytes)\n", o.flash.c_str(),
                   unsigned(FLASH_IMAGE_SIZE));
      return 2;
    }
  }
  if (!check.message.empty()) std::fprintf(stderr, "klx80-serve: warning: %s\n", check.message.c_str());
  std::string error;
  PoolOptions pool_options;
  pool_options.image_fd = template_file(image, error);
  if (pool_options.image_fd < 0) {
    std::fprintf(stderr, "klx80-serve: %s\n", error.c_str());
    return 1;
  }
  char self[PATH_MAX] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
    std::fprintf(stderr, "klx80-serve: cannot find its own program to start workers\n");
    return 1;
  }
  pool_options.program = self;
  pool_options.workers = o.workers;
  pool_options.max_queue = o.max_queue;
  pool_options.max_ticks = o.max_ticks;
  pool_options.render_ms = int64_t(o.render_timeout * 1000);

  // SIGINT and SIGTERM are taken by a thread of their own (which stops the
  // server); the workers start with them unblocked.
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGINT);
  sigaddset(&stops, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stops, nullptr);
  signal(SIGPIPE, SIG_IGN);

  Metrics metrics;
  WorkerPool pool(pool_options, metrics);
  if (!pool.start(error)) {
    std::fprintf(stderr, "klx80-serve: %s\n", error.c_str());
    return 1;
  }
  httplib::Server server;
  // Threads for every worker's render, every queued one, and the rest
  // (health checks, metrics) besides.
  const size_t threads = size_t(o.workers + o.max_queue + 8);
  server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  const auto seconds = time_t(o.client_timeout);
  const auto micros = time_t((o.client_timeout - double(seconds)) * 1e6);
  server.set_read_timeout(seconds, micros);
  server.set_write_timeout(seconds, micros);
  server.set_keep_alive_timeout(std::max<time_t>(1, seconds));
  // A client that keeps its connection gets many renders on it (the library
  // closes it after five by default, and each new connection costs a
  // handshake and a thread's start on both sides).
  server.set_keep_alive_max_count(1000);
  server.set_payload_max_length(o.max_body);
  // An answer is written as headers and body: without this, Nagle's
  // algorithm holds the body for the client's delayed acknowledgement (40 ms).
  server.set_tcp_nodelay(true);
  http_api_install(server, pool, metrics, o.max_body);

  int port = o.port;
  if (port == 0) {
    port = server.bind_to_any_port(o.host);
  } else if (!server.bind_to_port(o.host, port)) {
    port = -1;
  }
  if (port < 0) {
    std::fprintf(stderr, "klx80-serve: cannot listen on %s:%d\n", o.host.c_str(), o.port);
    return 1;
  }
  std::printf("klx80-serve: listening on http://%s:%d with %d workers\n", o.host.c_str(), port, o.workers);
  std::fflush(stdout);
  std::thread stopper([&] {
    int signal_number = 0;
    sigwait(&stops, &signal_number);
    server.stop();
  });
  server.listen_after_bind();
  // Stopped by a signal, or the listener failed: either way the stopper goes.
  if (server.is_running()) server.stop();
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  return 0;
}
