#include "similarity/bit_tree.h"

#include <bit>

namespace codetwin::similarity {

namespace {

std::uint64_t bit(std::size_t i) { return std::uint64_t{1} << (i & 63); }

}  // namespace

BitTree::BitTree(std::size_t size, bool full) : size_(size) {
  std::size_t bits = size;
  do {
    const std::size_t words = (bits + 63) / 64;
    std::vector<std::uint64_t> level(words, 0);
    if (full) {
      for (std::size_t w = 0; w < words; ++w) {
        const std::size_t used = bits - w * 64;
        level[w] = used >= 64 ? ~std::uint64_t{0} : bit(used) - 1;
      }
    }
    levels_.push_back(std::move(level));
    bits = words;
  } while (bits > 1);
}

void BitTree::set(std::size_t i) {
  for (std::vector<std::uint64_t>& level : levels_) {
    std::uint64_t& word = level[i >> 6];
    const bool was_empty = word == 0;
    word |= bit(i);
    if (!was_empty) return;
    i >>= 6;
  }
}

void BitTree::clear(std::size_t i) {
  for (std::vector<std::uint64_t>& level : levels_) {
    std::uint64_t& word = level[i >> 6];
    word &= ~bit(i);
    if (word != 0) return;
    i >>= 6;
  }
}

std::size_t BitTree::next(std::size_t i) const {
  if (i >= size_) return kNone;
  std::size_t h = 0;
  for (;;) {
    const std::vector<std::uint64_t>& level = levels_[h];
    const std::size_t w = i >> 6;
    if (w >= level.size()) return kNone;
    const std::uint64_t above = level[w] & (~std::uint64_t{0} << (i & 63));
    if (above != 0) {
      i = (w << 6) | static_cast<std::size_t>(std::countr_zero(above));
      break;
    }
    if (++h == levels_.size()) return kNone;
    i = w + 1;
  }
  while (h > 0) {
    --h;
    i = (i << 6) | static_cast<std::size_t>(std::countr_zero(levels_[h][i]));
  }
  return i;
}

std::size_t BitTree::prev(std::size_t i) const {
  if (size_ == 0) return kNone;
  if (i >= size_) i = size_ - 1;
  std::size_t h = 0;
  for (;;) {
    const std::size_t w = i >> 6;
    const std::uint64_t upto = (i & 63) == 63 ? ~std::uint64_t{0} : (bit(i) << 1) - 1;
    const std::uint64_t below = levels_[h][w] & upto;
    if (below != 0) {
      i = (w << 6) | static_cast<std::size_t>(63 - std::countl_zero(below));
      break;
    }
    if (w == 0 || ++h == levels_.size()) return kNone;
    i = w - 1;
  }
  while (h > 0) {
    --h;
    i = (i << 6) | static_cast<std::size_t>(63 - std::countl_zero(levels_[h][i]));
  }
  return i;
}

}  // namespace codetwin::similarity
