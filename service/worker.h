// A worker process of klx80-serve: started by the accepting process with one
// end of a socket pair and the template image in a sealed memory file, it
// reads the template once, then answers jobs one at a time until the socket
// closes. Each job runs on its own fresh device; the firmware's state is the
// process's, which is why the workers are processes.
#pragma once
#include <cstddef>

// The descriptors a worker is started with.
constexpr int WORKER_SOCKET_FD = 3;
constexpr int WORKER_IMAGE_FD = 4;
// A job's messages are bounded: settings and a script under the body limit.
constexpr size_t WORKER_MESSAGE_LIMIT = 64u << 20;

// Runs the worker; returns the process's exit status.
int worker_main();
