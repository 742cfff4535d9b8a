// The command line of codetwin-class, parsed into what a run needs.
#ifndef CODETWIN_DRIVER_CLASS_OPTIONS_H_
#define CODETWIN_DRIVER_CLASS_OPTIONS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "classrun/classrun.h"
#include "classrun/submissions.h"

namespace codetwin::driver {

struct ClassOptions {
  std::vector<std::string> paths;
  std::vector<std::string> old_paths;
  std::optional<std::string> base;
  classrun::SourceKinds kinds;
  classrun::LexOptions lex;
  classrun::ListOptions list;
  classrun::VerdictOptions verdict;
  unsigned jobs = 0;  // 0: one per hardware thread
  std::optional<std::string> csv;
  std::optional<std::string> json;
  std::optional<std::string> html;
  /// Archives: the charset of names that do not declare theirs (else
  /// guessed), and the bytes all archives may unpack (else the default).
  std::optional<std::string> archive_charset;
  std::optional<std::uint64_t> max_bytes;
  /// The options as given, for the JSON and HTML outputs (no output paths,
  /// nor -j, which changes nothing in them).
  std::vector<std::pair<std::string, std::string>> as_given;
};

/// What the command line asks for.
struct ParsedCommandLine {
  enum class Action { kRun, kHelp, kVersion, kUsageError };
  Action action = Action::kRun;
  ClassOptions options;
  std::string error;  // for kUsageError: what is wrong, UTF-8
};

/// Parses the arguments after the program name.
ParsedCommandLine parse_command_line(const std::vector<std::string>& arguments);

/// The --help text (UTF-8).
std::string help_text();

}  // namespace codetwin::driver

#endif  // CODETWIN_DRIVER_CLASS_OPTIONS_H_
