// simple() and copy(): the comparer's dialogue around the pure tiling and score.
#include <optional>
#include <string>

#include "common/file_names.h"
#include "common/texts.h"
#include "platform/console.h"
#include "platform/files.h"
#include "similarity/similarity.h"

namespace codetwin::similarity {

namespace {

bool is_yes(int answer) { return answer == 'Y' || answer == 'y'; }

// One block per pass: the strings after that pass's tile, and a last block
// for the pass that finds nothing.
void print_details(std::string A, std::string B, const std::vector<Tile>& tiles) {
  for (std::size_t pass = 0; pass <= tiles.size(); ++pass) {
    if (pass < tiles.size()) {
      apply_tile(A, tiles[pass].x, tiles[pass].length);
      apply_tile(B, tiles[pass].y, tiles[pass].length);
    }
    platform::print(texts::fill(texts::kPassHeader.gbk, std::to_string(pass + 1)));
    platform::print(A);
    platform::print("\n");
    platform::print(B);
    platform::print("\n");
  }
}

}  // namespace

int copy(float n) {
  platform::print(verdict_text(n));
  return 0;
}

CompareStatus simple(int MinMatchLen) {
  std::optional<std::string> A = platform::read_text_file(kFirst.token);
  if (!A) return CompareStatus::kTokenFileUnopenable;
  const std::int64_t lena = static_cast<std::int64_t>(A->size());
  platform::print(texts::fill(texts::kLength1.gbk, std::to_string(lena)));

  std::optional<std::string> B = platform::read_text_file(kSecond.token);
  if (!B) return CompareStatus::kTokenFileUnopenable;
  const std::int64_t lenb = static_cast<std::int64_t>(B->size());
  platform::print(texts::fill(texts::kLength2.gbk, std::to_string(lenb)));

  platform::print(texts::kViewQuestion.gbk);
  if (is_yes(platform::read_char())) {
    platform::open_in_viewer(kFirst.token);
    platform::open_in_viewer(kSecond.token);
  }
  platform::read_char();  // the line end after a one-letter answer
  platform::print(texts::kDetailsQuestion.gbk);
  const bool details = is_yes(platform::read_char());

  const std::vector<Tile> tiles = tile(*A, *B, MinMatchLen);
  if (details) print_details(std::move(*A), std::move(*B), tiles);

  const std::int64_t MatchLen = match_length(tiles);
  const float n = similarity(MatchLen, lena, lenb);
  platform::print(score_text(MatchLen, n));
  copy(n);
  return CompareStatus::kOk;
}

}  // namespace codetwin::similarity
