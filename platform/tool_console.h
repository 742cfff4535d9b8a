// Standard output and standard error of a command-line tool, in the
// console's character set.
//
// codetwin-class keeps its own texts in UTF-8 and the names of files as the
// file system gives them (bytes on POSIX, UTF-8 from the wide names on
// Windows). These functions turn both into what the console shows: GBK,
// or UTF-8 where the console uses it (a UTF-8 locale on POSIX; code page
// 65001 on Windows), and write them out.
//
// On Windows a real console is written with WriteConsoleW, so Chinese shows
// whatever its code page; a pipe or a file gets the bytes. Either way each
// LF goes out as CR LF there, as from any Windows console program (and as
// from codetwin); on POSIX the bytes go out as they are.
#ifndef CODETWIN_PLATFORM_TOOL_CONSOLE_H_
#define CODETWIN_PLATFORM_TOOL_CONSOLE_H_

#include <string>
#include <string_view>
#include <vector>

namespace codetwin::platform {

enum class Charset { kGbk, kUtf8 };

/// Decides once, at start, the console's character set (as init_console
/// decides it for codetwin, which it calls) and leaves number formatting in
/// the "C" locale. Until then the charset is GBK.
void init_tool_console();
Charset console_charset();

/// UTF-8 text in `charset`. To GBK, a character GBK lacks becomes '?', and
/// so does each invalid UTF-8 sequence; to UTF-8, an invalid sequence
/// becomes U+FFFD.
std::string text_for_charset(std::string_view utf8, Charset charset);
/// text_for_charset in the console's charset.
std::string text_for_console(std::string_view utf8);

/// `name` with what must not reach a terminal written as escapes: each C0
/// control byte and DEL as \n, \r, \t or \xHH (two lowercase hex digits).
/// With `as_utf8`, the name is also read as UTF-8: C1 controls (U+0080 to
/// U+009F, which some terminals obey) and the bidirectional format
/// characters (which could show a name reversed) become \uHHHH, and each
/// invalid sequence becomes U+FFFD. Without it, every other byte is kept. A
/// backslash is kept as it is: it separates folders on Windows.
std::string escape_name(std::string_view name, bool as_utf8);

/// A file's name as the console shows it: escape_name'd, so that a name
/// cannot break a line or drive the terminal. On POSIX the bytes are
/// otherwise kept (the file system's names are in the locale's charset),
/// except that on a UTF-8 console an invalid sequence becomes U+FFFD; on
/// Windows the UTF-8 name is then converted like text.
std::string name_for_console(std::string_view name);

/// Write bytes, already in the console's charset. False if they could not
/// all be written (a closed or full output). Standard output is buffered:
/// flush_stdout tells whether everything written since the start reached
/// it; standard error is written at once.
bool write_stdout(std::string_view bytes);
bool write_stderr(std::string_view bytes);
bool flush_stdout();

/// Whether standard error is a terminal (where progress is drawn).
bool stderr_is_terminal();

/// The command line's arguments after the program name: the bytes given on
/// POSIX; UTF-8 from the wide command line on Windows, whatever the ANSI
/// code page (`argc` and `argv` are not used there).
std::vector<std::string> arguments(int argc, char** argv);

}  // namespace codetwin::platform

#endif  // CODETWIN_PLATFORM_TOOL_CONSOLE_H_
