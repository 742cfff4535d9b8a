// Suffix array of a byte string: the start positions of all its suffixes in
// lexicographic order (bytes compared unsigned, a shorter suffix before any
// longer one it begins). Built by induced sorting (SA-IS) in linear time,
// with no workspace beyond the result but a bit per byte and one bucket
// counter per distinct symbol of each reduced problem.
//
// `Index` is std::uint32_t or std::uint64_t; the text must be shorter than
// the largest Index value.
#ifndef CODETWIN_SIMILARITY_SUFFIX_ARRAY_H_
#define CODETWIN_SIMILARITY_SUFFIX_ARRAY_H_

#include <string_view>
#include <vector>

namespace codetwin::similarity {

template <typename Index>
std::vector<Index> suffix_array(std::string_view text);

}  // namespace codetwin::similarity

#endif  // CODETWIN_SIMILARITY_SUFFIX_ARRAY_H_
