// UTF-8 checks for names and texts that come from outside: file names are
// bytes, and an output in UTF-8 (CSV, JSON, HTML) must not carry bytes that
// are not.
#ifndef CODETWIN_COMMON_UTF8_H_
#define CODETWIN_COMMON_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace codetwin {

/// The length of the valid UTF-8 sequence at the start of `text` (1 to 4),
/// or 0 when it does not start with one (overlong forms, surrogates and
/// code points above U+10FFFF are not valid).
std::size_t utf8_sequence_length(std::string_view text);

bool is_valid_utf8(std::string_view text);

/// `text` with every byte that is not part of a valid sequence replaced by
/// one U+FFFD.
std::string valid_utf8(std::string_view text);

/// How many columns a terminal gives UTF-8 text: 2 for East Asian wide and
/// full-width characters, 1 for the others.
std::size_t display_width(std::string_view utf8);

}  // namespace codetwin

#endif  // CODETWIN_COMMON_UTF8_H_
