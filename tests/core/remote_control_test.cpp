// Remote key scripts on a running device: lines in pieces, the device's pace,
// the state answer, and bad lines answered with ERR and nothing changed.
#include "host/session/remote_control.h"

#include <gtest/gtest.h>

#include "firmware/editor/label.h"
#include "host/seam/keys.h"
#include "print_test_util.h"

namespace {
class RemoteControlTest : public print_test::DeviceTest {
 protected:
  std::vector<std::string> replies;
  RemoteControl remote{[this](const std::string& line) { replies.push_back(line); }};

  void SetUp() override {
    DeviceTest::SetUp();
    lbl_record()->label_type = 1;  // a banner: the typed lines always fit
    lbl_record()->font_size = 1;
  }

  // Ticks the device as the window's timer does until the queue is done and
  // the last key has been taken.
  void run_queue() {
    for (int n = 0; n < 20000 && remote.queued() > 0; ++n) {
      device->tick();
      remote.after_tick();
    }
    ASSERT_EQ(remote.queued(), 0u);
    settle();
  }

  std::string line0() {
    const LabelLine& l = lbl_record()->lines[0];
    return std::string(l.cells, l.cells + l.length);
  }
};
}  // namespace

TEST_F(RemoteControlTest, LinesInPiecesAreTypedAtTheDevicesPaceAndStateAnswersAfterThem) {
  // Sent at full speed, one byte at a time, CR LF and LF line ends mixed;
  // the answers leave in the order of their lines.
  const std::string sent = "TEXT:HELLO_WORLD_0123456789\r\nSTATE?\nBOGUS\n";
  for (char c : sent) remote.receive(std::string_view(&c, 1));
  run_queue();
  EXPECT_EQ(line0(), "HELLO WORLD 0123456789");  // no key lost
  // The keys' line is acknowledged once they are done, before the state.
  ASSERT_EQ(replies.size(), 3u);
  EXPECT_EQ(replies[0], "OK");
  EXPECT_EQ(replies[2], "ERR unknown token 'BOGUS'");
  EXPECT_EQ(replies[1].find('\n'), std::string::npos);
  EXPECT_NE(replies[1].find("\"lines\":[\"HELLO WORLD 0123456789\"]"), std::string::npos) << replies[1];
}

TEST_F(RemoteControlTest, BadLinesAnswerErrAndChangeNothing) {
  remote.receive("TEXT:AB\n");
  run_queue();
  const struct {
    std::string line;
    std::string reply;
  } cases[] = {
      {"C FOO D\n", "ERR unknown token 'FOO'"},
      {"CART:12\n", "ERR bad token 'CART:12': CART: takes a material id 0..11"},
      {"E SNAP:/tmp/x.png\n", "ERR SNAP:/tmp/x.png: SNAP writes a file; lines over the link and scripts played in the window write none"},
      {"state?\n", "ERR unknown token 'state?'"},
      {"A\x01\xff\\\n", "ERR unknown token 'A\\x01\\xFF\\x5C'"},  // raw bytes come back escaped
      {std::string(RemoteControl::kMaxLine + 10, 'A') + "\n", "ERR line longer than 4096 characters"},
  };
  for (const auto& c : cases) {
    replies.clear();
    remote.receive(c.line);
    EXPECT_EQ(remote.queued(), 0u) << c.line.substr(0, 20);
    ASSERT_EQ(replies.size(), 1u) << c.line.substr(0, 20);
    EXPECT_EQ(replies[0], c.reply);
  }
  run_queue();
  EXPECT_EQ(line0(), "AB");
  // Blank lines, comments and answers coming back (an echoing line) say
  // nothing and do nothing.
  replies.clear();
  remote.receive("\n   \r\n# a note\nERR unknown token 'X'\n{\"mode\":1}\nOK\n");
  EXPECT_TRUE(replies.empty());
  EXPECT_EQ(remote.queued(), 0u);
}

TEST_F(RemoteControlTest, AQueueBeyondItsBoundIsRefusedWhole) {
  std::string letters(RemoteControl::kMaxLine - 10, 'A');
  for (size_t sent = 0; sent + letters.size() <= RemoteControl::kMaxQueued; sent += letters.size())
    remote.receive("TEXT:" + letters.substr(5) + "\n");
  const size_t before = remote.queued();
  remote.receive("TEXT:" + letters.substr(5) + "\n");
  EXPECT_EQ(remote.queued(), before);
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].rfind("ERR busy: ", 0), 0u);
  remote.clear();
  EXPECT_EQ(remote.queued(), 0u);
}

// A whole script file (the window's Play Key Script): lines and comments
// queued as one, its input handed to the window's own input, SNAP refused
// with nothing queued.
TEST_F(RemoteControlTest, AScriptFileIsQueuedWholeAndItsInputGoesThroughTheWindow) {
  std::vector<std::string> given;
  RemoteControl player{[this](const std::string& line) { replies.push_back(line); }, {},
                       [&](const ScriptToken& t) {
                         given.push_back(t.source);
                         device->press_key(uint8_t(t.value));
                       }};
  std::string error;
  EXPECT_FALSE(player.queue_script("TEXT:AB SNAP:x.png", error));
  EXPECT_EQ(error, "SNAP:x.png: SNAP writes a file; lines over the link and scripts played in the window write none");
  EXPECT_EQ(player.queued(), 0u);
  ASSERT_TRUE(player.queue_script("# a demonstration\nTEXT:HI\n  7 # the digit\n", error)) << error;
  for (int n = 0; n < 2000 && !player.done(); ++n) {
    device->tick();
    player.after_tick();
  }
  EXPECT_TRUE(player.done());
  EXPECT_EQ(given, (std::vector<std::string>{"H", "I", "7"}));
  EXPECT_EQ(line0(), "HI7");
  EXPECT_TRUE(replies.empty());
}
