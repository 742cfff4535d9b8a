// The console and the desktop, behind one interface.
//
// Every line that depends on the operating system lives in platform/: this
// header is the neutral interface, console_posix.cpp and console_win32.cpp
// implement it, and CMake picks one. The rest of the program hands the
// console GBK text and reads characters; it never sees a terminal or a code
// page.
#ifndef CODETWIN_PLATFORM_CONSOLE_H_
#define CODETWIN_PLATFORM_CONSOLE_H_

#include <string_view>

namespace codetwin::platform {

/// Returned by the reads at end of standard input.
inline constexpr int kEndOfInput = -1;

/// Decides, once at start, how console text is encoded: GBK bytes unchanged,
/// or converted when the console uses another character set (a UTF-8
/// locale on POSIX; a console code page other than 936 on Windows). Leaves
/// number formatting in the "C" locale, so "%f" always prints a point.
void init_console();

/// Whether init_console found a console that shows UTF-8 (a UTF-8 locale on
/// POSIX; a console, not a pipe or a file, whose output code page is 65001
/// on Windows). False before init_console.
bool console_shows_utf8();

/// Clears the console when standard output is one; writes nothing otherwise.
void clear_console();

/// Prints GBK text to standard output, converted as init_console decided.
/// Output is buffered; the reads below flush it first.
void print(std::string_view gbk);

/// Flushes standard output.
void flush_console();

/// Reads one character (a byte, 0..255) from standard input, after flushing
/// what was printed; kEndOfInput at end of input. Line-buffered: characters
/// typed beyond the first stay for the next reads.
int read_char();

/// Waits for one key: without echo and without Enter when standard input is
/// a terminal (console), otherwise reads one byte as read_char does. Returns
/// the key's byte, or kEndOfInput.
int read_key();

/// Asks the desktop to open `path` in its default viewer and returns at once,
/// without waiting for the viewer or reporting whether it started.
void open_in_viewer(const char* path);

}  // namespace codetwin::platform

#endif  // CODETWIN_PLATFORM_CONSOLE_H_
