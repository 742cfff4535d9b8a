// Scoring every pair of a class on several threads.
//
// The pairs are numbered row by row (X's index, then Y's) and handed out in
// chunks from one atomic counter; each thread tiles with its own workspace
// (the strings' indexes of 8-grams made first, once for all threads, when
// the class is small enough to hold them all) and keeps its own tallies,
// merged at the end in a fixed order, so every result is the same for any
// number of threads. Pairs are kept only as the listing needs them
// (KeepRules); each submission's two best scores and its largest shares of
// code (verdict.h) are kept for every pair.
//
// A pair is tiled once when both its token strings are the verdict's code
// (comments ignored, or none written), else twice: its token strings for
// the score, its code for the verdict (only the tiles the verdict counts,
// which on class programs costs about half the score's tiling). A pair's
// evidence is known only when every pair has been scored; meanwhile a
// thread keeps the pairs that may have some, and drops, now and then, those
// that its tallies so far show cannot (in a class, all but each
// submission's few closest).
#ifndef CODETWIN_CLASSRUN_SCORING_H_
#define CODETWIN_CLASSRUN_SCORING_H_

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "classrun/classrun.h"
#include "verdict/verdict.h"

namespace codetwin::classrun {

/// Which scored pairs to keep in memory.
struct KeepRules {
  /// The listing's threshold: pairs at or above it are counted (all, NaN
  /// included, when unset), and kept when keep_all is set.
  std::optional<double> min;
  bool keep_all = false;
  /// Besides: the best `top` pairs by similarity order (0: none).
  std::size_t top = 0;
  /// Besides: every pair at or above this (groups, suspected pairs).
  std::optional<double> at_or_above;
  /// Besides: every pair whose evidence is above 0 (the verdict ranks and
  /// flags only those).
  bool keep_evidence = true;
  /// Pairs a thread holds for their evidence before it first drops those
  /// that cannot have any: what bounds its memory.
  std::size_t prune_from = std::size_t{1} << 14;
  friend bool operator==(const KeepRules&, const KeepRules&) = default;
};

/// What scoring every pair gives.
struct Scores {
  std::uint64_t pairs = 0;
  std::uint64_t suspected = 0;
  std::uint64_t not_a_number = 0;
  std::uint64_t listable = 0;    // at or above KeepRules::min
  Histogram histogram{};
  std::vector<Best> best;        // per submission
  std::vector<verdict::Shares> shares;  // per submission
  std::vector<PairScore> kept;   // by KeepRules, in pair order
};

/// What scoring some of the pairs gives, in a form that merges with the
/// rest exactly: counts add, best partners and shares merge, and the pairs
/// kept are a superset of those the whole run keeps.
struct PartialScores {
  std::uint64_t pairs = 0;
  std::uint64_t suspected = 0;
  std::uint64_t not_a_number = 0;
  std::uint64_t listable = 0;
  Histogram histogram{};
  std::vector<Best> best;               // per submission
  std::vector<verdict::Shares> shares;  // per submission
  std::vector<PairScore> kept;  // by KeepRules, or as they may have evidence; in pair order
  std::vector<PairScore> top;   // of the others, the best KeepRules::top by similarity
};

/// The pairs of `submissions` (indices in name order): every two, except
/// two of cohort kOld.
std::uint64_t count_pairs(const std::vector<Submission>& submissions);

/// A slice of the pairs: those numbered [first, last), row by row (X's
/// index, then Y's).
struct PairRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;
  friend bool operator==(const PairRange&, const PairRange&) = default;
};

/// What a pair costs to tile besides its two strings' lengths, in
/// characters: the work of setting it up.
inline constexpr std::uint64_t kPairSetUpCost = 64;

/// The k-th of n slices (k < n) of the pairs of `submissions`, cut so that
/// each costs about the same: a pair costs the lengths of the strings it
/// tiles plus kPairSetUpCost, so a slice of big submissions holds fewer
/// pairs. The n slices cover every pair once.
PairRange pair_slice(const std::vector<Submission>& submissions, std::uint32_t k, std::uint32_t n);

/// Folds the partial scores of disjoint slices into one, a slice at a time,
/// holding no more than one slice besides what it has merged: the same,
/// whatever the order and the cut, as scoring the slices together.
class ScoreMerger {
 public:
  /// `submissions` (profiled) must stay unchanged until the merger is gone.
  ScoreMerger(const std::vector<Submission>& submissions, const KeepRules& rules);
  void add(PartialScores part);
  /// What the slices added give together, kept pairs in pair order.
  PartialScores take();

 private:
  void keep_best_top();

  const std::vector<Submission>& submissions_;
  KeepRules rules_;
  PartialScores whole_;
  std::size_t next_pruning_;
};

/// The slices' partial scores merged at once (ScoreMerger).
PartialScores merge_partial(std::vector<PartialScores> parts,
                            const std::vector<Submission>& submissions, const KeepRules& rules);
/// The scores of the run from partial scores that cover every pair.
Scores finish(PartialScores whole, const KeepRules& rules);

/// Scores the pairs on `jobs` threads, started at construction. The
/// submissions, profiled (profile_class()), must stay unchanged until the
/// scorer is gone.
class PairScorer {
 public:
  /// Scores the pairs of `range`, or every pair.
  PairScorer(const std::vector<Submission>& submissions, const KeepRules& rules, unsigned jobs,
             std::optional<PairRange> range = std::nullopt);
  ~PairScorer();  // cancels and waits for the threads
  PairScorer(const PairScorer&) = delete;
  PairScorer& operator=(const PairScorer&) = delete;

  /// Waits until every pair is scored or `timeout` has passed; true when done.
  bool wait(std::chrono::milliseconds timeout);
  std::uint64_t total() const;
  std::uint64_t done() const;
  /// Asks the threads to stop after the pair each is on.
  void cancel();
  /// The merged results; only after wait() returned true.
  Scores take();
  /// The results of the range, to be merged with the other ranges'; only
  /// after wait() returned true.
  PartialScores take_partial();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

/// Scores every pair on `jobs` threads and returns when done.
Scores score_all(const std::vector<Submission>& submissions, const KeepRules& rules,
                 unsigned jobs);

}  // namespace codetwin::classrun

#endif  // CODETWIN_CLASSRUN_SCORING_H_
