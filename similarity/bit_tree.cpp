#include "similarity/bit_tree.h"

#include <algorithm>

namespace codetwin::similarity {

namespace {

constexpr std::uint64_t kAllBits = ~std::uint64_t{0};

}  // namespace

void BitTree::reset(std::size_t size, bool full) {
  size_ = size;
  levels_ = 0;
  std::size_t total = 0;
  std::size_t bits = size;
  do {
    const std::size_t words = (bits + 63) / 64;
    level_start_[levels_] = total;
    word_count_[levels_] = words;
    ++levels_;
    total += words;
    bits = words;
  } while (bits > 1);
  if (words_.size() < total) words_.resize(total);
  if (!full) {
    std::fill(words_.begin(), words_.begin() + static_cast<std::ptrdiff_t>(total), 0);
    return;
  }
  bits = size;
  for (std::size_t h = 0; h < levels_; ++h) {
    std::uint64_t* level = words_.data() + level_start_[h];
    const std::size_t words = word_count_[h];
    std::fill(level, level + words, kAllBits);
    if (bits % 64 != 0) level[words - 1] = bit(bits) - 1;
    bits = words;
  }
}

std::size_t BitTree::prev(std::size_t i) const {
  if (size_ == 0) return kNone;
  if (i >= size_) i = size_ - 1;
  std::size_t h = 0;
  for (;;) {
    const std::size_t w = i >> 6;
    const std::uint64_t upto = kAllBits >> (63 - (i & 63));
    const std::uint64_t below = words_[level_start_[h] + w] & upto;
    if (below != 0) {
      i = (w << 6) | static_cast<std::size_t>(63 - std::countl_zero(below));
      break;
    }
    if (w == 0 || ++h == levels_) return kNone;
    i = w - 1;
  }
  while (h > 0) {
    --h;
    i = (i << 6) | static_cast<std::size_t>(63 - std::countl_zero(words_[level_start_[h] + i]));
  }
  return i;
}

}  // namespace codetwin::similarity
