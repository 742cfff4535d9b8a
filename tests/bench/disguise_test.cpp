// The disguiser's promises, checked with the project's own lexer: the same
// seed gives the same bytes; a plain copy keeps the code's token string
// (when functions stay in place) while every own name changes and nothing
// else does; no original comment survives; each kind adds the share of
// code it should; a partial copy holds about half of X, in whole functions.
#include "bench/disguise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "bench/partial_copy.h"
#include "lexer/lexer.h"
#include "tests/bench/disguise_samples.h"

namespace codetwin::bench {
namespace {

struct Sample {
  const char* name;
  std::string source;
};

std::vector<Sample> all_samples() {
  return {{"longest_line", samples::longest_line()},
          {"tricky", std::string(samples::kTricky)},
          {"underscores", std::string(samples::kUnderscores)},
          {"partial_x", std::string(samples::kPartialX)},
          {"partial_y", std::string(samples::kPartialY)}};
}

constexpr std::uint64_t kSeeds = 12;

std::string code_tokens(std::string_view source) {
  return lexer::text_token_string(lexer::strip_comments(source).text);
}

// `text` with the inside of every string and character literal taken out:
// a quote runs to the same quote (a backslash escaping the next byte) or to
// the line end.
std::string without_literals(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] != '"' && text[i] != '\'') continue;
    const char quote = text[i];
    while (i + 1 < text.size() && text[i + 1] != quote && text[i + 1] != '\n') {
      i += text[i + 1] == '\\' ? 2 : 1;
    }
    if (i + 1 < text.size() && text[i + 1] == quote) out += text[++i];
  }
  return out;
}

// The words of the code: whole C names (underscores in), numbers, and
// every other byte but whitespace alone; literals' words left out unless
// `literals`.
std::vector<std::string> code_words(std::string_view source, bool literals = true) {
  std::string text = lexer::strip_comments(source).text;
  if (!literals) text = without_literals(text);
  const auto in_name = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
  };
  std::vector<std::string> words;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t end = i;
    while (end < text.size() && in_name(text[end])) ++end;
    if (end == i && std::isspace(static_cast<unsigned char>(text[i])) == 0) end = i + 1;
    if (end > i) words.emplace_back(text.substr(i, end - i));
    i = std::max(end, i + 1);
  }
  return words;
}

std::size_t count(const std::vector<std::string>& words, std::string_view word) {
  return static_cast<std::size_t>(std::count(words.begin(), words.end(), word));
}

// The comments of `source`, as written.
std::vector<std::string> comments(std::string_view source) {
  std::vector<std::string> found;
  for (const lexer::StrippedText::Cut& cut : lexer::strip_comments(source).cuts) {
    found.emplace_back(source.substr(cut.begin, cut.end - cut.begin));
  }
  return found;
}

double growth(std::string_view original, std::string_view copy) {
  return static_cast<double>(code_tokens(copy).size()) /
             static_cast<double>(code_tokens(original).size()) -
         1;
}

std::uint64_t fnv1a(std::uint64_t h, std::string_view bytes) {
  for (char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
  return h;
}

const DisguiseOptions kInPlace{false};

TEST(DisguiseTest, TheSameSeedGivesTheSameBytesOnEveryPlatform) {
  // A fingerprint of every kind made from every sample: it changes only
  // when the disguiser does.
  std::uint64_t h = 0xCBF29CE484222325ULL;
  for (const Sample& s : all_samples()) {
    h = fnv1a(h, disguise_plain(s.source, 1));
    h = fnv1a(h, disguise_padded(s.source, 1));
    h = fnv1a(h, disguise_extended(s.source, 1));
    for (const std::string& copy : disguise_group(s.source, 1)) h = fnv1a(h, copy);
  }
  h = fnv1a(h, disguise_partial(samples::kPartialX, samples::kPartialY, 1));
  EXPECT_EQ(h, 0x636947ACE0513DA6ULL);
}

TEST(DisguiseTest, AnotherSeedGivesAnotherCopy) {
  for (const Sample& s : all_samples()) {
    EXPECT_EQ(disguise_plain(s.source, 7), disguise_plain(s.source, 7)) << s.name;
    EXPECT_NE(disguise_plain(s.source, 7), disguise_plain(s.source, 8)) << s.name;
    EXPECT_NE(disguise_padded(s.source, 7), disguise_padded(s.source, 8)) << s.name;
    const std::array<std::string, 2> group = disguise_group(s.source, 7);
    EXPECT_NE(group[0], group[1]) << s.name;
    EXPECT_NE(group[0], s.source) << s.name;
  }
}

TEST(DisguiseTest, PlainInPlaceKeepsTheCodesTokenString) {
  for (const Sample& s : all_samples()) {
    for (std::uint64_t seed = 1; seed <= kSeeds; ++seed) {
      const std::string copy = disguise_plain(s.source, seed, kInPlace);
      EXPECT_EQ(code_tokens(copy), code_tokens(s.source)) << s.name << " seed " << seed;
      EXPECT_NE(copy, s.source) << s.name << " seed " << seed;
    }
  }
}

TEST(DisguiseTest, PlainRenamesEachOwnNameOneWayAndNothingElse) {
  for (const Sample& s : all_samples()) {
    for (std::uint64_t seed = 1; seed <= kSeeds; ++seed) {
      // Literals stay as they are; their words may be code names too.
      const std::vector<std::string> before = code_words(s.source, false);
      const std::vector<std::string> after =
          code_words(disguise_plain(s.source, seed, kInPlace), false);
      ASSERT_EQ(before.size(), after.size()) << s.name << " seed " << seed;
      std::map<std::string, std::string> forward, backward;
      for (std::size_t i = 0; i < before.size(); ++i) {
        const auto [f, f_new] = forward.emplace(before[i], after[i]);
        EXPECT_EQ(f->second, after[i]) << s.name << " seed " << seed << ": " << before[i];
        const auto [b, b_new] = backward.emplace(after[i], before[i]);
        EXPECT_EQ(b->second, before[i]) << s.name << " seed " << seed << ": " << after[i];
      }
    }
  }
}

TEST(DisguiseTest, PlainKeepsKeywordsLibraryNamesLiteralsAndIncludes) {
  const std::vector<std::string_view> kept = {
      "printf", "putchar", "getchar", "strlen", "EOF",    "NULL",   "main",  "include",
      "stdio",  "string",  "define",  "while",  "switch", "case",   "break", "default",
      "goto",   "return",  "struct",  "int",    "char",   "static", "const", "unsigned",
      "long",   "do",      "for",     "if",     "else",   "void"};
  for (std::uint64_t seed = 1; seed <= kSeeds; ++seed) {
    const std::string copy = disguise_plain(samples::kTricky, seed, kInPlace);
    const std::vector<std::string> before = code_words(samples::kTricky);
    const std::vector<std::string> after = code_words(copy);
    for (std::string_view word : kept) {
      EXPECT_EQ(count(after, word), count(before, word)) << word << " seed " << seed;
    }
    for (std::string_view literal : samples::kTrickyLiterals) {
      EXPECT_NE(copy.find(literal), std::string::npos) << literal << " seed " << seed;
    }
    EXPECT_NE(copy.find("#include <stdio.h>\n"), std::string::npos) << seed;
    EXPECT_NE(copy.find("#include <string.h>\n"), std::string::npos) << seed;
  }
}

TEST(DisguiseTest, PlainRenamesEveryOwnNameOutsideLiterals) {
  struct Case {
    const char* name;
    std::string source;
    std::vector<std::string_view> own;
  };
  const std::vector<Case> cases = {{"longest_line",
                                    samples::longest_line(),
                                    {"MAXLINE", "getline", "copy", "line", "maxline", "to", "from",
                                     "len", "max", "longest", "lim", "c", "i"}},
                                   {"tricky",
                                    std::string(samples::kTricky),
                                    {"MAX", "LIMIT", "counter", "blanks", "tabs", "tally", "text",
                                     "seen", "done", "k", "n", "a", "b"}},
                                   {"underscores",
                                    std::string(samples::kUnderscores),
                                    {"MAX_LEN_2", "N", "_count", "line", "error", "print_int",
                                     "value_1", "get_line", "s", "lim", "c", "i", "buf"}}};
  // A literal's words count as they were (tricky's string holds "tally").
  std::vector<std::string> literal_words;
  for (std::string_view literal : samples::kTrickyLiterals) {
    for (const std::string& w : code_words(literal)) literal_words.push_back(w);
  }
  for (const Case& row : cases) {
    for (std::uint64_t seed = 1; seed <= kSeeds; ++seed) {
      const std::vector<std::string> after = code_words(disguise_plain(row.source, seed));
      for (std::string_view name : row.own) {
        const std::size_t in_literals =
            row.name == std::string_view("tricky") ? count(literal_words, name) : 0;
        EXPECT_EQ(count(after, name), in_literals) << row.name << " " << name << " seed " << seed;
      }
    }
  }
}

TEST(DisguiseTest, NoOriginalCommentSurvivesButSomeAreRewritten) {
  std::size_t rewritten = 0;
  std::size_t without_comments = 0;
  for (const Sample& s : all_samples()) {
    const std::vector<std::string> original = comments(s.source);
    for (std::uint64_t seed = 1; seed <= 3 * kSeeds; ++seed) {
      for (const std::string& copy :
           {disguise_plain(s.source, seed), disguise_padded(s.source, seed)}) {
        const std::vector<std::string> now = comments(copy);
        for (const std::string& c : now) {
          EXPECT_EQ(std::find(original.begin(), original.end(), c), original.end())
              << s.name << " seed " << seed << ": " << c;
          EXPECT_EQ(c.find('\n'), std::string::npos) << s.name << " seed " << seed;
        }
        rewritten += now.size();
        without_comments += now.empty();
      }
    }
  }
  EXPECT_GT(rewritten, 20u);
  EXPECT_GT(without_comments, 20u);
}

TEST(DisguiseTest, EachKindAddsItsShareOfCode) {
  struct Range {
    const char* kind;
    double least;
    double most;
  };
  const Range ranges[] = {{"plain", 0.0, 0.15}, {"padded", 0.15, 0.30}, {"extended", 0.40, 0.60}};
  for (const Sample& s : all_samples()) {
    for (std::uint64_t seed = 1; seed <= kSeeds; ++seed) {
      const std::string copies[] = {disguise_plain(s.source, seed), disguise_padded(s.source, seed),
                                    disguise_extended(s.source, seed)};
      for (std::size_t k = 0; k < std::size(ranges); ++k) {
        const double grown = growth(s.source, copies[k]);
        EXPECT_GE(grown, ranges[k].least) << s.name << " " << ranges[k].kind << " seed " << seed;
        EXPECT_LE(grown, ranges[k].most) << s.name << " " << ranges[k].kind << " seed " << seed;
      }
    }
  }
}

// Whether the for headers of `source`'s code token string are all among
// those of `other` (padding may add loops of its own, never change one).
std::multiset<std::string> for_headers(std::string_view source) {
  const std::string tokens = code_tokens(source);
  std::multiset<std::string> headers;
  for (std::size_t at = tokens.find("for("); at != std::string::npos;
       at = tokens.find("for(", at + 1)) {
    int depth = 0;
    std::size_t end = at + 3;
    do {
      if (tokens[end] == '(') ++depth;
      if (tokens[end] == ')') --depth;
      ++end;
    } while (depth > 0 && end < tokens.size());
    headers.insert(tokens.substr(at, end - at));
  }
  return headers;
}

TEST(DisguiseTest, PaddingOnlyAddsWholeStatements) {
  for (const Sample& s : all_samples()) {
    const std::multiset<std::string> headers = for_headers(s.source);
    for (std::uint64_t seed = 1; seed <= kSeeds; ++seed) {
      const std::string padded = disguise_padded(s.source, seed, kInPlace);
      const std::multiset<std::string> padded_headers = for_headers(padded);
      EXPECT_TRUE(std::includes(padded_headers.begin(), padded_headers.end(), headers.begin(),
                                headers.end()))
          << s.name << " seed " << seed;
      // The plain copy with the same seed has the same names: its words
      // come in the padded copy in order.
      const std::vector<std::string> plain = code_words(disguise_plain(s.source, seed, kInPlace));
      const std::vector<std::string> more = code_words(padded);
      std::size_t matched = 0;
      for (const std::string& w : more) {
        if (matched < plain.size() && w == plain[matched]) ++matched;
      }
      EXPECT_EQ(matched, plain.size()) << s.name << " seed " << seed;
    }
  }
}

TEST(DisguiseTest, PartialPutsAboutHalfOfXIntoYInWholeFunctionsThatFit) {
  struct Case {
    const char* name;
    std::string y;
    std::set<std::string_view> taken;  // X's functions found in Y'
  };
  // X's main needs reverse and count_tabs too: with them it is two thirds.
  const Case cases[] = {
      {"the same getline", std::string(samples::kPartialY), {"getline", "reverse"}},
      {"a getline of one parameter",
       samples::partial_y_other_getline(),
       {"reverse", "count_tabs"}}};
  const std::vector<samples::NamedPart> x_functions =
      samples::functions_of(samples::kPartialX, {"main", "getline", "reverse", "count_tabs"});
  ASSERT_EQ(x_functions.size(), 4u);
  const double x_size = static_cast<double>(code_tokens(samples::kPartialX).size());
  for (const Case& row : cases) {
    const std::vector<samples::NamedPart> y_functions =
        samples::functions_of(row.y, {"main", "getline"});
    ASSERT_EQ(y_functions.size(), 2u) << row.name;
    for (std::uint64_t seed = 1; seed <= kSeeds; ++seed) {
      const std::string copy = code_tokens(disguise_partial(samples::kPartialX, row.y, seed));
      std::size_t taken = 0;
      std::set<std::string_view> taken_names;
      for (const samples::NamedPart& f : x_functions) {
        const std::string tokens = code_tokens(f.text);
        if (copy.find(tokens) == std::string::npos) continue;
        taken += tokens.size();
        taken_names.insert(f.name);
      }
      EXPECT_EQ(taken_names, row.taken) << row.name << " seed " << seed;
      EXPECT_NEAR(static_cast<double>(taken) / x_size, 0.5, 0.15) << row.name << " seed " << seed;
      EXPECT_NEAR(static_cast<double>(taken) / x_size, half_share(samples::kPartialX, row.y), 0.001)
          << row.name;
      // Y keeps what X did not replace, and loses what X did.
      for (const samples::NamedPart& f : y_functions) {
        const bool kept = copy.find(code_tokens(f.text)) != std::string::npos;
        EXPECT_EQ(kept, taken_names.count(f.name) == 0) << row.name << " " << f.name;
      }
    }
  }
}

}  // namespace
}  // namespace codetwin::bench
