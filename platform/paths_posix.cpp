// Paths and files on POSIX: names are bytes, files are descriptors.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/paths.h"
#include "platform/paths_os.h"

namespace codetwin::platform {

namespace fs = std::filesystem;

namespace {

// Read in pieces of this size when the file grows beyond what stat said.
constexpr std::size_t kReadChunk = 1 << 16;

ReadFailure failure_of(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
      return ReadFailure::kMissing;
    default:
      return ReadFailure::kUnreadable;
  }
}

FileBytes failed(ReadFailure failure) { return {std::string(), failure}; }

// Reads `fd` to its end, or its first `limit` bytes, into `bytes`, starting
// with room for `expected`.
bool read_all(int fd, std::size_t expected, std::size_t limit, std::string& bytes) {
  std::size_t size = 0;
  // One byte beyond the expected size, so that the end is seen in one read.
  bytes.resize(expected < limit ? expected + 1 : limit);
  while (true) {
    if (size == bytes.size()) {
      if (size >= limit) break;
      bytes.resize(size + std::min(kReadChunk, limit - size));
    }
    const ssize_t got = read(fd, bytes.data() + size, bytes.size() - size);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) break;
    size += static_cast<std::size_t>(got);
  }
  bytes.resize(size);
  return true;
}

}  // namespace

fs::path path_from_name(std::string_view name) { return fs::path(std::string(name)); }

std::string name_of(const fs::path& path) { return path.native(); }

FileBytes read_file(const fs::path& path, std::size_t limit) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return failed(failure_of(errno));
  // Only a regular file is opened: opening a FIFO waits for a writer, and
  // merely opening some devices acts on them.
  if (!S_ISREG(status.st_mode)) return failed(ReadFailure::kNotRegular);
  // O_NONBLOCK: should the name be swapped for a FIFO in between, the open
  // still returns at once, and the check below refuses it.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return failed(failure_of(errno));
  FileBytes result;
  if (fstat(fd, &status) != 0) {
    result.failure = ReadFailure::kUnreadable;
  } else if (!S_ISREG(status.st_mode)) {
    result.failure = ReadFailure::kNotRegular;
  } else if (!read_all(fd, static_cast<std::size_t>(status.st_size), limit, result.bytes)) {
    result.failure = ReadFailure::kUnreadable;
  }
  close(fd);
  if (result.failure) result.bytes.clear();
  return result;
}

namespace os {

FileHandle create_new_file(const fs::path& path, bool& exists) {
  // O_EXCL also refuses a link, even a dangling one: nothing is written
  // through a name that someone else put there.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  exists = fd < 0 && errno == EEXIST;
  return fd < 0 ? kNoFile : fd;
}

bool write_all(FileHandle file, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(static_cast<int>(file), bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool sync_and_close(FileHandle file) {
  const int fd = static_cast<int>(file);
  // A file system that cannot sync (EINVAL) has nothing more to write.
  bool ok = fsync(fd) == 0 || errno == EINVAL;
  // After close fails the descriptor is gone all the same: never retried.
  if (close(fd) != 0 && errno != EINTR) ok = false;
  return ok;
}

void close_file(FileHandle file) { close(static_cast<int>(file)); }

bool replace_file(const fs::path& from, const fs::path& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

void remove_file(const fs::path& path) { unlink(path.c_str()); }

}  // namespace os

}  // namespace codetwin::platform
