// Text conversion: every program text reaches a UTF-8 terminal as its
// readable twin and a GBK console as its GBK bytes, bytes that are not GBK
// (or not UTF-8) never cost the text around them, and a source is shown as
// UTF-8 when it is UTF-8 and as GBK otherwise. Built for Windows too, where
// the same rows check the code page 936 tables.
#include "platform/encoding.h"

#include <string>

#include <gtest/gtest.h>

#include "common/texts.h"

namespace codetwin::platform {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

TEST(EncodingTest, EveryMessageConvertsBackToItsGbkBytes) {
  for (const texts::Text& text : texts::kAllMessages) {
    EXPECT_EQ(utf8_to_gbk(text.utf8), text.gbk) << text.utf8;
  }
  for (const texts::Text& line : texts::kListLegend) {
    EXPECT_EQ(utf8_to_gbk(line.utf8), line.gbk) << line.utf8;
  }
}

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
      {"lead byte before DEL", "\x81\x7F", r + "\x7F"},
      {"lead byte before 0xFF", "\x81\xFF", r + r},
      {"the euro sign, GBK's one single high byte", "\x80", "\u20AC"},
      {"first and last assigned codes", "\x81\x40\xFE\x4F", "\u4E02\uFA29"},
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

struct ToGbkRow {
  const char* name;
  std::string utf8;
  std::string gbk;
};

TEST(EncodingTest, ToGbkMarksWhatGbkLacksAndInvalidUtf8WithAQuestionMark) {
  // clang-format off
  const ToGbkRow rows[] = {
      {"empty text", "", ""},
      {"ASCII unchanged, NUL too", std::string("a\0\n\x7F", 4), std::string("a\0\n\x7F", 4)},
      {"Chinese", "你好，世界", "\xC4\xE3\xBA\xC3\xA3\xAC\xCA\xC0\xBD\xE7"},
      {"euro sign", "\u20AC", "\x80"},
      {"Hangul is not in GBK", "a\uD55Cb", "a?b"},
      {"an emoji is one character", "a\U0001F600b", "a?b"},
      {"U+FFFD is not in GBK", "\uFFFD", "?"},
      {"stray continuation byte", "a\x80" "b", "a?b"},
      {"two stray bytes, two marks", "\xFF\xFE", "??"},
      {"truncated sequence, one mark", "\xE4\xBD" "a", "?a"},
      {"truncated at the end", "\xE4\xBD\xA0\xE4\xBD", "\xC4\xE3?"},
      {"GBK bytes are not UTF-8", "\xC4\xE3", "??"},
      {"overlong slash", "\xC0\xAF", "??"},
      {"surrogate in UTF-8", "\xED\xA0\x80", "???"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", "????"},
  };
  // clang-format on
  for (const ToGbkRow& row : rows) EXPECT_EQ(utf8_to_gbk(row.utf8), row.gbk) << row.name;
}

TEST(EncodingTest, EveryTwoByteGbkCodeGoesThereAndBack) {
  // Whatever the system's table holds, a character read from GBK is written
  // back as the same code (both directions come from one table).
  int characters = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      const std::string code = {static_cast<char>(lead), static_cast<char>(trail)};
      const std::string utf8 = gbk_to_utf8(code);
      if (utf8.find(kReplacement) != std::string::npos) continue;
      ++characters;
      EXPECT_EQ(utf8_to_gbk(utf8), code) << std::hex << lead << ' ' << trail;
    }
  }
  // GBK assigns 21,886 codes; each system's table has about that many.
  EXPECT_GT(characters, 21000);
}

struct SourceRow {
  const char* name;
  std::string bytes;
  std::string shown;
};

TEST(EncodingTest, SourcesShowAsUtf8WhenTheyAreAndAsGbkOtherwise) {
  const std::string r(kReplacement);
  // clang-format off
  const SourceRow rows[] = {
      {"ASCII", "int a;\r\n", "int a;\r\n"},
      {"UTF-8 comment", "// 你好\n", "// 你好\n"},
      {"GBK comment", "// \xC4\xE3\xBA\xC3\n", "// 你好\n"},
      {"GBK that happens to be valid UTF-8 stays UTF-8", "\xC4\xA3", "\u0123"},
      {"neither: GBK with a stray byte", "\xC4\xE3\xFF;", "你" + r + ";"},
      {"UTF-8 with one bad byte is read as GBK", "\xE4\xBD\xA0\xFF", "\u6D63" + r + r},
  };
  // clang-format on
  for (const SourceRow& row : rows) {
    EXPECT_EQ(source_text_to_utf8(row.bytes), row.shown) << row.name;
  }
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
