// GBK to UTF-8 with the C library's iconv.
#include <errno.h>
#include <iconv.h>

#include <array>
#include <cctype>

#include "platform/encoding.h"

namespace codetwin::platform {

namespace {

// U+FFFD REPLACEMENT CHARACTER, standing for bytes that are not GBK.
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool is_gbk_lead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool is_high_trail(unsigned char byte) { return byte >= 0x80 && byte <= 0xFE; }

// How many bytes at `bytes` one U+FFFD replaces, where iconv stopped on them.
// A lead byte followed by a non-ASCII trail byte is a two-byte code that GBK
// leaves unassigned: both go, so the trail byte is not misread as the lead of
// a next character. Any other byte goes alone, so an ASCII byte is always
// printed as itself, even right after a stray lead byte (a line end, a
// letter): the rule of the WHATWG GBK decoder.
std::size_t invalid_length(const char* bytes, std::size_t left) {
  if (left >= 2 && is_gbk_lead(static_cast<unsigned char>(bytes[0])) &&
      is_high_trail(static_cast<unsigned char>(bytes[1]))) {
    return 2;
  }
  return 1;
}

}  // namespace

bool is_utf8_codeset(std::string_view name) {
  // A locale name carries its character set after the last dot, before any
  // "@modifier"; a bare character set has neither.
  std::size_t at = name.find('@');
  if (at != std::string_view::npos) name = name.substr(0, at);
  std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(dot + 1);
  return equals_ignoring_case(name, "UTF-8") || equals_ignoring_case(name, "UTF8");
}

std::string gbk_to_utf8(std::string_view gbk) {
  // Opened once: every print of a run converts, the details one per string.
  static const iconv_t cd = iconv_open("UTF-8", "GBK");
  // Without a GBK converter the bytes are passed on unchanged: unreadable
  // Chinese, but no text lost.
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(gbk);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state

  std::string utf8;
  utf8.reserve(gbk.size() * 3 / 2);
  // iconv's interface takes char** but never writes through the input.
  char* in = const_cast<char*>(gbk.data());
  std::size_t in_left = gbk.size();
  std::array<char, 4096> chunk;
  while (in_left > 0) {
    char* out = chunk.data();
    std::size_t out_left = chunk.size();
    std::size_t done = iconv(cd, &in, &in_left, &out, &out_left);
    int error = errno;
    utf8.append(chunk.data(), static_cast<std::size_t>(out - chunk.data()));
    if (done != static_cast<std::size_t>(-1) || error == E2BIG) continue;
    // EILSEQ (not GBK) or EINVAL (a lead byte ends the text): replace and
    // go on, so one bad byte never costs the rest of the text.
    std::size_t skip = invalid_length(in, in_left);
    utf8 += kReplacement;
    in += skip;
    in_left -= skip;
  }
  return utf8;
}

}  // namespace codetwin::platform
