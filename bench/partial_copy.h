// Half of another's program inside one's own: the program a partial copy
// starts from, before it is disguised.
//
// X gives whole functions, chosen so that their code comes as near half of
// X's as whole functions allow. Only functions that fit Y are taken, so
// that the result still compiles: a function of X that Y also defines must
// have Y's signature (return type and number of parameters), and the X
// functions that a taken one calls come with it unless Y has them. An X
// function replaces Y's function of the same name (and Y's prototypes of
// it give way to X's), or is added after Y's with a prototype. The macros,
// globals and prototypes of X that the functions need, directly or
// through each other, come too when Y lacks them, and X's #includes that
// Y lacks.
#ifndef CODETWIN_BENCH_PARTIAL_COPY_H_
#define CODETWIN_BENCH_PARTIAL_COPY_H_

#include <string_view>
#include <vector>

#include "bench/c_source.h"

namespace codetwin::bench {

/// Y's items with about half of X's code in them.
std::vector<TopItem> half_into(std::string_view x, std::string_view y);

/// The share of X's code that half_into(x, y) takes.
double half_share(std::string_view x, std::string_view y);

}  // namespace codetwin::bench

#endif  // CODETWIN_BENCH_PARTIAL_COPY_H_
