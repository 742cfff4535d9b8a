// Paths and whole files by path, for a tool that reads many files and
// writes its outputs whole or not at all.
//
// A path arrives as the command line gave it (bytes on POSIX, UTF-8 on
// Windows) and a name goes out the same way; std::filesystem::path holds
// what the system needs in between (wide characters on Windows).
#ifndef CODETWIN_PLATFORM_PATHS_H_
#define CODETWIN_PLATFORM_PATHS_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace codetwin::platform {

/// The path named by an argument; and back, a path as a name ('/' or '\'
/// kept as they are). On Windows these convert UTF-8 to and from wide.
std::filesystem::path path_from_name(std::string_view name);
std::string name_of(const std::filesystem::path& path);

/// Why a file could not be read.
enum class ReadFailure {
  kMissing,      // nothing there (or a dangling link)
  kNotRegular,   // a folder, FIFO, device, socket
  kUnreadable,   // no permission, or a read error
};

/// The bytes of the regular file at `path` (links followed), unchanged: no
/// text mode. A FIFO or device is never opened, so this cannot block.
struct FileBytes {
  std::string bytes;
  std::optional<ReadFailure> failure;
};
FileBytes read_file(const std::filesystem::path& path);

/// Whether both paths exist and are the same file (through links too).
bool same_file(const std::filesystem::path& first, const std::filesystem::path& second);

/// An output written whole or not at all. open() creates a temporary file
/// in the same folder as `path` (so a bad folder fails at once, before any
/// long work); write() fills it; commit() flushes it and renames it over
/// `path`. Until commit succeeds, `path` is untouched; a temporary file
/// still there when the object goes (failure, interrupt) is removed.
class AtomicOutput {
 public:
  AtomicOutput() = default;
  ~AtomicOutput();
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  bool open(const std::filesystem::path& path);
  bool write(std::string_view bytes);
  bool commit();
  /// Removes the temporary file now.
  void discard();

 private:
  std::filesystem::path path_;
  std::filesystem::path temporary_;
  void* file_ = nullptr;  // the open temporary (a FILE*)
  bool failed_ = false;
};

}  // namespace codetwin::platform

#endif  // CODETWIN_PLATFORM_PATHS_H_
