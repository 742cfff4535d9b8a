#include <cstdint>
#include <limits>

#include "similarity/similarity.h"
#include "similarity/tiling_engine.h"

namespace codetwin::similarity {

namespace {

// 32-bit positions halve the memory; the text A NUL B must stay below
// their largest value, which the engine keeps for "none".
bool fits_narrow(std::string_view A, std::string_view B) {
  constexpr std::uint64_t kNarrowLimit = std::numeric_limits<std::uint32_t>::max();
  return std::uint64_t{A.size()} + B.size() + 1 < kNarrowLimit;
}

}  // namespace

std::vector<Tile> tile(std::string_view A, std::string_view B, int MinMatchLen) {
  if (fits_narrow(A, B)) return tile_with_index<std::uint32_t>(A, B, MinMatchLen);
  return tile_with_index<std::uint64_t>(A, B, MinMatchLen);
}

std::vector<OriginalTile> original_tiles(std::string_view A, std::string_view B, int MinMatchLen) {
  if (fits_narrow(A, B)) return TilingEngine<std::uint32_t>().tiles(A, B, MinMatchLen);
  return TilingEngine<std::uint64_t>().tiles(A, B, MinMatchLen);
}

// The narrow engine serves every pair that fits it, keeping each string's
// index for the pairs to come; the wide one is made only for a pair that
// does not fit.
struct TilingWorkspace::Buffers {
  TilingEngine<std::uint32_t> narrow{TilingEngine<std::uint32_t>::Strings::kKeep};
  std::unique_ptr<TilingEngine<std::uint64_t>> wide;
};

TilingWorkspace::TilingWorkspace() : buffers_(std::make_unique<Buffers>()) {}
TilingWorkspace::~TilingWorkspace() = default;

std::int64_t TilingWorkspace::match_length(std::string_view A, std::string_view B,
                                           int MinMatchLen) {
  return match_length(IndexedString{A}, IndexedString{B}, MinMatchLen);
}

const std::vector<OriginalTile>& TilingWorkspace::tiles(std::string_view A, std::string_view B,
                                                        int MinMatchLen) {
  return tiles(IndexedString{A}, IndexedString{B}, MinMatchLen);
}

std::int64_t TilingWorkspace::match_length(IndexedString A, IndexedString B, int MinMatchLen) {
  std::int64_t total = 0;
  for (const OriginalTile& t : tiles(A, B, MinMatchLen)) total += t.length;
  return total;
}

const std::vector<OriginalTile>& TilingWorkspace::tiles(IndexedString A, IndexedString B,
                                                        int MinMatchLen) {
  if (fits_narrow(A.text, B.text)) {
    return buffers_->narrow.tiles(A.text, B.text, MinMatchLen, A.index, B.index);
  }
  // Strings this long are never indexed by 8-grams.
  if (!buffers_->wide) buffers_->wide = std::make_unique<TilingEngine<std::uint64_t>>();
  return buffers_->wide->tiles(A.text, B.text, MinMatchLen);
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
