// A set of integers 0..size-1 held as bits, with a summary bit per 64-bit
// word on each level above, so that the next or previous member of any
// number is found in a few word operations (log64 of the size) however
// sparse the set is. About 1.02 bits per possible member.
#ifndef CODETWIN_SIMILARITY_BIT_TREE_H_
#define CODETWIN_SIMILARITY_BIT_TREE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace codetwin::similarity {

class BitTree {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  /// An empty set, or a full one, of numbers below `size`.
  explicit BitTree(std::size_t size, bool full = false);

  bool test(std::size_t i) const { return (levels_[0][i >> 6] >> (i & 63)) & 1; }
  void set(std::size_t i);
  void clear(std::size_t i);
  /// The smallest member >= i, or kNone.
  std::size_t next(std::size_t i) const;
  /// The largest member <= i, or kNone.
  std::size_t prev(std::size_t i) const;

 private:
  std::size_t size_;
  // levels_[0] holds the members; bit w of levels_[h + 1] tells whether
  // word w of levels_[h] is non-zero. The top level is one word.
  std::vector<std::vector<std::uint64_t>> levels_;
};

}  // namespace codetwin::similarity

#endif  // CODETWIN_SIMILARITY_BIT_TREE_H_
