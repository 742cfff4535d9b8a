// The pairs' numbering and the blocks that scoring goes through: every pair
// of a range in exactly one block, whatever the class's cohorts and cut.
#include "classrun/pair_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace codetwin::classrun {
namespace {

using Pair = std::pair<std::uint32_t, std::uint32_t>;

std::vector<Submission> class_of(std::uint32_t n, bool (*is_old)(std::uint32_t, std::uint32_t)) {
  std::vector<Submission> subs(n);
  for (std::uint32_t k = 0; k < n; ++k) subs[k].cohort = is_old(k, n) ? Cohort::kOld : Cohort::kNew;
  return subs;
}

// The range's pairs in number order, checking number() on the way.
std::vector<Pair> numbered(const PairIndex& index, std::uint64_t first, std::uint64_t last) {
  std::vector<Pair> pairs;
  index.for_each(first, last, [&](std::uint32_t i, std::uint32_t j) {
    EXPECT_TRUE(index.paired(i, j));
    EXPECT_EQ(index.number(i, j), first + pairs.size()) << i << "," << j;
    EXPECT_EQ(index.row_of(first + pairs.size()), i);
    pairs.emplace_back(i, j);
    return true;
  });
  return pairs;
}

std::vector<Pair> in_blocks(const PairIndex& index, std::uint64_t first, std::uint64_t last) {
  const PairBlocks blocks(index, first, last);
  std::vector<Pair> pairs;
  for (std::uint64_t b = 0; b < blocks.size(); ++b) {
    std::vector<Pair> block;
    blocks.for_each_in(b, [&](std::uint32_t i, std::uint32_t j) {
      block.emplace_back(i, j);
      return true;
    });
    // One partner a block, rows of one band.
    for (const Pair& p : block) {
      EXPECT_EQ(p.second, block.front().second);
      EXPECT_LT(p.first - block.front().first, PairBlocks::kBandRows);
    }
    pairs.insert(pairs.end(), block.begin(), block.end());
  }
  std::sort(pairs.begin(), pairs.end());
  return pairs;
}

TEST(PairBlocksTest, EveryPairOfARangeIsInExactlyOneBlock) {
  struct Cohorts {
    const char* name;
    bool (*is_old)(std::uint32_t k, std::uint32_t n);
  };
  const Cohorts cohorts[] = {
      {"all new", [](std::uint32_t, std::uint32_t) { return false; }},
      {"every third old", [](std::uint32_t k, std::uint32_t) { return k % 3 == 0; }},
      {"first half old", [](std::uint32_t k, std::uint32_t n) { return k < n / 2; }},
      {"last half old", [](std::uint32_t k, std::uint32_t n) { return k >= n / 2; }},
      {"all old but one", [](std::uint32_t k, std::uint32_t n) { return k != n / 3; }},
  };
  for (const std::uint32_t n : {1u, 2u, 3u, 129u, 300u}) {
    for (const Cohorts& c : cohorts) {
      const std::vector<Submission> subs = class_of(n, c.is_old);
      const PairIndex index(subs);
      const std::uint64_t total = index.total();
      std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges = {{0, total}};
      for (const std::uint64_t cuts : {2u, 3u, 7u}) {
        for (std::uint64_t k = 0; k < cuts; ++k) ranges.emplace_back(total * k / cuts, total * (k + 1) / cuts);
      }
      if (total > 0) ranges.insert(ranges.end(), {{0, 1}, {total - 1, total}, {total / 2, total / 2 + 1}});
      for (const auto& [first, last] : ranges) {
        SCOPED_TRACE(testing::Message() << c.name << ", n = " << n << ", [" << first << ", " << last << ")");
        std::vector<Pair> expected = numbered(index, first, last);
        ASSERT_EQ(expected.size(), last - first);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(in_blocks(index, first, last), expected);
      }
    }
  }
}

TEST(PairBlocksTest, StopsWhenAsked) {
  const std::vector<Submission> subs = class_of(10, [](std::uint32_t, std::uint32_t) { return false; });
  const PairIndex index(subs);
  const PairBlocks blocks(index, 0, index.total());
  int calls = 0;
  // The last block holds the pairs of partner 9: rows 0 to 8.
  EXPECT_FALSE(blocks.for_each_in(blocks.size() - 1, [&](std::uint32_t, std::uint32_t) { return ++calls < 3; }));
  EXPECT_EQ(calls, 3);
}

}  // namespace
}  // namespace codetwin::classrun
