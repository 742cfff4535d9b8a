// The tiling passes done literally: every pass tries every pair of start
// positions. Quadratic per pass, so only for small strings; it is the
// yardstick the fast tiling is checked against, pass by pass.
#ifndef CODETWIN_TESTS_SIMILARITY_REFERENCE_TILING_H_
#define CODETWIN_TESTS_SIMILARITY_REFERENCE_TILING_H_

#include <string_view>
#include <vector>

#include "similarity/similarity.h"

namespace codetwin::similarity {

/// The tiles of every pass, in the coordinates of that pass, found by the
/// literal double loop over SString positions. MinMatchLen must be >= 0.
std::vector<Tile> reference_tile(std::string_view A, std::string_view B, int MinMatchLen);

}  // namespace codetwin::similarity

#endif  // CODETWIN_TESTS_SIMILARITY_REFERENCE_TILING_H_
