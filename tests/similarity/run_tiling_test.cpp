// The run method (run_tiling.h) on its own, with no bound on the cells,
// against the literal passes: every small pair over two and three symbols,
// fixed-seed random pairs, token strings, and the bound on the cells. The
// larger sets carry the label "long" (run_tiling_long_test.cpp).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/generate.h"
#include "similarity/run_tiling.h"
#include "similarity/tiling_engine.h"
#include "tests/similarity/differential.h"
#include "tests/similarity/reference_tiling.h"
#include "tests/similarity/run_differential.h"

namespace codetwin::similarity {
namespace {

TEST(RunTilingTest, IndexGroupsPositionsByGram) {
  RunIndex index;
  build_run_index("abcdabcde abcd", index);
  // Grams: abcd at 0, 4, 10; bcda at 1; cdab at 2; dabc at 3; bcde at 5.
  // cde, de, e and the space start none.
  ASSERT_EQ(index.grams.size(), 5u);
  ASSERT_EQ(index.starts.size(), 6u);
  EXPECT_EQ(index.length, 14u);
  EXPECT_EQ(index.text[9], 0) << "a space is a 0";
  const std::uint16_t abcd = index.group[0];
  EXPECT_EQ(index.group[4], abcd);
  EXPECT_EQ(index.group[10], abcd);
  EXPECT_EQ(index.group[6], RunIndex::kNoGram);
  EXPECT_EQ(index.group[9], RunIndex::kNoGram);
  const std::vector<std::uint16_t> positions(index.positions.begin() + index.starts[abcd],
                                             index.positions.begin() + index.starts[abcd + 1]);
  EXPECT_EQ(positions, (std::vector<std::uint16_t>{0, 4, 10}));
  EXPECT_EQ(index.before[index.starts[abcd] + 1], 'd');
  EXPECT_EQ(index.before[index.starts[abcd] + 2], 0) << "after the space";
}

// before_all: the byte before every place of a gram, where they agree and
// none is a start or a separator; otherwise 0.
TEST(RunTilingTest, ByteBeforeEveryPlaceOfAGram) {
  struct Row {
    const char* name;
    const char* text;
    std::uint32_t at;  // a place of the gram
    std::uint8_t before_all;
  };
  const Row rows[] = {
      {"one place", "xabcd", 1, 'x'},
      {"places that agree", "xabcdxabcd", 6, 'x'},
      {"places that differ", "xabcdyabcd", 6, 0},
      {"the start", "abcdxabcd", 5, 0},
      {"after a separator", "xabcd abcd", 6, 0},
  };
  for (const Row& row : rows) {
    RunIndex index;
    build_run_index(row.text, index);
    ASSERT_NE(index.group[row.at], RunIndex::kNoGram) << row.name;
    EXPECT_EQ(index.before_all[index.group[row.at]], row.before_all) << row.name;
  }
}

TEST(RunTilingTest, WideIndexGroupsPositionsBy8Gram) {
  RunIndex index;
  build_run_index("abcdefghabcdefghi abcdefgh", index, kWideGram);
  // abcdefgh at 0, 8, 18; bcdefgha .. habcdefg at 1..7; bcdefghi at 9.
  // Grams that reach the space or the end start none.
  EXPECT_EQ(index.width, kWideGram);
  ASSERT_EQ(index.grams.size(), 9u);
  ASSERT_EQ(index.starts.size(), 10u);
  const std::uint16_t abcdefgh = index.group[0];
  EXPECT_EQ(index.group[8], abcdefgh);
  EXPECT_EQ(index.group[18], abcdefgh);
  EXPECT_EQ(index.group[10], RunIndex::kNoGram) << "reaches the space";
  EXPECT_EQ(index.group[19], RunIndex::kNoGram) << "reaches the end";
  const std::vector<std::uint16_t> positions(index.positions.begin() + index.starts[abcdefgh],
                                             index.positions.begin() + index.starts[abcdefgh + 1]);
  EXPECT_EQ(positions, (std::vector<std::uint16_t>{0, 8, 18}));
}

TEST(RunTilingTest, HandWorkedPairs) {
  const struct {
    const char* name;
    std::string A;
    std::string B;
    int MinMatchLen;
    std::vector<OriginalTile> want;
  } kRows[] = {
      {"nothing shared", "abcdefg", "hijklmn", 3, {}},
      {"one run", "xxabcdeyy", "zabcdez", 3, {{2, 1, 5}}},
      {"run of MinMatchLen only", "abcx", "abcy", 3, {}},
      {"longest first", "abcd-efghij", "efghij+abcd", 3, {{5, 0, 6}, {0, 7, 4}}},
      {"ties: smallest a, then b", "abcdabcd", "abcd", 3, {{0, 0, 4}}},
      {"ties in B", "abcd", "abcdabcd", 3, {{0, 0, 4}}},
      {"cut by an earlier tile", "abcdefgh", "abcdXcdefgh", 3, {{2, 5, 6}}},
      {"space stops a run", "abcd efgh", "abcdefgh", 3, {{0, 0, 4}, {5, 4, 4}}},
      {"MinMatchLen 5", "abcdef-abcdefg", "abcdefg", 5, {{7, 0, 7}}},
      // Free runs, below the 8-gram's width: what the long tiles left.
      {"a free run at B's start", "xabcdz", "abcdq", 3, {{1, 0, 4}}},
      {"a long run's free piece", "abcdefghijklmnop", "abcdefghijkl-ijklmnop", 3,
       {{0, 0, 12}, {12, 17, 4}}},
      {"a free run stops at B's tile", "abcdef+efghijklmn", "abcdefghijklmn", 3,
       {{7, 4, 10}, {0, 0, 4}}},
      {"free runs cut in their own round", "abcdefg-xcdefgx", "abcdefgcdefg", 3,
       {{0, 0, 7}, {9, 7, 5}}},
      // MinMatchLen 7 and more.
      {"8-grams: a run of 8", "xabcdefghy", "abcdefghz", 7, {{1, 0, 8}}},
      {"8-grams: 7 is too short", "abcdefgx", "abcdefgy", 7, {}},
      {"8-grams: a space inside", "abcd efghijkl", "abcdXefghijkl", 7, {{5, 5, 8}}},
      {"8-grams: starts left of its gram", "zzabcdefghij", "yzabcdefghij", 7, {{1, 1, 11}}},
      // jjazwbkl and ysvgtydi are unequal 8-grams with one 32-bit key.
      {"8-grams: equal keys, unequal grams", "jjazwbkl", "ysvgtydi", 7, {}},
      {"8-grams: equal keys, both common", "jjazwbkl-ysvgtydiq", "ysvgtydi+jjazwbkl", 7,
       {{0, 9, 8}, {9, 0, 8}}},
      {"8-grams: equal keys, one common", "ysvgtydi-jjazwbklz", "zjjazwbkl", 7, {{9, 1, 8}}},
      {"8-grams: cut to nothing", "abcdefghijklmno", "abcdefghijkl-fghijklmno", 7, {{0, 0, 12}}},
  };
  RunTiler tiler;
  for (const auto& row : kRows) {
    for (const std::uint32_t width : {kNarrowGram, kWideGram}) {
      RunIndex a;
      RunIndex b;
      build_run_index(row.A, a, width);
      build_run_index(row.B, b, width);
      std::vector<OriginalTile> tiles;
      ASSERT_TRUE(tiler.run(a, b, row.MinMatchLen, SIZE_MAX, tiles)) << row.name << ", " << width;
      EXPECT_EQ(tiles, row.want) << row.name << ", " << width;
      EXPECT_EQ(to_pass_coordinates(tiles), reference_tile(row.A, row.B, row.MinMatchLen))
          << row.name << ", " << width;
    }
  }
}

TEST(RunTilingTest, EveryPairOverTwoSymbols) { check_all_pairs_by_runs("ab", 9, {3, 4, 7}); }

TEST(RunTilingTest, EveryPairOverThreeSymbols) { check_all_pairs_by_runs("abc", 6, {3}); }

TEST(RunTilingTest, EveryPairWithSeparators) {
  check_all_pairs_by_runs(std::string("ab \0", 4), 5, {3});
}

TEST(RunTilingTest, RandomStrings) {
  const struct {
    const char* name;
    std::string alphabet;
    int pairs;
    std::size_t max_length;
  } kRows[] = {
      {"two symbols", "ab", 300, 150},
      {"three symbols", "abc", 300, 200},
      {"twenty symbols", "abcdefghij0123456789", 100, 600},
      {"separators", std::string("ab \0", 4), 200, 200},
      {"statement symbols", "id=+;()", 200, 300},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.name);
    check_random_pairs_by_runs(row.alphabet, 41, row.pairs, row.max_length);
  }
}

TEST(RunTilingTest, TokenStrings) { check_token_pairs_by_runs(43, 20, 1500); }

// Runs longer than a word of coverage bits: cut and whole.
TEST(RunTilingTest, LongRuns) {
  const std::string program = bench::generate_pair(5, 3000).first.tokens;
  const struct {
    const char* name;
    std::string A;
    std::string B;
  } kRows[] = {
      {"a string and itself", program.substr(0, 900), program.substr(0, 900)},
      {"shifted copies", program.substr(0, 700), program.substr(50, 700)},
      {"a copy with a change every 100",
       program.substr(0, 800),
       [&] {
         std::string s = program.substr(0, 800);
         for (std::size_t i = 99; i < s.size(); i += 100) s[i] = '#';
         return s;
       }()},
      {"one letter", std::string(300, 'a'), std::string(200, 'a')},
  };
  for (const auto& row : kRows) {
    EXPECT_TRUE(same_tiles_by_runs(row.A, row.B, 3)) << row.name;
  }
}

// Past the bound the method gives up and leaves the tiles as they were;
// the engine then tiles the pair another way.
TEST(RunTilingTest, GivesUpPastTheBoundOnCells) {
  const std::string A = bench::random_string(1, 400, "ab");
  const std::string B = bench::random_string(2, 400, "ab");
  RunIndex a;
  RunIndex b;
  build_run_index(A, a);
  build_run_index(B, b);
  RunTiler tiler;
  std::vector<OriginalTile> tiles = {{1, 2, 3}};
  EXPECT_FALSE(tiler.run(a, b, 3, 1000, tiles));
  EXPECT_EQ(tiles, (std::vector<OriginalTile>{{1, 2, 3}}));
  TilingEngine<std::uint32_t> engine(TilingEngine<std::uint32_t>::Strings::kKeep);
  EXPECT_EQ(to_pass_coordinates(engine.run_tiles(A, B, 3)), reference_tile(A, B, 3));
  // And a pair within the bound after one beyond it.
  const std::string x = bench::generate_pair(3, 600).first.tokens;
  const std::string y = bench::generate_pair(4, 600).first.tokens;
  EXPECT_EQ(to_pass_coordinates(engine.run_tiles(x, y, 3)), reference_tile(x, y, 3));
}

// A pair that passes the bound on its common 8-grams (the long tiles are
// laid) and not on the free runs after them: the tiles are as they were.
TEST(RunTilingTest, GivesUpBetweenTheLongTilesAndTheFreeRuns) {
  const std::string A = bench::random_string(1, 400, "ab");
  const std::string B = bench::random_string(2, 400, "ab");
  std::size_t wide_cells = 0;
  for (std::size_t x = 0; x + kWideGram <= A.size(); ++x) {
    for (std::size_t y = 0; y + kWideGram <= B.size(); ++y) {
      wide_cells += A.compare(x, kWideGram, B, y, kWideGram) == 0;
    }
  }
  RunIndex a;
  RunIndex b;
  build_run_index(A, a, kWideGram);
  build_run_index(B, b, kWideGram);
  RunTiler tiler;
  std::vector<OriginalTile> tiles = {{1, 2, 3}};
  EXPECT_FALSE(tiler.run(a, b, 3, wide_cells, tiles));
  EXPECT_EQ(tiles, (std::vector<OriginalTile>{{1, 2, 3}}));
  tiles.clear();
  ASSERT_TRUE(tiler.run(a, b, 3, SIZE_MAX, tiles));
  EXPECT_EQ(to_pass_coordinates(tiles), reference_tile(A, B, 3));
}

}  // namespace
}  // namespace codetwin::similarity
