#include "similarity/suffix_array.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace codetwin::similarity {

namespace {

// Sorts the suffixes of s[0..n) whose symbols are below K, as if a unique
// smallest sentinel followed s[n - 1]. sa must hold n entries.
template <typename Index, typename Char>
class InducedSorter {
 public:
  InducedSorter(const Char* s, Index n, Index K)
      : s_(s), n_(n), K_(K), stype_((n + 63) / 64, 0), buckets_(K) {
    // s[n - 1] is L-type: it is larger than the sentinel after it.
    for (Index i = n - 1; i-- > 0;) {
      if (s[i] < s[i + 1] || (s[i] == s[i + 1] && is_s(i + 1))) {
        stype_[i >> 6] |= std::uint64_t{1} << (i & 63);
      }
    }
  }

  void sort(Index* sa) {
    constexpr Index kEmpty = std::numeric_limits<Index>::max();
    const Index n = n_;
    // 1. Sort the LMS substrings by one induced pass.
    std::fill(sa, sa + n, kEmpty);
    bucket_bounds(true);
    for (Index i = n; --i > 0;) {
      if (is_lms(i)) sa[--buckets_[s_[i]]] = i;
    }
    induce(sa);

    // 2. Name them; equal substrings get equal names.
    Index n1 = 0;
    for (Index k = 0; k < n; ++k) {
      if (is_lms(sa[k])) sa[n1++] = sa[k];
    }
    std::fill(sa + n1, sa + n, kEmpty);
    Index names = 0;
    for (Index k = 0; k < n1; ++k) {
      if (k == 0 || !equal_lms(sa[k - 1], sa[k])) ++names;
      // LMS positions are at least two apart, so pos / 2 is a unique slot.
      sa[n1 + sa[k] / 2] = names - 1;
    }
    Index j = n;
    for (Index k = n; k-- > n1;) {
      if (sa[k] != kEmpty) sa[--j] = sa[k];
    }

    // 3. Sort the reduced string, recursively unless its names are unique.
    Index* s1 = sa + n - n1;
    if (names < n1) {
      std::vector<Index>().swap(buckets_);  // not needed down there
      InducedSorter<Index, Index>(s1, n1, names).sort(sa);
      buckets_.resize(K_);
    } else {
      for (Index k = 0; k < n1; ++k) sa[s1[k]] = k;
    }

    // 4. Place the LMS suffixes in their sorted order and induce the rest.
    j = 0;
    for (Index i = 1; i < n; ++i) {
      if (is_lms(i)) s1[j++] = i;
    }
    for (Index k = 0; k < n1; ++k) sa[k] = s1[sa[k]];
    std::fill(sa + n1, sa + n, kEmpty);
    bucket_bounds(true);
    for (Index k = n1; k-- > 0;) {
      const Index p = sa[k];
      sa[k] = kEmpty;
      sa[--buckets_[s_[p]]] = p;
    }
    induce(sa);
  }

 private:
  bool is_s(Index i) const { return (stype_[i >> 6] >> (i & 63)) & 1; }
  bool is_lms(Index i) const { return i > 0 && is_s(i) && !is_s(i - 1); }

  // buckets_[c] becomes the first slot of symbol c's bucket, or one past its
  // last slot when `ends`.
  void bucket_bounds(bool ends) {
    std::fill(buckets_.begin(), buckets_.end(), 0);
    for (Index i = 0; i < n_; ++i) ++buckets_[s_[i]];
    Index sum = 0;
    for (Index& b : buckets_) {
      const Index count = b;
      sum += count;
      b = ends ? sum : sum - count;
    }
  }

  // From LMS suffixes at their bucket ends, places every L-type suffix
  // (left to right) and then every S-type suffix (right to left).
  void induce(Index* sa) {
    constexpr Index kEmpty = std::numeric_limits<Index>::max();
    const Index n = n_;
    bucket_bounds(false);
    sa[buckets_[s_[n - 1]]++] = n - 1;  // follows the sentinel
    for (Index k = 0; k < n; ++k) {
      const Index j = sa[k];
      if (j != kEmpty && j > 0 && !is_s(j - 1)) sa[buckets_[s_[j - 1]]++] = j - 1;
    }
    bucket_bounds(true);
    for (Index k = n; k-- > 0;) {
      const Index j = sa[k];
      if (j != kEmpty && j > 0 && is_s(j - 1)) sa[--buckets_[s_[j - 1]]] = j - 1;
    }
  }

  // Whether the LMS substrings at a and b (up to the next LMS position,
  // inclusive) are equal in symbols and types. The one that runs into the
  // sentinel equals no other.
  bool equal_lms(Index a, Index b) const {
    for (Index d = 0;; ++d) {
      if (a + d == n_ || b + d == n_) return false;
      if (s_[a + d] != s_[b + d] || is_s(a + d) != is_s(b + d)) return false;
      if (d > 0) {
        const bool end_a = is_lms(a + d);
        const bool end_b = is_lms(b + d);
        if (end_a || end_b) return end_a && end_b;
      }
    }
  }

  const Char* s_;
  Index n_;
  Index K_;
  std::vector<std::uint64_t> stype_;  // bit i: suffix i is S-type
  std::vector<Index> buckets_;
};

}  // namespace

template <typename Index>
std::vector<Index> suffix_array(std::string_view text) {
  const auto n = static_cast<Index>(text.size());
  std::vector<Index> sa(n);
  if (n == 1) sa[0] = 0;
  if (n < 2) return sa;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  InducedSorter<Index, unsigned char>(s, n, 256).sort(sa.data());
  return sa;
}

template std::vector<std::uint32_t> suffix_array<std::uint32_t>(std::string_view);
template std::vector<std::uint64_t> suffix_array<std::uint64_t>(std::string_view);

}  // namespace codetwin::similarity
