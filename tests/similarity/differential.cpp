#include "tests/similarity/differential.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "bench/generate.h"
#include "similarity/run_tiling.h"
#include "similarity/tiling_engine.h"
#include "tests/similarity/reference_tiling.h"

namespace codetwin::similarity {

void PrintTo(const Tile& t, std::ostream* os) {
  *os << "(" << t.x << ", " << t.y << ", " << t.length << ")";
}

std::string escaped(std::string_view s) {
  std::string out;
  for (char c : s) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x21 && byte < 0x7F && c != '\\') {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    }
  }
  return out;
}

namespace {

::testing::AssertionResult compare(const char* which, const std::vector<Tile>& got,
                                   const std::vector<Tile>& want, std::string_view A,
                                   std::string_view B, int MinMatchLen) {
  for (std::size_t pass = 0; pass < std::max(got.size(), want.size()); ++pass) {
    if (pass < got.size() && pass < want.size() && got[pass] == want[pass]) continue;
    auto result = ::testing::AssertionFailure();
    result << which << " differs at pass " << pass + 1 << " for MinMatchLen " << MinMatchLen
           << ", A=\"" << escaped(A) << "\", B=\"" << escaped(B) << "\": ";
    result << (pass < got.size() ? ::testing::PrintToString(got[pass]) : "no tile");
    result << " instead of ";
    result << (pass < want.size() ? ::testing::PrintToString(want[pass]) : "no tile");
    return result;
  }
  return ::testing::AssertionSuccess();
}

// Engines and a workspace that live from one check to the next, as in a
// class run, so that whatever a pair leaves behind meets the next one. The
// small index budget makes the narrow engine drop its indexes every few
// pairs; the wide engine sorts every text in compact mode.
struct Reused {
  TilingEngine<std::uint32_t> narrow{TilingEngine<std::uint32_t>::Strings::kKeep, 5000};
  TilingEngine<std::uint64_t> wide{TilingEngine<std::uint64_t>::Strings::kKeep, kIndexBudget, 0};
  TilingWorkspace workspace;
};

Reused& reused() {
  static Reused engines;
  return engines;
}

// The run method itself where it applies (the engine's run_tiles() may pass
// a pair on to another method).
::testing::AssertionResult check_run_method(const std::vector<Tile>& want, std::string_view A,
                                            std::string_view B, int MinMatchLen) {
  if (MinMatchLen < kRunMinMatchLen || A.size() > kRunLimit || B.size() > kRunLimit) {
    return ::testing::AssertionSuccess();
  }
  return same_tiles_by_run_method(want, A, B, MinMatchLen);
}

}  // namespace

::testing::AssertionResult same_tiles_by_run_method(const std::vector<Tile>& want,
                                                    std::string_view A, std::string_view B,
                                                    int MinMatchLen,
                                                    std::initializer_list<std::uint32_t> widths) {
  static RunTiler tiler;
  // Grams of either width serve every MinMatchLen: grams of 8 below 7 in
  // two rounds (the long tiles, then the free runs between them).
  for (const std::uint32_t width : widths) {
    RunIndex a;
    RunIndex b;
    build_run_index(A, a, width);
    build_run_index(B, b, width);
    std::vector<OriginalTile> tiles;
    if (!tiler.run(a, b, MinMatchLen, SIZE_MAX, tiles)) {
      return ::testing::AssertionFailure()
             << "the run method gave up without a bound, grams of " << width;
    }
    const char* which = width == kWideGram ? "run method, 8-grams" : "run method, 4-grams";
    auto result = compare(which, to_pass_coordinates(tiles), want, A, B, MinMatchLen);
    if (!result) return result;
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult same_tiles_as(const std::vector<Tile>& want, std::string_view A,
                                         std::string_view B, int MinMatchLen) {
  Reused& engines = reused();
  const auto check = [&](const char* which, const std::vector<OriginalTile>& tiles) {
    return compare(which, to_pass_coordinates(tiles), want, A, B, MinMatchLen);
  };
  ::testing::AssertionResult result =
      compare("tile()", tile(A, B, MinMatchLen), want, A, B, MinMatchLen);
  if (result) result = check("suffix method", engines.narrow.suffix_tiles(A, B, MinMatchLen));
  if (result) result = check("merged method", engines.narrow.merged_tiles(A, B, MinMatchLen));
  if (result) result = check("run method", engines.narrow.run_tiles(A, B, MinMatchLen));
  if (result) result = check_run_method(want, A, B, MinMatchLen);
  if (result && A.size() <= kShortLimit && B.size() <= kShortLimit) {
    result = check("short method", engines.narrow.short_tiles(A, B, MinMatchLen));
  }
  if (result) {
    result = check("64-bit compact suffix method", engines.wide.suffix_tiles(A, B, MinMatchLen));
  }
  if (result) result = check("64-bit merged method", engines.wide.merged_tiles(A, B, MinMatchLen));
  if (result) result = check("workspace", engines.workspace.tiles(A, B, MinMatchLen));
  if (!result) return result;
  std::int64_t MatchLen = 0;
  for (const Tile& t : want) MatchLen += t.length;
  const std::int64_t got = engines.workspace.match_length(A, B, MinMatchLen);
  if (got != MatchLen) {
    return ::testing::AssertionFailure()
           << "workspace MatchLen " << got << " instead of " << MatchLen << " for MinMatchLen "
           << MinMatchLen << ", A=\"" << escaped(A) << "\", B=\"" << escaped(B) << "\"";
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult same_tiles_as_literal(std::string_view A, std::string_view B,
                                                 int MinMatchLen) {
  return same_tiles_as(reference_tile(A, B, MinMatchLen), A, B, MinMatchLen);
}

::testing::AssertionResult same_tiles_every_way(std::string_view A, std::string_view B,
                                                int MinMatchLen) {
  return same_tiles_as(tile(A, B, MinMatchLen), A, B, MinMatchLen);
}

std::vector<std::string> all_strings(std::string_view alphabet, std::size_t max_length) {
  std::vector<std::string> strings = {""};
  std::size_t shorter = 0;  // the strings one character shorter start here
  for (std::size_t length = 1; length <= max_length; ++length) {
    const std::size_t end = strings.size();
    for (std::size_t i = shorter; i < end; ++i) {
      for (char c : alphabet) strings.push_back(strings[i] + c);
    }
    shorter = end;
  }
  return strings;
}

void check_all_pairs(std::string_view alphabet, std::size_t max_length, int max_min_match_len) {
  const std::vector<std::string> strings = all_strings(alphabet, max_length);
  for (int MinMatchLen = 0; MinMatchLen <= max_min_match_len; ++MinMatchLen) {
    for (const std::string& A : strings) {
      for (const std::string& B : strings) ASSERT_TRUE(same_tiles_as_literal(A, B, MinMatchLen));
    }
  }
}

void check_random_pairs(std::string_view alphabet, std::uint64_t seed, int pairs,
                        std::size_t max_length) {
  bench::Rng rng(seed);
  for (int i = 0; i < pairs; ++i) {
    const std::string A = bench::random_string(rng.next(), rng.below(max_length + 1), alphabet);
    const std::string B = bench::random_string(rng.next(), rng.below(max_length + 1), alphabet);
    ASSERT_TRUE(same_tiles_as_literal(A, B, i % 6)) << "seed " << seed << ", pair " << i;
  }
}

void check_token_pairs(std::uint64_t seed, int pairs, std::size_t max_length) {
  bench::Rng rng(seed);
  for (int i = 0; i < pairs; ++i) {
    bench::ProgramPair pair = bench::generate_pair(rng.next(), max_length);
    pair.first.tokens.resize(std::min(pair.first.tokens.size(), rng.below(max_length + 1)));
    pair.second.tokens.resize(std::min(pair.second.tokens.size(), rng.below(max_length + 1)));
    ASSERT_TRUE(
        same_tiles_as_literal(pair.first.tokens, pair.second.tokens, i % 2 == 0 ? 3 : i % 6))
        << "seed " << seed << ", pair " << i;
  }
}

void check_repeated_statements(std::uint64_t seed, int pairs, std::size_t max_length) {
  bench::Rng rng(seed);
  const std::size_t kEvery[] = {2, 5, 20, 1000000};
  for (int i = 0; i < pairs; ++i) {
    const std::size_t every = kEvery[i % 4];
    const std::string A = bench::repeated_statement(rng.next(), rng.below(max_length + 1), every);
    const std::string B = bench::repeated_statement(rng.next(), rng.below(max_length + 1), every);
    ASSERT_TRUE(same_tiles_as_literal(A, B, i % 2 == 0 ? 3 : i % 6))
        << "seed " << seed << ", pair " << i;
  }
}

}  // namespace codetwin::similarity
