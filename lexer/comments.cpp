// strip_comments(): C comments out, literals respected.
//
// One walk with a small state machine. It knows only what decides where a
// comment starts and ends: the two comment forms, string and character
// literals (with their backslash escapes), and the backslash-newline that
// carries a // comment onto the next line. Everything else is copied.
#include <algorithm>

#include "lexer/lexer.h"

namespace codetwin::lexer {

namespace {

// The end of the literal opened by the quote at `begin`: just past its
// closing quote, or at the line end (kept out) of an unterminated one, or at
// the end of the text. A backslash escapes the next byte, a line end too.
std::size_t literal_end(std::string_view text, std::size_t begin) {
  const char quote = text[begin];
  std::size_t i = begin + 1;
  while (i < text.size()) {
    const char ch = text[i];
    if (ch == '\\') {
      i += 2;
    } else if (ch == quote) {
      return i + 1;
    } else if (ch == '\n') {
      return i;
    } else {
      ++i;
    }
  }
  return text.size();
}

// The end of the // comment at `begin`: its line end (kept out), unless a
// backslash stands right before it, which continues the comment.
std::size_t line_comment_end(std::string_view text, std::size_t begin) {
  std::size_t i = begin + 2;
  for (;;) {
    const std::size_t newline = text.find('\n', i);
    if (newline == std::string_view::npos) return text.size();
    if (text[newline - 1] != '\\') return newline;
    i = newline + 1;
  }
}

// The end of the /* */ comment at `begin`: past its */, or the end of the text.
std::size_t block_comment_end(std::string_view text, std::size_t begin) {
  const std::size_t close = text.find("*/", begin + 2);
  return close == std::string_view::npos ? text.size() : close + 2;
}

}  // namespace

StrippedText strip_comments(std::string_view text) {
  StrippedText stripped;
  stripped.text.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const char ch = text[i];
    if (ch == '"' || ch == '\'') {
      const std::size_t end = literal_end(text, i);
      stripped.text.append(text.substr(i, end - i));
      i = end;
    } else if (ch == '/' && i + 1 < text.size() && (text[i + 1] == '/' || text[i + 1] == '*')) {
      const std::size_t end =
          text[i + 1] == '/' ? line_comment_end(text, i) : block_comment_end(text, i);
      stripped.cuts.push_back({stripped.text.size(), i, end});
      stripped.text.push_back(' ');
      i = end;
    } else {
      stripped.text.push_back(ch);
      ++i;
    }
  }
  return stripped;
}

std::size_t original_offset(const StrippedText& stripped, std::size_t p) {
  // The last cut at or before p; every cut before it shifted the text by
  // (its length - 1).
  const auto after = std::upper_bound(
      stripped.cuts.begin(), stripped.cuts.end(), p,
      [](std::size_t value, const StrippedText::Cut& cut) { return value < cut.at; });
  if (after == stripped.cuts.begin()) return p;
  const StrippedText::Cut& cut = *(after - 1);
  if (cut.at == p) return cut.begin;
  return cut.end + (p - cut.at - 1);
}

}  // namespace codetwin::lexer
