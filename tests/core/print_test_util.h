// Helpers for the print tests: a simulated device on the synthetic font image
// (solid glyphs of known widths, see test_font_image.h), labels written
// straight into the label record, and the printed tape read back as engine
// dots.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "firmware/editor/label.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "host/seam/cartridge.h"
#include "host/seam/clock.h"
#include "host/session/session.h"
#include "host/seam/tape.h"
#include "test_font_image.h"

namespace print_test {

// Writes the synthetic image to a temporary file of its own and returns its path.
inline std::string write_image(const std::string& name,
                               const test_font_image::MetricsFn& metrics = test_font_image::default_metrics) {
  return test_font_image::write_temp(name, metrics);
}

// Engine dot d of tape column i (the tape keeps columns turned for the window).
inline bool dot(size_t column, int d) {
  TapeColumn c;
  if (!tape_column(column, c)) return false;
  int row = 127 - d;
  return c[row / 8] & (0x80 >> (row % 8));
}

inline bool blank(size_t column) {
  TapeColumn c;
  if (!tape_column(column, c)) return false;
  for (uint8_t b : c)
    if (b) return false;
  return true;
}

// Lowest and highest inked dot of a column; -1, -1 when blank.
inline std::pair<int, int> ink_span(size_t column) {
  int lo = -1, hi = -1;
  for (int d = 0; d < 128; ++d)
    if (dot(column, d)) {
      if (lo < 0) lo = d;
      hi = d;
    }
  return {lo, hi};
}

inline int dots_in(size_t column) {
  int n = 0;
  for (int d = 0; d < 128; ++d) n += dot(column, d);
  return n;
}

// Columns [from, to) that carry any ink.
inline size_t inked_columns(size_t from, size_t to) {
  size_t n = 0;
  for (size_t i = from; i < to; ++i) n += !blank(i);
  return n;
}

// Sets the text of the label record: one string per line, every other field
// as given by the caller afterwards.
inline LabelRecord* set_label(uint8_t type, uint8_t size, std::initializer_list<const char*> lines) {
  lbl_clear_text();
  LabelRecord* r = lbl_record();
  r->label_type = type;
  r->font_size = size;
  r->bold = 0;
  r->copies = 1;
  r->serial_print = 0;
  r->barcode_type = 0;
  r->barcode_length = 0;
  r->barcode_start = 0;
  uint8_t i = 0;
  for (const char* text : lines) {
    LabelLine& ln = r->lines[i];
    uint8_t n = 0;
    for (; text[n]; ++n) ln.cells[n] = uint8_t(text[n]);
    ln.length = n;
    ln.cursor = n;
    ++i;
  }
  r->last_line = uint8_t(i ? i - 1 : 0);
  r->current_line = r->last_line;
  return r;
}

// A simulated device on the synthetic image, 3/4-inch tape loaded, settled in
// the editor.
class DeviceTest : public ::testing::Test {
 protected:
  std::unique_ptr<Session> device;
  std::string image;

  virtual test_font_image::MetricsFn metrics() { return test_font_image::default_metrics; }

  void SetUp() override {
    image = write_image(::testing::UnitTest::GetInstance()->current_test_info()->name(), metrics());
    // The worker starts before the init sequence: a printing mode left over
    // by an earlier test must not start a job on it.
    ui_init();
    // The Func key's state outlives a device too: start with it off.
    while (func_state() != 1) {
      func_key_down();
      func_key_up();
    }
    device = std::make_unique<Session>(SessionOptions(image));
    cart_set_id(3);
    settle();
  }

  void TearDown() override {
    device.reset();
    std::filesystem::remove(image);
  }

  void settle() {
    std::string error;
    ASSERT_TRUE(device->settle(error)) << error;
  }

  // Starts a printing mode as a screen does, and lets the device settle:
  // idle again, or waiting in a cut pause.
  void print(uint8_t mode = MODE_PRINT) {
    ui_set_mode(mode);
    settle();
  }

  void key(uint8_t code) {
    device->press_key(code);
    settle();
  }
};

}  // namespace print_test
