// How scan() splits a source into words.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text_mode.h"
#include "lexer/lexer.h"

namespace codetwin::lexer {
namespace {

using Words = std::vector<std::string>;

Words words_of(const WordList& link) { return Words(link.begin(), link.end()); }

// Every word must be a piece of the scanned text, in order and without overlap.
void expect_views_into(std::string_view text, const WordList& link, const char* name) {
  std::size_t next = 0;
  for (std::string_view word : link) {
    std::size_t at = static_cast<std::size_t>(word.data() - text.data());
    ASSERT_LE(next, at) << name;
    ASSERT_LE(at + word.size(), text.size()) << name;
    next = at + word.size();
  }
}

struct ScanCase {
  const char* name;
  std::string text;
  Words expected;
};

TEST(ScanTest, SplitsIntoWords) {
  const ScanCase cases[] = {
      {"empty source", "", {}},
      {"whitespace only", " \t\n \n", {}},
      {"ends after a word", "return 0", {"return", "0"}},
      {"ends after an operator", "a>", {"a", ">"}},
      {"ends after a doubling operator", "a+", {"a", "+"}},
      {"ends after !", "!", {"!"}},
      {"comparisons", "a>=b<=c!=d", {"a", ">=", "b", "<=", "c", "!=", "d"}},
      {"! without =", "!x", {"!", "x"}},
      {"> before a space and =", "> =", {">", "="}},
      {"doubled operators", "++--&&||==", {"++", "--", "&&", "||", "=="}},
      {"plus-assign", "a+=b", {"a", "+", "=", "b"}},
      {"arrow", "x->y", {"x", "-", ">", "y"}},
      {"shift", "a<<2", {"a", "<", "<", "2"}},
      {"triple =", "a===b", {"a", "==", "=", "b"}},
      {"triple +", "i+++j", {"i", "++", "+", "j"}},
      {"=> is two words", "=>", {"=", ">"}},
      {"underscore splits a name", "my_var", {"my", "_", "var"}},
      {"line comment", "// note", {"/", "/", "note"}},
      {"string literal", "\"ab cd\"", {"\"", "ab", "cd", "\""}},
      {"number then letters", "12abc 0x1F", {"12abc", "0x1F"}},
      {"decimal point", "3.14", {"3", ".", "14"}},
      {"include line", "#include <stdio.h>", {"#", "include", "<", "stdio", ".", "h", ">"}},
      {"CR, FF and VT are words", "a\rb\fc\vd", {"a", "\r", "b", "\f", "c", "\v", "d"}},
      {"NUL is an empty word", std::string("x\0y", 3), {"x", "", "y"}},
      {"NUL between spaces", std::string(" \0 ", 3), {""}},
      {"GBK character, both bytes high", "\xD6\xD0", {"\xD6", "\xD0"}},
      {"GBK second byte | joins a following |", "\xB5\x7C\x7C", {"\xB5", "||"}},
      {"GBK second byte | alone",
       "\xB5\x7C"
       "a",
       {"\xB5", "|", "a"}},
      {"GBK second byte letter runs on",
       "\xB5"
       "Abc1 d",
       {"\xB5", "Abc1", "d"}},
      {"GBK second byte digit runs on",
       "\x81"
       "7x",
       {"\x81", "7x"}},
      {"GBK second byte [", "\xB5[", {"\xB5", "["}},
      {"GBK second byte ]", "\xB5]", {"\xB5", "]"}},
      {"GBK second byte {", "\xB5{", {"\xB5", "{"}},
      {"GBK second byte }", "\xB5}", {"\xB5", "}"}},
      {"GBK second byte =", "\xB5==", {"\xB5", "=="}},
      {"high byte is never a letter",
       "a\xE9"
       "b",
       {"a", "\xE9", "b"}},
  };
  for (const ScanCase& row : cases) {
    WordList link = scan(row.text);
    EXPECT_EQ(words_of(link), row.expected) << row.name;
    expect_views_into(row.text, link, row.name);
  }
}

TEST(ScanTest, NulWordStandsAtItsByte) {
  std::string text("ab\0c", 4);
  WordList link = scan(text);
  ASSERT_EQ(link.size(), 3u);
  EXPECT_TRUE(link[1].empty());
  EXPECT_EQ(link[1].data(), text.data() + 2);
}

struct RunCase {
  const char* name;
  std::string text;
  std::vector<std::size_t> lengths;
};

TEST(ScanTest, LongRunsAreCutAtMaxLength) {
  const std::size_t max = MAXSTRLEN;
  const RunCase cases[] = {
      {"exactly the maximum", std::string(max, 'a'), {max}},
      {"five over", std::string(max + 5, 'a'), {max, 5}},
      {"digits, twice over and one", std::string(2 * max + 1, '7'), {max, max, 1}},
      {"cut run then operator", std::string(max + 2, 'z') + "++", {max, 2, 2}},
  };
  for (const RunCase& row : cases) {
    WordList link = scan(row.text);
    std::vector<std::size_t> lengths;
    for (std::string_view word : link) lengths.push_back(word.size());
    EXPECT_EQ(lengths, row.lengths) << row.name;
  }
}

TEST(ScanTest, CrLfAndLfLineEndsGiveTheSameWords) {
  std::string crlf = decode_text_mode("int a;\r\nreturn a;\r\n");
  std::string lf = "int a;\nreturn a;\n";
  EXPECT_EQ(words_of(scan(crlf)), words_of(scan(lf)));
}

TEST(ScanTest, KeepsEveryWordOfALongSource) {
  std::string text;
  for (int i = 0; i < 25000; ++i) text += "x;";
  WordList link = scan(text);
  ASSERT_EQ(link.size(), 50000u);
  EXPECT_EQ(link.front(), "x");
  EXPECT_EQ(link.back(), ";");
  EXPECT_EQ(link.back().data(), text.data() + text.size() - 1);
}

}  // namespace
}  // namespace codetwin::lexer
