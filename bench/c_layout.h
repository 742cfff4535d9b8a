// Writing a C source's tokens again in a student's own layout.
//
// A Layout is the habits of one student: the indentation, where braces go,
// spaces around operators and after keywords and commas, whether case
// labels push their statements in, how often two short statements share a
// line, where long lines break, and the blank lines kept. render() lays
// the items out from scratch: only the tokens count, never the original
// whitespace, except that a comment stays at the end of its line when it
// was there and some blank lines are kept.
//
// Tokens are never glued into a different token: two tokens that would
// read as one (a - -b, a / *p) always get a space. A // comment always
// ends its line.
#ifndef CODETWIN_BENCH_C_LAYOUT_H_
#define CODETWIN_BENCH_C_LAYOUT_H_

#include <cstddef>
#include <string>
#include <vector>

#include "bench/c_source.h"
#include "bench/generate.h"

namespace codetwin::bench {

struct Layout {
  enum class Spacing { kAll, kAssignments, kNone };  // around binary operators
  std::string indent = "    ";                       // one level
  bool allman = false;                               // every { on a line of its own
  bool function_brace_own_line = false;              // a function body's { on its own line
  bool cuddle_else = true;                           // "} else {"
  Spacing operators = Spacing::kAll;  // kAssignments: =, ==, &&, ?: spaced; + - * / not
  bool keyword_space = true;          // "if (" rather than "if("
  bool comma_space = true;
  bool indent_cases = true;     // statements under a case label one level in
  int join_percent = 0;         // a short statement continues the line
  int keep_blank_percent = 50;  // of the original's blank lines inside an item
  std::size_t wrap_at = 0;      // longer lines break after a comma, or never (0)
  int blank_lines_between_functions = 1;
};

/// A student's layout, drawn from `rng`.
Layout random_layout(Rng& rng);

/// The items laid out in `layout`, with LF line ends and a final newline.
/// `rng` decides which lines are joined and which blank lines are kept.
std::string render(const std::vector<TopItem>& items, const Layout& layout, Rng& rng);

/// Whether writing `left` right before `right` would make other tokens.
bool tokens_merge(const std::string& left, const std::string& right);

}  // namespace codetwin::bench

#endif  // CODETWIN_BENCH_C_LAYOUT_H_
