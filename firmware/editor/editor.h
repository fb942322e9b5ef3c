// The editor (modes 1 and 2): the printer's home screen where the label is
// typed. Its mode task keeps the label type in step with the loaded material,
// refreshes the battery symbol about once a second and turns each key into a
// text operation of the label model, a menu, a picker or a print.
#pragma once
#include <cstdint>

// Start-up: upper case on, nothing seen yet, then a first refresh.
void ed_init();
// The mode task, once per tick. It notices every change of the UI mode, but
// acts only while the mode is 1 or 2.
void ed_mode_task();
// Caps lamp, status line and text view from the label record.
void ed_refresh();
// Shows text (up to six characters) on the status line instead of the label
// type and font size from the next refresh until the editor takes a key.
void ed_show_status_note(const char* text);
// Command keys (codes below 16), plain or in the Func layer.
void ed_command_key(uint8_t key);
// Opens menu n in mode 3; the serial menu (2) becomes the terminal block
// settings (14) or the patch panel settings (15) for those label types.
void ed_open_menu(uint8_t n);
void ed_toggle_caps();
// 1 upper case, 0 lower case.
uint8_t ed_caps();
// True when the UI mode changed since the task last looked (a screen was
// entered between two ticks, for example when the print engine hands back
// to the editor): the next tick rebuilds the screen. For the headless
// runner's settle.
bool ed_redraw_pending();

// The two key maps: plain keys (digits, letters in the case of `caps`, space)
// and the Func layer (punctuation, the device's own font codes, and the
// commands below). Both give 0 for command keys and for codes past 52.
bool kbd_is_command_key(uint8_t key);
uint16_t kbd_key_to_char(uint8_t key, uint8_t caps);
uint16_t kbd_key_to_func_char(uint8_t key);

// Func-layer results that are commands rather than characters.
constexpr uint16_t ED_FUNC_INTL_PICKER = 5;
constexpr uint16_t ED_FUNC_SYMBOL_PICKER = 15;
constexpr uint16_t ED_FUNC_BARCODE_MENU = 17;
