// The exact fast tiling behind tile() and TilingWorkspace. An engine keeps
// all its working memory from one pair to the next, so that tiling many
// pairs in a row allocates nothing once it has seen the largest pair.
//
// Four methods give the same tiles:
//   suffix_tiles()  sorts the suffixes of A NUL B: any lengths, O(N log N);
//   merged_tiles()  gets the same order by merging A's and B's own sorted
//                   suffixes, kept by the engine from pair to pair (a pair
//                   too alike for the merge is sorted whole);
//   run_tiles()     takes the strings' common runs longest first, each
//                   string's 8-grams indexed once and kept
//                   (run_tiling.h):
//                   the fastest on class programs, where runs are few, and
//                   passed on to the merge for MinMatchLen below 3 or for
//                   repetitive pairs with too many common grams;
//   short_tiles()   bit-parallel, for strings of at most kShortLimit
//                   characters.
// tiles() picks one by the lengths: short_tiles() for two short strings;
// when the engine keeps its strings, run_tiles() up to kIndexedLimit
// characters; suffix_tiles() otherwise.
//
// The width of the position arithmetic is a parameter, so that both widths
// can be tested.
#ifndef CODETWIN_SIMILARITY_TILING_ENGINE_H_
#define CODETWIN_SIMILARITY_TILING_ENGINE_H_

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "similarity/run_tiling.h"
#include "similarity/short_tiling.h"
#include "similarity/similarity.h"

namespace codetwin::similarity {

template <typename Index>
class SuffixTiler;
struct RunCache;

/// Strings longer than this are not indexed one by one: their pairs are
/// sorted whole.
inline constexpr std::size_t kIndexedLimit = std::size_t{1} << 16;

/// Texts (A NUL B) longer than this are sorted in compact mode: 2 bits of
/// LCP per character instead of 32, and classes in a bit tree, which suit
/// texts that outgrow the cache.
inline constexpr std::size_t kCompactAbove = std::size_t{1} << 18;

/// An engine drops its strings' indexes when they hold more characters than
/// this, each kind on its own: sorted suffixes take about 14 bytes a
/// character with 32-bit positions (60 MB at most), the run method's
/// grams about 10.
inline constexpr std::size_t kIndexBudget = std::size_t{1} << 22;

/// `Index` is std::uint32_t or std::uint64_t; A.size() + B.size() + 1 must
/// be below its largest value.
template <typename Index>
class TilingEngine {
 public:
  /// Whether tiles() keeps each string's index for later pairs.
  enum class Strings { kForget, kKeep };

  explicit TilingEngine(Strings strings = Strings::kForget, std::size_t index_budget = kIndexBudget,
                        std::size_t compact_above = kCompactAbove);
  ~TilingEngine();
  TilingEngine(const TilingEngine&) = delete;
  TilingEngine& operator=(const TilingEngine&) = delete;

  /// The tiles in pass order at original positions; valid until the next
  /// call. `a_index` and `b_index`, when given, are the strings' indexes
  /// of 8-grams, made beforehand and used instead of the engine's own.
  const std::vector<OriginalTile>& tiles(std::string_view A, std::string_view B, int MinMatchLen,
                                         const RunIndex* a_index = nullptr,
                                         const RunIndex* b_index = nullptr);
  /// The same by sorting the suffixes of A NUL B.
  const std::vector<OriginalTile>& suffix_tiles(std::string_view A, std::string_view B,
                                                int MinMatchLen);
  /// The same by merging the suffixes of A and B, each sorted once.
  const std::vector<OriginalTile>& merged_tiles(std::string_view A, std::string_view B,
                                                int MinMatchLen);
  /// The same from the strings' common runs (see run_tiling.h), each
  /// string's 8-grams indexed once, and kept if the engine keeps its
  /// strings.
  /// A pair the method does not take (MinMatchLen below kRunMinMatchLen, a
  /// string over kRunLimit characters, too many common grams) is merged
  /// instead when the engine keeps its strings, else sorted.
  const std::vector<OriginalTile>& run_tiles(std::string_view A, std::string_view B,
                                             int MinMatchLen, const RunIndex* a_index = nullptr,
                                             const RunIndex* b_index = nullptr);
  /// The same bit-parallel; both strings must have at most kShortLimit
  /// characters.
  const std::vector<OriginalTile>& short_tiles(std::string_view A, std::string_view B,
                                               int MinMatchLen);

  /// Gives back all working memory but the last tiles.
  void release();

 private:
  Strings strings_;
  std::size_t index_budget_;
  std::size_t compact_above_;
  std::unique_ptr<SuffixTiler<Index>> suffix_;  // made when first needed
  std::unique_ptr<ShortTiler> short_;
  std::unique_ptr<RunCache> runs_;
  std::vector<OriginalTile> tiles_;
};

/// The tiles of one pass each, in pass coordinates, from the tiles at
/// original positions in pass order.
std::vector<Tile> to_pass_coordinates(const std::vector<OriginalTile>& tiles);

/// tile() holding positions in `Index`.
template <typename Index>
std::vector<Tile> tile_with_index(std::string_view A, std::string_view B, int MinMatchLen);

}  // namespace codetwin::similarity

#endif  // CODETWIN_SIMILARITY_TILING_ENGINE_H_
