// End to end, with hostile input: sources that are links, binary or huge, a
// folder that cannot be written, and standard streams that are closed or
// broken. Every run must end, without a crash, with the right message or the
// right result; the harness checks that the sources stay untouched.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "common/text_mode.h"
#include "lexer/lexer.h"
#include "platform/encoding.h"
#include "tests/e2e/dialogue.h"
#include "tests/e2e/program_runner.h"
#include "tests/e2e/worked_pair.h"

namespace codetwin::testing {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

const Names kAllSix = {"file1.c", "file2.c", "list1.txt", "list2.txt", "token1.txt", "token2.txt"};

std::string record(char type, std::string_view word, std::size_t index) {
  std::string text = "(";
  text.append(1, type).append(",").append(word).append(",");
  text.append(std::to_string(index)).append(")\r\n");
  return text;
}

// For files of megabytes: on a difference, where it starts and a few bytes
// around it. (gtest's own report diffs line by line, which takes time and
// memory quadratic in the number of lines.)
::testing::AssertionResult same_bytes(const std::optional<std::string>& actual,
                                      const std::string& expected) {
  if (!actual) return ::testing::AssertionFailure() << "cannot be read";
  if (*actual == expected) return ::testing::AssertionSuccess();
  const std::size_t common = std::min(actual->size(), expected.size());
  std::size_t at = 0;
  while (at < common && (*actual)[at] == expected[at]) ++at;
  const std::size_t from = at < 16 ? 0 : at - 16;
  return ::testing::AssertionFailure()
         << actual->size() << " bytes where " << expected.size() << " are expected, first "
         << "difference at " << at << ": " << ::testing::PrintToString(actual->substr(from, 48))
         << " where " << ::testing::PrintToString(expected.substr(from, 48)) << " is expected";
}

void expect_worked_pair_files(const ScratchDir& dir, const std::string& name) {
  EXPECT_EQ(dir.read("token1.txt"), kTokens1) << name;
  EXPECT_EQ(dir.read("token2.txt"), kTokens2) << name;
  EXPECT_EQ(dir.read("list1.txt"), stored_legend() + kList1Records) << name;
  EXPECT_EQ(dir.read("list2.txt"), stored_legend() + kList2Records) << name;
  EXPECT_EQ(dir.names(), kAllSix) << name;
}

TEST(BadInputTest, DanglingLinkAsSourceCannotBeOpened) {
  struct Row {
    const char* source;
    Names names;
  };
  const Row rows[] = {
      {"file1.c", {"file1.c", "file2.c"}},
      {"file2.c", {"file1.c", "file2.c", "list1.txt", "token1.txt"}},
  };
  for (const Row& row : rows) {
    ScratchDir dir;
    put_worked_pair(dir);
    fs::remove(dir.file(row.source));
    fs::create_symlink(dir.file("missing.c"), dir.file(row.source));
    RunResult run = run_codetwin(dir.path(), "\n\n");
    EXPECT_EQ(run.output, Dialogue().request().failure(texts::kSourceUnopenable).str())
        << row.source;
    EXPECT_EQ(run.exit_status, 1) << row.source;
    EXPECT_EQ(dir.names(), row.names) << row.source;
  }
}

// Reading a FIFO would wait for a writer forever and /dev/zero never ends:
// only a regular file is a source.
TEST(BadInputTest, SourceThatIsNotARegularFileCannotBeOpened) {
  if (testing_windows_build()) GTEST_SKIP() << "FIFOs and devices are POSIX's";
  struct Row {
    const char* name;
    const char* source;
    Names names;
  };
  const Row rows[] = {
      {"FIFO as file1.c", "file1.c", {"file1.c", "file2.c"}},
      {"link to /dev/zero as file1.c", "file1.c", {"file1.c", "file2.c"}},
      {"FIFO as file2.c", "file2.c", {"file1.c", "file2.c", "list1.txt", "token1.txt"}},
  };
  for (const Row& row : rows) {
    ScratchDir dir;
    put_worked_pair(dir);
    fs::remove(dir.file(row.source));
    if (std::string_view(row.name).starts_with("FIFO")) {
      ASSERT_EQ(mkfifo(dir.file(row.source).c_str(), 0600), 0) << row.name;
    } else {
      fs::create_symlink("/dev/zero", dir.file(row.source));
    }
    RunResult run = run_codetwin(dir.path(), "\n\n");
    EXPECT_EQ(run.output, Dialogue().request().failure(texts::kSourceUnopenable).str())
        << row.name;
    EXPECT_EQ(run.exit_status, 1) << row.name;
    EXPECT_EQ(dir.names(), row.names) << row.name;
  }
}

// An output that is a source under another name: creating it would empty
// that source, so nothing is written to it.
TEST(BadInputTest, OutputThatIsASourceIsRefused) {
  struct Row {
    const char* output;
    const char* source;
    Names names;
  };
  const Row rows[] = {
      {"list1.txt", "file1.c", {"file1.c", "file2.c", "list1.txt"}},
      {"token1.txt", "file2.c", {"file1.c", "file2.c", "token1.txt"}},
      {"token2.txt", "file1.c", {"file1.c", "file2.c", "list1.txt", "token1.txt", "token2.txt"}},
  };
  for (const Row& row : rows) {
    ScratchDir dir;
    put_worked_pair(dir);
    if (testing_windows_build()) {
      fs::create_hard_link(dir.file(row.source), dir.file(row.output));
    } else {
      fs::create_symlink(row.source, dir.file(row.output));
    }
    RunResult run = run_codetwin(dir.path(), "\n\n");
    EXPECT_EQ(run.output, Dialogue().request().failure(texts::kWriteFailed).str()) << row.output;
    EXPECT_EQ(run.exit_status, 1) << row.output;
    EXPECT_EQ(dir.names(), row.names) << row.output;
    EXPECT_EQ(dir.read(row.source), example_source(row.source)) << row.output;
  }
}

TEST(BadInputTest, UnwritableFolderFailsAndLeavesNothing) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to drop to nobody";
  if (testing_windows_build()) GTEST_SKIP() << "POSIX permissions";
  ScratchDir dir;
  put_worked_pair(dir);
  fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
  RunOptions as_nobody;
  as_nobody.as_nobody = true;
  RunResult run = run_codetwin(dir.path(), "\n\n", as_nobody);
  EXPECT_EQ(run.output, Dialogue().request().failure(texts::kWriteFailed).str());
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(dir.names(), (Names{"file1.c", "file2.c"}));
}

// A binary source built from random pieces whose words are known: each piece
// is one word (or nothing) and is followed by whitespace, so the expected
// token string and list records follow piece by piece. After the last piece
// a Ctrl-Z and random bytes, which text mode never reads.
struct BinarySource {
  std::string bytes;
  std::string tokens;
  std::string records;
  std::size_t words = 0;
  std::vector<std::pair<char, std::string>> pieces;  // class and word, in order
};

class BinarySourceMaker {
 public:
  explicit BinarySourceMaker(std::uint32_t seed) : random_(seed) {}

  // A source of `pieces` random pieces.
  BinarySource make(std::size_t pieces);
  // A source whose words differ from those of `original` (other names, other
  // type keywords of the same class, other H words) but whose token string is
  // the same.
  BinarySource make_like(const BinarySource& original);

 private:
  std::size_t below(std::size_t n) { return random_() % n; }
  char high_byte() { return static_cast<char>(0x80 + below(0x80)); }
  std::string name();
  void add_word(BinarySource& source, char type, std::string_view word, std::string_view token);
  void add_other(BinarySource& source);
  void add_piece(BinarySource& source);
  void add_end(BinarySource& source);

  std::mt19937 random_;
};

std::string BinarySourceMaker::name() {
  // No word of any table starts with q.
  std::string name = "q";
  for (std::size_t n = below(8); n > 0; --n) name += "abcxyz0189"[below(10)];
  return name;
}

void BinarySourceMaker::add_word(BinarySource& source, char type, std::string_view word,
                                 std::string_view token) {
  source.bytes.append(word.empty() ? std::string_view("\0", 1) : word);
  source.tokens.append(token);
  source.pieces.emplace_back(type, word);
  source.records += record(type, word, source.words++);
  // A CR word must not meet an LF; everything else may be followed by any whitespace.
  static constexpr std::string_view kAfterCr[] = {" ", "\t"};
  static constexpr std::string_view kWhitespace[] = {" ", "\t", "\n", "\r\n", " \t\r\n"};
  source.bytes.append(word == "\r" ? kAfterCr[below(2)] : kWhitespace[below(5)]);
}

// A word of class H, which adds nothing to the token string.
void BinarySourceMaker::add_other(BinarySource& source) {
  static constexpr std::string_view kOthers[] = {"\r", "_", "%", "\"",   ":",    "\\",   "?",   "@",
                                                 "&",  "|", "!", "\x01", "\x0B", "\x0C", "\x7F"};
  switch (below(3)) {
    case 0:
      add_word(source, 'H', std::string(1, high_byte()), "");
      break;
    case 1:
      add_word(source, 'H', "", "");  // a NUL byte
      break;
    default:
      add_word(source, 'H', kOthers[below(std::size(kOthers))], "");
  }
}

constexpr std::string_view kIntegerTypes[] = {"int", "long", "short"};
constexpr std::string_view kFloatingTypes[] = {"float", "double"};

void BinarySourceMaker::add_piece(BinarySource& source) {
  static constexpr std::string_view kOperators[] = {"&&", "||", "++", "--", "+",  "-", "*", "/",
                                                    "=",  ">=", "<=", "==", "!=", ">", "<"};
  static constexpr std::string_view kPunctuation[] = {"[", "]", "{", "}", "(", ")",
                                                      ",", ";", "'", "#", "."};
  static constexpr std::string_view kKeywords[] = {"for", "while", "return", "printf", "char"};
  // Seven pieces in eight are H words: the source is mostly binary.
  switch (below(56)) {
    case 0:
      add_word(source, 'C', name(), "id");
      break;
    case 1:
      add_word(source, 'K', kIntegerTypes[below(3)], "zh");
      break;
    case 2:
      add_word(source, 'E', kFloatingTypes[below(2)], "fu");
      break;
    case 3: {
      std::string_view word = kKeywords[below(std::size(kKeywords))];
      add_word(source, 'Y', word, word);
      break;
    }
    case 4: {
      std::string_view word = kOperators[below(std::size(kOperators))];
      add_word(source, 'A', word, word);
      break;
    }
    case 5: {
      std::string_view word = kPunctuation[below(std::size(kPunctuation))];
      add_word(source, 'R', word, word);
      break;
    }
    case 6: {
      std::string number = std::to_string(below(100000)) + (below(2) ? "x1F" : "");
      add_word(source, 'N', number, number);
      break;
    }
    default:
      add_other(source);
  }
}

void BinarySourceMaker::add_end(BinarySource& source) {
  source.bytes += '\x1A';
  for (std::size_t n = below(64); n > 0; --n) source.bytes += static_cast<char>(below(256));
}

BinarySource BinarySourceMaker::make(std::size_t pieces) {
  BinarySource source;
  for (std::size_t i = 0; i < pieces; ++i) add_piece(source);
  add_end(source);
  return source;
}

BinarySource BinarySourceMaker::make_like(const BinarySource& original) {
  BinarySource source;
  for (const auto& [type, word] : original.pieces) {
    if (below(4) == 0) add_other(source);
    switch (type) {
      case 'C':
        add_word(source, 'C', name(), "id");
        break;
      case 'K':
        add_word(source, 'K', kIntegerTypes[below(3)], "zh");
        break;
      case 'E':
        add_word(source, 'E', kFloatingTypes[below(2)], "fu");
        break;
      case 'H':
        break;
      default:
        add_word(source, type, word, word);
    }
  }
  add_end(source);
  return source;
}

TEST(BadInputTest, BinarySourcesOnOneOrBothSides) {
  BinarySourceMaker maker(20240611);
  const BinarySource binary = maker.make(80000);
  const BinarySource renamed = maker.make_like(binary);
  const BinarySource empty;
  ASSERT_GT(binary.bytes.size(), 3u << 16) << "crosses several of the reader's chunks";
  ASSERT_EQ(binary.tokens, renamed.tokens);
  const std::int64_t length = static_cast<std::int64_t>(binary.tokens.size());
  struct Row {
    const char* name;
    const BinarySource& source1;
    const BinarySource& source2;
    std::string dialogue;
  };
  const Row rows[] = {
      {"both sides", binary, renamed, full_run(length, length, length, "1.000000", true)},
      {"first side only", binary, empty, full_run(length, 0, 0, "0.000000", false)},
      {"second side only", empty, renamed, full_run(0, length, 0, "0.000000", false)},
  };
  for (const Row& row : rows) {
    ScratchDir dir;
    dir.write("file1.c", row.source1.bytes);
    dir.write("file2.c", row.source2.bytes);
    RunResult run = run_codetwin(dir.path(), answers("n"));
    EXPECT_EQ(run.output, row.dialogue) << row.name;
    EXPECT_EQ(run.exit_status, 0) << row.name;
    EXPECT_TRUE(same_bytes(dir.read("token1.txt"), row.source1.tokens)) << row.name;
    EXPECT_TRUE(same_bytes(dir.read("token2.txt"), row.source2.tokens)) << row.name;
    EXPECT_TRUE(same_bytes(dir.read("list1.txt"), stored_legend() + row.source1.records))
        << row.name;
    EXPECT_TRUE(same_bytes(dir.read("list2.txt"), stored_legend() + row.source2.records))
        << row.name;
  }
}

// Bytes drawn at random, most of them CR, LF, NUL, Ctrl-A or of 0x80 and
// above, with a Ctrl-Z only at the end. The second source swaps every byte
// of 0x80 and above for another one: each such byte is a word of its own
// that adds nothing, so both token strings are the same.
TEST(BadInputTest, RandomBytesOnBothSides) {
  std::mt19937 engine(7);
  std::string text1, text2;
  for (int i = 0; i < 300000; ++i) {
    // Nine bytes in ten from the hostile few, the tenth any byte.
    unsigned byte = engine() % 256;
    if (engine() % 10 != 0) byte = std::string_view("\r\n\0\x80\xFF\xD6\x01", 7)[byte % 7] & 0xFF;
    if (byte == 0x1A) byte = 0x1B;
    text1 += static_cast<char>(byte);
    text2 += static_cast<char>(byte >= 0x80 ? 0x80 + engine() % 0x80 : byte);
  }
  const std::string source1 = text1 + "\x1A" + "\x1A\r\nint x;";
  const std::string source2 = text2 + "\x1A" + "long y;";

  // The files are what the word list of the text, read in text mode, gives.
  const std::string text = decode_text_mode(source1);
  const lexer::WordList link = lexer::scan(text);
  const std::string tokens = lexer::token_string(link);
  ScratchDir dir;
  dir.write("file1.c", source1);
  dir.write("file2.c", source2);
  RunResult run = run_codetwin(dir.path(), answers("n"));
  const auto length = static_cast<std::int64_t>(tokens.size());
  EXPECT_EQ(run.output, full_run(length, length, length, "1.000000", true));
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_TRUE(same_bytes(dir.read("token1.txt"), tokens));
  EXPECT_TRUE(same_bytes(dir.read("token2.txt"), tokens));
  EXPECT_TRUE(
      same_bytes(dir.read("list1.txt"), encode_line_ends(lexer::list_text(link), LineEnds::kCrLf)));
}

// One line of a million characters: a run of letters is cut every 10,000
// bytes; a line of short words keeps all of them.
TEST(BadInputTest, MillionCharacterLine) {
  struct Row {
    const char* name;
    std::string source1, source2;
    std::string tokens1, list1;
    std::string dialogue;
  };
  std::string letters_list, words_list, words_tokens;
  for (std::size_t i = 0; i < 100; ++i) letters_list += record('C', std::string(10000, 'a'), i);
  for (std::size_t i = 0; i < 1000000; i += 4) {
    words_tokens += "id=id;";
    words_list += record('C', "x", i) + record('A', "=", i + 1) + record('C', "y", i + 2) +
                  record('R', ";", i + 3);
  }
  std::string ids;
  for (int i = 0; i < 100; ++i) ids += "id";
  std::string words;
  for (int i = 0; i < 250000; ++i) words += "x=y;";
  const Row rows[] = {
      {"a million letters", std::string(1000000, 'a'), std::string(1000000, 'b') + "\n", ids,
       letters_list, full_run(200, 200, 200, "1.000000", true)},
      // 12 / 1,500,006 prints as 0.000008.
      {"a quarter of a million statements", words, "a=b;", words_tokens, words_list,
       full_run(1500000, 6, 6, "0.000008", false)},
  };
  for (const Row& row : rows) {
    ScratchDir dir;
    dir.write("file1.c", row.source1);
    dir.write("file2.c", row.source2);
    RunResult run = run_codetwin(dir.path(), answers("n"));
    EXPECT_EQ(run.output, row.dialogue) << row.name;
    EXPECT_EQ(run.exit_status, 0) << row.name;
    EXPECT_TRUE(same_bytes(dir.read("token1.txt"), row.tokens1)) << row.name;
    EXPECT_TRUE(same_bytes(dir.read("list1.txt"), stored_legend() + row.list1)) << row.name;
  }
}

// 100,000,000 bytes: a million lines of 100 bytes, each a declaration of a
// long name. Its 5,000,000 words and 7,000,000 token characters are all kept.
TEST(BadInputTest, HundredMegabyteSource) {
  constexpr std::size_t kLines = 1000000;
  const std::string name = std::string("v").append(91, 'n');
  const std::string line = "int " + name + "=0;\n";
  ASSERT_EQ(line.size(), 100u);
  std::string source;
  source.reserve(kLines * line.size());
  std::string tokens;
  for (std::size_t i = 0; i < kLines; ++i) {
    source += line;
    tokens += "zhid=0;";
  }
  ScratchDir dir;
  dir.write("file1.c", source);
  source = std::string();
  dir.write("file2.c", "long x=1;");
  RunResult run = run_codetwin(dir.path(), answers("n"));
  // "zhid=" is the one tile: 10 / 7,000,007 prints as 0.000001.
  EXPECT_EQ(run.output, full_run(7000000, 7, 5, "0.000001", false));
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_TRUE(same_bytes(dir.read("token1.txt"), tokens));

  const std::size_t last = 5 * (kLines - 1);
  auto records_of_line = [&](std::size_t first) {
    return record('K', "int", first) + record('C', name, first + 1) + record('A', "=", first + 2) +
           record('N', "0", first + 3) + record('R', ";", first + 4);
  };
  const std::string list = dir.read("list1.txt").value_or("");
  const std::string head = stored_legend() + records_of_line(0) + records_of_line(5);
  const std::string tail = records_of_line(last - 5) + records_of_line(last);
  EXPECT_TRUE(list.starts_with(head));
  EXPECT_TRUE(list.ends_with(tail));
  // Records of lines 0..9 have one-digit indexes, and so on: the total size
  // follows from the index digits.
  std::size_t size = stored_legend().size();
  for (std::size_t index = 0; index <= last + 4; ++index) {
    size += record('C', "", index).size() + (index % 5 == 1 ? name.size() : index % 5 == 0 ? 3 : 1);
  }
  EXPECT_EQ(list.size(), size);
}

// Standard input or output not there at all, or /dev/null: every read meets
// the end of input at once, every write goes nowhere, and the run completes.
TEST(BadInputTest, StandardStreamsClosedOrNull) {
  struct Row {
    const char* name;
    Stream input, output;
    bool output_seen;
  };
  const Row rows[] = {
      {"standard input closed", Stream::kClosed, Stream::kPipe, true},
      {"standard input /dev/null", Stream::kDevNull, Stream::kPipe, true},
      {"standard output closed", Stream::kPipe, Stream::kClosed, false},
      {"standard output /dev/null", Stream::kPipe, Stream::kDevNull, false},
      {"both closed", Stream::kClosed, Stream::kClosed, false},
  };
  for (const Row& row : rows) {
    ScratchDir dir;
    put_worked_pair(dir);
    RunOptions options;
    options.input = row.input;
    options.output = row.output;
    RunResult run = run_codetwin(dir.path(), answers("n"), options);
    EXPECT_EQ(run.output, row.output_seen ? full_run(72, 76, 66, "0.891892", true) : "")
        << row.name;
    EXPECT_EQ(run.exit_status, 0) << row.name;
    expect_worked_pair_files(dir, row.name);
  }
}

// The reader of the output goes away at some point of the dialogue. The
// program's next write meets a broken pipe: it may die of SIGPIPE or go on,
// but must not hang or crash; the files it wrote before are whole.
TEST(BadInputTest, OutputReaderGoesAway) {
  struct Row {
    const char* name;
    const char* input_before;  // answers given before the pipe is closed
    std::string read_first;    // output read before the pipe is closed
    const char* input_after;
  };
  const Row rows[] = {
      {"after the request", "", Dialogue().request().str(), "\n\nn\nn\n"},
      {"after the success line", "\n", Dialogue().request().generated().str(), "\nn\nn\n"},
      {"after the questions", "\n\nn\n",
       Dialogue().request().generated().lengths(72, 76).questions().str(), "n\n"},
  };
  for (const Row& row : rows) {
    ScratchDir dir;
    put_worked_pair(dir);
    Session session(dir.path());
    session.send(row.input_before);
    EXPECT_EQ(session.read_until(row.read_first), row.read_first) << row.name;
    session.close_output();
    session.send(row.input_after);
    RunResult run = session.finish();
    const bool ended_well = run.signal == SIGPIPE || (run.signal == 0 && run.exit_status == 0);
    EXPECT_TRUE(ended_well) << row.name << ": signal " << run.signal << ", status "
                            << run.exit_status;
    expect_worked_pair_files(dir, row.name);
  }
}

// Hand-edited token files with bytes that are not GBK, shown in the details
// on a UTF-8 console: converted as the console converts, without a stop.
// (Windows converts for a console's code page only: a pipe gets the bytes.)
TEST(BadInputTest, HandEditedTokenFilesOnAUtf8Console) {
  const std::string token1("\xFF\x80zhid=id;\0\xD6", 12);
  const std::string token2("zhid=id;\xD6\xD0\x81", 11);
  ScratchDir dir;
  put_worked_pair(dir);
  RunOptions options;
  options.env = {{"LC_ALL", "C.UTF-8"}};
  const Console console = testing_windows_build() ? Console::kGbk : Console::kUtf8;
  Session session(dir.path(), options);
  session.send("\n");
  session.read_until(console == Console::kUtf8 ? texts::kTokensGenerated.utf8
                                               : texts::kTokensGenerated.gbk);
  dir.write("token1.txt", token1);
  dir.write("token2.txt", token2);
  session.send(answers("y").substr(1));
  RunResult run = session.finish();
  std::string A("\xFF\x80 \0\xD6", 5);
  std::string B(" \xD6\xD0\x81");
  if (console == Console::kUtf8) {
    A = platform::gbk_to_utf8(A);
    B = platform::gbk_to_utf8(B);
  }
  EXPECT_EQ(run.output, Dialogue(console)
                            .request()
                            .generated()
                            .lengths(12, 11)
                            .questions()
                            .pass(1, A, B)
                            .pass(2, A, B)
                            .score(8, "0.695652", false)
                            .str());
  EXPECT_EQ(run.exit_status, 0);
}

}  // namespace
}  // namespace codetwin::testing
