// Classes made of a corpus: what each file is, as the manifest says; the
// originals byte for byte; copies before and after their originals; and
// nothing written where it must not be.
#include "bench/class_maker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/bench/disguise_samples.h"
#include "tests/platform/temp_dir.h"

namespace codetwin::bench {
namespace {

namespace fs = std::filesystem;
using testing::read_bytes;
using testing::TempDir;
using testing::write_bytes;

// Seven solutions of one exercise: the samples and two variants.
std::vector<CorpusFile> originals() {
  std::string variant(samples::kPartialY);
  variant.replace(variant.find("500"), 3, "80");
  return {{"001.c", samples::longest_line()},
          {"002.c", std::string(samples::kTricky)},
          {"003.c", std::string(samples::kUnderscores)},
          {"004.c", std::string(samples::kPartialX)},
          {"005.c", std::string(samples::kPartialY)},
          {"006.c", variant},
          {"007.c", std::string(samples::kPartialX) + "/* the end */\n"}};
}

std::map<std::string, std::string> folder_files(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), folder).generic_string()] = read_bytes(entry.path());
    }
  }
  return files;
}

TEST(ClassMakerTest, TheManifestSaysWhatEachFileIs) {
  const std::vector<CorpusFile> corpus = originals();
  for (std::uint64_t seed = 1; seed <= 6; ++seed) {
    const std::vector<ClassEntry> entries = make_class(corpus, "1-14", seed);
    ASSERT_EQ(entries.size(), corpus.size() + 5) << seed;
    std::map<std::string, const ClassEntry*> by_name;
    std::map<std::string, int> kinds;
    std::set<std::string> origins_kept;
    for (std::size_t k = 0; k < entries.size(); ++k) {
      EXPECT_EQ(entries[k].name,
                "s0" + std::string(k + 1 < 10 ? "0" : "") + std::to_string(k + 1) + ".c");
      by_name[entries[k].name] = &entries[k];
      ++kinds[entries[k].kind];
    }
    EXPECT_EQ(kinds, (std::map<std::string, int>{{"original", 6},
                                                 {"plain", 1},
                                                 {"padded", 1},
                                                 {"extended", 1},
                                                 {"partial", 1},
                                                 {"group", 2}}))
        << seed;
    std::string partial_origin;
    for (const ClassEntry& e : entries) {
      const auto source = std::find_if(corpus.begin(), corpus.end(),
                                       [&](const CorpusFile& f) { return f.name == e.origin; });
      ASSERT_NE(source, corpus.end()) << e.name;
      if (e.kind == "original") {
        EXPECT_EQ(e.bytes, source->bytes) << e.name;
        EXPECT_EQ(e.copies, "") << e.name;
        origins_kept.insert(e.origin);
        continue;
      }
      EXPECT_NE(e.bytes, source->bytes) << e.name;
      ASSERT_EQ(by_name.count(e.copies), 1u) << e.name << " copies " << e.copies;
      const ClassEntry& copied = *by_name[e.copies];
      EXPECT_EQ(copied.kind, "original") << e.name;
      if (e.kind == "partial") {
        partial_origin = e.origin;
        EXPECT_NE(copied.origin, e.origin) << e.name;
      } else {
        EXPECT_EQ(copied.origin, e.origin) << e.name;
      }
    }
    // Y' stands in for Y: Y itself is gone.
    EXPECT_EQ(origins_kept.count(partial_origin), 0u) << seed;
    EXPECT_EQ(origins_kept.size(), 6u) << seed;
  }
}

TEST(ClassMakerTest, CopiesComeBeforeAndAfterTheirOriginals) {
  std::size_t before = 0;
  std::size_t after = 0;
  for (std::uint64_t seed = 1; seed <= 10; ++seed) {
    for (const ClassEntry& e : make_class(originals(), "1-14", seed)) {
      if (e.kind == "original") continue;
      ++(e.name < e.copies ? before : after);
    }
  }
  EXPECT_GT(before, 10u);
  EXPECT_GT(after, 10u);
}

TEST(ClassMakerTest, TheSameSeedMakesTheSameClassAndTooFewOriginalsNone) {
  const std::vector<ClassEntry> one = make_class(originals(), "2-4", 3);
  const std::vector<ClassEntry> again = make_class(originals(), "2-4", 3);
  const std::vector<ClassEntry> other = make_class(originals(), "2-5", 3);
  EXPECT_EQ(manifest_text(one), manifest_text(again));
  for (std::size_t k = 0; k < one.size(); ++k) EXPECT_EQ(one[k].bytes, again[k].bytes);
  EXPECT_NE(manifest_text(one), manifest_text(other));
  std::vector<CorpusFile> five = originals();
  five.resize(kOriginalsNeeded - 1);
  EXPECT_TRUE(make_class(five, "2-4", 3).empty());
}

TEST(ClassMakerTest, ManifestIsOneTabSeparatedLinePerFile) {
  const std::vector<ClassEntry> entries = {{"s001.c", "004.c", "original", "", "x"},
                                           {"s002.c", "004.c", "plain", "s001.c", "y"}};
  EXPECT_EQ(manifest_text(entries),
            "name\torigin\tkind\tcopies\n"
            "s001.c\t004.c\toriginal\t\n"
            "s002.c\t004.c\tplain\ts001.c\n");
}

// A corpus of two exercises in a temporary folder.
class WriteClassesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.ok());
    corpus_ = temp_.path() / "corpus";
    out_ = temp_.path() / "out";
    for (const char* exercise : {"1-14", "2-4"}) {
      fs::create_directories(corpus_ / exercise);
      for (const CorpusFile& f : originals()) {
        ASSERT_TRUE(write_bytes(corpus_ / exercise / f.name, f.bytes));
      }
    }
    ASSERT_TRUE(write_bytes(corpus_ / "README.md", "not an exercise\n"));
    corpus_files_ = folder_files(corpus_);
  }

  TempDir temp_;
  fs::path corpus_;
  fs::path out_;
  std::map<std::string, std::string> corpus_files_;
};

TEST_F(WriteClassesTest, WritesEachExercisesClassAndManifestBesideIt) {
  std::string error;
  ASSERT_TRUE(write_classes(corpus_, out_, 5, &error)) << error;
  EXPECT_EQ(error, "");
  const std::map<std::string, std::string> written = folder_files(out_);
  for (const char* exercise : {"1-14", "2-4"}) {
    const std::vector<ClassEntry> entries = make_class(originals(), exercise, 5);
    EXPECT_EQ(written.at(std::string(exercise) + ".tsv"), manifest_text(entries));
    for (const ClassEntry& e : entries) {
      EXPECT_EQ(written.at(std::string(exercise) + "/" + e.name), e.bytes) << e.name;
    }
  }
  EXPECT_EQ(written.size(), 2 * (originals().size() + 5) + 2);
  EXPECT_EQ(folder_files(corpus_), corpus_files_);
}

TEST_F(WriteClassesTest, RefusesANonEmptyClassFolderAndWritesNothing) {
  fs::create_directories(out_ / "2-4");
  ASSERT_TRUE(write_bytes(out_ / "2-4" / "old.c", "int x;\n"));
  std::string error;
  EXPECT_FALSE(write_classes(corpus_, out_, 5, &error));
  EXPECT_EQ(error,
            (out_ / "2-4").string() + " exists and is not empty; give a new or empty OUT_DIR");
  EXPECT_EQ(folder_files(out_), (std::map<std::string, std::string>{{"2-4/old.c", "int x;\n"}}));
  EXPECT_FALSE(fs::exists(out_ / "1-14"));
}

TEST_F(WriteClassesTest, AcceptsAnEmptyClassFolder) {
  fs::create_directories(out_ / "1-14");
  std::string error;
  EXPECT_TRUE(write_classes(corpus_, out_, 5, &error)) << error;
}

TEST_F(WriteClassesTest, NeverWritesIntoTheCorpus) {
  std::string error;
  EXPECT_FALSE(write_classes(corpus_, corpus_ / "classes", 5, &error));
  EXPECT_EQ(error, (corpus_ / "classes").string() + " lies inside the corpus " + corpus_.string() +
                       "; the corpus is never written to");
  EXPECT_FALSE(write_classes(corpus_, corpus_, 5, &error));
  EXPECT_EQ(folder_files(corpus_), corpus_files_);
}

TEST_F(WriteClassesTest, RefusesAnExerciseWithTooFewFiles) {
  fs::remove(corpus_ / "2-4" / "001.c");
  fs::remove(corpus_ / "2-4" / "002.c");
  std::string error;
  EXPECT_FALSE(write_classes(corpus_, out_, 5, &error));
  EXPECT_EQ(error, (corpus_ / "2-4").string() + " holds 5 C files; an exercise needs at least 6");
  EXPECT_FALSE(fs::exists(out_));
}

}  // namespace
}  // namespace codetwin::bench
