// scan(): the character-at-a-time splitter.
//
// The text is walked once with one byte of look-ahead; every word is a view of
// the bytes it was cut from, so the word list costs no copies.
#include <algorithm>

#include "lexer/ascii.h"
#include "lexer/lexer.h"

namespace codetwin::lexer {

namespace {

// The length of the word of letters and digits starting at `begin`: the run,
// cut at MAXSTRLEN bytes (the rest of a longer run starts the next word).
std::size_t run_length(std::string_view text, std::size_t begin) {
  std::size_t limit = std::min(text.size(), begin + MAXSTRLEN);
  std::size_t end = begin;
  while (end < limit && is_alnum(text[end])) ++end;
  return end - begin;
}

// The length of the operator or symbol word starting at `begin`: 2 when the
// look-ahead completes one of >= <= != ++ -- && || ==, else 1. At the end of
// the text there is no look-ahead and the word is the one byte.
std::size_t symbol_length(std::string_view text, std::size_t begin) {
  if (begin + 1 >= text.size()) return 1;
  char ch = text[begin];
  char next = text[begin + 1];
  switch (ch) {
    case '>':
    case '<':
    case '!':
      return next == '=' ? 2 : 1;
    case '+':
    case '-':
    case '&':
    case '|':
    case '=':
      return next == ch ? 2 : 1;
    default:
      return 1;
  }
}

// Calls f(word) for every word of `text`, in order.
template <typename F>
void for_each_word(std::string_view text, F&& f) {
  std::size_t i = 0;
  while (i < text.size()) {
    char ch = text[i];
    if (is_space(ch)) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    if (is_alnum(ch)) {
      length = run_length(text, i);
      f(text.substr(i, length));
    } else if (ch == '\0') {
      // A NUL byte is a word of its own that holds no character.
      length = 1;
      f(text.substr(i, 0));
    } else {
      length = symbol_length(text, i);
      f(text.substr(i, length));
    }
    i += length;
  }
}

}  // namespace

WordList scan(std::string_view text) {
  WordList link;
  for_each_word(text, [&link](std::string_view word) { link.push_back(word); });
  return link;
}

std::string text_token_string(std::string_view text) {
  std::string tokens;
  for_each_word(text, [&tokens](std::string_view word) { tokens += contribution(word); });
  return tokens;
}

}  // namespace codetwin::lexer
