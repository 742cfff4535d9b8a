#include "similarity/similarity.h"

namespace codetwin::similarity {

std::vector<Tile> tile(std::string_view, std::string_view, int) { return {}; }

void apply_tile(std::string& s, std::int64_t at, std::int64_t length) {
  s.replace(static_cast<std::size_t>(at - 1), static_cast<std::size_t>(length), 1, ' ');
}

std::int64_t match_length(const std::vector<Tile>& tiles) {
  std::int64_t total = 0;
  for (const Tile& t : tiles) total += t.length;
  return total;
}

}  // namespace codetwin::similarity
