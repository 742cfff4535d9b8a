// Padding a copy with code that does nothing, as a student does to make
// it look longer and different: unused variables, if (0) and while (0)
// blocks, redundant assignments, empty statements, and sometimes a helper
// function that is never called. Statements go only where a statement may
// stand (statement_points.h); declarations only at the start of a body.
#ifndef CODETWIN_BENCH_PADDING_H_
#define CODETWIN_BENCH_PADDING_H_

#include <cstddef>
#include <vector>

#include "bench/c_source.h"
#include "bench/generate.h"
#include "bench/renaming.h"

namespace codetwin::bench {

/// Pads the items' functions until their code size has grown by at least
/// `least` characters and at most `most`, as far as the functions allow.
void add_padding(std::vector<TopItem>& items, NameMaker& names, Rng& rng, std::size_t least,
                 std::size_t most);

}  // namespace codetwin::bench

#endif  // CODETWIN_BENCH_PADDING_H_
