#include "common/text_mode.h"

namespace codetwin {

bool decode_text_mode(std::string_view raw, bool& pending_cr, std::string& text) {
  for (char ch : raw) {
    if (ch == kEndOfText) {
      finish_text_mode(pending_cr, text);
      return false;
    }
    if (pending_cr) {
      pending_cr = false;
      if (ch != '\n') text.push_back('\r');  // a lone CR stays
    }
    if (ch == '\r') {
      pending_cr = true;  // decided by the next byte, which may be in the next chunk
    } else {
      text.push_back(ch);
    }
  }
  return true;
}

void finish_text_mode(bool& pending_cr, std::string& text) {
  if (pending_cr) text.push_back('\r');
  pending_cr = false;
}

std::string decode_text_mode(std::string_view raw) {
  std::string text;
  bool pending_cr = false;
  decode_text_mode(raw, pending_cr, text);
  finish_text_mode(pending_cr, text);
  return text;
}

std::string encode_line_ends(std::string_view text, LineEnds line_ends) {
  if (line_ends == LineEnds::kAsIs) return std::string(text);
  std::string stored;
  stored.reserve(text.size() + text.size() / 8);
  // Whole lines at a time: the list file is many short lines.
  for (std::size_t begin = 0; begin < text.size();) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) {
      stored.append(text.substr(begin));
      break;
    }
    stored.append(text.substr(begin, end - begin));
    stored.append("\r\n");
    begin = end + 1;
  }
  return stored;
}

}  // namespace codetwin
