// The web build's fibers: Emscripten's (Asyncify) carry the worker's stack across yields.
#include "host/seam/fiber/fiber.h"

#include <emscripten/fiber.h>

#include <vector>

namespace {
constexpr size_t kStackBytes = 512 * 1024;  // the worker thread has megabytes natively; the engine needs far less
constexpr size_t kAsyncifyBytes = 64 * 1024;

struct Fibers {
  emscripten_fiber_t main{}, worker{};
  std::vector<char> main_async = std::vector<char>(kAsyncifyBytes);
  std::vector<char> worker_stack = std::vector<char>(kStackBytes);
  std::vector<char> worker_async = std::vector<char>(kAsyncifyBytes);
  bool on_worker = false;
  bool ended = true;
  bool main_ready = false;
} f;

void run_entry(void*) {
  worker_fiber_main();
  f.ended = true;
  f.on_worker = false;
  emscripten_fiber_swap(&f.worker, &f.main);  // never resumed again
}
}  // namespace

void worker_fiber_start() {
  if (!f.main_ready) {
    emscripten_fiber_init_from_current_context(&f.main, f.main_async.data(), f.main_async.size());
    f.main_ready = true;
  }
  f.ended = false;
  emscripten_fiber_init(&f.worker, run_entry, nullptr, f.worker_stack.data(), f.worker_stack.size(),
                        f.worker_async.data(), f.worker_async.size());
}

void worker_fiber_resume() {
  if (f.ended || f.on_worker) return;
  f.on_worker = true;
  emscripten_fiber_swap(&f.main, &f.worker);
}

void worker_fiber_yield() {
  f.on_worker = false;
  emscripten_fiber_swap(&f.worker, &f.main);
}

bool worker_fiber_current() { return f.on_worker; }
bool worker_fiber_ended() { return f.ended; }
