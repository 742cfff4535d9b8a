// UTF-8 validation, replacement and display width.
#include "common/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace codetwin {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

struct Utf8Row {
  const char* name;
  std::string text;
  bool valid;
  std::string repaired;
};

TEST(Utf8Test, InvalidUtf8IsOneReplacementPerMaximalPart) {
  const std::string r(kReplacement);
  // clang-format off
  const Utf8Row rows[] = {
      {"empty text", "", true, ""},
      {"ASCII with NUL", std::string("a\0b", 3), true, std::string("a\0b", 3)},
      {"every length", "a\u00E9\u4F60\U0001F600", true, "a\u00E9\u4F60\U0001F600"},
      {"highest code point", "\xF4\x8F\xBF\xBF", true, "\xF4\x8F\xBF\xBF"},
      {"stray continuation bytes", "\x80\xBF", false, r + r},
      {"bytes never in UTF-8", "\xC0\xC1\xF5\xFF", false, r + r + r + r},
      {"overlong two-byte form", "\xC1\xBF", false, r + r},
      {"overlong three-byte form", "\xE0\x80\xAF", false, r + r + r},
      {"surrogate", "\xED\xB0\x80", false, r + r + r},
      {"above U+10FFFF", "\xF4\x90\x80\x80", false, r + r + r + r},
      {"truncated four-byte form", "\xF0\x9F\x98" "a", false, r + "a"},
      {"truncated at the end", "a\xE4\xBD", false, "a" + r},
      {"lead byte before a lead byte", "\xE4\xE4\xBD\xA0", false, r + "\u4F60"},
            // C4 starts no sequence with E3; E3 BA is the start of one; C3 ends the text.
      {"GBK text", "\xC4\xE3\xBA\xC3", false, r + r + r},
  };
  // clang-format on
  for (const Utf8Row& row : rows) {
    EXPECT_EQ(is_valid_utf8(row.text), row.valid) << row.name;
    EXPECT_EQ(replace_invalid_utf8(row.text), row.repaired) << row.name;
    EXPECT_TRUE(is_valid_utf8(replace_invalid_utf8(row.text))) << row.name;
  }
}

TEST(Utf8Test, EveryCodePointDecodesAsEncoded) {
  for (char32_t code_point = 0; code_point <= 0x10FFFF; ++code_point) {
    if (code_point >= 0xD800 && code_point <= 0xDFFF) continue;
    std::string utf8;
    append_utf8(code_point, utf8);
    const Utf8Char ch = decode_utf8(utf8);
    ASSERT_TRUE(ch.valid && ch.length == utf8.size() && ch.code_point == code_point)
        << std::hex << static_cast<unsigned>(code_point);
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
