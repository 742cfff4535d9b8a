// A small class for the shard tests: nine generated programs in pairs of
// copies, one of an earlier year, profiled so that some code is common.
#ifndef CODETWIN_TESTS_SHARD_SMALL_CLASS_H_
#define CODETWIN_TESTS_SHARD_SMALL_CLASS_H_

#include <cstdio>
#include <functional>
#include <vector>

#include "bench/generate.h"
#include "classrun/class_verdict.h"

namespace codetwin::shard {

/// `dress`, when given, changes submission k before the class is profiled.
inline std::vector<classrun::Submission> small_class(
    const std::function<void(classrun::Submission&, int k)>& dress = nullptr) {
  std::vector<classrun::Submission> subs;
  for (int k = 0; k < 9; ++k) {
    const bench::ProgramPair pair = bench::generate_pair(40 + k / 2, 200);
    classrun::Submission s;
    char name[16];
    std::snprintf(name, sizeof name, "s%d", k);
    s.name = name;
    s.cohort = k == 4 ? classrun::Cohort::kOld : classrun::Cohort::kNew;
    s.tokens = k % 2 == 1 ? pair.second.tokens : pair.first.tokens;
    s.length = static_cast<std::int64_t>(s.tokens.size());
    if (dress) dress(s, k);
    subs.push_back(std::move(s));
  }
  classrun::profile_class(subs, 3);
  return subs;
}

}  // namespace codetwin::shard

#endif  // CODETWIN_TESTS_SHARD_SMALL_CLASS_H_
