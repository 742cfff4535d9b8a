// Bytes of the input (sources, names) as text of the page.
//
// A source is shown in one character set: UTF-8 when all of it is valid
// UTF-8, else GBK (the code page of Chinese Windows), where a byte that is
// not part of a GBK character shows as U+FFFD, exactly as
// platform::source_text_to_utf8() decodes a whole text. Here decoding goes
// one character at a time, so that every shown character knows its bytes.
// Names are decoded the same way.
//
// In the page, <, > and & are escaped, and control characters that HTML
// cannot carry or would read as a line break (NUL, CR, Ctrl-Z, ...) show as
// their Unicode control pictures (U+2400 + code, U+2421 for DEL) in a
// <span class="cc">.
#ifndef CODETWIN_REPORT_HTML_TEXT_H_
#define CODETWIN_REPORT_HTML_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace codetwin::report {

enum class Charset { kUtf8, kGbk };

/// kUtf8 when all of `bytes` is valid UTF-8 (no overlong forms, no
/// surrogates, nothing above U+10FFFF), else kGbk.
Charset charset_of(std::string_view bytes);

/// Decodes the character at `at` (< bytes.size()) of `bytes`, whose charset
/// is `charset`: appends it to `utf8` and returns how many bytes it takes
/// (at least 1). One after the other, the characters of a text make
/// decode(text).
std::size_t decode_char(std::string_view bytes, std::size_t at, Charset charset, std::string& utf8);

/// All of `bytes` decoded, in the charset charset_of() picks:
/// platform::source_text_to_utf8().
std::string decode(std::string_view bytes);

/// Whether `ch`, a byte of UTF-8 text, shows as its control picture: every
/// C0 control and DEL, but TAB and LF where lines are kept.
bool is_pictured(char ch, bool keep_lines);

/// Appends UTF-8 `text` as HTML text: escaped, control characters as
/// pictures. With `keep_lines`, TAB and LF stay as they are.
void append_text(std::string& html, std::string_view text, bool keep_lines);

/// A name or other bytes of the input, decoded, as HTML text on one line.
std::string html_text(std::string_view bytes);

}  // namespace codetwin::report

#endif  // CODETWIN_REPORT_HTML_TEXT_H_
