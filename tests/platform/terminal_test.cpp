// The real program on a pseudo-terminal, as a person at a terminal sees it:
// the screen cleared first, UTF-8 text under a UTF-8 locale, and the last
// key taken at once, without Enter and without echo, with the terminal's
// settings back afterwards.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "common/texts.h"
#include "tests/platform/temp_dir.h"

namespace codetwin {
namespace {

namespace fs = std::filesystem;
using codetwin::testing::TempDir;
using codetwin::testing::write_bytes;

// Far beyond what any step takes; only a hung program meets it.
constexpr std::chrono::seconds kDeadline{30};

constexpr std::string_view kClearScreen = "\x1b[H\x1b[2J";

// `text` as the terminal shows it: each line end goes out as CR LF.
std::string on_terminal(std::string_view text) {
  std::string shown;
  for (char ch : text) shown += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  return shown;
}

// The program running on the slave side of a pseudo-terminal; the test holds
// the master side, reading what the program shows and typing keys.
class ProgramAtTerminal {
 public:
  ProgramAtTerminal() = default;
  ProgramAtTerminal(const ProgramAtTerminal&) = delete;
  ProgramAtTerminal& operator=(const ProgramAtTerminal&) = delete;
  ~ProgramAtTerminal() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }

  /// Starts the program in `folder` with only LC_ALL=C.UTF-8 set.
  bool start(const fs::path& folder) {
    const std::string where = folder.string();
    char program[] = CODETWIN_BINARY;
    char* argv[] = {program, nullptr};
    char locale[] = "LC_ALL=C.UTF-8";
    char* envp[] = {locale, nullptr};
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      if (chdir(where.c_str()) == 0) execve(program, argv, envp);
      _exit(127);
    }
    return pid_ > 0;
  }

  /// Reads until `text` shows after the previous match; false when the
  /// program closed the terminal or the deadline passed first.
  bool wait_for(std::string_view text) {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (true) {
      std::size_t at = shown_.find(text, matched_);
      if (at != std::string::npos) {
        matched_ = at + text.size();
        return true;
      }
      if (!read_some(deadline)) return false;
    }
  }

  /// Reads until the program has closed the terminal, then reaps it. Its
  /// wait status, or nullopt if it was still running at the deadline.
  std::optional<int> wait_for_exit() {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (read_some(deadline)) {
    }
    if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
    int status = 0;
    if (waitpid(pid_, &status, 0) != pid_) return std::nullopt;
    pid_ = -1;
    return status;
  }

  bool type(std::string_view keys) {
    return write(master_, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
  }

  /// The terminal's settings as they are now.
  std::optional<termios> settings() const {
    termios now;
    if (tcgetattr(master_, &now) != 0) return std::nullopt;
    return now;
  }

  const std::string& shown() const { return shown_; }
  /// What was shown after the last matched text.
  std::string shown_since_match() const { return shown_.substr(matched_); }

 private:
  // One read from the master, waiting at most until `deadline`. False once
  // the program has closed its side or the deadline passed.
  bool read_some(std::chrono::steady_clock::time_point deadline) {
    while (true) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd ready{master_, POLLIN, 0};
      int polled = poll(&ready, 1, static_cast<int>(left.count()));
      if (polled < 0 && errno == EINTR) continue;
      if (polled <= 0) return false;
      char chunk[4096];
      ssize_t got = read(master_, chunk, sizeof chunk);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;  // EIO: the slave side is closed
      shown_.append(chunk, static_cast<std::size_t>(got));
      return true;
    }
  }

  pid_t pid_ = -1;
  int master_ = -1;
  std::string shown_;
  std::size_t matched_ = 0;
};

struct KeyRow {
  const char* name;
  std::string last_enter;  // typed to answer the success line
  std::string key;         // typed once the failure message shows
  bool check_no_echo;
};

TEST(TerminalTest, MissingTokenFileEndsOnOneUnechoedKey) {
  const KeyRow rows[] = {
      {"a letter", "\r", "k", true},
      // A key like any other here: the terminal must not be left without echo.
      {"Ctrl-C", "\r", "\x03", true},
      // Typed before the message: kept for the key read, not thrown away.
      // Its echo came while the line was still being typed.
      {"a key typed ahead", "\rk", "", false},
  };
  for (const KeyRow& row : rows) {
    TempDir dir;
    ASSERT_TRUE(dir.ok()) << row.name;
    ASSERT_TRUE(write_bytes(dir.file("file1.c"), "int main(){int a=1;return a;}\n"));
    ASSERT_TRUE(write_bytes(dir.file("file2.c"), "int main(){long b=2;return b;}\n"));

    ProgramAtTerminal program;
    ASSERT_TRUE(program.start(dir.path())) << row.name;
    const std::string request = on_terminal(texts::kRequest.utf8) + "\r\n";
    ASSERT_TRUE(program.wait_for(request)) << row.name << ": " << program.shown();
    EXPECT_EQ(program.shown(), std::string(kClearScreen) + request) << row.name;

    ASSERT_TRUE(program.type("\r")) << row.name;
    ASSERT_TRUE(program.wait_for(on_terminal(texts::kTokensGenerated.utf8))) << row.name;
    ASSERT_TRUE(fs::remove(dir.path() / "token1.txt")) << row.name;
    ASSERT_TRUE(program.type(row.last_enter)) << row.name;

    ASSERT_TRUE(program.wait_for(texts::kOpenFailed.utf8)) << row.name << ": " << program.shown();
    ASSERT_TRUE(program.type(row.key)) << row.name;
    std::optional<int> status = program.wait_for_exit();
    ASSERT_TRUE(status.has_value()) << row.name << ": still waiting after " << program.shown();
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1) << row.name << ": " << *status;
    if (row.check_no_echo) {
      EXPECT_EQ(program.shown_since_match(), "") << row.name;
    }

    std::optional<termios> after = program.settings();
    ASSERT_TRUE(after.has_value()) << row.name;
    const tcflag_t line_mode = ICANON | ECHO | ISIG;
    EXPECT_EQ(after->c_lflag & line_mode, line_mode) << row.name << ": settings not restored";
  }
}

}  // namespace
}  // namespace codetwin
