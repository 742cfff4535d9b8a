// Margins, ranking order, groups, the template, and what each output lists.
#include "classrun/ranking.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "classrun/template_code.h"

namespace codetwin::classrun {
namespace {

Submission made(std::string name, std::int64_t length, std::string tokens = {}) {
  Submission s;
  s.name = std::move(name);
  s.tokens = std::move(tokens);
  s.length = length;
  return s;
}

// Four submissions of length 50: a pair's match_len m gives similarity m/50.
std::vector<Submission> four() {
  return {made("a", 50), made("b", 50), made("c", 50), made("d", 50)};
}

Best best_of(float first, std::uint32_t p1, float second, std::uint32_t p2) {
  return {{first, p1}, {second, p2}};
}

// A result holding only what ranking and grouping read.
ClassResult result_of(std::vector<Submission> submissions, std::vector<Best> best = {}) {
  ClassResult result;
  result.shares.resize(submissions.size());
  result.best = best.empty() ? std::vector<Best>(submissions.size()) : std::move(best);
  result.submissions = std::move(submissions);
  return result;
}

TEST(MarginTest, ScoreLessTheHigherOtherBest) {
  const std::vector<Submission> subs = four();
  // a's best is b (0.9), then c (0.5); b's best is a, then d (0.3);
  // c's best is a (0.5); d has only b.
  const std::vector<Best> best = {best_of(0.9f, 1, 0.5f, 2), best_of(0.9f, 0, 0.3f, 3),
                                  best_of(0.5f, 0, 0.1f, 3), best_of(0.3f, 1, 0.1f, 2)};
  struct Row {
    const char* name;
    PairScore pair;
    float other_best;  // the higher of the two members' best with anyone else
  };
  const Row rows[] = {
      {"each other's closest", {0, 1, 45}, 0.5f},
      {"a's second", {0, 2, 25}, 0.9f},
      {"b's second", {1, 3, 15}, 0.9f},
  };
  for (const Row& row : rows) {
    const float s = pair_similarity(row.pair, subs);
    EXPECT_EQ(margin(row.pair, s, best),
              static_cast<double>(s) - static_cast<double>(row.other_best))
        << row.name;
  }
  // Nobody else: the other best counts as 0.
  const std::vector<Best> lone = {best_of(0.6f, 1, 0, Closest::kNoPartner),
                                  best_of(0.6f, 0, 0, Closest::kNoPartner)};
  EXPECT_DOUBLE_EQ(margin({0, 1, 30}, 0.6f, lone), static_cast<double>(0.6f));
  EXPECT_TRUE(std::isnan(margin({0, 1, 0}, std::nanf(""), lone)));
}

TEST(RankTest, BySimilarityOrMarginWithNaNLastAndNamesBreakingTies) {
  std::vector<Submission> subs = {made("a", 50), made("b", 50), made("c", 50), made("d", 0),
                                  made("e", 0)};
  std::vector<PairScore> pairs = {{0, 2, 40}, {3, 4, 0}, {1, 2, 40}, {0, 1, 45}, {0, 3, 0}};
  rank(pairs, SortKey::kSimilarity, result_of(subs));
  const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
      {0, 1}, {0, 2}, {1, 2}, {0, 3}, {3, 4}};
  for (std::size_t k = 0; k < pairs.size(); ++k) {
    EXPECT_EQ(std::make_pair(pairs[k].a, pairs[k].b), expected[k]) << k;
  }
}

TEST(GroupsTest, ComponentsOfPairsAtOrAboveTheThreshold) {
  std::vector<Submission> subs;
  for (const char* name : {"a", "b", "c", "d", "e", "f", "g"}) subs.push_back(made(name, 50));
  // a-b 0.96, b-c 0.92 (a chain), d-e 0.90 exactly, f-g 0.88 (below).
  const std::vector<PairScore> pairs = {{0, 1, 48}, {1, 2, 46}, {3, 4, 45}, {5, 6, 44}, {0, 2, 20}};
  const std::vector<Group> groups = find_groups(pairs, 0.9, result_of(subs));
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].members, (std::vector<std::uint32_t>{0, 1, 2}));
  EXPECT_FLOAT_EQ(groups[0].highest, 0.96f);
  EXPECT_FLOAT_EQ(groups[0].lowest, 0.92f);
  EXPECT_EQ(groups[1].members, (std::vector<std::uint32_t>{3, 4}));
  EXPECT_FLOAT_EQ(groups[1].lowest, 0.9f);
}

TEST(SummarizeTest, ListsWritesAndShowsTheRightPairs) {
  std::vector<Submission> subs = four();
  Scores scores;
  scores.pairs = 6;
  scores.best = {best_of(0.9f, 1, 0.82f, 2), best_of(0.9f, 0, 0.2f, 3), best_of(0.82f, 0, 0, 1),
                 best_of(0.2f, 1, 0, 0)};
  scores.kept = {{0, 1, 45}, {0, 2, 41}, {0, 3, 0}, {1, 2, 0}, {1, 3, 10}, {2, 3, 0}};
  ListOptions options;
  options.top = 2;
  options.min = 0.1;
  options.keep_all_listed = true;
  options.evidence = true;
  options.evidence_pairs = 1;
  options.group_at = 0.9;
  const ClassResult result = summarize(subs, {}, scores, options);
  auto pairs_of = [](const std::vector<PairScore>& pairs) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
    for (const PairScore& p : pairs) out.emplace_back(p.a, p.b);
    return out;
  };
  using Pairs = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
  EXPECT_EQ(pairs_of(result.listed), (Pairs{{0, 1}, {0, 2}}));
  EXPECT_EQ(pairs_of(result.written), (Pairs{{0, 1}, {0, 2}, {1, 3}}));
  // Nothing shares code the verdict counts: no pair is flagged, and the one
  // view asked for is the best by similarity.
  EXPECT_EQ(result.flagged, 0u);
  EXPECT_EQ(pairs_of(result.evidence), (Pairs{{0, 1}}));
  ASSERT_EQ(result.groups.size(), 1u);
  EXPECT_EQ(result.groups[0].members, (std::vector<std::uint32_t>{0, 1}));

  options.sort = SortKey::kMargin;
  const ClassResult by_margin = summarize(subs, {}, scores, options);
  // Margins: a-b 0.9-0.82, a-c 0.82-0.9, b-d 0.2-0.9.
  EXPECT_EQ(pairs_of(by_margin.written), (Pairs{{0, 1}, {0, 2}, {1, 3}}));
}

TEST(TemplateTest, TiledStretchesBecomeSpacesAndLeaveTheLength) {
  struct Row {
    const char* name;
    std::string tokens;
    std::string template_tokens;
    std::string masked;
    std::int64_t length;
  };
  const Row rows[] = {
      {"no template", "zhmain(){id=0;}", "", "zhmain(){id=0;}", 15},
      {"only the template", "zhmain(){}", "zhmain(){}", "          ", 0},
      {"template inside", "id=1;zhmain(){}id=2;", "zhmain(){}", "id=1;          id=2;", 10},
      {"runs of 3 stay", "abcXdef", "abcYdef", "abcXdef", 7},
  };
  for (const Row& row : rows) {
    Submission s = made("s", static_cast<std::int64_t>(row.tokens.size()), row.tokens);
    remove_template(made("template", 0, row.template_tokens), s);
    EXPECT_EQ(s.tokens, row.masked) << row.name;
    EXPECT_EQ(s.length, row.length) << row.name;
  }
}

}  // namespace
}  // namespace codetwin::classrun
