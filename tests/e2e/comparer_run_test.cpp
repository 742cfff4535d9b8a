// End to end, from the success line to the verdict: the questions, the
// details, the score, the viewer and the failures of the comparer.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/dialogue.h"
#include "tests/e2e/program_runner.h"
#include "tests/e2e/worked_pair.h"

namespace codetwin::testing {
namespace {

namespace fs = std::filesystem;

// The worked pair's strings after each of its seven passes.
const std::vector<std::pair<std::string, std::string>> kWorkedPasses = {
    {"zhmain(){zhid,id=0;for(id=1;id<=10;id++)id=id+id; ",
     "zhmain(){zhid,id=0;id=1;while(id<=10){id=id+id;id++;} "},
    {" for(id=1;id<=10;id++)id=id+id; ", " id=1;while(id<=10){id=id+id;id++;} "},
    {" for(id=1;id<=10;id++)  ", " id=1;while(id<=10){ id++;} "},
    {" for(id=1; ;id++)  ", " id=1;while( ){ id++;} "},
    {" for(  ;id++)  ", "  while( ){ id++;} "},
    {" for(  ; )  ", "  while( ){  ;} "},
    {" for(  ; )  ", "  while( ){  ;} "},
};

std::string worked_pair_with_details(Console console = Console::kGbk) {
  Dialogue dialogue(console);
  dialogue.request().generated().lengths(72, 76).questions();
  for (std::size_t i = 0; i < kWorkedPasses.size(); ++i) {
    dialogue.pass(static_cast<int>(i + 1), kWorkedPasses[i].first, kWorkedPasses[i].second);
  }
  return dialogue.score(66, "0.891892", true).str();
}

TEST(ComparerRunTest, WorkedPairWithoutDetails) {
  ScratchDir dir;
  put_worked_pair(dir);
  RunResult run = run_codetwin(dir.path(), answers("n"));
  EXPECT_EQ(run.output, full_run(72, 76, 66, "0.891892", true));
  EXPECT_EQ(run.exit_status, 0);
}

TEST(ComparerRunTest, WorkedPairWithDetails) {
  ScratchDir dir;
  put_worked_pair(dir);
  RunResult run = run_codetwin(dir.path(), answers("y"));
  EXPECT_EQ(run.output, worked_pair_with_details());
  EXPECT_EQ(run.exit_status, 0);
}

TEST(ComparerRunTest, Utf8ConsoleGetsUtf8Text) {
  ScratchDir dir;
  put_worked_pair(dir);
  // Windows converts for a console's code page only, never for the locale:
  // a pipe gets GBK.
  const Console console = testing_windows_build() ? Console::kGbk : Console::kUtf8;
  for (const char* locale : {"C.UTF-8", "C.utf8"}) {
    RunOptions options;
    options.env = {{"LC_ALL", locale}};
    RunResult run = run_codetwin(dir.path(), answers("Y"), options);
    EXPECT_EQ(run.output, worked_pair_with_details(console)) << locale;
  }
  // The files stay GBK whatever the console.
  EXPECT_EQ(dir.read("list1.txt"), stored_legend() + kList1Records);
}

// How the answers are read: one character per read, the rest of a line left
// for the next reads, end of input counting as no.
TEST(ComparerRunTest, AnswersAreReadOneCharacterAtATime) {
  struct Case {
    const char* name;
    const char* input;
    bool details;
  };
  const Case cases[] = {
      {"y to details", "\n\nn\ny\n", true},
      {"capital Y to details", "\n\nn\nY\n", true},
      {"yes to details reads only the y", "\n\nn\nyes\n", true},
      {"extra characters at the first question", "\n\nnoy\n", true},
      {"yes to viewing leaves s for details", "\n\nyes\n", false},
      {"Enter alone, then a line whose second character answers", "\n\n\nxy\n", true},
      {"Enter alone, then a line of one character", "\n\n\nx\n", false},
      {"x at the request satisfies the read after the success line", "x\nn\ny\n", true},
      {"end of input at the request", "", false},
      {"end of input after the success line", "\n", false},
      {"end of input at the first question", "\n\n", false},
      {"end of input at the discarded read", "\n\nn", false},
      {"end of input at the details question", "\n\nn\n", false},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    put_worked_pair(dir);
    RunResult run = run_codetwin(dir.path(), c.input);
    EXPECT_EQ(run.output,
              c.details ? worked_pair_with_details() : full_run(72, 76, 66, "0.891892", true))
        << c.name;
    EXPECT_EQ(run.exit_status, 0) << c.name;
  }
}

// Scores from sources whose token strings give the wanted lengths and tiles.
TEST(ComparerRunTest, ScoreAndVerdict) {
  struct Case {
    const char* name;
    std::string source1;
    std::string source2;
    int lena, lenb, MatchLen;
    const char* similarity;
    bool suspected;
  };
  const Case cases[] = {
      {"exactly 0.8 is suspected", "1234", "1234+;", 4, 6, 4, "0.800000", true},
      {"7 of 8 and 11", "int a=b;", "int a=b+c;", 8, 11, 7, "0.736842", false},
      {"rounded to single precision", "12345678", "12345678" + std::string(35, ';'), 8, 43, 8,
       "0.313726", false},
      {"no common run", "abc;", "xyz+", 3, 3, 0, "0.000000", false},
      {"only runs of three", "123+456", "123-456", 7, 7, 0, "0.000000", false},
      {"both empty", "", "", 0, 0, 0, "nan", false},
      {"one empty", "", "a=b;", 0, 6, 0, "0.000000", false},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.write("file1.c", c.source1);
    dir.write("file2.c", c.source2);
    RunResult run = run_codetwin(dir.path(), answers("n"));
    EXPECT_EQ(run.output, full_run(c.lena, c.lenb, c.MatchLen, c.similarity, c.suspected))
        << c.name;
  }
}

TEST(ComparerRunTest, EqualStringsAreTiledWhole) {
  ScratchDir dir;
  dir.write("file1.c", "int a = b + c;");
  dir.write("file2.c", "long x=y+z;");
  RunResult run = run_codetwin(dir.path(), answers("y"));
  EXPECT_EQ(run.output, Dialogue()
                            .request()
                            .generated()
                            .lengths(11, 11)
                            .questions()
                            .pass(1, " ", " ")
                            .pass(2, " ", " ")
                            .score(11, "1.000000", true)
                            .str());
}

TEST(ComparerRunTest, NoTileShowsOneBlockOfUnchangedStrings) {
  ScratchDir dir;
  dir.write("file1.c", "abc;");
  dir.write("file2.c", "xyz+");
  RunResult run = run_codetwin(dir.path(), answers("y"));
  EXPECT_EQ(run.output, Dialogue()
                            .request()
                            .generated()
                            .lengths(3, 3)
                            .questions()
                            .pass(1, "id;", "id+")
                            .score(0, "0.000000", false)
                            .str());
}

// A token file edited by hand between the two stages is read in text mode and
// tiled byte by byte: a space or a NUL stops every run, GBK bytes are plain
// bytes, and the details show the strings exactly as loaded.
TEST(ComparerRunTest, HandEditedTokenFileIsReadInTextMode) {
  struct Row {
    const char* name;
    std::string token1, token2;
    std::int64_t lena, lenb, MatchLen;
    const char* similarity;
    bool suspected;
    std::vector<std::pair<std::string, std::string>> passes;
  };
  const std::string nul(1, '\0');
  // clang-format off
  const Row rows[] = {
      {"CR LF read as LF, Ctrl-Z ends the text", "zhid=id;\r\n\x1Atrailing", "zhid=id+id;",
       9, 11, 7, "0.700000", false, {{" ;\n", " +id;"}, {" ;\n", " +id;"}}},
      {"a space stops runs", "zhid=id; zhid=id;", "zhid=id;zhid=id;",
       17, 16, 16, "0.969697", true, {{"  zhid=id;", " zhid=id;"}, {"   ", "  "}, {"   ", "  "}}},
      {"a NUL byte stops runs", "zhid=id;" + nul + "zhid=id;", "zhid=id;zhid=id;",
       17, 16, 16, "0.969697", true,
       {{" " + nul + "zhid=id;", " zhid=id;"}, {" " + nul + " ", "  "}, {" " + nul + " ", "  "}}},
      {"GBK bytes around a run", "\xD6\xD0zhid=id;", "zhid=id;\xD6\xD0",
       10, 10, 8, "0.800000", true, {{"\xD6\xD0 ", " \xD6\xD0"}, {"\xD6\xD0 ", " \xD6\xD0"}}},
      {"GBK bytes inside a run", "zh\xD6\xD0\xCE\xC4;", "fu\xD6\xD0\xCE\xC4;",
       7, 7, 5, "0.714286", false, {{"zh ", "fu "}, {"zh ", "fu "}}},
      {"lone CRs kept", "id=id;\r\rid\r\n", "id=id;\r\rid\n",
       11, 11, 11, "1.000000", true, {{" ", " "}, {" ", " "}}},
      {"spaces only", "    ", "    ", 4, 4, 0, "0.000000", false, {{"    ", "    "}}},
      {"Ctrl-Z first", "\x1Azhid=id;", "zhid=id;", 0, 8, 0, "0.000000", false, {{"", "zhid=id;"}}},
  };
  // clang-format on
  for (const Row& row : rows) {
    ScratchDir dir;
    put_worked_pair(dir);
    Session session(dir.path());
    session.send("\n");
    session.read_until(texts::kTokensGenerated.gbk);
    dir.write("token1.txt", row.token1);
    dir.write("token2.txt", row.token2);
    session.send(answers("y").substr(1));
    RunResult run = session.finish();
    Dialogue expected;
    expected.request().generated().lengths(row.lena, row.lenb).questions();
    for (std::size_t i = 0; i < row.passes.size(); ++i) {
      expected.pass(static_cast<int>(i + 1), row.passes[i].first, row.passes[i].second);
    }
    expected.score(row.MatchLen, row.similarity, row.suspected);
    EXPECT_EQ(run.output, expected.str()) << row.name;
    EXPECT_EQ(run.exit_status, 0) << row.name;
  }
}

// A token file gone, or turned into a folder, between the two stages: the
// message, one key (or the end of input), exit status 1.
TEST(ComparerRunTest, UnreadableTokenFileWaitsForAKeyAndFails) {
  struct Row {
    const char* file;
    bool folder;  // replaced by a folder rather than removed
    std::string before_message;
  };
  const Row rows[] = {
      {"token1.txt", false, ""},
      {"token2.txt", false, texts::fill(texts::kLength1.gbk, "72")},
      {"token1.txt", true, ""},
      {"token2.txt", true, texts::fill(texts::kLength1.gbk, "72")},
  };
  for (const Row& row : rows) {
    for (const char* key : {"k", ""}) {
      const std::string name = std::string(row.file) + (row.folder ? " as a folder" : " removed") +
                               (*key ? ", a key" : ", end of input");
      ScratchDir dir;
      put_worked_pair(dir);
      Session session(dir.path());
      session.send("\n");
      session.read_until(texts::kTokensGenerated.gbk);
      fs::remove(dir.file(row.file));
      if (row.folder) fs::create_directory(dir.file(row.file));
      session.send("\n");
      session.send(key);
      RunResult run = session.finish();
      EXPECT_EQ(run.output, Dialogue().request().generated().str() + row.before_message +
                                std::string(texts::kOpenFailed.gbk))
          << name;
      EXPECT_EQ(run.exit_status, 1) << name;
    }
  }
}

// The viewer is whatever xdg-open is first on PATH; here a script that
// records its argument and folder.
class ViewerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (testing_windows_build()) GTEST_SKIP() << "Windows opens files through its shell";
    std::string script =
        "#!/bin/sh\necho \"$(pwd) $*\" >> " + bin_.file("calls") + "\n";
    bin_.write("xdg-open", script);
    fs::permissions(bin_.file("xdg-open"), fs::perms::owner_all);
    options_.env = {{"PATH", bin_.path() + ":/usr/bin:/bin"}};
    put_worked_pair(dir_);
  }

  // The viewer is started detached: wait for its record, within a bound.
  std::string calls_once(std::size_t lines) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string calls;
    while (std::chrono::steady_clock::now() < deadline) {
      calls = bin_.read("calls").value_or("");
      if (static_cast<std::size_t>(std::count(calls.begin(), calls.end(), '\n')) >= lines) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return calls;
  }

  ScratchDir bin_, dir_;
  RunOptions options_;
};

TEST_F(ViewerTest, YesOpensBothTokenFiles) {
  for (const char* answer : {"y", "Y"}) {
    fs::remove(bin_.file("calls"));
    RunResult run = run_codetwin(dir_.path(), std::string("\n\n") + answer + "\nn\n", options_);
    EXPECT_EQ(run.output, full_run(72, 76, 66, "0.891892", true)) << answer;
    std::string calls = calls_once(2);
    // Two detached starts may finish in either order.
    EXPECT_NE(calls.find(dir_.path() + " token1.txt\n"), std::string::npos) << calls;
    EXPECT_NE(calls.find(dir_.path() + " token2.txt\n"), std::string::npos) << calls;
  }
}

TEST_F(ViewerTest, AnyOtherAnswerOpensNothing) {
  for (const char* input : {"\n\nn\nn\n", "\n\n\nn\nn\n", "\n\nx\nn\n", "\n\n"}) {
    RunResult run = run_codetwin(dir_.path(), input, options_);
    EXPECT_EQ(run.exit_status, 0);
    // Nothing was started, so nothing can still be on its way.
    EXPECT_FALSE(bin_.read("calls").has_value()) << input;
  }
}

TEST_F(ViewerTest, MissingViewerIsIgnored) {
  options_.env = {{"PATH", "/nonexistent"}};
  RunResult run = run_codetwin(dir_.path(), "\n\ny\nn\n", options_);
  EXPECT_EQ(run.output, full_run(72, 76, 66, "0.891892", true));
  EXPECT_EQ(run.exit_status, 0);
}

}  // namespace
}  // namespace codetwin::testing
