// Whole runs of the built codetwin on generated source pairs, answering «n»
// to both questions: reading, tokenizing, writing four files, loading,
// tiling and scoring, as a user waits for it. Reports the wall time of a run
// and the peak resident memory of the process (from wait4).
//
//   pair/10000      file1.c of about 10 kB and its disguised copy
//   pair/100000     about 100 kB each
//   pair/1000000    about 1 MB each
//   uneven          file1.c of about 1 MB, file2.c of about 1.3 MB: the
//                   disguised copy of a program that goes on beyond file1.c
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/generate.h"
#include "bench/run_process.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kSeed = 7;
// Enter, Enter, «n» to viewing, «n» to details.
constexpr std::string_view kAnswers = "\n\nn\nn\n";

void write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// One run in `dir`; returns the peak resident set in bytes, or 0 on failure.
long run_once(const fs::path& dir) {
  const codetwin::bench::ProcessRun run =
      codetwin::bench::run_process(CODETWIN_BINARY, {}, dir, kAnswers);
  return run.exit_status == 0 ? run.peak_rss_bytes : 0;
}

void run_pair(benchmark::State& state, const std::string& source1, const std::string& source2) {
  fs::path dir = fs::temp_directory_path() / ("codetwin-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  write_file(dir / "file1.c", source1);
  write_file(dir / "file2.c", source2);
  long peak = 0;
  for (auto _ : state) {
    long rss = run_once(dir);
    if (rss == 0) {
      state.SkipWithError("codetwin did not complete");
      break;
    }
    peak = std::max(peak, rss);
  }
  fs::remove_all(dir);
  state.counters["source_bytes"] = static_cast<double>(source1.size() + source2.size());
  state.counters["peak_rss_MB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
}

void BM_pair(benchmark::State& state) {
  const auto pair =
      codetwin::bench::generate_source_pair(kSeed, static_cast<std::size_t>(state.range(0)));
  run_pair(state, pair.first.source, pair.second.source);
}
BENCHMARK(BM_pair)->Name("pair")->Arg(10'000)->Arg(100'000)->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_uneven(benchmark::State& state) {
  // The same seed grows the same program further: the shorter first program
  // is the start of the longer one, whose copy is file2.c. A copy comes out
  // about a fifth longer than its original, so 1.08 MB gives 1.3 MB.
  const auto shorter = codetwin::bench::generate_source_pair(kSeed, 1'000'000);
  const auto longer = codetwin::bench::generate_source_pair(kSeed, 1'080'000);
  run_pair(state, shorter.first.source, longer.second.source);
}
BENCHMARK(BM_uneven)->Name("uneven_1MB_1.3MB")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
