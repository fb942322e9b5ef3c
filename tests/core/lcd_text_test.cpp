// Screen text read back from the LCD with the built image's own glyphs:
// every message of the six languages as the popup shows it, and the other
// things a screen draws (highlights, status fields, markers, the scroll bar,
// the picker grid, the printing screen, the barcode box, unknown dots).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "firmware/display/font.h"
#include "firmware/display/lcd.h"
#include "firmware/screens/popup.h"
#include "firmware/editor/messages.h"
#include "firmware/kernel/kernel.h"
#include "firmware/kernel/modes.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/engine.h"
#include "host/seam/keys.h"
#include "host/session/lcd_text.h"
#include "host/seam/mirror.h"
#include "host/seam/spi_flash.h"

namespace fs = std::filesystem;

namespace {
std::string text(const std::vector<uint16_t>& codes) {
  std::string out;
  for (uint16_t c : codes) out += c < 256 ? char(c) : '#';
  return out;
}

std::string trimmed(const std::string& s) {
  const size_t a = s.find_first_not_of(' ');
  return a == std::string::npos ? "" : s.substr(a, s.find_last_not_of(' ') - a + 1);
}

class ScreenText : public ::testing::Test {
 protected:
  fs::path copy;
  void SetUp() override {
#ifndef KLX80_BUILT_IMAGE
    GTEST_SKIP() << "the font image builder is not part of this build";
#else
    copy = fs::temp_directory_path() / ("klx80-screen-" + std::to_string(getpid()) + ".hex");
    fs::copy_file(KLX80_BUILT_IMAGE, copy, fs::copy_options::overwrite_existing);
    spi_set_path(copy.string());
    spi_init();
    font_init();
    mirror_init();
    kbd_init();
    ui_init();
    lcd_blank();
#endif
  }
  void TearDown() override {
    std::error_code ec;
    if (!copy.empty()) fs::remove(copy, ec);
  }
  static void set_language(uint8_t language) {
    uint8_t settings[10] = {};
    prn_factory_settings(settings);
    settings[0] = language;
    nvm_save_device_settings(settings);
  }
};
}  // namespace

TEST_F(ScreenText, ReadsEveryMessageOfEveryLanguageAsThePopupShowsIt) {
  const LcdTextReader reader = LcdTextReader::from_flash();
  int checked = 0;
  for (uint8_t language = 0; language < MSG_LANGUAGES; ++language) {
    set_language(language);
    for (int id = 0; id < MSG_COUNT; ++id) {
      ui_set_mode(MODE_EDITOR);
      msg_popup_init();
      msg_popup_show(uint8_t(id), 1);
      msg_popup_task();
      const LcdText shown = reader.read_mirror();

      // What the popup shows: its layout lines whole, blanks at the ends dropped.
      const char* message = msg_text_in(language, uint8_t(id));
      std::string expected[3];
      PopupLine lines[3];
      const int count = msg_popup_layout(message, lines);
      for (int i = 0; i < count; ++i) expected[lines[i].line].assign(message + lines[i].offset, lines[i].length);
      for (int line = 0; line < 3; ++line)
        EXPECT_EQ(text(shown.lines[line]), trimmed(expected[line]))
            << "language " << int(language) << ", message " << id << ", line " << line;
      EXPECT_EQ(shown.unknown, 0) << "language " << int(language) << ", message " << id;
      ++checked;
    }
  }
  EXPECT_EQ(checked, 6 * 176);
}

TEST_F(ScreenText, ReadsHighlightsStatusFieldsAndTheScreensOtherParts) {
  const LcdTextReader reader = LcdTextReader::from_flash();
  struct Case {
    const char* name;
    std::function<void()> draw;
    const char* lines[4];
    bool inverse[4];
  };
  const uint16_t grid[] = {'A', 'B', 0x81, 'D', 'E', 'F', 'G', 'H', 'I', 'J'};
  const Case cases[] = {
      {"editor lines with markers, status tag and size",
       [] {
         lcd_draw_line_marker(0, 0);
         lcd_put_text(0, 8, "HELLO", 0);
         lcd_draw_line_marker(2, 1);
         lcd_put_text(1, 8, "A  B", 0);
         lcd_draw_label_type(26, false);
         lcd_draw_size_icon(2);
         lcd_draw_rule();
       },
       {"HELLO", "A  B", "", "W.75 9"},
       {}},
      {"menu rows, the middle one highlighted, with a scroll bar",
       [] {
         lcd_put_text(0, 0, "Copies", 0);
         lcd_put_text(1, 0, "Serial", 0);
         lcd_invert_line(1, 0, 128);
         lcd_put_text(2, 0, "File", 0);
         lcd_draw_scrollbar(6, 1);
       },
       {"Copies", "Serial", "File", ""},
       {false, true, false, false}},
      {"a value highlighted beside plain text; icon box and size",
       [] {
         lcd_put_text(0, 0, "Copies", 0);
         lcd_put_text(0, 91, "0", 0);
         lcd_put_text(0, 100, "5", 0);
         lcd_invert_line(0, 91, 100);
         lcd_draw_label_type(47, true);
         lcd_draw_size_icon(4);
       },
       {"Copies    05", "", "", "[TTTT] 20"},
       {true, false, false, false}},
      {"picker grid with its tag",
       [&] {
         lcd_draw_char_grid(1, 2, grid, 10);
         lcd_show_picker_tag('A', 'A');
       },
       {"A  B  \x81  D  E", "F  G  H  I  J", "", "AB"},
       {false, true, false, false}},
      {"printing screen", [] { lcd_show_print_progress(0, 5); }, {"", "# 01/05", "", ""}, {}},
      {"barcode field box around text",
       [] {
         lcd_put_text(0, 8, "AB", 0);
         lcd_put_text(0, 30, "12", 0);
         lcd_draw_barcode_box(27, 22, 3);
       },
       {"AB12", "", "", ""},
       {}},
      {"dots that are no glyph",
       [] {
         lcd_put_text(2, 0, "OK", 0);
         lcd_frame()[4 * LCD_COLUMNS + 60] = 0x3C;
         lcd_frame()[4 * LCD_COLUMNS + 61] = 0x3C;
       },
       {"", "", "OK     ?", ""},
       {}},
  };
  for (const Case& c : cases) {
    lcd_clear_text();
    lcd_clear_status();
    c.draw();
    const LcdText t = reader.read(lcd_frame());
    for (int line = 0; line < 4; ++line) {
      EXPECT_EQ(text(t.lines[line]), c.lines[line]) << c.name << ", line " << line;
      EXPECT_EQ(t.inverse[line], c.inverse[line]) << c.name << ", line " << line;
    }
  }
}

TEST(ScreenTextImage, AnEmptyOrDamagedFontReadsDarkDotsAsUnknown) {
  // No glyphs at all: nothing to match, nothing read out of bounds.
  const LcdTextReader reader(std::vector<uint8_t>(100, 0xFF));
  uint8_t frame[LCD_FRAME_BYTES] = {};
  frame[10] = 0xFF;
  const LcdText t = reader.read(frame);
  EXPECT_EQ(text(t.lines[0]), "?");
  EXPECT_EQ(t.unknown, 1);
}
