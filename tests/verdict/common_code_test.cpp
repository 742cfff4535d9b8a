// Common stretches, distinctive code and blocks.
#include "verdict/common_code.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace codetwin::verdict {
namespace {

// Two stretches of kStretch characters each, and their halves.
const std::string kS = "abcdefghijklmnop";
const std::string kT = "ABCDEFGHIJKLMNOP";

std::vector<std::int64_t> distinctive(const std::vector<std::string>& codes,
                                      std::size_t common_at) {
  const std::vector<std::string_view> views(codes.begin(), codes.end());
  std::vector<std::int64_t> counts;
  for (const CodeProfile& profile : profile_codes(views, common_at)) {
    counts.push_back(profile.distinctive());
  }
  return counts;
}

TEST(CommonCodeTest, StretchesHeldByEnoughSubmissionsAreCommon) {
  static_assert(kStretch == 16, "the cases below are written for stretches of 16");
  struct Row {
    const char* name;
    std::vector<std::string> codes;
    std::size_t common_at;
    std::vector<std::int64_t> distinctive;
  };
  const Row rows[] = {
      {"held by three, common at three",
       {kS + "x" + kT, kS + "y", "z" + kS, kT},
       3,
       {17, 1, 1, 16}},
      {"held by three, common at four", {kS + "x" + kT, kS + "y", "z" + kS, kT}, 4, {33, 17, 17, 16}},
      {"nothing is common at 0", {kS, kS, kS}, 0, {16, 16, 16}},
      {"held twice by one submission counts once", {kS + kS, "q"}, 2, {32, 1}},
      {"a blank splits a stretch", {kS, kS.substr(0, 8) + " " + kS.substr(8), kS}, 3, {16, 16, 16}},
      {"blanks are neither", {kS, kS, "  " + kS + "  "}, 3, {0, 0, 0}},
      {"shorter than a stretch", {"abc", "abc", "abc"}, 2, {3, 3, 3}},
      {"a stretch inside a longer run", {"12" + kS + "34", kS, "5" + kS}, 3, {4, 0, 1}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(distinctive(row.codes, row.common_at), row.distinctive) << row.name;
  }
}

// Enough stretches that looking them up meets collisions: 500 blocks held
// by all three codes, and 500 of each code's own, every block a stretch of
// its own between blanks.
TEST(CommonCodeTest, ManyStretchesEachFoundExactly) {
  const auto block = [](int k) {
    std::string s = kS;
    for (std::size_t i = 0; i < 4; ++i) s[i] = static_cast<char>('a' + (k >> (5 * i)) % 32);
    return s;
  };
  std::vector<std::string> codes(3);
  for (int k = 0; k < 500; ++k) {
    for (std::string& code : codes) code += block(k) + " ";
  }
  for (std::size_t c = 0; c < codes.size(); ++c) {
    for (int k = 0; k < 500; ++k) codes[c] += block(500 * static_cast<int>(c + 1) + k) + " ";
  }
  EXPECT_EQ(distinctive(codes, 3), (std::vector<std::int64_t>{8000, 8000, 8000}));
  EXPECT_EQ(distinctive(codes, 4), (std::vector<std::int64_t>{16000, 16000, 16000}));
}

TEST(CommonCodeTest, TheOrderOfTheSubmissionsChangesNothing) {
  std::vector<std::string> codes = {kS + "x" + kT, kS + "y", "z" + kS, kT, kT + kS, "w"};
  const std::vector<std::int64_t> before = distinctive(codes, 3);
  std::vector<std::size_t> order = {0, 1, 2, 3, 4, 5};
  while (std::next_permutation(order.begin(), order.end())) {
    std::vector<std::string> shuffled;
    for (std::size_t k : order) shuffled.push_back(codes[k]);
    const std::vector<std::int64_t> after = distinctive(shuffled, 3);
    for (std::size_t k = 0; k < order.size(); ++k) ASSERT_EQ(after[k], before[order[k]]);
  }
}

TEST(CommonCodeTest, CommonAndDistinctiveCharacters) {
  const std::vector<std::string> codes = {"x" + kS + "  y", kS, kS};
  const std::vector<std::string_view> views(codes.begin(), codes.end());
  const CodeProfile profile = profile_codes(views, 3)[0];
  EXPECT_EQ(profile.length(), 18);
  EXPECT_EQ(profile.common(), 16);
  EXPECT_EQ(profile.distinctive(), 2);
  EXPECT_FALSE(profile.is_common(0));
  EXPECT_TRUE(profile.is_common(1));
  EXPECT_TRUE(profile.is_common(16));
  EXPECT_FALSE(profile.is_common(17));  // a blank
  EXPECT_EQ(profile.distinctive_in(0, 17), 1);
  EXPECT_EQ(profile.distinctive_in(17, 3), 1);
}

TEST(CommonCodeTest, BlocksEndAtOutermostClosingBraces) {
  // Two functions, a brace in the first one's body, and code after the last.
  const std::string code = "zhid(){if(id){id=0;}}zhid(){id;}id=1;";
  const std::vector<std::string_view> views = {code};
  const CodeProfile profile = profile_codes(views, 0)[0];
  struct Row {
    std::int64_t at;
    std::uint32_t block;
  };
  for (const Row& row : {Row{0, 0}, Row{20, 0}, Row{21, 1}, Row{31, 1}, Row{32, 2}, Row{36, 2}}) {
    EXPECT_EQ(profile.block_of(row.at), row.block) << row.at;
  }
  EXPECT_EQ(profile.block_begin(1), 21);
  EXPECT_EQ(profile.block_end(1), 32);
  EXPECT_EQ(profile.block_end(2), static_cast<std::int64_t>(code.size()));
  EXPECT_EQ(profile.distinctive_in_block(0), 21);
  EXPECT_EQ(profile.distinctive_in_block(2), 5);
}

TEST(CommonCodeTest, AnUnprofiledSubmissionHasNoCode) {
  const CodeProfile none;
  EXPECT_EQ(none.length(), 0);
  EXPECT_EQ(none.distinctive_in(0, 10), 0);
  EXPECT_EQ(none.distinctive_in_block(none.block_of(5)), 0);
}

}  // namespace
}  // namespace codetwin::verdict
