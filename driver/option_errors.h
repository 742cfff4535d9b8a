// What CLI11 found wrong with a command line, told in Chinese.
//
// CLI11 reports a bad command line as an exception whose type says what kind
// of mistake it is (an unknown option, a value missing or not accepted, an
// option given twice) and whose text is an English sentence. The sentence
// is not shown: the type picks a Chinese message, and the details come from
// the parser itself (the option, the values given, what its checks accept).
#ifndef CODETWIN_DRIVER_OPTION_ERRORS_H_
#define CODETWIN_DRIVER_OPTION_ERRORS_H_

#include <string>

namespace CLI {
class App;
class ParseError;
}  // namespace CLI

namespace codetwin::driver {

/// The message, UTF-8 and without a final newline, for `error`, thrown by
/// `app`'s parse of a command line. The names and values in it are the
/// user's, as given.
std::string option_error_text(const CLI::ParseError& error, CLI::App& app);

}  // namespace codetwin::driver

#endif  // CODETWIN_DRIVER_OPTION_ERRORS_H_
