// The native fibers, for a build that runs the device on one thread (the
// fuzz targets): the worker gets a stack of its own, entered once through
// ucontext and switched to and from with _setjmp/_longjmp, which save no
// signal mask and so make no system call. Handing over this way costs about
// a function call, where waking a thread costs two trips through the
// scheduler, and no thread is started or joined per device.
//
// AddressSanitizer is told of every switch, so that it checks each stack
// against its own bounds and keeps each fiber's fake stack apart. (Its
// swapcontext interceptor would clear the worker stack's shadow at every
// switch, which costs more than the switch.)
#include <setjmp.h>
#include <ucontext.h>

#include <cstddef>
#include <cstdlib>
#include <vector>

#include "host/seam/fiber/fiber.h"

#if defined(__SANITIZE_ADDRESS__)
#define KLX80_FIBER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KLX80_FIBER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#error "the fiber runtime has no ThreadSanitizer annotations; build it without TSan"
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#error "the fiber runtime has no ThreadSanitizer annotations; build it without TSan"
#endif
#endif

#ifdef KLX80_FIBER_ASAN
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#endif

namespace {
// A worker thread gets 8 MiB; the engine needs far less, but ASan's redzones
// make every frame larger.
constexpr size_t kStackBytes = 1024 * 1024;

struct Fibers {
  ucontext_t entry{};  // the worker's first start
  jmp_buf main_jump{}, worker_jump{};
  std::vector<char> stack = std::vector<char>(kStackBytes);
  bool started = false;
  bool on_worker = false;
  bool ended = true;
  // ASan's view of the two stacks: the main one is learnt at the first switch.
  void* main_fake_stack = nullptr;
  void* worker_fake_stack = nullptr;
  const void* main_bottom = nullptr;
  size_t main_size = 0;
} f;

// Before a switch: the stack about to run (and, unless this fiber has ended,
// where to keep the fake stack of the one leaving).
void leaving(void** fake_stack_save, const void* bottom, size_t size) {
#ifdef KLX80_FIBER_ASAN
  __sanitizer_start_switch_fiber(fake_stack_save, bottom, size);
#else
  (void)fake_stack_save, (void)bottom, (void)size;
#endif
}

// After a switch, on the stack that now runs.
void arrived(void* fake_stack_save, const void** bottom_old, size_t* size_old) {
#ifdef KLX80_FIBER_ASAN
  __sanitizer_finish_switch_fiber(fake_stack_save, bottom_old, size_old);
#else
  (void)fake_stack_save, (void)bottom_old, (void)size_old;
#endif
}

void run_entry() {
  arrived(nullptr, &f.main_bottom, &f.main_size);
  worker_fiber_main();
  f.ended = true;
  f.on_worker = false;
  leaving(nullptr, f.main_bottom, f.main_size);  // this stack is done with
  _longjmp(f.main_jump, 1);
}
}  // namespace

void worker_fiber_start() {
  f.ended = false;
  f.started = false;
  f.on_worker = false;
  f.worker_fake_stack = nullptr;
#ifdef KLX80_FIBER_ASAN
  // The last worker's frames may have left parts of the stack poisoned.
  __asan_unpoison_memory_region(f.stack.data(), f.stack.size());
#endif
  if (getcontext(&f.entry) != 0) std::abort();
  f.entry.uc_stack.ss_sp = f.stack.data();
  f.entry.uc_stack.ss_size = f.stack.size();
  f.entry.uc_link = nullptr;
  makecontext(&f.entry, run_entry, 0);
}

void worker_fiber_resume() {
  if (f.ended || f.on_worker) return;
  f.on_worker = true;
  leaving(&f.main_fake_stack, f.stack.data(), f.stack.size());
  if (_setjmp(f.main_jump) == 0) {
    if (!f.started) {
      f.started = true;
      setcontext(&f.entry);
      std::abort();  // setcontext returns only on failure
    }
    _longjmp(f.worker_jump, 1);
  }
  arrived(f.main_fake_stack, nullptr, nullptr);
}

void worker_fiber_yield() {
  f.on_worker = false;
  leaving(&f.worker_fake_stack, f.main_bottom, f.main_size);
  if (_setjmp(f.worker_jump) == 0) _longjmp(f.main_jump, 1);
  arrived(f.worker_fake_stack, &f.main_bottom, &f.main_size);
}

bool worker_fiber_current() { return f.on_worker; }
bool worker_fiber_ended() { return f.ended; }
