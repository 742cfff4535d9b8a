// The Windows platform tests start their own program as a child, in one of
// the modes below, to see what only a new process shows: the command line
// it was given, and its standard streams as a pipe or a file.
#ifndef CODETWIN_TESTS_PLATFORM_WIN32_CHILD_H_
#define CODETWIN_TESTS_PLATFORM_WIN32_CHILD_H_

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace codetwin::testing {

/// The first argument that selects a child's mode.
inline constexpr std::string_view kPrintArguments = "--print-arguments";  // FILE ARGS...
inline constexpr std::string_view kPrintTexts = "--print-texts";
inline constexpr std::string_view kWaitForInterrupt = "--wait-for-interrupt";

/// Runs a child mode if `argc`/`argv` ask for one; its exit status, or
/// nullopt to run the tests.
std::optional<int> run_child_mode(int argc, char** argv);

/// What a finished child left.
struct ChildResult {
  DWORD exit_code = 0;
  std::string out;  // standard output's bytes
  std::string err;  // standard error's bytes
};

/// Starts this program with the command line `arguments` (after the
/// program's own name, already quoted), its standard output and error in
/// files in `folder`, and waits for it. nullopt if it could not be run.
std::optional<ChildResult> run_self(const std::wstring& arguments,
                                    const std::filesystem::path& folder, DWORD creation_flags = 0);

/// `argument` quoted as CommandLineToArgvW reads it back.
std::wstring quote_argument(std::wstring_view argument);

}  // namespace codetwin::testing

#endif  // CODETWIN_TESTS_PLATFORM_WIN32_CHILD_H_
