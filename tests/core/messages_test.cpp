#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "firmware/editor/messages.h"
#include "firmware/kernel/kernel.h"
#include "firmware/nvm/nvm.h"
#include "host/seam/spi_flash.h"

namespace {

std::string text(uint8_t language, uint8_t id) { return msg_text_in(language, id); }

const char* const kLanguageNames[MSG_LANGUAGES] = {"English", "Spanish", "French", "Portuguese", "German", "Dutch"};

// ---- Rows whose texts in all six languages are fixed ----

struct FixedRow {
  uint8_t id;
  const char* text[MSG_LANGUAGES];
};

const FixedRow kFixedRows[] = {
    {11, {"Language", "Idioma", "Langue", "Idioma", "Sprache", "Taal"}},
    {22, {"Copies:", "Copias:", "Copies:", "C\xC4pias:", "Kopien:", "Exemplaren:"}},
    {113,
     {"Insert Labels", "Insertar etiqueta", "Ins\xA4rer \xA4tiq.", "Inserir etiq", "Etik. einf\xE4gen",
      "Labels invoegen"}},
    {114, {"Cannot Fit", "No cabe", "Espace insuffisant", "Espa\x96o insuficiente", "Passt nicht", "Past niet"}},
    {119,
     {"Delete?",
      "\xFD"
      "Borrar?",
      "Suppr.?", "Excluir?", "L\xCAschen?", "Wissen?"}},
    {170,
     {"Max 4 lines", "M\x81ximo 4 l\xB0neas", "4 lignes max. ", "M\x81x. 4 linhas", "Max. 4 Zeilen", "Max 4 lijnen"}},
    {175,
     {"Function Not Available", "Funci\xC4n no disponible", "Fonction non disponible",
      "Fun\x96\x89o n\x89o dispon\xB0vel", "Funktion nicht verf\xE4gbar", "Functie niet beschikbaar"}},
    // Language names, each under its own name in every table.
    {12, {"English", "English", "English", "English", "English", "English"}},
    {13, {"Espa\xBCol", "Espa\xBCol", "Espa\xBCol", "Espa\xBCol", "Espa\xBCol", "Espa\xBCol"}},
    {14,
     {"Fran\x96"
      "ais",
      "Fran\x96"
      "ais",
      "Fran\x96"
      "ais",
      "Fran\x96"
      "ais",
      "Fran\x96"
      "ais",
      "Fran\x96"
      "ais"}},
    {15, {"Portugu\xA2s", "Portugu\xA8s", "Portugu\xA8s", "Portugu\xA8s", "Portugu\xA8s", "Portugu\xA8s"}},
    {16, {"Deutsch", "Deutsch", "Deutsch", "Deutsch", "Deutsch", "Deutsch"}},
    {17, {"Nederlands", "Nederlands", "Nederlands", "Nederlands", "Nederlands", "Nederlands"}},
    // The empty text and the wire tag with its trailing space.
    {75, {"", "", "", "", "", ""}},
    {147, {"W.75 ", "W.75 ", "W.75 ", "W.75 ", "W.75 ", "W.75 "}},
};

TEST(MessageTable, FixedRowsMatchByteForByte) {
  for (const FixedRow& row : kFixedRows)
    for (uint8_t l = 0; l < MSG_LANGUAGES; ++l)
      EXPECT_EQ(text(l, row.id), row.text[l]) << "id " << int(row.id) << " in " << kLanguageNames[l];
}

// The names the firmware uses read as their English text; the rows above pin
// the numbers the popup history and the state report show.
TEST(MessageTable, NamesReadAsTheirEnglishText) {
  const std::pair<MsgId, const char*> kNamed[] = {
      {MSG_SERIAL_FLAG, "Serial:"},
      {MSG_FIXED_30_MM, "Fixed 30 mm"},
      {MSG_WIRE_0_75_IN, ".75\"(16-10AWG)"},
      {MSG_WIRE_150_MM, "150 mm"},
      {MSG_EMPTY, ""},
      {MSG_40PT_BOLD, "40pt Bold"},
      {MSG_SLOT_12, "12:"},
      {MSG_CUT_OR_PRINT, "Cut or Print"},
      {MSG_MEDIA_ONLY, "3/4\" media only"},
      {MSG_TAG_GEN, "GEN"},
      {MSG_TAG_W0_75, "W.75 "},
      {MSG_TAG_PORT, "PORT"},
      {MSG_MAX_CHARS, "Max 50 characters per line"},
  };
  for (const auto& [id, english] : kNamed) EXPECT_EQ(text(LANG_ENGLISH, id), english) << "id " << int(id);
}

TEST(MessageTable, EnglishTextsWithInchSignsAndEscapes) {
  EXPECT_EQ(text(LANG_ENGLISH, 26), "Fixed 1.0\"");
  EXPECT_EQ(text(LANG_ENGLISH, 36), "Fixed 6.0\"");
  EXPECT_EQ(text(LANG_ENGLISH, 53), ".75\"(16-10AWG)");
  EXPECT_EQ(text(LANG_ENGLISH, 60), "4.0\"(3/0-400 KCMIL)");
  EXPECT_EQ(text(LANG_ENGLISH, 77), "# of Terminations:");
  EXPECT_EQ(text(LANG_ENGLISH, 96), "1 :");
  EXPECT_EQ(text(LANG_ENGLISH, 107), "12:");
  EXPECT_EQ(text(LANG_ENGLISH, 116), "3/4\" media only");
  EXPECT_EQ(text(LANG_ENGLISH, 171), "Max 50 characters per line");
}

// Tags of the status line and the file slot labels never change with the language.
TEST(MessageTable, TagsAndSlotLabelsAreTheSameInEveryLanguage) {
  for (uint8_t l = 1; l < MSG_LANGUAGES; ++l) {
    for (uint8_t id = 121; id <= 169; ++id)
      EXPECT_EQ(text(l, id), text(LANG_ENGLISH, id)) << "tag " << int(id) << " in " << kLanguageNames[l];
    for (uint8_t id = 96; id <= 107; ++id) EXPECT_EQ(text(l, id), text(LANG_ENGLISH, id));
  }
  EXPECT_EQ(text(LANG_ENGLISH, 121), "GEN");
  EXPECT_EQ(text(LANG_ENGLISH, 169), "PORT");
}

TEST(MessageTable, DecimalCommaInFixedLengths) {
  EXPECT_EQ(text(LANG_ENGLISH, 26).find("1.0\""), 6u);
  for (uint8_t l : {LANG_FRENCH, LANG_PORTUGUESE, LANG_GERMAN, LANG_DUTCH}) {
    EXPECT_NE(text(l, 26).find("1,0\""), std::string::npos) << kLanguageNames[l];
    EXPECT_NE(text(l, 53).find(",75\""), std::string::npos) << kLanguageNames[l];
  }
}

// ---- Completeness and bounds ----

TEST(MessageTable, EveryIdHasATextInEveryLanguage) {
  for (uint8_t l = 0; l < MSG_LANGUAGES; ++l)
    for (unsigned id = 0; id < MSG_COUNT; ++id) {
      const char* t = msg_text_in(l, uint8_t(id));
      ASSERT_NE(t, nullptr);
      if (id == 75)
        EXPECT_EQ(t[0], '\0');
      else
        EXPECT_NE(t[0], '\0') << "id " << id << " empty in " << kLanguageNames[l];
    }
}

TEST(MessageTable, OutOfRangeIdsAndLanguagesAreSafe) {
  for (unsigned id = MSG_COUNT; id <= 255; ++id) {
    EXPECT_STREQ(msg_text_in(LANG_GERMAN, uint8_t(id)), "");
    EXPECT_STREQ(msg_text(uint8_t(id)), "");
  }
  for (uint8_t l : {uint8_t(6), uint8_t(0x7F), uint8_t(0xFF)})
    EXPECT_EQ(msg_text_in(l, MSG_LANGUAGE), msg_text_in(LANG_ENGLISH, MSG_LANGUAGE));
}

// ---- Lengths and characters ----

TEST(MessageTable, LengthLimitsPerLanguage) {
  const size_t limit[MSG_LANGUAGES] = {26, 31, 36, 23, 25, 25};
  for (uint8_t l = 0; l < MSG_LANGUAGES; ++l)
    for (unsigned id = 0; id < MSG_COUNT; ++id)
      EXPECT_LE(std::strlen(msg_text_in(l, uint8_t(id))), limit[l])
          << "id " << id << " in " << kLanguageNames[l] << ": " << msg_text_in(l, uint8_t(id));
  EXPECT_EQ(text(LANG_ENGLISH, 171).size(), 26u);
}

// Accented letters come only as the LCD font codes each language uses; the
// language names bring their own letters into every table.
TEST(MessageTable, BytesAbove127AreKnownAccentCodes) {
  const std::set<uint8_t> all = {0x81, 0x83, 0x87, 0x89, 0x8C, 0x8D, 0x96, 0xA0, 0xA4, 0xA8,
                                 0xB0, 0xBC, 0xC4, 0xC9, 0xCA, 0xE2, 0xE4, 0xF6, 0xFD};
  const std::set<uint8_t> per_language[MSG_LANGUAGES] = {
      {},
      {0x81, 0xB0, 0xC4, 0xE2, 0xFD},
      {0x83, 0x8C, 0x8D, 0xA0, 0xA4},
      {0x81, 0x89, 0x96, 0xB0, 0xC4, 0xF6},
      {0x87, 0xC9, 0xCA, 0xE4},
      {},
  };
  for (uint8_t l = 0; l < MSG_LANGUAGES; ++l)
    for (unsigned id = 0; id < MSG_COUNT; ++id) {
      if (id >= 13 && id <= 15) continue;  // the names, checked byte for byte above
      for (const char* p = msg_text_in(l, uint8_t(id)); *p; ++p) {
        uint8_t b = uint8_t(*p);
        if (b < 0x80) {
          EXPECT_GE(b, 0x20) << "control byte in id " << id;
          continue;
        }
        EXPECT_TRUE(all.count(b)) << "byte " << int(b) << " in id " << id << " " << kLanguageNames[l];
        EXPECT_TRUE(per_language[l].count(b)) << "byte " << int(b) << " in id " << id << " " << kLanguageNames[l];
      }
    }
}

// ---- Fit on the LCD ----

// Lines a popup needs: up to 14 characters a line, broken at the last space
// among the first 14 (the space starts the next line). 4 means text is lost.
int popup_lines(const std::string& t) {
  if (t.size() <= 14) return 1;
  std::string rest = t;
  for (int line = 0; line < 3; ++line) {
    if (!rest.empty() && rest.size() <= 14) return line + 1;
    size_t k = 14;
    size_t space = rest.substr(0, 14).rfind(' ');
    if (space != std::string::npos) k = space;
    rest = rest.substr(k);
  }
  return 4;
}

TEST(MessageTable, PopupTextsFitThreeLines) {
  EXPECT_EQ(popup_lines("abcdefghijklmnopqrst"), 2);
  EXPECT_EQ(popup_lines("aaaaaaaaaaaaa bbbbbbbbbbbbb ccccccccccccc d"), 4);
  for (uint8_t id : {111, 113, 114, 115, 116, 117, 118, 120, 170, 171, 175})
    for (uint8_t l = 0; l < MSG_LANGUAGES; ++l)
      EXPECT_LE(popup_lines(text(l, id)), 3) << "id " << int(id) << " in " << kLanguageNames[l];
}

TEST(MessageTable, ShortFieldsFitTheirPlaces) {
  for (uint8_t l = 0; l < MSG_LANGUAGES; ++l) {
    SCOPED_TRACE(kLanguageNames[l]);
    // Yes/No question centred on one line; answers at x 40 and x 80.
    EXPECT_LE(text(l, 119).size(), 14u);
    EXPECT_LE(text(l, 172).size(), 14u);
    EXPECT_LE(text(l, 173).size(), 4u);
    EXPECT_LE(text(l, 174).size(), 4u);
    // On/Off values drawn from x 91.
    EXPECT_LE(text(l, 0).size(), 4u);
    EXPECT_LE(text(l, 1).size(), 4u);
    // The file name caption on one line, and the serial captions that leave
    // room for the label text beside them.
    EXPECT_LE(text(l, 112).size(), 14u);
    EXPECT_LE(text(l, 20).size(), 7u);
    EXPECT_LE(text(l, 21).size(), 7u);
  }
}

// ---- Language chosen by the device settings in flash ----

class MessageLanguage : public ::testing::Test {
 protected:
  void SetUp() override {
    old_path_ = spi_path();
    dir_ = std::filesystem::temp_directory_path() /
           ("klx80_msgs_" + std::to_string(::getpid()) + "_" + std::to_string(++counter_));
    std::filesystem::create_directories(dir_);
    std::string image = (dir_ / "fontData.hex").string();
    std::vector<uint8_t> erased(1 << 20, 0xFF);
    FILE* f = std::fopen(image.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(erased.data(), 1, erased.size(), f), erased.size());
    std::fclose(f);
    spi_set_path(image);
    nvm_init();
  }
  void TearDown() override {
    spi_set_path(old_path_);
    spi_init();
    std::filesystem::remove_all(dir_);
  }
  void store_language(uint8_t value) {
    uint8_t settings[10] = {value, 0, 0, 0, 'A', 0, 0, 0, 0xA4, 0};
    nvm_save_device_settings(settings);
  }

  std::string old_path_;
  std::filesystem::path dir_;
  static inline int counter_ = 0;
};

TEST_F(MessageLanguage, EachStoredIndexSelectsItsTable) {
  for (uint8_t l = 0; l < MSG_LANGUAGES; ++l) {
    store_language(l);
    EXPECT_STREQ(msg_text(MSG_LANGUAGE), msg_text_in(l, MSG_LANGUAGE)) << kLanguageNames[l];
    EXPECT_STREQ(msg_text(MSG_NOT_AVAILABLE), msg_text_in(l, MSG_NOT_AVAILABLE)) << kLanguageNames[l];
  }
  // Read on every call: a new choice shows at once.
  store_language(LANG_GERMAN);
  EXPECT_STREQ(msg_text(MSG_DELETE_Q), "L\xCAschen?");
  store_language(LANG_SPANISH);
  EXPECT_STREQ(msg_text(MSG_DELETE_Q),
               "\xFD"
               "Borrar?");
}

TEST_F(MessageLanguage, InvalidOrMissingSettingsSelectEnglish) {
  EXPECT_STREQ(msg_text(MSG_LANGUAGE), "Language");  // erased flash: no valid record
  for (uint8_t bad : {uint8_t(6), uint8_t(0x7F), uint8_t(0x80), uint8_t(0xFF)}) {
    store_language(LANG_DUTCH);
    store_language(bad);
    EXPECT_STREQ(msg_text(MSG_LANGUAGE), "Language") << "byte 0 = " << int(bad);
  }
}

}  // namespace
