#include "common/text_mode.h"

#include <string>

#include <gtest/gtest.h>

namespace codetwin {
namespace {

using namespace std::string_literals;

struct DecodeCase {
  const char* name;
  std::string raw;
  std::string text;
};

TEST(TextModeTest, DecodeWhole) {
  const DecodeCase cases[] = {
      {"empty", "", ""},
      {"crlf becomes lf", "a\r\nb\r\n", "a\nb\n"},
      {"lone cr stays", "a\rb", "a\rb"},
      {"cr at end stays", "a\r", "a\r"},
      {"cr cr lf", "\r\r\n", "\r\n"},
      {"ctrl-z ends", "ab\x1A" "cd", "ab"},
      {"cr before ctrl-z stays", "a\r\x1A\n", "a\r"},
      {"nul kept", "a\0b"s, "a\0b"s},
      {"high bytes kept", "\xD6\xD0", "\xD6\xD0"},
  };
  for (const DecodeCase& c : cases) EXPECT_EQ(decode_text_mode(c.raw), c.text) << c.name;
}

TEST(TextModeTest, CrLfSplitAcrossChunks) {
  std::string text;
  bool pending_cr = false;
  EXPECT_TRUE(decode_text_mode("a\r", pending_cr, text));
  EXPECT_TRUE(decode_text_mode("\nb\r", pending_cr, text));
  EXPECT_TRUE(decode_text_mode("c", pending_cr, text));
  finish_text_mode(pending_cr, text);
  EXPECT_EQ(text, "a\nb\rc");
}

TEST(TextModeTest, CtrlZStopsLaterChunks) {
  std::string text;
  bool pending_cr = false;
  EXPECT_FALSE(decode_text_mode("x\x1Ay", pending_cr, text));
  EXPECT_EQ(text, "x");
}

TEST(TextModeTest, EncodeLineEnds) {
  EXPECT_EQ(encode_line_ends("a\nb\n", LineEnds::kCrLf), "a\r\nb\r\n");
  EXPECT_EQ(encode_line_ends("a\nb\n", LineEnds::kAsIs), "a\nb\n");
  EXPECT_EQ(encode_line_ends("", LineEnds::kCrLf), "");
}

}  // namespace
}  // namespace codetwin
