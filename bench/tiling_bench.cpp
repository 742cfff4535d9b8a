// The fast tiling against the literal passes on pairs of growing size:
//   realistic   a generated C program's token string and its disguised copy
//   repetitive  «id=id+id;» repeated, one statement in 50 a variant
//   random20    random strings over 20 symbols
//   twoletter   random strings over «ab»
// Every pair has N characters per string, except realistic_uneven: N in A
// and 1.3 N in B (the copy holds more code than the original). The fast runs also report the
// peak heap the tiling allocates (counted by the operator new below), per
// character of A and B together.
//
// The class/ cases tile many pairs one after the other, as a class run does,
// one pair per iteration, with tile() and with one TilingWorkspace reused:
//   independent  first programs of generate_pair, different seeds (~1,500 chars)
//   disguised    generate_pair's two programs (~1,500 chars)
//   tiny         prefixes of such programs, 0 to 100 characters
// They report the allocations per pair; the threads:2 runs give each thread
// its own workspace.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "bench/generate.h"
#include "similarity/similarity.h"
#include "tests/similarity/reference_tiling.h"

namespace {

std::atomic<std::size_t> g_heap_now{0};
std::atomic<std::size_t> g_heap_peak{0};
// Only the class/ cases count allocations (an atomic that both threads would
// touch on every allocation would distort the 2-thread runs).
thread_local std::size_t t_allocations = 0;

// Each block carries its size in front, keeping the default alignment.
constexpr std::size_t kHeader = alignof(std::max_align_t);

}  // namespace

void* operator new(std::size_t size) {
  void* block = std::malloc(size + kHeader);
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  ++t_allocations;
  const std::size_t now = g_heap_now.fetch_add(size, std::memory_order_relaxed) + size;
  std::size_t peak = g_heap_peak.load(std::memory_order_relaxed);
  while (now > peak && !g_heap_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
  return static_cast<char*>(block) + kHeader;
}

// Not inlined: g++ would otherwise see the header arithmetic at the call
// sites of the standard containers and warn about it.
[[gnu::noinline]] void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  void* block = static_cast<char*>(p) - kHeader;
  g_heap_now.fetch_sub(*static_cast<std::size_t*>(block), std::memory_order_relaxed);
  std::free(block);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

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
  const std::size_t before = g_heap_now.load();
  g_heap_peak.store(before);
  tiles = codetwin::similarity::tile(p.first, p.second, kMinMatchLen);
  const double peak = static_cast<double>(g_heap_peak.load() - before);
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

// Class-like pairs. kClassPool programs give every pair among them
// (independent), or kClassPool pairs of a program and its copy (disguised).
constexpr std::size_t kClassChars = 1500;
// The copy may come out a little shorter than the original; both are cut.
constexpr std::size_t kGrowTo = kClassChars + kClassChars / 5;
constexpr std::size_t kTinyChars = 100;
constexpr std::uint64_t kClassPool = 16;
constexpr std::uint64_t kTinyPool = 64;

std::vector<Pair> make_class_pairs(std::string_view kind) {
  std::vector<Pair> pairs;
  if (kind == "disguised") {
    for (std::uint64_t seed = 1; seed <= kClassPool; ++seed) {
      codetwin::bench::ProgramPair programs = codetwin::bench::generate_pair(seed, kGrowTo);
      programs.first.tokens.resize(kClassChars);
      programs.second.tokens.resize(kClassChars);
      pairs.emplace_back(std::move(programs.first.tokens), std::move(programs.second.tokens));
    }
    return pairs;
  }
  std::vector<std::string> pool;
  if (kind == "independent") {
    for (std::uint64_t seed = 1; seed <= kClassPool; ++seed) {
      std::string tokens = codetwin::bench::generate_pair(seed, kGrowTo).first.tokens;
      tokens.resize(kClassChars);
      pool.push_back(std::move(tokens));
    }
  } else {  // tiny
    codetwin::bench::Rng rng(1);
    for (std::uint64_t seed = 1; seed <= kTinyPool; ++seed) {
      std::string tokens = codetwin::bench::generate_pair(seed, kTinyChars).first.tokens;
      tokens.resize(rng.below(kTinyChars + 1));
      pool.push_back(std::move(tokens));
    }
  }
  for (std::size_t i = 0; i < pool.size(); ++i) {
    for (std::size_t j = i + 1; j < pool.size(); ++j) pairs.emplace_back(pool[i], pool[j]);
  }
  return pairs;
}

const std::vector<Pair>& class_pairs(std::string_view kind) {
  static const std::vector<Pair> independent = make_class_pairs("independent");
  static const std::vector<Pair> disguised = make_class_pairs("disguised");
  static const std::vector<Pair> tiny = make_class_pairs("tiny");
  return kind == "independent" ? independent : kind == "disguised" ? disguised : tiny;
}

enum class Call { kTile, kMatchLength, kTiles };

void run_class(benchmark::State& state, std::string_view kind, Call call) {
  const std::vector<Pair>& pairs = class_pairs(kind);
  codetwin::similarity::TilingWorkspace workspace;
  std::size_t next = static_cast<std::size_t>(state.thread_index()) * pairs.size() / 2;
  std::int64_t total = 0;
  double chars = 0;
  const std::size_t allocations_before = t_allocations;
  for (auto _ : state) {
    const Pair& p = pairs[next];
    if (++next == pairs.size()) next = 0;
    switch (call) {
      case Call::kTile:
        total += codetwin::similarity::match_length(
            codetwin::similarity::tile(p.first, p.second, kMinMatchLen));
        break;
      case Call::kMatchLength:
        total += workspace.match_length(p.first, p.second, kMinMatchLen);
        break;
      case Call::kTiles:
        total += static_cast<std::int64_t>(workspace.tiles(p.first, p.second, kMinMatchLen).size());
        break;
    }
    chars += static_cast<double>(p.first.size() + p.second.size());
  }
  benchmark::DoNotOptimize(total);
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["chars"] = chars / iterations;
  state.counters["allocs"] = static_cast<double>(t_allocations - allocations_before) / iterations;
  state.SetItemsProcessed(state.iterations());
}

void register_class_benchmarks() {
  const struct {
    const char* name;
    Call call;
  } kCalls[] = {
      {"tile", Call::kTile}, {"match_length", Call::kMatchLength}, {"tiles", Call::kTiles}};
  for (const char* kind : {"independent", "disguised", "tiny"}) {
    for (const auto& call : kCalls) {
      const std::string name = std::string("class/") + kind + "/" + call.name;
      benchmark::RegisterBenchmark(name.c_str(), run_class, kind, call.call)
          ->Unit(benchmark::kMicrosecond);
    }
  }
  // Scaling: each thread tiles its own pairs with its own workspace.
  benchmark::RegisterBenchmark("class/independent/match_length", run_class, "independent",
                               Call::kMatchLength)
      ->Unit(benchmark::kMicrosecond)
      ->Threads(1)
      ->Threads(2)
      ->UseRealTime();
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
  register_class_benchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
