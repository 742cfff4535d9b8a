// Helpers for checking the fast tiling against the literal passes.
#ifndef CODETWIN_TESTS_SIMILARITY_DIFFERENTIAL_H_
#define CODETWIN_TESTS_SIMILARITY_DIFFERENTIAL_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "similarity/run_tiling.h"
#include "similarity/similarity.h"

namespace codetwin::similarity {

/// Lets failures show tiles as (x, y, length).
void PrintTo(const Tile& t, std::ostream* os);

/// Success when every way of tiling gives `want`, pass by pass: tile(), each
/// method of the engine at both widths, and a workspace (its tiles and its
/// MatchLen). The engines and the workspace are kept from one call to the
/// next, as a class run keeps them. Otherwise the first pass that differs.
::testing::AssertionResult same_tiles_as(const std::vector<Tile>& want, std::string_view A,
                                         std::string_view B, int MinMatchLen);

/// Success when the run method alone, with no bound on the cells and an
/// index of each width given, gives `want`, pass by pass; one tiler is kept
/// from one call to the next.
::testing::AssertionResult same_tiles_by_run_method(
    const std::vector<Tile>& want, std::string_view A, std::string_view B, int MinMatchLen,
    std::initializer_list<std::uint32_t> widths = {kNarrowGram, kWideGram});

/// same_tiles_as() the literal passes' tiles.
::testing::AssertionResult same_tiles_as_literal(std::string_view A, std::string_view B,
                                                 int MinMatchLen);

/// same_tiles_as() tile()'s: for strings too long for the literal passes.
::testing::AssertionResult same_tiles_every_way(std::string_view A, std::string_view B,
                                                int MinMatchLen);

/// Checks every pair of strings of length 0..max_length over `alphabet`,
/// for every MinMatchLen in 0..max_min_match_len; stops at the first
/// difference.
void check_all_pairs(std::string_view alphabet, std::size_t max_length, int max_min_match_len);

/// Checks `pairs` pairs of random strings over `alphabet`, each of a random
/// length up to max_length, MinMatchLen cycling through 0..5.
void check_random_pairs(std::string_view alphabet, std::uint64_t seed, int pairs,
                        std::size_t max_length);

/// Checks pairs of C token strings (a program and its disguised copy, cut
/// to random lengths up to max_length), and pairs of repeated statements.
void check_token_pairs(std::uint64_t seed, int pairs, std::size_t max_length);
void check_repeated_statements(std::uint64_t seed, int pairs, std::size_t max_length);

/// Every string of length 0..max_length over `alphabet`.
std::vector<std::string> all_strings(std::string_view alphabet, std::size_t max_length);

/// Bytes made readable: «a\0b» shows as "a\x00b".
std::string escaped(std::string_view s);

}  // namespace codetwin::similarity

#endif  // CODETWIN_TESTS_SIMILARITY_DIFFERENTIAL_H_
