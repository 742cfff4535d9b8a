// The word tables and type(): a word's class is decided by the first table
// that holds it, in the order a..e, and otherwise by its first byte alone.
#include <string_view>

#include "lexer/ascii.h"
#include "lexer/lexer.h"

namespace codetwin::lexer {

// Integer type keywords: class K.
constexpr std::string_view a[] = {"int", "long", "short"};
// Floating type keywords: class E.
constexpr std::string_view b[] = {"float", "double"};
// Operators: class A. The single & | ! are deliberately absent.
constexpr std::string_view c[] = {"&&", "||", "++", "--", "+",  "-", "*", "/",
                                  "=",  ">=", "<=", "==", "!=", ">", "<"};
// Punctuation: class R. ";" is listed twice; the lookup takes the first.
constexpr std::string_view d[] = {"[", "]", "{", "}", "(", ")", ",", ";", "'", "#", ";", "."};
// Other keywords, main and printf among them: class Y.
constexpr std::string_view e[] = {"auto",    "break",    "case",   "char",   "const",    "continue",
                                  "default", "do",       "else",   "enum",   "extern",   "for",
                                  "goto",    "if",       "main",   "printf", "register", "return",
                                  "signed",  "sizeof",   "static", "struct", "switch",   "typedef",
                                  "union",   "unsigned", "void",   "while",  "volatile"};

namespace {

template <std::size_t N>
bool holds(const std::string_view (&table)[N], std::string_view str) {
  // Rows are a few bytes long: testing size and first byte before the full
  // comparison keeps type() cheap, and it runs twice per word.
  for (std::string_view row : table) {
    if (row.size() == str.size() && row[0] == str[0] && row == str) return true;
  }
  return false;
}

}  // namespace

char type(std::string_view str) {
  if (holds(a, str)) return 'K';
  if (holds(b, str)) return 'E';
  if (holds(c, str)) return 'A';
  if (holds(d, str)) return 'R';
  if (holds(e, str)) return 'Y';
  if (str.empty()) return 'H';  // the word of a NUL byte
  if (is_digit(str[0])) return 'N';
  if (is_letter(str[0])) return 'C';
  return 'H';
}

std::string_view contribution(std::string_view word) {
  // Names and type keywords become fixed codes, so that renaming a variable
  // changes nothing; H words vanish.
  switch (type(word)) {
    case 'K':
      return "zh";
    case 'E':
      return "fu";
    case 'C':
      return "id";
    case 'H':
      return {};
    default:  // Y, A, R, N stay as written
      return word;
  }
}

bool written_as_is(std::string_view word) {
  switch (type(word)) {
    case 'K':
    case 'E':
    case 'C':
    case 'H':
      return false;
    default:
      return true;
  }
}

}  // namespace codetwin::lexer
