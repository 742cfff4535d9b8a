// UTF-8 validation, replacement and display width.
#include "common/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace codetwin {
namespace {

const std::string kFffd = "\xEF\xBF\xBD";

TEST(Utf8Test, ValidAndInvalidSequences) {
  struct Row {
    const char* name;
    std::string text;
    bool valid;
    std::string replaced;
  };
  const Row rows[] = {
      {"empty", "", true, ""},
      {"ASCII with NUL", std::string("a\0b", 3), true, std::string("a\0b", 3)},
      {"Chinese", "\xE4\xB8\xAD\xE6\x96\x87", true, "\xE4\xB8\xAD\xE6\x96\x87"},
      {"four bytes", "\xF0\x9F\x98\x80", true, "\xF0\x9F\x98\x80"},
      {"GBK bytes", "\xD6\xD0\xCE\xC4", false, kFffd + kFffd + kFffd + kFffd},
      {"lone continuation", "a\x80z", false, "a" + kFffd + "z"},
      {"truncated at the end", "a\xE4\xB8", false, "a" + kFffd + kFffd},
      {"overlong slash", "\xC0\xAF", false, kFffd + kFffd},
      {"overlong three bytes", "\xE0\x80\xAF", false, kFffd + kFffd + kFffd},
      {"surrogate", "\xED\xA0\x80", false, kFffd + kFffd + kFffd},
      {"above U+10FFFF", "\xF4\x90\x80\x80", false, kFffd + kFffd + kFffd + kFffd},
      {"largest code point", "\xF4\x8F\xBF\xBF", true, "\xF4\x8F\xBF\xBF"},
      {"FF byte", "\xFF", false, kFffd},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(is_valid_utf8(row.text), row.valid) << row.name;
    EXPECT_EQ(valid_utf8(row.text), row.replaced) << row.name;
  }
}

TEST(Utf8Test, DisplayWidth) {
  struct Row {
    const char* text;
    std::size_t width;
  };
  const Row rows[] = {
      {"", 0},
      {"abc.c", 5},
      {"\xE5\xBC\xA0\xE4\xB8\x89.c", 6},                  // 张三.c
      {"\xEF\xBC\x88\xE4\xBA\x8C\xEF\xBC\x89", 6},        // （二）full-width brackets
      {"\xC3\xA9", 1},                                     // é
      {"\xFF", 1},                                         // an invalid byte shows as one
  };
  for (const Row& row : rows) EXPECT_EQ(display_width(row.text), row.width) << row.text;
}

}  // namespace
}  // namespace codetwin
