// The larger sets of the fast tiling against the literal passes (CTest
// label "long").
#include <gtest/gtest.h>

#include <string>

#include "bench/generate.h"
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

// Beyond the literal passes' reach: every method against tile(), which
// sorts the last pairs in compact mode.
TEST(TilingDifferentialLongTest, MethodsAgreeOnLongerStrings) {
  const std::size_t kLength = 20000;
  for (std::uint64_t seed = 1; seed <= 3; ++seed) {
    const bench::ProgramPair copy = bench::generate_pair(seed, kLength);
    const bench::ProgramPair other = bench::generate_pair(seed + 10, kLength);
    EXPECT_TRUE(same_tiles_every_way(copy.first.tokens, copy.second.tokens, 3)) << seed;
    EXPECT_TRUE(same_tiles_every_way(copy.first.tokens, other.first.tokens, 3)) << seed;
    const std::string A = bench::repeated_statement(seed, kLength, 20);
    const std::string B = bench::repeated_statement(seed + 1, kLength / 2, 20);
    EXPECT_TRUE(same_tiles_every_way(A, B, 3)) << seed;
    const std::string x = bench::random_string(seed, kLength, std::string("ab \0", 4));
    const std::string y = bench::random_string(seed + 1, kLength, std::string("ab \0", 4));
    EXPECT_TRUE(same_tiles_every_way(x, y, 1)) << seed;
  }
  const bench::ProgramPair large = bench::generate_pair(4, 150000);
  EXPECT_TRUE(same_tiles_every_way(large.first.tokens, large.second.tokens, 3));
  const std::string A = bench::repeated_statement(5, 150000, 50);
  const std::string B = bench::repeated_statement(6, 140000, 50);
  EXPECT_TRUE(same_tiles_every_way(A, B, 3));
}

}  // namespace
}  // namespace codetwin::similarity
