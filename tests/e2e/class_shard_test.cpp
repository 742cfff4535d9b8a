// codetwin-class split into shards and merged: the merge writes exactly the
// bytes that one machine writes, and every bad part or command line is
// refused with nothing written.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/generate.h"
#include "tests/e2e/class_fixtures.h"

namespace codetwin::testing {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kOutputs = {"--csv", "out.csv", "--json", "out.json", "--html", "out.html"};
const char* const kOutputNames[] = {"out.csv", "out.json", "out.html"};

std::vector<std::string> joined(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void put_submissions(const ScratchDir& dir, const std::string& folder,
                     const std::vector<bench::ClassSubmission>& submissions) {
  for (const bench::ClassSubmission& s : submissions) {
    for (const bench::ClassFile& file : s.files) put(dir, folder + "/" + file.name, file.source);
  }
}

std::string part_name(std::uint32_t k) { return "p" + std::to_string(k) + ".part"; }

// How the shards take the class.
enum class Read {
  kSources,  // each reads the sources, as the merge does
  kOnce,     // from a class file that --save-class wrote, as the merge does
};

// A run's options: those that read the class, and the rest.
struct RunOptions {
  std::vector<std::string> reading;
  std::vector<std::string> listing = {};
  std::vector<std::string> all() const { return joined(reading, listing); }
};

// Runs the shards of `n` and their merge, both given every output.
ClassRunResult shards_and_merge(const ScratchDir& dir, const RunOptions& options, std::uint32_t n, Read read) {
  std::vector<std::string> shard_options = options.all();
  if (read == Read::kOnce) {
    const ClassRunResult saved = run_utf8(dir.path(), joined(options.reading, {"--save-class", "class.ctw"}));
    EXPECT_EQ(saved.exit_status, 0) << saved.err;
    EXPECT_EQ(saved.out, "已写入：class.ctw\n");
    shard_options = joined({"--from-class", "class.ctw"}, options.listing);
  }
  std::vector<std::string> merge = {"merge"};
  for (std::uint32_t k = 0; k < n; ++k) {
    const std::string shard = std::to_string(k) + "/" + std::to_string(n);
    const ClassRunResult run =
        run_utf8(dir.path(), joined(joined(shard_options, kOutputs),
                                    {"--shard", shard, "--part", part_name(k), "-j", "2"}));
    EXPECT_EQ(run.exit_status, 0) << shard << "\n" << run.err;
    EXPECT_EQ(run.out, "已写入：" + part_name(k) + "\n") << shard;
    merge.push_back(part_name(k));
  }
  std::reverse(merge.begin() + 1, merge.end());  // the order of parts does not matter
  return run_utf8(dir.path(), joined(merge, kOutputs));
}

// One machine's run with `options` and every output, then the shards' for
// each of `ns` reading the sources, and for each of `once` reading a class
// file: the merge prints and writes the same bytes. So does one machine's
// run from the class file.
void expect_merge_as_one_machine(const ScratchDir& dir, const RunOptions& options,
                                 const std::vector<std::uint32_t>& ns, const std::vector<std::uint32_t>& once) {
  const ClassRunResult one = run_utf8(dir.path(), joined(options.all(), kOutputs));
  ASSERT_EQ(one.exit_status, 0) << one.err;
  std::map<std::string, std::string> expected;
  for (const char* name : kOutputNames) {
    expected[name] = dir.read(name).value_or("(missing)");
    fs::remove(dir.file(name));
  }
  const auto expect_as_one = [&](const ClassRunResult& run, const std::string& what) {
    EXPECT_EQ(run.exit_status, one.exit_status) << what << "\n" << run.err;
    EXPECT_TRUE(run.out == one.out) << what << "\n" << run.out;
    EXPECT_EQ(run.err, one.err) << what;
    for (const char* name : kOutputNames) {
      EXPECT_TRUE(dir.read(name).value_or("(missing)") == expected[name]) << what << " " << name;
      fs::remove(dir.file(name));
    }
  };
  for (Read read : {Read::kSources, Read::kOnce}) {
    for (std::uint32_t n : read == Read::kSources ? ns : once) {
      const std::string what = std::to_string(n) + (read == Read::kOnce ? " shards from a class file" : " shards");
      expect_as_one(shards_and_merge(dir, options, n, read), what);
      for (std::uint32_t k = 0; k < n; ++k) fs::remove(dir.file(part_name(k)));
    }
  }
  if (once.empty()) return;
  expect_as_one(run_utf8(dir.path(), joined(joined({"--from-class", "class.ctw"}, options.listing), kOutputs)),
                "one machine from a class file");
}

TEST(ClassShardTest, AGeneratedClassOf300MergesAsOneMachine) {
  if (testing_windows_class_build()) {
    GTEST_SKIP() << "a hundred runs of 300 submissions take too long under Wine; the next test "
                    "merges under Windows";
  }
  ScratchDir dir;
  // Short programs in pairs of disguised copies, every seventh a folder:
  // the same kinds of submission as a real class, at a fifth of its cost.
  for (std::size_t k = 0; k < 300; ++k) {
    const bench::ProgramPair pair = bench::generate_source_pair(1000 + k / 2, 600);
    const std::string& source = k % 2 == 0 ? pair.first.source : pair.second.source;
    char name[32];
    std::snprintf(name, sizeof name, "class/s%03zu", k);
    if (k % 7 == 3) {
      const std::size_t cut = source.find('\n', source.size() / 2) + 1;
      put(dir, std::string(name) + "/a.c", source.substr(0, cut));
      put(dir, std::string(name) + "/b.c", source.substr(cut));
    } else {
      put(dir, std::string(name) + ".c", source);
    }
  }
  expect_merge_as_one_machine(dir, {{"class"}}, {1, 2, 3, 7, 64}, {7});
}

// Earlier years, template code, comments ignored, folder submissions, and
// the listing's options: all reach the merge through the parts, and
// through a class file read once.
TEST(ClassShardTest, OldTemplateCommentsAndFoldersMergeAsOneMachine) {
  ScratchDir dir;
  const std::vector<bench::ClassSubmission> all = bench::generate_class(32, 36);
  put_submissions(dir, "class", {all.begin(), all.begin() + 28});
  put_submissions(dir, "old", {all.begin() + 28, all.end()});
  put(dir, "base.c", all[3].files.front().source);
  const RunOptions options = {{"class", "--old", "old", "--base", "base.c", "--ignore-comments", "--common", "5"},
                              {"--top", "7", "--min", "0.2", "--group-at", "0.5", "--html-pairs", "9"}};
  if (testing_windows_class_build()) {
    expect_merge_as_one_machine(dir, options, {1, 3}, {3});
  } else {
    expect_merge_as_one_machine(dir, options, {1, 2, 3, 7, 64}, {1, 3, 7});
  }
}

// K taken from the cluster's variable: one command line serves every task.
TEST(ClassShardTest, TheTaskVariableNamesTheSlice) {
  ScratchDir dir;
  put_submissions(dir, "class", bench::generate_class(33, 12));
  const ClassRunResult one = run_utf8(dir.path(), {"class"});
  ASSERT_EQ(one.exit_status, 0) << one.err;
  const char* variables[] = {"SLURM_ARRAY_TASK_ID", "JOB_COMPLETION_INDEX"};
  for (const char* variable : variables) {
    for (int k = 0; k < 3; ++k) {
      ClassRunOptions options;
      options.args = {"class", "--shard", "task/3", "--part", part_name(static_cast<std::uint32_t>(k))};
      options.env = {{"LC_ALL", "C.UTF-8"}, {variable, std::to_string(k)}};
      const ClassRunResult run = run_class(dir.path(), options);
      ASSERT_EQ(run.exit_status, 0) << variable << " " << k << "\n" << run.err;
    }
    const ClassRunResult merged = run_utf8(dir.path(), {"merge", "p0.part", "p1.part", "p2.part"});
    EXPECT_EQ(merged.exit_status, 0) << merged.err;
    EXPECT_EQ(merged.out, one.out) << variable;
  }
}

// A submission that cannot be read is warned of by the step that reads the
// class, which still writes it (so a cluster's next steps run), and
// reported by the merge as one machine reports it.
TEST(ClassShardTest, ASubmissionSkippedWhenTheClassIsReadIsReportedByTheMerge) {
  if (testing_windows_class_build()) GTEST_SKIP() << "a dangling symbolic link is POSIX's";
  ScratchDir dir;
  put_submissions(dir, "class", bench::generate_class(35, 8));
  fs::create_symlink("nowhere.c", dir.file("class/s0099.c"));
  const ClassRunResult one = run_utf8(dir.path(), {"class", "--csv", "one.csv"});
  ASSERT_EQ(one.exit_status, 1) << one.err;
  ASSERT_NE(one.err.find("s0099.c"), std::string::npos) << one.err;
  const ClassRunResult saved = run_utf8(dir.path(), {"class", "--save-class", "class.ctw"});
  EXPECT_EQ(saved.exit_status, 0);
  EXPECT_EQ(saved.err, one.err);
  for (std::uint32_t k = 0; k < 2; ++k) {
    const ClassRunResult shard = run_utf8(dir.path(), {"--from-class", "class.ctw", "--csv", "m.csv", "--shard",
                                                       std::to_string(k) + "/2", "--part", part_name(k)});
    ASSERT_EQ(shard.exit_status, 0) << shard.err;
    EXPECT_EQ(shard.err, "");
  }
  const ClassRunResult merged = run_utf8(dir.path(), {"merge", "--csv", "one.csv", "p0.part", "p1.part"});
  EXPECT_EQ(merged.exit_status, 1);
  EXPECT_EQ(merged.out, one.out);
}

struct Row {
  const char* name;
  std::function<void(const ScratchDir&)> setup;  // after the class and its three parts exist
  std::vector<std::string> args;
  int status;
  std::string err;
  std::map<std::string, std::string> env = {};
};

// A class, and the parts of its run in three shards.
void put_class_and_parts(const ScratchDir& dir) {
  put_submissions(dir, "class", bench::generate_class(34, 9));
  for (std::uint32_t k = 0; k < 3; ++k) {
    const ClassRunResult run = run_utf8(
        dir.path(), {"class", "--shard", std::to_string(k) + "/3", "--part", part_name(k)});
    ASSERT_EQ(run.exit_status, 0) << run.err;
  }
  const ClassRunResult run = run_utf8(dir.path(), {"class", "--shard", "1/2", "--part", "half.part"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  // The class read once, and the parts of three shards that take it.
  ASSERT_EQ(run_utf8(dir.path(), {"class", "--save-class", "class.ctw"}).exit_status, 0);
  for (std::uint32_t k = 0; k < 3; ++k) {
    const ClassRunResult from = run_utf8(
        dir.path(), {"--from-class", "class.ctw", "--html", "r.html", "--shard", std::to_string(k) + "/3", "--part",
                     "q" + part_name(k)});
    ASSERT_EQ(from.exit_status, 0) << from.err;
  }
}

void edit(const ScratchDir& dir, const std::string& name, const std::function<void(std::string&)>& change) {
  std::string bytes = dir.read(name).value_or("");
  change(bytes);
  dir.write(name, bytes);
}

TEST(ClassShardTest, BadShardsAndMergesAreRefusedAndWriteNothing) {
  const std::string kUsage = "用法：codetwin-class [选项] 路径...";
  const std::vector<std::string> three = {"merge", "p0.part", "p1.part", "p2.part"};
  const Row rows[] = {
      {"K not below N", nullptr, {"class", "--shard", "3/3", "--part", "x.part"}, 2, "应小于 N\n" + kUsage},
      {"N zero", nullptr, {"class", "--shard", "0/0", "--part", "x.part"}, 2, "--shard 的值应是 K/N"},
      {"not K/N", nullptr, {"class", "--shard", "2", "--part", "x.part"}, 2, "--shard 的值应是 K/N"},
      {"K negative", nullptr, {"class", "--shard", "-1/3", "--part", "x.part"}, 2, "--shard 的值应是 K/N"},
      {"no part", nullptr, {"class", "--shard", "0/3"}, 2, "--shard 需要用 --part 给出分片结果文件"},
      {"part without shard", nullptr, {"class", "--part", "x.part"}, 2, "--part 只与 --shard 一起使用"},
      {"task outside a cluster", nullptr, {"class", "--shard", "task/3", "--part", "x.part"}, 2,
       "没有 SLURM_ARRAY_TASK_ID 或 JOB_COMPLETION_INDEX 环境变量"},
      {"task beyond N", nullptr, {"class", "--shard", "task/3", "--part", "x.part"}, 2,
       "环境变量 SLURM_ARRAY_TASK_ID 的值 3 不是 0 到 2 之间的整数", {{"SLURM_ARRAY_TASK_ID", "3"}}},
      {"part over a source", nullptr, {"class", "--shard", "0/3", "--part", "class/s0001.c"}, 1,
       "输出文件是一份作业或模板的源文件"},
      {"merge without parts", nullptr, {"merge"}, 2, "merge 没有给出分片结果文件"},
      {"a part missing", nullptr, {"merge", "p0.part", "p2.part"}, 2,
       "不能合并：缺少 1 片（共 3 片，从 0 数起）：第 1 片"},
      {"a part twice", nullptr, joined(three, {"p1.part"}), 2, "p1.part 与 p1.part 是同一片（第 1 片）"},
      {"parts of another N", nullptr, {"merge", "p0.part", "half.part", "p2.part"}, 2,
       "half.part 是 2 片中的一片，而 p0.part 是 3 片中的一片"},
      {"no such part", nullptr, {"merge", "p0.part", "p9.part"}, 2, "无法读取分片结果文件：p9.part"},
      {"not a part", nullptr, {"merge", "p0.part", "class/s0001.c", "p2.part"}, 2,
       "class/s0001.c：不是 codetwin-class 的分片结果文件"},
      {"a truncated part",
       [](const ScratchDir& d) { edit(d, "p1.part", [](std::string& b) { b.resize(b.size() / 2); }); },
       three, 2, "p1.part：分片结果文件已损坏（校验和不符：被截断或改动过）"},
      {"an edited part",
       [](const ScratchDir& d) { edit(d, "p2.part", [](std::string& b) { b[b.size() / 3] ^= 4; }); },
       three, 2, "p2.part：分片结果文件已损坏"},
      {"a part of another run",
       [](const ScratchDir& d) {
         ASSERT_EQ(run_utf8(d.path(), {"class", "--ignore-comments", "--shard", "1/3", "--part", "p1.part"})
                       .exit_status,
                   0);
       },
       three, 2, "p1.part 与 p0.part 不属于同一次运行（作业或选项不同）"},
      {"a source changed since",
       [](const ScratchDir& d) { put(d, "class/s0004.c", "int main(){return 4;}\n"); }, three, 2,
       "这份作业在分片运行之后改动过，不能合并：s0004.c"},
      {"a source gone since", [](const ScratchDir& d) { fs::remove(d.file("class/s0004.c")); }, three, 2,
       "分片运行时读到的作业现在没有或无法读取，不能合并：s0004.c"},
      {"outputs the shards did not keep for", nullptr, joined(three, {"--csv", "all.csv"}), 2,
       "merge 要写出的文件与分片时给出的不同"},
      {"a merge's output over a part", nullptr, {"merge", "--html", "qp1.part", "qp0.part", "qp1.part", "qp2.part"},
       1, "输出文件是本次运行读取的班级文件或分片结果文件，不能覆盖：qp1.part"},
      {"a shard's part over its class file", nullptr,
       {"--from-class", "class.ctw", "--shard", "0/3", "--part", "class.ctw"}, 1,
       "输出文件是本次运行读取的班级文件或分片结果文件，不能覆盖：class.ctw"},
      {"save-class with an output", nullptr, {"class", "--save-class", "c.ctw", "--csv", "c.csv"}, 2,
       "--csv 不能与 --save-class 一起使用"},
      {"save-class with a listing option", nullptr, {"class", "--save-class", "c.ctw", "--top", "3"}, 2,
       "--top 不能与 --save-class 一起使用"},
      {"save-class over a source", nullptr, {"class", "--save-class", "class/s0002.c"}, 1,
       "输出文件是一份作业或模板的源文件"},
      {"save-class without a path", nullptr, {"class", "--save-class", ""}, 2, "--save-class 的路径为空"},
      {"a class file and paths", nullptr, {"--from-class", "class.ctw", "class"}, 2,
       "--from-class 给出了班级文件，不能再给作业的路径"},
      {"a class file and a reading option", nullptr, {"--from-class", "class.ctw", "--ignore-comments"}, 2,
       "--ignore-comments 不能与 --from-class 一起使用"},
      {"no such class file", nullptr, {"--from-class", "nope.ctw"}, 2, "无法读取班级文件：nope.ctw"},
      {"a part for a class file", nullptr, {"--from-class", "p0.part"}, 2,
       "p0.part：不是 codetwin-class 的班级文件"},
      {"a truncated class file",
       [](const ScratchDir& d) { edit(d, "class.ctw", [](std::string& b) { b.resize(b.size() / 3); }); },
       {"--from-class", "class.ctw", "--shard", "0/3", "--part", "x.part"}, 2,
       "class.ctw：班级文件已损坏（校验和不符：被截断或改动过）"},
      {"a class file's sources cut short before a report's merge",
       [](const ScratchDir& d) { edit(d, "class.ctw", [](std::string& b) { b.resize(b.size() - 9); }); },
       {"merge", "--html", "r.html", "qp0.part", "qp1.part", "qp2.part"}, 2,
       "class.ctw：班级文件已损坏（校验和不符：被截断或改动过）"},
      {"the class file gone before the merge", [](const ScratchDir& d) { fs::remove(d.file("class.ctw")); },
       {"merge", "--html", "r.html", "qp0.part", "qp1.part", "qp2.part"}, 2, "无法读取班级文件：class.ctw"},
      {"the class file read again before the merge",
       [](const ScratchDir& d) {
         put(d, "class/s0004.c", "int main(){return 4;}\n");
         ASSERT_EQ(run_utf8(d.path(), {"class", "--save-class", "class.ctw"}).exit_status, 0);
       },
       {"merge", "--html", "r.html", "qp0.part", "qp1.part", "qp2.part"}, 2, "这份作业在分片运行之后改动过，不能合并：s0004.c"},
  };
  for (const Row& row : rows) {
    ScratchDir dir;
    put_class_and_parts(dir);
    if (row.setup) row.setup(dir);
    const auto before = tree_state(dir.path());
    ClassRunOptions options;
    options.args = row.args;
    options.env = row.env;
    options.env["LC_ALL"] = "C.UTF-8";
    const ClassRunResult run = run_class(dir.path(), options);
    EXPECT_EQ(run.exit_status, row.status) << row.name << "\n" << run.err;
    EXPECT_NE(run.err.find(row.err), std::string::npos) << row.name << "\n" << run.err;
    EXPECT_EQ(run.out, "") << row.name;
    EXPECT_EQ(tree_state(dir.path()), before) << row.name << ": files changed or added";
  }
}

}  // namespace
}  // namespace codetwin::testing
