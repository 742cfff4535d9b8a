// The exact fast tiling behind tile(), with the width of its position
// arithmetic as a parameter so that both widths can be tested.
#ifndef CODETWIN_SIMILARITY_TILING_ENGINE_H_
#define CODETWIN_SIMILARITY_TILING_ENGINE_H_

#include <string_view>
#include <vector>

#include "similarity/similarity.h"

namespace codetwin::similarity {

/// tile() holding positions in `Index` (std::uint32_t or std::uint64_t).
/// A.size() + B.size() + 1 must be below the largest Index value.
template <typename Index>
std::vector<Tile> tile_with_index(std::string_view A, std::string_view B, int MinMatchLen);

/// original_tiles() holding positions in `Index`.
template <typename Index>
std::vector<OriginalTile> original_tiles_with_index(std::string_view A, std::string_view B,
                                                    int MinMatchLen);

}  // namespace codetwin::similarity

#endif  // CODETWIN_SIMILARITY_TILING_ENGINE_H_
