// From scores to what the outputs show: pairs in ranking order, margins,
// groups and the pairs worth showing as evidence.
#ifndef CODETWIN_CLASSRUN_RANKING_H_
#define CODETWIN_CLASSRUN_RANKING_H_

#include <vector>

#include "classrun/classrun.h"
#include "classrun/scoring.h"

namespace codetwin::classrun {

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
  std::vector<PairScore> listed;    // the console's: ranked, at or above min, cut to top
  std::vector<PairScore> written;   // CSV and JSON: ranked, at or above min (all kept)
  std::vector<PairScore> evidence;  // every suspected pair, then the best others by similarity
  std::vector<Group> groups;        // largest first
};

/// The rules that keep every pair `options` needs.
KeepRules keep_rules(const ListOptions& options);

/// Sorts `pairs` into ranking order by `key`, highest first, NaN last; ties
/// by similarity, then by the names (X's, then Y's).
void rank(std::vector<PairScore>& pairs, SortKey key, const std::vector<Submission>& submissions,
          const std::vector<Best>& best);

/// The groups joined by the pairs at or above `group_at`: each with its
/// members in name order and the highest and lowest of its joining pairs;
/// largest first, ties by first member's name. Single submissions are not
/// groups.
std::vector<Group> find_groups(const std::vector<PairScore>& pairs, double group_at,
                               const std::vector<Submission>& submissions);

/// Assembles the result of a run.
ClassResult summarize(std::vector<Submission> submissions, std::vector<Skipped> skipped,
                      Scores scores, const ListOptions& options);

}  // namespace codetwin::classrun

#endif  // CODETWIN_CLASSRUN_RANKING_H_
