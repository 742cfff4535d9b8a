// End to end, what only a Windows build shows: its text-mode standard output,
// undone by the runner before any comparison, and the viewer started through
// the Windows shell, which must leave the run unharmed where no desktop is
// there to show it (Wine in CI).
#include <string>

#include <gtest/gtest.h>

#include "tests/e2e/dialogue.h"
#include "tests/e2e/program_runner.h"
#include "tests/e2e/worked_pair.h"

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

}  // namespace
}  // namespace codetwin::testing
