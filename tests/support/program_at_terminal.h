// A program run on the slave side of a pseudo-terminal, met as a person at a
// terminal meets it: the test holds the master side, types keys into it and
// reads back what the program shows. Every wait is for a text or for the end
// of the program, bounded by a deadline that only a hung program reaches.
// What differs between uses (the command and its environment, the
// terminal's first settings and size, where standard error goes, which part
// of the bytes counts as shown) is given to start(). Linux only (forkpty).
#ifndef CODETWIN_TESTS_SUPPORT_PROGRAM_AT_TERMINAL_H_
#define CODETWIN_TESTS_SUPPORT_PROGRAM_AT_TERMINAL_H_

#include <sys/ioctl.h>
#include <sys/types.h>
#include <termios.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace codetwin::testing {

struct TerminalOptions {
  std::vector<std::string> argv;    // argv[0] is looked up on PATH unless it has a '/'
  std::vector<std::string> envp;    // the program's whole environment
  std::string folder;               // where it runs
  std::optional<termios> settings;  // the terminal's first settings; else its defaults
  std::optional<winsize> size;      // else the system's default size
  bool stderr_to_null = false;      // else standard error is the terminal too
  // For each wait: far beyond what any step takes; only a hung program meets it.
  std::chrono::seconds deadline{30};
  // What a test reads of the bytes shown so far (for example without escape
  // sequences); unset, every byte.
  std::function<std::string(std::string_view)> view;
};

class ProgramAtTerminal {
 public:
  ProgramAtTerminal() = default;
  ProgramAtTerminal(const ProgramAtTerminal&) = delete;
  ProgramAtTerminal& operator=(const ProgramAtTerminal&) = delete;
  /// Kills and reaps a program still running.
  ~ProgramAtTerminal();

  /// Starts the program; false if it could not be forked. A child that cannot
  /// set itself up exits 126, one that cannot run the program 127.
  bool start(TerminalOptions options);

  /// Reads until `text` shows after the previous match; false when the
  /// terminal closed or the deadline passed first.
  bool wait_for(std::string_view text);

  /// Reads until the terminal closes, then reaps the program: its wait
  /// status, or nullopt if it was still running at the deadline.
  std::optional<int> wait_for_exit();

  bool type(std::string_view keys);
  /// Sends the program the signal `number` (as a batch system's time limit
  /// sends SIGTERM).
  bool signal(int number);

  /// The terminal's settings as they are now.
  std::optional<termios> settings() const;

  std::string shown() const;
  /// What was shown after the last matched text.
  std::string shown_since_match() const { return shown().substr(matched_); }

 private:
  bool read_some(std::chrono::steady_clock::time_point deadline);

  TerminalOptions options_;
  pid_t pid_ = -1;
  int master_ = -1;
  std::string bytes_;        // every byte read from the master
  std::size_t matched_ = 0;  // in shown(), just past the last match
};

/// The exit code in a wait status; nullopt without one, or when the program
/// was ended by a signal.
std::optional<int> exit_code(std::optional<int> wait_status);

}  // namespace codetwin::testing

#endif  // CODETWIN_TESTS_SUPPORT_PROGRAM_AT_TERMINAL_H_
