#include "tests/similarity/run_differential.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/generate.h"
#include "tests/similarity/differential.h"
#include "tests/similarity/reference_tiling.h"

namespace codetwin::similarity {

::testing::AssertionResult same_tiles_by_runs(std::string_view A, std::string_view B,
                                              int MinMatchLen,
                                              std::initializer_list<std::uint32_t> widths) {
  return same_tiles_by_run_method(reference_tile(A, B, MinMatchLen), A, B, MinMatchLen, widths);
}

void check_all_pairs_by_runs(std::string_view alphabet, std::size_t max_length,
                             std::initializer_list<int> min_match_lens,
                             std::initializer_list<std::uint32_t> widths) {
  const std::vector<std::string> strings = all_strings(alphabet, max_length);
  for (int MinMatchLen : min_match_lens) {
    for (const std::string& A : strings) {
      for (const std::string& B : strings) {
        ASSERT_TRUE(same_tiles_by_runs(A, B, MinMatchLen, widths));
      }
    }
  }
}

void check_random_pairs_by_runs(std::string_view alphabet, std::uint64_t seed, int pairs,
                                std::size_t max_length) {
  constexpr int kMinMatchLens[] = {3, 3, 3, 4, 6, 7, 9};
  bench::Rng rng(seed);
  for (int i = 0; i < pairs; ++i) {
    const std::string A = bench::random_string(rng.next(), rng.below(max_length + 1), alphabet);
    const std::string B = bench::random_string(rng.next(), rng.below(max_length + 1), alphabet);
    ASSERT_TRUE(same_tiles_by_runs(A, B, kMinMatchLens[i % 7]))
        << "seed " << seed << ", pair " << i;
  }
}

void check_token_pairs_by_runs(std::uint64_t seed, int pairs, std::size_t max_length) {
  bench::Rng rng(seed);
  for (int i = 0; i < pairs; ++i) {
    const bench::ProgramPair pair = bench::generate_pair(rng.next(), max_length);
    const bench::ProgramPair other = bench::generate_pair(rng.next(), max_length);
    std::string A = pair.first.tokens;
    std::string B = i % 2 == 0 ? pair.second.tokens : other.first.tokens;
    A.resize(std::min(A.size(), rng.below(max_length + 1)));
    B.resize(std::min(B.size(), rng.below(max_length + 1)));
    // 3 as for the similarity, 7 as for the verdict's tiling of code.
    for (const int MinMatchLen : {3, 7}) {
      ASSERT_TRUE(same_tiles_by_runs(A, B, MinMatchLen))
          << "seed " << seed << ", pair " << i << ", MinMatchLen " << MinMatchLen;
    }
  }
}

}  // namespace codetwin::similarity
