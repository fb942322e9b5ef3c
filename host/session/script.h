// Key scripts for the headless device: blank- or newline-separated tokens,
// '#' starts a comment that runs to the end of the line.
//
// Every token normally lets the device settle before the next. TIMING:EXACT
// (the first line of a recorded script) switches that off for the rest of the
// script: the script keeps its own clock from the device's start, TICKS:N
// moves it on, and input lands on the tick it was recorded on.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ScriptToken {
  enum Kind { Key, Func, ShiftDown, ShiftUp, Cut, Esc, Alt, Text, Ticks, Cart, Batt, Snap, Exact, FocusOut, Caption };
  Kind kind;
  std::string source;  // the token as written, for messages
  uint32_t value = 0;  // key tag, virtual key, tick count or cartridge id
  float volts = 0;     // BATT:V
  std::string text;    // TEXT: letters, SNAP: file name, CAPTION: its text (UTF-8)
};

// Parses a script. On the first bad token returns false and sets error to a
// one-line message naming it; nothing is run before the whole script parsed.
bool script_parse(const std::string& script, std::vector<ScriptToken>& tokens, std::string& error);

// The token that presses the device key with this code (a letter, a digit or
// a key name such as ENTER); empty for a code no token presses.
std::string script_key_name(uint8_t code);
