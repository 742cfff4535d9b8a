// Files read and written byte for byte, for the disguiser's tools: a
// corpus file is copied into a class exactly as it is (CR LF, no final
// newline and all).
#ifndef CODETWIN_BENCH_BYTE_FILES_H_
#define CODETWIN_BENCH_BYTE_FILES_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace codetwin::bench {

/// The bytes of the regular file at `path`, or nullopt if it cannot be read.
std::optional<std::string> read_bytes(const std::filesystem::path& path);

/// Creates or truncates `path` with `bytes`; false if any byte was lost.
bool write_bytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace codetwin::bench

#endif  // CODETWIN_BENCH_BYTE_FILES_H_
