#include "bench/program_edit.h"

#include <algorithm>

#include "lexer/lexer.h"

namespace codetwin::bench {

std::size_t code_size(std::string_view source) {
  return lexer::text_token_string(lexer::strip_comments(source).text).size();
}

std::size_t code_size(const CTokens& tokens) { return code_size(bare_text(tokens)); }

std::size_t code_size(const std::vector<TopItem>& items) { return code_size(join_items(items)); }

CTokens tokens_on_new_line(std::string_view text) {
  CTokens tokens = tokenize_c(text);
  if (!tokens.empty()) {
    tokens[0].lines_before = std::max(tokens[0].lines_before, 1);
    tokens[0].space_before = true;
  }
  return tokens;
}

void insert_statement(TopItem& item, std::size_t at, std::string_view text) {
  const CTokens added = tokens_on_new_line(text);
  item.tokens.insert(item.tokens.begin() + static_cast<std::ptrdiff_t>(at), added.begin(),
                     added.end());
}

std::optional<std::size_t> find_function(const std::vector<TopItem>& items, std::string_view name) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].kind == TopItem::Kind::kFunction && items[i].name == name) return i;
  }
  return std::nullopt;
}

std::size_t first_function(const std::vector<TopItem>& items) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].kind == TopItem::Kind::kFunction) return i;
  }
  return items.size();
}

TopItem prototype_of(const TopItem& function) {
  TopItem prototype;
  prototype.kind = TopItem::Kind::kDeclaration;
  prototype.name = function.name;
  const std::size_t body = body_start(function.tokens);
  for (std::size_t i = 0; i < body; ++i) {
    if (function.tokens[i].is_code()) prototype.tokens.push_back(function.tokens[i]);
  }
  CToken semicolon;
  semicolon.kind = CToken::Kind::kPunct;
  semicolon.text = ";";
  prototype.tokens.push_back(semicolon);
  if (!prototype.tokens.empty()) prototype.tokens[0].lines_before = 1;
  return prototype;
}

void add_function(std::vector<TopItem>& items, std::string_view text, std::string_view prototype,
                  std::size_t position) {
  std::vector<TopItem> function = split_top_level(tokens_on_new_line(text));
  position = std::min(position, items.size());
  items.insert(items.begin() + static_cast<std::ptrdiff_t>(position), function.begin(),
               function.end());
  std::vector<TopItem> declaration = split_top_level(tokens_on_new_line(prototype));
  const std::size_t before = first_function(items);
  items.insert(items.begin() + static_cast<std::ptrdiff_t>(before), declaration.begin(),
               declaration.end());
}

}  // namespace codetwin::bench
