// What a client sends, checked in the accepting process before any worker
// sees it: the script's bytes (UTF-8 text, no NUL, tokens the runner knows,
// none that names a file), the query's parameters and the Accept header.
// Each check answers "" or the message of a 400.
#pragma once
#include <map>
#include <optional>
#include <string>

#include "service/render_job.h"

// The script: UTF-8 without NUL, every token parsed as the batch runner
// parses it, no SNAP: (the service writes no file on a client's word).
std::string request_check_script(const std::string& body);

// The query: cartridge (0..11), language (0..5), battery (6..9 volts),
// label (1..), what (tape or lcd). Anything else is refused by name.
std::string request_check_query(const std::multimap<std::string, std::string>& params, RenderJob& job);

// The output for an Accept header (and ?what=): the first type it names that
// the service makes, by quality; none of them gives nullopt (a 406). An empty
// header or */* gives the PNG.
std::optional<RenderOutput> request_output(const std::string& accept, bool lcd);
