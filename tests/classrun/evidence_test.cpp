// Source maps: token characters back to source bytes, what shows greyed,
// and the evidence of a run's pairs.
#include "classrun/evidence.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "classrun/submissions.h"
#include "lexer/lexer.h"

namespace codetwin::classrun {

void PrintTo(const SourceSpan& span, std::ostream* out) {
  *out << "{file " << span.file << ", " << span.begin << ".." << span.end << "}";
}
void PrintTo(const GreySpan& grey, std::ostream* out) {
  PrintTo(grey.span, out);
  *out << " grey " << static_cast<int>(grey.why);
}

namespace {

SourceMap map_of(const std::vector<std::string>& files, const LexOptions& options) {
  std::vector<FileMap> maps;
  for (const std::string& bytes : files) maps.push_back(map_file(bytes, options));
  return join_maps(std::move(maps));
}

// A stretch expected in file `file`: `text` at byte `at`.
struct Expected {
  std::uint32_t file;
  std::size_t at;
  std::string text;
};

struct MapCase {
  const char* name;
  std::vector<std::string> files;
  bool ignore_comments;
  std::size_t begin;   // the run of token characters
  std::string tokens;  // it holds
  std::vector<Expected> spans;
};

TEST(SourceSpansTest, MapsRunsToTheirWordsBytes) {
  const MapCase cases[] = {
      {"middle of a line", {"int x = a + b * c;\n"}, false, 4, "=id+id", {{0, 6, "= a + b"}}},
      {"run that starts and ends inside words",
       {"\tcount=total;"},
       false,
       1,
       "d=i",
       {{0, 1, "count=total"}}},
      {"inside a number: its own digits", {"x = 1000000;"}, false, 4, "000", {{0, 5, "000"}}},
      {"ends inside a keyword", {"x; while (a) b;"}, false, 0, "id;wh", {{0, 0, "x; wh"}}},
      {"starts inside a keyword", {"x; while (a) b;"}, false, 5, "ile(id)", {{0, 5, "ile (a)"}}},
      {"starts inside an operator", {"a == b;"}, false, 3, "=id;", {{0, 3, "= b;"}}},
      {"across lines", {"a = 1;\nb = 2;\nc = 3;\n"}, false, 3, "1;id=2", {{0, 4, "1;\nb = 2"}}},
      {"quotes and Chinese text vanish inside",
       {"printf(\"%d \xE4\xBD\xA0\xE5\xA5\xBD\\n\", x);"},
       false,
       6,
       "(idid,",
       {{0, 6, "(\"%d \xE4\xBD\xA0\xE5\xA5\xBD\\n\","}}},
      {"a vanished word just after the run stays out",
       {"a = b % c;"},
       false,
       0,
       "id=id",
       {{0, 0, "a = b"}}},
      {"a vanished word just before the run stays out",
       {"x; \xD6\xD0 a = b;"},
       false,
       3,
       "id=id",
       {{0, 6, "a = b"}}},
      {"a NUL byte vanishes inside",
       {std::string("a\0= b;", 6)},
       false,
       0,
       "id=id;",
       {{0, 0, std::string("a\0= b;", 6)}}},
      {"whole file, from its first to its last byte",
       {"x=y;"},
       false,
       0,
       "id=id;",
       {{0, 0, "x=y;"}}},
      {"start of a file after leading blanks",
       {"\n\n  return 0;"},
       false,
       0,
       "return0",
       {{0, 4, "return 0"}}},
      {"CR LF: a run across a line end",
       {"a = 1;\r\nb = 2;\r\nc = 3;\r\n"},
       false,
       3,
       "1;id=2",
       {{0, 4, "1;\r\nb = 2"}}},
      {"CR LF: a run after two line ends",
       {"a = 1;\r\nb = 2;\r\nc = 3;\r\n"},
       false,
       10,
       "id=3;",
       {{0, 16, "c = 3;"}}},
      {"lone CR is a vanished word", {"a\r= b;"}, false, 0, "id=id;", {{0, 0, "a\r= b;"}}},
      {"across the boundary of two files",
       {"int f() {\n  return 1;\n}\n", "int g() {\n  return 2;\n}\n"},
       false,
       13,
       "1;}zhid(){",
       {{0, 19, "1;\n}"}, {1, 0, "int g() {"}}},
      {"a file without tokens in between",
       {"a = b;", "/* nothing */", "c = d;"},
       true,
       3,
       "id;id=",
       {{0, 4, "b;"}, {2, 0, "c ="}}},
      {"comments ignored: a comment inside the run",
       {"a = b; /* copy */ c = d; // end\n"},
       true,
       0,
       "id=id;id=id;",
       {{0, 0, "a = b; /* copy */ c = d;"}}},
      {"comments ignored: offsets after a comment",
       {"/* x */a=b;"},
       true,
       0,
       "id=id;",
       {{0, 7, "a=b;"}}},
      {"comments ignored: a comment with a CR LF before the run",
       {"/* 1\r\n2 */a=b;\r\n// c\r\nc=d;"},
       true,
       5,
       ";id=id;",
       {{0, 13, ";\r\n// c\r\nc=d;"}}},
      {"comments kept: the comment's words count",
       {"a = b; /* copy */ c = d;"},
       false,
       6,
       "/*id*/",
       {{0, 7, "/* copy */"}}},
      {"after a Ctrl-Z nothing is read", {"a=b;\x1A c=d;"}, false, 0, "id=id;", {{0, 0, "a=b;"}}},
  };
  for (const MapCase& row : cases) {
    LexOptions options;
    options.ignore_comments = row.ignore_comments;
    const SourceMap map = map_of(row.files, options);
    ASSERT_LE(row.begin + row.tokens.size(), map.tokens.size()) << row.name << ": " << map.tokens;
    EXPECT_EQ(map.tokens.substr(row.begin, row.tokens.size()), row.tokens) << row.name;
    std::vector<SourceSpan> expected;
    for (const Expected& span : row.spans) {
      expected.push_back({span.file, span.at, span.at + span.text.size()});
      EXPECT_EQ(row.files[span.file].substr(span.at, span.text.size()), span.text) << row.name;
    }
    EXPECT_EQ(source_spans(map, row.begin, row.begin + row.tokens.size()), expected) << row.name;
  }
}

TEST(SourceSpansTest, EmptyRunHasNoStretch) {
  const SourceMap map = map_of({"a=b;"}, {});
  EXPECT_TRUE(source_spans(map, 2, 2).empty());
}

// Bytes as random as a class's sources get: C's marks, line ends of every
// kind, Ctrl-Z, NUL, GBK and UTF-8 bytes.
std::string random_source(std::mt19937& random) {
  static constexpr std::string_view kPieces[] = {"a",
                                                 "int",
                                                 " ",
                                                 "\t",
                                                 "\n",
                                                 "\r\n",
                                                 "\r",
                                                 "/*",
                                                 "*/",
                                                 "//",
                                                 "\\\n",
                                                 "\"",
                                                 "'",
                                                 "=",
                                                 "==",
                                                 "+",
                                                 ";",
                                                 "(",
                                                 ")",
                                                 "{",
                                                 "}",
                                                 "%",
                                                 "12",
                                                 "x1",
                                                 std::string_view("\0", 1),
                                                 "\x1A",
                                                 "\xD6\xD0",
                                                 "\xE4\xBD\xA0",
                                                 "double",
                                                 "while"};
  std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
  std::uniform_int_distribution<std::size_t> length(0, 60);
  std::string bytes;
  for (std::size_t n = length(random); n > 0; --n) bytes += kPieces[piece(random)];
  return bytes;
}

TEST(MapFileTest, TokensAreFileTokensAndWordsAreTheirBytes) {
  std::mt19937 random(20261209);
  for (int round = 0; round < 3000; ++round) {
    const std::string bytes = random_source(random);
    for (bool ignore_comments : {false, true}) {
      LexOptions options;
      options.ignore_comments = ignore_comments;
      const FileMap map = map_file(bytes, options);
      ASSERT_EQ(map.tokens, file_tokens(bytes, options)) << "round " << round;
      ASSERT_EQ(map.origins.size(), map.tokens.size()) << "round " << round;
      // A word holds no line end, so its bytes lie on disk as they were
      // scanned: alone, they scan to the one word that gives its characters.
      for (std::size_t p = 0; p < map.tokens.size();) {
        const std::uint32_t word = map.origins[p];
        std::size_t end = p;
        while (end < map.tokens.size() && map.origins[end] == word) ++end;
        const FileMap::Bytes at = map.words[word];
        ASSERT_LE(at.end, map.unread_from) << "round " << round;
        const std::string shown = bytes.substr(at.begin, at.end - at.begin);
        const lexer::WordList alone = lexer::scan(shown);
        ASSERT_EQ(alone.size(), 1u) << "round " << round << ": " << shown;
        EXPECT_EQ(alone[0], shown) << "round " << round;
        EXPECT_EQ(lexer::token_string(alone), map.tokens.substr(p, end - p)) << "round " << round;
        p = end;
      }
    }
  }
}

TEST(MapFileTest, SubmissionTokensAreItsFilesJoined) {
  const std::vector<std::string> files = {"int a;\r\n", "", "/* c */ b = a; \x1A tail"};
  for (bool ignore_comments : {false, true}) {
    LexOptions options;
    options.ignore_comments = ignore_comments;
    std::string joined;
    for (const std::string& bytes : files) joined += file_tokens(bytes, options);
    const SourceMap map = map_of(files, options);
    EXPECT_EQ(map.tokens, joined) << ignore_comments;
    EXPECT_EQ(map.starts, (std::vector<std::size_t>{0, 5, 5})) << ignore_comments;
  }
}

TEST(GreyedSpansTest, TemplateCodeCommentsAndUnreadTails) {
  struct Case {
    const char* name;
    std::vector<std::string> files;
    bool ignore_comments;
    std::string blank;  // '#' where the tokens are blanked as template code
    std::vector<GreySpan> expected;
  };
  const Case cases[] = {
      {"nothing greyed", {"a=b;"}, true, "", {}},
      {"template code at the start",
       {"int main() {\n  x = 1;\n}\n"},
       false,
       "#########",
       {{{0, 0, 12}, Grey::kTemplate}}},
      {"template code in two runs",
       {"int main() {\n  x = 1;\n}\n"},
       false,
       "#########     #",
       {{{0, 0, 12}, Grey::kTemplate}, {{0, 22, 23}, Grey::kTemplate}}},
      {"template code across two files",
       {"a = b;", "c = d;"},
       false,
       "   ####",
       {{{0, 4, 6}, Grey::kTemplate}, {{1, 0, 1}, Grey::kTemplate}}},
      {"comments, with their CR LFs",
       {"a; // x\r\n/* y\r\n */ b;"},
       true,
       "",
       {{{0, 3, 7}, Grey::kComment}, {{0, 9, 18}, Grey::kComment}}},
      {"comments are not greyed when they count", {"a; // x\n"}, false, "", {}},
      {"after a Ctrl-Z", {"a;", "b;\x1A /* z */"}, true, "", {{{1, 2, 11}, Grey::kUnread}}},
  };
  for (const Case& row : cases) {
    LexOptions options;
    options.ignore_comments = row.ignore_comments;
    const SourceMap map = map_of(row.files, options);
    std::string tokens = map.tokens;
    for (std::size_t p = 0; p < row.blank.size(); ++p) {
      if (row.blank[p] == '#') tokens[p] = ' ';
    }
    EXPECT_TRUE(matches(map, tokens)) << row.name;
    EXPECT_EQ(greyed_spans(map, tokens), row.expected) << row.name;
  }
}

TEST(MatchesTest, TellsAChangedFile) {
  const SourceMap map = map_of({"a = b;"}, {});
  EXPECT_TRUE(matches(map, "id=id;"));
  EXPECT_TRUE(matches(map, "id   ;"));
  EXPECT_FALSE(matches(map, "id=id"));
  EXPECT_FALSE(matches(map, "id+id;"));
}

TEST(TileEvidenceTest, LargestFirstWithTheirStretches) {
  const SourceMap a = map_of({"x = 1;\nwhile (x) { y = y + x; }\n"}, {});
  const SourceMap b = map_of({"while (k) { m = m + k; }\nk = 1;\n"}, {});
  similarity::TilingWorkspace workspace;
  const std::vector<TileEvidence> tiles = tile_evidence(a.tokens, b.tokens, &a, &b, workspace);
  ASSERT_EQ(tiles.size(), 2u);
  EXPECT_EQ(tiles[0].length, 20);  // while(id){id=id+id;}
  EXPECT_EQ(tiles[0].in_a, (std::vector<SourceSpan>{{0, 7, 31}}));
  EXPECT_EQ(tiles[0].in_b, (std::vector<SourceSpan>{{0, 0, 24}}));
  EXPECT_EQ(tiles[1].length, 5);  // id=1;
  EXPECT_EQ(tiles[1].in_a, (std::vector<SourceSpan>{{0, 0, 6}}));
  EXPECT_EQ(tiles[1].in_b, (std::vector<SourceSpan>{{0, 25, 31}}));

  const std::vector<TileEvidence> unmapped =
      tile_evidence(a.tokens, b.tokens, nullptr, &b, workspace);
  ASSERT_EQ(unmapped.size(), 2u);
  EXPECT_TRUE(unmapped[0].in_a.empty());
  EXPECT_EQ(unmapped[0].in_b, tiles[0].in_b);
}

TEST(WithoutCommentsTest, ACommentInsideAStretchIsCutOut) {
  const LexOptions no_comments{.ignore_comments = true};
  struct Row {
    const char* name;
    std::string source;
    std::vector<SourceSpan> expected;  // of the one run over the whole code
  };
  const Row rows[] = {
      {"no comment", "a = b;\nc = d;\n", {{0, 0, 13}}},
      {"a line between", "a = b;\n/* x */\nc = d;\n", {{0, 0, 6}, {0, 15, 21}}},
      {"at a line's end", "a = b; // set\nc = d;\n", {{0, 0, 6}, {0, 14, 20}}},
      {"two, only blanks between", "a = b; /* x */ /* y */ c = d;", {{0, 0, 6}, {0, 23, 29}}},
      {"inside a statement", "a = /* x */ b;", {{0, 0, 3}, {0, 12, 14}}},
  };
  for (const Row& row : rows) {
    const SourceMap map = map_of({row.source}, no_comments);
    const std::vector<SourceSpan> spans = source_spans(map, 0, map.tokens.size());
    EXPECT_EQ(without_comments(map, spans), row.expected) << row.name;
  }
  // Across two files, a comment in the second.
  const SourceMap two = map_of({"a = b;", "/* x */ c = d;"}, no_comments);
  EXPECT_EQ(without_comments(two, source_spans(two, 0, two.tokens.size())),
            (std::vector<SourceSpan>{{0, 0, 6}, {1, 8, 14}}));
}

// A run of three submissions, read from memory.
struct FakeClass {
  std::map<std::string, std::string> disk;  // path -> bytes
  ClassResult result;
  LexOptions options;

  void add(const std::string& name, const std::vector<std::string>& files) {
    Submission submission;
    submission.name = name;
    for (std::size_t i = 0; i < files.size(); ++i) {
      const std::string path = name + "/" + std::to_string(i) + ".c";
      disk[path] = files[i];
      submission.files.push_back({path, std::to_string(i) + ".c"});
    }
    lex_submission(submission, files, options);
    result.submissions.push_back(submission);
  }
  Evidence evidence() const {
    return evidence_of(
        result,
        [this](const SourceFile& file, std::string& why) -> std::optional<std::string> {
          const auto found = disk.find(file.path.generic_string());
          if (found == disk.end()) {
            why = "不存在";
            return std::nullopt;
          }
          return found->second;
        });
  }
};

TEST(EvidenceOfTest, EachSubmissionShownOnceWithItsTiles) {
  FakeClass fake;
  fake.add("ann", {"int main() { int s = 0; for (i = 0; i < 9; i++) s = s + i; }\n"});
  fake.add("bob", {"int main() {\n", "  int t = 0;\n  for (j = 0; j < 9; j++) t = t + j;\n}\n"});
  fake.add("cat", {"x = 1;\n"});
  fake.result.evidence = {{0, 1, 0}, {0, 2, 0}};
  const Evidence evidence = fake.evidence();
  ASSERT_EQ(evidence.views.size(), 3u);
  EXPECT_EQ(evidence.views[0].submission, 0u);
  EXPECT_EQ(evidence.views[1].submission, 1u);
  EXPECT_EQ(evidence.views[2].submission, 2u);
  ASSERT_EQ(evidence.views[1].files.size(), 2u);
  EXPECT_EQ(evidence.views[1].files[1].name, "1.c");
  ASSERT_EQ(evidence.pairs.size(), 2u);
  EXPECT_EQ(evidence.pairs[1].view_a, 0u);
  EXPECT_EQ(evidence.pairs[1].view_b, 2u);
  // The whole program is one tile, from bob's first file into his second.
  ASSERT_EQ(evidence.pairs[0].tiles.size(), 1u);
  const TileEvidence& tile = evidence.pairs[0].tiles[0];
  EXPECT_EQ(tile.length, static_cast<std::int64_t>(fake.result.submissions[0].tokens.size()));
  EXPECT_EQ(tile.in_a, (std::vector<SourceSpan>{{0, 0, 60}}));
  EXPECT_EQ(tile.in_b, (std::vector<SourceSpan>{{0, 0, 12}, {1, 2, 51}}));
}

TEST(EvidenceOfTest, SourcesThatCannotBeShown) {
  FakeClass fake;
  fake.add("ann", {"a = b + c;"});
  fake.add("bob", {"a = b + c;"});
  fake.add("cat", {"a = b + c;"});
  fake.add("dan", {std::string(kMaxShownBytes, ' ') + "a = b + c;"});
  fake.disk.erase("bob/0.c");
  fake.disk["cat/0.c"] = "a = b - c;";  // changed since it was scored
  fake.result.evidence = {{0, 1, 10}, {0, 2, 10}, {0, 3, 10}};
  const Evidence evidence = fake.evidence();
  ASSERT_EQ(evidence.views.size(), 4u);
  EXPECT_EQ(evidence.views[0].problem, "");
  EXPECT_EQ(evidence.views[1].problem, "0.c：不存在");
  EXPECT_EQ(evidence.views[2].problem, "源文件在比较之后有改动，片段无法对应");
  EXPECT_EQ(evidence.views[3].problem, "源代码超过 1 MiB，不显示");
  for (std::size_t view = 1; view < 4; ++view) {
    EXPECT_TRUE(evidence.views[view].files.empty()) << view;
    const PairEvidence& pair = evidence.pairs[view - 1];
    ASSERT_EQ(pair.tiles.size(), 1u) << view;
    EXPECT_EQ(pair.tiles[0].in_a, (std::vector<SourceSpan>{{0, 0, 10}})) << view;
    EXPECT_TRUE(pair.tiles[0].in_b.empty()) << view;
  }
}

TEST(EvidenceOfTest, ViewsStopAtTheLimit) {
  FakeClass fake;
  fake.add("ann", {"a = b + c;"});
  fake.add("bob", {"a = b + c;"});
  fake.result.evidence.assign(kMaxPairViews + 3, PairScore{0, 1, 10});
  const Evidence evidence = fake.evidence();
  EXPECT_EQ(evidence.pairs.size(), kMaxPairViews);
  EXPECT_EQ(evidence.omitted, 3u);
  EXPECT_EQ(evidence.views.size(), 2u);
}

}  // namespace
}  // namespace codetwin::classrun
