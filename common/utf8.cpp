#include "common/utf8.h"

namespace codetwin {

namespace {

unsigned byte(std::string_view text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

bool is_continuation(unsigned b) { return (b & 0xC0) == 0x80; }

// The code point of a valid sequence of `length` bytes.
char32_t decode(std::string_view text, std::size_t length) {
  static constexpr unsigned kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t point = byte(text, 0) & kLeadMask[length];
  for (std::size_t i = 1; i < length; ++i) point = (point << 6) | (byte(text, i) & 0x3F);
  return point;
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

std::size_t utf8_sequence_length(std::string_view text) {
  if (text.empty()) return 0;
  const unsigned lead = byte(text, 0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned low = 0x80;  // the bounds of the second byte, which rule out
  unsigned high = 0xBF; // overlong forms, surrogates and too-large points
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  const unsigned second = byte(text, 1);
  if (second < low || second > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (!is_continuation(byte(text, i))) return 0;
  }
  return length;
}

bool is_valid_utf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = utf8_sequence_length(text.substr(i));
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string valid_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = utf8_sequence_length(text.substr(i));
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
  return out;
}

std::size_t display_width(std::string_view utf8) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t length = utf8_sequence_length(utf8.substr(i));
    if (length == 0) {
      ++width;
      ++i;
      continue;
    }
    width += is_wide(decode(utf8.substr(i), length)) ? 2 : 1;
    i += length;
  }
  return width;
}

}  // namespace codetwin
