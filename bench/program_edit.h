// Small edits of a program split into top-level items, shared by the
// disguises that add code, and the measure of how much code there is.
//
// The *code size* of a source is the length of the token string the
// project's lexer makes of it with its comments taken out: what the
// checker compares. Layout and names do not change it.
#ifndef CODETWIN_BENCH_PROGRAM_EDIT_H_
#define CODETWIN_BENCH_PROGRAM_EDIT_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/c_source.h"

namespace codetwin::bench {

/// The code size of a source.
std::size_t code_size(std::string_view source);

/// The code size of items or tokens.
std::size_t code_size(const std::vector<TopItem>& items);
std::size_t code_size(const CTokens& tokens);

/// The tokens of `text`, starting on a line of their own.
CTokens tokens_on_new_line(std::string_view text);

/// Inserts the statement(s) in `text` before tokens[at] of `item`.
void insert_statement(TopItem& item, std::size_t at, std::string_view text);

/// Index of the function item named `name`, if any.
std::optional<std::size_t> find_function(const std::vector<TopItem>& items, std::string_view name);

/// Index of the first function item, or items.size().
std::size_t first_function(const std::vector<TopItem>& items);

/// A prototype item for a function item: its head and a semicolon.
TopItem prototype_of(const TopItem& function);

/// Adds the function in `text` (one definition) at `position` among the
/// items, after its prototype `prototype` placed before the first function.
void add_function(std::vector<TopItem>& items, std::string_view text, std::string_view prototype,
                  std::size_t position);

}  // namespace codetwin::bench

#endif  // CODETWIN_BENCH_PROGRAM_EDIT_H_
