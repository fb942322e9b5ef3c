// klx80-batch --serial PORT --remote: the desktop program's remote control
// (host/session/remote_control.h) without Qt, for test rigs that drive the
// device over a serial line. Each line received is a key script, typed at
// the device's pace and acknowledged "OK" once done ("ERR <reason>" for a bad
// one); "STATE?" is answered with the --state JSON. Time is simulated: the
// device is ticked as fast as it runs while there is work, and not at all
// while it waits for the next line.
#pragma once
#include <string>

class Session;

// Runs until the port hangs up (or SIGINT/SIGTERM). Returns the exit status:
// 0 when the link ended, 1 when the port could not be opened or failed.
int serial_remote_run(const std::string& tool, Session& device, const std::string& port);
