// Text files as this program stores them, the same on every platform.
//
// Reading in text mode turns each CR LF pair into one LF, keeps a lone CR, and
// ends the text at the first Ctrl-Z byte. Writing in text mode stores each LF
// as CR LF. The C runtime's own text mode differs between platforms, so the
// program never relies on it: files are opened in binary and these functions
// apply the policy.
#ifndef CODETWIN_COMMON_TEXT_MODE_H_
#define CODETWIN_COMMON_TEXT_MODE_H_

#include <string>
#include <string_view>

namespace codetwin {

/// How line ends are stored in a file that the program writes.
enum class LineEnds {
  kAsIs,  // bytes written unchanged (the token file, which holds no line end)
  kCrLf,  // every LF stored as CR LF (the list file)
};

/// The Ctrl-Z byte that ends a text read in text mode.
inline constexpr char kEndOfText = 26;

/// Appends `raw`, a file's bytes, to `text` as text mode reads them. Returns
/// false once a Ctrl-Z has been met (the rest of the file is not text).
/// `pending_cr` carries a CR that ended the previous chunk, so that a file
/// can be decoded in chunks; call finish_text_mode at the end.
bool decode_text_mode(std::string_view raw, bool& pending_cr, std::string& text);
/// Flushes a CR left pending by the last chunk.
void finish_text_mode(bool& pending_cr, std::string& text);
/// The whole of `raw` as text mode reads it.
std::string decode_text_mode(std::string_view raw);

/// `text` as stored under `line_ends`.
std::string encode_line_ends(std::string_view text, LineEnds line_ends);

}  // namespace codetwin

#endif  // CODETWIN_COMMON_TEXT_MODE_H_
