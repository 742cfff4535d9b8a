// The parts of tool_console.h that are the same on every system: the
// console's charset, its conversion, and the escaping of names.
#include "platform/tool_console.h"

#include <cstdio>

#include "platform/console.h"
#include "platform/encoding.h"

namespace codetwin::platform {

namespace {

// Until init_tool_console decides it.
Charset chosen_charset = Charset::kGbk;

// C1 controls: ECMA-48 gives U+009B the meaning of ESC [, and some
// terminals obey it.
bool is_c1_control(char32_t code_point) { return code_point >= 0x80 && code_point <= 0x9F; }

// The characters that reorder text around them on display (Unicode's
// bidirectional format characters).
bool is_bidi_format(char32_t code_point) {
  return code_point == 0x061C || code_point == 0x200E || code_point == 0x200F ||
         (code_point >= 0x202A && code_point <= 0x202E) ||
         (code_point >= 0x2066 && code_point <= 0x2069);
}

void append_escape(unsigned char byte, std::string& out) {
  switch (byte) {
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\t':
      out += "\\t";
      return;
    default:
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      out += escape;
  }
}

}  // namespace

void init_tool_console() {
  init_console();
  chosen_charset = console_shows_utf8() ? Charset::kUtf8 : Charset::kGbk;
}

Charset console_charset() { return chosen_charset; }

std::string text_for_charset(std::string_view utf8, Charset charset) {
  return charset == Charset::kUtf8 ? replace_invalid_utf8(utf8) : utf8_to_gbk(utf8);
}

std::string text_for_console(std::string_view utf8) {
  return text_for_charset(utf8, console_charset());
}

std::string escape_name(std::string_view name, bool as_utf8) {
  std::string out;
  out.reserve(name.size());
  std::size_t at = 0;
  while (at < name.size()) {
    const auto byte = static_cast<unsigned char>(name[at]);
    if (byte < 0x20 || byte == 0x7F) {
      append_escape(byte, out);
      ++at;
    } else if (byte < 0x80 || !as_utf8) {
      out += name[at];
      ++at;
    } else {
      const Utf8Char ch = decode_utf8(name.substr(at));
      if (!ch.valid) {
        out += kReplacementUtf8;
      } else if (is_c1_control(ch.code_point) || is_bidi_format(ch.code_point)) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(ch.code_point));
        out += escape;
      } else {
        out.append(name.substr(at, ch.length));
      }
      at += ch.length;
    }
  }
  return out;
}

}  // namespace codetwin::platform
