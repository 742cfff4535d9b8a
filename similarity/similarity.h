// Similarity analysis: greedy tiling of two token strings, and the score.
//
// A *pass* looks for the longest run of characters that A and B share
// (ties: smallest position in A, then in B). If it is longer than
// MinMatchLen it becomes a *tile*: the run is replaced by one space in both
// strings, so no later run can reach into or across it (a space, a NUL byte
// and the ends of the strings stop every run). Passes repeat until none
// finds a tile. MatchLen is the sum of the tiles' lengths.
//
// The *similarity* is 2 x MatchLen / (lena + lenb), over the lengths as
// loaded, rounded to single precision; at 0.8 or more the two sources are
// suspected copies.
//
// tile() and the score functions are pure; simple() is the shell that loads
// the token files and holds the dialogue.
#ifndef CODETWIN_SIMILARITY_SIMILARITY_H_
#define CODETWIN_SIMILARITY_SIMILARITY_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/sstring.h"

namespace codetwin::similarity {

/// One pass's tile, in the coordinates of that pass: x and y are positions
/// (from 1) in A and B as they stand before the pass replaces the run.
struct Tile {
  std::int64_t x;
  std::int64_t y;
  std::int64_t length;
  friend bool operator==(const Tile&, const Tile&) = default;
};

/// Every tile, pass by pass, in order, chosen exactly as the literal passes
/// choose them. The last pass, which finds nothing, adds no tile.
std::vector<Tile> tile(std::string_view A, std::string_view B, int MinMatchLen);

/// A tile in the positions of the strings as loaded (from 0), before any pass
/// shortened them: the stretch of A and of B that the tile covers. The
/// class run scores and maps tiles back to sources in these positions.
struct OriginalTile {
  std::int64_t a;
  std::int64_t b;
  std::int64_t length;
  friend bool operator==(const OriginalTile&, const OriginalTile&) = default;
};

/// The same tiles as tile(), in pass order, at original positions.
std::vector<OriginalTile> original_tiles(std::string_view A, std::string_view B, int MinMatchLen);

struct RunIndex;

/// A string, and its index of 8-grams when one was made beforehand
/// (build_run_index(text, index, kWideGram), run_tiling.h). The threads of a
/// class run share one index of each string this way, instead of each
/// keeping its own.
struct IndexedString {
  std::string_view text;
  const RunIndex* index = nullptr;  // none: the workspace makes and keeps one
};

/// Tiles many pairs in a row, keeping its memory from one pair to the next
/// (one per thread: it is not shared). Results are exactly tile()'s.
///
/// It also keeps, for each string it has met (up to 65,536 characters),
/// an index of that string's 8-grams, found again by its bytes: in a class,
/// where every string meets every other one, a pair then costs a walk over
/// the runs the two strings share (tiling_engine.h, run_tiling.h). A pair
/// with too many common grams, or MinMatchLen below 3, is tiled from the
/// strings' own sorted suffixes instead, kept the same way. Each kind is
/// dropped whole when it passes about four million characters (about 10
/// bytes a character for the grams, 14 for the suffixes); pairs of
/// strings of at most 128 characters use no memory but the workspace's own.
/// A string given with its index (IndexedString) is tiled from that index,
/// and the workspace keeps none of its own for it.
class TilingWorkspace {
 public:
  TilingWorkspace();
  ~TilingWorkspace();
  TilingWorkspace(const TilingWorkspace&) = delete;
  TilingWorkspace& operator=(const TilingWorkspace&) = delete;

  /// MatchLen of tile(A, B, MinMatchLen).
  std::int64_t match_length(std::string_view A, std::string_view B, int MinMatchLen);
  /// original_tiles(A, B, MinMatchLen); valid until the next call.
  const std::vector<OriginalTile>& tiles(std::string_view A, std::string_view B,
                                         int MinMatchLen);
  /// The same with the strings' own indexes where they have one.
  std::int64_t match_length(IndexedString A, IndexedString B, int MinMatchLen);
  const std::vector<OriginalTile>& tiles(IndexedString A, IndexedString B, int MinMatchLen);

 private:
  struct Buffers;
  std::unique_ptr<Buffers> buffers_;
};

/// Replaces the run of `length` characters at position `at` (from 1) of `s`
/// by one space: how a tile changes a string.
void apply_tile(std::string& s, std::int64_t at, std::int64_t length);

/// Sum of the tiles' lengths.
std::int64_t match_length(const std::vector<Tile>& tiles);

/// 2 x MatchLen / (lena + lenb), rounded once to single precision.
float similarity(std::int64_t MatchLen, std::int64_t lena, std::int64_t lenb);

/// The similarity as the score block prints it: "%f" (six decimals), or
/// "nan".
std::string format_similarity(float n);

/// The score block in GBK: total, formula, similarity (a NaN prints "nan").
std::string score_text(std::int64_t MatchLen, float n);

/// The verdict in GBK: suspected at or above 0.8; not suspected below it or
/// when n is not a number.
std::string_view verdict_text(float n);

/// Prints the verdict for `n`; returns 0.
int copy(float n);

/// How simple() ended.
enum class CompareStatus {
  kOk,
  kTokenFileUnopenable,  // a token file could not be opened or read
};

/// The comparer: loads token1.txt and token2.txt, asks its two questions,
/// tiles, prints the details if asked, the score and the verdict. On a
/// failure it returns at once; the caller prints the message.
CompareStatus simple(int MinMatchLen);

}  // namespace codetwin::similarity

#endif  // CODETWIN_SIMILARITY_SIMILARITY_H_
