#include "bench/byte_files.h"

#include <cstdio>
#include <system_error>

#include "platform/files.h"

namespace codetwin::bench {

std::optional<std::string> read_bytes(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::FILE* file = std::fopen(path.string().c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  std::string bytes;
  char chunk[1 << 14];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return bytes;
}

bool write_bytes(const std::filesystem::path& path, std::string_view bytes) {
  platform::OutputFile file;
  return file.create(path.string().c_str()) && file.write(bytes, LineEnds::kAsIs) && file.close();
}

}  // namespace codetwin::bench
