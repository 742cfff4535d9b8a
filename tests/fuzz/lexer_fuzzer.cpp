// Fuzz target: the text-mode reader, the scanner and both writers on
// arbitrary bytes.
//
// The bytes are read in text mode whole, one byte at a time and in chunks of
// a size taken from the input, and must give the plain reference's text each
// time. Then both the raw bytes and the text are scanned: the words must
// cover every byte but whitespace, in order; the token string must hold no
// space, TAB, line end or NUL and read back unchanged in text mode; every list
// record must give back its word, class and index.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/sstring.h"
#include "common/text_mode.h"
#include "lexer/lexer.h"
#include "tests/fuzz/fuzz_check.h"

namespace codetwin::testing {
namespace {

bool is_whitespace(char ch) { return ch == ' ' || ch == '\t' || ch == '\n'; }

std::string decode_in_chunks(std::string_view raw, std::size_t chunk) {
  std::string text;
  bool pending_cr = false;
  for (std::size_t at = 0; at < raw.size(); at += chunk) {
    if (!decode_text_mode(raw.substr(at, chunk), pending_cr, text)) break;
  }
  finish_text_mode(pending_cr, text);
  return text;
}

void check_text_mode(std::string_view raw) {
  const std::string text = decode_text_mode(raw);
  FUZZ_CHECK(text == reference_text_mode(raw));
  FUZZ_CHECK(decode_in_chunks(raw, 1) == text);
  if (!raw.empty()) {
    FUZZ_CHECK(decode_in_chunks(raw, 1 + static_cast<unsigned char>(raw[0]) % 16) == text);
  }
}

// Every word is a view into `text`, in order; between and around the words
// there is only whitespace; a NUL byte is an empty word of its own.
void check_words(std::string_view text, const lexer::WordList& link) {
  std::size_t at = 0;
  for (std::string_view word : link) {
    FUZZ_CHECK(word.data() >= text.data() + at);
    const std::size_t begin = static_cast<std::size_t>(word.data() - text.data());
    FUZZ_CHECK(begin + word.size() <= text.size());
    for (; at < begin; ++at) FUZZ_CHECK(is_whitespace(text[at]));
    FUZZ_CHECK(word.size() <= static_cast<std::size_t>(MAXSTRLEN));
    if (word.empty()) {
      FUZZ_CHECK(text[begin] == '\0');
      at = begin + 1;
    } else {
      for (char ch : word) FUZZ_CHECK(!is_whitespace(ch) && ch != '\0');
      at = begin + word.size();
    }
  }
  for (; at < text.size(); ++at) FUZZ_CHECK(is_whitespace(text[at]));
}

void check_token_string(const std::string& tokens) {
  for (char ch : tokens) {
    FUZZ_CHECK(ch != ' ' && ch != '\t' && ch != '\n' && ch != '\r' && ch != '\0');
  }
  // What the comparer loads is exactly what was written.
  FUZZ_CHECK(decode_text_mode(tokens) == tokens);
}

// Record `index`: "(" class "," word "," index ")". The word may itself be a
// comma or a parenthesis, so the index is found from the end.
void check_record(std::string_view record, const lexer::WordList& link, std::size_t index) {
  FUZZ_CHECK(record.size() >= 6 && record.front() == '(' && record.back() == ')');
  FUZZ_CHECK(record[2] == ',');
  const std::size_t last_comma = record.rfind(',');
  FUZZ_CHECK(last_comma >= 3);
  std::size_t parsed = 0;
  const char* digits_end = record.data() + record.size() - 1;
  auto [end, ec] = std::from_chars(record.data() + last_comma + 1, digits_end, parsed);
  FUZZ_CHECK(ec == std::errc() && end == digits_end && parsed == index);
  FUZZ_CHECK(record.substr(3, last_comma - 3) == link[index]);
  FUZZ_CHECK(record[1] == lexer::type(link[index]));
}

void check_list(const lexer::WordList& link) {
  const std::string records = lexer::list_records(link, 0, link.size());
  std::size_t index = 0;
  std::size_t at = 0;
  while (at < records.size()) {
    const std::size_t end = records.find('\n', at);
    FUZZ_CHECK(end != std::string::npos && index < link.size());
    check_record(std::string_view(records).substr(at, end - at), link, index);
    ++index;
    at = end + 1;
  }
  FUZZ_CHECK(index == link.size());

  const std::size_t half = link.size() / 2;
  FUZZ_CHECK(lexer::list_records(link, 0, half) + lexer::list_records(link, half, link.size()) ==
             records);
  const std::string list = lexer::list_text(link);
  FUZZ_CHECK(list == lexer::list_legend() + records);
  // Stored with CR LF and read back in text mode, the list is unchanged,
  // unless a word is the Ctrl-Z that ends a text.
  if (list.find('\x1A') == std::string::npos) {
    FUZZ_CHECK(decode_text_mode(encode_line_ends(list, LineEnds::kCrLf)) == list);
  }
}

void check_lexer(std::string_view text) {
  const lexer::WordList link = lexer::scan(text);
  check_words(text, link);
  const std::string tokens = lexer::token_string(link);
  check_token_string(tokens);
  FUZZ_CHECK(lexer::text_token_string(text) == tokens);
  const std::vector<std::uint32_t> origins = lexer::token_origins(link);
  FUZZ_CHECK(origins.size() == tokens.size());
  for (std::size_t p = 0; p < tokens.size(); ++p) {
    const std::string_view from = lexer::contribution(link[origins[p]]);
    FUZZ_CHECK(from.find(tokens[p]) != std::string_view::npos);
  }
  // Without its comments, the text still scans, and every offset maps back
  // into the text.
  const lexer::StrippedText stripped = lexer::strip_comments(text);
  FUZZ_CHECK(stripped.text.size() <= text.size());
  for (std::size_t p = 0; p <= stripped.text.size(); p += 1 + stripped.text.size() / 64) {
    const std::size_t at = lexer::original_offset(stripped, p);
    FUZZ_CHECK(at <= text.size());
    if (p < stripped.text.size() && stripped.text[p] != ' ') FUZZ_CHECK(text[at] == stripped.text[p]);
  }
  check_list(link);
}

}  // namespace
}  // namespace codetwin::testing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace codetwin::testing;
  const std::string_view raw = as_chars(data, size);
  check_text_mode(raw);
  check_lexer(raw);
  check_lexer(codetwin::decode_text_mode(raw));
  return 0;
}
