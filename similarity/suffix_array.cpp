#include "similarity/suffix_array.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>

namespace codetwin::similarity {

namespace {

template <typename Index>
constexpr Index kEmpty = std::numeric_limits<Index>::max();

// The LMS positions of one level as bits: i is LMS when suffix i is S-type
// (smaller than suffix i + 1) and suffix i - 1 is L-type (larger).
class LmsBits {
 public:
  LmsBits(std::uint64_t* words, std::size_t count) : words_(words), count_(count) {}
  template <typename Index>
  bool test(Index i) const {
    return (words_[i >> 6] >> (i & 63)) & 1;
  }
  template <typename Index>
  void set(Index i) {
    words_[i >> 6] |= std::uint64_t{1} << (i & 63);
  }
  /// Calls f(i) for every LMS position i, in text order.
  template <typename Index, typename F>
  void for_each(F&& f) const {
    for (std::size_t w = 0; w < count_; ++w) {
      for (std::uint64_t bits = words_[w]; bits != 0; bits &= bits - 1) {
        f(static_cast<Index>((w << 6) | static_cast<std::size_t>(std::countr_zero(bits))));
      }
    }
  }

 private:
  std::uint64_t* words_;
  std::size_t count_;
};

// bounds[c] becomes the first slot of symbol c's bucket.
template <typename Index>
void bucket_starts(const Index* counts, Index symbols, Index* bounds) {
  Index sum = 0;
  for (Index c = 0; c < symbols; ++c) {
    bounds[c] = sum;
    sum += counts[c];
  }
}

// bounds[c] becomes one past the last slot of symbol c's bucket.
template <typename Index>
void bucket_ends(const Index* counts, Index symbols, Index* bounds) {
  Index sum = 0;
  for (Index c = 0; c < symbols; ++c) {
    sum += counts[c];
    bounds[c] = sum;
  }
}

// From LMS suffixes at their bucket ends, places every L-type suffix (left
// to right) and then every S-type suffix (right to left).
//
// Whether the suffix before the one met is placed is a coin toss for the
// branch predictor, so the loops decide it without branches: a suffix not
// to be placed is written to a spare slot instead.
template <typename Index, typename Char>
void induce(const Char* s, Index n, Index symbols, const Index* counts, Index* bounds, Index* sa) {
  const auto last = static_cast<Index>(n - 1);
  Index spare;
  bucket_starts(counts, symbols, bounds);
  sa[bounds[s[last]]++] = last;  // follows the sentinel
  for (Index k = 0; k < n; ++k) {
    const Index j = sa[k];
    // The wrapped j - 1 < n - 1 leaves out j == 0 and empty slots.
    const bool met = static_cast<Index>(j - 1) < last;
    const Index i = met ? j - 1 : 0;
    // The suffixes met here are LMS or L-type, so the one before j is
    // L-type exactly when its symbol is not smaller.
    const Char c = s[i];
    const bool place = met && c >= s[i + 1];
    Index& bound = bounds[c];
    *(place ? sa + bound : &spare) = i;
    bound += place;
  }
  bucket_ends(counts, symbols, bounds);
  for (Index k = n; k-- > 0;) {
    const Index j = sa[k];
    const bool met = static_cast<Index>(j - 1) < last;
    const Index i = met ? j - 1 : 0;
    // With equal symbols the one before j has j's type; j is S-type exactly
    // when it lies in the part of its bucket already filled from the end.
    const Char c = s[i];
    const Char d = s[i + 1];
    const bool place = met && (c < d || (c == d && k >= bounds[d]));
    Index& bound = bounds[c];
    bound -= place;
    *(place ? sa + bound : &spare) = i;
  }
}

}  // namespace

template <typename Index>
void SuffixSorter<Index>::sort(const std::uint8_t* s, Index n, Index symbols, Index* sa) {
  if (n < 2) {
    if (n == 1) sa[0] = 0;
    return;
  }
  // Each level needs a bit per symbol, the reduced one at most half as many
  // symbols, plus one word of rounding per level.
  const std::size_t lms_words = 2 * (static_cast<std::size_t>(n) / 64) + 2 * 64;
  if (lms_.size() < lms_words) lms_.resize(lms_words);
  sort_level(s, n, symbols, sa, 0);
}

template <typename Index>
void SuffixSorter<Index>::release() {
  std::vector<Index>().swap(buckets_);
  std::vector<std::uint64_t>().swap(lms_);
}

template <typename Index>
template <typename Char>
void SuffixSorter<Index>::sort_level(const Char* s, Index n, Index symbols, Index* sa,
                                     std::size_t lms_word) {
  if (buckets_.size() < 2 * static_cast<std::size_t>(symbols)) buckets_.resize(2 * symbols);
  Index* counts = buckets_.data();
  Index* bounds = counts + symbols;
  std::fill(counts, counts + symbols, 0);
  for (Index i = 0; i < n; ++i) ++counts[s[i]];

  // 1. Types, right to left (s[n - 1] is L-type: the sentinel after it is
  // smaller), and every LMS suffix at the end of its bucket.
  const std::size_t words = (static_cast<std::size_t>(n) + 63) / 64;
  std::fill(lms_.data() + lms_word, lms_.data() + lms_word + words, 0);
  LmsBits lms(lms_.data() + lms_word, words);
  std::fill(sa, sa + n, kEmpty<Index>);
  bucket_ends(counts, symbols, bounds);
  Index n1 = 0;
  bool next_is_s = false;
  for (Index i = n - 1; i-- > 0;) {
    const bool is_s = s[i] < s[i + 1] || (s[i] == s[i + 1] && next_is_s);
    if (!is_s && next_is_s) {
      lms.set(i + 1);
      sa[--bounds[s[i + 1]]] = i + 1;
      ++n1;
    }
    next_is_s = is_s;
  }
  // 2. Sort the LMS substrings by one induced pass.
  induce(s, n, symbols, counts, bounds, sa);

  // 3. Name them in sorted order; equal substrings get equal names. The
  // length of each (up to the next LMS position, inclusive) waits in slot
  // n1 + position / 2, unique since LMS positions are at least two apart.
  Index m = 0;
  for (Index k = 0; k < n; ++k) {
    if (lms.test(sa[k])) sa[m++] = sa[k];
  }
  std::fill(sa + n1, sa + n, kEmpty<Index>);
  if (n1 > 0) {
    Index previous_lms = kEmpty<Index>;
    lms.for_each<Index>([&](Index i) {
      if (previous_lms != kEmpty<Index>) sa[n1 + previous_lms / 2] = i - previous_lms + 1;
      previous_lms = i;
    });
    sa[n1 + previous_lms / 2] = n - previous_lms + 1;  // runs into the sentinel
  }
  Index names = 0;
  Index previous = 0;
  Index previous_length = 0;
  for (Index k = 0; k < n1; ++k) {
    const Index p = sa[k];
    const Index length = sa[n1 + p / 2];
    // Equal symbols over equal lengths mean equal types too, both ending
    // S-type; the one that runs into the sentinel equals no other.
    bool same = k > 0 && length == previous_length && p + length <= n && previous + length <= n;
    for (Index d = 0; same && d < length; ++d) same = s[p + d] == s[previous + d];
    if (!same) ++names;
    sa[n1 + p / 2] = names - 1;
    previous = p;
    previous_length = length;
  }
  Index j = n;
  for (Index k = n; k-- > n1;) {
    if (sa[k] != kEmpty<Index>) sa[--j] = sa[k];
  }

  // 4. Sort the reduced string, recursively unless its names are unique.
  Index* s1 = sa + n - n1;
  if (names < n1) {
    sort_level(static_cast<const Index*>(s1), n1, names, sa, lms_word + words);
    // The reduced problem used the bucket counters: count again.
    if (buckets_.size() < 2 * static_cast<std::size_t>(symbols)) buckets_.resize(2 * symbols);
    counts = buckets_.data();
    bounds = counts + symbols;
    std::fill(counts, counts + symbols, 0);
    for (Index i = 0; i < n; ++i) ++counts[s[i]];
  } else {
    for (Index k = 0; k < n1; ++k) sa[s1[k]] = k;
  }

  // 5. Place the LMS suffixes in their sorted order and induce the rest.
  j = 0;
  lms.for_each<Index>([&](Index i) { s1[j++] = i; });
  for (Index k = 0; k < n1; ++k) sa[k] = s1[sa[k]];
  std::fill(sa + n1, sa + n, kEmpty<Index>);
  bucket_ends(counts, symbols, bounds);
  for (Index k = n1; k-- > 0;) {
    const Index p = sa[k];
    sa[k] = kEmpty<Index>;
    sa[--bounds[s[p]]] = p;
  }
  induce(s, n, symbols, counts, bounds, sa);
}

template <typename Index>
std::vector<Index> suffix_array(std::string_view text) {
  const auto n = static_cast<Index>(text.size());
  std::vector<Index> sa(n);
  SuffixSorter<Index>().sort(reinterpret_cast<const std::uint8_t*>(text.data()), n, 256, sa.data());
  return sa;
}

template class SuffixSorter<std::uint32_t>;
template class SuffixSorter<std::uint64_t>;
template std::vector<std::uint32_t> suffix_array<std::uint32_t>(std::string_view);
template std::vector<std::uint64_t> suffix_array<std::uint64_t>(std::string_view);

}  // namespace codetwin::similarity
