// The token string and the list file's text, built from a word list.
#include <charconv>

#include "common/texts.h"
#include "lexer/lexer.h"

namespace codetwin::lexer {

namespace {

void append_decimal(std::string& out, std::size_t value) {
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  (void)ec;  // 24 digits hold any std::size_t
  out.append(digits, end);
}

}  // namespace

std::string token_string(const WordList& link) {
  std::string tokens;
  for (std::string_view word : link) tokens += contribution(word);
  return tokens;
}

std::vector<std::uint32_t> token_origins(const WordList& link) {
  std::vector<std::uint32_t> origins;
  for (std::size_t index = 0; index < link.size(); ++index) {
    origins.insert(origins.end(), contribution(link[index]).size(),
                   static_cast<std::uint32_t>(index));
  }
  return origins;
}

std::string list_text(const WordList& link) {
  return list_legend() + list_records(link, 0, link.size());
}

std::string list_legend() {
  std::string legend;
  for (const texts::Text& line : texts::kListLegend) legend += line.gbk;
  return legend;
}

std::string list_records(const WordList& link, std::size_t begin, std::size_t end) {
  std::string records;
  for (std::size_t index = begin; index < end; ++index) {
    records += '(';
    records += type(link[index]);
    records += ',';
    records += link[index];  // raw, even when the word is itself a comma
    records += ',';
    append_decimal(records, index);
    records += ")\n";
  }
  return records;
}

}  // namespace codetwin::lexer
