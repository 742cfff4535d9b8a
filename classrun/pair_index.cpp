// PairIndex: the pairs' numbering, and the pair where a given cost is reached.
#include "classrun/pair_index.h"

namespace codetwin::classrun {

namespace {

// Sums of the weights before each submission: of all of them, and of the
// new ones (in the order of their indices).
struct WeightSums {
  std::vector<std::uint64_t> all_before;
  std::vector<std::uint64_t> new_before;
};

WeightSums weight_sums(const std::vector<std::uint64_t>& weights, const std::vector<bool>& old) {
  WeightSums sums;
  sums.all_before.assign(weights.size() + 1, 0);
  sums.new_before.push_back(0);
  for (std::size_t k = 0; k < weights.size(); ++k) {
    sums.all_before[k + 1] = sums.all_before[k] + weights[k];
    if (!old[k]) sums.new_before.push_back(sums.new_before.back() + weights[k]);
  }
  return sums;
}

}  // namespace

PairIndex::PairIndex(const std::vector<Submission>& submissions) {
  const std::size_t n = submissions.size();
  old_.resize(n);
  new_before_.assign(n + 1, 0);
  for (std::size_t i = 0; i < n; ++i) {
    old_[i] = submissions[i].cohort == Cohort::kOld;
    if (!old_[i]) new_ones_.push_back(static_cast<std::uint32_t>(i));
    new_before_[i + 1] = static_cast<std::uint32_t>(new_ones_.size());
  }
  row_start_.resize(n + 1, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t later = n - 1 - i;
    const auto new_later = static_cast<std::uint64_t>(new_ones_.end() - first_new_after(i));
    row_start_[i + 1] = row_start_[i] + (old_[i] ? new_later : later);
  }
}

std::uint64_t PairIndex::row_cost(std::size_t i, std::uint64_t m,
                                  const std::vector<std::uint64_t>& weights,
                                  const std::vector<std::uint64_t>& all_before,
                                  const std::vector<std::uint64_t>& new_before,
                                  std::uint64_t pair_cost) const {
  std::uint64_t partners = 0;
  if (!old_[i]) {
    partners = all_before[i + 1 + m] - all_before[i + 1];
  } else {
    const auto first = static_cast<std::size_t>(first_new_after(i) - new_ones_.begin());
    partners = new_before[first + m] - new_before[first];
  }
  return m * (weights[i] + pair_cost) + partners;
}

std::uint64_t PairIndex::total_cost(const std::vector<std::uint64_t>& weights,
                                    std::uint64_t pair_cost) const {
  const WeightSums sums = weight_sums(weights, old_);
  std::uint64_t cost = 0;
  for (std::size_t i = 0; i + 1 < row_start_.size(); ++i) {
    cost += row_cost(i, row_start_[i + 1] - row_start_[i], weights, sums.all_before,
                     sums.new_before, pair_cost);
  }
  return cost;
}

std::uint64_t PairIndex::pair_at_cost(std::uint64_t cost, const std::vector<std::uint64_t>& weights,
                                      std::uint64_t pair_cost) const {
  const WeightSums sums = weight_sums(weights, old_);
  std::uint64_t before = 0;  // what the rows before row i cost
  for (std::size_t i = 0; i + 1 < row_start_.size(); ++i) {
    const std::uint64_t pairs = row_start_[i + 1] - row_start_[i];
    const std::uint64_t row = row_cost(i, pairs, weights, sums.all_before, sums.new_before, pair_cost);
    if (before + row < cost) {
      before += row;
      continue;
    }
    // The fewest pairs of this row that bring the cost to `cost`.
    std::uint64_t low = 0, high = pairs;
    while (low < high) {
      const std::uint64_t mid = low + (high - low) / 2;
      if (before + row_cost(i, mid, weights, sums.all_before, sums.new_before, pair_cost) >= cost) {
        high = mid;
      } else {
        low = mid + 1;
      }
    }
    return row_start_[i] + low;
  }
  return total();
}

PairBlocks::PairBlocks(const PairIndex& index, std::uint64_t first, std::uint64_t last)
    : index_(index), first_(first), last_(last) {
  band_first_block_.push_back(0);
  if (first >= last) return;
  first_row_ = index.row_of(first);
  last_row_ = index.row_of(last - 1);
  const std::uint32_t n = index.submissions();
  for (std::uint32_t top = first_row_; top <= last_row_; top += kBandRows) {
    // Partners top + 1 ... n - 1, one block each.
    band_first_block_.push_back(band_first_block_.back() + (n - 1 - top));
    if (last_row_ - top < kBandRows) break;
  }
}

}  // namespace codetwin::classrun
