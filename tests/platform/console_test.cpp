// The POSIX console with its standard streams pointed at files: the locale
// decides the output encoding, nothing but text reaches a file, every read
// flushes the prompt first, and the two reads share one input buffer.
#include "platform/console.h"

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/texts.h"
#include "tests/platform/std_streams.h"
#include "tests/platform/temp_dir.h"

namespace codetwin::platform {
namespace {

using codetwin::testing::read_bytes;
using codetwin::testing::Redirect;
using codetwin::testing::ScopedEnv;
using codetwin::testing::TempDir;
using codetwin::testing::write_bytes;

class ConsoleTest : public ::testing::Test {
 protected:
  void TearDown() override { std::setlocale(LC_ALL, "C"); }

  std::string out_path() const { return dir_.file("stdout"); }
  std::string in_path() const { return dir_.file("stdin"); }

  Redirect stdout_to_file() const {
    return Redirect(STDOUT_FILENO, out_path(), O_WRONLY | O_CREAT | O_TRUNC);
  }
  Redirect stdin_from(std::string_view bytes) const {
    EXPECT_TRUE(write_bytes(in_path(), bytes));
    return Redirect(STDIN_FILENO, in_path(), O_RDONLY);
  }

  TempDir dir_;
};

struct LocaleRow {
  const char* name;
  const char* lc_all;
  const char* lc_ctype;
  const char* lang;
  bool utf8;
};

TEST_F(ConsoleTest, OutputEncodingFollowsTheLocale) {
  const LocaleRow rows[] = {
      {"UTF-8 locale", "C.UTF-8", nullptr, nullptr, true},
      {"C locale", "C", nullptr, nullptr, false},
      {"no locale set", nullptr, nullptr, nullptr, false},
      {"LANG alone", nullptr, nullptr, "C.UTF-8", true},
      {"LC_ALL over a UTF-8 LANG", "C", nullptr, "C.UTF-8", false},
      {"UTF-8 LC_ALL over LANG", "C.UTF-8", nullptr, "C", true},
      {"LC_CTYPE over LANG", nullptr, "C.UTF-8", "C", true},
      {"uninstalled UTF-8 locale, by its name", "xx_XX.UTF-8", nullptr, nullptr, true},
      {"uninstalled GBK locale", "zh_CN.GBK", nullptr, nullptr, false},
  };
  for (const LocaleRow& row : rows) {
    ScopedEnv env({{"LC_ALL", row.lc_all}, {"LC_CTYPE", row.lc_ctype}, {"LANG", row.lang}});
    {
      Redirect out = stdout_to_file();
      ASSERT_TRUE(out.ok());
      init_console();
      print(texts::kRequest.gbk);
      print("\n");
      flush_console();
    }
    const texts::Text& text = texts::kRequest;
    EXPECT_EQ(read_bytes(out_path()), std::string(row.utf8 ? text.utf8 : text.gbk) + "\n")
        << row.name;
  }
}

TEST_F(ConsoleTest, NumbersKeepTheCLocale) {
  ScopedEnv env({{"LC_ALL", "C.UTF-8"}, {"LC_CTYPE", nullptr}, {"LANG", nullptr}});
  init_console();
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  EXPECT_STRNE(std::setlocale(LC_CTYPE, nullptr), "C");
}

TEST_F(ConsoleTest, ClearingWritesNothingIntoAFile) {
  {
    Redirect out = stdout_to_file();
    ASSERT_TRUE(out.ok());
    clear_console();
    print("x");
  }
  EXPECT_EQ(read_bytes(out_path()), "x");
}

TEST_F(ConsoleTest, ReadsFlushThePromptFirst) {
  std::string before_char, before_key;
  int ch = 0, key = 0;
  {
    Redirect out = stdout_to_file();
    Redirect in = stdin_from("ab");
    ASSERT_TRUE(out.ok() && in.ok());
    print("question ");
    ch = read_char();
    before_char = read_bytes(out_path());
    print("press a key");
    key = read_key();
    before_key = read_bytes(out_path());
  }
  EXPECT_EQ(ch, 'a');
  EXPECT_EQ(before_char, "question ");
  EXPECT_EQ(key, 'b');
  EXPECT_EQ(before_key, "question press a key");
}

struct ReadRow {
  const char* name;
  std::string input;
  std::string calls;  // 'c' read_char, 'k' read_key
  std::vector<int> results;
};

TEST_F(ConsoleTest, ReadsShareOneBufferAndEndOfInputLasts) {
  constexpr int kEnd = kEndOfInput;
  const ReadRow rows[] = {
      {"empty input", "", "ckck", {kEnd, kEnd, kEnd, kEnd}},
      {"key left in the line", "xy\n", "ckcc", {'x', 'y', '\n', kEnd}},
      {"typed-ahead answers", "y\nn\n", "cccck", {'y', '\n', 'n', '\n', kEnd}},
      {"end of input every time", "a", "cccck", {'a', kEnd, kEnd, kEnd, kEnd}},
      {"bytes above 127", "\xFF\xC4", "ck", {0xFF, 0xC4}},
  };
  for (const ReadRow& row : rows) {
    std::vector<int> results;
    {
      Redirect in = stdin_from(row.input);
      ASSERT_TRUE(in.ok()) << row.name;
      for (char call : row.calls) results.push_back(call == 'c' ? read_char() : read_key());
    }
    EXPECT_EQ(results, row.results) << row.name;
  }
}

TEST_F(ConsoleTest, ClosedStandardInputIsEndOfInput) {
  std::vector<int> results;
  {
    // A run started with no stdin at all: the descriptor is closed. The
    // redirect only puts the test's own stdin back afterwards.
    Redirect in = stdin_from("");
    close(STDIN_FILENO);
    for (int i = 0; i < 3; ++i) results.push_back(i == 1 ? read_key() : read_char());
  }
  EXPECT_EQ(results, std::vector<int>(3, kEndOfInput));
}

}  // namespace
}  // namespace codetwin::platform
