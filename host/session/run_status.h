// How a run that ends with an exit status tells what the device itself did
// not make plain: a save that did not reach the image is a failure, and so is
// a run on a missing or damaged image (its outputs are still written: the
// device ran, as the real one does on a blank chip). Call once the session is
// closed, so that the last saves count.
#pragma once

class Session;

// `status` when all went well, else kExitFailed with the reason on standard
// error after "program: ". A status that already says failure is kept.
int run_status(const Session& device, const char* program, int status);
