// Shared code, typical values, and the evidence of a pair.
#include "verdict/verdict.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace codetwin::verdict {
namespace {

// Profiles of codes with nothing common: every character is distinctive.
std::vector<CodeProfile> plain_profiles(const std::vector<std::string>& codes) {
  const std::vector<std::string_view> views(codes.begin(), codes.end());
  return profile_codes(views, 0);
}

TEST(LargestTest, TheTypicalValueLeavesThePairsOwnOut) {
  static_assert(kTypicalRank == 4, "the cases below are written for the fourth largest");
  Largest<std::int64_t> shares;
  for (std::int64_t value : {5, 1, 9, 3, 7, 2}) shares.offer(value);
  // Largest first: 9 7 5 3 | 2 1.
  struct Row {
    std::int64_t own;
    std::int64_t typical;
  };
  for (const Row& row : {Row{9, 2}, Row{3, 2}, Row{2, 3}, Row{1, 3}}) {
    EXPECT_EQ(shares.typical_without(row.own), row.typical) << row.own;
  }
  Largest<std::int64_t> few;
  for (std::int64_t value : {4, 8, 6}) few.offer(value);
  EXPECT_EQ(few.typical_without(8), 0);
  EXPECT_EQ(few.typical_without(0), 0);
}

TEST(LargestTest, OffersInAnyOrderAndMergedTalliesAgree) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<double> values(static_cast<std::size_t>(1 + random() % 20));
    for (double& value : values) value = static_cast<double>(random() % 8) / 8;
    Largest<double> whole;
    for (double value : values) whole.offer(value);
    std::shuffle(values.begin(), values.end(), random);
    Largest<double> first;
    Largest<double> second;
    for (std::size_t k = 0; k < values.size(); ++k) (k % 3 == 0 ? first : second).offer(values[k]);
    first.merge(second);
    for (double own : values) {
      ASSERT_EQ(first.typical_without(own), whole.typical_without(own)) << round;
    }
  }
}

TEST(SharedCodeTest, RunsCountByTheirLength) {
  // A: 40 characters; B: 40. Nothing common, so each side's whole run is
  // distinctive.
  const std::vector<CodeProfile> profiles =
      plain_profiles({std::string(40, 'a'), std::string(40, 'b')});
  struct Row {
    const char* name;
    std::vector<similarity::OriginalTile> tiles;
    SharedCode shared;
  };
  const Row rows[] = {
      {"none", {}, {0, 0, 0, 0, 0}},
      {"shorter than a run", {{0, 0, 7}}, {7, 0, 0, 0, 0}},
      {"a run, shorter than a stretch", {{0, 0, 8}}, {8, 8, 0, 0, 0}},
      {"a stretch", {{0, 0, 16}, {20, 20, 4}}, {20, 16, 16, 40, 40}},
  };
  // Room reused from row to row, as a scoring thread reuses it from pair to
  // pair, in both orders: what one pair left in it must not count for the
  // next.
  SharedCodeScratch scratch;
  for (int round = 0; round < 2; ++round) {
    for (std::size_t r = 0; r < std::size(rows); ++r) {
      const Row& row = rows[round == 0 ? r : std::size(rows) - 1 - r];
      EXPECT_EQ(shared_code(row.tiles, profiles[0], profiles[1]), row.shared) << row.name;
      EXPECT_EQ(shared_code(row.tiles, profiles[0], profiles[1], scratch), row.shared) << row.name;
    }
  }
}

TEST(SharedCodeTest, DistinctiveOnBothSidesAndTheBlocksReached) {
  const std::string s = "abcdefghijklmnop";  // common: three hold it
  const std::string own = "{QRSTUVWXYZqrstuvwxyz}";
  // A: its own block, then the common stretch in a block of its own.
  // B: the same two blocks, in the other order; C and D hold the stretch.
  const std::vector<std::string> codes = {own + "{" + s + "}", "{" + s + "}" + own, s, s};
  const std::vector<std::string_view> views(codes.begin(), codes.end());
  const std::vector<CodeProfile> p = profile_codes(views, 3);
  const std::int64_t own_length = static_cast<std::int64_t>(own.size());
  const std::vector<similarity::OriginalTile> tiles = {{0, 18, own_length}, {23, 1, 16}};
  const SharedCode shared = shared_code(tiles, p[0], p[1]);
  EXPECT_EQ(shared.in_runs, own_length + 16);
  EXPECT_EQ(shared.distinctive, own_length);  // the common stretch does not count
  EXPECT_EQ(shared.reached_a, own_length);    // only the block that holds own code
  EXPECT_EQ(shared.reached_b, own_length);
}

TEST(JudgeTest, TheWholeProgramView) {
  // B (80 characters) is the smaller side; the pair's runs cover 72 of it.
  const std::vector<CodeProfile> p = plain_profiles({std::string(100, 'a'), std::string(80, 'b')});
  const SharedCode shared{72, 72, 0, 0, 0};
  Shares a;
  Shares b;
  for (double covered : {0.9, 0.5, 0.4, 0.3, 0.2, 0.1}) b.coverage.offer(covered);
  const PairVerdict v = judge(shared, p[0], p[1], a, b, kFlagAt);
  EXPECT_EQ(v.smaller, Side::kB);
  EXPECT_DOUBLE_EQ(v.coverage, 0.9);
  EXPECT_DOUBLE_EQ(v.typical, 0.2);  // the fourth largest of the others
  EXPECT_DOUBLE_EQ(v.whole, (0.9 - 0.2) / 0.8);
  EXPECT_DOUBLE_EQ(v.evidence, v.whole / kWholeLine);
  EXPECT_TRUE(v.flagged);
  EXPECT_FALSE(judge(shared, p[0], p[1], a, b, 1.1).flagged);
}

TEST(JudgeTest, ThePassagesView) {
  const std::vector<CodeProfile> p = plain_profiles({std::string(300, 'a'), std::string(400, 'b')});
  struct Row {
    const char* name;
    SharedCode shared;
    std::vector<std::int64_t> others_a;  // A's shares with others than B
    double passages;
    bool floored;
  };
  const Row rows[] = {
      {"beyond the typical share", {0, 0, 150, 200, 250}, {10, 20, 30, 40, 5}, (150.0 - 10) / 200,
       false},
      {"nothing beyond", {0, 0, 10, 200, 250}, {10, 20, 30, 40}, 0, false},
      {"a small part, measured against the floor", {0, 0, 60, 40, 40}, {}, 60.0 / 96, true},
      {"all of it", {0, 0, 300, 300, 300}, {}, 1, false},
  };
  for (const Row& row : rows) {
    Shares a;
    Shares b;
    a.shared.offer(row.shared.distinctive);
    b.shared.offer(row.shared.distinctive);
    for (std::int64_t other : row.others_a) a.shared.offer(other);
    const PairVerdict v = judge(row.shared, p[0], p[1], a, b, kFlagAt);
    EXPECT_DOUBLE_EQ(v.passages, row.passages) << row.name;
    EXPECT_EQ(v.floored, row.floored) << row.name;
    EXPECT_DOUBLE_EQ(v.evidence, std::max(v.whole / kWholeLine, v.passages / kPassagesLine))
        << row.name;
  }
}

TEST(JudgeTest, NothingToShareGivesNoEvidence) {
  const std::vector<CodeProfile> p = plain_profiles({"", std::string(10, 'x')});
  const PairVerdict v = judge(SharedCode{}, p[0], p[1], Shares{}, Shares{}, kFlagAt);
  EXPECT_EQ(v.evidence, 0);
  EXPECT_FALSE(v.flagged);
  // Everyone covers all of the smaller side: nothing is left to explain.
  Shares all;
  for (int k = 0; k < 6; ++k) all.coverage.offer(1.0);
  const std::vector<CodeProfile> q = plain_profiles({std::string(10, 'x'), std::string(20, 'y')});
  EXPECT_EQ(judge(SharedCode{10, 10, 0, 0, 0}, q[0], q[1], all, all, kFlagAt).whole, 0);
}

// may_have_evidence() on shares that hold some of the pairs never says no
// to a pair that has evidence once all are in.
TEST(JudgeTest, AnEarlyNoIsNeverWrong) {
  std::mt19937 random(11);
  const std::vector<CodeProfile> p = plain_profiles({std::string(50, 'a'), std::string(40, 'b')});
  for (int round = 0; round < 2000; ++round) {
    const std::int64_t in_runs = static_cast<std::int64_t>(random() % 41);
    const SharedCode shared{in_runs, in_runs, static_cast<std::int64_t>(random() % 40), 40, 40};
    Shares early_a;
    Shares early_b;
    Shares late_a;
    Shares late_b;
    for (Shares* s : {&early_a, &early_b, &late_a, &late_b}) {
      s->offer(coverage_of(shared, s == &early_a || s == &late_a ? p[0] : p[1]), shared.distinctive);
    }
    for (int k = 0; k < 12; ++k) {
      const double covered = static_cast<double>(random() % 11) / 10;
      const std::int64_t distinct = static_cast<std::int64_t>(random() % 40);
      Shares& late = k % 2 ? late_a : late_b;
      late.offer(covered, distinct);
      if (k < 5) (k % 2 ? early_a : early_b).offer(covered, distinct);
    }
    if (judge(shared, p[0], p[1], late_a, late_b, kFlagAt).evidence > 0) {
      ASSERT_TRUE(may_have_evidence(shared, p[0], p[1], early_a, early_b)) << round;
    }
  }
}

}  // namespace
}  // namespace codetwin::verdict
