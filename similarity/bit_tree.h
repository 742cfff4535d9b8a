// A set of integers 0..size-1 held as bits, with a summary bit per 64-bit
// word on each level above, so that the next or previous member of any
// number is found in a few word operations (log64 of the size) however
// sparse the set is. About 1.02 bits per possible member. reset() keeps the
// memory, so one set can serve many sizes in a row.
#ifndef CODETWIN_SIMILARITY_BIT_TREE_H_
#define CODETWIN_SIMILARITY_BIT_TREE_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace codetwin::similarity {

class BitTree {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  BitTree() { reset(0); }
  /// An empty set, or a full one, of numbers below `size`.
  explicit BitTree(std::size_t size, bool full = false) { reset(size, full); }
  /// Becomes an empty or full set of numbers below `size`.
  void reset(std::size_t size, bool full = false);

  bool test(std::size_t i) const { return (words_[i >> 6] >> (i & 63)) & 1; }
  void set(std::size_t i) {
    for (std::size_t h = 0; h < levels_; ++h) {
      std::uint64_t& word = words_[level_start_[h] + (i >> 6)];
      const bool was_empty = word == 0;
      word |= bit(i);
      if (!was_empty) return;
      i >>= 6;
    }
  }
  void clear(std::size_t i) {
    for (std::size_t h = 0; h < levels_; ++h) {
      std::uint64_t& word = words_[level_start_[h] + (i >> 6)];
      word &= ~bit(i);
      if (word != 0) return;
      i >>= 6;
    }
  }
  /// The smallest member >= i, or kNone.
  std::size_t next(std::size_t i) const {
    if (i >= size_) return kNone;
    std::size_t h = 0;
    for (;;) {
      const std::size_t w = i >> 6;
      if (w >= word_count_[h]) return kNone;
      const std::uint64_t above = words_[level_start_[h] + w] & (~std::uint64_t{0} << (i & 63));
      if (above != 0) {
        i = (w << 6) | static_cast<std::size_t>(std::countr_zero(above));
        break;
      }
      if (++h == levels_) return kNone;
      i = w + 1;
    }
    while (h > 0) {
      --h;
      i = (i << 6) | static_cast<std::size_t>(std::countr_zero(words_[level_start_[h] + i]));
    }
    return i;
  }
  /// The largest member <= i, or kNone.
  std::size_t prev(std::size_t i) const;

 private:
  // Enough levels for any std::size_t: 64^11 > 2^64.
  static constexpr std::size_t kMaxLevels = 11;

  static std::uint64_t bit(std::size_t i) { return std::uint64_t{1} << (i & 63); }

  std::size_t size_ = 0;
  std::size_t levels_ = 0;
  // Level h holds word_count_[h] words from words_[level_start_[h]]; level 0
  // holds the members, and bit w of level h + 1 tells whether word w of
  // level h is non-zero. The top level is one word.
  std::size_t level_start_[kMaxLevels] = {};
  std::size_t word_count_[kMaxLevels] = {};
  std::vector<std::uint64_t> words_;
};

}  // namespace codetwin::similarity

#endif  // CODETWIN_SIMILARITY_BIT_TREE_H_
