// Power cuts at every flash write and erase. Each scenario runs once whole,
// recording what a restart finds after every step; then once per cut point:
// the flash stops at write or erase N (or applies only the first half of it),
// the device restarts on that image, and every stored item (working label,
// settings, cut count, each file slot) must be one a whole step left behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "firmware/editor/label.h"
#include "firmware/nvm/nvm.h"
#include "firmware/print/cutter.h"
#include "host/session/session.h"
#include "host/seam/spi_flash.h"
#include "test_font_image.h"

namespace {
using Bytes = std::vector<uint8_t>;

// A scenario is sessions of key tokens; the device is switched off (working
// label journalled) and on again between them.
struct Scenario {
  const char* name;
  std::vector<std::string> setup;      // run whole before the cuts
  std::vector<std::string> sessions;   // where the power fails
};

// What a restart finds, one entry per stored item.
using Stored = std::vector<Bytes>;

class PowerCut : public ::testing::Test {
 protected:
  std::string path;

  void SetUp() override {
    path = test_font_image::install("power_cut");
  }
  void TearDown() override {
    spi_cut_arm(-1, false);
    std::remove(path.c_str());
  }

  // A temporary file: never synced (what a cut leaves is the flash's own).
  SessionOptions options() const {
    SessionOptions o(path);
    o.durability = FlashDurability::Never;
    return o;
  }

  void put_image(const Bytes& image) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(image.data()),
                                                                   std::streamsize(image.size()));
  }

  static std::vector<ScriptToken> tokens(const std::string& script) {
    std::vector<ScriptToken> out;
    std::string error;
    EXPECT_TRUE(script_parse(script, out, error)) << error;
    return out;
  }

  // Runs the sessions on the image file; after every token (and every switch
  // off) calls step with the flash as it is then. Stops early once the flash
  // is cut (nothing more can change).
  template <typename Step>
  void run(const std::vector<std::string>& sessions, Step step, int64_t cut_at = -1) {
    for (const std::string& session : sessions) {
      Session device{options()};
      std::string error;
      device.settle(error);
      for (const ScriptToken& t : tokens(session)) {
        device.run(t, error);
        step();
        if (cut_at >= 0 && int64_t(spi_operations()) > cut_at) return;
      }
      device.close();
      step();
      if (cut_at >= 0 && int64_t(spi_operations()) > cut_at) return;
    }
  }

  // Restarts on image and reads every item as the device then has it.
  Stored restart_on(const Bytes& image) {
    spi_cut_arm(-1, false);
    put_image(image);
    Session device{options()};
    std::string error;
    device.settle(error);
    Stored s;
    const LabelRecord* r = lbl_record();
    s.emplace_back(reinterpret_cast<const uint8_t*>(r), reinterpret_cast<const uint8_t*>(r) + 460);
    Bytes settings(10, 0);
    if (!nvm_load_device_settings(settings.data())) settings.clear();
    s.push_back(settings);
    const uint32_t count = cut_count();
    s.push_back(Bytes{uint8_t(count), uint8_t(count >> 8), uint8_t(count >> 16), uint8_t(count >> 24)});
    for (uint8_t slot = 0; slot < NVM_LABEL_FILES; ++slot) {
      LabelRecord f;
      nvm_load_label_file(slot, &f);
      const uint8_t* b = reinterpret_cast<const uint8_t*>(&f);
      s.push_back(lbl_checksum_ok(&f) ? Bytes(b, b + sizeof f) : Bytes());
    }
    return s;
  }

  static std::string item_name(size_t i) {
    if (i == 0) return "working label";
    if (i == 1) return "settings";
    if (i == 2) return "cut count";
    return "file slot " + std::to_string(i - 3);
  }

  // Returns the number of cut points tried.
  int try_every_cut(const Scenario& sc) {
    spi_cut_arm(-1, false);
    run(sc.setup, [] {});
    const Bytes base = spi_contents();

    // The whole run: the flash after each step, and what a restart finds there.
    std::vector<Bytes> snapshots{base};
    spi_cut_arm(-1, false);
    run(sc.sessions, [&] { snapshots.push_back(spi_contents()); });
    const uint64_t operations = spi_operations();
    std::vector<std::set<Bytes>> allowed;
    for (const Bytes& snap : snapshots) {
      Stored s = restart_on(snap);
      allowed.resize(s.size());
      for (size_t i = 0; i < s.size(); ++i) allowed[i].insert(s[i]);
    }

    if (std::getenv("KLX80_POWER_CUT_VERBOSE")) {
      std::printf("%s: %llu operations; distinct states:", sc.name, (unsigned long long)operations);
      for (auto& a : allowed) std::printf(" %zu", a.size());
      std::printf("\n");
    }
    int tried = 0;
    for (uint64_t n = 0; n < operations; ++n) {
      for (bool tear : {false, true}) {
        put_image(base);
        spi_init();
        spi_cut_arm(int64_t(n), tear);
        run(sc.sessions, [] {}, int64_t(n));
        const Bytes cut = spi_contents();
        Stored s = restart_on(cut);
        ++tried;
        for (size_t i = 0; i < s.size(); ++i)
          EXPECT_TRUE(allowed[i].count(s[i]))
              << sc.name << ": " << item_name(i) << " is neither old nor new after a cut at operation " << n
              << (tear ? " (torn)" : "");
      }
    }
    return tried;
  }
};

const char kSaveSlot2[] = "MENU DOWN DOWN DOWN ENTER ENTER DOWN DOWN ENTER TEXT:NEW ENTER";
const char kSaveSlot0[] = "MENU DOWN DOWN DOWN ENTER ENTER ENTER TEXT:OLD ENTER";
const char kReplaceSlot0[] = "FUNC DELETE TEXT:OTHER MENU DOWN DOWN DOWN ENTER ENTER ENTER LEFT ENTER TEXT:NEW ENTER";
const char kDeleteSlot0[] = "MENU DOWN DOWN DOWN ENTER DOWN DOWN ENTER ENTER LEFT ENTER";
const char kLanguage[] = "MENU DOWN DOWN DOWN DOWN ENTER DOWN DOWN DOWN DOWN ENTER";

std::string cut_pauses(int pauses) {
  std::string s = "CART:3 TEXT:A FUNC PRINT " + std::to_string((pauses + 1) / 10) + " " +
                  std::to_string((pauses + 1) % 10) + " ENTER";
  for (int i = 0; i < pauses; ++i) s += " CUT";
  return s;
}

std::vector<std::string> nine_closes() {
  std::vector<std::string> v;
  for (char c = 'A'; c < 'A' + 9; ++c) v.push_back(std::string("TEXT:") + c);
  return v;
}

TEST_F(PowerCut, EveryCutPointLeavesEachStoredItemOldOrNew) {
  const std::vector<Scenario> scenarios = {
      {"type a label and close", {""}, {"TEXT:HELLO ENTER TEXT:WORLD"}},
      {"nine changed closes (journal wrap)", {""}, nine_closes()},
      {"save a new file", {"TEXT:FILE"}, {kSaveSlot2}},
      {"replace a file", {std::string("TEXT:FIRST ") + kSaveSlot0}, {kReplaceSlot0}},
      {"delete a file", {std::string("TEXT:FIRST ") + kSaveSlot0}, {kDeleteSlot0}},
      {"change the language", {""}, {kLanguage}},
      {"34 cut pauses (counter wrap)", {cut_pauses(2)}, {cut_pauses(34)}},
      {"service erase of the settings", {kLanguage}, {"ALT+DELETE ESC"}},
  };
  int tried = 0;
  for (const Scenario& sc : scenarios) tried += try_every_cut(sc);
  std::printf("power cut: %d cut points tried over %zu scenarios\n", tried, scenarios.size());
  EXPECT_GT(tried, 200);
}

}  // namespace
