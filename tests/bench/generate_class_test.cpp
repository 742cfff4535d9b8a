// The generated classes of the benchmarks: the same bytes from the same
// seed, token strings that the lexer agrees with, the sizes they promise,
// and copies that are disguised yet tile mostly with their originals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "bench/generate.h"
#include "common/utf8.h"
#include "lexer/lexer.h"
#include "similarity/similarity.h"

namespace codetwin::bench {
namespace {

constexpr std::uint64_t kSeed = 1;
constexpr std::size_t kClassSize = 200;

const std::vector<ClassSubmission>& a_class() {
  static const std::vector<ClassSubmission> all = generate_class(kSeed, kClassSize);
  return all;
}

std::uint64_t fnv1a(std::uint64_t h, std::string_view bytes) {
  for (char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
  return h;
}

TEST(GenerateClassTest, TheSameSeedGivesTheSameBytesOnEveryPlatform) {
  // A fingerprint of every name and byte of a class of 40: it changes only
  // when the generator does (the benchmarks' figures then change too).
  std::uint64_t h = 0xCBF29CE484222325ULL;
  for (const ClassSubmission& s : generate_class(kSeed, 40)) {
    h = fnv1a(h, s.name);
    for (const ClassFile& f : s.files) h = fnv1a(fnv1a(h, f.name), f.source);
  }
  EXPECT_EQ(h, 0x1E9AD1D385408DE4ULL);
}

TEST(GeneratePairTest, TheSameSeedGivesTheSameBytesWithEveryCompiler) {
  // Two draws in one expression once gave g++ and clang different inputs.
  std::uint64_t h = 0xCBF29CE484222325ULL;
  for (std::uint64_t seed : {1, 7, 100}) {
    const ProgramPair pair = generate_pair(seed, 5000);
    for (const Program* p : {&pair.first, &pair.second}) h = fnv1a(fnv1a(h, p->source), p->tokens);
  }
  EXPECT_EQ(h, 0x8A43058AE4B4B1B5ULL);
}

TEST(GenerateClassTest, ASmallerClassIsTheStartOfALargerOne) {
  for (std::size_t index : {0u, 1u, 2u, 57u, 199u}) {
    const ClassSubmission small = generate_class_submission(kSeed, kClassSize, index);
    const ClassSubmission large = generate_class_submission(kSeed, 5000, index);
    ASSERT_EQ(small.files.size(), large.files.size()) << index;
    for (std::size_t f = 0; f < small.files.size(); ++f) {
      EXPECT_EQ(small.files[f].source, large.files[f].source) << index;
    }
    EXPECT_EQ(small.copy_of, large.copy_of) << index;
  }
  EXPECT_NE(generate_class_submission(kSeed, 10, 3).files[0].source,
            generate_class_submission(kSeed + 1, 10, 3).files[0].source);
}

TEST(GenerateClassTest, NamesSortInNumberOrderAndFoldersHoldTwoFiles) {
  struct Case {
    std::size_t count;
    std::size_t index;
    const char* name_start;
  };
  const Case cases[] = {{200, 0, "s0001"},
                        {200, 199, "s0200"},
                        {9999, 9998, "s9999"},
                        {10000, 0, "s00001"},
                        {10000, 9999, "s10000"}};
  for (const Case& row : cases) {
    const std::string name = generate_class_submission(kSeed, row.count, row.index).name;
    EXPECT_EQ(name.substr(0, name.find('.')), row.name_start) << row.count << " " << row.index;
  }
  std::size_t folders = 0;
  for (const ClassSubmission& s : a_class()) {
    if (s.files.size() == 1) {
      EXPECT_EQ(s.files[0].name, s.name);
      EXPECT_EQ(s.name.substr(s.name.size() - 2), ".c");
      continue;
    }
    ++folders;
    ASSERT_EQ(s.files.size(), 2u) << s.name;
    EXPECT_EQ(s.files[0].name, s.name + "/main.c");
    EXPECT_EQ(s.files[1].name, s.name + "/util.c");
    EXPECT_NE(s.files[0].source.find("main"), std::string::npos) << s.name;
    EXPECT_EQ(s.files[1].source.find("main"), std::string::npos) << s.name;
  }
  EXPECT_GE(folders, 3u);
}

TEST(GenerateClassTest, TokenStringsAreTheLexersAndComments) {
  std::size_t gbk = 0;
  std::size_t utf8 = 0;
  std::size_t with_comments = 0;
  for (const ClassSubmission& s : a_class()) {
    std::string tokens;
    for (const ClassFile& f : s.files) {
      EXPECT_EQ(lexer::token_string(lexer::scan(f.source)), f.tokens) << f.name;
      tokens += f.tokens;
      // Chinese comments are all GBK or all UTF-8 in a file.
      const bool chinese = std::any_of(f.source.begin(), f.source.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x80;
      });
      if (chinese) ++(is_valid_utf8(f.source) ? utf8 : gbk);
    }
    EXPECT_EQ(s.tokens(), tokens) << s.name;
    std::string code_tokens;
    for (const ClassFile& f : s.files) {
      code_tokens += lexer::token_string(lexer::scan(lexer::strip_comments(f.source).text));
    }
    if (code_tokens != tokens) ++with_comments;
  }
  EXPECT_GT(gbk, kClassSize / 3);
  EXPECT_GT(utf8, kClassSize / 10);
  EXPECT_GT(with_comments, kClassSize * 9 / 10);
}

TEST(GenerateClassTest, SizesAreThoseOfBeginnersPrograms) {
  std::size_t tokens = 0;
  std::size_t bytes = 0;
  for (const ClassSubmission& s : a_class()) {
    const std::size_t length = s.tokens().size();
    EXPECT_GE(length, 600u) << s.name;
    EXPECT_LE(length, 2600u) << s.name;
    tokens += length;
    for (const ClassFile& f : s.files) bytes += f.source.size();
  }
  EXPECT_GE(tokens / kClassSize, 1400u);
  EXPECT_LE(tokens / kClassSize, 1600u);
  EXPECT_GE(bytes / kClassSize, 3000u);
  EXPECT_LE(bytes / kClassSize, 4000u);
}

float similarity_of(const std::string& a, const std::string& b) {
  const auto tiles = similarity::tile(a, b, 3);
  return similarity::similarity(similarity::match_length(tiles),
                                static_cast<std::int64_t>(a.size()),
                                static_cast<std::int64_t>(b.size()));
}

TEST(GenerateClassTest, ATenthAreDisguisedCopiesThatTileMostly) {
  const std::vector<ClassSubmission>& all = a_class();
  std::set<std::size_t> originals;
  std::size_t copies = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const ClassSubmission& copy = all[i];
    if (!copy.copy_of) continue;
    ++copies;
    const std::size_t o = *copy.copy_of;
    ASSERT_LT(o, i) << copy.name;
    const ClassSubmission& original = all[o];
    EXPECT_FALSE(original.copy_of) << copy.name;
    EXPECT_EQ(original.exercise, copy.exercise) << copy.name;
    EXPECT_NE(copy.tokens(), original.tokens()) << copy.name;
    EXPECT_GE(similarity_of(original.tokens(), copy.tokens()), 0.8f) << copy.name;
    // Its original is among the closest tenth of the exercise's originals.
    const float own = similarity_of(original.tokens(), copy.tokens());
    std::size_t others = 0;
    std::size_t closer = 0;
    for (std::size_t k = 0; k < all.size(); ++k) {
      if (k == o || all[k].copy_of || all[k].exercise != copy.exercise) continue;
      ++others;
      if (similarity_of(all[k].tokens(), copy.tokens()) >= own) ++closer;
    }
    EXPECT_LE(closer * 10, others) << copy.name;
    originals.insert(o);
  }
  EXPECT_GE(copies, kClassSize / 20);
  EXPECT_LE(copies, kClassSize / 6);
  EXPECT_GE(originals.size(), copies * 3 / 4);
}

}  // namespace
}  // namespace codetwin::bench
