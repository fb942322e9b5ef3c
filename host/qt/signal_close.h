// SIGTERM, SIGINT and SIGHUP (a logout, a shutdown, kill, Ctrl+C in the
// terminal) close the program the way closing the device window does: the
// working label is journalled and the worker stopped. The handler only writes
// a byte to a pipe; the window is closed from the event loop.
#pragma once
class QWidget;

void close_on_signals(QWidget* device_window);
