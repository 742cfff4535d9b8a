#include "common/utf8.h"

namespace codetwin {

namespace {

// The range of the second byte after `lead` in well-formed UTF-8 (Unicode's
// table 3-7): narrower than 80..BF where the lead alone would allow overlong
// forms, surrogates or code points above U+10FFFF.
struct ByteRange {
  unsigned char low;
  unsigned char high;
};
ByteRange second_byte_range(unsigned char lead) {
  switch (lead) {
    case 0xE0:
      return {0xA0, 0xBF};
    case 0xED:
      return {0x80, 0x9F};
    case 0xF0:
      return {0x90, 0xBF};
    case 0xF4:
      return {0x80, 0x8F};
    default:
      return {0x80, 0xBF};
  }
}

// The number of bytes a well-formed sequence starting with `lead` has; 0 when
// `lead` starts none.
std::size_t sequence_length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool is_wide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
         (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

Utf8Char decode_utf8(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  const std::size_t length = sequence_length(lead);
  if (length == 1) return {lead, 1, true};
  if (length == 0) return {0, 1, false};
  // The payload bits of the lead byte: 5, 4 or 3 of them.
  char32_t code_point = lead & (0x7F >> length);
  ByteRange range = second_byte_range(lead);
  for (std::size_t i = 1; i < length; ++i) {
    if (i >= text.size()) return {0, i, false};
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < range.low || byte > range.high) return {0, i, false};
    code_point = (code_point << 6) | (byte & 0x3F);
    range = {0x80, 0xBF};
  }
  return {code_point, length, true};
}

void append_utf8(char32_t code_point, std::string& out) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

bool is_valid_utf8(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    // Sources are mostly ASCII: step over it without decoding.
    if (static_cast<unsigned char>(text[at]) < 0x80) {
      ++at;
      continue;
    }
    const Utf8Char ch = decode_utf8(text.substr(at));
    if (!ch.valid) return false;
    at += ch.length;
  }
  return true;
}

std::string replace_invalid_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    const Utf8Char ch = decode_utf8(text.substr(at));
    if (ch.valid) {
      out.append(text.substr(at, ch.length));
    } else {
      out += kReplacementUtf8;
    }
    at += ch.length;
  }
  return out;
}

std::size_t display_width(std::string_view utf8) {
  std::size_t width = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    const Utf8Char ch = decode_utf8(utf8.substr(at));
    width += ch.valid && is_wide(ch.code_point) ? 2 : 1;
    at += ch.length;
  }
  return width;
}

}  // namespace codetwin
