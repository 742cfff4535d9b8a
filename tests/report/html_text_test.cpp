// Sources and names as text of the page: charset, decoding one character at
// a time, escaping.
#include "report/html_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/encoding.h"

namespace codetwin::report {
namespace {

TEST(CharsetTest, ValidUtf8OrElseGbk) {
  struct Case {
    const char* name;
    std::string bytes;
    Charset charset;
  };
  const Case cases[] = {
      {"empty", "", Charset::kUtf8},
      {"ASCII", "int main() {}\n", Charset::kUtf8},
      {"Chinese in UTF-8", "/* \xE4\xBD\xA0\xE5\xA5\xBD */", Charset::kUtf8},
      {"Chinese in GBK", "/* \xC4\xE3\xBA\xC3 */", Charset::kGbk},
      {"overlong slash", "\xC0\xAF", Charset::kGbk},
      {"surrogate", "\xED\xA0\x80", Charset::kGbk},
      {"cut short at the end", "a\xE4\xBD", Charset::kGbk},
      {"NUL and controls are UTF-8", std::string("a\0\x1A\r", 4), Charset::kUtf8},
  };
  for (const Case& row : cases) EXPECT_EQ(charset_of(row.bytes), row.charset) << row.name;
}

// Character by character, a text decodes to what the platform makes of it
// whole.
std::string decode_by_characters(std::string_view bytes) {
  const Charset charset = charset_of(bytes);
  std::string utf8;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = decode_char(bytes, at, charset, utf8);
    EXPECT_GE(length, 1u);
    at += length;
  }
  return utf8;
}

TEST(DecodeCharTest, CharactersMakeTheWholeText) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string utf8;
  };
  const Case cases[] = {
      {"UTF-8 as it is", "x = \"\xE4\xBD\xA0\";", "x = \"\xE4\xBD\xA0\";"},
      {"GBK", "/* \xC4\xE3\xBA\xC3 */", "/* \xE4\xBD\xA0\xE5\xA5\xBD */"},
      {"GBK with an ASCII second byte", "\x81\x40", "\xE4\xB8\x82"},
      {"a lead byte at the end", "a\xC4", "a\xEF\xBF\xBD"},
      {"a lead byte before a byte that cannot follow it",
       "\xC4"
       "0",
       "\xEF\xBF\xBD"
       "0"},
      {"an unassigned GBK code is one U+FFFD", "\xA2\xA0x",
       "\xEF\xBF\xBD"
       "x"},
      {"0xFF is no character",
       "\xFF"
       "b",
       "\xEF\xBF\xBD"
       "b"},
      {"a line end after a lead byte stays", "\xC4\n", "\xEF\xBF\xBD\n"},
  };
  for (const Case& row : cases) {
    EXPECT_EQ(decode_by_characters(row.bytes), row.utf8) << row.name;
    EXPECT_EQ(decode(row.bytes), row.utf8) << row.name;
  }
}

TEST(DecodeCharTest, RandomBytesAsTheWholeText) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> length(0, 40);
  // Mostly high bytes, so that leads meet every kind of second byte.
  std::uniform_int_distribution<int> high(0x7E, 0xFF);
  std::uniform_int_distribution<int> any(0, 0xFF);
  for (int round = 0; round < 20000; ++round) {
    std::string bytes;
    for (int n = length(random); n > 0; --n) {
      bytes += static_cast<char>(round % 3 == 0 ? any(random) : high(random));
    }
    ASSERT_EQ(decode_by_characters(bytes), platform::source_text_to_utf8(bytes))
        << "round " << round;
  }
}

TEST(AppendTextTest, EscapesAndPicturesControls) {
  struct Case {
    const char* name;
    std::string text;
    bool keep_lines;
    std::string html;
  };
  const Case cases[] = {
      {"markup", "</script><img src=x onerror=alert(1)>", true,
       "&lt;/script&gt;&lt;img src=x onerror=alert(1)&gt;"},
      {"entity", "&amp; &#60;", true, "&amp;amp; &amp;#60;"},
      {"comment opener", "<!--", true, "&lt;!--"},
      {"quotes stay", "\"'", true, "\"'"},
      {"tab and LF kept in a source", "\ta\n", true, "\ta\n"},
      {"tab and LF pictured in a name", "\ta\n", false,
       "<span class=\"cc\">\xE2\x90\x89</span>a<span class=\"cc\">\xE2\x90\x8A</span>"},
      {"NUL", std::string("\0", 1), true, "<span class=\"cc\">\xE2\x90\x80</span>"},
      {"CR", "\r", true, "<span class=\"cc\">\xE2\x90\x8D</span>"},
      {"Ctrl-Z", "\x1A", true, "<span class=\"cc\">\xE2\x90\x9A</span>"},
      {"DEL", "\x7F", true, "<span class=\"cc\">\xE2\x90\xA1</span>"},
      {"Chinese", "\xE4\xBD\xA0", true, "\xE4\xBD\xA0"},
  };
  for (const Case& row : cases) {
    std::string html;
    append_text(html, row.text, row.keep_lines);
    EXPECT_EQ(html, row.html) << row.name;
  }
}

TEST(HtmlTextTest, NamesDecodedAndEscaped) {
  EXPECT_EQ(html_text("\"><svg onload=alert(1)>.c"), "\"&gt;&lt;svg onload=alert(1)&gt;.c");
  EXPECT_EQ(html_text("\xD5\xC5\xC8\xFD.c"), "\xE5\xBC\xA0\xE4\xB8\x89.c");  // GBK 张三
  EXPECT_EQ(html_text("a\nb"), "a<span class=\"cc\">\xE2\x90\x8A</span>b");
}

}  // namespace
}  // namespace codetwin::report
