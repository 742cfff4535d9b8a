// The suffix array against sorting the suffixes directly.
#include "similarity/suffix_array.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "bench/generate.h"
#include "tests/similarity/differential.h"

namespace codetwin::similarity {
namespace {

// string_view compares bytes as unsigned char, and a prefix first.
std::vector<std::uint32_t> sorted_suffixes(std::string_view text) {
  std::vector<std::uint32_t> sa(text.size());
  std::iota(sa.begin(), sa.end(), 0u);
  std::sort(sa.begin(), sa.end(),
            [&](std::uint32_t x, std::uint32_t y) { return text.substr(x) < text.substr(y); });
  return sa;
}

::testing::AssertionResult sorts_like_direct(std::string_view text) {
  const std::vector<std::uint32_t> want = sorted_suffixes(text);
  if (suffix_array<std::uint32_t>(text) != want) {
    return ::testing::AssertionFailure() << "32-bit, text \"" << escaped(text) << "\"";
  }
  const std::vector<std::uint64_t> wide = suffix_array<std::uint64_t>(text);
  if (!std::equal(wide.begin(), wide.end(), want.begin(), want.end())) {
    return ::testing::AssertionFailure() << "64-bit, text \"" << escaped(text) << "\"";
  }
  return ::testing::AssertionSuccess();
}

std::string repeated(std::string_view unit, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += unit;
  return s;
}

TEST(SuffixArrayTest, EveryShortStringOverTwoSymbols) {
  for (const std::string& text : all_strings("ab", 12)) ASSERT_TRUE(sorts_like_direct(text));
}

TEST(SuffixArrayTest, EveryShortStringOverThreeSymbolsWithNul) {
  for (const std::string& text : all_strings(std::string("a\0b", 3), 7)) {
    ASSERT_TRUE(sorts_like_direct(text));
  }
}

TEST(SuffixArrayTest, RandomAndRepetitiveTexts) {
  std::string all_bytes;
  for (int c = 0; c < 256; ++c) all_bytes += static_cast<char>(c);
  const struct {
    const char* name;
    std::string text;
  } kRows[] = {
      {"one letter", std::string(3000, 'a')},
      {"two letters alternating", repeated("ab", 1500)},
      {"two symbols", bench::random_string(2, 4000, "ab")},
      {"four symbols", bench::random_string(3, 4000, "acgt")},
      {"every byte", bench::random_string(4, 4000, all_bytes)},
      {"repeated statement", bench::repeated_statement(5, 4000, 7)},
      {"token string", bench::generate_pair(6, 3000).first.tokens},
  };
  for (const auto& row : kRows) EXPECT_TRUE(sorts_like_direct(row.text)) << row.name;
}

}  // namespace
}  // namespace codetwin::similarity
