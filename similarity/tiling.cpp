#include <cstdint>
#include <limits>

#include "similarity/similarity.h"
#include "similarity/tiling_engine.h"

namespace codetwin::similarity {

std::vector<Tile> tile(std::string_view A, std::string_view B, int MinMatchLen) {
  // 32-bit positions halve the memory; the text A NUL B must stay below
  // their largest value, which the engine keeps for "none".
  constexpr std::uint64_t kNarrowLimit = std::numeric_limits<std::uint32_t>::max();
  if (std::uint64_t{A.size()} + B.size() + 1 < kNarrowLimit) {
    return tile_with_index<std::uint32_t>(A, B, MinMatchLen);
  }
  return tile_with_index<std::uint64_t>(A, B, MinMatchLen);
}

void apply_tile(std::string& s, std::int64_t at, std::int64_t length) {
  s.replace(static_cast<std::size_t>(at - 1), static_cast<std::size_t>(length), 1, ' ');
}

std::int64_t match_length(const std::vector<Tile>& tiles) {
  std::int64_t total = 0;
  for (const Tile& t : tiles) total += t.length;
  return total;
}

}  // namespace codetwin::similarity
