// Runs the built codetwin-class in a scratch folder, with piped standard
// input, and collects standard output and standard error apart, for
// end-to-end tests.
//
// The program run is the build's own, unless CODETWIN_CLASS_BIN names
// another (a cross-built .exe); CODETWIN_RUNNER, if set, is the command that
// runs it (for example "wine", or "valgrind --error-exitcode=99 -q").
//
// A Windows build writes each LF of its standard output and error as CR LF,
// and GBK to a pipe whatever the locale. The runner turns what it wrote back
// into what the Linux build prints in the same environment, so that one
// expectation serves both: the CR before each LF taken out, and the text
// converted to UTF-8 where the run's locale uses UTF-8. The bytes as they
// came are kept beside.
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
  bool own_build = false;  // the build's own program, run directly, whatever the variables say
};

struct ClassRunResult {
  std::string out;  // as the Linux build would have printed it (see above)
  std::string err;
  std::string raw_out;  // as the pipes delivered them
  std::string raw_err;
  int exit_status = -1;  // -1 when killed by a signal
  int signal = 0;
};

/// One run of codetwin-class with `dir` as its working folder.
ClassRunResult run_class(const std::string& dir, const ClassRunOptions& options);

/// Whether the program under test is a Windows build.
bool testing_windows_class_build();

/// `raw`, a Windows build's standard output or error, as the Linux build
/// prints the same text: from_windows_text_mode, then GBK to UTF-8 when
/// `utf8_locale`. A character that the Windows build could not put in GBK
/// stays the '?' it became.
std::string from_windows_console(std::string_view raw, bool utf8_locale);

/// Every file and folder below `dir` (relative names, '/' between parts),
/// with a file's bytes, a link's target, or "/" for a folder: a tree's
/// state, to compare before and after a run.
std::map<std::string, std::string> tree_state(const std::string& dir);

}  // namespace codetwin::testing

#endif  // CODETWIN_TESTS_E2E_CLASS_RUNNER_H_
