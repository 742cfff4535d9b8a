// The score of a pair, its verdict and its margin.
#include "classrun/classrun.h"

#include <algorithm>
#include <cmath>

#include "similarity/similarity.h"

namespace codetwin::classrun {

namespace {

// The best score of `who` with anyone but `other`.
const Closest& closest_but(const Best& best, std::uint32_t other) {
  return best.first.partner == other ? best.second : best.first;
}

}  // namespace

float pair_similarity(const PairScore& pair, const std::vector<Submission>& submissions) {
  return similarity::similarity(pair.match_len, submissions[pair.a].length,
                                submissions[pair.b].length);
}

bool is_suspected(float similarity) {
  // As codetwin's verdict: the single-precision value widened, and a NaN
  // compares false.
  return static_cast<double>(similarity) >= kSuspectedAt;
}

double margin(const PairScore& pair, float similarity, const std::vector<Best>& best) {
  if (std::isnan(similarity)) return std::nan("");
  // Nobody else counts as a score of 0: no similarity at all.
  const Closest& other_a = closest_but(best[pair.a], pair.b);
  const Closest& other_b = closest_but(best[pair.b], pair.a);
  const double a = other_a.partner == Closest::kNoPartner ? 0.0 : other_a.score;
  const double b = other_b.partner == Closest::kNoPartner ? 0.0 : other_b.score;
  return static_cast<double>(similarity) - std::max(a, b);
}

}  // namespace codetwin::classrun
