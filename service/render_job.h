// One render as the accepting process hands it to a worker, and the answer
// the worker gives back: the HTTP status, the content type and the body.
#pragma once
#include <cstdint>
#include <string>

enum class RenderOutput {
  TapePng,    // the tape as the Print Output window paints it (klx80-batch --tape-png)
  TapePdf,    // the tape at its real size
  StateJson,  // the state (klx80-batch --state) with each printed label's facts
  LcdPng,     // the LCD picture (klx80-batch --lcd-png)
};

struct RenderJob {
  RenderOutput output = RenderOutput::TapePng;
  std::string script;
  int cartridge = -1;   // material id 0..11 chosen before the script, -1: the panel's start
  int language = -1;    // 0..5, -1: as the template has it
  double battery = 0;   // volts 6..9 set before the script, 0: the dial's start
  uint64_t label = 0;   // 1..: only that label of the run, 0: the whole tape
  uint64_t max_ticks = 0;   // the device's ticks the whole render may take
  int64_t deadline_ms = 0;  // steady-clock time (frame_now_ms) by which it gives up
};

struct RenderAnswer {
  int status = 500;
  std::string type = "application/json";
  std::string body;
};

// An answer {"error": message} with this status.
RenderAnswer render_error(int status, const std::string& message);

// The job's settings as one message and back (the script travels as its own).
std::string render_job_settings(const RenderJob& job);
bool render_job_read_settings(const std::string& message, RenderJob& job);
