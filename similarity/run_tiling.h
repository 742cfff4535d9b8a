// The tiling of two strings of class size (a few thousand characters) from
// their common runs, for MinMatchLen of at least 3.
//
// A *run* here is a maximal common run of the strings as loaded: a pair of
// stretches A[a, a + len) = B[b, b + len), free of separators, that cannot
// be made longer at either end. Every tile lies inside one run (tiles only
// cover characters, they never join two runs), and every run worth a tile
// is longer than MinMatchLen, so it starts with a common 4-gram; a run of 8
// or more starts with a common 8-gram. A string's index holds its grams of
// one width, 4 or 8. The method:
//
//  1. Finds the runs of min_length = MinMatchLen + 1 or more, and of a
//     gram's width or more: for each position a of A in order, the
//     positions b of B that begin the same gram (each string keeps its
//     positions grouped by gram in its RunIndex, and its distinct grams in
//     sorted order, which a merge pairs with the other string's four at a
//     time), drops the pairs whose run reaches further left
//     (A[a - 1] = B[b - 1]; all of a's at once where B has that byte
//     before each of its places of the gram, as inside most runs), and
//     measures the rest a word at a time. They come out in (a, b) order.
//  2. Lists them by length, each list in (a, b) order (linked from the
//     back, so no sort is needed).
//  3. Takes them longest first, then by (a, b), each run standing for the
//     pair (a, b) at level len. If no tile laid so far touches either of
//     its stretches, it is the next tile. Otherwise the tiles have cut it:
//     what is left of it are the stretches of offsets t where neither
//     A[a + t] nor B[b + t] is covered; each as long as the lowest level
//     of the round or longer goes back, at its own (shorter) length, into
//     a heap that is taken from in the same order alongside the lists.
//  4. With 8-grams and min_length below 8, the levels below 8 come after
//     from what those tiles left: the *free runs*, common stretches of
//     characters covered in neither string that cannot be made longer
//     without reaching a covered character, a differing one or a
//     separator. None is 8 long (level 8 would have laid it), every tile
//     still to come lies in one, and each starts with a common 4-gram that
//     no tile touches. B's free 4-grams are chained by a hash (each chain
//     in ascending position) and A's looked up in order, so they come out
//     in (a, b) order; then steps 2 and 3 take them from level 7 down.
//
// For example, A = «abcdefgh», B = «abcdXcdefgh», MinMatchLen 3: the runs
// are (0, 0, 4) «abcd» and (2, 5, 6) «cdefgh». Level 6 lays (2, 5, 6).
// At level 4, (0, 0, 4) is touched (A[2..3] are covered); what is left of
// it, offsets 0 and 1, is too short, so there is no second tile: exactly
// what the literal passes do. With 8-grams there is no run of 8; the free
// runs are the same two, and are taken the same way.
//
// Why this is the literal passes: at level L (every longer run is gone)
// the passes take, in (a, b) order, each pair whose run of L characters
// no earlier tile touches (tiling_engine.cpp). Such a pair starts an
// uncovered piece of a run of length exactly L, and every piece is at its
// true length in the sorted runs or in the heap by the time its level comes
// up: a piece is only ever cut into shorter ones, which are queued at once.
// A piece whose stretches are untouched when it comes up is such a pair.
// The free runs are the pieces of every run as the tiles of 8 or more leave
// them, so from level 7 on they stand for the runs and their pieces alike.
//
// The cost is the cells (a, b) where a gram starts in both strings, plus
// the runs, not La x Lb. On two 1,500-character token strings of C programs
// at MinMatchLen 3: about 13,000 cells of common 4-grams and 4,300 runs, of
// which 3,600 are shorter than 8 and nearly all cut to nothing by the longer
// tiles; from 8-grams, about 2,900 cells and 750 runs, then about 940 cells
// and 560 free runs where the long tiles left half of each string free. So
// the engine indexes every string by 8-grams, for every MinMatchLen. The
// cells grow with the square of the length, and repetitive text over few
// symbols has far more (random text over «ab»: La x Lb / 16 for 4-grams),
// so run() counts them as it visits them and gives up as soon as they pass
// a bound, leaving the tiles as they were; the caller then tiles the pair
// another way.
#ifndef CODETWIN_SIMILARITY_RUN_TILING_H_
#define CODETWIN_SIMILARITY_RUN_TILING_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "similarity/similarity.h"

namespace codetwin::similarity {

/// The longest strings the run method takes: positions fit in 16 bits.
inline constexpr std::size_t kRunLimit = std::size_t{1} << 16;

/// The smallest MinMatchLen the run method takes: a tile then holds a 4-gram.
inline constexpr int kRunMinMatchLen = 3;

/// The gram widths an index can be built for.
inline constexpr std::uint32_t kNarrowGram = 4;
inline constexpr std::uint32_t kWideGram = 8;

/// What one string needs for the run method, made once per string and gram
/// width.
struct RunIndex {
  std::uint32_t length = 0;
  std::uint32_t width = kNarrowGram;  // of its grams: kNarrowGram or kWideGram
  /// The string with every separator as 0, then kRunPadding zero bytes.
  std::vector<std::uint8_t> text;
  /// The string itself where it holds a NUL (a NUL and a space are both 0
  /// in `text`); otherwise empty, since `text` tells it.
  std::string loaded;
  /// The distinct grams without a separator, in ascending order of their
  /// keys, each one word: a 4-gram is its own key; an 8-gram's key is a
  /// 32-bit hash of it, and grams with equal keys follow the order of their
  /// bytes (read from `text` at their first position). The positions of
  /// gram g are positions[starts[g]..starts[g + 1]), ascending, and
  /// before[k] is the byte of `text` before positions[k] (0 at the start).
  std::vector<std::uint32_t> grams;
  bool tied_keys = false;  // two of `grams` are equal (unequal 8-grams)
  std::vector<std::uint16_t> starts;  // a string of kRunLimit has fewer grams
  std::vector<std::uint16_t> positions;
  std::vector<std::uint8_t> before;
  /// before_all[g]: the byte before every position of gram g where they
  /// all have one, not 0; otherwise 0.
  std::vector<std::uint8_t> before_all;
  /// group[i]: the gram of position i, kNoGram where none starts.
  std::vector<std::uint16_t> group;
  static constexpr std::uint16_t kNoGram = 0xFFFF;

  /// Bytes held, for the cache's accounting.
  std::size_t bytes() const;
  /// Whether this is the index of `s`.
  bool holds(std::string_view s) const;
};

/// Zero bytes after each string's text, so that runs can be read 8 bytes at
/// a time.
inline constexpr std::size_t kRunPadding = 8;

/// Fills `index` for `s` (at most kRunLimit characters), with grams of
/// `width` (kNarrowGram or kWideGram).
void build_run_index(std::string_view s, RunIndex& index, std::uint32_t width = kNarrowGram);

class RunTiler {
 public:
  /// Appends the tiles of the pair in pass order, at original positions,
  /// and returns true; or returns false, with `tiles` as it was, when the
  /// pair has more than `max_cells` cells (common grams, then the free
  /// runs' common 4-grams). MinMatchLen >= kRunMinMatchLen; both indexes
  /// have one width.
  bool run(const RunIndex& a, const RunIndex& b, int MinMatchLen, std::size_t max_cells,
           std::vector<OriginalTile>& tiles);

 private:
  void cover_nothing(const RunIndex& a, const RunIndex& b);
  bool find_runs(const RunIndex& a, const RunIndex& b, std::uint32_t min_length,
                 std::size_t max_cells);
  bool find_free_runs(const RunIndex& a, const RunIndex& b, std::uint32_t min_length,
                      std::size_t max_cells);
  void list_by_length(std::size_t found, std::uint32_t longest);
  void take_runs(std::uint32_t min_length, std::vector<OriginalTile>& tiles);
  bool take(std::uint64_t run, std::uint32_t min_length, std::vector<OriginalTile>& tiles);
  void take_piece(std::uint32_t min_length, std::vector<OriginalTile>& tiles);
  void lay_tile(std::uint32_t x, std::uint32_t y, std::uint32_t length,
                std::vector<OriginalTile>& tiles);
  void cut(std::uint64_t run, std::uint32_t min_length);

  std::size_t cells_ = 0;  // visited in this pair so far

  // partner_[g]: the gram of B equal to A's gram g, or kNoGram; one more
  // entry, kNoGram, for positions where no gram starts.
  std::vector<std::uint16_t> partner_;
  // (x << 16) | h for each position x of A whose gram is B's gram h.
  std::vector<std::uint32_t> paired_;

  // A run is one word: (~length << 32) | (a << 16) | b, so that the
  // smallest word comes first.
  std::vector<std::uint64_t> found_;  // in (a, b) order, then spare room
  // The runs of each length as a list in (a, b) order: first_[length]
  // and then next_[run], indexes into found_.
  std::vector<std::uint32_t> first_;
  std::vector<std::uint32_t> next_;
  std::vector<std::uint64_t> heap_;  // pieces of cut runs: a min-heap
  std::vector<std::uint64_t> covered_a_;
  std::vector<std::uint64_t> covered_b_;
  // B's free 4-grams by a hash of the gram: chains_[h] is the first
  // position of chain h, chained_[y] the next after y.
  std::vector<std::uint16_t> chains_;
  std::vector<std::uint16_t> chained_;
};

}  // namespace codetwin::similarity

#endif  // CODETWIN_SIMILARITY_RUN_TILING_H_
