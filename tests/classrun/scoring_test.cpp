// Scoring every pair: which pairs, their scores, the best partners, what is
// kept, and that the number of threads changes nothing.
#include "classrun/scoring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "bench/generate.h"
#include "classrun/class_verdict.h"
#include "similarity/similarity.h"

namespace codetwin::classrun {
namespace {

Submission made(std::string name, std::string tokens, Cohort cohort = Cohort::kNew) {
  Submission s;
  s.name = std::move(name);
  s.cohort = cohort;
  s.tokens = std::move(tokens);
  s.length = static_cast<std::int64_t>(s.tokens.size());
  return s;
}

// A small class of generated programs: some independent, some disguised copies.
std::vector<Submission> generated_class(std::size_t n, std::size_t old_every = 0) {
  std::vector<Submission> subs;
  for (std::size_t k = 0; k < n; ++k) {
    const bench::ProgramPair pair = bench::generate_pair(100 + k / 3, 300);
    const std::string& tokens = k % 3 == 1 ? pair.second.tokens : pair.first.tokens;
    const Cohort cohort = old_every != 0 && k % old_every == 0 ? Cohort::kOld : Cohort::kNew;
    char name[24];  // room for any size_t, which GCC checks at -O0
    std::snprintf(name, sizeof name, "s%03zu", k);
    subs.push_back(made(name, tokens, cohort));
  }
  return subs;
}

using PairKey = std::tuple<std::uint32_t, std::uint32_t, std::int64_t>;

std::vector<PairKey> keys(const std::vector<PairScore>& pairs) {
  std::vector<PairKey> out;
  for (const PairScore& p : pairs) out.emplace_back(p.a, p.b, p.match_len);
  return out;
}

TEST(ScoringTest, EveryPairButOldWithOldIsScoredAsCodetwinScoresIt) {
  const std::vector<Submission> subs = generated_class(14, 4);  // s000, s004, s008, s012 old
  KeepRules all;
  all.keep_all = true;
  const Scores scores = score_all(subs, all, 3);
  std::vector<PairKey> expected;
  std::uint64_t suspected = 0;
  for (std::uint32_t i = 0; i < subs.size(); ++i) {
    for (std::uint32_t j = i + 1; j < subs.size(); ++j) {
      if (subs[i].cohort == Cohort::kOld && subs[j].cohort == Cohort::kOld) continue;
      const auto tiles = similarity::tile(subs[i].tokens, subs[j].tokens, kMinMatchLen);
      const std::int64_t match = similarity::match_length(tiles);
      expected.emplace_back(i, j, match);
      if (is_suspected(similarity::similarity(match, subs[i].length, subs[j].length))) ++suspected;
    }
  }
  EXPECT_EQ(count_pairs(subs), expected.size());
  EXPECT_EQ(scores.pairs, expected.size());
  EXPECT_EQ(keys(scores.kept), expected);
  EXPECT_EQ(scores.suspected, suspected);
  EXPECT_GT(suspected, 0u);
  std::uint64_t in_histogram = 0;
  for (std::uint64_t count : scores.histogram) in_histogram += count;
  EXPECT_EQ(in_histogram, scores.pairs);
}

TEST(ScoringTest, ResultsDoNotDependOnTheNumberOfThreads) {
  const std::vector<Submission> subs = generated_class(20, 7);
  KeepRules rules;
  rules.top = 5;
  rules.at_or_above = 0.9;
  const Scores one = score_all(subs, rules, 1);
  for (unsigned jobs : {2u, 3u, 8u}) {
    const Scores many = score_all(subs, rules, jobs);
    EXPECT_EQ(keys(many.kept), keys(one.kept)) << jobs;
    EXPECT_EQ(many.histogram, one.histogram) << jobs;
    ASSERT_EQ(many.best.size(), one.best.size());
    for (std::size_t k = 0; k < one.best.size(); ++k) {
      EXPECT_EQ(many.best[k].first.partner, one.best[k].first.partner) << jobs << " " << k;
      EXPECT_EQ(many.best[k].second.partner, one.best[k].second.partner) << jobs << " " << k;
      EXPECT_EQ(many.best[k].first.score, one.best[k].first.score) << jobs << " " << k;
    }
  }
}

// The same class with its code profiled, as a run profiles it.
std::vector<Submission> profiled_class(std::size_t n) {
  std::vector<Submission> subs = generated_class(n);
  profile_class(subs, 3);
  return subs;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> with_evidence(const Scores& scores,
                                                                   const std::vector<Submission>& subs) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
  for (const PairScore& pair : scores.kept) {
    if (judge_pair(pair, subs, scores.shares, verdict::kFlagAt).evidence > 0) {
      out.emplace_back(pair.a, pair.b);
    }
  }
  return out;
}

TEST(ScoringTest, EveryPairWithEvidenceIsKeptHoweverThreadsPrune) {
  const std::vector<Submission> subs = profiled_class(24);
  KeepRules all;
  all.keep_all = true;
  const Scores every = score_all(subs, all, 1);
  const auto expected = with_evidence(every, subs);
  ASSERT_GT(expected.size(), 0u);
  ASSERT_LT(expected.size(), every.kept.size());
  for (unsigned jobs : {1u, 2u, 4u}) {
    for (std::size_t prune_from : {std::size_t{1}, std::size_t{5}, std::size_t{1} << 14}) {
      KeepRules rules;
      rules.prune_from = prune_from;
      const Scores scores = score_all(subs, rules, jobs);
      EXPECT_EQ(with_evidence(scores, subs), expected) << jobs << " " << prune_from;
      // Nothing is kept that the verdict or the listing does not need.
      EXPECT_EQ(scores.kept.size(), expected.size()) << jobs << " " << prune_from;
      for (std::size_t k = 0; k < subs.size(); ++k) {
        EXPECT_EQ(scores.shares[k].coverage.typical_without(-1.0),
                  every.shares[k].coverage.typical_without(-1.0))
            << k;
        EXPECT_EQ(scores.shares[k].shared.typical_without(-1), every.shares[k].shared.typical_without(-1))
            << k;
      }
    }
  }
}

TEST(ScoringTest, KeepsTheTopPairsAndThoseAboveThresholds) {
  // Scores by construction: a-b 1.0, c-d 1.0, a-c and others 0.
  const std::vector<Submission> subs = {
      made("a", "abcdefgh"), made("b", "abcdefgh"), made("c", "zzzzyyyy"), made("d", "zzzzyyyy"),
      made("e", "qqqqwwww")};
  struct Row {
    const char* name;
    KeepRules rules;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> kept;
  };
  KeepRules top1;
  top1.top = 1;
  KeepRules top3;
  top3.top = 3;  // a-b, c-d, then the first 0 in name order: a-c
  KeepRules above;
  above.at_or_above = 0.5;
  KeepRules min_all;
  min_all.keep_all = true;
  min_all.min = 0.5;
  const Row rows[] = {
      {"top 1", top1, {{0, 1}}},
      {"top 3", top3, {{0, 1}, {0, 2}, {2, 3}}},
      {"at or above", above, {{0, 1}, {2, 3}}},
      {"all at or above min", min_all, {{0, 1}, {2, 3}}},
  };
  for (const Row& row : rows) {
    const Scores scores = score_all(subs, row.rules, 2);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> kept;
    for (const PairScore& p : scores.kept) kept.emplace_back(p.a, p.b);
    EXPECT_EQ(kept, row.kept) << row.name;
  }
}

TEST(ScoringTest, BestPartnersTieToTheSmallerIndexAndSkipNaN) {
  const std::vector<Submission> subs = {made("a", "abcdefgh"), made("b", "abcdefgh"),
                                        made("c", "abcdefgh"), made("d", ""), made("e", "")};
  const Scores scores = score_all(subs, KeepRules{}, 2);
  EXPECT_EQ(scores.not_a_number, 1u);  // d with e
  EXPECT_EQ(scores.best[0].first.partner, 1u);
  EXPECT_EQ(scores.best[0].second.partner, 2u);
  EXPECT_EQ(scores.best[2].first.partner, 0u);
  EXPECT_EQ(scores.best[2].second.partner, 1u);
  EXPECT_EQ(scores.best[2].first.score, 1.0f);
  EXPECT_EQ(scores.best[3].first.score, 0.0f);  // d's best: 0 with a
  EXPECT_EQ(scores.best[3].first.partner, 0u);
}

TEST(ScoringTest, CancelStopsEarly) {
  const std::vector<Submission> subs = generated_class(40);
  PairScorer scorer(subs, KeepRules{}, 2);
  scorer.cancel();
  while (!scorer.wait(std::chrono::milliseconds(100))) {
  }
  EXPECT_LE(scorer.done(), scorer.total());
  const Scores scores = scorer.take();
  EXPECT_EQ(scores.pairs, scorer.done());
}

TEST(ScoringTest, NoPairsAtAll) {
  for (const auto& subs : {std::vector<Submission>{},
                           std::vector<Submission>{made("a", "abcd")},
                           std::vector<Submission>{made("a", "abcd", Cohort::kOld),
                                                   made("b", "abcd", Cohort::kOld)}}) {
    const Scores scores = score_all(subs, KeepRules{}, 4);
    EXPECT_EQ(scores.pairs, 0u);
    EXPECT_TRUE(scores.kept.empty());
  }
}

}  // namespace
}  // namespace codetwin::classrun

namespace codetwin::classrun {
namespace {

// Slices: every pair once, in order, and the work spread by cost.
TEST(PairSliceTest, SlicesCoverEveryPairOnceWithEvenCost) {
  std::vector<Submission> subs = generated_class(40, 6);
  // Very uneven sizes: every fifth submission twenty times as long.
  for (std::size_t k = 0; k < subs.size(); k += 5) {
    std::string longer;
    for (int r = 0; r < 20; ++r) longer += subs[k].tokens;
    subs[k].tokens = longer;
    subs[k].length = static_cast<std::int64_t>(longer.size());
  }
  const std::uint64_t total = count_pairs(subs);
  // A pair's cost as the slicing counts it, and the most any one costs.
  std::vector<std::uint64_t> cost_of;
  std::uint64_t largest = 0, all = 0;
  for (std::uint32_t i = 0; i < subs.size(); ++i) {
    for (std::uint32_t j = i + 1; j < subs.size(); ++j) {
      if (subs[i].cohort == Cohort::kOld && subs[j].cohort == Cohort::kOld) continue;
      cost_of.push_back(subs[i].tokens.size() + subs[j].tokens.size() + kPairSetUpCost);
      largest = std::max(largest, cost_of.back());
      all += cost_of.back();
    }
  }
  ASSERT_EQ(cost_of.size(), total);
  for (std::uint32_t n : {1u, 2u, 3u, 7u, 64u, 2000u}) {
    std::uint64_t expected_first = 0;
    for (std::uint32_t k = 0; k < n; ++k) {
      const PairRange slice = pair_slice(subs, k, n);
      EXPECT_EQ(slice.first, expected_first) << n << " " << k;
      ASSERT_LE(slice.first, slice.last);
      std::uint64_t cost = 0;
      for (std::uint64_t p = slice.first; p < slice.last; ++p) cost += cost_of[p];
      // Each slice is within one pair's cost of its share.
      EXPECT_LE(cost, all / n + largest + 1) << n << " " << k;
      EXPECT_GE(cost + largest + 1, all / n) << n << " " << k;
      expected_first = slice.last;
    }
    EXPECT_EQ(expected_first, total) << n;
  }
}

// Scoring slices apart and merging their partial scores gives exactly the
// whole run's scores, whatever the cut and the order of the parts.
TEST(PairSliceTest, MergedSlicesScoreAsTheWholeRun) {
  const std::vector<Submission> subs = profiled_class(30);
  KeepRules rules;
  rules.top = 7;
  rules.at_or_above = 0.6;
  rules.prune_from = 3;
  const Scores whole = score_all(subs, rules, 2);
  for (std::uint32_t n : {1u, 2u, 3u, 7u, 64u}) {
    std::vector<PartialScores> parts;
    for (std::uint32_t k = n; k-- > 0;) {  // any order
      PairScorer scorer(subs, rules, 1 + k % 3, pair_slice(subs, k, n));
      ASSERT_TRUE(scorer.wait(std::chrono::minutes(5)));
      parts.push_back(scorer.take_partial());
    }
    const Scores merged = finish(merge_partial(std::move(parts), subs, rules), rules);
    EXPECT_EQ(merged.pairs, whole.pairs) << n;
    EXPECT_EQ(merged.suspected, whole.suspected) << n;
    EXPECT_EQ(merged.histogram, whole.histogram) << n;
    EXPECT_EQ(keys(merged.kept), keys(whole.kept)) << n;
    for (std::size_t k = 0; k < subs.size(); ++k) {
      EXPECT_EQ(merged.best[k].first.partner, whole.best[k].first.partner) << n << " " << k;
      EXPECT_EQ(merged.best[k].second.partner, whole.best[k].second.partner) << n << " " << k;
      EXPECT_EQ(merged.shares[k].coverage.typical_without(-1.0),
                whole.shares[k].coverage.typical_without(-1.0))
          << n << " " << k;
    }
  }
}

}  // namespace
}  // namespace codetwin::classrun
