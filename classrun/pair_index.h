// The pairs of a class, numbered: row i holds (i, j) for every partner
// j > i in index order; an old submission's partners are the new ones only.
// A shard takes a range of the numbers; scoring goes through a range in
// blocks (PairBlocks) whose order keeps the strings' indexes in use.
#ifndef CODETWIN_CLASSRUN_PAIR_INDEX_H_
#define CODETWIN_CLASSRUN_PAIR_INDEX_H_

#include <algorithm>
#include <cstdint>
#include <vector>

#include "classrun/classrun.h"

namespace codetwin::classrun {

class PairIndex {
 public:
  explicit PairIndex(const std::vector<Submission>& submissions);

  std::uint64_t total() const { return row_start_.back(); }
  std::uint32_t submissions() const { return static_cast<std::uint32_t>(old_.size()); }

  /// Whether i and j (i < j) are a pair.
  bool paired(std::uint32_t i, std::uint32_t j) const { return !(old_[i] && old_[j]); }
  /// The number of the pair (i, j), i < j, paired(i, j).
  std::uint64_t number(std::uint32_t i, std::uint32_t j) const {
    return row_start_[i] + (old_[i] ? new_before_[j] - new_before_[i + 1] : j - i - 1);
  }
  /// The row that holds the pair numbered `pair` (< total()).
  std::uint32_t row_of(std::uint64_t pair) const {
    return static_cast<std::uint32_t>(
        std::upper_bound(row_start_.begin(), row_start_.end(), pair) - row_start_.begin() - 1);
  }

  /// The first pair number at which the pairs before it cost at least
  /// `cost`, where a pair costs weight(i) + weight(j) + `pair_cost` (see
  /// pair_slice()); total() when they all cost less.
  std::uint64_t pair_at_cost(std::uint64_t cost, const std::vector<std::uint64_t>& weights,
                             std::uint64_t pair_cost) const;
  /// What every pair costs together, as pair_at_cost() counts.
  std::uint64_t total_cost(const std::vector<std::uint64_t>& weights, std::uint64_t pair_cost) const;

  /// Calls f(i, j) for the pairs numbered [first, last), until f returns false.
  template <typename F>
  void for_each(std::uint64_t first, std::uint64_t last, F&& f) const {
    auto row = std::upper_bound(row_start_.begin(), row_start_.end(), first) - row_start_.begin() - 1;
    std::uint64_t k = first;
    while (k < last) {
      const auto i = static_cast<std::uint32_t>(row);
      const std::uint64_t row_end = std::min(last, row_start_[row + 1]);
      const std::uint64_t offset = k - row_start_[row];
      if (!old_[i]) {
        for (std::uint64_t j = i + 1 + offset; k < row_end; ++j, ++k) {
          if (!f(i, static_cast<std::uint32_t>(j))) return;
        }
      } else {
        auto j = first_new_after(i) + static_cast<std::ptrdiff_t>(offset);
        for (; k < row_end; ++j, ++k) {
          if (!f(i, *j)) return;
        }
      }
      ++row;
    }
  }

 private:
  std::vector<std::uint32_t>::const_iterator first_new_after(std::size_t i) const {
    return std::upper_bound(new_ones_.begin(), new_ones_.end(), static_cast<std::uint32_t>(i));
  }
  // What the first `m` pairs of row i cost.
  std::uint64_t row_cost(std::size_t i, std::uint64_t m, const std::vector<std::uint64_t>& weights,
                         const std::vector<std::uint64_t>& all_before,
                         const std::vector<std::uint64_t>& new_before, std::uint64_t pair_cost) const;

  std::vector<bool> old_;
  std::vector<std::uint32_t> new_ones_;
  std::vector<std::uint32_t> new_before_;  // new submissions before index k
  std::vector<std::uint64_t> row_start_;  // pairs before row i
};

/// The pairs numbered [first, last), cut into blocks for scoring. The rows
/// go in bands of kBandRows; a band's pairs go partner by partner, one
/// partner j a block: (i, j) for the band's rows i < j. Row by row, a
/// thread meets a new partner at every pair, and once a class's strings
/// outgrow what a thread keeps indexed (some 1,400 submissions of 3 kB),
/// it indexes that partner again for every pair: at 5,000 submissions and
/// more that was some 40 % of the time. Block by block it meets one new
/// string per block and the band's rows, met before, so each index serves
/// up to kBandRows pairs. Every pair of the range is in exactly one block.
class PairBlocks {
 public:
  static constexpr std::uint32_t kBandRows = 128;

  PairBlocks(const PairIndex& index, std::uint64_t first, std::uint64_t last);

  std::uint64_t size() const { return band_first_block_.back(); }

  /// Calls f(i, j) for the pairs of block `block` (< size()), until f
  /// returns false; false if it did.
  template <typename F>
  bool for_each_in(std::uint64_t block, F&& f) const {
    const auto band = static_cast<std::size_t>(
        std::upper_bound(band_first_block_.begin(), band_first_block_.end(), block) -
        band_first_block_.begin() - 1);
    const std::uint32_t top = first_row_ + static_cast<std::uint32_t>(band) * kBandRows;
    const std::uint32_t bottom = std::min(top + kBandRows, last_row_ + 1);
    const auto j = static_cast<std::uint32_t>(top + 1 + (block - band_first_block_[band]));
    for (std::uint32_t i = top; i < std::min(bottom, j); ++i) {
      if (!index_.paired(i, j)) continue;
      const std::uint64_t number = index_.number(i, j);
      if (number < first_ || number >= last_) continue;
      if (!f(i, j)) return false;
    }
    return true;
  }

 private:
  const PairIndex& index_;
  std::uint64_t first_, last_;
  std::uint32_t first_row_ = 0, last_row_ = 0;
  std::vector<std::uint64_t> band_first_block_;  // blocks before each band, and all of them
};

}  // namespace codetwin::classrun

#endif  // CODETWIN_CLASSRUN_PAIR_INDEX_H_
