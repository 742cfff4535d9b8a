// Runs the built codetwin-class in a scratch folder, with piped standard
// input, and collects standard output and standard error apart, for
// end-to-end tests.
//
// The program run is the build's own, unless CODETWIN_CLASS_BIN names
// another (a cross-built .exe); CODETWIN_RUNNER, if set, is the command that
// runs it (for example "wine", or "valgrind --error-exitcode=99 -q").
#ifndef CODETWIN_TESTS_E2E_CLASS_RUNNER_H_
#define CODETWIN_TESTS_E2E_CLASS_RUNNER_H_

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace codetwin::testing {

struct ClassRunOptions {
  std::vector<std::string> args;
  std::map<std::string, std::string> env;  // on top of LC_ALL=C
  std::string input;                       // the whole of standard input
  bool as_nobody = false;                  // drop root's privileges first
  bool stdout_full = false;                // standard output is /dev/full
};

struct ClassRunResult {
  std::string out;
  std::string err;
  int exit_status = -1;  // -1 when killed by a signal
  int signal = 0;
};

/// One run of codetwin-class with `dir` as its working folder.
ClassRunResult run_class(const std::string& dir, const ClassRunOptions& options);

/// Whether the program under test is a Windows build.
bool testing_windows_class_build();

/// Every file and folder below `dir` (relative names, '/' between parts),
/// with a file's bytes, a link's target, or "/" for a folder: a tree's
/// state, to compare before and after a run.
std::map<std::string, std::string> tree_state(const std::string& dir);

}  // namespace codetwin::testing

#endif  // CODETWIN_TESTS_E2E_CLASS_RUNNER_H_
