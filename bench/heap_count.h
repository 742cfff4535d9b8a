// The heap a benchmark program allocates, counted by a replacement of the
// global operator new and delete. Linking heap_count.cpp into a program
// replaces them for the whole program. They live in a file of their own so
// that the compiler never inlines them into their callers (GCC 12 then takes
// the free() of the counted block for a mismatch with operator new).
#ifndef CODETWIN_BENCH_HEAP_COUNT_H_
#define CODETWIN_BENCH_HEAP_COUNT_H_

#include <cstddef>

namespace codetwin::bench {

// Bytes handed out by operator new and not yet given back.
std::size_t heap_in_use();

// The highest heap_in_use() since the last reset_heap_peak().
std::size_t heap_peak();
void reset_heap_peak();

}  // namespace codetwin::bench

#endif  // CODETWIN_BENCH_HEAP_COUNT_H_
