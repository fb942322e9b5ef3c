// What the simulated device must ask or tell the person in front of it, and
// how the process ends. The headless default answers without asking; the
// desktop program installs a Qt implementation.
#pragma once
#include <string>

class HostUi {
 public:
  virtual ~HostUi() = default;
  // The auto-off question "Turn Off Device?"; true means Yes.
  virtual bool ask_turn_off() { return false; }
  // A one-off warning such as "File fontData.hex Missing".
  virtual void warn(const std::string& text, const std::string& caption);
  // Ends the process at once, without the close-time save.
  [[noreturn]] virtual void exit_now(int status);
  // Yes to the auto-off question. Here the process ends at once; the desktop
  // program closes as its window does, so the working label is journalled.
  virtual void turn_off() { exit_now(0); }
};

// The interface in use; never null.
HostUi& host_ui();
// Installs another implementation (not owned); nullptr restores the default.
void host_ui_install(HostUi* ui);
