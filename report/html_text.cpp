// Decoding sources and names, and escaping them for the page.
#include "report/html_text.h"

#include "common/utf8.h"
#include "platform/encoding.h"

namespace codetwin::report {

namespace {

unsigned char byte_at(std::string_view bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]);
}

bool is_gbk_lead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool is_gbk_trail(unsigned char byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

// One character as gbk_to_utf8() reads it in a whole text: the platform's
// table decides what a two-byte code is, and its rule how many bytes one
// U+FFFD stands for.
std::size_t decode_gbk(std::string_view bytes, std::size_t at, std::string& utf8) {
  const unsigned char lead = byte_at(bytes, at);
  if (lead < 0x80) {
    utf8 += bytes[at];
    return 1;
  }
  const bool pair =
      is_gbk_lead(lead) && at + 1 < bytes.size() && is_gbk_trail(byte_at(bytes, at + 1));
  const std::string_view candidate = bytes.substr(at, pair ? 2 : 1);
  const std::string character = platform::gbk_to_utf8(candidate);
  if (character.starts_with(kReplacementUtf8)) {
    utf8 += kReplacementUtf8;
    return platform::internal::gbk_invalid_length(bytes.substr(at, 2));
  }
  utf8 += character;
  return candidate.size();
}

// U+2400 + code for a C0 control, U+2421 for DEL: E2 90 80+code in UTF-8.
void append_picture(std::string& html, char ch) {
  const unsigned char code = ch == '\x7F' ? 0x21 : static_cast<unsigned char>(ch);
  html += "<span class=\"cc\">\xE2\x90";
  html += static_cast<char>(0x80 + code);
  html += "</span>";
}

}  // namespace

Charset charset_of(std::string_view bytes) {
  return is_valid_utf8(bytes) ? Charset::kUtf8 : Charset::kGbk;
}

std::size_t decode_char(std::string_view bytes, std::size_t at, Charset charset,
                        std::string& utf8) {
  if (charset == Charset::kGbk) return decode_gbk(bytes, at, utf8);
  const Utf8Char character = decode_utf8(bytes.substr(at));
  if (character.valid) {
    utf8.append(bytes.substr(at, character.length));
  } else {  // not in text that charset_of() found valid
    utf8 += kReplacementUtf8;
  }
  return character.length;
}

std::string decode(std::string_view bytes) { return platform::source_text_to_utf8(bytes); }

bool is_pictured(char ch, bool keep_lines) {
  if (keep_lines && (ch == '\t' || ch == '\n')) return false;
  return (ch >= '\0' && ch < ' ') || ch == '\x7F';
}

void append_text(std::string& html, std::string_view text, bool keep_lines) {
  for (char ch : text) {
    switch (ch) {
      case '<':
        html += "&lt;";
        break;
      case '>':
        html += "&gt;";
        break;
      case '&':
        html += "&amp;";
        break;
      default:
        if (is_pictured(ch, keep_lines)) {
          append_picture(html, ch);
        } else {
          html += ch;
        }
    }
  }
}

std::string html_text(std::string_view bytes) {
  std::string html;
  append_text(html, decode(bytes), false);
  return html;
}

}  // namespace codetwin::report
