// The bit set's next and previous member against std::set.
#include "similarity/bit_tree.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <set>

#include "bench/generate.h"

namespace codetwin::similarity {
namespace {

std::size_t next_in(const std::set<std::size_t>& set, std::size_t i) {
  auto it = set.lower_bound(i);
  return it == set.end() ? BitTree::kNone : *it;
}

std::size_t prev_in(const std::set<std::size_t>& set, std::size_t i) {
  auto it = set.upper_bound(i);
  return it == set.begin() ? BitTree::kNone : *std::prev(it);
}

TEST(BitTreeTest, MatchesAnOrderedSet) {
  // Sizes around the word and summary-word boundaries.
  const std::size_t kSizes[] = {1, 2, 63, 64, 65, 4095, 4096, 4097, 300000};
  for (std::size_t size : kSizes) {
    for (bool full : {false, true}) {
      bench::Rng rng(size * 2 + full);
      BitTree bits(size, full);
      std::set<std::size_t> set;
      if (full) {
        for (std::size_t i = 0; i < size; ++i) set.insert(i);
      }
      for (int step = 0; step < 20000; ++step) {
        const std::size_t i = rng.below(size);
        if (rng.percent(50)) {
          bits.set(i);
          set.insert(i);
        } else {
          bits.clear(i);
          set.erase(i);
        }
        const std::size_t j = rng.below(size + 2);
        ASSERT_EQ(bits.next(j), next_in(set, j)) << "size " << size << " step " << step;
        ASSERT_EQ(bits.prev(j), prev_in(set, j)) << "size " << size << " step " << step;
        ASSERT_EQ(bits.test(i), set.count(i) == 1) << "size " << size << " step " << step;
      }
    }
  }
}

TEST(BitTreeTest, EmptyUniverse) {
  BitTree bits(0);
  EXPECT_EQ(bits.next(0), BitTree::kNone);
  EXPECT_EQ(bits.prev(0), BitTree::kNone);
}

}  // namespace
}  // namespace codetwin::similarity
