// Standard output and standard error of a command-line tool, in the
// console's character set.
//
// codetwin-class keeps its own texts in UTF-8 and the names of files as the
// file system gives them (bytes on POSIX, UTF-8 from the wide names on
// Windows). These functions turn both into what the console shows: GBK,
// or UTF-8 where the console uses it (a UTF-8 locale on POSIX; code page
// 65001 on Windows), and write them out.
#ifndef CODETWIN_PLATFORM_TOOL_CONSOLE_H_
#define CODETWIN_PLATFORM_TOOL_CONSOLE_H_

#include <string>
#include <string_view>
#include <vector>

namespace codetwin::platform {

enum class Charset { kGbk, kUtf8 };

/// Decides once, at start, the console's character set (as init_console
/// does for codetwin) and leaves number formatting in the "C" locale.
void init_tool_console();
Charset console_charset();

/// UTF-8 text as the console shows it. To GBK, a character GBK lacks
/// becomes '?'; invalid UTF-8 becomes U+FFFD (or '?' in GBK).
std::string text_for_console(std::string_view utf8);

/// A file's name as the console shows it: control characters as escapes
/// (\n, \t, \x1b, ...), so that a name cannot break a line or drive the
/// terminal. On POSIX the bytes are otherwise kept (the file system's names
/// are in the locale's charset), except that on a UTF-8 console an invalid
/// sequence becomes U+FFFD; on Windows the UTF-8 name is converted like text.
std::string name_for_console(std::string_view name);

/// Writes bytes, already in the console's charset. False if they could not
/// all be written (a closed or full output).
bool write_stdout(std::string_view bytes);
bool write_stderr(std::string_view bytes);
bool flush_stdout();

/// Whether standard error is a terminal (where progress is drawn).
bool stderr_is_terminal();

/// The command line's arguments after the program name: the bytes given on
/// POSIX; UTF-8 from the wide command line on Windows, whatever the code page.
std::vector<std::string> arguments(int argc, char** argv);

}  // namespace codetwin::platform

#endif  // CODETWIN_PLATFORM_TOOL_CONSOLE_H_
