// The message table: every text the firmware shows on the LCD, by message id,
// in six languages. Texts are zero-terminated byte strings in the LCD font's
// own character codes (printable ASCII plus font codes 0x80.. for accented
// letters); they are never converted.
#pragma once
#include <cstdint>

#include "firmware/editor/message_ids.h"

constexpr uint8_t MSG_LANGUAGES = 6;  // language indices 0..5

// Language indices, in table order (byte 0 of the device settings).
enum : uint8_t {
  LANG_ENGLISH = 0,
  LANG_SPANISH = 1,
  LANG_FRENCH = 2,
  LANG_PORTUGUESE = 3,
  LANG_GERMAN = 4,
  LANG_DUTCH = 5,
};

// Text of message `id` in the language stored in the device settings
// (`sys_language`, read from flash on every call, so a new choice shows from
// the next redraw on). An id beyond the table gives the empty text.
const char* msg_text(uint8_t id);

// Text of message `id` in the given language, without touching the flash
// (for tools and tests). A language index above 5 gives English, as on the
// device; an id beyond the table gives the empty text.
const char* msg_text_in(uint8_t language, uint8_t id);
