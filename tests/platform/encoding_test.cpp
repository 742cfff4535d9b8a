// Console text conversion: every program text reaches a UTF-8 terminal as its
// readable twin, and bytes that are not GBK never cost the text around them.
#include "platform/encoding.h"

#include <string>

#include <gtest/gtest.h>

#include "common/texts.h"

namespace codetwin::platform {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

TEST(EncodingTest, EveryMessageConvertsToItsUtf8Twin) {
  for (const texts::Text& text : texts::kAllMessages) {
    EXPECT_EQ(gbk_to_utf8(text.gbk), text.utf8) << text.utf8;
  }
}

TEST(EncodingTest, EveryLegendLineConvertsToItsUtf8Twin) {
  for (const texts::Text& line : texts::kListLegend) {
    EXPECT_EQ(gbk_to_utf8(line.gbk), line.utf8) << line.utf8;
  }
}

struct ConversionRow {
  const char* name;
  std::string gbk;
  std::string utf8;
};

TEST(EncodingTest, InvalidBytesBecomeOneReplacementEachAndTheTextGoesOn) {
  const std::string r(kReplacement);
  // clang-format off
  const ConversionRow rows[] = {
      {"empty text", "", ""},
      {"ASCII unchanged", "id=id+1;\n", "id=id+1;\n"},
      {"NUL bytes kept", std::string("a\0b", 3), std::string("a\0b", 3)},
      {"0xFF is never GBK", "a\xFF" "b", "a" + r + "b"},
      {"between two characters", "\xC4\xE3\xFF\xBA\xC3", "你" + r + "好"},
      {"lead byte at the end", "ab\xC4", "ab" + r},
      {"lead byte before a line end", "\xC4\n", r + "\n"},
      {"character, then a stray lead byte", "\xC4\xE3\xC4\n", "你" + r + "\n"},
      // An unassigned pair goes whole: its second byte read as a lead would
      // swallow the letter after it.
      {"unassigned pair", "\xD7\xFA" "ab", r + "ab"},
      {"user-defined pair", "\xFE\xFE" "x", r + "x"},
      // ...but an ASCII second byte is printed as itself.
      {"unassigned pair with an ASCII second byte", "\xA1@x", r + "@x"},
      {"four-byte GB18030 form is not GBK", "\x81\x30\x81\x30", r + "0" + r + "0"},
  };
  // clang-format on
  for (const ConversionRow& row : rows) EXPECT_EQ(gbk_to_utf8(row.gbk), row.utf8) << row.name;
}

TEST(EncodingTest, LongTextsConvertWhole) {
  // Far beyond one output chunk, so characters straddle the chunk ends.
  std::string gbk, utf8;
  for (int i = 0; i < 10000; ++i) {
    gbk += "\xC4\xE3";
    gbk += 'a';
    utf8 += "你a";
    if (i % 1000 == 999) {
      gbk += "\xFF";
      utf8 += kReplacement;
    }
  }
  EXPECT_EQ(gbk_to_utf8(gbk), utf8);
}

struct CodesetRow {
  const char* name;
  bool utf8;
};

TEST(EncodingTest, RecognisesUtf8CodesetsAndLocaleNames) {
  // clang-format off
  const CodesetRow rows[] = {
      {"UTF-8", true},           {"utf8", true},        {"C.UTF-8", true},
      {"C.utf8", true},          {"en_US.UTF-8", true}, {"de_DE.utf8@euro", true},
      {"ANSI_X3.4-1968", false},  // glibc's name for ASCII holds a dot
      {"zh_CN.GBK", false},      {"GB18030", false},    {"C", false},
      {"POSIX", false},          {"", false},           {"UTF-16", false},
  };
  // clang-format on
  for (const CodesetRow& row : rows) EXPECT_EQ(is_utf8_codeset(row.name), row.utf8) << row.name;
}

}  // namespace
}  // namespace codetwin::platform
