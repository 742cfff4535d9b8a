// strip_comments() and the offsets it maps back, and token_origins().
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lexer/lexer.h"

namespace codetwin::lexer {
namespace {

struct StripCase {
  const char* name;
  std::string text;
  std::string stripped;
};

TEST(StripCommentsTest, ReplacesEachCommentByOneSpace) {
  const StripCase cases[] = {
      {"no comment", "int a;\n", "int a;\n"},
      {"block comment", "a/* x */b", "a b"},
      {"block comment over lines", "a/* x\ny\n*/b\n", "a b\n"},
      {"two block comments", "/**/a/***/", " a "},
      {"unterminated block runs to the end", "a /* x\ny", "a  "},
      {"block comment does not nest", "/* /* */ x */", "  x */"},
      {"line comment keeps its line end", "a // x\nb", "a  \nb"},
      {"line comment at the end", "a // x", "a  "},
      {"line comment continued by backslash-newline", "a // x \\\ny\nb", "a  \nb"},
      {"backslash not at the line end does not continue", "// x \\ y\nb", " \nb"},
      {"line comment mark inside a block comment", "/* // */a", " a"},
      {"block mark inside a line comment", "// /* \na", " \na"},
      {"marks inside a string", "s = \"/* no */ // no\";", "s = \"/* no */ // no\";"},
      {"escaped quote inside a string", "\"a\\\"/*\"/**/x", "\"a\\\"/*\" x"},
      {"marks inside a character literal", "c = '/'; d = '\\''; /**/", "c = '/'; d = '\\'';  "},
      {"quote inside a character literal", "'\"' /* c */ \"'\"", "'\"'   \"'\""},
      {"unterminated string ends at its line", "\"abc\n/* c */", "\"abc\n "},
      {"division is not a comment", "a / b /= c", "a / b /= c"},
      {"slash at the very end", "a /", "a /"},
      {"quote mark in a comment", "/* it's */ x", "  x"},
      {"Chinese in a comment", "/* \xD6\xD0\xCE\xC4 */x", " x"},
  };
  for (const StripCase& row : cases) {
    EXPECT_EQ(strip_comments(row.text).text, row.stripped) << row.name;
  }
}

TEST(StripCommentsTest, MapsEveryOffsetBack) {
  const std::string text = "ab/*c*/d//e\nf";
  const StrippedText stripped = strip_comments(text);
  ASSERT_EQ(stripped.text, "ab d \nf");
  ASSERT_EQ(stripped.cuts.size(), 2u);
  EXPECT_EQ(stripped.cuts[0].begin, 2u);
  EXPECT_EQ(stripped.cuts[0].end, 7u);
  EXPECT_EQ(stripped.cuts[1].begin, 8u);
  EXPECT_EQ(stripped.cuts[1].end, 11u);
  // Offsets of a, b, the first cut, d, the second cut, \n, f, and the end.
  const std::size_t expected[] = {0, 1, 2, 7, 8, 11, 12, 13};
  for (std::size_t p = 0; p <= stripped.text.size(); ++p) {
    EXPECT_EQ(original_offset(stripped, p), expected[p]) << "offset " << p;
    if (p < stripped.text.size() && stripped.text[p] != ' ') {
      EXPECT_EQ(text[original_offset(stripped, p)], stripped.text[p]) << "offset " << p;
    }
  }
}

TEST(TokenOriginsTest, NamesTheWordOfEveryCharacter) {
  struct Case {
    const char* name;
    std::string text;
    std::string tokens;
    std::vector<std::uint32_t> origins;
  };
  const Case cases[] = {
      {"empty", "", "", {}},
      {"identifier and type give two characters each", "int x;", "zhid;", {0, 0, 1, 1, 2}},
      {"keyword and number as written", "return 10;", "return10;", {0, 0, 0, 0, 0, 0, 1, 1, 2}},
      {"H words give nothing", "a\xD6\xD0%b", "idid", {0, 0, 4, 4}},
      {"NUL word gives nothing", std::string("a\0b", 3), "idid", {0, 0, 2, 2}},
      {"two-byte operator", "a<=b", "id<=id", {0, 0, 1, 1, 2, 2}},
  };
  for (const Case& row : cases) {
    const WordList link = scan(row.text);
    EXPECT_EQ(token_string(link), row.tokens) << row.name;
    EXPECT_EQ(text_token_string(row.text), row.tokens) << row.name;
    EXPECT_EQ(token_origins(link), row.origins) << row.name;
  }
}

}  // namespace
}  // namespace codetwin::lexer
