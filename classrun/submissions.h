// Finding a class's submissions on disk and reading them: the one part of a
// class run that touches files.
//
// One class folder: each entry is a submission, a source file on its own or
// a folder of them. Several paths: each is one submission. A folder's
// source files are found at any depth; links to files are followed, links
// to folders are not (so there are no loops); names starting with '.' are
// hidden and left out.
//
// Wherever a folder may be, an archive may be instead (archive/archive.h),
// read in place: a class's archive, a student's, template code. A class's
// archive that holds one top-level folder only has that folder's entries
// as its submissions (macOS's __MACOSX folder does not count).
#ifndef CODETWIN_CLASSRUN_SUBMISSIONS_H_
#define CODETWIN_CLASSRUN_SUBMISSIONS_H_

#include <filesystem>
#include <string>
#include <vector>

#include "classrun/classrun.h"

namespace codetwin::archive {
class Reader;
}

namespace codetwin::classrun {

/// Which files are source files: their extensions, without the dot, matched
/// without regard to ASCII case.
struct SourceKinds {
  std::vector<std::string> extensions = {"c", "h"};
  bool matches(const std::filesystem::path& path) const;
};

/// What discovery found: the submissions (files listed, nothing read yet),
/// and what it passed over on the way.
struct Discovered {
  std::vector<Submission> submissions;
  std::vector<Skipped> skipped;     // not regular files where a source was expected
  std::vector<std::string> notes;   // UTF-8: links to folders passed over, empty folders
  std::string error;                // UTF-8; non-empty: a path given does not exist
};

/// The submissions of `paths` as the command line gives them: one folder is
/// a class folder; several paths are one submission each. Names of cohort
/// kOld are prefixed with the path as given, so that they differ from the
/// new ones. Archives are read with `archives`; without one, an archive is
/// a file like any other.
Discovered discover(const std::vector<std::string>& paths, Cohort cohort, const SourceKinds& kinds,
                    archive::Reader* archives = nullptr);

/// The files of template code at `path` (a file, or a folder of them).
Discovered discover_template(const std::string& path, const SourceKinds& kinds,
                             archive::Reader* archives = nullptr);

/// A submission of `files`, not read yet.
Submission listed(std::string name, Cohort cohort, std::vector<SourceFile> files);

/// How a source file becomes its part of the token string.
struct LexOptions {
  bool ignore_comments = false;
};

/// The token string of one source file's bytes, as codetwin builds it
/// (text-mode reading, then scan and token string), comments first removed
/// when asked.
std::string file_tokens(std::string_view bytes, const LexOptions& options);

/// Lexes a submission's files, given as their bytes in order: its token
/// string and length, and the verdict's code (comments left out) where that
/// differs.
void lex_submission(Submission& submission, const std::vector<std::string>& files,
                    const LexOptions& options);

/// What loading keeps of the files besides the token strings.
enum class Keep {
  kTokens,   // nothing: the files are read again if a report shows them
  kSources,  // their bytes, in `contents`: the class is written whole
};

/// Reads and lexes every file of `submission` into its tokens and length.
/// On a file that cannot be read, returns why and leaves tokens empty.
std::optional<Skipped> load(Submission& submission, const LexOptions& options,
                            Keep keep = Keep::kTokens);

}  // namespace codetwin::classrun

#endif  // CODETWIN_CLASSRUN_SUBMISSIONS_H_
