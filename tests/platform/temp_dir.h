// Scoped temporary folders and small file helpers for the platform tests.
#ifndef CODETWIN_TESTS_PLATFORM_TEMP_DIR_H_
#define CODETWIN_TESTS_PLATFORM_TEMP_DIR_H_

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace codetwin::testing {

/// A fresh folder under the system's temporary directory, removed with all
/// its content when the object goes, whether the test passed or not.
class TempDir {
 public:
  TempDir() {
    // A random name, created only if it is new: the same on every system.
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    std::random_device random;
    for (int attempt = 0; attempt < 100 && !error && path_.empty(); ++attempt) {
      std::filesystem::path candidate = base / ("codetwin-" + std::to_string(random()));
      if (std::filesystem::create_directory(candidate, error)) path_ = candidate;
    }
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }

  bool ok() const { return !path_.empty(); }
  const std::filesystem::path& path() const { return path_; }
  std::string file(std::string_view name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

/// Writes `bytes` to `path` exactly as given. False if that failed.
inline bool write_bytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

/// The bytes of `path`; empty when it cannot be read.
inline std::string read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace codetwin::testing

#endif  // CODETWIN_TESTS_PLATFORM_TEMP_DIR_H_
