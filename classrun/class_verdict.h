// The class-aware verdict (verdict/verdict.h) over a class run: the class's
// code profiled once before scoring, each pair judged once every pair has
// been scored, since a pair's evidence depends on its members' shares with
// everyone.
#ifndef CODETWIN_CLASSRUN_CLASS_VERDICT_H_
#define CODETWIN_CLASSRUN_CLASS_VERDICT_H_

#include <cstddef>
#include <vector>

#include "classrun/classrun.h"
#include "verdict/verdict.h"

namespace codetwin::classrun {

/// Submissions needed for class statistics: with fewer, no submission has a
/// typical value (kTypicalRank others besides a partner) and no stretch is
/// common, so the evidence is what the pair shares alone.
inline constexpr std::size_t kClassStatisticsFrom = verdict::kTypicalRank + 2;

/// Whether a run of `submissions` has class statistics.
bool has_class_statistics(std::size_t submissions);

/// The holders that make a stretch common, unless given: kCommonAtLeast, or
/// in a larger run kCommonShare of its submissions.
std::size_t default_common_at(std::size_t submissions);

/// The holders that make a stretch common in a run of `submissions`: as
/// given, else the default where the run has class statistics, else 0
/// (none).
std::size_t common_at_for(const VerdictOptions& options, std::size_t submissions);

/// Profiles every submission's code against the whole run's.
void profile_class(std::vector<Submission>& submissions, std::size_t common_at);

/// The verdict of a scored pair, from the members' shares with everyone.
verdict::PairVerdict judge_pair(const PairScore& pair, const std::vector<Submission>& submissions,
                                const std::vector<verdict::Shares>& shares, double flag_at);

}  // namespace codetwin::classrun

#endif  // CODETWIN_CLASSRUN_CLASS_VERDICT_H_
