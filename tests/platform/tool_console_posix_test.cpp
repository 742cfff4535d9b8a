// A tool's console on POSIX: the locale decides the charset as it does for
// codetwin, names and texts follow it, every write is checked, and progress
// is drawn only on a terminal.
#include <fcntl.h>
#include <stdlib.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/tool_console.h"
#include "tests/platform/std_streams.h"
#include "tests/platform/temp_dir.h"

namespace codetwin::platform {
namespace {

using codetwin::testing::read_bytes;
using codetwin::testing::Redirect;
using codetwin::testing::ScopedEnv;
using codetwin::testing::TempDir;

class ToolConsoleTest : public ::testing::Test {
 protected:
  void TearDown() override {
    std::clearerr(stdout);
    std::setlocale(LC_ALL, "C");
    ScopedEnv env({{"LC_ALL", "C"}});
    init_tool_console();
  }

  // Initialised under LC_ALL=`locale` alone.
  void init_under(const char* locale) {
    ScopedEnv env({{"LC_ALL", locale}, {"LC_CTYPE", nullptr}, {"LANG", nullptr}});
    init_tool_console();
  }

  TempDir dir_;
};

struct LocaleRow {
  const char* locale;
  Charset charset;
  std::string text;      // "对数：" as shown
  std::string name;      // "作业\n.c" (UTF-8) as shown
  std::string gbk_name;  // "\xC4\xE3.c" (GBK bytes) as shown
};

TEST_F(ToolConsoleTest, CharsetFollowsTheLocaleAndNamesFollowTheCharset) {
  const std::string r = "\xEF\xBF\xBD";
  const LocaleRow rows[] = {
      {"C.UTF-8", Charset::kUtf8, "对数：", "作业\\n.c", r + r + ".c"},
      {"xx_XX.UTF-8", Charset::kUtf8, "对数：", "作业\\n.c", r + r + ".c"},
      {"C", Charset::kGbk, "\xB6\xD4\xCA\xFD\xA3\xBA", "作业\\n.c", "\xC4\xE3.c"},
      {"zh_CN.GBK", Charset::kGbk, "\xB6\xD4\xCA\xFD\xA3\xBA", "作业\\n.c", "\xC4\xE3.c"},
  };
  for (const LocaleRow& row : rows) {
    init_under(row.locale);
    EXPECT_EQ(console_charset(), row.charset) << row.locale;
    EXPECT_EQ(text_for_console("对数："), row.text) << row.locale;
    EXPECT_EQ(name_for_console("作业\n.c"), row.name) << row.locale;
    EXPECT_EQ(name_for_console("\xC4\xE3.c"), row.gbk_name) << row.locale;
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C") << row.locale;
  }
}

TEST_F(ToolConsoleTest, WritesReachTheirStreamsAsBytes) {
  const std::string out_path = dir_.file("stdout"), err_path = dir_.file("stderr");
  bool written = false;
  {
    Redirect out(STDOUT_FILENO, out_path, O_WRONLY | O_CREAT | O_TRUNC);
    Redirect err(STDERR_FILENO, err_path, O_WRONLY | O_CREAT | O_TRUNC);
    ASSERT_TRUE(out.ok() && err.ok());
    written = write_stdout("a\r\n\xB6\xD4\n") && write_stderr("\r12%") && write_stdout("") &&
              flush_stdout();
    EXPECT_FALSE(stderr_is_terminal());
  }
  EXPECT_TRUE(written);
  EXPECT_EQ(read_bytes(out_path), "a\r\n\xB6\xD4\n");
  EXPECT_EQ(read_bytes(err_path), "\r12%");
}

TEST_F(ToolConsoleTest, LostOutputIsReported) {
  bool out_flushed = true, err_written = true, later_flush = true;
  {
    Redirect out(STDOUT_FILENO, "/dev/full", O_WRONLY);
    Redirect err(STDERR_FILENO, "/dev/full", O_WRONLY);
    ASSERT_TRUE(out.ok() && err.ok());
    write_stdout("ranked pairs\n");  // buffered: the loss shows at the flush
    out_flushed = flush_stdout();
    later_flush = flush_stdout();  // and is not forgotten
    err_written = write_stderr("warning\n");
  }
  EXPECT_FALSE(out_flushed);
  EXPECT_FALSE(later_flush);
  EXPECT_FALSE(err_written);
}

TEST_F(ToolConsoleTest, StandardErrorOnATerminal) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  bool terminal = false;
  {
    Redirect err(STDERR_FILENO, ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_TRUE(err.ok());
    terminal = stderr_is_terminal();
  }
  close(master);
  EXPECT_TRUE(terminal);
}

TEST(ArgumentsTest, PosixGivesTheBytesAfterTheProgramName) {
  std::string program = "codetwin-class", spaced = "a b.c", gbk = "\xD7\xF7\xD2\xB5\xFF.c", empty;
  char* argv[] = {program.data(), spaced.data(), gbk.data(), empty.data(), nullptr};
  EXPECT_EQ(arguments(4, argv), (std::vector<std::string>{spaced, gbk, empty}));
  EXPECT_EQ(arguments(1, argv), std::vector<std::string>{});
}

}  // namespace
}  // namespace codetwin::platform
