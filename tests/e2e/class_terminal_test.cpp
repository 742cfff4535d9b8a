// codetwin-class at a terminal: the progress line on standard error, drawn
// in place, and Ctrl-C, which stops the run within a second, leaves no output behind and
// exits with status 130.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "tests/e2e/class_fixtures.h"
#include "tests/support/program_at_terminal.h"

namespace codetwin::testing {
namespace {

namespace fs = std::filesystem;

// A class big enough to take many seconds: 3,000 submissions, 4.5 million
// pairs of the example programs' sizes.
void put_slow_class(const ScratchDir& dir) {
  for (int k = 0; k < 3000; ++k) {
    put(dir, std::string("class/s") + std::to_string(k) + ".c",
        example(k % 2 == 0 ? "file1.c" : "file2.c") + "int v" + std::to_string(k) + ";\n");
  }
}

TerminalOptions class_at_terminal(const ScratchDir& dir, std::vector<std::string> args) {
  TerminalOptions options;
  options.argv = {CODETWIN_CLASS_BINARY};
  options.argv.insert(options.argv.end(), args.begin(), args.end());
  options.envp = {"LC_ALL=C.UTF-8"};
  options.folder = dir.path();
  return options;
}

TEST(ClassTerminalTest, CtrlCStopsAtOnceAndLeavesNothing) {
  if (testing_windows_class_build()) {
    GTEST_SKIP() << "pseudo-terminals are POSIX's: the Windows console and its Ctrl-C have their "
                    "tests in tests/platform/win32";
  }
  ScratchDir dir;
  put_slow_class(dir);
  const auto before = tree_state(dir.path());
  ProgramAtTerminal program;
  ASSERT_TRUE(program.start(class_at_terminal(dir, {"class", "--csv", "out.csv", "--json", "out.json"})));
  // The progress line shows once the pairs are being scored.
  ASSERT_TRUE(program.wait_for("比较：")) << program.shown();
  // Drawn in place: a carriage return, no line end.
  EXPECT_NE(program.shown().find("\r比较："), std::string::npos) << program.shown();
  const auto pressed = std::chrono::steady_clock::now();
  ASSERT_TRUE(program.type("\x03"));
  const std::optional<int> status = program.wait_for_exit();
  const auto stopped = std::chrono::steady_clock::now();
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(exit_code(status), 130) << program.shown();
  EXPECT_NE(program.shown().find("已中断"), std::string::npos) << program.shown();
  // Bounded generously: the point is that it does not run on to the end.
  EXPECT_LT(stopped - pressed, std::chrono::seconds(5));
  EXPECT_EQ(tree_state(dir.path()), before) << "no output and no temporary file is left";
}

// A shard at its time limit: the batch system's SIGTERM stops it at once,
// and no part, not even its temporary, is left for the merge to find.
TEST(ClassTerminalTest, SigtermStopsAShardAndLeavesNoPart) {
  if (testing_windows_class_build()) GTEST_SKIP() << "signals are POSIX's";
  ScratchDir dir;
  put_slow_class(dir);
  const auto before = tree_state(dir.path());
  ProgramAtTerminal program;
  ASSERT_TRUE(program.start(class_at_terminal(dir, {"class", "--shard", "1/2", "--part", "p1.ctp"})));
  ASSERT_TRUE(program.wait_for("比较：")) << program.shown();
  const auto sent = std::chrono::steady_clock::now();
  ASSERT_TRUE(program.signal(SIGTERM));
  const std::optional<int> status = program.wait_for_exit();
  const auto stopped = std::chrono::steady_clock::now();
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(exit_code(status), 130) << program.shown();
  EXPECT_LT(stopped - sent, std::chrono::seconds(5));
  EXPECT_EQ(tree_state(dir.path()), before) << "no part and no temporary file is left";
}

}  // namespace
}  // namespace codetwin::testing
