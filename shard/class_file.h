// A class read once: the file that a run's shards and its merge take the
// class from, instead of each reading and lexing every source again.
//
// At 10^5 submissions, reading, lexing and profiling the class costs a
// shard about a minute of CPU, 350 MB of reads from a shared file system
// and more memory than its scoring; with a thousand shards, every one of
// them pays it. `codetwin-class --save-class FILE` pays it once and writes
// what the scoring and the outputs need:
//   - the arguments that read the class (paths, --old, --base, --ext,
//     --ignore-comments, --common, the archive options), so that a run
//     from the file has the options of a run from the sources;
//   - each submission: name, cohort, files (where they were, their names
//     and their bytes, for the evidence report), token string, length,
//     code, and which characters of its code are common;
//   - the submissions skipped, and why;
//   - the template code's files and token string.
// The file is framed as a part is (shard/fields.h), but the files' bytes
// come last, with a checksum of their own: a shard reads and checks what
// comes before them only, the merge of an evidence report all of it.
#ifndef CODETWIN_SHARD_CLASS_FILE_H_
#define CODETWIN_SHARD_CLASS_FILE_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "classrun/classrun.h"

namespace codetwin::shard {

/// The version of the class-file format this program reads and writes.
inline constexpr std::uint32_t kClassFileVersion = 1;

/// A class read, lexed and profiled.
struct ReadClass {
  std::vector<std::string> arguments;  // those that read it, as given
  std::vector<classrun::Submission> submissions;  // in name order
  std::vector<classrun::Skipped> skipped;
  std::optional<classrun::Submission> base;  // the template code, lexed
};

/// The bytes of a class file; files' bytes from `contents`, where set.
std::string encode_class(const ReadClass& read);

/// How much of the class a reader needs.
enum class Sources {
  kLeave,  // token strings only: the scoring
  kKeep,   // the files' bytes too: the evidence report
};

/// The leading bytes of a class file that tell how much of it a reader
/// that leaves the sources needs.
inline constexpr std::size_t kClassHeaderBytes = 21 + 4 + 8;
/// That much, from those `header` bytes; SIZE_MAX when they do not tell
/// (not a class file: then the whole file is read and refused).
std::size_t bytes_without_sources(std::string_view header);

/// A class read back, or why it cannot be (UTF-8, for people).
struct DecodedClass {
  std::optional<ReadClass> read;
  std::string error;
};
/// `bytes` may end where the sources begin when they are left. `stop`, when
/// given, is asked now and then; when it says so, decoding ends with no
/// class and no error (a class of 10^5 takes seconds).
DecodedClass decode_class(std::string_view bytes, Sources sources,
                          const std::function<bool()>& stop = nullptr);

}  // namespace codetwin::shard

#endif  // CODETWIN_SHARD_CLASS_FILE_H_
