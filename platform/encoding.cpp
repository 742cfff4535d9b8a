// The parts of encoding.h that need no system table: the names of
// character sets, and the choice between UTF-8 and GBK for a source.
#include <cctype>

#include "platform/encoding.h"

namespace codetwin::platform {

namespace {

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

std::string source_text_to_utf8(std::string_view bytes) {
  if (is_valid_utf8(bytes)) return std::string(bytes);
  return gbk_to_utf8(bytes);
}

namespace internal {

std::size_t gbk_invalid_length(std::string_view rest) {
  if (rest.size() >= 2 && is_gbk_lead(static_cast<unsigned char>(rest[0])) &&
      is_high_trail(static_cast<unsigned char>(rest[1]))) {
    return 2;
  }
  return 1;
}

}  // namespace internal

}  // namespace codetwin::platform
