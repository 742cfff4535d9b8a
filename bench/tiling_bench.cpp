// The fast tiling against the literal passes on pairs of growing size:
//   realistic   a generated C program's token string and its disguised copy
//   repetitive  «id=id+id;» repeated, one statement in 50 a variant
//   random20    random strings over 20 symbols
//   twoletter   random strings over «ab»
// Every pair has N characters per string, except realistic_uneven: N in A
// and 1.3 N in B (the copy holds more code than the original). The fast runs also report the
// peak heap the tiling allocates (counted by heap_count's operator new), per
// character of A and B together.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>

#include "bench/generate.h"
#include "bench/heap_count.h"
#include "similarity/similarity.h"
#include "tests/similarity/reference_tiling.h"

namespace {

using codetwin::similarity::Tile;

// The literal passes are run only up to where a run ends within a minute.
struct Kind {
  const char* name;
  std::size_t literal_up_to;
};
constexpr Kind kKinds[] = {
    {"realistic", 10000}, {"repetitive", 10000}, {"random20", 1000}, {"twoletter", 1000}};
constexpr std::size_t kSizes[] = {1000, 10000, 100000, 1000000};
constexpr int kMinMatchLen = 3;

using Pair = std::pair<std::string, std::string>;

std::size_t length_b(std::string_view kind, std::size_t n) {
  return kind == "realistic_uneven" ? n + 3 * n / 10 : n;
}

Pair make_input(std::string_view kind, std::size_t n) {
  Pair p;
  if (kind == "realistic") {
    // The copy may come out a little shorter than the original.
    codetwin::bench::ProgramPair programs = codetwin::bench::generate_pair(1, n + n / 5);
    p = {std::move(programs.first.tokens), std::move(programs.second.tokens)};
  } else if (kind == "realistic_uneven") {
    codetwin::bench::ProgramPair programs = codetwin::bench::generate_pair(1, 2 * n);
    p = {std::move(programs.first.tokens), std::move(programs.second.tokens)};
  } else if (kind == "repetitive") {
    p = {codetwin::bench::repeated_statement(1, n, 50),
         codetwin::bench::repeated_statement(2, n, 50)};
  } else if (kind == "random20") {
    p = {codetwin::bench::random_string(1, n, "abcdefghij0123456789"),
         codetwin::bench::random_string(2, n, "abcdefghij0123456789")};
  } else {
    p = {codetwin::bench::random_string(1, n, "ab"), codetwin::bench::random_string(2, n, "ab")};
  }
  p.first.resize(n);
  p.second.resize(length_b(kind, n));
  return p;
}

const Pair& input(std::string_view kind, std::size_t n) {
  static std::map<std::pair<std::string, std::size_t>, Pair> cache;
  auto key = std::make_pair(std::string(kind), n);
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.emplace(key, make_input(kind, n)).first;
  return it->second;
}

void report(benchmark::State& state, const std::vector<Tile>& tiles, const Pair& p) {
  state.counters["tiles"] = static_cast<double>(tiles.size());
  state.counters["MatchLen"] = static_cast<double>(codetwin::similarity::match_length(tiles));
  state.counters["chars"] = static_cast<double>(p.first.size() + p.second.size());
}

void run_fast(benchmark::State& state, std::string_view kind, std::size_t n) {
  const Pair& p = input(kind, n);
  std::vector<Tile> tiles;
  for (auto _ : state) {
    tiles = codetwin::similarity::tile(p.first, p.second, kMinMatchLen);
    benchmark::DoNotOptimize(tiles.data());
  }
  report(state, tiles, p);

  tiles = {};
  const std::size_t before = codetwin::bench::heap_in_use();
  codetwin::bench::reset_heap_peak();
  tiles = codetwin::similarity::tile(p.first, p.second, kMinMatchLen);
  const double peak = static_cast<double>(codetwin::bench::heap_peak() - before);
  state.counters["peak_MB"] = peak / 1e6;
  state.counters["peak_B_per_char"] = peak / static_cast<double>(p.first.size() + p.second.size());
}

void run_literal(benchmark::State& state, std::string_view kind, std::size_t n) {
  const Pair& p = input(kind, n);
  std::vector<Tile> tiles;
  for (auto _ : state) {
    tiles = codetwin::similarity::reference_tile(p.first, p.second, kMinMatchLen);
    benchmark::DoNotOptimize(tiles.data());
  }
  report(state, tiles, p);
}

}  // namespace

int main(int argc, char** argv) {
  for (const Kind& kind : kKinds) {
    for (std::size_t n : kSizes) {
      const std::string suffix = std::string(kind.name) + "/" + std::to_string(n);
      benchmark::RegisterBenchmark(("fast/" + suffix).c_str(), run_fast, kind.name, n)
          ->Unit(benchmark::kMillisecond);
      if (n <= kind.literal_up_to) {
        auto* literal =
            benchmark::RegisterBenchmark(("literal/" + suffix).c_str(), run_literal, kind.name, n)
                ->Unit(benchmark::kMillisecond);
        if (n >= 10000) literal->Iterations(1);
      }
    }
  }
  benchmark::RegisterBenchmark("fast/realistic_uneven/1000000", run_fast, "realistic_uneven",
                               1000000)
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
