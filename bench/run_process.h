// A built program run as a benchmark's subject: one child process in a
// given folder, its standard input fed from bytes in memory, its standard
// output and error thrown away (so it sees no terminal), and what the
// system counted for it. POSIX only, as the benchmarks are.
#ifndef CODETWIN_BENCH_RUN_PROCESS_H_
#define CODETWIN_BENCH_RUN_PROCESS_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace codetwin::bench {

struct ProcessRun {
  bool started = false;
  int exit_status = -1;     // -1 when it did not exit normally
  double cpu_seconds = 0;   // user and system time of the child
  long peak_rss_bytes = 0;  // its peak resident set
};

/// Runs `program` with `arguments` (argv[1] on) in `folder`, writes `input`
/// to its standard input, and waits for it.
ProcessRun run_process(const std::string& program, const std::vector<std::string>& arguments,
                       const std::filesystem::path& folder, std::string_view input);

}  // namespace codetwin::bench

#endif  // CODETWIN_BENCH_RUN_PROCESS_H_
