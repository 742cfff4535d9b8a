// codetwin-class on archives made at run time: each kind of archive a
// teacher gets gives exactly the outputs of the same submissions as a
// folder, apart from the path shown; each kind of bad archive gets its
// message and exit status, and nothing is written but the outputs.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/archive/archive_maker.h"
#include "tests/e2e/class_fixtures.h"

namespace codetwin::testing {
namespace {

// A class as a course platform hands it out: a folder per student named
// with the student's name and number, a file per student, Chinese in the
// names, a student's files in subfolders, a text file that is no source.
std::map<std::string, std::string> course_class() {
  const std::string first = example("file1.c");
  const std::string second = example("file2.c");
  return {
      {"张三_2023001_assignsubmission_file_/main.c", first},
      {"张三_2023001_assignsubmission_file_/说明.txt", "不是源文件"},
      {"李四_2023002_assignsubmission_file_/src/main.c", second},
      {"李四_2023002_assignsubmission_file_/src/工具.h", "int 工具(void);\n"},
      {"2023003_王五.c", first + "/* 王五 */\n"},
      {"2023004_赵六.c", second + "int extra(int x) { return x * 2; }\n"},
  };
}

// The same class with every name below `folder`.
std::map<std::string, std::string> below(const std::string& folder,
                                         const std::map<std::string, std::string>& files) {
  std::map<std::string, std::string> moved;
  for (const auto& [name, bytes] : files) moved[folder + "/" + name] = bytes;
  return moved;
}

const std::vector<std::string> kOutputs = {"o.csv", "o.json", "o.html"};

struct Produced {
  ClassRunResult run;
  std::map<std::string, std::string> files;
};

// One run on `path` with every output, on a console of `locale`.
Produced produce(const ScratchDir& dir, const std::string& path, const std::string& locale) {
  ClassRunOptions options;
  options.args = {path, "--csv", "o.csv", "--json", "o.json", "--html", "o.html"};
  options.env["LC_ALL"] = locale;
  Produced produced{run_class(dir.path(), options), {}};
  for (const std::string& name : kOutputs) {
    produced.files[name] = dir.read(name).value_or("(not written)");
    std::filesystem::remove(dir.file(name));
  }
  return produced;
}

void replace_all(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// Whether the program under test reads `format` (the Windows build reads
// zip and gzip'd tar: its libarchive has zlib alone).
bool readable(Format format) {
  if (!testing_windows_class_build()) return true;
  return format == Format::kZipGbk || format == Format::kZipUtf8 || format == Format::kTar ||
         format == Format::kTarGz;
}

struct Kind {
  const char* name;
  Format format;
  std::map<std::string, std::string> archived;  // what the archive holds
  std::map<std::string, std::string> folder;    // the same as a class folder holds it
};

std::vector<Kind> kinds_of_archive() {
  const auto course = course_class();
  // 钱七 sent a zip of his own, in GBK, inside the platform's folder.
  std::map<std::string, std::string> nested = course;
  const std::map<std::string, std::string> own = {{"作业/main.c", example("file1.c") + "int 钱七;\n"},
                                                  {"作业/readme.md", "#"}};
  nested["钱七_2023005_assignsubmission_file_/作业.zip"] = make_archive(Format::kZipGbk, files(own));
  std::map<std::string, std::string> nested_folder = course;
  for (const auto& [name, bytes] : own) nested_folder["钱七_2023005_assignsubmission_file_/作业.zip/" + name] = bytes;
  return {
      {"zip, GBK names without the UTF-8 flag", Format::kZipGbk, course, course},
      {"zip, UTF-8 names with the flag", Format::kZipUtf8, course, course},
      {"tar.gz", Format::kTarGz, course, course},
      {"7z", Format::k7z, course, course},
      {"tar.xz", Format::kTarXz, course, course},
      {"a student's zip inside", Format::kZipUtf8, nested, nested_folder},
      {"one top-level folder", Format::kZipGbk, below("作业3 全部提交", course), course},
  };
}

TEST(ClassArchiveTest, SameOutputsAsTheFolder) {
  // A Windows build reads the folder's Chinese names right only in a
  // Chinese locale that exists (windows.sh makes one); its console is GBK
  // in any.
  std::vector<const char*> locales = {"C.UTF-8", "C"};
  if (testing_windows_class_build()) {
    if (!locale_exists("zh_CN.UTF-8")) GTEST_SKIP() << "needs the zh_CN.UTF-8 locale for Wine";
    locales = {"zh_CN.UTF-8"};
  }
  for (const Kind& kind : kinds_of_archive()) {
    if (!readable(kind.format)) continue;
    ScratchDir dir;
    for (const auto& [name, bytes] : kind.folder) put(dir, "课堂/" + name, bytes);
    const std::string archive = "课堂" + extension_of(kind.format);
    put(dir, archive, make_archive(kind.format, files(kind.archived)));
    const auto before = tree_state(dir.path());
    for (const char* locale : locales) {
      const Produced folder = produce(dir, "课堂", locale);
      const Produced archived = produce(dir, archive, locale);
      ASSERT_EQ(folder.run.exit_status, 0) << kind.name << "\n" << folder.run.err;
      EXPECT_EQ(archived.run.exit_status, 0) << kind.name;
      EXPECT_EQ(archived.run.err, folder.run.err) << kind.name << " " << locale;
      EXPECT_EQ(archived.run.out, folder.run.out) << kind.name << " " << locale;
      EXPECT_EQ(archived.files.at("o.csv"), folder.files.at("o.csv")) << kind.name;
      // The path given is recorded as given; all else is the same.
      auto json = nlohmann::json::parse(archived.files.at("o.json"));
      EXPECT_EQ(json["options"]["paths"], archive) << kind.name;
      json["options"]["paths"] = "课堂";
      EXPECT_EQ(json, nlohmann::json::parse(folder.files.at("o.json"))) << kind.name;
      std::string html = archived.files.at("o.html");
      replace_all(html, archive, "课堂");
      EXPECT_EQ(html, folder.files.at("o.html")) << kind.name;
    }
    EXPECT_EQ(tree_state(dir.path()), before) << kind.name;
  }
}

TEST(ClassArchiveTest, ListingNamesEveryStudent) {
  ScratchDir dir;
  const Kind nested = kinds_of_archive()[5];
  put(dir, "class.zip", make_archive(nested.format, files(nested.archived)));
  const ClassRunResult run = run_utf8(dir.path(), {"class.zip", "--top", "0", "--json", "o.json"});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_TRUE(run.out.starts_with("作业 5 份，比较了 10 对")) << run.out;
  const auto json = nlohmann::json::parse(dir.read("o.json").value_or("null"));
  EXPECT_EQ(json["submissions"][4]["name"], "钱七_2023005_assignsubmission_file_");
  EXPECT_EQ(json["submissions"][4]["files"],
            std::vector<std::string>{"钱七_2023005_assignsubmission_file_/作业.zip/作业/main.c"});
}

// Archives where a folder may be: earlier classes, template code, several
// paths each one submission.
TEST(ClassArchiveTest, OldBaseAndSeveralPaths) {
  ScratchDir dir;
  put(dir, "new.zip", make_archive(Format::kZipGbk, files({{"甲.c", example("file1.c")}, {"乙.c", example("file2.c")}})));
  put(dir, "old.tar.gz", make_archive(Format::kTarGz, files({{"丙.c", example("file1.c")}})));
  put(dir, "base.zip", make_archive(Format::kZipUtf8, files({{"t/模板.c", "#include <stdio.h>\n"}})));
  put(dir, "one.zip", make_archive(Format::kZipUtf8, files({{"a/main.c", example("file1.c")}})));
  put(dir, "two.c", example("file2.c"));
  const ClassRunResult run =
      run_utf8(dir.path(), {"new.zip", "--old", "old.tar.gz", "--base", "base.zip", "--csv", "o.csv"});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  const auto rows = csv_rows(dir.read("o.csv").value_or(""));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[1][0] + " " + rows[1][1], "old.tar.gz/丙.c 甲.c");
  const ClassRunResult two = run_utf8(dir.path(), {"one.zip", "two.c", "--json", "two.json"});
  EXPECT_EQ(two.exit_status, 0) << two.err;
  const auto json = nlohmann::json::parse(dir.read("two.json").value_or("null"));
  EXPECT_EQ(json["submissions"][0]["files"], std::vector<std::string>{"one.zip/a/main.c"});
  EXPECT_EQ(json["pairs"][0]["match_len"], 66);
}

// Two good submissions beside the entries of each row.
std::vector<Entry> with_good(std::vector<Entry> entries) {
  entries.insert(entries.begin(), {{"s1.c", example("file1.c")}, {"s2.c", example("file2.c")}});
  return entries;
}

std::string many_students(Format format, int count) {
  std::vector<Entry> entries;
  for (int k = 0; k < count; ++k) {
    entries.push_back({numbered("s", static_cast<std::uint64_t>(1000 + k), "/main.c"), example(k % 2 ? "file1.c" : "file2.c") +
                                                                     std::string(600, static_cast<char>('a' + k % 26))});
  }
  return make_archive(format, entries);
}

struct BadRow {
  const char* name;
  std::function<std::string()> archive;  // the bytes of bad.zip (or as named)
  std::vector<std::string> args;         // after the archive's name
  int status;
  std::string err;                       // standard error holds this
  std::string file = "bad.zip";
};

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

TEST(ClassArchiveTest, BadArchives) {
  const std::string kNote = "codetwin-class：注意：压缩包 ";
  const BadRow rows[] = {
      {"a link", [] { return make_archive(Format::kTar, with_good({{"s3.c", "", Entry::Type::kSymlink, "/etc/passwd"}})); },
       {}, 0, kNote + "bad.tar 中的 s3.c 不予读取：是链接\n", "bad.tar"},
      {"a hard link", [] { return make_archive(Format::kTar, with_good({{"s3.c", "", Entry::Type::kHardlink, "s1.c"}})); },
       {}, 0, kNote + "bad.tar 中的 s3.c 不予读取：是链接\n", "bad.tar"},
      {"a name with ..", [] { return make_archive(Format::kZipUtf8, with_good({{"../../evil.c", "int x;"}})); },
       {}, 0, kNote + "bad.zip 中的 ../../evil.c 不予读取：名字中有“..”\n"},
      {"an absolute name", [] { return make_archive(Format::kTar, with_good({{"/tmp/evil.c", "int x;"}})); },
       {}, 0, kNote + "bad.tar 中的 /tmp/evil.c 不予读取：绝对路径\n", "bad.tar"},
      {"a device and a FIFO",
       [] { return make_archive(Format::kTar, with_good({{"tty.c", "", Entry::Type::kCharDevice}, {"fifo.c", "", Entry::Type::kFifo}})); },
       {}, 0,
       kNote + "bad.tar 中的 tty.c 不予读取：是设备或其他特殊文件\n" + kNote +
           "bad.tar 中的 fifo.c 不予读取：是设备或其他特殊文件\n",
       "bad.tar"},
      {"an encrypted file",
       [] {
         const std::string locked = make_archive(Format::kZipUtf8, {{"a.c", "secret"}}, "pw");
         return make_archive(Format::kZipUtf8, with_good({{"s3/own.zip", locked}}));
       },
       {}, 1, "codetwin-class：警告：跳过作业 s3（s3/own.zip/a.c：已加密，无法读取）\n"},
      {"cut short", [] { const std::string zip = many_students(Format::kZipUtf8, 60); return zip.substr(0, zip.size() / 2); },
       {}, 1, "：已损坏或不完整（在 s10"},
      {"its directory damaged",
       [] {
         std::string zip = many_students(Format::kZipUtf8, 6);
         zip[zip.find("PK\x01\x02") + 2] = 'X';
         return zip;
       },
       {}, 2, "codetwin-class：压缩包 bad.zip：已损坏或不完整\n"},
      {"10 GiB in 10 MB", [] { return make_zip_bomb(10, kGiB, "bomb/"); }, {}, 2,
       "codetwin-class：警告：跳过作业 0.c（解压后超过 256 MiB，不予读取）\n", "bomb.zip"},
      {"a bomb that lies about its sizes", [] { return make_zip_bomb(10, kGiB, "b", 1000); }, {"--max-bytes", "64M"}, 2,
       "codetwin-class：压缩包 bomb.zip：解压后超过 67108864 字节（--max-bytes），不予读取（在 b0.c 处）\n", "bomb.zip"},
      {"100,000 tiny entries",
       [] {
         std::vector<Entry> entries;
         for (int k = 0; k < 100000; ++k) entries.push_back({numbered("t", static_cast<std::uint64_t>(k), ".c"), "x"});
         return make_archive(Format::kZipUtf8, entries);
       },
       {}, 2, "codetwin-class：压缩包 bad.zip：条目超过 50000 个，不予读取（在 t50000.c 处）\n"},
      {"empty", [] { return make_archive(Format::kZipUtf8, {}); }, {}, 2,
       "codetwin-class：注意：压缩包是空的：bad.zip\ncodetwin-class：至少需要两份作业才能比较\n"},
      {"not an archive", [] { return std::string("int main(void) { return 0; }\n"); }, {}, 2,
       "codetwin-class：压缩包 bad.zip：无法打开：不是本程序能读的压缩包"},
      {"a charset there is none of", [] { return make_archive(Format::kZipGbk, with_good({})); },
       {"--archive-charset", "NO-SUCH"}, 2, "codetwin-class：--archive-charset：不支持的字符集：NO-SUCH\n"},
      {"a bound that is no size", [] { return make_archive(Format::kZipGbk, with_good({})); }, {"--max-bytes", "lots"}, 2,
       "codetwin-class：--max-bytes 的值应是字节数（如 1073741824、512M、2G），而不是 lots\n"},
  };
  for (const BadRow& row : rows) {
    ScratchDir dir;
    put(dir, row.file, row.archive());
    const auto before = tree_state(dir.path());
    std::vector<std::string> args = {row.file, "--csv", "o.csv"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const ClassRunResult run = run_utf8(dir.path(), args);
    EXPECT_EQ(run.exit_status, row.status) << row.name << "\n" << run.err;
    EXPECT_NE(run.err.find(row.err), std::string::npos) << row.name << "\n" << run.err;
    auto after = tree_state(dir.path());
    if (row.status != 2) {
      EXPECT_EQ(after.count("o.csv"), 1u) << row.name;
      after.erase("o.csv");
    }
    EXPECT_EQ(after, before) << row.name << ": files changed or added";
  }
}

}  // namespace
}  // namespace codetwin::testing
