// Paths and whole files by path, for a tool that reads many files and
// writes its outputs whole or not at all.
//
// A path arrives as the command line gave it (bytes on POSIX, UTF-8 on
// Windows) and a name goes out the same way; std::filesystem::path holds
// what the system needs in between (wide characters on Windows).
#ifndef CODETWIN_PLATFORM_PATHS_H_
#define CODETWIN_PLATFORM_PATHS_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace codetwin::platform {

/// The path named by an argument; and back, a path as a name ('/' or '\'
/// kept as they are). On Windows these convert UTF-8 to and from wide (an
/// invalid sequence, either way, becomes U+FFFD); on POSIX they keep bytes.
std::filesystem::path path_from_name(std::string_view name);
std::string name_of(const std::filesystem::path& path);

/// Why a file could not be read.
enum class ReadFailure {
  kMissing,     // nothing there (or a dangling link, or a link loop)
  kNotRegular,  // a folder, FIFO, device, socket
  kUnreadable,  // no permission, or a read error
};

/// The bytes of the regular file at `path` (links followed), unchanged: no
/// text mode. The type is checked before the file is opened (and again on
/// the open file): a FIFO is never opened nor a device read, so this cannot
/// block.
struct FileBytes {
  std::string bytes;
  std::optional<ReadFailure> failure;
};
/// With a `limit`, only the first `limit` bytes are read (all of a shorter
/// file).
FileBytes read_file(const std::filesystem::path& path, std::size_t limit = SIZE_MAX);

/// Whether both paths exist and are the same file (through links too).
bool same_file(const std::filesystem::path& first, const std::filesystem::path& second);

/// An output written whole or not at all. open() creates a temporary file
/// in the same folder as `path` (so a bad folder fails at once, before any
/// long work); write() fills it; commit() flushes it to disk, closes it and
/// renames it over `path`. Until commit succeeds, `path` is untouched; the
/// temporary file is removed as soon as anything fails, by discard(), and by
/// the destructor when it was not committed.
///
/// The temporary is ".NAME.XXXXXXXXXXXX.tmp" (NAME cut to 64 bytes, X random
/// hex), created exclusively, so it never takes over an existing file or
/// link. A `path` that is a symbolic link has the link itself replaced by
/// the new regular file; the file it pointed to is left alone. A `path` that
/// is a folder (or a link to one) fails at open(), or at commit() if it
/// became one in between. The new file is created as any new file is
/// (permissions 0666 less the umask on POSIX), whatever the old one had.
class AtomicOutput {
 public:
  AtomicOutput() = default;
  ~AtomicOutput();
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  /// Starts an output to `path`, discarding any earlier one of this object.
  bool open(const std::filesystem::path& path);
  /// Appends `bytes`. False once anything has failed (the temporary is gone
  /// then and commit() will fail).
  bool write(std::string_view bytes);
  /// Completes the output. False, and `path` as it was, if anything failed.
  bool commit();
  /// Removes the temporary file now; `path` stays as it was.
  void discard();

  /// The temporary file while there is one (for tests and messages).
  const std::filesystem::path& temporary() const { return temporary_; }

 private:
  bool flush_buffer();
  bool fail();

  std::filesystem::path path_;
  std::filesystem::path temporary_;
  std::intptr_t file_ = -1;  // the open temporary: a descriptor or a HANDLE
  std::string buffer_;       // written out in large pieces
  bool failed_ = false;
};

}  // namespace codetwin::platform

#endif  // CODETWIN_PLATFORM_PATHS_H_
