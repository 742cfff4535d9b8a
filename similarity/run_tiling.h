// The tiling of two strings of class size (a few thousand characters) from
// their common runs, for MinMatchLen of at least 3.
//
// A *run* here is a maximal common run of the strings as loaded: a pair of
// stretches A[a, a + len) = B[b, b + len), free of separators, that cannot
// be made longer at either end. Every tile lies inside one run (tiles only
// cover characters, they never join two runs), and every run worth a tile
// is longer than MinMatchLen, so it starts with a common 4-gram, and when
// MinMatchLen is 7 or more, with a common 8-gram. The method:
//
//  1. Finds the runs longer than MinMatchLen: for each position a of A in
//     order, the positions b of B that begin the same gram (each string
//     keeps its positions grouped by gram in its RunIndex), drops the
//     pairs whose run reaches further left (A[a - 1] = B[b - 1]), and
//     measures the rest a word at a time. They come out in (a, b) order.
//  2. Lists them by length, each list in (a, b) order (linked from the
//     back, so no sort is needed).
//  3. Takes them longest first, then by (a, b), each run standing for the
//     pair (a, b) at level len. If no tile laid so far touches either of
//     its stretches, it is the next tile. Otherwise the tiles have cut it:
//     what is left of it are the stretches of offsets t where neither
//     A[a + t] nor B[b + t] is covered; each longer than MinMatchLen goes
//     back, at its own (shorter) length, into a heap that is taken from in
//     the same order alongside the lists.
//
// For example, A = «abcdefgh», B = «abcdXcdefgh», MinMatchLen 3: the runs
// are (0, 0, 4) «abcd» and (2, 5, 6) «cdefgh». Level 6 lays (2, 5, 6).
// At level 4, (0, 0, 4) is touched (A[2..3] are covered); what is left of
// it, offsets 0 and 1, is too short, so there is no second tile: exactly
// what the literal passes do.
//
// Why this is the literal passes: at level L (every longer run is gone)
// the passes take, in (a, b) order, each pair whose run of L characters
// no earlier tile touches (tiling_engine.cpp). Such a pair starts an
// uncovered piece of a run of length exactly L, and every piece is at its
// true length in the sorted runs or in the heap by the time its level comes
// up: a piece is only ever cut into shorter ones, which are queued at once.
// A piece whose stretches are untouched when it comes up is such a pair.
//
// The cost is the common grams (cells (a, b) where one starts in both
// strings) plus the runs, not La x Lb: on two 1,500-character token
// strings of C programs about 12,000 cells of 4-grams and 4,200 runs.
// Grams of 8 serve a MinMatchLen of 7 or more (the verdict's tiling of a
// pair's code): two programs share far fewer 8-grams than 4-grams (on two
// class programs about a fifth), and each cell that is not a run worth a
// tile costs a lookup and a measure for nothing. The cells grow with the
// square of the length, and repetitive text over few symbols has far more
// (random text over «ab»: La x Lb / 16), so run() counts them as it visits
// them and gives up as soon as they pass a bound, before any tile is laid;
// the caller then tiles the pair another way.
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

/// The widest gram that every tile at MinMatchLen (>= kRunMinMatchLen)
/// holds: the width to index a string for tiling at it.
constexpr std::uint32_t run_gram_width(int MinMatchLen) {
  return MinMatchLen + 1 >= static_cast<int>(kWideGram) ? kWideGram : kNarrowGram;
}

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
  /// Both are followed by 8 spare entries, so that `before` can be read 8
  /// bytes at a time.
  std::vector<std::uint32_t> grams;
  std::vector<std::uint32_t> starts;
  std::vector<std::uint16_t> positions;
  std::vector<std::uint8_t> before;
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
  /// pair has more than `max_cells` common grams. MinMatchLen >=
  /// kRunMinMatchLen; both indexes have one width, at most MinMatchLen + 1.
  bool run(const RunIndex& a, const RunIndex& b, int MinMatchLen, std::size_t max_cells,
           std::vector<OriginalTile>& tiles);

 private:
  bool find_runs(const RunIndex& a, const RunIndex& b, std::uint32_t min_length,
                 std::size_t max_cells);
  void take_runs(const RunIndex& a, const RunIndex& b, std::uint32_t min_length,
                 std::vector<OriginalTile>& tiles);
  bool take(std::uint64_t run, std::uint32_t min_length, std::vector<OriginalTile>& tiles);
  void take_piece(std::uint32_t min_length, std::vector<OriginalTile>& tiles);
  void lay_tile(std::uint32_t x, std::uint32_t y, std::uint32_t length,
                std::vector<OriginalTile>& tiles);
  void cut(std::uint64_t run, std::uint32_t min_length);

  // partner_[g]: the gram of B equal to A's gram g, or kNoGram.
  std::vector<std::uint16_t> partner_;

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
};

}  // namespace codetwin::similarity

#endif  // CODETWIN_SIMILARITY_RUN_TILING_H_
