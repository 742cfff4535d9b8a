// End to end, what only a Windows build shows: its text-mode standard output,
// undone by the runner before any comparison; the viewer started through the
// Windows shell, which must leave the run unharmed where no desktop is there
// to show it (Wine in CI); and the program at a console, in three code
// pages, with its key read.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/dialogue.h"
#include "tests/e2e/program_runner.h"
#include "tests/e2e/worked_pair.h"

extern char** environ;

namespace codetwin::testing {
namespace {

TEST(WindowsTextModeTest, OnlyTheCrBeforeEachLfIsTakenOut) {
  struct Case {
    const char* name;
    std::string raw;
    std::string expected;
  };
  const Case cases[] = {
      {"empty", "", ""},
      {"no line end", "token", "token"},
      {"each CR LF", "a\r\n\r\nb\r\n", "a\n\nb\n"},
      {"a CR of the program's own stays", "a\r\r\nb", "a\r\nb"},
      {"a lone CR stays", "a\rb\r", "a\rb\r"},
      {"a bare LF spoils the whole output", "a\r\nb\nc", std::string(kBareLf) + "a\r\nb\nc"},
      {"a bare LF first", "\na\r\n", std::string(kBareLf) + "\na\r\n"},
      {"Linux's output", "a\nb\n", std::string(kBareLf) + "a\nb\n"},
      {"GBK bytes untouched", "\xB4\xAE\r\n\xA3\xAC", "\xB4\xAE\n\xA3\xAC"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(from_windows_text_mode(c.raw), c.expected) << c.name;
  }
}

// ShellExecuteA starts the viewer and returns; under Wine without a display
// the viewer cannot open a window. Either way the dialogue goes on to the
// verdict and the token files stay as written.
TEST(WindowsViewerTest, YesOpensTheViewerAndTheRunGoesOn) {
  if (!testing_windows_build()) GTEST_SKIP() << "the POSIX viewer has its own tests";
  for (const char* answer : {"y", "Y"}) {
    ScratchDir dir;
    put_worked_pair(dir);
    RunResult run = run_codetwin(dir.path(), std::string("\n\n") + answer + "\nn\n");
    EXPECT_EQ(run.signal, 0) << answer;
    EXPECT_EQ(run.exit_status, 0) << answer;
    EXPECT_EQ(run.output, full_run(72, 76, 66, "0.891892", true)) << answer;
    EXPECT_EQ(dir.read("token1.txt"), kTokens1) << answer;
    EXPECT_EQ(dir.read("token2.txt"), kTokens2) << answer;
  }
}

// Far beyond what any step takes; only a hung program meets it.
constexpr std::chrono::seconds kDeadline{60};

// `text` as the console draws it on one line: without its line ends, its
// leading tabs and its trailing blanks, which Wine draws as cursor moves.
std::string one_line(std::string_view text) {
  while (!text.empty() && (text.front() == '\n' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  return std::string(text);
}

// What a person reads on the terminal: the bytes less the escape sequences
// (cursor moves, erasing, colours) and the carriage returns.
std::string visible(std::string_view shown) {
  std::string text;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] == '\r') continue;
    if (shown[i] != '\x1b') {
      text.push_back(shown[i]);
      continue;
    }
    if (i + 1 < shown.size() && shown[i + 1] == '[') {
      i += 2;
      while (i < shown.size() && (shown[i] < 0x40 || shown[i] > 0x7E)) ++i;
    } else if (i + 1 < shown.size() && shown[i + 1] == ']') {
      while (i < shown.size() && shown[i] != '\a') ++i;
    } else {
      ++i;
    }
  }
  return text;
}

// The Windows path of a Linux file, through the drive Wine maps to the root.
std::string windows_path(std::string path) {
  for (char& ch : path) ch = ch == '/' ? '\\' : ch;
  return "Z:" + path;
}

// The program started by Wine's cmd on the slave side of a pseudo-terminal,
// after "chcp" set the console's code page; Wine draws the console on the
// terminal in UTF-8 (LC_ALL=C.UTF-8). The test holds the master side.
class ProgramAtWineConsole {
 public:
  ProgramAtWineConsole() = default;
  ProgramAtWineConsole(const ProgramAtWineConsole&) = delete;
  ProgramAtWineConsole& operator=(const ProgramAtWineConsole&) = delete;
  ~ProgramAtWineConsole() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }

  bool start(const std::string& dir, int code_page) {
    std::vector<std::string> words;
    std::istringstream runner(std::getenv("CODETWIN_RUNNER") ? std::getenv("CODETWIN_RUNNER") : "");
    for (std::string word; runner >> word;) words.push_back(word);
    words.insert(words.end(), {"cmd", "/c", "chcp", std::to_string(code_page), ">nul", "&",
                               windows_path(std::getenv("CODETWIN_BIN"))});
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      std::string_view text(*entry);
      if (!text.starts_with("LC_") && !text.starts_with("LANG")) env.emplace_back(text);
    }
    env.emplace_back("LC_ALL=C.UTF-8");
    std::vector<char*> argv, envp;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);

    winsize size{};
    size.ws_row = 50;
    size.ws_col = 200;  // no line of the dialogue wraps
    // Raw from the start, as Wine's console sets it anyway: a CR typed before
    // Wine has switched the terminal must not turn into an LF, which Wine's
    // console takes for Ctrl-J rather than Enter.
    termios raw{};
    cfmakeraw(&raw);
    pid_ = forkpty(&master_, nullptr, &raw, &size);
    if (pid_ == 0) {
      // Wine's helper processes keep standard error open after the program
      // ends; on the terminal, they would keep it from closing.
      int null_fd = open("/dev/null", O_WRONLY);
      if (null_fd < 0 || dup2(null_fd, 2) < 0 || chdir(dir.c_str()) != 0) _exit(126);
      execvpe(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    return pid_ > 0;
  }

  /// Reads until `text` shows after the previous match; false when the
  /// terminal closed or the deadline passed first.
  bool wait_for(std::string_view text) {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (true) {
      std::string now = visible(shown_);
      std::size_t at = now.find(text, matched_);
      if (at != std::string::npos) {
        matched_ = at + text.size();
        return true;
      }
      if (!read_some(deadline)) return false;
    }
  }

  /// Reads until the terminal closes, then reaps the program: its exit
  /// status, or nullopt if it was still running at the deadline.
  std::optional<int> wait_for_exit() {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (read_some(deadline)) {
    }
    if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
    int status = 0;
    if (waitpid(pid_, &status, 0) != pid_ || !WIFEXITED(status)) return std::nullopt;
    pid_ = -1;
    return WEXITSTATUS(status);
  }

  bool type(std::string_view keys) {
    return write(master_, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
  }

  std::string shown() const { return visible(shown_); }
  std::string shown_since_match() const { return visible(shown_).substr(matched_); }

 private:
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
      if (got <= 0) return false;  // EIO: every holder of the slave side has gone
      shown_.append(chunk, static_cast<std::size_t>(got));
      return true;
    }
  }

  pid_t pid_ = -1;
  int master_ = -1;
  std::string shown_;
  std::size_t matched_ = 0;
};

class WindowsConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing_windows_build()) GTEST_SKIP() << "the POSIX terminal has its own tests";
    if (std::getenv("CODETWIN_RUNNER") == nullptr) GTEST_SKIP() << "needs Wine on a terminal";
    // No tile whatever the tiling: the dialogue is all this test looks at.
    dir_.write("file1.c", "abc;");
    dir_.write("file2.c", "xyz+");
  }

  ScratchDir dir_;
};

// `utf8` as a console in code page 437 shows it: it has no Chinese, so each
// character becomes "?", but the full-width comma has a best fit, ",".
std::string in_code_page_437(std::string_view utf8) {
  constexpr std::string_view kFullWidthComma = "\xEF\xBC\x8C";
  std::string shown;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    const std::size_t size = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    if (size == 1) {
      shown.push_back(utf8[i]);
    } else {
      shown.push_back(utf8.substr(i, size) == kFullWidthComma ? ',' : '?');
    }
    i += size;
  }
  return shown;
}

// Code page 936 gets the GBK bytes, which Wine's console decodes; 65001 gets
// them converted to UTF-8, and 437 converted to what it can show. The
// terminal shows the Chinese for the first two.
TEST_F(WindowsConsoleTest, TextShowsInTheConsolesCodePage) {
  struct Row {
    int code_page;
    bool shows_chinese;
  };
  for (const Row& row : {Row{936, true}, Row{65001, true}, Row{437, false}}) {
    auto shown = [&](std::string_view utf8) {
      return row.shows_chinese ? one_line(utf8) : in_code_page_437(one_line(utf8));
    };
    const int code_page = row.code_page;
    ProgramAtWineConsole program;
    ASSERT_TRUE(program.start(dir_.path(), code_page)) << code_page;
    ASSERT_TRUE(program.wait_for(shown(texts::kRequest.utf8)))
        << code_page << ": " << program.shown();
    ASSERT_TRUE(program.type("\r"));
    ASSERT_TRUE(program.wait_for(shown(texts::kTokensGenerated.utf8))) << code_page;
    ASSERT_TRUE(program.type("\r"));
    const std::string lengths =
        texts::fill(texts::kLength1.utf8, "3") + texts::fill(texts::kLength2.utf8, "3");
    ASSERT_TRUE(program.wait_for(shown(lengths))) << code_page << ": " << program.shown();
    ASSERT_TRUE(program.wait_for(shown(texts::kViewQuestion.utf8))) << code_page;
    ASSERT_TRUE(program.type("n\r"));
    ASSERT_TRUE(program.wait_for(shown(texts::kDetailsQuestion.utf8))) << code_page;
    ASSERT_TRUE(program.type("n\r"));
    ASSERT_TRUE(program.wait_for(shown(texts::kAccordingTo.utf8))) << code_page;
    // "×" and "÷" have fits of their own in 437; the Chinese consoles show them.
    if (row.shows_chinese) {
      EXPECT_TRUE(program.wait_for(shown(texts::kFormula.utf8)))
          << code_page << ": " << program.shown();
    }
    EXPECT_TRUE(program.wait_for(shown(texts::kNotSuspected.utf8)))
        << code_page << ": " << program.shown();
    EXPECT_EQ(program.wait_for_exit(), 0) << code_page;
  }
}

// The comparer's last key is read from the console itself: one key, without
// Enter and without echo.
TEST_F(WindowsConsoleTest, MissingTokenFileEndsOnOneUnechoedKey) {
  ProgramAtWineConsole program;
  ASSERT_TRUE(program.start(dir_.path(), 65001));
  ASSERT_TRUE(program.wait_for(texts::kRequest.utf8)) << program.shown();
  ASSERT_TRUE(program.type("\r"));
  ASSERT_TRUE(program.wait_for(one_line(texts::kTokensGenerated.utf8)));
  ASSERT_TRUE(std::filesystem::remove(dir_.file("token1.txt")));
  ASSERT_TRUE(program.type("\r"));
  ASSERT_TRUE(program.wait_for(texts::kOpenFailed.utf8)) << program.shown();
  ASSERT_TRUE(program.type("k"));
  EXPECT_EQ(program.wait_for_exit(), 1) << program.shown();
  EXPECT_EQ(program.shown_since_match().find('k'), std::string::npos) << program.shown();
}

}  // namespace
}  // namespace codetwin::testing
