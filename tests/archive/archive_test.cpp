// The archive reader on archives made at run time: every format, names in
// every charset, nesting, and each kind of bad archive or entry.
#include "archive/archive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/archive/archive_maker.h"

namespace codetwin::archive {
namespace {

using testing::Entry;
using testing::Format;

const Reader::Wanted kSources = [](std::string_view name) {
  return name.ends_with(".c") || is_archive_name(name);
};

// A tree as text: each file "name=bytes", "name" when not read, or
// "name!why"; then each skipped entry "-name: why"; then the stop.
std::string text_of(const Tree& tree) {
  std::string text;
  for (const File& file : tree.files) {
    text += file.name;
    if (file.bytes) text += "=" + *file.bytes;
    if (!file.unreadable.empty()) text += "!" + file.unreadable;
    text += "\n";
  }
  for (const Skipped& skipped : tree.skipped) text += "-" + skipped.name + ": " + skipped.why + "\n";
  const char* stops[] = {"", "unopenable", "damaged", "too large", "too many"};
  if (tree.stop != Stop::kNone) text += std::string("stop: ") + stops[static_cast<int>(tree.stop)] + " at " + tree.stopped_at + "\n";
  return text;
}

Tree read(const std::string& bytes, std::optional<std::string> charset = std::nullopt,
          std::uint64_t max_bytes = kDefaultMaxBytes) {
  Reader reader(std::move(charset), max_bytes);
  return reader.read_bytes(bytes, kSources);
}

const std::vector<Entry> kClass = {
    {"hw/", "", Entry::Type::kFolder},
    {"hw/张三_2023001/main.c", "int main(){}"},
    {"hw/张三_2023001/说明.txt", "readme"},
    {"hw/李四.c", "int f(){}"},
};
const std::string kClassTree = "hw/张三_2023001/main.c=int main(){}\nhw/张三_2023001/说明.txt\nhw/李四.c=int f(){}\n";

TEST(ArchiveTest, EveryFormatGivesTheSameTree) {
  for (Format format : {Format::kZipGbk, Format::kZipUtf8, Format::kTar, Format::kTarGz, Format::kTarXz,
                        Format::kTarBz2, Format::k7z}) {
    const Tree tree = read(testing::make_archive(format, kClass));
    EXPECT_EQ(text_of(tree), kClassTree) << testing::extension_of(format);
    EXPECT_FALSE(tree.empty);
  }
}

TEST(ArchiveTest, NamesInEachCharset) {
  const std::vector<Entry> entries = {{"王五.c", "x"}};
  const std::string gbk = testing::make_archive(Format::kZipGbk, entries);
  const std::string flagged = testing::make_archive(Format::kZipUtf8, entries);
  ASSERT_NE(gbk.find("\xCD\xF5\xCE\xE5.c"), std::string::npos) << "GBK in the zip itself";
  ASSERT_NE(flagged.find("王五.c"), std::string::npos) << "UTF-8 in the zip itself";
  struct Row {
    const char* name;
    const std::string& zip;
    std::optional<std::string> charset;
    std::string tree;
  };
  const Row rows[] = {
      {"GBK, guessed", gbk, std::nullopt, "王五.c=x\n"},
      {"GBK, given", gbk, "GBK", "王五.c=x\n"},
      {"GBK, given as code page 936", gbk, "CP936", "王五.c=x\n"},
      {"GBK read as Big5 when told so", gbk, "BIG5", "卼拻.c=x\n"},
      {"flagged UTF-8", flagged, std::nullopt, "王五.c=x\n"},
      {"flagged UTF-8 whatever charset is given", flagged, "BIG5", "王五.c=x\n"},
  };
  for (const Row& row : rows) EXPECT_EQ(text_of(read(row.zip, row.charset)), row.tree) << row.name;
}

TEST(ArchiveTest, CharsetsKnownAndUnknown) {
  EXPECT_TRUE(charset_supported("GBK"));
  EXPECT_TRUE(charset_supported("BIG5"));
  EXPECT_TRUE(charset_supported("UTF-8"));
  EXPECT_FALSE(charset_supported("NO-SUCH-CHARSET"));
}

TEST(ArchiveTest, ArchiveInsideIsAFolderOneLevelDeep) {
  const std::string innermost = testing::make_archive(Format::kZipGbk, {{"deep.c", "d"}});
  const std::string inner = testing::make_archive(
      Format::kZipGbk, {{"作业/main.c", "m"}, {"作业/more.zip", innermost}, {"notes.txt", "n"}});
  const std::string outer = testing::make_archive(Format::kZipUtf8, {{"张三/hw.zip", inner}, {"李四.c", "l"}});
  EXPECT_EQ(text_of(read(outer)),
            "张三/hw.zip/作业/main.c=m\n张三/hw.zip/作业/more.zip=" + innermost + "\n张三/hw.zip/notes.txt\n李四.c=l\n");
}

TEST(ArchiveTest, BadEntriesAreSkippedOrUnreadable) {
  const std::vector<Entry> hostile = {
      {"ok.c", "fine"},
      {"link.c", "", Entry::Type::kSymlink, "/etc/passwd"},
      {"hard.c", "", Entry::Type::kHardlink, "ok.c"},
      {"tty.c", "", Entry::Type::kCharDevice},
      {"pipe.c", "", Entry::Type::kFifo},
      {"/etc/evil.c", "abs"},
      {"../evil.c", "up"},
      {"a/../../evil.c", "up"},
  };
  EXPECT_EQ(text_of(read(testing::make_archive(Format::kTar, hostile))),
            "ok.c=fine\n-link.c: 是链接\n-hard.c: 是链接\n-tty.c: 是设备或其他特殊文件\n"
            "-pipe.c: 是设备或其他特殊文件\n-/etc/evil.c: 绝对路径\n-../evil.c: 名字中有“..”\n"
            "-a/../../evil.c: 名字中有“..”\n");
  const std::vector<Entry> zipped = {{"ok.c", "fine"}, {"link.c", "", Entry::Type::kSymlink, "ok.c"},
                                     {"../up.c", "up"}};
  EXPECT_EQ(text_of(read(testing::make_archive(Format::kZipUtf8, zipped))),
            "ok.c=fine\n-link.c: 是链接\n-../up.c: 名字中有“..”\n");
}

TEST(ArchiveTest, EncryptedFilesAreNamedUnreadable) {
  const std::string zip = testing::make_archive(Format::kZipUtf8, {{"a.c", "secret"}, {"b.txt", "x"}}, "pw");
  EXPECT_EQ(text_of(read(zip)), "a.c!已加密，无法读取\nb.txt\n");
}

TEST(ArchiveTest, DamagedArchives) {
  // Letters that do not compress away, so that half an archive is half its files.
  std::vector<Entry> many;
  std::uint32_t seed = 2026;
  for (int k = 0; k < 40; ++k) {
    std::string text;
    for (int n = 0; n < 4000; ++n) {
      seed = seed * 1103515245u + 12345u;
      text += static_cast<char>('a' + (seed >> 16) % 26);
    }
    many.push_back({testing::numbered("s", static_cast<std::uint64_t>(100 + k), ".c"), text});
  }
  const std::string zip = testing::make_archive(Format::kZipUtf8, many);
  const std::string tgz = testing::make_archive(Format::kTarGz, many);
  std::string bad_directory = zip;
  const std::size_t directory = bad_directory.find("PK\x01\x02");
  ASSERT_NE(directory, std::string::npos);
  bad_directory[directory + 2] = 'X';
  struct Row {
    const char* name;
    std::string bytes;
    Stop stop;
    bool some_read;
  };
  const Row rows[] = {
      {"zip cut in half", zip.substr(0, zip.size() / 2), Stop::kDamaged, true},
      {"zip's directory damaged", bad_directory, Stop::kDamaged, false},
      {"tar.gz cut in half", tgz.substr(0, tgz.size() / 2), Stop::kDamaged, true},
      {"not an archive", "int main() { return 0; }\n", Stop::kUnopenable, false},
      {"nothing but a zip's signature", "PK\x03\x04", Stop::kDamaged, false},
  };
  for (const Row& row : rows) {
    const Tree tree = read(row.bytes);
    std::size_t read_files = 0;
    for (const File& file : tree.files) read_files += file.bytes != nullptr;
    EXPECT_EQ(tree.stop, row.stop) << row.name << ": " << read_files << " read";
    EXPECT_EQ(read_files > 0, row.some_read) << row.name << ": " << read_files << " read";
    EXPECT_LT(read_files, many.size()) << row.name;
  }
  // Cut short of its directory's end, a zip is read by its files' own
  // headers: all of it is there.
  const Tree cut = read(zip.substr(0, zip.size() - 10));
  EXPECT_EQ(cut.stop, Stop::kNone);
  EXPECT_EQ(cut.files.size(), many.size());
}

TEST(ArchiveTest, EmptyArchives) {
  for (Format format : {Format::kZipUtf8, Format::kTar, Format::kTarGz, Format::k7z}) {
    const Tree tree = read(testing::make_archive(format, {}));
    EXPECT_EQ(text_of(tree), "") << testing::extension_of(format);
    EXPECT_TRUE(tree.empty) << testing::extension_of(format);
  }
  const Tree empty_file = read("");
  EXPECT_EQ(text_of(empty_file), "");
  EXPECT_TRUE(empty_file.empty);
}

TEST(ArchiveTest, BombsAreRefused) {
  constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
  // Ten files of 1 GiB in 10 MB, as their headers say: each is too large
  // to read, and none is decompressed.
  const std::string honest = testing::make_zip_bomb(10, kGiB, "b");
  EXPECT_LT(honest.size(), 11u << 20);
  Reader reader(std::nullopt, kDefaultMaxBytes);
  std::string expected;
  for (std::uint64_t k = 0; k < 10; ++k) expected += testing::numbered("b", k, ".c!解压后超过 256 MiB，不予读取\n");
  EXPECT_EQ(text_of(reader.read_bytes(honest, kSources)), expected);
  EXPECT_EQ(reader.used(), 0u);
  // The same claiming 1 KiB each: the data itself is stopped at the bound.
  const std::string lying = testing::make_zip_bomb(10, kGiB, "b", 1024);
  Reader bounded(std::nullopt, std::uint64_t{64} << 20);
  EXPECT_EQ(text_of(bounded.read_bytes(lying, kSources)), "stop: too large at b0.c\n");
  EXPECT_LE(bounded.used(), (std::uint64_t{64} << 20) + (1u << 16));
  // A compressed tar's file is refused by its declared size, before its
  // stream is decompressed to pass over it.
  const std::string tgz = testing::make_archive(Format::kTarGz, {{"a.c", "a"}, {"big.bin", std::string(80u << 20, '\0')}, {"z.c", "z"}});
  Reader small(std::nullopt, std::uint64_t{64} << 20);
  EXPECT_EQ(text_of(small.read_bytes(tgz, kSources)), "a.c=a\nstop: too large at big.bin\n");
  EXPECT_LT(small.used(), 1u << 20);
}

TEST(ArchiveTest, SmallBombReadsAsZeros) {
  // The bomb's deflate stream is right: a small one reads back whole.
  const std::string zip = testing::make_zip_bomb(2, 100000, "z");
  EXPECT_EQ(text_of(read(zip)), "z0.c=" + std::string(100000, '\0') + "\nz1.c=" + std::string(100000, '\0') + "\n");
}

TEST(ArchiveTest, TooManyEntries) {
  std::vector<Entry> entries;
  for (std::uint64_t k = 0; k <= kMaxEntries; ++k) entries.push_back({testing::numbered("s", k, ".c"), "x"});
  const Tree tree = read(testing::make_archive(Format::kZipUtf8, entries));
  EXPECT_EQ(tree.stop, Stop::kTooMany);
  EXPECT_EQ(tree.stopped_at, testing::numbered("s", kMaxEntries, ".c"));
}

TEST(ArchiveTest, ArchiveNames) {
  for (const char* name : {"a.zip", "A.ZIP", "x/y.7z", "c.tar", "c.tar.gz", "c.TGZ", "c.tar.xz", "c.txz", "c.tar.bz2", "c.tbz2"}) {
    EXPECT_TRUE(is_archive_name(name)) << name;
  }
  for (const char* name : {"a.c", ".zip", "x/.zip", "a.gz", "a.zip.c", "zip", "a.rar"}) {
    EXPECT_FALSE(is_archive_name(name)) << name;
  }
}

}  // namespace
}  // namespace codetwin::archive
