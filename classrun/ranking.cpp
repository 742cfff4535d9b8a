// Ranking, groups and the choice of pairs for each output.
#include "classrun/ranking.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "classrun/class_verdict.h"

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

// The verdict's counts and the histogram of every pair's evidence. Every
// pair with evidence above 0 is kept; the others fall in the first bin.
void count_verdicts(const std::vector<PairScore>& kept, ClassResult& result) {
  std::uint64_t with_evidence = 0;
  for (const PairScore& pair : kept) {
    const verdict::PairVerdict v = pair_verdict(pair, result);
    if (v.evidence <= 0) continue;
    ++with_evidence;
    const auto bin = static_cast<std::size_t>(v.evidence * kEvidenceBins);
    ++result.evidence_histogram[std::min<std::size_t>(bin, 99)];
    if (!v.flagged) continue;
    ++result.flagged;
    result.flagged_pairs.push_back(pair);
    if (is_suspected(pair_similarity(pair, result.submissions))) --result.suspected_not_flagged;
  }
  result.evidence_histogram[0] += result.pairs - with_evidence;
}

}  // namespace

verdict::PairVerdict pair_verdict(const PairScore& pair, const ClassResult& result) {
  return judge_pair(pair, result.submissions, result.shares, result.flag_at);
}

KeepRules keep_rules(const ListOptions& options) {
  KeepRules rules;
  // A margin depends on every pair's score, so ranking by it, like listing
  // all, keeps every pair that may be listed. Ranking by evidence needs the
  // pairs with evidence (always kept) and, for the ties at evidence 0, the
  // best by similarity.
  rules.keep_all =
      options.keep_all_listed || options.top == 0 || options.sort == SortKey::kMargin;
  rules.min = options.min;
  rules.top = options.top;
  std::optional<double> at_or_above = options.group_at;
  if (options.evidence) rules.top = std::max(rules.top, options.evidence_pairs);
  rules.at_or_above = at_or_above;
  return rules;
}

void rank(std::vector<PairScore>& pairs, SortKey key, const ClassResult& result) {
  const std::vector<Submission>& submissions = result.submissions;
  std::vector<RankedPair> ranked;
  ranked.reserve(pairs.size());
  for (const PairScore& pair : pairs) {
    const float s = pair_similarity(pair, submissions);
    double value = s;
    if (key == SortKey::kMargin) value = margin(pair, s, result.best);
    if (key == SortKey::kEvidence) value = pair_verdict(pair, result).evidence;
    ranked.push_back({pair, s, value});
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

std::vector<Group> find_groups(const std::vector<PairScore>& pairs,
                               const std::optional<double>& group_at, const ClassResult& result) {
  const std::vector<Submission>& submissions = result.submissions;
  Components components(submissions.size());
  std::vector<PairScore> joining;
  for (const PairScore& pair : pairs) {
    const bool joins = group_at ? at_least(pair_similarity(pair, submissions), *group_at)
                                : pair_verdict(pair, result).flagged;
    if (joins) {
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
      group.highest_evidence = -std::numeric_limits<double>::infinity();
      group.lowest_evidence = std::numeric_limits<double>::infinity();
      groups.push_back(group);
    }
    Group& group = groups[static_cast<std::size_t>(group_of[root])];
    const float s = pair_similarity(pair, submissions);
    group.highest = std::max(group.highest, s);
    group.lowest = std::min(group.lowest, s);
    const double evidence = pair_verdict(pair, result).evidence;
    group.highest_evidence = std::max(group.highest_evidence, evidence);
    group.lowest_evidence = std::min(group.lowest_evidence, evidence);
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
                      Scores scores, const ListOptions& options,
                      const VerdictOptions& verdict_options) {
  ClassResult result;
  result.submissions = std::move(submissions);
  result.skipped = std::move(skipped);
  result.pairs = scores.pairs;
  result.suspected = scores.suspected;
  result.not_a_number = scores.not_a_number;
  result.listable = scores.listable;
  result.histogram = scores.histogram;
  result.best = std::move(scores.best);
  result.shares = std::move(scores.shares);
  result.flag_at = verdict_options.flag_at;
  result.common_at = common_at_for(verdict_options, result.submissions.size());
  result.class_statistics = has_class_statistics(result.submissions.size());
  result.suspected_not_flagged = result.suspected;
  count_verdicts(scores.kept, result);
  rank(result.flagged_pairs, SortKey::kEvidence, result);

  result.listed = filtered(scores.kept, result.submissions, options.min);
  rank(result.listed, options.sort, result);
  if (options.keep_all_listed) result.written = result.listed;
  if (options.top > 0 && result.listed.size() > options.top) result.listed.resize(options.top);

  if (options.evidence) {
    std::vector<PairScore> by_evidence = scores.kept;
    rank(by_evidence, SortKey::kEvidence, result);
    for (std::size_t k = 0; k < by_evidence.size(); ++k) {
      const PairScore& pair = by_evidence[k];
      if (pair_verdict(pair, result).flagged ||
          (k < options.evidence_pairs && !std::isnan(pair_similarity(pair, result.submissions)))) {
        result.evidence.push_back(pair);
      }
    }
  }
  result.groups = find_groups(scores.kept, options.group_at, result);
  return result;
}

}  // namespace codetwin::classrun
