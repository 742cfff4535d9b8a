// Where a whole statement may be added to a function body without changing
// what the code around it means.
//
// A point is a token index: the new statement goes before that token. It
// follows the body's {, or a ; or } that ends a statement, in a block of
// statements (not in a struct, an initializer or a for header). The first
// point of a body is right after its {. A point never comes right before
// `else`, nor before a `while` that may end a do, and never lies directly
// in a switch body, where a statement before the first case is never
// reached and a declaration after a label is no C.
#ifndef CODETWIN_BENCH_STATEMENT_POINTS_H_
#define CODETWIN_BENCH_STATEMENT_POINTS_H_

#include <cstddef>
#include <vector>

#include "bench/c_source.h"

namespace codetwin::bench {

struct StatementPoint {
  std::size_t at;     // insert before tokens[at]
  std::size_t depth;  // 1 in the body itself, 2 in a block inside it, ...
};

/// The statement points of a function item's tokens, whose braces
/// classify_braces() has set.
std::vector<StatementPoint> statement_points(const CTokens& function);

}  // namespace codetwin::bench

#endif  // CODETWIN_BENCH_STATEMENT_POINTS_H_
