// SIGTERM, SIGINT and SIGHUP (a logout, a shutdown, kill, Ctrl+C in the
// terminal) close the program the way closing the device window does: the
// working label is journalled and the worker stopped. The handler only writes
// a byte to a pipe; the window is closed from the event loop.
//
// No one may be there to answer a box then (a logout, a service manager): from
// the signal on, the program is unattended, its warnings go to standard error,
// and if it has not ended within two seconds it ends itself with status 1.
#pragma once
class QWidget;

void close_on_signals(QWidget* device_window);

// True once a signal (or the display's loss) closes the program: nothing may
// wait for a person from then on.
bool closing_unattended();
void set_closing_unattended();
