// A worker's render: a fresh device opened on a copy of the template image
// held in memory (the template itself is never run and no file is touched),
// the job's settings and script run on it within its bounds, and the output
// the client asked for made in memory.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "host/session/session.h"

#include "service/render_job.h"

class LcdTextReader;

struct RenderTemplate {
  // How every render's device opens: on these image bytes (the flash image as
  // read at the service's start), which the session copies into its flash,
  // in memory, never synced.
  SessionOptions options;
  // The screen's glyph tables, built at the first render and shared by every
  // later one (the template's fonts never change).
  std::shared_ptr<const LcdTextReader> screen;
};

// The options of a render's device on these image bytes.
RenderTemplate render_template(std::vector<uint8_t> image);

// 200 with the output, 400 for a script the runner refuses, 422 for a run
// that fails or passes its bounds (the runner's message naming the token).
// The answer is handed to deliver before the device closes, so that the
// client does not wait for the close.
void render_run(const RenderJob& job, RenderTemplate& image, const std::function<void(const RenderAnswer&)>& deliver);
