#include "host/seam/host_ui.h"

#include <cstdio>
#include <cstdlib>

namespace {
HostUi default_ui;
HostUi* current = &default_ui;
}  // namespace

void HostUi::warn(const std::string& text, const std::string& caption) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

void HostUi::exit_now(int status) { std::_Exit(status); }

HostUi& host_ui() { return *current; }
void host_ui_install(HostUi* ui) { current = ui ? ui : &default_ui; }
