// The parts of paths.h that are the same on every system: comparing files
// and the life of an atomic output; the system calls are in paths_os.h.
#include "platform/paths.h"

#include <atomic>
#include <cstdio>
#include <random>
#include <system_error>
#include <type_traits>

#include "platform/paths_os.h"

namespace codetwin::platform {

namespace fs = std::filesystem;

namespace {

// Writes smaller than this are gathered before they reach the system.
constexpr std::size_t kBufferSize = 1 << 16;
// How many random names are tried before giving up on a folder where every
// one of them is taken (they never all are, unless something is wrong).
constexpr int kNameAttempts = 16;
// The most of the target's name kept in the temporary's, so that the
// temporary's name stays within the system's limit whenever the target's is.
constexpr std::size_t kNameKept = 64;

// A 48-bit random number, different in every call and every process.
std::uint64_t random_suffix() {
  static const std::uint64_t seed = [] {
    std::random_device device;
    return (std::uint64_t{device()} << 32) ^ device();
  }();
  static std::atomic<std::uint64_t> counter{0};
  // splitmix64: distinct counters give distinct, well-spread values.
  std::uint64_t value = seed + 0x9E3779B97F4A7C15u * (counter.fetch_add(1) + 1);
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9u;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBu;
  return (value ^ (value >> 31)) & 0xFFFFFFFFFFFFu;
}

// At most kNameKept units of `name`, not cut inside a character (a UTF-8
// sequence on POSIX, a surrogate pair on Windows).
fs::path::string_type shortened(fs::path::string_type name) {
  if (name.size() <= kNameKept) return name;
  std::size_t cut = kNameKept;
  const auto continues = [](auto unit) {
    const auto value = static_cast<std::uint32_t>(unit);
    if constexpr (sizeof(unit) == 1) {
      return (value & 0xC0) == 0x80;
    } else {
      return value >= 0xDC00 && value <= 0xDFFF;  // the low half of a surrogate pair
    }
  };
  while (cut > 0 && continues(name[cut])) --cut;
  name.resize(cut);
  return name;
}

// ".NAME.XXXXXXXXXXXX.tmp" beside `target`.
fs::path temporary_beside(const fs::path& target) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%012llx.tmp",
                static_cast<unsigned long long>(random_suffix()));
  fs::path name(".");
  name += shortened(target.filename().native());
  name += suffix;
  return target.parent_path() / name;
}

}  // namespace

bool same_file(const fs::path& first, const fs::path& second) {
  std::error_code error;
  return fs::equivalent(first, second, error) && !error;
}

AtomicOutput::~AtomicOutput() { discard(); }

bool AtomicOutput::open(const fs::path& path) {
  discard();
  failed_ = false;
  buffer_.clear();
  path_ = path;
  const fs::path name = path.filename();
  std::error_code error;
  if (name.empty() || name == "." || name == ".." || fs::is_directory(path, error)) return fail();
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const fs::path candidate = temporary_beside(path);
    bool exists = false;
    file_ = os::create_new_file(candidate, exists);
    if (file_ != os::kNoFile) {
      temporary_ = candidate;
      return true;
    }
    if (!exists) break;
  }
  return fail();
}

bool AtomicOutput::write(std::string_view bytes) {
  if (failed_ || file_ == os::kNoFile) return fail();
  if (buffer_.size() + bytes.size() <= kBufferSize) {
    buffer_.append(bytes);
    return true;
  }
  if (!flush_buffer()) return fail();
  if (bytes.size() < kBufferSize) {
    buffer_.append(bytes);
    return true;
  }
  return os::write_all(file_, bytes) || fail();
}

bool AtomicOutput::commit() {
  if (failed_ || file_ == os::kNoFile || !flush_buffer()) return fail();
  const bool synced = os::sync_and_close(file_);
  file_ = os::kNoFile;
  if (!synced || !os::replace_file(temporary_, path_)) return fail();
  temporary_.clear();
  return true;
}

void AtomicOutput::discard() {
  if (file_ != os::kNoFile) os::close_file(file_);
  file_ = os::kNoFile;
  if (!temporary_.empty()) os::remove_file(temporary_);
  temporary_.clear();
  buffer_.clear();
}

bool AtomicOutput::flush_buffer() {
  if (buffer_.empty()) return true;
  const bool written = os::write_all(file_, buffer_);
  buffer_.clear();
  return written;
}

bool AtomicOutput::fail() {
  discard();
  failed_ = true;
  return false;
}

}  // namespace codetwin::platform
