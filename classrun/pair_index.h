// The pairs of a class, numbered: row i holds (i, j) for every partner
// j > i in index order; an old submission's partners are the new ones only.
// Scoring hands out numbers, and a shard takes a range of them.
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
  std::vector<std::uint64_t> row_start_;  // pairs before row i
};

}  // namespace codetwin::classrun

#endif  // CODETWIN_CLASSRUN_PAIR_INDEX_H_
