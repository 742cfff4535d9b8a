// Text in GBK and in UTF-8, and the bytes between them.
//
// codetwin's texts are GBK; codetwin-class keeps its texts in UTF-8 and
// shows sources that may be either. A POSIX terminal whose locale uses UTF-8
// gets GBK converted, a GBK console gets UTF-8 converted, and a source shown
// in a page is read as UTF-8 when it is valid UTF-8 and as GBK otherwise.
// Nothing here stops on a bad byte: an invalid sequence becomes one
// replacement character and the text goes on after it.
//
// GBK here is the system's own table (iconv's "GBK" on POSIX, code page 936
// on Windows, whose private-use codes count as unassigned), with one
// decoding rule for bytes that are not GBK on both.
#ifndef CODETWIN_PLATFORM_ENCODING_H_
#define CODETWIN_PLATFORM_ENCODING_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "common/utf8.h"

namespace codetwin::platform {

/// Whether `name`, a character set ("UTF-8") or a locale name ("C.utf8",
/// "en_US.UTF-8@euro"), stands for UTF-8. Case does not matter.
bool is_utf8_codeset(std::string_view name);

/// `gbk` in UTF-8. Bytes that are not GBK never stop the conversion: each
/// invalid sequence becomes one U+FFFD and the text goes on after it. An
/// invalid sequence is a lead byte (0x81-0xFE) and a byte 0x80-0xFE that
/// together are no character; or any other single byte that starts no
/// character (so an ASCII byte after a stray lead byte is itself).
std::string gbk_to_utf8(std::string_view gbk);

/// `utf8` in GBK. A character that GBK lacks becomes '?', and so does each
/// invalid UTF-8 sequence (as decode_utf8 delimits it).
std::string utf8_to_gbk(std::string_view utf8);

/// A source file's bytes as UTF-8 text: unchanged when they are valid UTF-8,
/// otherwise read as GBK (each byte that is neither becomes U+FFFD).
std::string source_text_to_utf8(std::string_view bytes);

namespace internal {
/// How many bytes at the start of `rest` one U+FFFD replaces where a GBK
/// decoder found no character: the two of a lead byte and a non-ASCII
/// second byte (so that byte is not misread as the lead of the next
/// character), one otherwise (so an ASCII byte is always itself).
std::size_t gbk_invalid_length(std::string_view rest);
}  // namespace internal

}  // namespace codetwin::platform

#endif  // CODETWIN_PLATFORM_ENCODING_H_
