// Paths and files on Windows: names are UTF-16, converted to and from
// UTF-8 at the edges; files are opened by their wide names, so any name
// works whatever the ANSI code page.
#include <windows.h>

#include <algorithm>

#include "platform/paths.h"
#include "platform/paths_os.h"
#include "platform/win32_text.h"

namespace codetwin::platform {

namespace fs = std::filesystem;

namespace {

// ReadFile and WriteFile take a DWORD: larger texts go in pieces.
constexpr std::size_t kIoChunk = 1 << 20;

ReadFailure failure_of(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
    case ERROR_CANT_RESOLVE_FILENAME:  // a loop of links
      return ReadFailure::kMissing;
    default:
      return ReadFailure::kUnreadable;
  }
}

FileBytes failed(ReadFailure failure) { return {std::string(), failure}; }

bool read_all(HANDLE file, std::size_t limit, std::string& bytes) {
  LARGE_INTEGER size{};
  std::size_t expected = GetFileSizeEx(file, &size) ? static_cast<std::size_t>(size.QuadPart) : 0;
  // One byte beyond the expected size, so that the end is seen in one read.
  bytes.resize(expected < limit ? expected + 1 : limit);
  std::size_t done = 0;
  while (true) {
    if (done == bytes.size()) {
      if (done >= limit) break;
      bytes.resize(done + std::min(kIoChunk, limit - done));
    }
    const DWORD want = static_cast<DWORD>(std::min(bytes.size() - done, kIoChunk));
    DWORD got = 0;
    if (!ReadFile(file, bytes.data() + done, want, &got, nullptr)) return false;
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return true;
}

HANDLE handle_of(os::FileHandle file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

fs::path path_from_name(std::string_view name) { return fs::path(win32::to_wide(name, CP_UTF8)); }

std::string name_of(const fs::path& path) { return win32::from_wide(path.native(), CP_UTF8); }

FileBytes read_file(const fs::path& path, std::size_t limit) {
  // A folder is refused by its attributes; a device (NUL, CON, a pipe) is
  // opened but refused by its type before anything is read from it.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return failed(failure_of(GetLastError()));
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return failed(ReadFailure::kNotRegular);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return failed(failure_of(GetLastError()));
  FileBytes result;
  BY_HANDLE_FILE_INFORMATION information{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &information) ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    result.failure = ReadFailure::kNotRegular;
  } else if (!read_all(file, limit, result.bytes)) {
    result.failure = ReadFailure::kUnreadable;
  }
  CloseHandle(file);
  if (result.failure) result.bytes.clear();
  return result;
}

namespace os {

FileHandle create_new_file(const fs::path& path, bool& exists) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD error = GetLastError();
  exists =
      file == INVALID_HANDLE_VALUE && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS);
  return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(file);
}

bool write_all(FileHandle file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD want = static_cast<DWORD>(std::min(bytes.size(), kIoChunk));
    DWORD written = 0;
    if (!WriteFile(handle_of(file), bytes.data(), want, &written, nullptr) || written == 0) {
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

bool sync_and_close(FileHandle file) {
  bool ok = FlushFileBuffers(handle_of(file)) != 0;
  if (!CloseHandle(handle_of(file))) ok = false;
  return ok;
}

void close_file(FileHandle file) { CloseHandle(handle_of(file)); }

bool replace_file(const fs::path& from, const fs::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void remove_file(const fs::path& path) { DeleteFileW(path.c_str()); }

}  // namespace os

}  // namespace codetwin::platform
