// Reading and writing the program's files, with every error checked.
//
// Files are opened in binary; line ends follow the program's own text mode
// (common/text_mode.h), named at each call, so the result is the same bytes
// on every platform.
#ifndef CODETWIN_PLATFORM_FILES_H_
#define CODETWIN_PLATFORM_FILES_H_

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "common/text_mode.h"

namespace codetwin::platform {

/// The whole file at `path` read in text mode, or nullopt when it cannot be
/// opened or read (missing, unreadable, not a regular file: a directory, a
/// FIFO, a device). Only reads: the file is never opened for writing.
std::optional<std::string> read_text_file(const char* path);

/// Whether both paths exist and name the same file (through links too).
bool is_same_file(const char* first, const char* second);

/// A file being written: created (or emptied) by create(), filled by
/// write(), and completed by close(), which reports whether every byte
/// reached the file. A file still open at destruction is closed unchecked.
/// Once closed or dropped, the file holds exactly the bytes written, or
/// after a failure to write over a file, nothing.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  /// Creates `path`, or opens it to be written over. False if it cannot be.
  bool create(const char* path);
  /// Appends `text` stored under `line_ends`. False on a write error; once
  /// false, later calls keep failing.
  bool write(std::string_view text, LineEnds line_ends);
  /// Flushes and closes. False if anything written was lost.
  bool close();

 private:
  /// Cuts a file written over in place to the bytes written (none after a
  /// failure); false if it cannot be.
  bool cut_to_written();

  std::FILE* file_ = nullptr;
  std::optional<std::string> in_place_;  // the path of a file written over
  std::uintmax_t written_ = 0;
  bool failed_ = false;
};

}  // namespace codetwin::platform

#endif  // CODETWIN_PLATFORM_FILES_H_
