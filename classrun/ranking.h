// From scores to what the outputs show: the verdict of each pair, pairs in
// ranking order, margins, groups and the pairs worth showing as evidence.
#ifndef CODETWIN_CLASSRUN_RANKING_H_
#define CODETWIN_CLASSRUN_RANKING_H_

#include <vector>

#include "classrun/classrun.h"
#include "classrun/scoring.h"
#include "verdict/verdict.h"

namespace codetwin::classrun {

/// The evidence histogram's bins to an evidence of 1: its 100 bins reach 2,
/// where the evidence ends (a view at twice its line).
inline constexpr double kEvidenceBins = 50;

/// Everything a class run found, ready for the outputs.
struct ClassResult {
  std::vector<Submission> submissions;  // in name order; indices used below
  std::vector<Skipped> skipped;
  std::uint64_t pairs = 0;
  std::uint64_t suspected = 0;
  std::uint64_t not_a_number = 0;
  std::uint64_t listable = 0;       // pairs at or above min (all when unset)
  Histogram histogram{};
  std::vector<Best> best;
  // The verdict: its settings as used, every submission's largest shares,
  // and what it found.
  double flag_at = verdict::kFlagAt;
  std::size_t common_at = 0;        // 0: no stretch was common
  bool class_statistics = true;     // false: too few submissions for them
  std::vector<verdict::Shares> shares;
  std::uint64_t flagged = 0;
  std::uint64_t suspected_not_flagged = 0;  // codetwin's 0.8 marks them, the verdict does not
  Histogram evidence_histogram{};   // every pair's evidence, kEvidenceBins bins to 1
  std::vector<PairScore> flagged_pairs;  // every flagged pair, by evidence
  std::vector<PairScore> listed;    // the console's: ranked, at or above min, cut to top
  std::vector<PairScore> written;   // CSV and JSON: ranked, at or above min (all kept)
  std::vector<PairScore> evidence;  // every flagged pair, then the best others by evidence
  std::vector<Group> groups;        // largest first
};

/// The verdict of a pair of `result`.
verdict::PairVerdict pair_verdict(const PairScore& pair, const ClassResult& result);

/// The rules that keep every pair `options` needs.
KeepRules keep_rules(const ListOptions& options);

/// Sorts `pairs` into ranking order by `key`, highest first, NaN last; ties
/// by similarity, then by the names (X's, then Y's). `result` gives the
/// figures beyond the pairs' own (submissions, best scores, shares).
void rank(std::vector<PairScore>& pairs, SortKey key, const ClassResult& result);

/// The groups that `result`'s flagged pairs among `pairs` join, or with
/// `group_at` its pairs at or above that similarity: each with its members
/// in name order and the range of its joining pairs' similarity and
/// evidence; largest first, ties by first member's name. Single
/// submissions are not groups.
std::vector<Group> find_groups(const std::vector<PairScore>& pairs,
                               const std::optional<double>& group_at, const ClassResult& result);

/// Assembles the result of a run.
ClassResult summarize(std::vector<Submission> submissions, std::vector<Skipped> skipped,
                      Scores scores, const ListOptions& options,
                      const VerdictOptions& verdict_options = {});

}  // namespace codetwin::classrun

#endif  // CODETWIN_CLASSRUN_RANKING_H_
