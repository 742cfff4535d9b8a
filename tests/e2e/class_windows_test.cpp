// codetwin-class's Windows build with Chinese names, run under Wine with the
// ANSI code page of a Chinese Windows (936, which Wine takes from the
// locale it runs in) and with a Western one (1252): the names given on the
// command line and found in the folders come out exactly in the CSV, JSON
// and HTML (UTF-8), and in GBK on standard output, and every output is the
// Linux build's, byte for byte, once its text is in GBK with CR LF. And,
// on every build, the runner's reading of a Windows build's output.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/text_mode.h"
#include "platform/encoding.h"
#include "tests/archive/archive_maker.h"
#include "tests/e2e/class_fixtures.h"

namespace codetwin::testing {
namespace {

TEST(ClassWindowsOutputTest, ReadAsTheLinuxBuildPrintsIt) {
  struct Case {
    const char* name;
    std::string raw;
    bool utf8_locale;
    std::string expected;
  };
  const Case cases[] = {
      {"GBK stays GBK", "\xD7\xF7\xD2\xB5 2\r\n", false, "\xD7\xF7\xD2\xB5 2\n"},
      {"GBK read as UTF-8", "\xD7\xF7\xD2\xB5 2\r\n", true, "作业 2\n"},
      {"what GBK lacks stays '?'", "??.c\r\n", true, "??.c\n"},
      {"a lone CR of a redrawn line stays", "\xB1\xC8\xBD\xCF\r\r\n", true, "比较\r\n"},
      {"a bare LF spoils it, unconverted", "\xD7\xF7\n", true, std::string(kBareLf) + "\xD7\xF7\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(from_windows_console(c.raw, c.utf8_locale), c.expected) << c.name;
  }
}

// `utf8`, as the Linux build prints it on a UTF-8 console, as the Windows
// build writes the same text to a pipe.
std::string as_windows_writes(std::string_view utf8) {
  return encode_line_ends(platform::utf8_to_gbk(utf8), LineEnds::kCrLf);
}

// Chinese in every place a name can be: the class folder and the earlier
// class given as arguments, a file, a folder submission and the folder and
// file within it, names with a space or a comma, and the outputs' names.
void put_chinese_class(const ScratchDir& dir) {
  put(dir, "班级/张三.c", example("file1.c"));
  put(dir, "班级/李四/main.c", example("file2.c"));
  put(dir, "班级/李四/工具/辅助.h", "int 辅助(void){return 0;}\n");
  put(dir, "班级/王五 (重交).c", example("file1.c"));
  put(dir, "班级/赵六,钱七.c", example("file2.c"));
  put(dir, "往届/孙八.c", example("file1.c"));
}

const std::vector<std::string> kChineseArgs = {
    "班级", "--old", "往届", "--csv", "结果.csv", "--json", "结果.json", "--html", "报告.html"};
const std::vector<std::string> kChineseOutputs = {"结果.csv", "结果.json", "报告.html"};

struct Produced {
  ClassRunResult run;
  std::vector<std::string> files;  // kChineseOutputs' bytes
};

Produced produce(const ScratchDir& dir, ClassRunOptions options) {
  Produced produced{run_class(dir.path(), options), {}};
  for (const std::string& name : kChineseOutputs) {
    produced.files.push_back(dir.read(name).value_or("(not written)"));
  }
  return produced;
}

// The Linux build's run with `args` on a UTF-8 console: what the Windows
// build must give.
Produced linux_run(const ScratchDir& dir, const std::vector<std::string>& args) {
  ClassRunOptions linux_build;
  linux_build.own_build = true;
  linux_build.args = args;
  linux_build.env["LC_ALL"] = "C.UTF-8";
  return produce(dir, linux_build);
}

// The Windows build's run with `args` under Wine in `locale`, the outputs
// of the run before it removed first.
Produced windows_run(const ScratchDir& dir, const std::vector<std::string>& args, const char* locale) {
  for (const std::string& name : kChineseOutputs) std::filesystem::remove(dir.file(name));
  ClassRunOptions windows_build;
  windows_build.args = args;
  windows_build.env["LC_ALL"] = locale;
  return produce(dir, windows_build);
}

TEST(ClassWindowsTest, ChineseNamesInEitherAnsiCodePage) {
  if (!testing_windows_class_build()) {
    GTEST_SKIP() << "the Windows build's names and console text; the Linux build keeps a name's "
                    "bytes (AwkwardNamesAreListedQuotedAndKept)";
  }
  // Wine reads the host's names and arguments in the locale's charset: only
  // a locale that exists gives UTF-8 (windows.sh makes one, through LOCPATH).
  if (!locale_exists("zh_CN.UTF-8")) GTEST_SKIP() << "needs the zh_CN.UTF-8 locale for Wine";
  ScratchDir dir;
  put_chinese_class(dir);
  const auto before = tree_state(dir.path());

  const Produced expected = linux_run(dir, kChineseArgs);
  ASSERT_EQ(expected.run.exit_status, 0) << expected.run.err;

  // What the Linux build wrote is right in itself.
  EXPECT_NE(expected.run.out.find(
                "\n   2  1.50   1.000000  +0.000000  张三.c         往届/孙八.c     "),
            std::string::npos)
      << expected.run.out;
  EXPECT_NE(expected.run.out.find("\n李四           0.894118    赵六,钱七.c\n"), std::string::npos)
      << expected.run.out;
  EXPECT_TRUE(
      expected.run.out.ends_with("已写入：结果.csv\n已写入：结果.json\n已写入：报告.html\n"))
      << expected.run.out;
  const auto rows = csv_rows(expected.files[0]);
  ASSERT_EQ(rows.size(), 11u);
  // Ranked by evidence: in a class too small for statistics only the code a
  // pair shares counts, and 李四 and 赵六,钱七.c share the most.
  EXPECT_EQ(rows[1], (std::vector<std::string>{"李四", "赵六,钱七.c", "0.894118", "76", "94", "76",
                                               "1", "0.002226", "1.58", "1", "1.000", "1.000",
                                               "0.000", "0.792", "76", "76", "96"}));
  EXPECT_EQ(rows[2], (std::vector<std::string>{"张三.c", "往届/孙八.c", "1.000000", "72", "72",
                                               "72", "1", "0.000000", "1.50", "1", "1.000",
                                               "1.000", "0.000", "0.750", "72", "72", "96"}));
  const auto json = nlohmann::json::parse(expected.files[1]);
  EXPECT_EQ(json["options"]["paths"], "班级");
  EXPECT_EQ(json["options"]["old"], "往届");
  EXPECT_EQ(json["submissions"][2]["name"], "李四");
  EXPECT_EQ(json["submissions"][2]["files"],
            (std::vector<std::string>{"李四/main.c", "李四/工具/辅助.h"}));

  struct Row {
    const char* name;
    const char* locale;
  };
  for (const Row& row : {Row{"code page 936", "zh_CN.UTF-8"}, Row{"code page 1252", "C.UTF-8"}}) {
    const Produced got = windows_run(dir, kChineseArgs, row.locale);
    EXPECT_EQ(got.run.exit_status, 0) << row.name;
    EXPECT_EQ(got.run.raw_err, "") << row.name;
    EXPECT_EQ(got.run.raw_out, as_windows_writes(expected.run.out)) << row.name;
    // 张三.c and 李四 in GBK, whatever the code page.
    EXPECT_NE(got.run.raw_out.find("\r\n\xD5\xC5\xC8\xFD.c  "), std::string::npos) << row.name;
    EXPECT_NE(got.run.raw_out.find("\r\n\xC0\xEE\xCB\xC4  "), std::string::npos) << row.name;
    for (std::size_t k = 0; k < kChineseOutputs.size(); ++k) {
      EXPECT_EQ(got.files[k], expected.files[k]) << row.name << ": " << kChineseOutputs[k];
    }
  }
  auto after = tree_state(dir.path());
  for (const std::string& name : kChineseOutputs) after.erase(name);
  EXPECT_EQ(after, before);
}

// Korean and an emoji (a surrogate pair in UTF-16) have no GBK: the console
// shows '?' for each character, the files keep them.
TEST(ClassWindowsTest, NamesBeyondGbkAreExactInTheFiles) {
  if (!testing_windows_class_build()) GTEST_SKIP() << "the Windows build's console text";
  if (!locale_exists("zh_CN.UTF-8")) GTEST_SKIP() << "needs the zh_CN.UTF-8 locale for Wine";
  ScratchDir dir;
  put(dir, "class/ok.c", example("file1.c"));
  put(dir, "class/한글.c", example("file1.c"));
  put(dir, "class/😀.c", example("file2.c"));
  const std::vector<std::string> args = {"class", "--csv", "o.csv", "--json", "o.json"};
  ClassRunOptions linux_build;
  linux_build.own_build = true;
  linux_build.args = args;
  linux_build.env["LC_ALL"] = "C.UTF-8";
  const ClassRunResult expected = run_class(dir.path(), linux_build);
  ASSERT_EQ(expected.exit_status, 0) << expected.err;
  const std::string csv = dir.read("o.csv").value_or("");
  const std::string json = dir.read("o.json").value_or("");
  EXPECT_NE(csv.find("\r\nok.c,한글.c,1.000000,"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\r\n한글.c,😀.c,0.891892,"), std::string::npos) << csv;
  std::filesystem::remove(dir.file("o.csv"));
  std::filesystem::remove(dir.file("o.json"));

  ClassRunOptions windows_build;
  windows_build.args = args;
  windows_build.env["LC_ALL"] = "zh_CN.UTF-8";
  const ClassRunResult run = run_class(dir.path(), windows_build);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.raw_err, "");
  EXPECT_NE(run.raw_out.find("\r\nok.c  1.000000    ??.c\r\n??.c  1.000000    ok.c\r\n"
                             "?.c   0.891892    ok.c\r\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(dir.read("o.csv"), csv);
  EXPECT_EQ(dir.read("o.json"), json);
}

// A zip made on a Chinese Windows (GBK names, no UTF-8 flag), read by the
// Windows build in either ANSI code page: the names come out as the Linux
// build reads them, in the files and on the console.
TEST(ClassWindowsTest, GbkNamedZipInEitherAnsiCodePage) {
  if (!testing_windows_class_build()) GTEST_SKIP() << "the Windows build's reading of names";
  if (!locale_exists("zh_CN.UTF-8")) GTEST_SKIP() << "needs the zh_CN.UTF-8 locale for Wine";
  ScratchDir dir;
  put(dir, "班级.zip",
      make_archive(Format::kZipGbk, files({{"张三_2023001/main.c", example("file1.c")},
                                           {"李四.c", example("file2.c")},
                                           {"王五 (重交).c", example("file1.c")}})));
  const auto before = tree_state(dir.path());
  std::vector<std::string> args = kChineseArgs;
  args[0] = "班级.zip";
  args.erase(args.begin() + 1, args.begin() + 3);  // no --old

  const Produced expected = linux_run(dir, args);
  ASSERT_EQ(expected.run.exit_status, 0) << expected.run.err;
  EXPECT_NE(expected.run.out.find("\n张三_2023001   1.000000    王五 (重交).c\n"), std::string::npos)
      << expected.run.out;
  const auto rows = csv_rows(expected.files[0]);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[1][0] + "|" + rows[1][1], "张三_2023001|王五 (重交).c");

  for (const char* locale : {"zh_CN.UTF-8", "C.UTF-8"}) {  // code pages 936 and 1252
    const Produced got = windows_run(dir, args, locale);
    EXPECT_EQ(got.run.exit_status, 0) << locale;
    EXPECT_EQ(got.run.raw_err, "") << locale;
    EXPECT_EQ(got.run.raw_out, as_windows_writes(expected.run.out)) << locale;
    for (std::size_t k = 0; k < kChineseOutputs.size(); ++k) {
      EXPECT_EQ(got.files[k], expected.files[k]) << locale << ": " << kChineseOutputs[k];
    }
  }
  auto after = tree_state(dir.path());
  for (const std::string& name : kChineseOutputs) after.erase(name);
  EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace codetwin::testing
