// The larger sets of the fast tiling against the literal passes (CTest
// label "long").
#include <gtest/gtest.h>

#include "tests/similarity/differential.h"

namespace codetwin::similarity {
namespace {

TEST(TilingDifferentialLongTest, EveryPairOverTwoSymbols) { check_all_pairs("ab", 8, 5); }

TEST(TilingDifferentialLongTest, EveryPairWithSeparators) {
  check_all_pairs(std::string("ab \0", 4), 5, 2);
}

TEST(TilingDifferentialLongTest, RandomStrings) {
  check_random_pairs("ab", 101, 300, 400);
  check_random_pairs("acgt", 102, 200, 1000);
  check_random_pairs("abcdefghij0123456789", 103, 16, 4000);
}

TEST(TilingDifferentialLongTest, TokenStrings) { check_token_pairs(104, 30, 4000); }

TEST(TilingDifferentialLongTest, RepeatedStatements) { check_repeated_statements(105, 40, 3000); }

}  // namespace
}  // namespace codetwin::similarity
