// The service's HTTP routes: POST /v1/render (a key script in, the tape, its
// PDF, the state or the LCD out, chosen by the Accept header), GET /healthz
// and GET /metrics. Every answer of 400 and up carries {"error": "..."}.
#pragma once
#include <cstddef>

namespace httplib {
class Server;
}
class Metrics;
class WorkerPool;

void http_api_install(httplib::Server& server, WorkerPool& pool, Metrics& metrics, size_t max_body);
