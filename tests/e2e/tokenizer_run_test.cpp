// End to end, up to the success line: the four files and the failures.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/dialogue.h"
#include "tests/e2e/program_runner.h"
#include "tests/e2e/worked_pair.h"

namespace codetwin::testing {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

const Names kAllSix = {"file1.c", "file2.c", "list1.txt", "list2.txt", "token1.txt", "token2.txt"};

TEST(TokenizerRunTest, WorkedPairWritesAllFourFilesByteForByte) {
  ScratchDir dir;
  put_worked_pair(dir);
  RunResult run = run_codetwin(dir.path(), answers("n"));
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(dir.read("token1.txt"), kTokens1);
  EXPECT_EQ(dir.read("token2.txt"), kTokens2);
  EXPECT_EQ(dir.read("list1.txt"), stored_legend() + kList1Records);
  EXPECT_EQ(dir.read("list2.txt"), stored_legend() + kList2Records);
  EXPECT_EQ(dir.names(), kAllSix);
}

TEST(TokenizerRunTest, CrLfSourcesGiveTheSameFiles) {
  ScratchDir dir;
  for (const char* name : {"file1.c", "file2.c"}) {
    std::string source = example_source(name), crlf;
    for (char ch : source) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    dir.write(name, crlf);
  }
  EXPECT_EQ(run_codetwin(dir.path(), answers("n")).exit_status, 0);
  EXPECT_EQ(dir.read("token1.txt"), kTokens1);
  EXPECT_EQ(dir.read("list2.txt"), stored_legend() + kList2Records);
}

TEST(TokenizerRunTest, NoSourceCreatesNothing) {
  ScratchDir dir;
  RunResult run = run_codetwin(dir.path(), "\n\n");
  EXPECT_EQ(run.output, Dialogue().request().failure(texts::kSourceUnopenable).str());
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(dir.names(), Names{});
}

TEST(TokenizerRunTest, OnlyFirstSourceWritesItsFilesThenFails) {
  ScratchDir dir;
  dir.write("file1.c", example_source("file1.c"));
  RunResult run = run_codetwin(dir.path(), "\n\n");
  EXPECT_EQ(run.output, Dialogue().request().failure(texts::kSourceUnopenable).str());
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(dir.names(), (Names{"file1.c", "list1.txt", "token1.txt"}));
  EXPECT_EQ(dir.read("token1.txt"), kTokens1);
}

// What is left when a source fails: nothing for the first, the first
// source's two files for the second.
struct SourceFailureRow {
  const char* source;
  Names names;
};

const SourceFailureRow kSourceFailures[] = {
    {"file1.c", {"file1.c", "file2.c"}},
    {"file2.c", {"file1.c", "file2.c", "list1.txt", "token1.txt"}},
};

TEST(TokenizerRunTest, DirectoryNamedAsSourceCannotBeOpened) {
  for (const SourceFailureRow& row : kSourceFailures) {
    ScratchDir dir;
    put_worked_pair(dir);
    fs::remove(dir.file(row.source));
    fs::create_directory(dir.file(row.source));
    RunResult run = run_codetwin(dir.path(), "\n\n");
    EXPECT_EQ(run.output, Dialogue().request().failure(texts::kSourceUnopenable).str())
        << row.source;
    EXPECT_EQ(run.exit_status, 1) << row.source;
    EXPECT_EQ(dir.names(), row.names) << row.source;
  }
}

TEST(TokenizerRunTest, ReadOnlySourceIsAcceptedFromAUserWhoCannotWriteIt) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to drop to nobody";
  if (testing_windows_build()) GTEST_SKIP() << "POSIX permissions";
  ScratchDir dir;
  put_worked_pair(dir);
  fs::permissions(dir.path(), fs::perms::all);
  for (const char* name : {"file1.c", "file2.c"}) {
    fs::permissions(dir.file(name), fs::perms::owner_read | fs::perms::group_read |
                                        fs::perms::others_read);
  }
  RunOptions as_nobody;
  as_nobody.as_nobody = true;
  RunResult run = run_codetwin(dir.path(), answers("n"), as_nobody);
  EXPECT_EQ(run.exit_status, 0) << run.output;
  EXPECT_EQ(dir.read("token2.txt"), kTokens2);
}

TEST(TokenizerRunTest, UnreadableSourceCannotBeOpened) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to drop to nobody";
  if (testing_windows_build()) GTEST_SKIP() << "POSIX permissions";
  for (const SourceFailureRow& row : kSourceFailures) {
    ScratchDir dir;
    put_worked_pair(dir);
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(dir.file(row.source), fs::perms::owner_read);
    RunOptions as_nobody;
    as_nobody.as_nobody = true;
    RunResult run = run_codetwin(dir.path(), "\n", as_nobody);
    EXPECT_EQ(run.output, Dialogue().request().failure(texts::kSourceUnopenable).str())
        << row.source;
    EXPECT_EQ(run.exit_status, 1) << row.source;
    EXPECT_EQ(dir.names(), row.names) << row.source;
  }
}

// A full disk: writing, flushing or closing fails, and the run must say so.
TEST(TokenizerRunTest, WriteErrorOnAnyOutputFails) {
  if (testing_windows_build()) GTEST_SKIP() << "/dev/full is Linux's";
  for (const char* output : {"list1.txt", "token1.txt", "list2.txt", "token2.txt"}) {
    ScratchDir dir;
    put_worked_pair(dir);
    fs::create_symlink("/dev/full", dir.file(output));
    RunResult run = run_codetwin(dir.path(), "\n\n");
    EXPECT_EQ(run.output, Dialogue().request().failure(texts::kWriteFailed).str()) << output;
    EXPECT_EQ(run.exit_status, 1) << output;
  }
}

// An output that is a folder cannot be created. The run stops there; what
// was written before stays, and a list file created just before its token
// file fails stays empty.
TEST(TokenizerRunTest, OutputThatCannotBeCreatedFails) {
  struct Row {
    const char* output;
    std::map<std::string, std::string> files;  // the regular files left, with their bytes
  };
  const std::string list1 = stored_legend() + kList1Records;
  const Row rows[] = {
      {"list1.txt", {}},
      {"token1.txt", {{"list1.txt", ""}}},
      {"list2.txt", {{"list1.txt", list1}, {"token1.txt", kTokens1}}},
      {"token2.txt", {{"list1.txt", list1}, {"token1.txt", kTokens1}, {"list2.txt", ""}}},
  };
  for (const Row& row : rows) {
    ScratchDir dir;
    put_worked_pair(dir);
    fs::create_directory(dir.file(row.output));
    RunResult run = run_codetwin(dir.path(), "\n\n");
    EXPECT_EQ(run.output, Dialogue().request().failure(texts::kWriteFailed).str()) << row.output;
    EXPECT_EQ(run.exit_status, 1) << row.output;
    Names names = {"file1.c", "file2.c", row.output};
    for (const auto& [name, bytes] : row.files) {
      names.push_back(name);
      EXPECT_EQ(dir.read(name), bytes) << row.output << ": " << name;
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(dir.names(), names) << row.output;
    EXPECT_TRUE(fs::is_directory(dir.file(row.output))) << row.output;
  }
}

TEST(TokenizerRunTest, FiftyThousandWordsAreAllKept) {
  ScratchDir dir;
  std::string source;
  for (int i = 0; i < 50000; ++i) source += "w ";
  dir.write("file1.c", source);
  dir.write("file2.c", "");
  RunResult run = run_codetwin(dir.path(), answers("n"));
  EXPECT_EQ(run.exit_status, 0);
  std::string ids;
  for (int i = 0; i < 50000; ++i) ids += "id";
  EXPECT_EQ(dir.read("token1.txt"), ids);
  std::string list = dir.read("list1.txt").value_or("");
  EXPECT_TRUE(list.ends_with("(C,w,49998)\r\n(C,w,49999)\r\n"));
  EXPECT_EQ(run.output, full_run(100000, 0, 0, "0.000000", false));
}

TEST(TokenizerRunTest, ArgumentsAreIgnored) {
  struct Row {
    const char* name;
    std::vector<std::string> args;
  };
  std::vector<std::string> many;
  for (int i = 0; i < 1000; ++i) many.push_back("file" + std::to_string(i) + ".c");
  const Row rows[] = {
      {"options and a file name", {"--help", "-x", "file3.c"}},
      {"empty argument", {""}},
      {"a dash and a double dash", {"-", "--"}},
      {"the source names swapped", {"file2.c", "file1.c"}},
      {"bytes that are no text", {"\xff\xfe\x1a\r", "\xd6\xd0\t \n"}},
      // Windows takes command lines of up to 32,767 characters.
      {"one argument of 30,000 bytes", {std::string(30000, 'a')}},
      {"a thousand arguments", many},
  };
  for (const Row& row : rows) {
    ScratchDir dir;
    put_worked_pair(dir);
    RunOptions options;
    options.args = row.args;
    RunResult run = run_codetwin(dir.path(), answers("n"), options);
    EXPECT_EQ(run.output, full_run(72, 76, 66, "0.891892", true)) << row.name;
    EXPECT_EQ(run.exit_status, 0) << row.name;
    EXPECT_EQ(dir.names(), kAllSix) << row.name;
  }
}

}  // namespace
}  // namespace codetwin::testing
