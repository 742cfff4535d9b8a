// The tiling passes on hand-worked inputs: the tiles of every pass, and the
// strings they leave.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "similarity/similarity.h"
#include "tests/similarity/differential.h"
#include "tests/similarity/reference_tiling.h"

namespace codetwin::similarity {
namespace {

struct Row {
  const char* name;
  std::string A;
  std::string B;
  int MinMatchLen;
  std::vector<Tile> tiles;
  std::string final_a;
  std::string final_b;
};

const std::string kWorkedA =
    "zhmain(){zhid,id=0;for(id=1;id<=10;id++)id=id+id;printf(id,id);return0;}";
const std::string kWorkedB =
    "zhmain(){zhid,id=0;id=1;while(id<=10){id=id+id;id++;}printf(id,id);return0;}";

const std::vector<Row>& rows() {
  // clang-format off
  static const std::vector<Row> kRows = {
      {"equal strings", "zhid=id+id;", "zhid=id+id;", 3, {{1, 1, 11}}, " ", " "},
      {"runs of three", "abcXdef", "abcYdef", 3, {}, "abcXdef", "abcYdef"},
      {"one tile", "zhid=id;", "zhid=id+id;", 3, {{1, 1, 7}}, " ;", " +id;"},
      {"same i, smaller j first", "abcd!abcd", "abcd#abcd", 3, {{1, 1, 4}, {3, 3, 4}}, " ! ",
       " # "},
      {"worked pair",
       kWorkedA,
       kWorkedB,
       3,
       {{50, 54, 23}, {1, 1, 19}, {23, 21, 9}, {11, 13, 6}, {6, 2, 5}, {9, 13, 4}},
       " for(  ; )  ",
       "  while( ){  ;} "},
      {"both empty", "", "", 3, {}, "", ""},
      {"A empty", "", "abcd", 3, {}, "", "abcd"},
      {"B empty", "abcd", "", 3, {}, "abcd", ""},
      {"longest first", "abcdXabcdefg", "abcdefg", 3, {{6, 1, 7}}, "abcdX ", " "},
      {"tie: smallest i", "abcdQabcd", "Zabcd", 3, {{1, 2, 4}}, " Qabcd", "Z "},
      {"MinMatchLen 0 tiles single characters", "ab", "ba", 0, {{1, 2, 1}, {2, 1, 1}}, "  ",
       "  "},
      {"NUL stops a run", std::string("ab\0cd", 5), std::string("ab\0cd", 5), 1,
       {{1, 1, 2}, {3, 3, 2}}, std::string(" \0 ", 3), std::string(" \0 ", 3)},
      {"a loaded space stops a run", "abc def", "abcdef", 2, {{1, 1, 3}, {3, 2, 3}}, "   ", "  "},
      {"bytes above 0x7F", "\xB0\xA1\xC4\xE3id=1;", "x\xB0\xA1\xC4\xE3id=1;", 3, {{1, 2, 9}},
       " ", "x "},
      {"MinMatchLen above every run", "zhid=id+id;", "zhid=id+id;", 11, {}, "zhid=id+id;",
       "zhid=id+id;"},
  };
  // clang-format on
  return kRows;
}

TEST(TilingTest, TilesOfEveryPass) {
  for (const Row& row : rows()) {
    EXPECT_EQ(tile(row.A, row.B, row.MinMatchLen), row.tiles) << row.name;
  }
}

TEST(TilingTest, LiteralPassesAgree) {
  for (const Row& row : rows()) {
    EXPECT_EQ(reference_tile(row.A, row.B, row.MinMatchLen), row.tiles) << row.name;
  }
}

TEST(TilingTest, TilesLeaveTheExpectedStrings) {
  for (const Row& row : rows()) {
    std::string A = row.A;
    std::string B = row.B;
    for (const Tile& t : tile(row.A, row.B, row.MinMatchLen)) {
      apply_tile(A, t.x, t.length);
      apply_tile(B, t.y, t.length);
    }
    EXPECT_EQ(escaped(A), escaped(row.final_a)) << row.name;
    EXPECT_EQ(escaped(B), escaped(row.final_b)) << row.name;
  }
}

TEST(TilingTest, WorkedPairMatchLen) {
  EXPECT_EQ(kWorkedA.size(), 72u);
  EXPECT_EQ(kWorkedB.size(), 76u);
  EXPECT_EQ(match_length(tile(kWorkedA, kWorkedB, 3)), 66);
}

}  // namespace
}  // namespace codetwin::similarity
