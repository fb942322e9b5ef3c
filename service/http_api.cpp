#include "service/http_api.h"

#include <httplib.h>

#include <chrono>
#include <nlohmann/json.hpp>

#include "service/metrics.h"
#include "service/request_check.h"
#include "service/worker_pool.h"

namespace {
void answer(httplib::Response& res, const RenderAnswer& a) {
  res.status = a.status;
  res.set_content(a.body, a.type.c_str());
}

void error(httplib::Response& res, int status, const std::string& message) {
  answer(res, render_error(status, message));
}

// The script's media type: text/plain (any charset parameter) or none.
// A form type would have its body read as query parameters.
bool plain_text(const httplib::Request& req) {
  if (!req.has_header("Content-Type")) return true;
  std::string type = req.get_header_value("Content-Type");
  type = type.substr(0, type.find(';'));
  while (!type.empty() && type.back() == ' ') type.pop_back();
  return type == "text/plain";
}

void render(const httplib::Request& req, httplib::Response& res, WorkerPool& pool, Metrics& metrics) {
  const auto start = std::chrono::steady_clock::now();
  RenderJob job;
  if (!plain_text(req))
    return error(res, 415, "send the key script as text/plain, not " + req.get_header_value("Content-Type"));
  if (std::string problem = request_check_query(req.params, job); !problem.empty()) return error(res, 400, problem);
  const auto what = req.params.find("what");
  const std::optional<RenderOutput> output =
      request_output(req.get_header_value("Accept"), what != req.params.end() && what->second == "lcd");
  if (!output)
    return error(res, 406, "Accept names nothing the service makes: image/png, application/pdf or application/json");
  job.output = *output;
  if (std::string problem = request_check_script(req.body); !problem.empty()) return error(res, 400, problem);
  job.script = req.body;
  const RenderAnswer a = pool.render(std::move(job));
  answer(res, a);
  if (a.status == 429 || a.status == 503) res.set_header("Retry-After", "1");
  metrics.observe_render(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}
}  // namespace

void http_api_install(httplib::Server& server, WorkerPool& pool, Metrics& metrics, size_t max_body) {
  server.Post("/v1/render", [&](const httplib::Request& req, httplib::Response& res) {
    render(req, res, pool, metrics);
  });
  server.Get("/v1/render", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Allow", "POST");
    error(res, 405, "POST a key script to /v1/render");
  });
  server.Get("/healthz", [&](const httplib::Request&, httplib::Response& res) {
    const int64_t alive = metrics.workers_alive.load();
    res.status = alive > 0 ? 200 : 503;
    res.set_content(nlohmann::json{{"status", alive > 0 ? "ok" : "no worker"},
                                   {"workers", alive},
                                   {"idle", pool.idle()},
                                   {"in_flight", metrics.in_flight.load()}}
                            .dump() +
                        "\n",
                    "application/json");
  });
  server.Get("/metrics", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(metrics.text(), "text/plain; version=0.0.4");
  });
  // Answers the library makes itself (no route, a body over the limit, a
  // request it cannot read) get the same JSON as the service's own.
  server.set_error_handler(httplib::Server::HandlerWithResponse([max_body](const httplib::Request&,
                                                                           httplib::Response& res) {
    if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
    std::string message = "request refused";
    if (res.status == 404) message = "no such path: use POST /v1/render, GET /healthz or GET /metrics";
    if (res.status == 413) message = "the script is over the limit of " + std::to_string(max_body) + " bytes";
    if (res.status == 400) message = "the request could not be read";
    answer(res, render_error(res.status, message));
    return httplib::Server::HandlerResponse::Handled;
  }));
  server.set_logger([&](const httplib::Request&, const httplib::Response& res) { metrics.count_request(res.status); });
}
