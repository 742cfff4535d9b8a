// Helpers for checking the run method (run_tiling.h) on its own, with no
// bound on the cells, against the literal passes.
#ifndef CODETWIN_TESTS_SIMILARITY_RUN_DIFFERENTIAL_H_
#define CODETWIN_TESTS_SIMILARITY_RUN_DIFFERENTIAL_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "similarity/run_tiling.h"

namespace codetwin::similarity {

/// Success when the run method, with an index of each width given, gives
/// the literal passes' tiles, pass by pass; otherwise the first pass that
/// differs. One tiler is kept from one call to the next.
::testing::AssertionResult same_tiles_by_runs(std::string_view A, std::string_view B,
                                              int MinMatchLen,
                                              std::initializer_list<std::uint32_t> widths = {
                                                  kNarrowGram, kWideGram});

/// Every pair of strings of length 0..max_length over `alphabet`, for each
/// MinMatchLen given, with an index of each width given; stops at the
/// first difference.
void check_all_pairs_by_runs(std::string_view alphabet, std::size_t max_length,
                             std::initializer_list<int> min_match_lens,
                             std::initializer_list<std::uint32_t> widths = {kNarrowGram,
                                                                            kWideGram});

/// `pairs` pairs of random strings over `alphabet` of random lengths up to
/// max_length, MinMatchLen 3 mostly, else 4, 6, 7 or 9.
void check_random_pairs_by_runs(std::string_view alphabet, std::uint64_t seed, int pairs,
                                std::size_t max_length);

/// Pairs of C token strings (a program and its disguised copy, or two
/// programs), cut to random lengths up to max_length, at MinMatchLen 3
/// and 7.
void check_token_pairs_by_runs(std::uint64_t seed, int pairs, std::size_t max_length);

}  // namespace codetwin::similarity

#endif  // CODETWIN_TESTS_SIMILARITY_RUN_DIFFERENTIAL_H_
