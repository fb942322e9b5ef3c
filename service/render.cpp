#include "service/render.h"

#include <nlohmann/json.hpp>

#include "host/files/png.h"
#include "host/files/tape_pbm.h"
#include "host/files/tape_pdf.h"
#include "host/files/tape_view.h"
#include "host/seam/mirror.h"
#include "host/session/session.h"
#include "host/session/state_json.h"
#include "service/frames.h"

namespace {
RenderAnswer png_answer(std::string png) {
  if (png.empty()) return render_error(500, "the picture could not be made");
  return {200, "image/png", std::move(png)};
}

// The state exactly as klx80-batch --state prints it, with "labels" added
// last: the printed labels' facts (or the one asked for).
RenderAnswer state_answer(Session& device, const std::vector<TapeLabel>& labels) {
  std::string state = device.state_json();
  nlohmann::ordered_json facts = nlohmann::ordered_json::array();
  for (const TapeLabel& l : labels) facts.push_back(label_facts_object(l.number, l.width, l));
  state.pop_back();  // the closing brace
  state += ",\"labels\":" + facts.dump(-1, ' ', true) + "}\n";
  return {200, "application/json", std::move(state)};
}

RenderAnswer output(const RenderJob& job, Session& device) {
  std::vector<TapeLabel> labels = device.labels(job.output != RenderOutput::StateJson);
  if (job.label > labels.size())
    return render_error(422, "label=" + std::to_string(job.label) + ": the script printed " +
                                 std::to_string(labels.size()) + " label" + (labels.size() == 1 ? "" : "s"));
  if (job.label > 0) labels = {std::move(labels[job.label - 1])};
  switch (job.output) {
    case RenderOutput::LcdPng:
      return png_answer(png_encode_rgb(MIRROR_WIDTH, MIRROR_HEIGHT, device.lcd_rgb().data()));
    case RenderOutput::StateJson:
      return state_answer(device, labels);
    case RenderOutput::TapePng: {
      if (job.label > 0) {  // one pixel per dot, as klx80-batch --labels writes each label
        const std::vector<TapeColumn>& columns = labels[0].columns;
        if (columns.empty()) return render_error(422, "label=" + std::to_string(job.label) + " has no columns");
        return png_answer(png_encode_bilevel(int(columns.size()), TAPE_DOTS, tape_rows_of(columns).data()));
      }
      return png_answer(device.tape_png());
    }
    case RenderOutput::TapePdf: {
      if (labels.empty() && device.tape_column_count() > 0) {  // a tape that no label ended yet
        TapeLabel whole;
        whole.columns = device.tape();
        whole.width = whole.columns.size();
        labels.push_back(std::move(whole));
      }
      std::string pdf = tape_pdf(labels);
      if (pdf.empty()) return render_error(422, "the script printed nothing: there is no tape to show");
      return {200, "application/pdf", std::move(pdf)};
    }
  }
  return render_error(500, "unknown output");
}

// The job's settings and script, token by token within the bounds.
RenderAnswer run(const RenderJob& job, Session& device) {
  std::vector<ScriptToken> tokens;
  std::string error;
  if (!script_parse(job.script, tokens, error)) return render_error(400, error);
  if (!device.settle(error)) return render_error(422, "at start-up: " + error);
  if (job.language >= 0) device.set_language(uint8_t(job.language));
  // The query's settings run as the tokens that set them would.
  std::vector<ScriptToken> settings;
  if (job.cartridge >= 0) settings.push_back({ScriptToken::Cart, "cartridge=" + std::to_string(job.cartridge),
                                              uint32_t(job.cartridge), 0, ""});
  if (job.battery > 0) settings.push_back({ScriptToken::Batt, "battery", 0, float(job.battery), ""});
  tokens.insert(tokens.begin(), settings.begin(), settings.end());
  if (job.language >= 0 && settings.empty() && !device.settle(error))
    return render_error(422, "after choosing the language: " + error);

  const std::string ticks_bound = "the script runs past the bound of " + std::to_string(job.max_ticks) + " ticks";
  for (const ScriptToken& t : tokens) {
    if (t.kind == ScriptToken::Snap) return render_error(400, "token '" + t.source + "' writes a file");
    const uint64_t used = device.ticks();
    if (used >= job.max_ticks || (t.kind == ScriptToken::Ticks && used + t.value > job.max_ticks))
      return render_error(422, t.source + ": " + ticks_bound);
    // A settle may take what is left of the bound, never more.
    device.set_settle_bound(uint32_t(std::min<uint64_t>(SessionOptions{}.settle_bound, job.max_ticks - used)));
    if (!device.run(t, error)) return render_error(422, t.source + ": " + error);
    if (frame_now_ms() > job.deadline_ms)
      return render_error(422, t.source + ": the script runs past the render's time bound");
  }
  if (!device.finish(error)) return render_error(422, "at the end of the script: " + error);
  return output(job, device);
}
}  // namespace

RenderTemplate render_template(std::vector<uint8_t> image) {
  RenderTemplate t;
  t.options.image_path = "";
  t.options.image_bytes = std::move(image);
  t.options.durability = FlashDurability::Never;
  t.options.check_image = false;  // checked once, at the service's start
  t.options.keep_labels = true;
  t.options.warn_at_open = false;
  return t;
}

void render_run(const RenderJob& job, RenderTemplate& image, const std::function<void(const RenderAnswer&)>& deliver) {
  std::string error;
  // The session copies the template into its flash: the template is never run.
  std::unique_ptr<Session> device = Session::open(image.options, error);
  if (!device) return deliver(render_error(500, "the device could not start: " + error));
  if (image.screen)
    device->use_screen_reader(image.screen);
  else
    image.screen = device->screen_reader();
  deliver(run(job, *device));
  device->close();
}
