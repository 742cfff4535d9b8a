// Interrupts on POSIX, each in a child process of its own (handlers belong
// to the whole process): the signal is raised at the child itself, so it is
// handled before raise() returns, and the flag is read right after.
#include "platform/interrupt.h"

#include <signal.h>

#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "tests/platform/child_process.h"
#include "tests/platform/temp_dir.h"

namespace codetwin::platform {
namespace {

namespace fs = std::filesystem;
using codetwin::testing::exit_code;
using codetwin::testing::in_child;
using codetwin::testing::read_bytes;
using codetwin::testing::TempDir;
using codetwin::testing::write_bytes;

struct SignalRow {
  const char* name;
  int signal_number;
  bool ignored_at_start;
  bool flag_raised;
};

TEST(InterruptTest, SignalsRaiseTheFlagInsteadOfEndingTheProgram) {
  const SignalRow rows[] = {
      {"Ctrl-C", SIGINT, false, true},
      {"kill", SIGTERM, false, true},
      {"terminal closed", SIGHUP, false, true},
      // Started under nohup: the run goes on when the terminal closes.
      {"terminal closed, ignored at start", SIGHUP, true, false},
      {"Ctrl-C, ignored at start", SIGINT, true, false},
  };
  for (const SignalRow& row : rows) {
    const std::optional<int> status = in_child([&row] {
      if (row.ignored_at_start) signal(row.signal_number, SIG_IGN);
      catch_interrupts();
      if (interrupted()) return 2;
      raise(row.signal_number);
      raise(row.signal_number);  // a second one changes nothing
      return interrupted() == row.flag_raised ? 0 : 1;
    });
    EXPECT_EQ(exit_code(status), 0) << row.name;
  }
}

TEST(InterruptTest, InterruptedOutputLeavesTheTargetAsItWas) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const fs::path target = dir.path() / "out.csv";
  ASSERT_TRUE(write_bytes(target, "old"));
  // The program's way: poll the flag, leave the scope of its outputs, exit 130.
  const std::optional<int> status = in_child([&target] {
    catch_interrupts();
    {
      AtomicOutput out;
      if (!out.open(target)) return 2;
      for (int row = 0; row < 1000; ++row) {
        if (row == 500) raise(SIGINT);
        if (interrupted()) break;
        if (!out.write("a,b,0.5\n")) return 3;
      }
      if (!interrupted()) return 4;
    }
    return kInterruptedStatus;
  });
  EXPECT_EQ(exit_code(status), kInterruptedStatus);
  EXPECT_EQ(read_bytes(target), "old");
  std::size_t entries = 0;
  for ([[maybe_unused]] const fs::directory_entry& entry : fs::directory_iterator(dir.path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 1u) << "a temporary file was left";
}

}  // namespace
}  // namespace codetwin::platform
