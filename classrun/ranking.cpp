// Ranking, groups and the choice of pairs for each output.
#include "classrun/ranking.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace codetwin::classrun {

namespace {

// A pair with the values it is ranked by.
struct RankedPair {
  PairScore pair;
  float similarity;
  double key;
};

// Higher first, NaN last.
int compare_descending(double x, double y) {
  const bool x_nan = std::isnan(x);
  const bool y_nan = std::isnan(y);
  if (x_nan || y_nan) return x_nan == y_nan ? 0 : (x_nan ? 1 : -1);
  if (x == y) return 0;
  return x > y ? -1 : 1;
}

// As in scoring: thresholds are compared in single precision, so a pair
// printed as 0.900000 is at or above 0.9.
bool at_least(float similarity, double threshold) {
  return similarity >= static_cast<float>(threshold);
}

// Union-find over submission indices.
class Components {
 public:
  explicit Components(std::size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0); }
  std::uint32_t find(std::uint32_t x) {
    while (parent_[x] != x) x = parent_[x] = parent_[parent_[x]];
    return x;
  }
  void join(std::uint32_t x, std::uint32_t y) {
    x = find(x);
    y = find(y);
    if (x != y) parent_[std::max(x, y)] = std::min(x, y);
  }

 private:
  std::vector<std::uint32_t> parent_;
};

std::vector<PairScore> filtered(const std::vector<PairScore>& pairs,
                                const std::vector<Submission>& submissions,
                                const std::optional<double>& min) {
  std::vector<PairScore> kept;
  for (const PairScore& pair : pairs) {
    if (!min || at_least(pair_similarity(pair, submissions), *min)) kept.push_back(pair);
  }
  return kept;
}

}  // namespace

KeepRules keep_rules(const ListOptions& options) {
  KeepRules rules;
  // A margin depends on every pair's score, so ranking by it, like listing
  // all, keeps every pair that may be listed.
  rules.keep_all =
      options.keep_all_listed || options.top == 0 || options.sort == SortKey::kMargin;
  rules.min = options.min;
  if (options.sort == SortKey::kSimilarity) rules.top = options.top;
  double at_or_above = options.group_at;
  if (options.evidence) {
    at_or_above = std::min(at_or_above, kSuspectedAt);
    rules.top = std::max(rules.top, options.evidence_pairs);
  }
  rules.at_or_above = at_or_above;
  return rules;
}

void rank(std::vector<PairScore>& pairs, SortKey key, const std::vector<Submission>& submissions,
          const std::vector<Best>& best) {
  std::vector<RankedPair> ranked;
  ranked.reserve(pairs.size());
  for (const PairScore& pair : pairs) {
    const float s = pair_similarity(pair, submissions);
    ranked.push_back({pair, s, key == SortKey::kMargin ? margin(pair, s, best) : s});
  }
  std::sort(ranked.begin(), ranked.end(), [&](const RankedPair& x, const RankedPair& y) {
    if (int c = compare_descending(x.key, y.key)) return c < 0;
    if (int c = compare_descending(x.similarity, y.similarity)) return c < 0;
    const Submission& xa = submissions[x.pair.a];
    const Submission& ya = submissions[y.pair.a];
    if (int c = xa.name.compare(ya.name)) return c < 0;
    if (int c = submissions[x.pair.b].name.compare(submissions[y.pair.b].name)) return c < 0;
    return std::make_pair(x.pair.a, x.pair.b) < std::make_pair(y.pair.a, y.pair.b);
  });
  for (std::size_t k = 0; k < pairs.size(); ++k) pairs[k] = ranked[k].pair;
}

std::vector<Group> find_groups(const std::vector<PairScore>& pairs, double group_at,
                               const std::vector<Submission>& submissions) {
  Components components(submissions.size());
  std::vector<PairScore> joining;
  for (const PairScore& pair : pairs) {
    if (at_least(pair_similarity(pair, submissions), group_at)) {
      components.join(pair.a, pair.b);
      joining.push_back(pair);
    }
  }
  // Groups by their root, the smallest member index.
  std::vector<std::int64_t> group_of(submissions.size(), -1);
  std::vector<Group> groups;
  for (const PairScore& pair : joining) {
    const std::uint32_t root = components.find(pair.a);
    if (group_of[root] < 0) {
      group_of[root] = static_cast<std::int64_t>(groups.size());
      Group group;
      group.highest = -std::numeric_limits<float>::infinity();
      group.lowest = std::numeric_limits<float>::infinity();
      groups.push_back(group);
    }
    Group& group = groups[static_cast<std::size_t>(group_of[root])];
    const float s = pair_similarity(pair, submissions);
    group.highest = std::max(group.highest, s);
    group.lowest = std::min(group.lowest, s);
  }
  for (std::uint32_t k = 0; k < submissions.size(); ++k) {
    const std::int64_t g = group_of[components.find(k)];
    if (g >= 0) groups[static_cast<std::size_t>(g)].members.push_back(k);
  }
  std::stable_sort(groups.begin(), groups.end(), [](const Group& x, const Group& y) {
    if (x.members.size() != y.members.size()) return x.members.size() > y.members.size();
    return x.members.front() < y.members.front();
  });
  return groups;
}

ClassResult summarize(std::vector<Submission> submissions, std::vector<Skipped> skipped,
                      Scores scores, const ListOptions& options) {
  ClassResult result;
  result.submissions = std::move(submissions);
  result.skipped = std::move(skipped);
  result.pairs = scores.pairs;
  result.suspected = scores.suspected;
  result.not_a_number = scores.not_a_number;
  result.listable = scores.listable;
  result.histogram = scores.histogram;
  result.best = std::move(scores.best);
  const std::vector<Submission>& subs = result.submissions;

  result.listed = filtered(scores.kept, subs, options.min);
  rank(result.listed, options.sort, subs, result.best);
  if (options.keep_all_listed) result.written = result.listed;
  if (options.top > 0 && result.listed.size() > options.top) result.listed.resize(options.top);

  if (options.evidence) {
    std::vector<PairScore> by_similarity = scores.kept;
    rank(by_similarity, SortKey::kSimilarity, subs, result.best);
    for (std::size_t k = 0; k < by_similarity.size(); ++k) {
      const float s = pair_similarity(by_similarity[k], subs);
      if (is_suspected(s) || (k < options.evidence_pairs && !std::isnan(s))) {
        result.evidence.push_back(by_similarity[k]);
      }
    }
  }
  result.groups = find_groups(scores.kept, options.group_at, subs);
  return result;
}

}  // namespace codetwin::classrun
