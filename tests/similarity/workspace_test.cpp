// One workspace, and one engine, tiling many pairs in a row: every pair
// must give the literal passes' tiles whatever came before it. The rows go
// from long pairs to short ones and back, through the empty string, one to
// four characters, separators and the lengths where the short method's
// words end, so that anything a larger pair leaves behind meets a smaller
// one.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/generate.h"
#include "similarity/run_tiling.h"
#include "similarity/similarity.h"
#include "similarity/tiling_engine.h"
#include "tests/similarity/differential.h"
#include "tests/similarity/reference_tiling.h"

namespace codetwin::similarity {
namespace {

struct Pair {
  std::string name;
  std::string A;
  std::string B;
  int MinMatchLen;
};

std::string tokens(std::uint64_t seed, std::size_t length, bool copy = false) {
  bench::ProgramPair pair = bench::generate_pair(seed, length + length / 5);
  std::string s = copy ? pair.second.tokens : pair.first.tokens;
  s.resize(length);
  return s;
}

std::string random_over(std::string_view alphabet, std::uint64_t seed, std::size_t length) {
  return bench::random_string(seed, length, alphabet);
}

std::vector<Pair> pairs_in_a_row() {
  const std::string kNul(1, '\0');
  std::vector<Pair> rows = {
      {"long copy", tokens(1, 1500), tokens(1, 1500, true), 3},
      {"both empty", "", "", 3},
      {"long against empty", tokens(2, 900), "", 3},
      {"one character each", "a", "a", 0},
      {"two against four", "ab", "abab", 0},
      {"three against three", "abc", "abc", 1},
      {"four against four", "abcd", "abcd", 3},
      {"four against four, MinMatchLen 2", "abcd", "xbcd", 2},
      {"long independent", tokens(3, 1400), tokens(4, 1600), 3},
      {"a space each", " ", " ", 0},
      {"a NUL each", kNul, kNul, 0},
      {"spaces between", "ab ab ab", "ab  ab", 1},
      {"NULs between", "ab" + kNul + "ab" + kNul + "b", "b" + kNul + "ab" + kNul, 0},
      {"separators only", "  " + kNul + " ", kNul + " " + kNul, 0},
      {"long with separators", random_over(std::string("ab \0", 4), 5, 700),
       random_over(std::string("ab \0", 4), 6, 650), 1},
      {"one letter long", std::string(400, 'a'), std::string(300, 'a'), 3},
      {"63 and 64", random_over("ab", 7, 63), random_over("ab", 8, 64), 2},
      {"64 and 65", random_over("ab", 9, 64), random_over("ab", 10, 65), 2},
      {"65 and 64", random_over("ab", 11, 65), random_over("ab", 12, 64), 3},
      {"127 and 128", random_over("abc", 13, 127), random_over("abc", 14, 128), 1},
      {"128 and 129", random_over("abc", 15, 128), random_over("abc", 16, 129), 1},
      {"129 and 128", random_over("abc", 17, 129), random_over("abc", 18, 128), 4},
      {"short tokens", tokens(19, 90), tokens(19, 70, true), 3},
      {"every byte", random_over(std::string("\x01\x7F\x80\xFF\0 a", 7), 20, 300),
       random_over(std::string("\x01\x7F\x80\xFF\0 a", 7), 21, 280), 0},
      {"long copy again, swapped", tokens(1, 1500, true), tokens(1, 1500), 3},
      // Too much alike for the merge, which gives up for a sort.
      {"exact copy", tokens(24, 1500), tokens(24, 1500), 3},
      {"exact copy, one change", tokens(24, 1500), std::string("x").append(tokens(24, 1500), 1), 3},
      {"one character", "x", "yx", 0},
      {"long repeated statements", bench::repeated_statement(22, 1200, 5),
       bench::repeated_statement(23, 1000, 5), 3},
      {"empty against short", "", "abcd", 0},
  };
  return rows;
}

TEST(TilingWorkspaceTest, ManyPairsInARowMatchTheLiteralPasses) {
  TilingWorkspace workspace;
  TilingEngine<std::uint32_t> engine{TilingEngine<std::uint32_t>::Strings::kKeep};
  const std::vector<Pair> rows = pairs_in_a_row();
  for (int round = 0; round < 2; ++round) {
    for (const Pair& row : rows) {
      SCOPED_TRACE(row.name);
      const std::vector<Tile> want = reference_tile(row.A, row.B, row.MinMatchLen);
      std::int64_t MatchLen = 0;
      for (const Tile& t : want) MatchLen += t.length;
      EXPECT_EQ(to_pass_coordinates(workspace.tiles(row.A, row.B, row.MinMatchLen)), want);
      EXPECT_EQ(workspace.match_length(row.A, row.B, row.MinMatchLen), MatchLen);
      EXPECT_EQ(to_pass_coordinates(engine.suffix_tiles(row.A, row.B, row.MinMatchLen)), want);
      EXPECT_EQ(to_pass_coordinates(engine.merged_tiles(row.A, row.B, row.MinMatchLen)), want);
      if (row.A.size() <= kShortLimit && row.B.size() <= kShortLimit) {
        EXPECT_EQ(to_pass_coordinates(engine.short_tiles(row.A, row.B, row.MinMatchLen)), want);
      }
    }
  }
}

// A larger MinMatchLen only stops the passes sooner: its tiles are the first
// passes' tiles, those longer than it, in the same places. A class run
// tiles code for the verdict's long tiles alone this way. The same
// workspace tiles each pair at every MinMatchLen, as it does there.
TEST(TilingWorkspaceTest, LargerMinMatchLenKeepsTheFirstPasses) {
  TilingWorkspace workspace;
  for (const Pair& row : pairs_in_a_row()) {
    const std::vector<Tile> all = reference_tile(row.A, row.B, row.MinMatchLen);
    for (int larger : {row.MinMatchLen + 1, 7, 15, 40}) {
      if (larger <= row.MinMatchLen) continue;
      SCOPED_TRACE(row.name + ", MinMatchLen " + std::to_string(larger));
      std::vector<Tile> first_passes;
      for (const Tile& t : all) {
        if (t.length > larger) first_passes.push_back(t);
      }
      EXPECT_EQ(to_pass_coordinates(workspace.tiles(row.A, row.B, larger)), first_passes);
      EXPECT_EQ(reference_tile(row.A, row.B, larger), first_passes);
    }
  }
}

TEST(TilingWorkspaceTest, TilesStayValidUntilTheNextCall) {
  TilingWorkspace workspace;
  const std::string A = tokens(31, 600);
  const std::string B = tokens(31, 600, true);
  const std::vector<OriginalTile> first = workspace.tiles(A, B, 3);
  const std::vector<OriginalTile>& again = workspace.tiles(A, B, 3);
  EXPECT_EQ(again, first);
  EXPECT_EQ(to_pass_coordinates(again), reference_tile(A, B, 3));
}

// The workspace finds a string's index again by its bytes: the same bytes
// elsewhere are the same string, and new bytes where the old ones were are
// a new string.
TEST(TilingWorkspaceTest, StringsAreKnownByTheirBytes) {
  TilingWorkspace workspace;
  std::string A = tokens(41, 500);
  const std::string B = tokens(41, 500, true);
  EXPECT_EQ(to_pass_coordinates(workspace.tiles(A, B, 3)), reference_tile(A, B, 3));

  const std::string same_bytes_elsewhere = A;
  EXPECT_EQ(to_pass_coordinates(workspace.tiles(same_bytes_elsewhere, B, 3)),
            reference_tile(A, B, 3));

  // Same place, same length, other bytes.
  const char* place = A.data();
  for (std::size_t i = 0; i < A.size(); i += 7) A[i] = A[i] == 'i' ? 'd' : 'i';
  ASSERT_EQ(A.data(), place);
  EXPECT_EQ(to_pass_coordinates(workspace.tiles(A, B, 3)), reference_tile(A, B, 3));
}

// Indexes made beforehand, as a class run shares them between its threads,
// give the tiles the workspace's own give: for both strings, for one of the
// two (the other indexed by the workspace), and among pairs that have none.
TEST(TilingWorkspaceTest, IndexesMadeBeforehandTileAsTheWorkspacesOwn) {
  TilingWorkspace workspace;
  for (const Pair& row : pairs_in_a_row()) {
    SCOPED_TRACE(row.name);
    RunIndex a;
    RunIndex b;
    build_run_index(row.A, a, kWideGram);
    build_run_index(row.B, b, kWideGram);
    const std::vector<Tile> want = reference_tile(row.A, row.B, row.MinMatchLen);
    const struct {
      const RunIndex* a;
      const RunIndex* b;
    } given[] = {{&a, &b}, {&a, nullptr}, {nullptr, &b}, {nullptr, nullptr}};
    for (const auto& indexes : given) {
      const IndexedString A{row.A, indexes.a};
      const IndexedString B{row.B, indexes.b};
      EXPECT_EQ(to_pass_coordinates(workspace.tiles(A, B, row.MinMatchLen)), want);
      EXPECT_EQ(workspace.match_length(A, B, row.MinMatchLen), match_length(want));
    }
  }
}

// An engine whose indexes outgrow its budget drops them between pairs,
// never between the two strings of one.
TEST(TilingWorkspaceTest, IndexesDroppedWhenOverBudget) {
  TilingEngine<std::uint32_t> engine{TilingEngine<std::uint32_t>::Strings::kKeep, 1000};
  bench::Rng rng(51);
  for (int i = 0; i < 40; ++i) {
    const std::string A = tokens(rng.next(), 200 + rng.below(500));
    const std::string B = tokens(rng.next(), 200 + rng.below(500));
    EXPECT_EQ(to_pass_coordinates(engine.merged_tiles(A, B, 3)), reference_tile(A, B, 3))
        << "pair " << i;
  }
}

}  // namespace
}  // namespace codetwin::similarity
