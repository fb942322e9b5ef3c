// The exit status of every command-line tool (klx80-batch, its suite runner,
// klx80-flash), and the last check a tool makes before it exits: that what
// it printed reached standard output (a full disk, a closed pipe).
#pragma once

enum ExitStatus {
  kExitOk = 0,
  kExitFailed = 1,  // the run failed: a script error, a failed save or output, a missing or damaged image
  kExitUsage = 2,   // bad arguments, or an output that would overwrite an input
  kExitInUse = 3,   // the image is held by another program ("in use by ...")
};

// Flushes standard output; false, with "program: cannot write to standard
// output: reason" on standard error, when something printed did not arrive.
bool stdout_finished(const char* program);
