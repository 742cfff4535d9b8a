// The class letter of single words, and which words stand for themselves.
#include <gtest/gtest.h>

#include <string>

#include "lexer/lexer.h"

namespace codetwin::lexer {
namespace {

struct ClassCase {
  const char* name;
  std::string word;
  char expected;
};

TEST(TypeTest, ClassOfEachWord) {
  const ClassCase cases[] = {
      {"int", "int", 'K'},
      {"long", "long", 'K'},
      {"short", "short", 'K'},
      {"capitalised Int", "Int", 'C'},
      {"upper-case INT", "INT", 'C'},
      {"double", "double", 'E'},
      {"float", "float", 'E'},
      {"main is a keyword", "main", 'Y'},
      {"printf is a keyword", "printf", 'Y'},
      {"while", "while", 'Y'},
      {"volatile, the last row", "volatile", 'Y'},
      {"auto, the first row", "auto", 'Y'},
      {"keyword prefix", "whil", 'C'},
      {"keyword with a suffix", "intx", 'C'},
      {"&&", "&&", 'A'},
      {"single &", "&", 'H'},
      {"single |", "|", 'H'},
      {"single !", "!", 'H'},
      {"!=", "!=", 'A'},
      {"||", "||", 'A'},
      {"<", "<", 'A'},
      {"==", "==", 'A'},
      {"+= is not listed", "+=", 'H'},
      {"-> is not listed", "->", 'H'},
      {"<< is not listed", "<<", 'H'},
      {"semicolon", ";", 'R'},
      {"colon", ":", 'H'},
      {"single quote", "'", 'R'},
      {"double quote", "\"", 'H'},
      {"hash", "#", 'R'},
      {"dot", ".", 'R'},
      {"comma", ",", 'R'},
      {"closing bracket", "]", 'R'},
      {"hex number", "0x1F", 'N'},
      {"digits then letters", "12abc", 'N'},
      {"zero", "0", 'N'},
      {"identifier with digit", "x1", 'C'},
      {"upper-case identifier", "Z", 'C'},
      {"underscore", "_", 'H'},
      {"percent", "%", 'H'},
      {"GBK lead byte", "\xD6", 'H'},
      {"byte 0xFF", "\xFF", 'H'},
      {"byte 0xC1 (Latin-1 A grave)", "\xC1", 'H'},
      {"carriage return", "\r", 'H'},
      {"empty word", "", 'H'},
  };
  for (const ClassCase& row : cases) EXPECT_EQ(type(row.word), row.expected) << row.name;
}

// A word written as is gives its own bytes to the token string; the others
// give a code or nothing, even a name spelled like a code.
TEST(WrittenAsIsTest, OnlyWordsThatStandForThemselves) {
  const struct {
    std::string word;
    bool as_is;
  } cases[] = {
      {"while", true}, {"printf", true}, {"==", true},      {";", true},
      {"1000", true},  {"int", false},   {"double", false}, {"count", false},
      {"id", false},   {"zh", false},    {"%", false},      {"", false},
  };
  for (const auto& row : cases) {
    EXPECT_EQ(written_as_is(row.word), row.as_is) << row.word;
    if (row.as_is) {
      EXPECT_EQ(contribution(row.word), row.word) << row.word;
    }
  }
}

}  // namespace
}  // namespace codetwin::lexer
