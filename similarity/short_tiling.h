// The tiling of two short strings (both at most kShortLimit characters),
// bit-parallel. Row i of a table holds, as bits over the positions j of B,
// where a run of at least L starts at (i, j) in the strings as loaded; rows
// for L = 2^k are built by doubling, and any other L is one AND of two of
// them. The passes are then grouped by level exactly as in the suffix-array
// method (tiling_engine.cpp): at level L, a left-to-right sweep over the
// rows i whose window of L characters no tile touches takes the smallest j
// where a run of L starts whose window in B no tile touches either.
//
// O(levels x La) word operations, no allocation after the first call: for
// the tiny submissions of a large class, where fixed costs are everything.
#ifndef CODETWIN_SIMILARITY_SHORT_TILING_H_
#define CODETWIN_SIMILARITY_SHORT_TILING_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "similarity/similarity.h"

namespace codetwin::similarity {

/// The longest strings the bit-parallel method takes: two words of bits.
inline constexpr std::size_t kShortLimit = 128;

class ShortTiler {
 public:
  /// Appends the tiles in pass order, in original positions. A and B have
  /// at most kShortLimit characters; MinMatchLen >= 0.
  void run(std::string_view A, std::string_view B, int MinMatchLen,
           std::vector<OriginalTile>& tiles);

  /// A set of positions below kShortLimit.
  struct Bits {
    std::uint64_t lo = 0;  // positions 0..63
    std::uint64_t hi = 0;  // positions 64..127
  };

 private:
  static constexpr int kPowers = 8;  // runs of 1, 2, 4, ..., 128
  template <typename Word>
  using Table = std::array<Word, kShortLimit>;

  std::array<Bits, 256> of_symbol_{};  // by byte: where it stands in B
  // powers_[k][i]: where in B a run of at least 2^k starting at A[i] starts;
  // rows_ and trial_ hold a level's rows. One word when both strings fit.
  std::array<Table<Bits>, kPowers> powers_{};
  Table<Bits> rows_{};
  Table<Bits> trial_{};
  std::array<Table<std::uint64_t>, kPowers> narrow_powers_{};
  Table<std::uint64_t> narrow_rows_{};
  Table<std::uint64_t> narrow_trial_{};
};

}  // namespace codetwin::similarity

#endif  // CODETWIN_SIMILARITY_SHORT_TILING_H_
