// Profiling a class and judging its pairs.
#include "classrun/class_verdict.h"

#include <algorithm>
#include <cmath>

namespace codetwin::classrun {

bool has_class_statistics(std::size_t submissions) { return submissions >= kClassStatisticsFrom; }

std::size_t default_common_at(std::size_t submissions) {
  const auto share = static_cast<std::size_t>(
      std::ceil(verdict::kCommonShare * static_cast<double>(submissions)));
  return std::max(verdict::kCommonAtLeast, share);
}

std::size_t common_at_for(const VerdictOptions& options, std::size_t submissions) {
  if (options.common_at) return *options.common_at;
  return has_class_statistics(submissions) ? default_common_at(submissions) : 0;
}

void profile_class(std::vector<Submission>& submissions, std::size_t common_at) {
  std::vector<std::string_view> codes;
  codes.reserve(submissions.size());
  for (const Submission& s : submissions) codes.push_back(s.code());
  std::vector<verdict::CodeProfile> profiles = verdict::profile_codes(codes, common_at);
  for (std::size_t k = 0; k < submissions.size(); ++k) submissions[k].profile = std::move(profiles[k]);
}

verdict::PairVerdict judge_pair(const PairScore& pair, const std::vector<Submission>& submissions,
                                const std::vector<verdict::Shares>& shares, double flag_at) {
  const Submission& a = submissions[pair.a];
  const Submission& b = submissions[pair.b];
  // A result put together without tallies has no shares: nothing typical.
  static const verdict::Shares kNone;
  const auto shares_of = [&](std::uint32_t k) -> const verdict::Shares& {
    return k < shares.size() ? shares[k] : kNone;
  };
  return verdict::judge(pair.shared, a.profile, b.profile, shares_of(pair.a), shares_of(pair.b),
                        flag_at);
}

}  // namespace codetwin::classrun
