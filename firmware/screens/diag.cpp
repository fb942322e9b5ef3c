// Service mode and the message browser.
// TODO: the service screens and their Alt commands (the command and the
// speed-test flag are only stored), and the message browser's screen. Until
// then both modes hand back to the editor.
#include "firmware/screens/diag.h"

#include <atomic>

#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"

namespace {
struct Diag {
  // Written by the window thread's Alt commands, read by the tick.
  std::atomic<uint8_t> command{0};
  std::atomic<uint8_t> speed_test{0};
} s;
}  // namespace

void diag_init() {}
// The service screens are not built yet: the service mode hands straight back
// to the editor instead of leaving the device on a screen that takes no key.
void diag_task() {
  if (ui_get_mode() == MODE_DIAG) ui_set_mode(MODE_EDITOR);
}
void diag_set_command(uint8_t command) { s.command = command; }
uint8_t diag_command() { return s.command; }
void diag_set_speed_test(uint8_t on) { s.speed_test = on; }
uint8_t diag_get_speed_test() { return s.speed_test; }
void msg_browser_init() {}
void msg_browser_task() {
  if (ui_get_mode() == MODE_MSG_BROWSER) ui_set_mode(MODE_EDITOR);
}
