// The fast tiling against the literal passes: the same tile in every pass.
// The quick sets; tiling_differential_long_test.cpp has the larger ones.
#include <gtest/gtest.h>

#include <string>

#include "tests/similarity/differential.h"

namespace codetwin::similarity {
namespace {

std::string every_byte() {
  std::string bytes;
  for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
  return bytes;
}

TEST(TilingDifferentialTest, EveryPairOverTwoSymbols) { check_all_pairs("ab", 7, 3); }

TEST(TilingDifferentialTest, EveryPairWithSpaces) { check_all_pairs("ab ", 4, 2); }

TEST(TilingDifferentialTest, EveryPairWithNul) { check_all_pairs(std::string("a\0b", 3), 4, 2); }

TEST(TilingDifferentialTest, RandomStrings) {
  const struct {
    const char* name;
    std::string alphabet;
    int pairs;
    std::size_t max_length;
  } kRows[] = {
      {"two symbols", "ab", 200, 120},
      {"four symbols", "acgt", 200, 200},
      {"twenty symbols", "abcdefghij0123456789", 100, 400},
      {"separators", std::string("ab \0", 4), 200, 150},
      {"every byte", every_byte(), 50, 400},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.name);
    check_random_pairs(row.alphabet, 7, row.pairs, row.max_length);
  }
}

TEST(TilingDifferentialTest, LongerRandomStrings) {
  check_random_pairs("abcdefghij0123456789", 11, 3, 2500);
  check_random_pairs("ab", 12, 2, 600);
}

TEST(TilingDifferentialTest, TokenStrings) { check_token_pairs(21, 20, 1500); }

TEST(TilingDifferentialTest, RepeatedStatements) { check_repeated_statements(31, 40, 1000); }

std::string periodic(std::string_view unit, std::size_t length) {
  std::string s;
  while (s.size() < length) s += unit;
  s.resize(length);
  return s;
}

TEST(TilingDifferentialTest, PeriodicStrings) {
  const struct {
    const char* name;
    std::string A;
    std::string B;
  } kRows[] = {
      {"one letter, equal", periodic("a", 300), periodic("a", 300)},
      {"one letter, shorter B", periodic("a", 300), periodic("a", 97)},
      {"shifted period", periodic("ab", 301), periodic("ba", 280)},
      {"periods 6 and 5", periodic("aaaaab", 400), periodic("aaaab", 400)},
      {"statement shifted", periodic("id=id+id;", 500), periodic("d=id+id;i", 480)},
      {"spaces every 5", periodic("abcd ", 300), periodic("abcd ", 250)},
      {"NUL every 7", periodic(std::string("abcabc\0", 7), 300), periodic("abcab", 300)},
  };
  for (const auto& row : kRows) {
    for (int MinMatchLen : {0, 1, 3, 5}) {
      EXPECT_TRUE(same_tiles_as_literal(row.A, row.B, MinMatchLen)) << row.name;
    }
  }
}

TEST(TilingDifferentialTest, EmptyAgainstAnything) {
  for (const std::string s : {"", "a", "abcd", "id=id+id;"}) {
    for (int MinMatchLen : {0, 3}) {
      EXPECT_TRUE(same_tiles_as_literal("", s, MinMatchLen));
      EXPECT_TRUE(same_tiles_as_literal(s, "", MinMatchLen));
    }
  }
}

}  // namespace
}  // namespace codetwin::similarity
