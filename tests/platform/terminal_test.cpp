// The real program on a pseudo-terminal, as a person at a terminal sees it:
// the screen cleared first, UTF-8 text under a UTF-8 locale, and the last
// key taken at once, without Enter and without echo, with the terminal's
// settings back afterwards.
#include <sys/wait.h>
#include <termios.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "common/texts.h"
#include "tests/platform/temp_dir.h"
#include "tests/support/program_at_terminal.h"

namespace codetwin::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kClearScreen = "\x1b[H\x1b[2J";

// `text` as the terminal shows it: each line end goes out as CR LF.
std::string on_terminal(std::string_view text) {
  std::string shown;
  for (char ch : text) shown += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  return shown;
}

// The program in `folder` with only LC_ALL=C.UTF-8 set.
TerminalOptions in_folder(const fs::path& folder) {
  TerminalOptions options;
  options.argv = {CODETWIN_BINARY};
  options.envp = {"LC_ALL=C.UTF-8"};
  options.folder = folder.string();
  return options;
}

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
    ASSERT_TRUE(program.start(in_folder(dir.path()))) << row.name;
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
}  // namespace codetwin::testing
