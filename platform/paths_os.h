// What paths.cpp needs from each system, implemented in paths_posix.cpp and
// paths_win32.cpp. Not for use outside platform/.
#ifndef CODETWIN_PLATFORM_PATHS_OS_H_
#define CODETWIN_PLATFORM_PATHS_OS_H_

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace codetwin::platform::os {

/// An open file: a descriptor on POSIX, a HANDLE on Windows.
using FileHandle = std::intptr_t;
/// No file (-1 is also INVALID_HANDLE_VALUE).
inline constexpr FileHandle kNoFile = -1;

/// Creates `path` for writing only if nothing (not even a dangling link) is
/// there. kNoFile on failure, with `exists` telling whether that was why.
FileHandle create_new_file(const std::filesystem::path& path, bool& exists);
/// Writes all of `bytes`. False on any error.
bool write_all(FileHandle file, std::string_view bytes);
/// Pushes the file's content to the disk and closes it (closed either way).
/// False if any of it failed.
bool sync_and_close(FileHandle file);
/// Closes without checking: the file is being thrown away.
void close_file(FileHandle file);
/// Renames `from` over `to`, replacing a file (or a link) there.
bool replace_file(const std::filesystem::path& from, const std::filesystem::path& to);
/// Removes the file `path`, if it can.
void remove_file(const std::filesystem::path& path);

}  // namespace codetwin::platform::os

#endif  // CODETWIN_PLATFORM_PATHS_OS_H_
