// What a tool's console shows, as pure text: names that cannot drive a
// terminal, and texts in the console's charset. Built for Windows too.
#include "platform/tool_console.h"

#include <string>

#include <gtest/gtest.h>

namespace codetwin::platform {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

struct EscapeRow {
  const char* name;
  std::string file_name;
  std::string as_bytes;  // escape_name(..., false)
  std::string as_utf8;   // escape_name(..., true)
};

TEST(EscapeNameTest, ControlsBecomeEscapesAndTheRestIsKept) {
  const std::string r = kReplacement;
  // clang-format off
  const EscapeRow rows[] = {
      {"plain", "a b,c\"d'.c", "a b,c\"d'.c", "a b,c\"d'.c"},
      {"backslash kept", "dir\\x.c", "dir\\x.c", "dir\\x.c"},
      {"line ends and tab", "a\nb\r\tc", "a\\nb\\r\\tc", "a\\nb\\r\\tc"},
      {"terminal escape", "\x1b[2Jx.c", "\\x1b[2Jx.c", "\\x1b[2Jx.c"},
      {"NUL, BEL, DEL", std::string("\0\a\x7F", 3), "\\x00\\x07\\x7f", "\\x00\\x07\\x7f"},
      {"Chinese in UTF-8", "作业.c", "作业.c", "作业.c"},
      {"GBK bytes kept as bytes", "\xC4\xE3.c", "\xC4\xE3.c", r + r + ".c"},
      {"C1 control", "a\xC2\x9B" "b", "a\xC2\x9B" "b", "a\\u009bb"},
      {"bidirectional override", "x\xE2\x80\xAE" "c.exe", "x\xE2\x80\xAE" "c.exe",
       "x\\u202ec.exe"},
      {"isolate", "\xE2\x81\xA6", "\xE2\x81\xA6", "\\u2066"},
      {"truncated sequence", "a\xE4\xBD", "a\xE4\xBD", "a" + r},
      {"GBK trail byte that is a backslash", "\x81\\", "\x81\\", r + "\\"},
  };
  // clang-format on
  for (const EscapeRow& row : rows) {
    EXPECT_EQ(escape_name(row.file_name, false), row.as_bytes) << row.name;
    EXPECT_EQ(escape_name(row.file_name, true), row.as_utf8) << row.name;
  }
}

struct CharsetRow {
  const char* name;
  std::string utf8;
  std::string gbk;
  std::string shown_utf8;
};

TEST(TextForCharsetTest, ConvertsForGbkAndRepairsForUtf8) {
  const std::string r = kReplacement;
  // clang-format off
  const CharsetRow rows[] = {
      {"ASCII", "3 pairs\n", "3 pairs\n", "3 pairs\n"},
      {"Chinese", "对数：3\n", "\xB6\xD4\xCA\xFD\xA3\xBA" "3\n", "对数：3\n"},
      {"a character GBK lacks", "\xF0\x9F\x98\x80!", "?!", "\xF0\x9F\x98\x80!"},
      {"invalid UTF-8", "a\xFF" "b", "a?b", "a" + r + "b"},
  };
  // clang-format on
  for (const CharsetRow& row : rows) {
    EXPECT_EQ(text_for_charset(row.utf8, Charset::kGbk), row.gbk) << row.name;
    EXPECT_EQ(text_for_charset(row.utf8, Charset::kUtf8), row.shown_utf8) << row.name;
  }
}

}  // namespace
}  // namespace codetwin::platform
