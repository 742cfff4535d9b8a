// Whole runs of the built codetwin-class on generated classes (seed 1, the
// classes generate_class writes), as a teacher waits for them. Reports the
// wall time of a run, and as counters the child's CPU time (user and
// system), its peak resident memory (wait4) and the pairs scored.
//
//   class/N/jJ[/csv]  N submissions, every pair, -j J, default options (the
//                     console's top 20), or also every pair to a CSV file
//   class/N/j2/top20  larger classes in full (2,000 and 4,000), --top 20,
//                     for the memory line
//   held/N            N submissions read, lexed and tallied, but only 2 of
//                     them new (the other N - 2 given with --old): the
//                     memory of a class of N with one thread's tiling
//                     workspace, at the cost of 2 x (N - 2) pairs
//                     (--top 20, -j 1)
//   sim_c/200[/r3]    Debian's similarity-tester on the same 200 (its .c
//                     files): sim_c -aep, and with runs of 3 tokens (-r 3)
//   shard/100000/1000 one shard (the middle one) of a class of 100,000 cut
//                     in 1,000: about 5 million pairs, -j 2
//   shard/100000/read one shard of 1,000,000 (5,000 pairs): what every
//                     shard spends reading, lexing and profiling the class
//   merge/100000/1000 the merge of 1,000 parts of that class: the part of
//                     shard/100000/read given 1,000 times, so that every
//                     part's statistics of all 100,000 submissions are read,
//                     checked and folded in; the merge then stops (exit
//                     status 2) at the check that each slice is there
//   save-class/100000 that class read once (--save-class): read, lexed
//                     and profiled, written as one class file
//   shard/100000/read/from-class
//                     shard/100000/read taking the class from that file
//   merge/100000/1000/from-class
//                     merge/100000/1000 of the parts of shards that took
//                     the class from the file: the merge reads it too
//   shards/uneven/8   the 8 shards of a class of 200 in which every tenth
//                     submission is 8 times as long, one after the other
//                     (-j 1): the spread of their CPU times
//
// Classes are written once into a scratch folder, removed at the end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/generate.h"
#include "bench/run_process.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kSeed = 1;
constexpr const char* kSimC = "/usr/bin/sim_c";

fs::path scratch() {
  static const fs::path dir =
      fs::temp_directory_path() / ("codetwin-class-bench-" + std::to_string(getpid()));
  return dir;
}

bool write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out.flush());
}

// A written class: where it is, its .c files and their bytes.
struct WrittenClass {
  fs::path folder;
  std::vector<std::string> files;  // relative to folder
  std::uint64_t source_bytes = 0;
};

// The first `count` submissions of the generated class, the first `in_new`
// of them in `folder`/new and the rest in `folder`/old (all in `folder`
// itself when in_new is count).
WrittenClass write_class(const fs::path& folder, std::size_t count, std::size_t in_new) {
  WrittenClass written{folder, {}, 0};
  for (std::size_t index = 0; index < count; ++index) {
    const codetwin::bench::ClassSubmission s =
        codetwin::bench::generate_class_submission(kSeed, count, index);
    const fs::path part = in_new == count ? "" : index < in_new ? "new" : "old";
    for (const codetwin::bench::ClassFile& file : s.files) {
      const fs::path relative = part / file.name;
      fs::create_directories((folder / relative).parent_path());
      if (!write_file(folder / relative, file.source)) return {};
      written.files.push_back(relative.string());
      written.source_bytes += file.source.size();
    }
  }
  return written;
}

// The class in folder `name` + `count`, written on first use and kept for
// the other benchmarks of the run.
const WrittenClass& class_in(const std::string& name, std::size_t count, std::size_t in_new) {
  static std::map<std::string, WrittenClass> classes;
  const std::string folder = name + std::to_string(count);
  auto found = classes.find(folder);
  if (found == classes.end()) {
    found = classes.emplace(folder, write_class(scratch() / folder, count, in_new)).first;
  }
  return found->second;
}

const WrittenClass& whole_class(std::size_t count) { return class_in("class", count, count); }

constexpr std::size_t kHeldNew = 2;

const WrittenClass& held_class(std::size_t count) { return class_in("held", count, kHeldNew); }

// Runs `program` once per iteration in `folder`; exit status 0 expected.
void run(benchmark::State& state, const std::string& program,
         const std::vector<std::string>& arguments, const WrittenClass& written,
         std::uint64_t pairs, int expected_status = 0) {
  if (written.files.empty()) {
    state.SkipWithError("the class could not be written");
    return;
  }
  long peak = 0;
  double cpu = 0;
  for (auto _ : state) {
    const codetwin::bench::ProcessRun r =
        codetwin::bench::run_process(program, arguments, written.folder, "");
    if (r.exit_status != expected_status) {
      state.SkipWithError((program + " did not complete").c_str());
      return;
    }
    peak = std::max(peak, r.peak_rss_bytes);
    cpu += r.cpu_seconds;
  }
  state.counters["pairs"] = static_cast<double>(pairs);
  state.counters["source_MB"] = static_cast<double>(written.source_bytes) / 1e6;
  state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
  state.counters["peak_rss_MB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
}

std::uint64_t all_pairs(std::uint64_t n) { return n * (n - 1) / 2; }

void class_run(benchmark::State& state, std::size_t count, unsigned jobs, bool csv) {
  std::vector<std::string> arguments = {"-j", std::to_string(jobs)};
  if (csv) {
    arguments.push_back("--csv");
    arguments.push_back((scratch() / "pairs.csv").string());
  }
  arguments.push_back(".");
  run(state, CODETWIN_CLASS_BINARY, arguments, whole_class(count), all_pairs(count));
}

void full_top20(benchmark::State& state, std::size_t count) {
  // Minutes each: 2,000 is 2 million pairs, 4,000 is 8 million.
  run(state, CODETWIN_CLASS_BINARY, {"-j", "2", "--top", "20", "."}, whole_class(count),
      all_pairs(count));
}

void held(benchmark::State& state, std::size_t count) {
  // One thread: with two, each would meet only some of the strings and
  // keep less than in a full run, where each meets them all.
  run(state, CODETWIN_CLASS_BINARY, {"-j", "1", "--top", "20", "--old", "old", "new"},
      held_class(count), kHeldNew * (count - kHeldNew) + all_pairs(kHeldNew));
  state.counters["submissions"] = static_cast<double>(count);
}

void sim_c(benchmark::State& state, std::size_t count, bool short_runs) {
  if (access(kSimC, X_OK) != 0) {
    state.SkipWithError("sim_c is not installed (Debian: similarity-tester)");
    return;
  }
  const WrittenClass& written = whole_class(count);
  std::vector<std::string> arguments = {"-aep"};
  if (short_runs) {
    arguments.push_back("-r");
    arguments.push_back("3");
  }
  arguments.insert(arguments.end(), written.files.begin(), written.files.end());
  run(state, kSimC, arguments, written, all_pairs(count));
}

constexpr std::size_t kBigClass = 100000;
constexpr const char* kMiddleShard = "500/1000";

fs::path part_of(const std::string& slice) {
  return scratch() / (slice == kMiddleShard ? "part-middle.ctp" : "part-read.ctp");
}

fs::path class_file() { return scratch() / "class.ctw"; }
fs::path part_from_class() { return scratch() / "part-read-from-class.ctp"; }

void save_class(benchmark::State& state) {
  const WrittenClass& written = whole_class(kBigClass);
  run(state, CODETWIN_CLASS_BINARY, {"--save-class", class_file().string(), "."}, written, 0);
  std::error_code error;
  state.counters["class_file_MB"] = static_cast<double>(fs::file_size(class_file(), error)) / 1e6;
}

void shard_from_class(benchmark::State& state) {
  const WrittenClass& written = whole_class(kBigClass);
  if (!fs::exists(class_file())) {
    state.SkipWithError("run save-class/100000 first: its class file is read");
    return;
  }
  run(state, CODETWIN_CLASS_BINARY,
      {"-j", "2", "--from-class", class_file().string(), "--shard", "0/1000000", "--part",
       part_from_class().string()},
      written, all_pairs(kBigClass) / 1000000);
}

void merge_from_class(benchmark::State& state) {
  const WrittenClass& written = whole_class(kBigClass);
  if (!fs::exists(part_from_class())) {
    state.SkipWithError("run shard/100000/read/from-class first: its part is merged");
    return;
  }
  std::vector<std::string> arguments = {"merge"};
  for (int k = 0; k < 1000; ++k) arguments.push_back(part_from_class().string());
  run(state, CODETWIN_CLASS_BINARY, arguments, written, 0, 2);
}

void shard(benchmark::State& state, const char* slice) {
  const WrittenClass& written = whole_class(kBigClass);
  const std::string part = part_of(slice).string();
  run(state, CODETWIN_CLASS_BINARY, {"-j", "2", "--shard", slice, "--part", part, "."}, written,
      all_pairs(kBigClass) / (std::string(slice) == kMiddleShard ? 1000 : 1000000));
}

void merge(benchmark::State& state) {
  const WrittenClass& written = whole_class(kBigClass);
  const fs::path part = part_of("0/1000000");
  if (!fs::exists(part)) {
    state.SkipWithError("run shard/100000/read first: its part is merged");
    return;
  }
  std::vector<std::string> arguments = {"merge"};
  for (int k = 0; k < 1000; ++k) arguments.push_back(part.string());
  run(state, CODETWIN_CLASS_BINARY, arguments, written, 0, 2);
}

// Every tenth submission of the class of 200, eight times as long.
const WrittenClass& uneven_class() {
  static const WrittenClass written = [] {
    WrittenClass w = write_class(scratch() / "uneven", 200, 200);
    for (std::size_t k = 0; k < w.files.size(); k += 10) {
      const fs::path path = w.folder / w.files[k];
      std::ifstream in(path, std::ios::binary);
      const std::string once((std::istreambuf_iterator<char>(in)), {});
      std::string eight;
      for (int r = 0; r < 8; ++r) eight += once;
      if (!write_file(path, eight)) return WrittenClass{};
      w.source_bytes += 7 * once.size();
    }
    return w;
  }();
  return written;
}

void uneven_shards(benchmark::State& state) {
  const WrittenClass& written = uneven_class();
  double low = 1e300, high = 0;
  for (auto _ : state) {
    for (int k = 0; k < 8; ++k) {
      const codetwin::bench::ProcessRun r = codetwin::bench::run_process(
          CODETWIN_CLASS_BINARY,
          {"-j", "1", "--shard", std::to_string(k) + "/8", "--part", (scratch() / "u.ctp").string(), "."},
          written.folder, "");
      if (r.exit_status != 0) {
        state.SkipWithError("a shard did not complete");
        return;
      }
      low = std::min(low, r.cpu_seconds);
      high = std::max(high, r.cpu_seconds);
    }
  }
  state.counters["min_shard_cpu_s"] = low;
  state.counters["max_shard_cpu_s"] = high;
  state.counters["max_over_min"] = high / low;
}

// Wall time per run, in seconds.
void configure(benchmark::internal::Benchmark* b, int iterations) {
  b->Iterations(iterations)->Unit(benchmark::kSecond)->UseRealTime();
}

}  // namespace

int main(int argc, char** argv) {
  using benchmark::RegisterBenchmark;
  for (std::size_t count : {200, 1000}) {
    for (bool csv : {false, true}) {
      for (unsigned jobs : {1u, 2u}) {
        const std::string name =
            "class/" + std::to_string(count) + "/j" + std::to_string(jobs) + (csv ? "/csv" : "");
        // A run of 1,000 takes about a minute: one is enough.
        configure(RegisterBenchmark(name.c_str(), class_run, count, jobs, csv),
                  count > 200 ? 1 : 3);
      }
    }
  }
  for (std::size_t count : {2000, 4000}) {
    const std::string name = "class/" + std::to_string(count) + "/j2/top20";
    configure(RegisterBenchmark(name.c_str(), full_top20, count), 1);
  }
  for (std::size_t count : {1000, 2000, 4000, 10000}) {
    configure(RegisterBenchmark(("held/" + std::to_string(count)).c_str(), held, count), 1);
  }
  configure(RegisterBenchmark("sim_c/200", sim_c, 200, false), 3);
  configure(RegisterBenchmark("sim_c/200/r3", sim_c, 200, true), 1);
  configure(RegisterBenchmark("shard/100000/1000", shard, kMiddleShard), 1);
  configure(RegisterBenchmark("shard/100000/read", shard, "0/1000000"), 1);
  configure(RegisterBenchmark("merge/100000/1000", merge), 1);
  configure(RegisterBenchmark("save-class/100000", save_class), 1);
  configure(RegisterBenchmark("shard/100000/read/from-class", shard_from_class), 1);
  configure(RegisterBenchmark("merge/100000/1000/from-class", merge_from_class), 1);
  configure(RegisterBenchmark("shards/uneven/8", uneven_shards), 1);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(scratch(), ignored);
  return 0;
}
