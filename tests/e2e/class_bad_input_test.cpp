// codetwin-class on bad input: each case gets a message naming the thing,
// the exit status given, and nothing written that should not be.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/class_fixtures.h"

namespace codetwin::testing {
namespace {

namespace fs = std::filesystem;

void two_sources(const ScratchDir& dir) {
  put(dir, "class/a.c", example("file1.c"));
  put(dir, "class/b.c", example("file2.c"));
}

struct Row {
  const char* name;
  std::function<void(const ScratchDir&)> setup;
  std::vector<std::string> args;
  int status;
  std::string err;                     // standard error holds this
  std::vector<std::string> added = {}; // the files the run may add (all of them)
  bool as_nobody = false;
  std::string out = {};                // standard output holds this
};

void run_row(const Row& row) {
  ScratchDir dir;
  if (row.setup) row.setup(dir);
  const auto before = tree_state(dir.path());
  ClassRunOptions options;
  options.args = row.args;
  options.env["LC_ALL"] = "C.UTF-8";
  options.as_nobody = row.as_nobody;
  if (row.as_nobody) chmod(dir.path().c_str(), 0777);
  const ClassRunResult run = run_class(dir.path(), options);
  EXPECT_EQ(run.exit_status, row.status) << row.name << "\n" << run.err;
  EXPECT_NE(run.err.find(row.err), std::string::npos) << row.name << "\n" << run.err;
  EXPECT_NE(run.out.find(row.out), std::string::npos) << row.name << "\n" << run.out;
  auto after = tree_state(dir.path());
  for (const std::string& added : row.added) {
    EXPECT_EQ(after.count(added), 1u) << row.name << ": " << added << " was not written";
    after.erase(added);
  }
  EXPECT_EQ(after, before) << row.name << ": files changed or added";
}

const std::string kUsage = "用法：codetwin-class [选项] 路径...";

TEST(ClassBadInputTest, CommandLine) {
  const Row rows[] = {
      {"no path", two_sources, {}, 2, "没有给出作业的路径\n" + kUsage},
      {"top not a number", two_sources, {"class", "--top", "abc"}, 2, kUsage},
      {"top negative", two_sources, {"class", "--top", "-3"}, 2, kUsage},
      {"min above 1", two_sources, {"class", "--min", "1.5"}, 2, kUsage},
      {"min not a number", two_sources, {"class", "--min", "x"}, 2, kUsage},
      {"group-at missing its value", two_sources, {"class", "--group-at"}, 2, kUsage},
      {"sort unknown", two_sources, {"class", "--sort", "name"}, 2, kUsage},
      {"jobs zero", two_sources, {"class", "-j", "0"}, 2, kUsage},
      {"unknown option", two_sources, {"class", "--frobnicate"}, 2, kUsage},
      {"empty extension list", two_sources, {"class", "--ext", ","}, 2, "--ext"},
      {"empty output name", two_sources, {"class", "--csv", ""}, 2, "--csv"},
      {"top given twice", two_sources, {"class", "--top", "1", "--top", "2"}, 2, kUsage},
      {"min not a number at all", two_sources, {"class", "--min", "nan"}, 2, "--min"},
      {"group-at infinite", two_sources, {"class", "--group-at", "inf"}, 2, "--group-at"},
  };
  for (const Row& row : rows) run_row(row);
}

// The verdict's options: every bad value is refused before anything is
// read or written, the outputs asked for included.
TEST(ClassBadInputTest, VerdictOptions) {
  const std::vector<std::string> outputs = {"--csv", "o.csv", "--json", "o.json", "--html", "o.html"};
  auto with_outputs = [&](std::vector<std::string> args) {
    args.insert(args.end(), outputs.begin(), outputs.end());
    return args;
  };
  const Row rows[] = {
      {"flag-at zero", two_sources, with_outputs({"class", "--flag-at", "0"}), 2, "--flag-at"},
      {"flag-at negative", two_sources, with_outputs({"class", "--flag-at", "-1"}), 2, "--flag-at"},
      {"flag-at above 2", two_sources, with_outputs({"class", "--flag-at", "2.5"}), 2, "--flag-at"},
      {"flag-at nan", two_sources, with_outputs({"class", "--flag-at", "nan"}), 2, "--flag-at"},
      {"flag-at not a number", two_sources, with_outputs({"class", "--flag-at", "1x"}), 2,
       "--flag-at"},
      {"flag-at missing its value", two_sources, with_outputs({"class", "--flag-at"}), 2, kUsage},
      {"common one", two_sources, with_outputs({"class", "--common", "1"}), 2, "--common"},
      {"common zero", two_sources, with_outputs({"class", "--common", "0"}), 2, "--common"},
      {"common negative", two_sources, with_outputs({"class", "--common", "-6"}), 2, "--common"},
      {"common a fraction", two_sources, with_outputs({"class", "--common", "2.5"}), 2,
       "--common"},
      {"common not a number", two_sources, with_outputs({"class", "--common", "many"}), 2,
       "--common"},
      {"sort by evidence misspelt", two_sources, with_outputs({"class", "--sort", "evidenc"}), 2,
       "--sort"},
  };
  for (const Row& row : rows) run_row(row);
}

TEST(ClassBadInputTest, PathsAndSubmissions) {
  const Row rows[] = {
      {"path does not exist", two_sources, {"class", "nothere"}, 2, "路径不存在：nothere"},
      {"class folder does not exist", nullptr, {"nothere"}, 2, "路径不存在：nothere"},
      {"one file", two_sources, {"class/a.c"}, 2, "至少需要两份作业"},
      {"folder with one source",
       [](const ScratchDir& dir) { put(dir, "class/a.c", example("file1.c")); },
       {"class"}, 2, "至少需要两份作业"},
      {"empty folder", [](const ScratchDir& dir) { fs::create_directory(dir.file("class")); },
       {"class"}, 2, "至少需要两份作业"},
      {"folder without sources",
       [](const ScratchDir& dir) {
         put(dir, "class/a.txt", "x");
         put(dir, "class/b/readme.md", "y");
       },
       {"class"}, 2, "文件夹中没有源文件，不作为作业：b"},
      {"only earlier submissions", two_sources, {"class/a.c", "--old", "class"}, 2, "同一份作业给出了两次"},
      {"same file twice", two_sources, {"class/a.c", "class/a.c"}, 2, "同一份作业给出了两次：class/a.c"},
      {"template missing", two_sources, {"class", "--base", "nothere.c"}, 2, "路径不存在：nothere.c"},
      {"old folder missing", two_sources, {"class", "--old", "nothere"}, 2, "路径不存在：nothere"},
  };
  for (const Row& row : rows) run_row(row);
}

TEST(ClassBadInputTest, UnreadableSubmissionsAreSkippedAndListed) {
  if (testing_windows_class_build()) {
    // Wine runs as the prefix's owner only, and shows a link as what it
    // leads to (a dangling one not at all).
    GTEST_SKIP() << "permissions as nobody, FIFOs, devices and symbolic links are POSIX's";
  }
  auto three = [](const ScratchDir& dir) {
    two_sources(dir);
    put(dir, "class/c.c", example("file1.c"));
  };
  const Row rows[] = {
      {"unreadable file",
       [three](const ScratchDir& dir) {
         three(dir);
         chmod(dir.file("class/c.c").c_str(), 0);
       },
       {"class", "--json", "out.json"}, 1, "警告：跳过作业 c.c（无法读取）", {"out.json"}, true,
       "未能读取、没有比较的作业（1 份）：\n  c.c：无法读取\n"},
      {"FIFO", [three](const ScratchDir& dir) {
         three(dir);
         mkfifo(dir.file("class/d.c").c_str(), 0644);
       },
       {"class"}, 1, "警告：跳过作业 d.c（不是普通文件）", {}, false, "作业 3 份"},
      {"device through a link", [three](const ScratchDir& dir) {
         three(dir);
         fs::create_symlink("/dev/zero", dir.file("class/z.c"));
       },
       {"class"}, 1, "警告：跳过作业 z.c（不是普通文件）"},
      {"dangling link", [three](const ScratchDir& dir) {
         three(dir);
         fs::create_symlink("gone.c", dir.file("class/g.c"));
       },
       {"class"}, 1, "警告：跳过作业 g.c（文件不存在）"},
      {"folder where a file is expected", [three](const ScratchDir& dir) {
         three(dir);
         fs::create_directory(dir.file("elsewhere"));
         fs::create_symlink("../elsewhere", dir.file("class/f.c"));
       },
       {"class"}, 1, "警告：跳过作业 f.c（不是普通文件）"},
      {"unreadable file of a folder submission", [three](const ScratchDir& dir) {
         three(dir);
         put(dir, "class/e/main.c", example("file2.c"));
         put(dir, "class/e/util.c", "int u;");
         chmod(dir.file("class/e/util.c").c_str(), 0);
       },
       {"class"}, 1, "警告：跳过作业 e（e/util.c：无法读取）", {}, true},
      {"unlistable folder of a folder submission", [three](const ScratchDir& dir) {
         three(dir);
         put(dir, "class/e/sub/main.c", example("file2.c"));
         chmod(dir.file("class/e/sub").c_str(), 0);
       },
       {"class"}, 1, "警告：跳过作业 e（e/sub：无法列出文件夹的内容）", {}, true},
      {"link to a folder is not followed", [three](const ScratchDir& dir) {
         three(dir);
         fs::create_directory(dir.file("elsewhere"));
         put(dir, "elsewhere/x.c", example("file2.c"));
         fs::create_symlink("../elsewhere", dir.file("class/linked"));
       },
       {"class"}, 0, "注意：不跟随指向文件夹的链接：linked", {}, false, "作业 3 份"},
      {"too few left to compare", [](const ScratchDir& dir) {
         two_sources(dir);
         chmod(dir.file("class/b.c").c_str(), 0);
       },
       {"class"}, 2, "至少需要两份作业", {}, true},
  };
  for (const Row& row : rows) run_row(row);
}

TEST(ClassBadInputTest, OutputsThatCannotBeWritten) {
  const Row rows[] = {
      {"folder missing", two_sources, {"class", "--csv", "no/such/out.csv"}, 1,
       "无法写出输出文件：no/such/out.csv"},
      {"output is a folder", [](const ScratchDir& dir) {
         two_sources(dir);
         fs::create_directory(dir.file("out.csv"));
       },
       {"class", "--csv", "out.csv"}, 1, "无法写出输出文件：out.csv"},
      {"output is a submission", two_sources, {"class", "--csv", "class/a.c"}, 1,
       "输出文件是一份作业或模板的源文件，不能覆盖：class/a.c"},
      {"output is a submission through a link", [](const ScratchDir& dir) {
         two_sources(dir);
         fs::create_symlink("class/b.c", dir.file("out.json"));
       },
       {"class", "--json", "out.json"}, 1, "不能覆盖：out.json"},
      {"output is the template", [](const ScratchDir& dir) {
         two_sources(dir);
         put(dir, "base.c", "int x;");
       },
       {"class", "--base", "base.c", "--json", "base.c"}, 1, "不能覆盖：base.c"},
      {"two outputs in one file", two_sources, {"class", "--csv", "o", "--json", "o"}, 2,
       "两个输出是同一个文件：o"},
      {"second output fails, first not written either", two_sources,
       {"class", "--csv", "good.csv", "--json", "no/such/out.json"}, 1, "no/such/out.json"},
  };
  for (const Row& row : rows) run_row(row);
}

TEST(ClassBadInputTest, OutputInAFolderThatCannotBeWritten) {
  if (testing_windows_class_build()) GTEST_SKIP() << "permissions as nobody are POSIX's";
  run_row({"read-only folder",
           [](const ScratchDir& dir) {
             two_sources(dir);
             fs::create_directory(dir.file("locked"));
             chmod(dir.file("locked").c_str(), 0555);
           },
           {"class", "--csv", "locked/out.csv"}, 1, "无法写出输出文件：locked/out.csv", {}, true});
}

TEST(ClassBadInputTest, StandardOutputThatCannotBeWrittenIsAFailure) {
  ScratchDir dir;
  two_sources(dir);
  ClassRunOptions options;
  options.args = {"class"};
  options.stdout_full = true;
  const ClassRunResult run = run_class(dir.path(), options);
  EXPECT_EQ(run.exit_status, 1);
}

TEST(ClassBadInputTest, EmptySubmissionsScoreNaNAndSortLast) {
  ScratchDir dir;
  put(dir, "class/a.c", example("file1.c"));
  put(dir, "class/e1.c", "");
  put(dir, "class/e2.c", "只有中文，没有代码\n");
  const ClassRunResult run = run_utf8(dir.path(), {"class", "--csv", "o.csv"});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  const auto rows = csv_rows(dir.read("o.csv").value_or(""));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[3][0] + " " + rows[3][1] + " " + rows[3][2] + " " + rows[3][6],
            "e1.c e2.c nan 0");
  EXPECT_NE(run.out.find("1 对的两份都没有可比的内容，相似度为 nan"), std::string::npos) << run.out;
}

TEST(ClassBadInputTest, TenThousandSubmissions) {
  ScratchDir dir;
  // 50 million pairs: the submissions are one-liners, so that the run
  // measures the bookkeeping of that many pairs rather than tiling, and one
  // in a thousand is the example program, so that some pairs are suspected.
  for (int k = 0; k < 10000; ++k) {
    const std::string name = std::string("class/s") + std::to_string(k) + ".c";
    put(dir, name, k % 1000 == 0 ? example("file1.c") : "x;\n");
  }
  const ClassRunResult run = run_utf8(dir.path(), {"class", "--top", "3"});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  // Ten copies of one program are more than the verdict sees through as a
  // group: each one's typical classmate is a copy. codetwin's 0.8 marks them.
  EXPECT_TRUE(run.out.starts_with("作业 10000 份，比较了 49995000 对，标记 0 对为疑似抄袭"))
      << run.out.substr(0, 200);
  EXPECT_NE(run.out.find("codetwin 按相似度 0.8 判为有抄袭嫌疑的 45 对中，45 对没有标记"),
            std::string::npos)
      << run.out.substr(0, 1000);
  EXPECT_NE(run.out.find("   1  0.00   1.000000  +0.000000  s0.c   s1000.c        72"),
            std::string::npos)
      << run.out.substr(0, 1000);
}

TEST(ClassBadInputTest, HundredMegabyteSubmission) {
  ScratchDir dir;
  put(dir, "class/a.c", example("file1.c"));
  put(dir, "class/b.c", example("file2.c"));
  {
    // 100 MB: the example's statements over and over, and a last line that
    // is the whole of file1.c, so the pair with a.c finds it.
    std::string big;
    big.reserve(100u << 20);
    const std::string line = "\tsum = sum + i; /* 累加 */ k++;\n";
    while (big.size() < (100u << 20)) big += line;
    big += example("file1.c");
    put(dir, "class/big.c", big);
  }
  const ClassRunResult run = run_utf8(dir.path(), {"class", "--csv", "o.csv"});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  const auto rows = csv_rows(dir.read("o.csv").value_or(""));
  ASSERT_EQ(rows.size(), 4u);
  std::set<std::string> pairs;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    pairs.insert(rows[r][0] + " " + rows[r][1] + " " + rows[r][3]);
  }
  EXPECT_EQ(pairs.count("a.c big.c 72"), 1u);
  EXPECT_EQ(pairs.count("a.c b.c 66"), 1u);
}

// A bad command line is answered in Chinese only: the whole of standard
// error is the message and the usage line, nothing is written.
TEST(ClassBadInputTest, CommandLineErrorsAreTold) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {"unknown options", {"class", "--piece", "--slice"}, "不认识的选项：--piece --slice"},
      {"value out of range", {"class", "--min", "2"}, "--min 的值应在 0 到 1 之间，而不是 2"},
      {"value missing", {"class", "--csv"}, "--csv 后面缺少值"},
      {"not one of the choices", {"class", "--sort", "name"},
       "--sort 的值只能是 evidence、similarity、margin 之一，而不是 name"},
      {"given twice", {"class", "--top", "1", "--top", "2"}, "--top 只能给出一次"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    two_sources(dir);
    const auto before = tree_state(dir.path());
    const ClassRunResult run = run_utf8(dir.path(), c.args);
    EXPECT_EQ(run.exit_status, 2) << c.name;
    EXPECT_EQ(run.out, "") << c.name;
    EXPECT_EQ(run.err, "codetwin-class：" + c.message + "\n" + kUsage +
                           "（codetwin-class --help 显示说明）\n")
        << c.name;
    EXPECT_EQ(tree_state(dir.path()), before) << c.name;
  }
}

}  // namespace
}  // namespace codetwin::testing
