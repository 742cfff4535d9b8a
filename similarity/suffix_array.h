// Suffix array of a string: the start positions of all its suffixes in
// lexicographic order (symbols compared as unsigned numbers, a shorter
// suffix before any longer one it begins). Built by induced sorting (SA-IS)
// in linear time.
//
// SuffixSorter keeps its working memory (a bit per symbol for the LMS
// positions, the bucket counters) from one call to the next, so that sorting many short
// strings in a row allocates nothing once it has seen the longest.
//
// `Index` is std::uint32_t or std::uint64_t; the text must be shorter than
// the largest Index value.
#ifndef CODETWIN_SIMILARITY_SUFFIX_ARRAY_H_
#define CODETWIN_SIMILARITY_SUFFIX_ARRAY_H_

#include <cstdint>
#include <string_view>
#include <vector>

namespace codetwin::similarity {

template <typename Index>
class SuffixSorter {
 public:
  /// Writes into sa[0..n) the suffix array of s[0..n), whose symbols are
  /// all below `symbols`.
  void sort(const std::uint8_t* s, Index n, Index symbols, Index* sa);
  /// Gives back the working memory.
  void release();

 private:
  template <typename Char>
  void sort_level(const Char* s, Index n, Index symbols, Index* sa, std::size_t lms_word);

  std::vector<Index> buckets_;      // counts, then bucket bounds, of one level
  std::vector<std::uint64_t> lms_;  // bit i: suffix i is LMS; one stretch per level
};

/// The suffix array of `text`, bytes compared unsigned.
template <typename Index>
std::vector<Index> suffix_array(std::string_view text);

}  // namespace codetwin::similarity

#endif  // CODETWIN_SIMILARITY_SUFFIX_ARRAY_H_
