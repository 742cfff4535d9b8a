// The class-aware verdict: which pairs of a class share more than the class
// explains, and by how much.
//
// codetwin's score counts everything two programs share. In a class that
// solved one exercise, much of that is the skeleton everyone was taught, so
// honest pairs score high; and a copy that drops its comments or adds code
// of its own scores low. The verdict asks instead how much of what the
// class does not explain the two share. It compares *code*: the token
// strings with comments left out and template code blanked, so deleting or
// rewriting comments changes nothing; and it counts only *runs* of at least
// kRun characters, since shorter ones are what anyone writes alike. It
// looks two ways:
//
//  - The whole program. Of the pair's smaller side S, its runs cover a part
//    c. The class explains the part T that S's kTypicalRank-th closest
//    classmate covers (the pair's own partner left out, so that up to
//    kTypicalRank partners, a group that shares one source, do not raise
//    it). The whole view is (c - T) / (1 - T): of what no typical classmate
//    has, the part the two share. A copy of a program that is nearly all
//    the book's code shows here, as nobody else matches all of it.
//  - Its passages. Stretches that many submissions hold are common
//    (common_code.h); the rest is distinctive. The pair's shared code is
//    the distinctive code in its runs of at least kStretch characters, on
//    both sides; it counts beyond the larger of its members' typical
//    shares (the same rank), as a part of the distinctive code of the
//    blocks those runs reach (the smaller side's), and never of less than
//    kOwnCodeFloor characters. A copy of some functions of a program, whose
//    whole does not stand out, shows here when they are the student's own.
//
// Each view has its flag line, chosen from real classes (bench/README.md):
// kWholeLine and kPassagesLine. A pair's *evidence* is the larger of the
// two views, each as a multiple of its line, so that 1 is the line of
// either; a pair is *flagged* at kFlagAt or more.
//
// Everything here is a pure function of token strings and tiles, and does
// not depend on the order of the submissions or the number of threads.
#ifndef CODETWIN_VERDICT_VERDICT_H_
#define CODETWIN_VERDICT_VERDICT_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "similarity/similarity.h"
#include "verdict/common_code.h"

namespace codetwin::verdict {

/// Runs shorter than this do not count: about one statement ("id[id]=id;"
/// is 10), which two students write alike without meaning to.
inline constexpr std::int64_t kRun = 8;

/// The rank of a submission's values that is its typical one: a group of up
/// to kTypicalRank + 1 submissions that share one source leaves, for a pair
/// in it, a typical value from outside the group.
inline constexpr std::size_t kTypicalRank = 4;

/// A stretch held by this many submissions or more is common in a run too
/// small for kCommonShare to say more: one more than the largest group that
/// kTypicalRank still sees through, whose shared code must stay evidence.
inline constexpr std::size_t kCommonAtLeast = kTypicalRank + 2;

/// In a larger run, a stretch that this share of the submissions holds is
/// common: how the class was taught, not a copy between two of them.
inline constexpr double kCommonShare = 0.05;

/// The passages view measures against at least this much distinctive code:
/// about six statements. With less, two students who made the same small
/// change to the book's program share as large a part as a copier does.
inline constexpr std::int64_t kOwnCodeFloor = 6 * static_cast<std::int64_t>(kStretch);

/// The flag lines of the two views (bench/README.md: on real classes no
/// honest pair reached them, every whole copy passed the first).
inline constexpr double kWholeLine = 0.8;
inline constexpr double kPassagesLine = 0.5;

/// The evidence that flags a pair by default: either view at its line.
inline constexpr double kFlagAt = 1.0;

/// What a pair's code has in common, from its tiles.
struct SharedCode {
  std::int64_t tiled = 0;        // every tile given: the MatchLen of those tiles
  std::int64_t in_runs = 0;      // tiles of at least kRun characters
  std::int64_t distinctive = 0;  // in tiles of at least kStretch, distinctive on both sides
  std::int64_t reached_a = 0;    // distinctive code of the blocks those reach, in A
  std::int64_t reached_b = 0;    // and in B
  friend bool operator==(const SharedCode&, const SharedCode&) = default;
};

/// Room that shared_code() reuses from call to call, so that scoring every
/// pair of a class does not allocate it each time: one for each thread.
struct SharedCodeScratch {
  std::vector<std::uint32_t> blocks_a;
  std::vector<std::uint32_t> blocks_b;
};

/// The shared code of a pair from its code's tiles and the two profiles.
SharedCode shared_code(const std::vector<similarity::OriginalTile>& tiles, const CodeProfile& a,
                       const CodeProfile& b, SharedCodeScratch& scratch);
/// The same, with room of its own.
SharedCode shared_code(const std::vector<similarity::OriginalTile>& tiles, const CodeProfile& a,
                       const CodeProfile& b);

/// The part of `side`'s code that the pair's runs cover, 0 to 1 (0 when it
/// has no code).
double coverage_of(const SharedCode& shared, const CodeProfile& side);

/// The largest values of one submission with the others, enough to know its
/// typical value with any one partner left out. Offers can come in any
/// order and tallies merge: the result is the same.
template <typename Value>
class Largest {
 public:
  void offer(Value value) {
    if (count_ < values_.size()) {
      ++count_;
    } else if (!(values_.back() < value)) {
      return;
    }
    // Insert in descending order; the smallest falls off the end.
    std::size_t at = count_ - 1;
    while (at > 0 && values_[at - 1] < value) {
      values_[at] = values_[at - 1];
      --at;
    }
    values_[at] = value;
  }
  void merge(const Largest& other) {
    for (std::size_t k = 0; k < other.count_; ++k) offer(other.values_[k]);
  }
  /// The kTypicalRank-th largest, one value equal to `own` (the pair's)
  /// left out; 0 where there are not that many.
  Value typical_without(Value own) const {
    // Leaving out one value at or above the rank moves the rank one down.
    std::size_t rank = kTypicalRank - 1;
    if (rank < count_ && !(own < values_[rank])) ++rank;
    return rank < count_ ? values_[rank] : Value{};
  }
  /// The values held, largest first: offered to an empty one, they make it
  /// equal to this.
  std::span<const Value> values() const { return {values_.data(), count_}; }

 private:
  std::array<Value, kTypicalRank + 1> values_{};  // descending
  std::size_t count_ = 0;
};

/// A submission's values over all its pairs: how much of it each partner's
/// runs cover, and the shared code.
struct Shares {
  Largest<double> coverage;
  Largest<std::int64_t> shared;
  void offer(double covered, std::int64_t shared_code) {
    coverage.offer(covered);
    shared.offer(shared_code);
  }
  void merge(const Shares& other) {
    coverage.merge(other.coverage);
    shared.merge(other.shared);
  }
};

/// Which side of a pair is the smaller, by code (A on a tie).
enum class Side { kA, kB };

/// What the verdict says of one pair, with the figures behind it.
struct PairVerdict {
  // The whole program, seen from the smaller side.
  Side smaller = Side::kA;
  double coverage = 0;  // c: of its code, in the pair's runs
  double typical = 0;   // T: what its typical classmate covers
  double whole = 0;     // (c - T) / (1 - T)
  // Its passages.
  std::int64_t shared = 0;     // distinctive code in the pair's long runs
  std::int64_t typical_a = 0;  // the members' typical shared code
  std::int64_t typical_b = 0;
  std::int64_t beyond = 0;     // shared beyond the larger of those
  std::int64_t reached = 0;    // the distinctive code measured against, floor included
  bool floored = false;        // the blocks held less than kOwnCodeFloor
  double passages = 0;         // beyond / reached
  // The verdict.
  double evidence = 0;  // max(whole / kWholeLine, passages / kPassagesLine)
  bool flagged = false;
};

/// Whether a pair's evidence can be above 0 once every pair is offered,
/// judged from shares that hold some of the pairs so far (typical values
/// only grow with more pairs): false means it cannot.
bool may_have_evidence(const SharedCode& shared, const CodeProfile& a, const CodeProfile& b,
                       const Shares& shares_a, const Shares& shares_b);

/// The verdict of a pair from its shared code, its members' profiles and
/// their shares with everyone.
PairVerdict judge(const SharedCode& shared, const CodeProfile& a, const CodeProfile& b,
                  const Shares& shares_a, const Shares& shares_b, double flag_at);

}  // namespace codetwin::verdict

#endif  // CODETWIN_VERDICT_VERDICT_H_
