// UTF-8 itself, for names and texts that come from outside: file names are
// bytes, and an output in UTF-8 (CSV, JSON, HTML, a UTF-8 console) must not
// carry bytes that are not UTF-8.
//
// An invalid sequence is the longest start of a well-formed one (at least
// one byte), so one U+FFFD stands for it, as Unicode and the WHATWG decoder
// count. Overlong forms, surrogates and code points above U+10FFFF are
// invalid.
#ifndef CODETWIN_COMMON_UTF8_H_
#define CODETWIN_COMMON_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace codetwin {

/// U+FFFD REPLACEMENT CHARACTER in UTF-8.
inline constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

/// One character at the start of a UTF-8 text: its code point and its length
/// in bytes; `valid` false for an invalid sequence.
struct Utf8Char {
  char32_t code_point = 0;
  std::size_t length = 0;
  bool valid = false;
};
/// The first character of `text`, which must not be empty.
Utf8Char decode_utf8(std::string_view text);

/// Appends `code_point` (a Unicode scalar value) to `out` in UTF-8.
void append_utf8(char32_t code_point, std::string& out);

/// Whether `text` is well-formed UTF-8 throughout.
bool is_valid_utf8(std::string_view text);

/// `text` with each invalid sequence replaced by one U+FFFD: always valid
/// UTF-8, and `text` itself when it was.
std::string replace_invalid_utf8(std::string_view text);

/// How many columns a terminal gives UTF-8 text: 2 for East Asian wide and
/// full-width characters, 1 for the others (an invalid sequence too).
std::size_t display_width(std::string_view utf8);

}  // namespace codetwin

#endif  // CODETWIN_COMMON_UTF8_H_
