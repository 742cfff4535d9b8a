// The console on Windows: the program's home, where its texts are GBK (code
// page 936).
//
// A console whose output code page is 936 gets the GBK bytes as they are; a
// console set to another code page (65001 for UTF-8, say) gets them
// converted through UTF-16. A pipe or a file always gets the GBK bytes.
// Standard input and output stay in text mode, as in any console program:
// each LF printed reaches the console, pipe or file as CR LF, and a CR LF
// typed or piped in reads as one LF.
//
// Text for a console is written to it directly, in the console's code page,
// with the LF to CR LF of text mode done here: a C runtime may re-encode
// what it writes to a console by its own locale (Wine's does), which would
// undo the choice made here.
#include <conio.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/text_mode.h"
#include "platform/console.h"

namespace codetwin::platform {

namespace {

// The code page of every text the program prints.
constexpr UINT kGbkCodePage = 936;

// Set once by init_console; until then text goes out as GBK.
bool output_is_console = false;
UINT output_code_page = kGbkCodePage;

// A console handle, as opposed to a pipe, a file or the NUL device (which is
// a character device too, but has no console mode).
bool is_console(DWORD std_handle) {
  HANDLE handle = GetStdHandle(std_handle);
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode) != 0;
}

// `gbk` in `code_page`, through UTF-16. Bytes that are not GBK come out as
// the code page's default character; a text the conversion refuses as a
// whole is left as it was.
std::string from_gbk(std::string_view gbk, UINT code_page) {
  if (gbk.empty() || gbk.size() > INT_MAX) return std::string(gbk);
  const int gbk_size = static_cast<int>(gbk.size());
  const int wide_size = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), gbk_size, nullptr, 0);
  if (wide_size <= 0) return std::string(gbk);
  std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
  MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), gbk_size, wide.data(), wide_size);
  const int out_size =
      WideCharToMultiByte(code_page, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
  if (out_size <= 0) return std::string(gbk);
  std::string out(static_cast<std::size_t>(out_size), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), wide_size, out.data(), out_size, nullptr, nullptr);
  return out;
}

void write_out(std::string_view bytes) {
  // Nothing useful can be done when the console refuses output: the dialogue
  // goes on and the exit status still tells the outcome.
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) std::clearerr(stdout);
}

void write_console(std::string_view text) {
  const std::string bytes = encode_line_ends(text, LineEnds::kCrLf);
  HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD size = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 16));
    DWORD written = 0;
    // As with stdio above, a console that refuses text leaves nothing to do.
    if (!WriteFile(handle, bytes.data() + done, size, &written, nullptr) || written == 0) return;
    done += written;
  }
}

// A read that has met the end of input once returns at once from then on.
bool input_ended() { return std::feof(stdin) != 0 || std::ferror(stdin) != 0; }

}  // namespace

void init_console() {
  output_is_console = is_console(STD_OUTPUT_HANDLE);
  if (output_is_console) {
    const UINT code_page = GetConsoleOutputCP();
    if (code_page != 0) output_code_page = code_page;
  }
}

bool console_shows_utf8() { return output_is_console && output_code_page == CP_UTF8; }

void clear_console() {
  if (!output_is_console) return;
  flush_console();
  // The result is of no use: an uncleared console shows the same dialogue.
  static_cast<void>(std::system("cls"));
}

void print(std::string_view gbk) {
  if (!output_is_console) {
    write_out(gbk);
  } else if (output_code_page == kGbkCodePage) {
    write_console(gbk);
  } else {
    // Each call is taken as whole text: a GBK character split across two
    // calls would not survive the conversion. Callers pass whole texts.
    write_console(from_gbk(gbk, output_code_page));
  }
}

void flush_console() {
  if (std::fflush(stdout) != 0) std::clearerr(stdout);
}

int read_char() {
  flush_console();
  if (input_ended()) return kEndOfInput;
  const int ch = std::getchar();
  return ch == EOF ? kEndOfInput : ch;
}

int read_key() {
  // _getch reads the console itself, not the stdio buffer: a key must be
  // pressed now, whatever was typed ahead on an earlier line.
  if (is_console(STD_INPUT_HANDLE)) {
    flush_console();
    return _getch();
  }
  return read_char();
}

void open_in_viewer(const char* path) {
  // The viewer starts on its own, or not at all; either way the dialogue goes on.
  ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace codetwin::platform
