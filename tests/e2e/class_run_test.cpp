// codetwin-class end to end: exact outputs of small classes, the same scores
// as codetwin's on real pairs, and results that do not depend on -j.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/generate.h"
#include "tests/e2e/class_fixtures.h"

namespace codetwin::testing {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// Two submissions have no class to compare with: the evidence is what the
// two share, without comments and runs shorter than a statement, and the
// example's for loop rewritten as a while loop does not reach the line.
const std::string kWorkedPairListing =
    "作业 2 份，比较了 1 对，标记 0 对为疑似抄袭（证据不低于 1）。\n"
    "作业太少（不到 6 份），无法统计本班常见的写法和各人通常共有的代码；"
    "证据只看两份之间共有的代码。\n"
    "\n"
    "codetwin 按相似度 0.8 判为有抄袭嫌疑的 1 对中，1 对没有标记：不计注释和不到一条语句的"
    "零碎片段，它们共有的代码不到标记线。\n"
    "\n"
    "按证据排列，列出 1 对：\n"
    "排名  证据   相似度    差距       作业A    作业B    公共长度   长度A   长度B  共有代码  结论\n"
    "   1  0.89   0.891892  +0.891892  file1.c  file2.c        66      72      76        42  "
    "仅相似度高\n"
    "\n"
    "每份作业的最高相似度：\n"
    "作业     最高相似度  对方\n"
    "file1.c  0.891892    file2.c\n"
    "file2.c  0.891892    file1.c\n"
    "\n"
    "标记的对连成的组：无。\n";

TEST(ClassRunTest, WorkedPairGivesCodetwinsNumbers) {
  ScratchDir dir;
  dir.write("file1.c", example("file1.c"));
  dir.write("file2.c", example("file2.c"));
  const ClassRunResult run =
      run_utf8(dir.path(), {"file1.c", "file2.c", "--csv", "pair.csv", "--json", "pair.json"});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, kWorkedPairListing + "已写入：pair.csv\n已写入：pair.json\n");
  EXPECT_EQ(dir.read("pair.csv"),
            "\xEF\xBB\xBF"
            "a,b,similarity,match_len,len_a,len_b,suspected,margin,evidence,flagged,whole,"
            "coverage,typical_coverage,passages,shared_code,shared_beyond,own_code\r\n"
            "file1.c,file2.c,0.891892,66,72,76,1,0.891892,0.89,0,0.708,0.708,0.000,0.438,42,42,"
            "96\r\n");
  const auto json = nlohmann::json::parse(dir.read("pair.json").value_or("null"));
  EXPECT_EQ(json["counts"]["pairs"], 1);
  EXPECT_EQ(json["pairs"][0]["similarity"], 0.891892);
  EXPECT_EQ(json["pairs"][0]["match_len"], 66);
  EXPECT_EQ(json["pairs"][0]["evidence"], 0.89);
  EXPECT_EQ(json["pairs"][0]["flagged"], false);
  EXPECT_EQ(json["verdict"]["class_statistics"], false);
  EXPECT_EQ(json["submissions"][1]["files"][0], "file2.c");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"file1.c", "file2.c", "pair.csv", "pair.json"}));
}

TEST(ClassRunTest, GbkConsoleGetsGbkText) {
  ScratchDir dir;
  dir.write("file1.c", example("file1.c"));
  dir.write("file2.c", example("file2.c"));
  ClassRunOptions options;
  options.args = {"file1.c", "file2.c", "--top", "1"};
  const ClassRunResult run = run_class(dir.path(), options);  // LC_ALL=C: GBK
  EXPECT_EQ(run.exit_status, 0);
  // «作业 2 份» in GBK, and the verdict.
  EXPECT_TRUE(run.out.starts_with("\xD7\xF7\xD2\xB5 2 \xB7\xDD")) << run.out;
  EXPECT_NE(run.out.find("\xD3\xD0\xB3\xAD\xCF\xAE\xCF\xD3\xD2\xC9"), std::string::npos) << run.out;
}

// The submissions of an awkward class that need no awkward name: a space, a
// folder, an empty file, a file that is not a source, a hidden file.
void put_plain_part_of_awkward_class(const ScratchDir& dir) {
  put(dir, "class/alice.c", example("file1.c"));
  put(dir, "class/bob smith.c", example("file2.c"));
  put(dir, "class/dave/src/f.c", "int f(){return 1;}\n");
  put(dir, "class/dave/main.c", example("file2.c"));
  put(dir, "class/empty.c", "");
  put(dir, "class/notes.txt", "not a source");
  put(dir, "class/.hidden.c", example("file1.c"));
}

// A class folder whose names hold what breaks naive tools.
void put_awkward_class(const ScratchDir& dir) {
  put_plain_part_of_awkward_class(dir);
  put(dir, "class/carol,\"x\".c", example("file1.c"));
  put(dir, "class/new\nline.c", "int main(){return 0;}");
  put(dir, "class/bad\xFF.c", "int main(){}");
  put(dir, "class/\xE5\xBC\xA0\xE4\xB8\x89.C", example("file2.c"));  // 张三.C
}

TEST(ClassRunTest, AwkwardNamesAreListedQuotedAndKept) {
  if (testing_windows_class_build()) {
    GTEST_SKIP() << "quotes and line ends in names, and names that are not UTF-8, are POSIX's "
                    "(AwkwardNamesThatWindowsAllows has the others)";
  }
  ScratchDir dir;
  put_awkward_class(dir);
  const auto before = tree_state(dir.path());
  const ClassRunResult run =
      run_utf8(dir.path(), {"class", "--top", "3", "--csv", "out.csv", "--json", "out.json"});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err, "");
  const std::string expected_start = "作业 8 份，比较了 28 对，标记 4 对为疑似抄袭（证据不低于 1）。\n";
  const std::string expected_listing =
      "按证据排列，列出 3 对：\n"
      "排名  证据   相似度    差距       作业A        作业B   公共长度   长度A   长度B  共有代码  结论\n"
      "   1  1.58   1.000000  +0.095238  bob smith.c  张三.C        76      76      76        76  "
      "疑似抄袭\n"
      "   2  1.58   0.904762  -0.095238  bob smith.c  dave          76      76      92        76  "
      "疑似抄袭\n"
      "   3  1.58   0.904762  -0.095238  dave         张三.C        76      92      76        76  "
      "疑似抄袭\n";
  EXPECT_NE(run.out.find(expected_listing), std::string::npos) << run.out;
  EXPECT_TRUE(run.out.starts_with(expected_start)) << run.out;
  EXPECT_NE(run.out.find("bad\xEF\xBF\xBD.c  "), std::string::npos) << "invalid UTF-8 as U+FFFD";
  EXPECT_NE(run.out.find("new\\nline.c"), std::string::npos) << "line end escaped";
  EXPECT_EQ(run.out.find(".hidden"), std::string::npos);

  const Rows rows = csv_rows(dir.read("out.csv").value_or(""));
  ASSERT_EQ(rows.size(), 29u);
  EXPECT_EQ(rows[0],
            (std::vector<std::string>{"a", "b", "similarity", "match_len", "len_a", "len_b",
                                      "suspected", "margin", "evidence", "flagged", "whole",
                                      "coverage", "typical_coverage", "passages", "shared_code",
                                      "shared_beyond", "own_code"}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"bob smith.c", "张三.C", "1.000000", "76", "76",
                                               "76", "1", "0.095238", "1.58", "1", "1.000",
                                               "1.000", "0.237", "0.792", "76", "76", "96"}));
  const auto alice = std::find_if(rows.begin(), rows.end(),
                                  [](const auto& row) { return row[0] == "alice.c" && row[1] == "carol,\"x\".c"; });
  ASSERT_NE(alice, rows.end());
  EXPECT_EQ((std::vector<std::string>(alice->begin(), alice->begin() + 10)),
            (std::vector<std::string>{"alice.c", "carol,\"x\".c", "1.000000", "72", "72", "72",
                                      "1", "0.108108", "1.50", "1"}));
  const bool has_newline_name = std::any_of(rows.begin(), rows.end(), [](const auto& row) {
    return row[0] == "new\nline.c" || row[1] == "new\nline.c";
  });
  EXPECT_TRUE(has_newline_name);

  const auto json = nlohmann::json::parse(dir.read("out.json").value_or("null"));
  bool found_bytes = false;
  for (const auto& s : json["submissions"]) {
    if (s.contains("name_bytes")) {
      found_bytes = true;
      EXPECT_EQ(s["name"], "bad\xEF\xBF\xBD.c");
      EXPECT_EQ(s["name_bytes"], (std::vector<int>{'b', 'a', 'd', 0xFF, '.', 'c'}));
    }
    if (s["name"] == "dave") {
      EXPECT_EQ(s["files"], (std::vector<std::string>{"dave/main.c", "dave/src/f.c"}));
    }
  }
  EXPECT_TRUE(found_bytes);
  // Nothing but the two outputs was added, and no source was touched.
  auto after = tree_state(dir.path());
  after.erase("out.csv");
  after.erase("out.json");
  EXPECT_EQ(after, before);
}

// Names that any system allows, and that break naive tools all the same:
// spaces, commas, quotes, shell and spreadsheet punctuation, Chinese, an
// extension in capitals, a hidden file, a folder.
TEST(ClassRunTest, AwkwardNamesThatWindowsAllows) {
  ScratchDir dir;
  put_plain_part_of_awkward_class(dir);
  put(dir, "class/carol,'x'.c", example("file1.c"));
  put(dir, "class/x #1 (2)&y;z=.c", "int main(){return 0;}");
  put(dir, "class/张三.C", example("file2.c"));
  const auto before = tree_state(dir.path());
  const ClassRunResult run =
      run_utf8(dir.path(), {"class", "--top", "3", "--csv", "out.csv", "--json", "out.json"});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "作业 7 份，比较了 21 对，标记 4 对为疑似抄袭（证据不低于 1）。\n"
            "\n"
            "标记为疑似抄袭的 4 对：\n"
            "   1. bob smith.c 与 张三.C：证据 1.58，相似度 1.000000\n"
            "      按段看：两人共有本班少见的代码 76 字符（6 份或更多作业都有的写法不算），超出各自与其他同学通常共有的量（0、0 字符）76 字符，是所在函数中独有代码（不足 96 字符的按 96 算）的 79%（标记线 50%）。\n"
            "      整份看：A 的代码有 100% 在 B 里（不计注释和不到一条语句的零碎片段），而其他同学通常只有它的 23%；其余部分两人共有 100%（标记线 80%）。\n"
            "   2. bob smith.c 与 dave：证据 1.58，相似度 0.904762\n"
            "      按段看：两人共有本班少见的代码 76 字符（6 份或更多作业都有的写法不算），超出各自与其他同学通常共有的量（0、0 字符）76 字符，是所在函数中独有代码（不足 96 字符的按 96 算）的 79%（标记线 50%）。\n"
            "      整份看：A 的代码有 100% 在 B 里（不计注释和不到一条语句的零碎片段），而其他同学通常只有它的 23%；其余部分两人共有 100%（标记线 80%）。\n"
            "   3. dave 与 张三.C：证据 1.58，相似度 0.904762\n"
            "      按段看：两人共有本班少见的代码 76 字符（6 份或更多作业都有的写法不算），超出各自与其他同学通常共有的量（0、0 字符）76 字符，是所在函数中独有代码（不足 96 字符的按 96 算）的 79%（标记线 50%）。\n"
            "      整份看：B 的代码有 100% 在 A 里（不计注释和不到一条语句的零碎片段），而其他同学通常只有它的 23%；其余部分两人共有 100%（标记线 80%）。\n"
            "   4. alice.c 与 carol,'x'.c：证据 1.50，相似度 1.000000\n"
            "      按段看：两人共有本班少见的代码 72 字符（6 份或更多作业都有的写法不算），超出各自与其他同学通常共有的量（0、0 字符）72 字符，是所在函数中独有代码（不足 96 字符的按 96 算）的 75%（标记线 50%）。\n"
            "      整份看：A 的代码有 100% 在 B 里（不计注释和不到一条语句的零碎片段），而其他同学通常只有它的 25%；其余部分两人共有 100%（标记线 80%）。\n"
            "\n"
            "codetwin 按相似度 0.8 判为有抄袭嫌疑的 10 对中，6 对没有标记：它们共有的代码多是本班常见的写法（6 份或更多作业都有的片段不算证据），没有明显超出各自与其他同学通常共有的部分。\n"
            "\n"
            "按证据排列，列出 3 对：\n"
            "排名  证据   相似度    差距       作业A        作业B   公共长度   长度A   长度B  共有代码  结论\n"
            "   1  1.58   1.000000  +0.095238  bob smith.c  张三.C        76      76      76        76  疑似抄袭\n"
            "   2  1.58   0.904762  -0.095238  bob smith.c  dave          76      76      92        76  疑似抄袭\n"
            "   3  1.58   0.904762  -0.095238  dave         张三.C        76      92      76        76  疑似抄袭\n"
            "\n"
            "每份作业的最高相似度：\n"
            "作业             最高相似度  对方\n"
            "alice.c          1.000000    carol,'x'.c\n"
            "bob smith.c      1.000000    张三.C\n"
            "carol,'x'.c      1.000000    alice.c\n"
            "dave             0.904762    bob smith.c\n"
            "empty.c          0.000000    alice.c\n"
            "x #1 (2)&y;z=.c  0.400000    alice.c\n"
            "张三.C           1.000000    bob smith.c\n"
            "\n"
            "标记的对连成的组（2 组）：\n"
            "第 1 组：3 份，组内证据 1.58 至 1.58，相似度 0.904762 至 1.000000\n"
            "  bob smith.c\n"
            "  dave\n"
            "  张三.C\n"
            "第 2 组：2 份，组内证据 1.50 至 1.50，相似度 1.000000 至 1.000000\n"
            "  alice.c\n"
            "  carol,'x'.c\n"
            "已写入：out.csv\n"
            "已写入：out.json\n");

  const Rows rows = csv_rows(dir.read("out.csv").value_or(""));
  ASSERT_EQ(rows.size(), 22u);
  EXPECT_EQ(rows[1], (std::vector<std::string>{"bob smith.c", "张三.C", "1.000000", "76", "76",
                                               "76", "1", "0.095238", "1.58", "1", "1.000",
                                               "1.000", "0.237", "0.792", "76", "76", "96"}));
  EXPECT_EQ(rows[4], (std::vector<std::string>{"alice.c", "carol,'x'.c", "1.000000", "72", "72",
                                               "72", "1", "0.108108", "1.50", "1", "1.000",
                                               "1.000", "0.250", "0.750", "72", "72", "96"}));
  EXPECT_NE(dir.read("out.csv").value_or("").find("\r\nalice.c,\"carol,'x'.c\",1.000000,"),
            std::string::npos)
      << "a name with a comma is quoted";

  const auto json = nlohmann::json::parse(dir.read("out.json").value_or("null"));
  std::vector<std::string> names;
  for (const auto& s : json["submissions"]) {
    names.push_back(s["name"]);
    EXPECT_FALSE(s.contains("name_bytes")) << s["name"];
    if (s["name"] == "dave") {
      EXPECT_EQ(s["files"], (std::vector<std::string>{"dave/main.c", "dave/src/f.c"}));
    }
  }
  EXPECT_EQ(names, (std::vector<std::string>{"alice.c", "bob smith.c", "carol,'x'.c", "dave",
                                             "empty.c", "x #1 (2)&y;z=.c", "张三.C"}));
  auto after = tree_state(dir.path());
  after.erase("out.csv");
  after.erase("out.json");
  EXPECT_EQ(after, before);
}

// A generated class: programs, disguised copies, and two submissions that
// are folders of two files.
struct GeneratedClass {
  std::map<std::string, std::string> joined;  // name -> the sources joined, as codetwin sees one
};

GeneratedClass put_generated_class(const ScratchDir& dir, std::size_t n) {
  GeneratedClass made;
  for (std::size_t k = 0; k < n; ++k) {
    const bench::ProgramPair pair = bench::generate_source_pair(40 + k / 2, 1500);
    const std::string& source = k % 2 == 0 ? pair.first.source : pair.second.source;
    const std::string name = std::string("s") + std::to_string(10 + k);
    if (k % 4 == 3) {
      // Split at a line end: the two files' token strings join to the whole's.
      const std::size_t cut = source.find('\n', source.size() / 2) + 1;
      put(dir, "class/" + name + "/a.c", source.substr(0, cut));
      put(dir, "class/" + name + "/b/b.c", source.substr(cut));
      made.joined[name] = source;
    } else {
      put(dir, "class/" + name + ".c", source);
      made.joined[name + ".c"] = source;
    }
  }
  return made;
}

TEST(ClassRunTest, EveryPairScoresAsCodetwinScoresIt) {
  ScratchDir dir;
  const GeneratedClass made = put_generated_class(dir, 8);
  const ClassRunResult run = run_utf8(dir.path(), {"class", "--csv", "all.csv"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  const Rows rows = csv_rows(dir.read("all.csv").value_or(""));
  ASSERT_EQ(rows.size(), 1u + 8 * 7 / 2);
  std::size_t suspected = 0;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const std::vector<std::string>& row = rows[r];
    ASSERT_LT(row[0], row[1]) << "X's name comes first";
    const auto codetwin = codetwin_score(made.joined.at(row[0]), made.joined.at(row[1]));
    ASSERT_TRUE(codetwin.has_value()) << row[0] << " " << row[1];
    EXPECT_EQ(row[2], codetwin->similarity) << row[0] << " " << row[1];
    EXPECT_EQ(row[3], std::to_string(codetwin->match_len)) << row[0] << " " << row[1];
    if (row[6] == "1") ++suspected;
  }
  EXPECT_GT(suspected, 0u);
}

TEST(ClassRunTest, OutputsDoNotDependOnTheNumberOfThreads) {
  ScratchDir dir;
  put_generated_class(dir, 12);
  std::string out, csv, json;
  for (const char* jobs : {"1", "2", "3", "7"}) {
    const ClassRunResult run = run_utf8(
        dir.path(), {"class", "-j", jobs, "--top", "0", "--csv", "a.csv", "--json", "a.json"});
    ASSERT_EQ(run.exit_status, 0) << run.err;
    if (out.empty()) {
      out = run.out;
      csv = dir.read("a.csv").value_or("");
      json = dir.read("a.json").value_or("");
      continue;
    }
    EXPECT_EQ(run.out, out) << jobs;
    EXPECT_EQ(dir.read("a.csv"), csv) << jobs;
    EXPECT_EQ(dir.read("a.json"), json) << jobs;
  }
}

// The scoring threads wait for one another once, after building the
// strings' shared indexes; a wait that misses its wake-up hangs only now
// and then (it did under one Windows runtime), so the run is repeated.
TEST(ClassRunTest, EveryRunOfManyThreadsFinishes) {
  ScratchDir dir;
  put_generated_class(dir, 12);
  const ClassRunResult first = run_utf8(dir.path(), {"class", "-j", "3"});
  ASSERT_EQ(first.exit_status, 0) << first.err;
  for (int round = 0; round < 24; ++round) {
    const ClassRunResult run = run_utf8(dir.path(), {"class", "-j", round % 2 == 0 ? "2" : "3"});
    ASSERT_EQ(run.exit_status, 0) << round << "\n" << run.err;
    ASSERT_EQ(run.out, first.out) << round;
  }
}

TEST(ClassRunTest, EarlierSubmissionsArePairedWithTheNewOnesOnly) {
  ScratchDir dir;
  put(dir, "now/a.c", example("file1.c"));
  put(dir, "now/b.c", example("file2.c"));
  put(dir, "2025/a.c", example("file1.c"));
  put(dir, "2025/z.c", example("file1.c"));
  const ClassRunResult run = run_utf8(dir.path(), {"now", "--old", "2025", "--csv", "o.csv"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  const Rows rows = csv_rows(dir.read("o.csv").value_or(""));
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t r = 1; r < rows.size(); ++r) pairs.emplace_back(rows[r][0], rows[r][1]);
  std::sort(pairs.begin(), pairs.end());
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(pairs, (Pairs{{"2025/a.c", "a.c"}, {"2025/a.c", "b.c"}, {"2025/z.c", "a.c"},
                          {"2025/z.c", "b.c"}, {"a.c", "b.c"}}));
  EXPECT_TRUE(run.out.starts_with("作业 2 份，往届作业 2 份，比较了 5 对")) << run.out;
}

TEST(ClassRunTest, TemplateCodeCountsForNothing) {
  ScratchDir dir;
  const std::string handout = "int main(){\n\tint i, sum = 0;\n";
  put(dir, "base.c", handout);
  put(dir, "class/only.c", handout);
  put(dir, "class/also.c", handout);
  put(dir, "class/own.c", handout + "\twhile (i < 10) { sum = sum * 2; i++; }\n}\n");
  const ClassRunResult plain = run_utf8(dir.path(), {"class", "--csv", "plain.csv"});
  const ClassRunResult based = run_utf8(dir.path(), {"class", "--base", "base.c", "--csv", "based.csv"});
  ASSERT_EQ(plain.exit_status, 0) << plain.err;
  ASSERT_EQ(based.exit_status, 0) << based.err;
  const Rows without = csv_rows(dir.read("plain.csv").value_or(""));
  const Rows with = csv_rows(dir.read("based.csv").value_or(""));
  // also.c and only.c: the same handout, 1.0 without the template; with it,
  // nothing is left on either side (NaN, last).
  ASSERT_EQ(without.size(), 4u);
  EXPECT_EQ(without[1][0] + " " + without[1][1] + " " + without[1][2], "also.c only.c 1.000000");
  ASSERT_EQ(with.size(), 4u);
  EXPECT_EQ(with[3][0] + " " + with[3][1] + " " + with[3][2], "also.c only.c nan");
  // own.c keeps only its own 28 characters, and shares none of them.
  for (std::size_t r = 1; r < 3; ++r) {
    EXPECT_EQ(with[r][2], "0.000000") << r;
    EXPECT_EQ(with[r][5], "28") << r;
  }
}

TEST(ClassRunTest, IgnoringCommentsUndoesTheirRemoval) {
  ScratchDir dir;
  const std::string commented =
      "/* 作者：张三 */\nint main(){ // 入口\n\tint s = 0; /* 和 */\n\treturn s; }\n";
  const std::string stripped = "int main(){\n\tint s = 0;\n\treturn s; }\n";
  put(dir, "a.c", commented);
  put(dir, "b.c", stripped);
  const ClassRunResult plain = run_utf8(dir.path(), {"a.c", "b.c", "--csv", "p.csv"});
  const ClassRunResult ignoring =
      run_utf8(dir.path(), {"a.c", "b.c", "--ignore-comments", "--csv", "i.csv"});
  ASSERT_EQ(plain.exit_status, 0);
  ASSERT_EQ(ignoring.exit_status, 0);
  EXPECT_NE(csv_rows(dir.read("p.csv").value_or(""))[1][2], "1.000000");
  EXPECT_EQ(csv_rows(dir.read("i.csv").value_or(""))[1][2], "1.000000");
}

// The start of the listing's row of rank `rank`.
std::string rank_cell(std::size_t rank) {
  std::string cell = std::to_string(rank);
  cell.insert(0, 4 - cell.size(), ' ');
  cell.insert(0, 1, '\n');
  return cell.append("  ");
}

TEST(ClassRunTest, ListingOptions) {
  ScratchDir dir;
  put_generated_class(dir, 6);
  struct Row {
    const char* name;
    std::vector<std::string> args;
    std::string heading;
    std::size_t rows;  // listed pairs
  };
  const Row rows[] = {
      {"default", {"class"}, "按证据排列，列出 15 对：", 15},
      {"top", {"class", "--top", "4"}, "按证据排列，列出 4 对：", 4},
      {"min", {"class", "--min", "0.8", "--top", "0"}, "按证据排列，相似度不低于 0.8 的共 ", 0},
      {"similarity", {"class", "--sort", "similarity", "--top", "3"}, "按相似度排列，列出 3 对：", 3},
      {"margin", {"class", "--sort", "margin", "--top", "2"}, "按差距排列，列出 2 对：", 2},
  };
  for (const Row& row : rows) {
    const ClassRunResult run = run_utf8(dir.path(), row.args);
    EXPECT_EQ(run.exit_status, 0) << row.name;
    EXPECT_NE(run.out.find(row.heading), std::string::npos) << row.name << "\n" << run.out;
    if (row.rows > 0) {
      EXPECT_NE(run.out.find(rank_cell(row.rows)), std::string::npos) << row.name;
      EXPECT_EQ(run.out.find(rank_cell(row.rows + 1)), std::string::npos) << row.name;
    }
  }
}

TEST(ClassRunTest, ExtensionsChooseTheSourceFiles) {
  ScratchDir dir;
  put(dir, "class/a.c", example("file1.c"));
  put(dir, "class/b.cpp", example("file1.c"));
  put(dir, "class/c.CPP", example("file2.c"));
  put(dir, "class/d/x.h", example("file2.c"));
  put(dir, "class/d/y.hpp", example("file2.c"));
  struct Row {
    const char* name;
    std::vector<std::string> args;
    std::string count;
  };
  const Row rows[] = {
      {"default: .c and .h", {"class"}, "作业 2 份，比较了 1 对"},
      {"C++ sources", {"class", "--ext", "cpp,hpp"}, "作业 3 份，比较了 3 对"},
      {"dots and case do not matter", {"class", "--ext", ".C,.cpp"}, "作业 3 份，比较了 3 对"},
  };
  for (const Row& row : rows) {
    const ClassRunResult run = run_utf8(dir.path(), row.args);
    EXPECT_EQ(run.exit_status, 0) << row.name << run.err;
    EXPECT_TRUE(run.out.starts_with(row.count)) << row.name << "\n" << run.out;
  }
}

TEST(ClassRunTest, NamesThatLookLikeFormulasAreDefusedInTheCsv) {
  ScratchDir dir;
  put(dir, "class/=HYPERLINK(1).c", example("file1.c"));
  put(dir, "class/@x.c", example("file2.c"));
  const ClassRunResult run = run_utf8(dir.path(), {"class", "--csv", "o.csv", "--json", "o.json"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  const Rows rows = csv_rows(dir.read("o.csv").value_or(""));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1][0], "'=HYPERLINK(1).c");
  EXPECT_EQ(rows[1][1], "'@x.c");
  // The JSON keeps the names exactly.
  const auto json = nlohmann::json::parse(dir.read("o.json").value_or("null"));
  EXPECT_EQ(json["pairs"][0]["a"], "=HYPERLINK(1).c");
}

TEST(ClassRunTest, HelpAndVersion) {
  ScratchDir dir;
  const ClassRunResult help = run_utf8(dir.path(), {"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_TRUE(help.out.starts_with("用法：codetwin-class [选项] 路径...")) << help.out;
  EXPECT_NE(help.out.find("man codetwin-class"), std::string::npos) << help.out;
  const ClassRunResult version = run_utf8(dir.path(), {"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_TRUE(version.out.starts_with("codetwin-class ")) << version.out;
}

}  // namespace
}  // namespace codetwin::testing
