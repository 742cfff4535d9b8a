// Fuzz target: the tiling on two arbitrary strings.
//
// Input: one byte of settings, one byte that says where A ends and B begins,
// then the bytes of A and B. The settings pick MinMatchLen (3 most often)
// and whether the bytes are first mapped onto a small alphabet with a space
// and a NUL in it, which makes long and repeated common runs likely.
//
// Every tile must be a run that A and B really share at the stated positions
// of that pass, without space or NUL, longer than MinMatchLen and no longer
// than the tile before it; after the last one no run longer than MinMatchLen
// may remain; MatchLen never exceeds either length. And the tiles must be
// those of the literal reference, pass by pass.
//
// A workspace and two engines live from one input to the next, as in a
// class run: the workspace's tiles and MatchLen, and each engine's methods
// (one engine sorts in compact mode, the other drops its strings' indexes
// every few inputs), must give the same tiles whatever inputs came before;
// so must the run method on its own, with no bound on the cells, and the
// workspace with a larger MinMatchLen must give the first of those tiles.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "similarity/run_tiling.h"
#include "similarity/similarity.h"
#include "similarity/tiling_engine.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/similarity/reference_tiling.h"

namespace codetwin::testing {
namespace {

using similarity::Tile;

// Indexed by the settings byte's low three bits. 7 is what a class run
// tiles code with for the verdict, which counts tiles of 8 or more.
constexpr int kMinMatchLens[] = {3, 3, 7, 0, 1, 2, 4, 5};
// Indexed by a byte's low three bits when the small alphabet is on.
constexpr char kSmallAlphabet[] = {'a', 'a', 'a', 'b', 'b', 'c', ' ', '\0'};

bool is_separator(char ch) { return ch == ' ' || ch == '\0'; }

// The strings as they stand after each tile, checked against it.
void check_tiles(std::string A, std::string B, const std::vector<Tile>& tiles, int MinMatchLen) {
  std::int64_t previous = std::numeric_limits<std::int64_t>::max();
  for (const Tile& t : tiles) {
    FUZZ_CHECK(t.length > MinMatchLen && t.length <= previous);
    FUZZ_CHECK(t.x >= 1 && t.x - 1 + t.length <= static_cast<std::int64_t>(A.size()));
    FUZZ_CHECK(t.y >= 1 && t.y - 1 + t.length <= static_cast<std::int64_t>(B.size()));
    const std::string_view run = std::string_view(A).substr(static_cast<std::size_t>(t.x - 1),
                                                            static_cast<std::size_t>(t.length));
    FUZZ_CHECK(run == std::string_view(B).substr(static_cast<std::size_t>(t.y - 1),
                                                 static_cast<std::size_t>(t.length)));
    FUZZ_CHECK(std::none_of(run.begin(), run.end(), is_separator));
    similarity::apply_tile(A, t.x, t.length);
    similarity::apply_tile(B, t.y, t.length);
    previous = t.length;
  }
  // No run longer than MinMatchLen is left: A and B share no window of
  // MinMatchLen + 1 characters free of separators.
  const std::size_t window = static_cast<std::size_t>(MinMatchLen) + 1;
  std::unordered_set<std::string_view> windows;
  auto each_window = [window](const std::string& s, auto&& visit) {
    for (std::size_t at = 0; at + window <= s.size(); ++at) {
      std::string_view w = std::string_view(s).substr(at, window);
      if (std::none_of(w.begin(), w.end(), is_separator)) visit(w);
    }
  };
  each_window(A, [&](std::string_view w) { windows.insert(w); });
  each_window(B, [&](std::string_view w) { FUZZ_CHECK(windows.count(w) == 0); });
}

// Kept from one input to the next.
using Engine = similarity::TilingEngine<std::uint32_t>;
struct Reused {
  similarity::TilingWorkspace workspace;
  Engine engine{Engine::Strings::kKeep, 2000};
  Engine compact{Engine::Strings::kForget, similarity::kIndexBudget, 0};
};

// The run method itself with no bound on the cells, where it applies.
void check_run_method(std::string_view A, std::string_view B, int MinMatchLen,
                      const std::vector<Tile>& want) {
  if (MinMatchLen < similarity::kRunMinMatchLen) return;
  static similarity::RunTiler tiler;
  for (const std::uint32_t width : {similarity::kNarrowGram, similarity::kWideGram}) {
    similarity::RunIndex a;
    similarity::RunIndex b;
    similarity::build_run_index(A, a, width);
    similarity::build_run_index(B, b, width);
    std::vector<similarity::OriginalTile> tiles;
    FUZZ_CHECK(tiler.run(a, b, MinMatchLen, SIZE_MAX, tiles));
    FUZZ_CHECK(similarity::to_pass_coordinates(tiles) == want);
  }
}

void check_reused(std::string_view A, std::string_view B, int MinMatchLen,
                  const std::vector<Tile>& want) {
  static Reused reused;
  using similarity::to_pass_coordinates;
  FUZZ_CHECK(to_pass_coordinates(reused.workspace.tiles(A, B, MinMatchLen)) == want);
  FUZZ_CHECK(reused.workspace.match_length(A, B, MinMatchLen) == similarity::match_length(want));
  FUZZ_CHECK(to_pass_coordinates(reused.engine.suffix_tiles(A, B, MinMatchLen)) == want);
  FUZZ_CHECK(to_pass_coordinates(reused.compact.suffix_tiles(A, B, MinMatchLen)) == want);
  FUZZ_CHECK(to_pass_coordinates(reused.engine.merged_tiles(A, B, MinMatchLen)) == want);
  FUZZ_CHECK(to_pass_coordinates(reused.engine.run_tiles(A, B, MinMatchLen)) == want);
  check_run_method(A, B, MinMatchLen, want);
  // A larger MinMatchLen only stops the passes sooner: its tiles are the
  // first ones, those longer than it.
  for (const int larger : {MinMatchLen + 1, 7}) {
    if (larger <= MinMatchLen) continue;
    std::vector<Tile> first_passes;
    for (const Tile& t : want) {
      if (t.length > larger) first_passes.push_back(t);
    }
    FUZZ_CHECK(to_pass_coordinates(reused.workspace.tiles(A, B, larger)) == first_passes);
  }
  if (A.size() <= similarity::kShortLimit && B.size() <= similarity::kShortLimit) {
    FUZZ_CHECK(to_pass_coordinates(reused.engine.short_tiles(A, B, MinMatchLen)) == want);
  }
}

}  // namespace
}  // namespace codetwin::testing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace codetwin::testing;
  if (size < 2) return 0;
  const int MinMatchLen = kMinMatchLens[data[0] & 7];
  const bool small_alphabet = (data[0] & 8) != 0;
  std::string bytes(as_chars(data + 2, size - 2));
  if (small_alphabet) {
    for (char& ch : bytes) ch = kSmallAlphabet[static_cast<unsigned char>(ch) & 7];
  }
  const std::size_t split = bytes.size() * data[1] / 256;
  const std::string_view A = std::string_view(bytes).substr(0, split);
  const std::string_view B = std::string_view(bytes).substr(split);

  const std::vector<Tile> tiles = codetwin::similarity::tile(A, B, MinMatchLen);
  check_tiles(std::string(A), std::string(B), tiles, MinMatchLen);
  const std::int64_t MatchLen = codetwin::similarity::match_length(tiles);
  FUZZ_CHECK(MatchLen <= static_cast<std::int64_t>(std::min(A.size(), B.size())));
  FUZZ_CHECK(tiles == codetwin::similarity::reference_tile(A, B, MinMatchLen));
  check_reused(A, B, MinMatchLen, tiles);
  return 0;
}
