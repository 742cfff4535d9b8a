// End to end, what only a Windows build shows: its text-mode standard output,
// undone by the runner before any comparison; the viewer started through the
// Windows shell, which must leave the run unharmed where no desktop is there
// to show it (Wine in CI); and the program at a console, in three code
// pages, with its key read.
#include <termios.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "tests/e2e/dialogue.h"
#include "tests/e2e/program_runner.h"
#include "tests/e2e/worked_pair.h"
#include "tests/support/program_at_terminal.h"

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

// The program started by Wine's cmd on a pseudo-terminal, after "chcp" set
// the console's code page; Wine draws the console on the terminal in UTF-8
// (LC_ALL=C.UTF-8). The test reads what is visible.
TerminalOptions at_wine_console(const std::string& dir, int code_page) {
  TerminalOptions options;
  std::istringstream runner(std::getenv("CODETWIN_RUNNER") ? std::getenv("CODETWIN_RUNNER") : "");
  for (std::string word; runner >> word;) options.argv.push_back(word);
  options.argv.insert(options.argv.end(), {"cmd", "/c", "chcp", std::to_string(code_page), ">nul",
                                           "&", windows_path(std::getenv("CODETWIN_BIN"))});
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string_view text(*entry);
    if (!text.starts_with("LC_") && !text.starts_with("LANG")) options.envp.emplace_back(text);
  }
  options.envp.emplace_back("LC_ALL=C.UTF-8");
  options.folder = dir;
  // Raw from the start, as Wine's console sets it anyway: a CR typed before
  // Wine has switched the terminal must not turn into an LF, which Wine's
  // console takes for Ctrl-J rather than Enter.
  termios raw{};
  cfmakeraw(&raw);
  options.settings = raw;
  winsize size{};
  size.ws_row = 50;
  size.ws_col = 200;  // no line of the dialogue wraps
  options.size = size;
  // Wine's helper processes keep standard error open after the program
  // ends; on the terminal, they would keep it from closing.
  options.stderr_to_null = true;
  // Far beyond what any step takes under Wine; only a hung program meets it.
  options.deadline = std::chrono::seconds(60);
  options.view = visible;
  return options;
}

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
    ProgramAtTerminal program;
    ASSERT_TRUE(program.start(at_wine_console(dir_.path(), code_page))) << code_page;
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
    EXPECT_EQ(exit_code(program.wait_for_exit()), 0) << code_page;
  }
}

// The comparer's last key is read from the console itself: one key, without
// Enter and without echo.
TEST_F(WindowsConsoleTest, MissingTokenFileEndsOnOneUnechoedKey) {
  ProgramAtTerminal program;
  ASSERT_TRUE(program.start(at_wine_console(dir_.path(), 65001)));
  ASSERT_TRUE(program.wait_for(texts::kRequest.utf8)) << program.shown();
  ASSERT_TRUE(program.type("\r"));
  ASSERT_TRUE(program.wait_for(one_line(texts::kTokensGenerated.utf8)));
  ASSERT_TRUE(std::filesystem::remove(dir_.file("token1.txt")));
  ASSERT_TRUE(program.type("\r"));
  ASSERT_TRUE(program.wait_for(texts::kOpenFailed.utf8)) << program.shown();
  ASSERT_TRUE(program.type("k"));
  EXPECT_EQ(exit_code(program.wait_for_exit()), 1) << program.shown();
  EXPECT_EQ(program.shown_since_match().find('k'), std::string::npos) << program.shown();
}

}  // namespace
}  // namespace codetwin::testing
