// The larger sets of the run method against the literal passes (CTest
// label "long").
#include <gtest/gtest.h>

#include <string>

#include "similarity/run_tiling.h"
#include "tests/similarity/run_differential.h"

namespace codetwin::similarity {
namespace {

// The engine's index (8-grams) only: the quick set checks both widths.
TEST(RunTilingLongTest, EveryPairOverTwoSymbols) {
  check_all_pairs_by_runs("ab", 11, {3, 4, 5}, {kWideGram});
}

TEST(RunTilingLongTest, EveryPairOverThreeSymbols) { check_all_pairs_by_runs("abc", 7, {3, 4}); }

TEST(RunTilingLongTest, EveryPairWithSeparators) {
  check_all_pairs_by_runs(std::string("a \0", 3), 7, {3});
}

TEST(RunTilingLongTest, RandomStrings) {
  check_random_pairs_by_runs("ab", 51, 400, 500);
  check_random_pairs_by_runs("abc", 52, 300, 800);
  check_random_pairs_by_runs("id=+;()", 53, 200, 1500);
}

TEST(RunTilingLongTest, TokenStrings) { check_token_pairs_by_runs(54, 40, 3000); }

}  // namespace
}  // namespace codetwin::similarity
