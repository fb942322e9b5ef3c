#include "anim/animation_capture.h"

#include <algorithm>
#include <cstring>

#include "anim/animation_file.h"
#include "anim/caption_text.h"
#include "host/session/script.h"
#include "host/session/session.h"

namespace {
constexpr uint64_t kMinFrameTicks = 2;    // 20 ms: the shortest delay GIF players keep
constexpr uint64_t kKeyShownTicks = 15;   // a key is drawn pressed this long, or until the next
constexpr uint64_t kEndHoldTicks = 200;   // the end state stays two seconds before the loop
constexpr uint8_t kBand[3] = {240, 240, 236};
}  // namespace

AnimationCapture::AnimationCapture(Session& device, std::string path, FramePainter painter, bool captions)
    : device_(device), path_(std::move(path)), painter_(std::move(painter)), captions_(captions) {}

AnimationCapture::~AnimationCapture() { device_.set_tick_observer(nullptr); }

ShownState AnimationCapture::take() const {
  ShownState s;
  s.lcd_rgb = lcd_;
  s.lamps = lamps_;
  s.pressed_key = pressed_key_;
  s.cut_waiting = cut_waiting_;
  s.caption = caption_;
  s.captions = captions_;
  if (painter_) {
    s.tape_rgb = device_.tape_rgb(s.tape_width);
    s.tape_columns = tape_columns_;
  }
  return s;
}

void AnimationCapture::paint(const ShownState& shown, AnimationPicture& out) const {
  if (painter_)
    painter_(shown, out);
  else
    paint_lcd(device_, shown, out);
}

bool AnimationCapture::start(std::string& error) {
  generation_ = device_.lcd_generation();
  lcd_ = device_.lcd_rgb();
  lamps_ = device_.lamps();
  key_presses_ = device_.last_key_press().count;
  tape_columns_ = device_.tape_column_count();
  cut_waiting_ = device_.cut_waiting();
  paint(take(), pending_);
  file_ = animation_open(path_, pending_.width, pending_.height, error);
  if (!file_) return false;
  pending_since_ = device_.ticks();
  device_.set_tick_observer([this] { after_tick(); });
  return true;
}

void AnimationCapture::before(const ScriptToken& token) {
  if (token.kind != ScriptToken::Caption || token.text == caption_) return;
  caption_ = token.text;
  dirty_ = true;
  // A caption before any time has passed belongs to the frame shown now.
  if (device_.ticks() == pending_since_) {
    paint(take(), pending_);
    dirty_ = false;
  }
}

void AnimationCapture::after_tick() {
  const uint64_t now = device_.ticks();
  if (device_.lcd_generation() != generation_) {
    generation_ = device_.lcd_generation();
    std::vector<uint8_t> lcd = device_.lcd_rgb();
    const MirrorLamps lamps = device_.lamps();
    const bool lamps_changed = lamps.pt != lamps_.pt || lamps.bold != lamps_.bold || lamps.caps != lamps_.caps ||
                               lamps.func != lamps_.func || lamps.battery != lamps_.battery;
    if (lcd != lcd_ || lamps_changed) {
      lcd_ = std::move(lcd);
      lamps_ = lamps;
      dirty_ = true;
    }
  }
  if (painter_) {
    // The device picture shows the key pressed and the tape.
    const Session::KeyPress press = device_.last_key_press();
    if (press.count != key_presses_) {
      key_presses_ = press.count;
      pressed_key_ = press.tag;
      pressed_at_ = press.tick;
      dirty_ = true;
    } else if (pressed_key_ >= 0 && now - pressed_at_ >= kKeyShownTicks) {
      pressed_key_ = -1;
      dirty_ = true;
    }
    if (size_t columns = device_.tape_column_count(); columns != tape_columns_) {
      tape_columns_ = columns;
      dirty_ = true;
    }
    if (device_.cut_waiting() != cut_waiting_) {
      cut_waiting_ = !cut_waiting_;
      dirty_ = true;
    }
  }
  if (dirty_ && now - pending_since_ >= kMinFrameTicks && error_.empty()) next_frame(now, error_);
}

// The pending frame is written, held until `until`; what is shown now waits.
bool AnimationCapture::next_frame(uint64_t until, std::string& error) {
  dirty_ = false;
  AnimationPicture next;
  paint(take(), next);
  if (next.rgb == pending_.rgb) return true;  // a change that shows nothing: held longer
  if (next.width != pending_.width || next.height != pending_.height) {
    error = "a frame of the animation changed its size";
    return false;
  }
  if (!file_->add(pending_.rgb.data(), uint32_t(until - pending_since_), error)) return false;
  ++frames_;
  centiseconds_ += until - pending_since_;
  pending_ = std::move(next);
  pending_since_ = until;
  return true;
}

bool AnimationCapture::finish(std::string& error) {
  device_.set_tick_observer(nullptr);
  if (!error_.empty()) {
    error = error_;
    return false;
  }
  // What the last tick showed, if it has not had its frame yet.
  const uint64_t now = device_.ticks();
  if (dirty_ && now > pending_since_ && !next_frame(now, error)) return false;
  const uint64_t held = now - pending_since_ + kEndHoldTicks;
  if (!file_->add(pending_.rgb.data(), uint32_t(held), error)) return false;
  ++frames_;
  centiseconds_ += held;
  return file_->finish(error);
}

void AnimationCapture::paint_lcd(Session&, const ShownState& shown, AnimationPicture& out) {
  out.width = MIRROR_WIDTH;
  out.height = MIRROR_HEIGHT + (shown.captions ? kCaptionBandHeight : 0);
  out.rgb.resize(size_t(out.width) * out.height * 3);
  std::copy(shown.lcd_rgb.begin(), shown.lcd_rgb.end(), out.rgb.begin());
  if (!shown.captions) return;
  for (size_t i = MIRROR_RGB_BYTES; i < out.rgb.size(); i += 3) std::memcpy(&out.rgb[i], kBand, 3);
  caption_draw(out.rgb, out.width, MIRROR_HEIGHT, shown.caption);
}
