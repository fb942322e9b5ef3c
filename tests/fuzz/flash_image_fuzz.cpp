// A damaged or hostile flash image through the whole device: start-up (font
// load, settings, rescue record, both journals), File Open of the first slot,
// editor redraws, and a three-copy print with its cut pauses.
//
// The input is a list of patches over a clean image. Each patch is
//   area (bit 7: seal), offset (3 bytes, little-endian, taken modulo the area),
//   length, then up to length bytes.
// A sealed patch gets the check of the record it lands in put right
// afterwards (label checksum, settings sum and magic, counter check, rescue
// sum, font sum), so that the fuzzer reaches the code behind each check and
// not only the check itself.
#include <algorithm>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "firmware/editor/label.h"
#include "firmware/nvm/nvm.h"
#include "firmware/nvm/nvm_rescue.h"
#include "fuzz_device.h"
#include "host/seam/flash_image.h"
#include "tests/core/test_font_image.h"

namespace {
using Image = std::vector<uint8_t>;

struct Area {
  uint32_t start, size;
};

enum AreaId : uint8_t { kFont, kFiles, kWorking, kSettings, kBackup, kCounters, kAreas };

constexpr Area kAreaMap[kAreas] = {
    {0, FLASH_FONT_SUM_ADDR},
    {NVM_LABEL_FILES_ADDR, NVM_LABEL_FILES * NVM_LABEL_FILE_SECTOR},
    {NVM_WORKING_LABEL_ADDR, 0x1000},
    {NVM_SETTINGS_ADDR, 0x1000},
    {NVM_SETTINGS_BACKUP_ADDR, 0x1000},
    {NVM_COUNTER_ADDR, 0x1000},
};

// The pages an input changed, put back from the clean image after its run:
// a megabyte copied per input would cost more than most runs. Every area is
// whole pages, and a seal writes in the page of its patch (the font sum
// apart, which has a page of its own).
constexpr uint32_t kPage = 0x1000;
std::bitset<FLASH_IMAGE_SIZE / kPage> dirty;

void touch(uint32_t at, size_t length) {
  const uint32_t last = uint32_t(at + std::max<size_t>(length, 1) - 1) / kPage;
  for (uint32_t page = at / kPage; page <= last; ++page) dirty.set(page);
}

void restore(Image& img, const Image& clean) {
  for (uint32_t page = 0; page < dirty.size(); ++page)
    if (dirty.test(page)) std::memcpy(&img[page * kPage], &clean[page * kPage], kPage);
  dirty.reset();
}

void put32(Image& img, uint32_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) img[at + i] = uint8_t(v >> (8 * i));
}

uint32_t sum(const Image& img, uint32_t at, uint32_t length) {
  uint32_t s = 0;
  for (uint32_t i = 0; i < length; ++i) s += img[at + i];
  return s;
}

void seal_label(Image& img, uint32_t at) {
  LabelRecord r;
  std::memcpy(&r, &img[at], sizeof r);
  put32(img, at + offsetof(LabelRecord, checksum), lbl_checksum(&r));
}

void seal_settings(Image& img, uint32_t at) {
  img[at + 8] = 0xA4;
  img[at + 9] = uint8_t(sum(img, at, 9));
}

void seal_rescue(Image& img) {
  const uint32_t at = NVM_RESCUE_ADDR;
  img[at] = NVM_MARK_WRITTEN;
  const uint32_t length = img[at + 1] == NVM_RESCUE_COUNTERS ? NVM_COUNTER_BYTES : sizeof(LabelRecord);
  put32(img, at + 4, sum(img, at + 1, 3) + sum(img, at + NVM_RESCUE_HEADER, length));
}

void seal(Image& img, AreaId area, uint32_t offset) {
  switch (area) {
    case kFont:
      put32(img, FLASH_FONT_SUM_ADDR, flash_image_byte_sum(img.data(), FLASH_FONT_SUM_ADDR));
      break;
    case kFiles:
      seal_label(img, NVM_LABEL_FILES_ADDR + offset / NVM_LABEL_FILE_SECTOR * NVM_LABEL_FILE_SECTOR);
      break;
    case kWorking: {
      const uint32_t entry = NVM_WORKING_LABEL_ADDR + offset / NVM_WORKING_LABEL_ENTRY * NVM_WORKING_LABEL_ENTRY;
      img[entry] = NVM_MARK_WRITTEN;
      seal_label(img, entry + 1);
      break;
    }
    case kSettings:
      seal_settings(img, NVM_SETTINGS_ADDR);
      break;
    case kBackup:
      if (offset < NVM_RESCUE_ADDR - NVM_SETTINGS_BACKUP_ADDR)
        seal_settings(img, NVM_SETTINGS_BACKUP_ADDR);
      else
        seal_rescue(img);
      break;
    case kCounters: {
      const uint32_t entry = NVM_COUNTER_ADDR + offset / NVM_COUNTER_ENTRY * NVM_COUNTER_ENTRY;
      img[entry] = NVM_MARK_WRITTEN;
      put32(img, entry + 11, nvm_sum10(&img[entry + 1]));
      break;
    }
    default:
      break;
  }
}

// True when a patch landed in the font area.
bool apply_patches(Image& img, const uint8_t* data, size_t size) {
  bool fonts = false;
  size_t at = 0;
  while (size - at >= 5) {
    const auto area = AreaId(data[at] % kAreas);
    const bool sealed = data[at] & 0x80;
    const Area& a = kAreaMap[area];
    uint32_t offset = (data[at + 1] | data[at + 2] << 8 | data[at + 3] << 16) % a.size;
    size_t length = data[at + 4];
    at += 5;
    length = std::min({length, size - at, size_t(a.size - offset)});
    std::memcpy(&img[a.start + offset], data + at, length);
    touch(a.start + offset, length);
    at += length;
    if (sealed) {
      seal(img, area, offset);
      touch(area == kFont ? FLASH_FONT_SUM_ADDR : a.start + offset, 1);
    }
    fonts = fonts || area == kFont;
  }
  return fonts;
}

// With tape loaded: File, Open, the first slot; a letter and a cursor move
// redraw the editor (the letter also gives an empty label something to
// print); then three copies with both cut pauses.
const char kScript[] =
    "CART:3 MENU DOWN DOWN DOWN ENTER DOWN ENTER ENTER TEXT:A LEFT "
    "FUNC PRINT 3 ENTER CUT CUT";
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_device::install_quiet_ui();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Image clean = test_font_image::build();
  static const std::vector<ScriptToken> tokens = fuzz_device::parse(kScript);
  Image& img = fuzz_device::options().image_bytes;
  if (img.size() != clean.size()) img = clean;
  // The font sum can only be wrong when a patch changed the fonts.
  const bool fonts = apply_patches(img, data, size);
  fuzz_device::run_script(tokens, fonts);
  restore(img, clean);
  return 0;
}
