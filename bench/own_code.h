// Code a student writes of their own: new functions that loop over a
// string or a count, keep a tally, test and print it, in many small
// variations. Each is new (drawn from the seed, with new names), compiles,
// and is made to a requested code size, so that a copy can be grown by a
// chosen share.
#ifndef CODETWIN_BENCH_OWN_CODE_H_
#define CODETWIN_BENCH_OWN_CODE_H_

#include <cstddef>
#include <string>
#include <vector>

#include "bench/c_source.h"
#include "bench/generate.h"
#include "bench/renaming.h"

namespace codetwin::bench {

/// A function of the student's own and what main writes to call it.
struct OwnFunction {
  std::string definition;
  std::string prototype;     // its declaration, with the semicolon
  std::string call;          // a statement calling it
  std::size_t size() const;  // code size of the three together
};

/// A new function whose definition, prototype and call together come as
/// close to `size` code characters as a few characters allow (never under
/// a minimal function of about 30).
OwnFunction own_function(Rng& rng, NameMaker& names, std::size_t size);

/// Adds functions of the student's own, each called from main (when there
/// is one), until the items' code size grows by `grow` characters, about.
void add_own_code(std::vector<TopItem>& items, NameMaker& names, Rng& rng, std::size_t grow);

}  // namespace codetwin::bench

#endif  // CODETWIN_BENCH_OWN_CODE_H_
