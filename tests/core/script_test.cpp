#include <gtest/gtest.h>

#include "firmware/kernel/key_codes.h"
#include "host/seam/keys.h"
#include "host/session/script.h"

namespace {
std::vector<ScriptToken> parse_ok(const std::string& text) {
  std::vector<ScriptToken> tokens;
  std::string error;
  EXPECT_TRUE(script_parse(text, tokens, error)) << error;
  return tokens;
}

std::string parse_error(const std::string& text) {
  std::vector<ScriptToken> tokens;
  std::string error;
  EXPECT_FALSE(script_parse(text, tokens, error)) << text;
  return error;
}
}  // namespace

TEST(Script, KeysDigitsLettersAndCommands) {
  auto t = parse_ok("MENU 0 9 A Z FUNC SHIFT_DOWN SHIFT_UP CUT ESC ALT+Q ALT+1 ALT+DELETE");
  ASSERT_EQ(t.size(), 13u);
  EXPECT_EQ(t[0].value, KEY_MENU);
  EXPECT_EQ(t[1].value, KEY_0);
  EXPECT_EQ(t[2].value, KEY_9);
  EXPECT_EQ(t[3].value, KEY_A);
  EXPECT_EQ(t[4].value, KEY_Z);
  EXPECT_EQ(t[5].kind, ScriptToken::Func);
  EXPECT_EQ(t[10].value, uint32_t('Q'));
  EXPECT_EQ(t[11].value, uint32_t('1'));
  EXPECT_EQ(t[12].value, VK_DELETE_KEY);
}

TEST(Script, ArgumentsAndComments) {
  auto t = parse_ok("TEXT:HELLO_WORLD # a comment ENTER\nTICKS:250\n  CART:8 BATT:7.5 SNAP:out.png");
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(t[0].text, "HELLO_WORLD");
  EXPECT_EQ(t[1].value, 250u);
  EXPECT_EQ(t[2].value, 8u);
  EXPECT_FLOAT_EQ(t[3].volts, 7.5f);
  EXPECT_EQ(t[4].text, "out.png");
}

TEST(Script, BadTokensAreNamedInOneLine) {
  EXPECT_EQ(parse_error("A FOO B"), "unknown token 'FOO'");
  EXPECT_NE(parse_error("A\nB\nmenu").find("'menu' (line 3)"), std::string::npos);
  EXPECT_NE(parse_error("CART:12").find("'CART:12'"), std::string::npos);
  EXPECT_NE(parse_error("BATT:9.5").find("'BATT:9.5'"), std::string::npos);
  EXPECT_NE(parse_error("BATT:x").find("'BATT:x'"), std::string::npos);
  EXPECT_NE(parse_error("TICKS:-1").find("'TICKS:-1'"), std::string::npos);
  EXPECT_NE(parse_error("TEXT:A-B").find("'TEXT:A-B'"), std::string::npos);
  EXPECT_NE(parse_error("ALT+?").find("'ALT+?'"), std::string::npos);
  EXPECT_NE(parse_error("SNAP:").find("'SNAP:'"), std::string::npos);
  for (const auto& e : {parse_error("A FOO"), parse_error("CART:99")}) EXPECT_EQ(e.find('\n'), std::string::npos);
}

TEST(Script, CaptionCommentsKeepTheirPlace) {
  auto t = parse_ok("# caption:  Type a label \nTEXT:HI # caption: Print it\n# a comment\n#caption:\nPRINT");
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(t[0].kind, ScriptToken::Caption);
  EXPECT_EQ(t[0].text, "Type a label");
  EXPECT_EQ(t[1].kind, ScriptToken::Text);
  EXPECT_EQ(t[2].text, "Print it");
  EXPECT_EQ(t[3].kind, ScriptToken::Caption);
  EXPECT_EQ(t[3].text, "");
  EXPECT_EQ(t[4].value, KEY_PRINT);
}
