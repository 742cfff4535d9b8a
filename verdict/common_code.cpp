// profile_codes(): how many submissions hold each stretch, by sorting.
//
// Every submission's stretches are gathered once each, the whole run's are
// sorted and counted, and each submission then looks its own up among the
// common ones. A stretch of kStretch bytes is its own key, so two stretches
// are counted together only when they are the same bytes.
#include "verdict/common_code.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

namespace codetwin::verdict {

namespace {

using Key = std::array<std::uint64_t, (kStretch + 7) / 8>;

Key key_at(std::string_view code, std::size_t p) {
  Key key{};
  std::memcpy(key.data(), code.data() + p, kStretch);
  return key;
}

// The positions where a stretch starts: kStretch characters, none a blank.
template <typename F>
void for_each_stretch(std::string_view code, F&& f) {
  std::size_t clean = 0;  // characters before p that are not blanks, up to p
  for (std::size_t p = 0; p < code.size(); ++p) {
    clean = code[p] == ' ' ? 0 : clean + 1;
    if (clean >= kStretch) f(p + 1 - kStretch);
  }
}

// The stretches that at least `common_at` codes hold, sorted. Each code's
// stretches are gathered once each and the run's are sorted together; only
// the common ones are kept, in place, so that the run's stretches are held
// just once at the most.
std::vector<Key> common_stretches(const std::vector<std::string_view>& codes,
                                  std::size_t common_at) {
  std::vector<Key> all;
  std::vector<Key> own;
  for (std::string_view code : codes) {
    own.clear();
    for_each_stretch(code, [&](std::size_t p) { own.push_back(key_at(code, p)); });
    std::sort(own.begin(), own.end());
    own.erase(std::unique(own.begin(), own.end()), own.end());
    all.insert(all.end(), own.begin(), own.end());
  }
  std::sort(all.begin(), all.end());
  std::size_t kept = 0;
  for (std::size_t i = 0; i < all.size();) {
    std::size_t j = i + 1;
    while (j < all.size() && all[j] == all[i]) ++j;
    if (j - i >= common_at) all[kept++] = all[i];
    i = j;
  }
  all.resize(kept);
  all.shrink_to_fit();
  return all;
}

// The common stretches, to be looked up once for every stretch of the run:
// open addressing, at most half full, so that a look-up hashes once and
// nearly always reads one slot, where a binary search over the sorted
// stretches would wander through a few megabytes. Keys are compared whole.
class StretchSet {
 public:
  explicit StretchSet(std::vector<Key> keys) : keys_(std::move(keys)) {
    const auto bits = static_cast<unsigned>(std::bit_width(2 * keys_.size() + 1));
    shift_ = 64 - bits;
    mask_ = (std::size_t{1} << bits) - 1;
    slots_.assign(mask_ + 1, kEmpty);
    for (std::size_t k = 0; k < keys_.size(); ++k) {
      std::size_t slot = slot_of(keys_[k]);
      while (slots_[slot] != kEmpty) slot = (slot + 1) & mask_;
      slots_[slot] = static_cast<std::uint32_t>(k);
    }
  }

  bool contains(const Key& key) const {
    for (std::size_t slot = slot_of(key);; slot = (slot + 1) & mask_) {
      if (slots_[slot] == kEmpty) return false;
      if (keys_[slots_[slot]] == key) return true;
    }
  }

 private:
  static constexpr std::uint32_t kEmpty = ~std::uint32_t{0};

  std::size_t slot_of(const Key& key) const {
    std::uint64_t h = 0;
    for (std::uint64_t word : key) h = (h ^ word) * 0x9E3779B97F4A7C15ULL;
    return static_cast<std::size_t>(h >> shift_) & mask_;
  }

  std::vector<Key> keys_;
  std::vector<std::uint32_t> slots_;  // an index into keys_, or kEmpty
  unsigned shift_ = 0;
  std::size_t mask_ = 0;
};

}  // namespace

CodeProfile::CodeProfile(std::string_view code, const std::vector<bool>& common)
    : size_(code.size()),
      distinctive_bits_((code.size() + 63) / 64 + 1, 0),
      common_bits_((code.size() + 63) / 64 + 1, 0) {
  block_starts_.push_back(0);
  std::size_t depth = 0;
  for (std::size_t p = 0; p < code.size(); ++p) {
    const std::uint64_t bit = std::uint64_t{1} << (p % 64);
    if (code[p] != ' ') {
      if (common[p]) {
        common_bits_[p / 64] |= bit;
        ++common_;
      } else {
        distinctive_bits_[p / 64] |= bit;
      }
    }
    // A brace in a string or a stray one may shift a boundary; a block is
    // only where a part's code is counted, so that is harmless.
    if (code[p] == '{') ++depth;
    if (code[p] == '}' && depth > 0 && --depth == 0 && p + 1 < code.size()) {
      block_starts_.push_back(static_cast<std::uint32_t>(p + 1));
    }
  }
  before_word_.resize(distinctive_bits_.size() + 1, 0);
  for (std::size_t w = 0; w < distinctive_bits_.size(); ++w) {
    before_word_[w + 1] =
        before_word_[w] + static_cast<std::uint32_t>(std::popcount(distinctive_bits_[w]));
  }
}

std::int64_t CodeProfile::rank(std::size_t p) const {
  if (distinctive_bits_.empty()) return 0;  // not profiled: no code
  const std::uint64_t below = (std::uint64_t{1} << (p % 64)) - 1;
  return before_word_[p / 64] + std::popcount(distinctive_bits_[p / 64] & below);
}

std::int64_t CodeProfile::distinctive_in(std::int64_t begin, std::int64_t length) const {
  return rank(static_cast<std::size_t>(begin + length)) - rank(static_cast<std::size_t>(begin));
}

std::uint32_t CodeProfile::block_of(std::int64_t p) const {
  if (block_starts_.empty()) return 0;
  const auto after = std::upper_bound(block_starts_.begin(), block_starts_.end(),
                                      static_cast<std::uint32_t>(p));
  return static_cast<std::uint32_t>(after - block_starts_.begin() - 1);
}

std::int64_t CodeProfile::block_end(std::uint32_t k) const {
  return k + 1 < block_starts_.size() ? block_starts_[k + 1] : static_cast<std::int64_t>(size_);
}

std::int64_t CodeProfile::distinctive_in_block(std::uint32_t k) const {
  if (block_starts_.empty()) return 0;
  return distinctive_in(block_begin(k), block_end(k) - block_begin(k));
}


std::vector<CodeProfile> profile_codes(const std::vector<std::string_view>& codes,
                                       std::size_t common_at) {
  const StretchSet common_ones(common_at == 0 ? std::vector<Key>()
                                              : common_stretches(codes, common_at));
  std::vector<CodeProfile> profiles;
  profiles.reserve(codes.size());
  std::vector<bool> common;
  for (std::string_view code : codes) {
    common.assign(code.size(), false);
    // A common stretch marks its characters; `covered_to` is where the
    // marks of the stretches seen so far end.
    std::size_t covered_to = 0;
    for_each_stretch(code, [&](std::size_t p) {
      if (!common_ones.contains(key_at(code, p))) return;
      for (std::size_t q = std::max(p, covered_to); q < p + kStretch; ++q) common[q] = true;
      covered_to = p + kStretch;
    });
    profiles.emplace_back(code, common);
  }
  return profiles;
}

}  // namespace codetwin::verdict
