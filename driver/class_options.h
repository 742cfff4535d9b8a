// The command line of codetwin-class, parsed into what a run needs.
#ifndef CODETWIN_DRIVER_CLASS_OPTIONS_H_
#define CODETWIN_DRIVER_CLASS_OPTIONS_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "classrun/classrun.h"
#include "classrun/submissions.h"

namespace codetwin::driver {

/// Which slice of the pairs a shard scores (shard/part_file.h).
struct ShardSlice {
  std::optional<std::uint32_t> k;  // unset: from the cluster's task variable
  std::uint32_t n = 1;
};

/// The cluster's variables that number a task, in the order they are read.
inline constexpr const char* kTaskVariables[] = {"SLURM_ARRAY_TASK_ID", "JOB_COMPLETION_INDEX"};

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
  /// A shard: the slice it scores and the part file it writes.
  std::optional<ShardSlice> shard;
  std::optional<std::string> part;
  /// The class read once: the file this run writes it to (and does
  /// nothing else), or the file it takes the class from.
  std::optional<std::string> save_class;
  std::optional<std::string> from_class;
  /// The options as given, for the JSON and HTML outputs (no output paths,
  /// nor -j, which changes nothing in them).
  std::vector<std::pair<std::string, std::string>> as_given;
  /// The arguments as given, less those of -j, --shard and --part: what
  /// every shard of one run gives alike, recorded in its part. With
  /// --save-class, less that too: what read the class, recorded in it.
  std::vector<std::string> run_arguments;
};

/// The merge of shards' parts: `codetwin-class merge [outputs] PART...`.
struct MergeOptions {
  std::vector<std::string> parts;
  std::optional<std::string> csv;
  std::optional<std::string> json;
  std::optional<std::string> html;
};

/// What the command line asks for.
struct ParsedCommandLine {
  enum class Action { kRun, kMerge, kHelp, kVersion, kUsageError };
  Action action = Action::kRun;
  ClassOptions options;
  MergeOptions merge;
  std::string error;  // for kUsageError: what is wrong, UTF-8
};

/// Parses the arguments after the program name.
ParsedCommandLine parse_command_line(const std::vector<std::string>& arguments);

/// The options of a shard's run with the outputs that a merge writes in
/// place of those the shard named.
ClassOptions with_outputs(ClassOptions options, const MergeOptions& merge);

/// The options of a run from a class file: the arguments that read the
/// class (recorded in the file) and the run's own, parsed as one command
/// line, so that they are those of a run from the sources; the run's
/// threads, slice, part and class file kept as given.
ParsedCommandLine with_read_arguments(const ClassOptions& options,
                                      const std::vector<std::string>& read_arguments);

/// Sets a shard's K from the first of kTaskVariables that `lookup` finds
/// (a name to its value, or nullptr); an error message when none is set or
/// its value is not a slice of N, else empty.
std::string take_task_number(ShardSlice& slice, const std::function<const char*(const char*)>& lookup);

/// The --help text (UTF-8).
std::string help_text();

}  // namespace codetwin::driver

#endif  // CODETWIN_DRIVER_CLASS_OPTIONS_H_
