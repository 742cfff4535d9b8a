// GBK to and from UTF-8 on Windows, through code page 936.
//
// The code page's table is read once, a character at a time with
// MB_ERR_INVALID_CHARS, into lookup tables both ways. Converting whole texts
// with MultiByteToWideChar would replace bad bytes by its own rule, and
// WideCharToMultiByte would count an unmapped character outside the BMP
// twice; with the tables both follow the rules of encoding.h exactly, as the
// POSIX side does with iconv.
#include <array>
#include <cstdint>
#include <memory>

#include "platform/encoding.h"
#include "platform/win32_text.h"

namespace codetwin::platform {

namespace {

// Lead bytes and second bytes of two-byte GBK codes.
constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLastLead = 0xFE;
constexpr unsigned kFirstTrail = 0x40;
constexpr unsigned kLastTrail = 0xFE;

// The code page's private-use codes (user-defined areas) stand for nothing
// readable; iconv's GBK leaves them unassigned, and so does this.
bool is_private_use(wchar_t ch) { return ch >= 0xE000 && ch <= 0xF8FF; }

struct GbkTables {
  // The character of each single byte 0x80-0xFF and of each two-byte code,
  // 0 where there is none.
  std::array<char16_t, 0x80> single{};
  std::array<char16_t, (kLastLead - kFirstLead + 1) * 0x100> pair{};
  // The GBK code of each BMP character: one byte (below 0x100) or two
  // (lead << 8 | trail); 0 where GBK has none.
  std::array<std::uint16_t, 0x10000> code{};

  char16_t of_pair(unsigned lead, unsigned trail) const {
    return pair[(lead - kFirstLead) * 0x100 + trail];
  }
};

char16_t decode_code(const char* bytes, int size) {
  wchar_t wide[2];
  const int got =
      MultiByteToWideChar(win32::kGbkCodePage, MB_ERR_INVALID_CHARS, bytes, size, wide, 2);
  if (got != 1 || is_private_use(wide[0])) return 0;
  return static_cast<char16_t>(wide[0]);
}

std::unique_ptr<GbkTables> read_tables() {
  auto tables = std::make_unique<GbkTables>();
  for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
    const char one = static_cast<char>(byte);
    const char16_t ch = decode_code(&one, 1);
    tables->single[byte - 0x80] = ch;
    if (ch != 0 && tables->code[ch] == 0) tables->code[ch] = static_cast<std::uint16_t>(byte);
  }
  for (unsigned lead = kFirstLead; lead <= kLastLead; ++lead) {
    for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail) {
      if (trail == 0x7F) continue;
      const char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      const char16_t ch = decode_code(two, 2);
      tables->pair[(lead - kFirstLead) * 0x100 + trail] = ch;
      if (ch != 0 && tables->code[ch] == 0) {
        tables->code[ch] = static_cast<std::uint16_t>(lead << 8 | trail);
      }
    }
  }
  return tables;
}

const GbkTables& tables() {
  static const std::unique_ptr<GbkTables> read = read_tables();
  return *read;
}

}  // namespace

std::string gbk_to_utf8(std::string_view gbk) {
  const GbkTables& table = tables();
  std::string utf8;
  utf8.reserve(gbk.size() * 3 / 2);
  std::size_t at = 0;
  while (at < gbk.size()) {
    const auto byte = static_cast<unsigned char>(gbk[at]);
    if (byte < 0x80) {
      utf8 += static_cast<char>(byte);
      ++at;
      continue;
    }
    if (byte >= kFirstLead && byte <= kLastLead && at + 1 < gbk.size()) {
      const auto trail = static_cast<unsigned char>(gbk[at + 1]);
      const char16_t ch = trail >= kFirstTrail ? table.of_pair(byte, trail) : 0;
      if (ch != 0) {
        append_utf8(ch, utf8);
        at += 2;
        continue;
      }
    }
    if (const char16_t ch = table.single[byte - 0x80]; ch != 0) {
      append_utf8(ch, utf8);
      ++at;
      continue;
    }
    utf8 += kReplacementUtf8;
    at += internal::gbk_invalid_length(gbk.substr(at));
  }
  return utf8;
}

std::string utf8_to_gbk(std::string_view utf8) {
  const GbkTables& table = tables();
  std::string gbk;
  gbk.reserve(utf8.size());
  std::size_t at = 0;
  while (at < utf8.size()) {
    const Utf8Char ch = decode_utf8(utf8.substr(at));
    at += ch.length;
    if (ch.valid && ch.code_point < 0x80) {
      gbk += static_cast<char>(ch.code_point);
      continue;
    }
    const std::uint16_t code = ch.valid && ch.code_point < 0x10000 ? table.code[ch.code_point] : 0;
    if (code == 0) {
      gbk += '?';
    } else if (code < 0x100) {
      gbk += static_cast<char>(code);
    } else {
      gbk += static_cast<char>(code >> 8);
      gbk += static_cast<char>(code & 0xFF);
    }
  }
  return gbk;
}

}  // namespace codetwin::platform
