// Runs the built codetwin in a scratch folder, with piped standard input, and
// collects every byte it prints, for end-to-end tests.
//
// The program run is the build's own codetwin, unless CODETWIN_BIN names
// another (a cross-built .exe); CODETWIN_RUNNER, if set, is the command that
// runs it (for example "wine", or "valgrind --error-exitcode=99 -q").
//
// Every run also checks that the program leaves its sources alone: file1.c and
// file2.c keep their bytes and modification times, and no file but the four
// outputs appears in the folder. A breach is a test failure.
#ifndef CODETWIN_TESTS_E2E_PROGRAM_RUNNER_H_
#define CODETWIN_TESTS_E2E_PROGRAM_RUNNER_H_

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace codetwin::testing {

/// A temporary folder, removed with everything in it when the object dies.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }
  void write(std::string_view name, std::string_view bytes) const;
  /// The file's bytes, or nullopt if it cannot be read.
  std::optional<std::string> read(std::string_view name) const;
  /// The names in the folder, sorted.
  std::vector<std::string> names() const;

 private:
  std::string path_;
};

/// What the program gets as its standard input or output.
enum class Stream {
  kPipe,     // talked to through a pipe
  kDevNull,  // /dev/null
  kClosed,   // no open file at all
};

struct RunOptions {
  std::vector<std::string> args;           // command-line arguments
  std::map<std::string, std::string> env;  // on top of LC_ALL=C
  bool as_nobody = false;                  // drop root's privileges first
  Stream input = Stream::kPipe;
  Stream output = Stream::kPipe;
};

/// The sources and the folder's names as they were before a run.
struct FolderSnapshot {
  struct Source {
    bool present = false;
    unsigned mode = 0;                 // of the name itself (a link stays a link)
    long long mtime_ns = 0;            // of what the name leads to, else of the name
    std::optional<std::string> bytes;  // when it leads to a regular file
  };
  std::map<std::string, Source> sources;
  std::vector<std::string> names;
};

struct RunResult {
  std::string output;    // standard output, every byte
  int exit_status = -1;  // -1 when killed by a signal
  int signal = 0;
};

/// One run of the program, talked to step by step.
class Session {
 public:
  Session(const std::string& dir, const RunOptions& options = {});
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void send(std::string_view input);
  void close_input();
  /// Stops reading the program's output: its next writes meet a broken pipe.
  void close_output();
  /// Reads until the output so far contains `marker`, or the program ends.
  /// Returns the output so far.
  const std::string& read_until(std::string_view marker);
  /// Closes the input, reads to the end and waits for the program.
  RunResult finish();

 private:
  pid_t pid_ = -1;
  int to_program_ = -1;
  int from_program_ = -1;
  std::string raw_output_;  // as the pipe delivered it
  std::string output_;      // as compared: see from_windows_text_mode
  std::string dir_;
  FolderSnapshot before_;
};

/// Runs the program in `dir` with `input` as the whole of its standard input.
RunResult run_codetwin(const std::string& dir, std::string_view input,
                       const RunOptions& options = {});

/// The environment a program under test gets: the test's own without its
/// locale settings, LC_ALL=C (so console text is GBK), then `extra`.
std::vector<std::string> program_environment(const std::map<std::string, std::string>& extra);

/// The words of CODETWIN_RUNNER, the command that runs the program under
/// test (none when unset).
std::vector<std::string> runner_words();

/// The variable `name`'s value, or `fallback` when it is unset or empty.
std::string env_or(const char* name, const char* fallback);

/// `strings` as execve takes them: pointers into them, then a null pointer.
std::vector<char*> c_strings(std::vector<std::string>& strings);

/// The rest of a forked child that runs a program under test: into `dir`, as
/// nobody when asked, SIGPIPE back to its default, then `argv` run (looked up
/// on PATH when it names no path). Exits 125-127 when a step fails.
[[noreturn]] void exec_program(const std::string& dir, bool as_nobody, char** argv, char** envp);

/// Whether the program under test is a Windows build (its console turns each
/// LF it writes into CR LF).
bool testing_windows_build();

/// `raw`, the output of a Windows build, with the CR that Windows's text-mode
/// standard output puts before each LF taken out again, so that it compares
/// with the Linux bytes. Only that CR, and it must be there: if any LF comes
/// without one, the result is kBareLf followed by `raw`, which no expected
/// output matches.
std::string from_windows_text_mode(std::string_view raw);
inline constexpr std::string_view kBareLf = "[LF without CR from a Windows build] ";

}  // namespace codetwin::testing

#endif  // CODETWIN_TESTS_E2E_PROGRAM_RUNNER_H_
