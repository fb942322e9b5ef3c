// The load's HTTP side: one thread that keeps a number of kept-alive
// connections to the service on loopback and drives them through epoll. A
// client with a thread a connection spends, per render, about as much CPU
// as the service's accepting process, on the same two cores; this one a
// fraction of that, so the phases measure the service more than the load.
#pragma once
#include <chrono>
#include <string>
#include <utility>
#include <vector>

struct LoadPhase {
  size_t ok = 0, failed = 0;
  double seconds = 0;
  std::vector<double> latencies_ms;
  std::vector<std::pair<double, double>> due_and_latency_ms;  // paced phases: due (ms from the start), latency
  double stolen_percent = 0;  // of the machine's CPU time, taken by the host for other guests meanwhile
  double rate() const { return seconds > 0 ? double(ok) / seconds : 0; }
};

struct LoadPlan {
  int port = 0;
  std::string script;  // POSTed to /v1/render as text/plain
  int connections = 4;
  double seconds = 5;
  size_t max_renders = 20000;
  double rate = 0;  // renders due a second (open loop); 0: each connection sends again at its answer
};

// Runs the plan; a render counts as ok on a 200 with a body.
LoadPhase loopback_load(const LoadPlan& plan);
