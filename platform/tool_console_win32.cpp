// A tool's standard streams on Windows.
//
// A console is written with WriteConsoleW: the text, GBK or UTF-8 as the
// charset says, goes through UTF-16, so Chinese shows whatever the
// console's code page. A pipe or a file gets the bytes through C stdio in
// text mode, each LF as CR LF, as codetwin's own output does; the console
// gets CR LF too, with lone CRs kept for redrawing a progress line.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <cstdio>

#include "common/text_mode.h"
#include "platform/tool_console.h"
#include "platform/win32_text.h"

namespace codetwin::platform {

namespace {

// WriteConsoleW is given at most this many UTF-16 units at a time.
constexpr std::size_t kConsoleChunk = 8192;

UINT charset_code_page() {
  return console_charset() == Charset::kUtf8 ? CP_UTF8 : win32::kGbkCodePage;
}

bool write_console(DWORD std_handle, std::string_view bytes) {
  const std::wstring wide =
      win32::to_wide(encode_line_ends(bytes, LineEnds::kCrLf), charset_code_page());
  HANDLE handle = GetStdHandle(std_handle);
  std::size_t done = 0;
  while (done < wide.size()) {
    std::size_t size = std::min(wide.size() - done, kConsoleChunk);
    // Never split a surrogate pair between two writes.
    if (done + size < wide.size() && wide[done + size - 1] >= 0xD800 &&
        wide[done + size - 1] <= 0xDBFF) {
      --size;
    }
    DWORD written = 0;
    if (!WriteConsoleW(handle, wide.data() + done, static_cast<DWORD>(size), &written, nullptr) ||
        written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

bool write_to(std::FILE* stream, std::string_view bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
}

}  // namespace

std::string name_for_console(std::string_view name) {
  return text_for_console(escape_name(name, true));
}

bool write_stdout(std::string_view bytes) {
  if (!win32::is_console(STD_OUTPUT_HANDLE)) return write_to(stdout, bytes);
  // What stdio holds goes first, so the order is kept.
  return std::fflush(stdout) == 0 && write_console(STD_OUTPUT_HANDLE, bytes);
}

bool write_stderr(std::string_view bytes) {
  if (!win32::is_console(STD_ERROR_HANDLE)) {
    return write_to(stderr, bytes) && std::fflush(stderr) == 0;
  }
  return std::fflush(stderr) == 0 && write_console(STD_ERROR_HANDLE, bytes);
}

bool flush_stdout() { return std::fflush(stdout) == 0 && std::ferror(stdout) == 0; }

bool stderr_is_terminal() { return win32::is_console(STD_ERROR_HANDLE); }

std::vector<std::string> arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> given;
  if (wide == nullptr) {
    // Out of memory: the narrow arguments are better than none.
    for (int i = 1; i < argc; ++i) given.emplace_back(argv[i]);
    return given;
  }
  for (int i = 1; i < count; ++i) given.push_back(win32::from_wide(wide[i], CP_UTF8));
  LocalFree(wide);
  return given;
}

}  // namespace codetwin::platform
