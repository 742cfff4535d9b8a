#include "bench/generate.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>
#include <vector>

namespace codetwin::bench {

std::uint64_t Rng::next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

namespace {

struct Word {
  std::string text;
  std::string token;  // what the word adds to the token string
  bool is_name = false;
};

Word name(std::string text) { return {text, "id", true}; }
Word plain(std::string text) { return {text, text, false}; }

// A comment as written (markers included) and what it adds to the token
// string; empty text for none. A trailing one ends its statement's line.
struct Comment {
  std::string text;
  std::string tokens;
  bool trailing = false;
};

// A statement; loops and ifs keep their parts so that the copy can rewrite
// a for loop as a while loop.
struct Stmt {
  enum Kind { kSimple, kFor, kWhile, kIf } kind = kSimple;
  std::vector<Word> words;  // kSimple: the statement; kFor: its init
  std::vector<Word> cond;
  std::vector<Word> step;  // kFor only
  std::vector<Stmt> body;
  std::vector<Stmt> else_body;  // kIf only, may be empty
  Comment comment;              // class programs only
};

struct Function {
  std::vector<Word> head;
  std::vector<Stmt> body;
  std::vector<std::string> vars;
  Comment comment;  // class programs only: on the line above the head
};

// None of these is a keyword, operator or symbol word.
constexpr std::array<std::string_view, 26> kNames = {
    "sum",  "total", "count", "value", "index", "temp", "result", "data", "len",
    "num",  "acc",   "left",  "right", "mid",   "low",  "high",   "step", "flag",
    "size", "key",   "pos",   "cur",   "i",     "j",    "k",      "n"};
constexpr std::array<std::string_view, 12> kOtherNames = {
    "alpha", "beta", "gamma", "delta", "node", "item", "elem", "part", "val", "tmp", "res", "q"};

// Chances, in percent, of each change a rewrite makes.
struct Rates {
  int drop;
  int change;
  int swap;
  int insert;
  int for_to_while;
};
// A disguised copy: about one statement in eight touched.
constexpr Rates kCopyRates = {3, 4, 3, 3, 40};

class ProgramMaker {
 public:
  explicit ProgramMaker(std::uint64_t seed) : rng_(seed) {}

  Function function(bool is_main) {
    Function f;
    f.vars.emplace_back(pick(kNames));
    f.vars.emplace_back(pick(kNames));
    if (is_main) {
      f.head = {type_word(false), plain("main"), plain("("), plain(")")};
    } else {
      f.head = {type_word(false), name("fn" + std::to_string(functions_)),
                plain("("),       type_word(true),
                name(f.vars[0]),  plain(","),
                type_word(true),  name(f.vars[1]),
                plain(")")};
    }
    ++functions_;
    for (std::size_t extra = 2 + rng_.below(5); extra > 0; --extra) {
      // The digit is drawn first (the order g++ gave the two draws when
      // they shared one expression, kept so that the inputs stay the same).
      const std::string digit = std::to_string(rng_.below(10));
      f.vars.push_back(std::string(pick(kNames)) + digit);
    }
    f.body.push_back(declaration(f.vars));
    for (std::size_t count = 4 + rng_.below(12); count > 0; --count) {
      f.body.push_back(statement(f.vars, 0));
    }
    std::vector<Word> ret = {plain("return")};
    append(ret, expression(f.vars));
    ret.push_back(plain(";"));
    f.body.push_back(simple(std::move(ret)));
    return f;
  }

  Stmt statement(const std::vector<std::string>& vars, int depth) {
    const std::size_t kind = rng_.below(depth >= 2 ? 6 : 10);
    switch (kind) {
      case 0:
      case 1:
      case 2: {
        std::vector<Word> w = {var(vars), plain("=")};
        append(w, expression(vars));
        w.push_back(plain(";"));
        return simple(std::move(w));
      }
      case 3:
        return simple({var(vars), plain(rng_.percent(70) ? "++" : "--"), plain(";")});
      case 4:
        return simple({plain("printf"),
                       plain("("),
                       {"\"%d\"", "id", false},
                       plain(","),
                       var(vars),
                       plain(")"),
                       plain(";")});
      case 5: {
        std::vector<Word> w = {var(vars), plain("["), var(vars), plain("]"), plain("=")};
        append(w, expression(vars));
        w.push_back(plain(";"));
        return simple(std::move(w));
      }
      case 6:
      case 7: {
        Stmt s;
        s.kind = Stmt::kFor;
        const Word v = var(vars);
        s.words = {v, plain("="), number()};
        s.cond = {v, plain(rng_.percent(50) ? "<" : "<="), var(vars)};
        s.step = {v, plain("++")};
        s.body = block(vars, depth + 1);
        return s;
      }
      case 8: {
        Stmt s;
        s.kind = Stmt::kWhile;
        s.cond = condition(vars);
        s.body = block(vars, depth + 1);
        return s;
      }
      default: {
        Stmt s;
        s.kind = Stmt::kIf;
        s.cond = condition(vars);
        s.body = block(vars, depth + 1);
        if (rng_.percent(40)) s.else_body = block(vars, depth + 1);
        return s;
      }
    }
  }

  Stmt declaration(const std::vector<std::string>& vars) {
    std::vector<Word> w = {type_word(true)};
    for (std::size_t i = 2; i < vars.size(); ++i) {
      if (i > 2) w.push_back(plain(","));
      w.push_back(name(vars[i]));
      if (rng_.percent(40)) append(w, {plain("="), number()});
    }
    w.push_back(plain(";"));
    return simple(std::move(w));
  }

  // The copy's version of a statement list.
  std::vector<Stmt> disguise(const std::vector<Stmt>& list, const std::vector<std::string>& vars,
                             int depth) {
    return rewrite(list, vars, depth, kCopyRates);
  }

  // Another version of a statement list: each statement is dropped,
  // changed, swapped with the next or followed by a new one with the given
  // chances, and for loops become while loops with theirs.
  std::vector<Stmt> rewrite(const std::vector<Stmt>& list, const std::vector<std::string>& vars,
                            int depth, const Rates& rates) {
    std::vector<Stmt> out;
    for (std::size_t i = 0; i < list.size(); ++i) {
      const int roll = static_cast<int>(rng_.below(100));
      if (roll < rates.drop) continue;
      if (roll < rates.drop + rates.change) {
        out.push_back(statement(vars, depth));
        continue;
      }
      if (roll < rates.drop + rates.change + rates.swap && i + 1 < list.size()) {
        append_rewritten(out, list[i + 1], vars, depth, rates);
        append_rewritten(out, list[i], vars, depth, rates);
        ++i;
        continue;
      }
      append_rewritten(out, list[i], vars, depth, rates);
      if (roll < rates.drop + rates.change + rates.swap + rates.insert) {
        out.push_back(statement(vars, depth));
      }
    }
    return out;
  }

  // New statements call the functions before the `count`th.
  void set_function_count(std::size_t count) { functions_ = count; }

 private:
  void append_rewritten(std::vector<Stmt>& out, const Stmt& s, const std::vector<std::string>& vars,
                        int depth, const Rates& rates) {
    Stmt copy = s;
    copy.body = rewrite(s.body, vars, depth + 1, rates);
    copy.else_body = rewrite(s.else_body, vars, depth + 1, rates);
    if (copy.kind == Stmt::kFor && rng_.percent(rates.for_to_while)) {
      // for (init; cond; step) body  ->  init; while (cond) { body step; }
      std::vector<Word> init = copy.words;
      init.push_back(plain(";"));
      out.push_back(simple(std::move(init)));
      copy.kind = Stmt::kWhile;
      std::vector<Word> step = copy.step;
      step.push_back(plain(";"));
      copy.body.push_back(simple(std::move(step)));
    }
    out.push_back(std::move(copy));
  }

  static Stmt simple(std::vector<Word> words) {
    Stmt s;
    s.words = std::move(words);
    return s;
  }
  static void append(std::vector<Word>& to, const std::vector<Word>& from) {
    to.insert(to.end(), from.begin(), from.end());
  }

  template <std::size_t N>
  std::string_view pick(const std::array<std::string_view, N>& names) {
    return names[rng_.below(N)];
  }
  Word var(const std::vector<std::string>& vars) { return name(vars[rng_.below(vars.size())]); }
  Word number() { return plain(std::to_string(rng_.below(rng_.percent(70) ? 10 : 1000))); }
  Word type_word(bool any) {
    const std::size_t roll = any ? rng_.below(10) : 0;
    if (roll < 6) return {"int", "zh", false};
    if (roll < 7) return {"long", "zh", false};
    if (roll < 9) return {"double", "fu", false};
    return {"float", "fu", false};
  }

  std::vector<Word> operand(const std::vector<std::string>& vars) {
    const std::size_t roll = rng_.below(10);
    if (roll < 5) return {var(vars)};
    if (roll < 8) return {number()};
    if (roll < 9) return {var(vars), plain("["), var(vars), plain("]")};
    return {name("fn" + std::to_string(rng_.below(functions_ + 1))),
            plain("("),
            var(vars),
            plain(","),
            var(vars),
            plain(")")};
  }
  std::vector<Word> expression(const std::vector<std::string>& vars) {
    static constexpr std::array<std::string_view, 5> kOps = {"+", "-", "*", "/", "+"};
    std::vector<Word> w = operand(vars);
    for (std::size_t terms = rng_.below(3); terms > 0; --terms) {
      w.push_back(plain(std::string(pick(kOps))));
      append(w, operand(vars));
    }
    return w;
  }
  std::vector<Word> condition(const std::vector<std::string>& vars) {
    static constexpr std::array<std::string_view, 6> kRel = {"<", "<=", ">", ">=", "==", "!="};
    std::vector<Word> w = {var(vars), plain(std::string(pick(kRel)))};
    append(w, expression(vars));
    if (rng_.percent(15)) {
      w.push_back(plain(rng_.percent(50) ? "&&" : "||"));
      append(w, {var(vars), plain(std::string(pick(kRel))), number()});
    }
    return w;
  }
  std::vector<Stmt> block(const std::vector<std::string>& vars, int depth) {
    std::vector<Stmt> body;
    for (std::size_t count = 1 + rng_.below(4); count > 0; --count) {
      body.push_back(statement(vars, depth));
    }
    return body;
  }

  Rng rng_;
  std::size_t functions_ = 0;
};

bool is_alnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Whether the scanner would read `left` directly followed by `right` as
// other words.
bool needs_space(std::string_view left, std::string_view right) {
  const char l = left.back();
  const char r = right.front();
  if (is_alnum(l) && is_alnum(r)) return true;
  if ((l == '<' || l == '>' || l == '!') && r == '=') return true;
  return r == l && (l == '+' || l == '-' || l == '&' || l == '|' || l == '=');
}

std::size_t fnv1a(std::string_view s) {
  std::uint64_t h = 0xCBF29CE484222325ULL;
  for (char c : s) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
  return static_cast<std::size_t>(h);
}

// Writes words as source and token string; the copy renames every variable.
class Writer {
 public:
  Writer(Program& out, bool rename) : out_(out), rename_(rename) {}

  void function(const Function& f) {
    words(f.head);
    line_word(plain("{"));
    statements(f.body);
    line_word(plain("}"));
  }

 private:
  void statements(const std::vector<Stmt>& list) {
    for (const Stmt& s : list) statement(s);
  }
  void statement(const Stmt& s) {
    switch (s.kind) {
      case Stmt::kSimple:
        words(s.words);
        out_.source += '\n';
        return;
      case Stmt::kFor:
        words({plain("for"), plain("(")});
        words(s.words);
        word(plain(";"));
        words(s.cond);
        word(plain(";"));
        words(s.step);
        word(plain(")"));
        break;
      case Stmt::kWhile:
      case Stmt::kIf:
        words({plain(s.kind == Stmt::kIf ? "if" : "while"), plain("(")});
        words(s.cond);
        word(plain(")"));
        break;
    }
    line_word(plain("{"));
    statements(s.body);
    line_word(plain("}"));
    if (!s.else_body.empty()) {
      word(plain("else"));
      line_word(plain("{"));
      statements(s.else_body);
      line_word(plain("}"));
    }
  }

  void words(const std::vector<Word>& list) {
    for (const Word& w : list) word(w);
  }
  void line_word(const Word& w) {
    word(w);
    out_.source += '\n';
  }
  void word(const Word& w) {
    const std::string text = rename_ && w.is_name ? renamed(w.text) : w.text;
    const char last = out_.source.empty() ? '\n' : out_.source.back();
    if (last != '\n' && (needs_space(out_.source, text) || last == ',')) out_.source += ' ';
    out_.source += text;
    out_.tokens += w.token;
  }
  static std::string renamed(std::string_view text) {
    const std::size_t h = fnv1a(text);
    return std::string(kOtherNames[h % kOtherNames.size()]) + std::to_string(h / 16 % 100);
  }

  Program& out_;
  bool rename_;
};

template <typename Done>
ProgramPair grow_pair(std::uint64_t seed, Done done) {
  ProgramMaker maker(seed);
  ProgramPair pair;
  Writer first(pair.first, false);
  Writer second(pair.second, true);
  for (bool is_main = true; !done(pair.first); is_main = false) {
    const Function f = maker.function(is_main);
    Function copy = f;
    copy.body = maker.disguise(f.body, f.vars, 0);
    first.function(f);
    second.function(copy);
  }
  return pair;
}

}  // namespace

ProgramPair generate_pair(std::uint64_t seed, std::size_t token_chars) {
  return grow_pair(seed, [&](const Program& p) { return p.tokens.size() >= token_chars; });
}

ProgramPair generate_source_pair(std::uint64_t seed, std::size_t source_bytes) {
  return grow_pair(seed, [&](const Program& p) { return p.source.size() >= source_bytes; });
}

std::string repeated_statement(std::uint64_t seed, std::size_t length, std::size_t every) {
  static constexpr std::array<std::string_view, 4> kVariants = {"id=id*id;", "id++;",
                                                                "id=id+id+id;", "id=id-1;"};
  Rng rng(seed);
  std::string s;
  s.reserve(length + 16);
  while (s.size() < length) {
    s += rng.below(every) == 0 ? kVariants[rng.below(kVariants.size())] : "id=id+id;";
  }
  s.resize(length);
  return s;
}

std::string random_string(std::uint64_t seed, std::size_t length, std::string_view alphabet) {
  Rng rng(seed);
  std::string s(length, '\0');
  for (char& c : s) c = alphabet[rng.below(alphabet.size())];
  return s;
}

}  // namespace codetwin::bench

// A generated class. Each submission is made from seeds derived from the
// class's seed and its index, so it can be made on its own: a copy makes
// its original again from the original's index.
namespace codetwin::bench {

namespace {

enum Salt : std::uint64_t { kPlanSalt = 1, kExerciseSalt, kAuthorSalt, kCopySalt };

std::uint64_t derive(std::uint64_t seed, Salt salt, std::uint64_t index) {
  std::uint64_t h = Rng(seed).next();
  h = Rng(h ^ salt).next();
  return Rng(h ^ index).next();
}

std::uint64_t fnv1a64(std::string_view s) {
  std::uint64_t h = 0xCBF29CE484222325ULL;
  for (char c : s) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
  return h;
}

// About a tenth of a class are copies, a few are folders of two files.
constexpr int kCopyPercent = 10;
constexpr int kFolderPercent = 4;
// An original's token string, before it is rounded up to whole functions.
constexpr std::size_t kShortestTarget = 1200;
constexpr std::size_t kTargetSpread = 600;

// A student's own version of an exercise's function: about a third of the
// statements touched. Two independent solutions then share many typical
// statements but not the run of them, as real ones do.
constexpr Rates kAuthorRates = {8, 14, 5, 8, 35};

// Which submission is which.
struct Plan {
  std::size_t exercise = 0;
  std::optional<std::size_t> copy_of;
  bool folder = false;
};

Plan plan_of(std::uint64_t seed, std::size_t index) {
  Rng rng(derive(seed, kPlanSalt, index));
  Plan plan;
  plan.exercise = rng.below(kClassExercises);
  plan.folder = rng.percent(kFolderPercent);
  if (index > 0 && rng.percent(kCopyPercent)) {
    // A copy of a copy is a copy of its original.
    const std::size_t drawn = rng.below(index);
    const Plan origin = plan_of(seed, drawn);
    plan.copy_of = origin.copy_of.value_or(drawn);
    plan.exercise = origin.exercise;
  }
  return plan;
}

// How a student lays out and names things.
struct Style {
  std::string_view indent = "    ";
  bool allman = false;      // opening braces on a line of their own
  bool spaced = true;       // spaces around operators and after commas
  bool snake = false;       // sum_value rather than sumValue
  bool gbk = true;          // the encoding of Chinese comments (else UTF-8)
  int chinese_percent = 0;  // of comments in Chinese, the rest English
  int block_percent = 0;    // of comments in /* */, the rest //
  std::uint64_t names = 0;  // picks the names
};

Style make_style(Rng& rng) {
  Style s;
  const std::size_t indent = rng.below(10);
  s.indent = indent < 4 ? "    " : indent < 7 ? "\t" : "  ";
  s.allman = rng.percent(30);
  s.spaced = rng.percent(50);
  s.snake = rng.percent(25);
  s.gbk = rng.percent(70);
  const std::size_t language = rng.below(100);
  s.chinese_percent = language < 60 ? 100 : language < 85 ? 0 : 50;
  s.block_percent = static_cast<int>(rng.below(101));
  s.names = rng.next();
  return s;
}

// Chinese comment text, as UTF-8 (readable here) and as GBK: every GBK byte
// is 0xA1 or above, so neither form adds to the token string.
struct Phrase {
  std::string_view utf8;
  std::string_view gbk;
};
constexpr Phrase kChinese[] = {
    {"计算数组的和", "\xBC\xC6\xCB\xE3\xCA\xFD\xD7\xE9\xB5\xC4\xBA\xCD"},
    {"读入数据", "\xB6\xC1\xC8\xEB\xCA\xFD\xBE\xDD"},
    {"输出结果", "\xCA\xE4\xB3\xF6\xBD\xE1\xB9\xFB"},
    {"交换两个数", "\xBD\xBB\xBB\xBB\xC1\xBD\xB8\xF6\xCA\xFD"},
    {"找出最大值", "\xD5\xD2\xB3\xF6\xD7\xEE\xB4\xF3\xD6\xB5"},
    {"主函数", "\xD6\xF7\xBA\xAF\xCA\xFD"},
    {"循环求和", "\xD1\xAD\xBB\xB7\xC7\xF3\xBA\xCD"},
    {"判断是否为素数", "\xC5\xD0\xB6\xCF\xCA\xC7\xB7\xF1\xCE\xAA\xCB\xD8\xCA\xFD"},
    {"排序", "\xC5\xC5\xD0\xF2"},
    {"初始化变量", "\xB3\xF5\xCA\xBC\xBB\xAF\xB1\xE4\xC1\xBF"},
    {"递归求解", "\xB5\xDD\xB9\xE9\xC7\xF3\xBD\xE2"},
    {"这里有问题", "\xD5\xE2\xC0\xEF\xD3\xD0\xCE\xCA\xCC\xE2"},
    {"检查边界", "\xBC\xEC\xB2\xE9\xB1\xDF\xBD\xE7"},
    {"求平均值", "\xC7\xF3\xC6\xBD\xBE\xF9\xD6\xB5"},
    {"二分查找", "\xB6\xFE\xB7\xD6\xB2\xE9\xD5\xD2"},
    {"辅助函数", "\xB8\xA8\xD6\xFA\xBA\xAF\xCA\xFD"},
};
constexpr Phrase kExercise = {"第", "\xB5\xDA"};  // 第3题: exercise 3
constexpr Phrase kQuestion = {"题", "\xCC\xE2"};
constexpr Phrase kStudentId = {"学号", "\xD1\xA7\xBA\xC5"};

// English comment text: lowercase words (none a C keyword) and commas.
constexpr std::string_view kEnglish[] = {
    "compute the sum",
    "read the input",
    "print the result",
    "swap two values",
    "find the largest value",
    "check the bounds",
    "initialise the variables",
    "loop over the array",
    "binary search",
    "recursive helper",
    "average of the values",
    "this part is tricky",
    "not sure this is right",
    "count the matches",
    "update the total",
    "helper function",
    "entry point",
    "fixed the bug here",
    "keep the smaller one",
    "read the input, then sort it",
};

// What English comment text adds to the token string: "id" for each word,
// commas as written.
std::string english_tokens(std::string_view text) {
  std::string tokens;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == ',') tokens += ',';
    if (!is_alnum(text[i])) {
      ++i;
      continue;
    }
    tokens += "id";
    while (i < text.size() && is_alnum(text[i])) ++i;
  }
  return tokens;
}

std::string_view chinese(const Phrase& phrase, const Style& style) {
  return style.gbk ? phrase.gbk : phrase.utf8;
}

Comment wrap(bool block, std::string_view text, std::string_view tokens) {
  Comment c;
  c.text = std::string(block ? "/* " : "// ") + std::string(text) + (block ? " */" : "");
  c.tokens = std::string(block ? "/*" : "//") + std::string(tokens) + (block ? "*/" : "");
  return c;
}

Comment make_comment(Rng& rng, const Style& style) {
  const bool block = rng.percent(style.block_percent);
  if (rng.percent(style.chinese_percent)) {
    const Phrase& phrase = kChinese[rng.below(std::size(kChinese))];
    return wrap(block, chinese(phrase, style), "");
  }
  const std::string_view text = kEnglish[rng.below(std::size(kEnglish))];
  return wrap(block, text, english_tokens(text));
}

// «第3题 学号 20230042» or «exercise 3, student 20230042».
Comment header_comment(const Style& style, std::size_t exercise, std::size_t student) {
  const std::string number = std::to_string(exercise + 1);
  const std::string id = std::to_string(20230000 + student % 10000);
  if (style.chinese_percent > 0) {
    std::string text = std::string(chinese(kExercise, style)) + number +
                       std::string(chinese(kQuestion, style)) + " " +
                       std::string(chinese(kStudentId, style)) + " " + id;
    return wrap(true, text, number + id);
  }
  return wrap(false, "exercise " + number + ", student " + id, "id" + number + ",id" + id);
}

// A student's program: the functions in the order written.
struct Author {
  Style style;
  std::size_t exercise = 0;
  std::size_t student = 0;  // the number in the header
  std::vector<std::string_view> includes;
  std::vector<Function> functions;
  std::size_t main_at = 0;  // where main is among them
};

constexpr std::string_view kIncludeTokens = "#id<id.id>";

// Comments on a function and some of its statements, at any depth.
void add_comments(std::vector<Stmt>& list, Rng& rng, const Style& style) {
  for (Stmt& s : list) {
    if (rng.percent(7)) {
      s.comment = make_comment(rng, style);
      s.comment.trailing = s.kind == Stmt::kSimple && rng.percent(50);
    }
    add_comments(s.body, rng, style);
    add_comments(s.else_body, rng, style);
  }
}

// Names: the renaming is a function of the style's seed and the original
// name, so a name is renamed the same way wherever it appears.
constexpr std::string_view kVerbs[] = {"calc",  "compute", "get",  "find", "check",   "make",
                                       "solve", "count",   "fill", "scan", "process", "handle"};
constexpr std::string_view kNouns[] = {
    "sum",  "total", "value", "max", "min",  "array", "list", "num", "result", "answer", "score",
    "item", "left",  "right", "mid", "step", "len",   "size", "cnt", "pos",    "tmp",    "flag"};
constexpr std::string_view kLetters[] = {"i", "j", "k", "m", "n", "p", "q", "t", "x", "y"};

std::string join_name(const Style& style, std::string_view first, std::string_view second) {
  std::string name(first);
  if (second.empty()) return name;
  if (style.snake) return name + "_" + std::string(second);
  name += static_cast<char>(second[0] - 'a' + 'A');
  return name + std::string(second.substr(1));
}

std::string student_name(const Style& style, std::string_view original) {
  Rng rng(style.names ^ fnv1a64(original));
  // One draw per statement: the order of a call's arguments is the
  // compiler's choice.
  if (original.substr(0, 2) == "fn") {
    const std::string_view verb = kVerbs[rng.below(std::size(kVerbs))];
    const std::string_view noun = kNouns[rng.below(std::size(kNouns))];
    return join_name(style, verb, noun);
  }
  // Many keep the usual names; the rest choose their own.
  if (rng.percent(50)) return std::string(original);
  if (original.size() == 1) return std::string(kLetters[rng.below(std::size(kLetters))]);
  const std::string_view first = kNouns[rng.below(std::size(kNouns))];
  const std::string_view second = rng.percent(40) ? kNouns[rng.below(std::size(kNouns))] : "";
  std::string name = join_name(style, first, second);
  if (rng.percent(20)) name += std::to_string(rng.below(10));
  return name;
}

// What a name adds to the token string: "id" for each part between
// underscores (every part starts with a letter).
std::string name_tokens(std::string_view text) {
  std::string tokens = "id";
  for (char c : text) {
    if (c == '_') tokens += "id";
  }
  return tokens;
}

bool is_operator(std::string_view w) {
  static constexpr std::string_view kOperators[] = {
      "=", "+", "-", "*", "/", "<", "<=", ">", ">=", "==", "!=", "&&", "||"};
  for (std::string_view op : kOperators) {
    if (w == op) return true;
  }
  return false;
}

// Writes a student's functions in the student's layout.
class ClassWriter {
 public:
  ClassWriter(const Style& style, ClassFile& out) : style_(style), out_(out) {}

  void text_line(std::string_view text, std::string_view tokens) {
    out_.source += text;
    out_.source += '\n';
    out_.tokens += tokens;
  }
  void blank_line() { out_.source += '\n'; }

  void function(const Function& f) {
    comment_line(f.comment, 0);
    for (const Word& w : f.head) word(w);
    open_brace(0);
    statements(f.body, 1);
    close_brace(0);
    end_line();
  }

 private:
  void statements(const std::vector<Stmt>& list, int depth) {
    for (const Stmt& s : list) statement(s, depth);
  }

  void statement(const Stmt& s, int depth) {
    if (!s.comment.trailing) comment_line(s.comment, depth);
    start_line(depth);
    switch (s.kind) {
      case Stmt::kSimple:
        for (const Word& w : s.words) word(w);
        if (s.comment.trailing) {
          out_.source += ' ';
          comment(s.comment);
        }
        end_line();
        return;
      case Stmt::kFor:
        word(plain("for"));
        word(plain("("));
        for (const Word& w : s.words) word(w);
        word(plain(";"));
        for (const Word& w : s.cond) word(w);
        word(plain(";"));
        for (const Word& w : s.step) word(w);
        word(plain(")"));
        break;
      case Stmt::kWhile:
      case Stmt::kIf:
        word(plain(s.kind == Stmt::kIf ? "if" : "while"));
        word(plain("("));
        for (const Word& w : s.cond) word(w);
        word(plain(")"));
        break;
    }
    open_brace(depth);
    statements(s.body, depth + 1);
    close_brace(depth);
    if (!s.else_body.empty()) {
      if (style_.allman) {
        end_line();
        start_line(depth);
      }
      word(plain("else"));
      open_brace(depth);
      statements(s.else_body, depth + 1);
      close_brace(depth);
    }
    end_line();
  }

  void open_brace(int depth) {
    if (style_.allman) {
      end_line();
      start_line(depth);
    }
    word(plain("{"));
    end_line();
  }
  void close_brace(int depth) {
    start_line(depth);
    word(plain("}"));
  }

  void comment_line(const Comment& c, int depth) {
    if (c.text.empty()) return;
    start_line(depth);
    comment(c);
    end_line();
  }
  void comment(const Comment& c) {
    out_.source += c.text;
    out_.tokens += c.tokens;
  }

  void start_line(int depth) {
    for (int i = 0; i < depth; ++i) out_.source += style_.indent;
    last_.clear();
  }
  void end_line() {
    out_.source += '\n';
    last_.clear();
  }

  void word(const Word& w) {
    const std::string text = w.is_name ? student_name(style_, w.text) : w.text;
    if (!last_.empty() && space_between(last_, text)) out_.source += ' ';
    out_.source += text;
    out_.tokens += w.is_name ? name_tokens(text) : w.token;
    last_ = text;
  }

  bool space_between(std::string_view left, std::string_view right) const {
    if (needs_space(left, right) || left == "}" || right == "{") return true;
    if (!style_.spaced) return false;
    if (is_operator(left) || is_operator(right) || left == "," || left == ";") return true;
    return right == "(" && (left == "for" || left == "while" || left == "if");
  }

  const Style& style_;
  ClassFile& out_;
  std::string last_;  // the last word on the line, empty at its start
};

std::size_t function_tokens(const Function& f, const Style& style) {
  ClassFile scratch;
  ClassWriter(style, scratch).function(f);
  return scratch.tokens.size();
}

void add_includes(Author& a, Rng& rng) {
  a.includes = {"#include <stdio.h>"};
  if (rng.percent(30)) a.includes.push_back("#include <stdlib.h>");
  if (rng.percent(15)) a.includes.push_back("#include <math.h>");
}

// The student's own solution: the exercise's functions in turn, each
// rewritten, until the token string reaches the student's length.
Author make_original(std::uint64_t seed, std::size_t index, std::size_t exercise) {
  Rng rng(derive(seed, kAuthorSalt, index));
  Author a;
  a.style = make_style(rng);
  a.exercise = exercise;
  a.student = index + 1;
  add_includes(a, rng);
  const std::size_t target = kShortestTarget + rng.below(kTargetSpread + 1);
  ProgramMaker reference(derive(seed, kExerciseSalt, exercise));
  ProgramMaker own(rng.next());
  std::size_t length = header_comment(a.style, exercise, a.student).tokens.size() +
                       a.includes.size() * kIncludeTokens.size();
  // Whole functions, as many as bring the length nearest the target.
  for (std::size_t k = 0;; ++k) {
    Function f = reference.function(k == 0);
    own.set_function_count(k);
    f.body = own.rewrite(f.body, f.vars, 0, kAuthorRates);
    if (rng.percent(50)) f.comment = make_comment(rng, a.style);
    add_comments(f.body, rng, a.style);
    const std::size_t more = function_tokens(f, a.style);
    if (k >= 2 && length + more / 2 > target) break;
    length += more;
    a.functions.push_back(std::move(f));
  }
  // Most put main last; some swap two of the other functions.
  if (rng.percent(60)) {
    std::rotate(a.functions.begin(), a.functions.begin() + 1, a.functions.end());
    a.main_at = a.functions.size() - 1;
  }
  if (a.functions.size() > 2 && rng.percent(30)) {
    const std::size_t first = a.main_at == 0 ? 1 : 0;
    const std::size_t k = first + rng.below(a.functions.size() - 2);
    std::swap(a.functions[k], a.functions[k + 1]);
  }
  return a;
}

// Comments in a copy: all removed, or each kept, removed or reworded.
void retouch_comments(std::vector<Stmt>& list, Rng& rng, const Style& style, bool remove_all) {
  for (Stmt& s : list) {
    if (!s.comment.text.empty()) {
      const std::size_t roll = rng.below(100);
      if (remove_all || (roll >= 35 && roll < 70)) {
        s.comment = Comment{};
      } else if (roll >= 70) {
        const bool trailing = s.comment.trailing;
        s.comment = make_comment(rng, style);
        s.comment.trailing = trailing;
      }
    }
    retouch_comments(s.body, rng, style, remove_all);
    retouch_comments(s.else_body, rng, style, remove_all);
  }
}

Author make_copy(std::uint64_t seed, std::size_t index, std::size_t origin, std::size_t exercise) {
  Author a = make_original(seed, origin, exercise);
  Rng rng(derive(seed, kCopySalt, index));
  const bool gbk = a.style.gbk;  // kept comments stay as they were
  a.style = make_style(rng);
  a.style.gbk = gbk;
  a.student = index + 1;
  ProgramMaker disguiser(rng.next());
  disguiser.set_function_count(a.functions.size());
  const bool remove_all = rng.percent(50);
  for (Function& f : a.functions) {
    f.body = disguiser.rewrite(f.body, f.vars, 0, kCopyRates);
    if (remove_all || rng.percent(50)) f.comment = Comment{};
    retouch_comments(f.body, rng, a.style, remove_all);
  }
  // Functions in a new order.
  for (std::size_t k = a.functions.size(); k > 1; --k) {
    const std::size_t other = rng.below(k);
    std::swap(a.functions[k - 1], a.functions[other]);
    if (a.main_at == k - 1) {
      a.main_at = other;
    } else if (a.main_at == other) {
      a.main_at = k - 1;
    }
  }
  return a;
}

// The file's head: the header comment (in main's file) and the includes.
void write_head(ClassWriter& w, const Author& a, bool with_header) {
  if (with_header) {
    const Comment header = header_comment(a.style, a.exercise, a.student);
    w.text_line(header.text, header.tokens);
  }
  for (std::string_view line : a.includes) w.text_line(line, kIncludeTokens);
}

ClassFile write_single(const Author& a, std::string name) {
  ClassFile file{std::move(name), {}, {}};
  ClassWriter w(a.style, file);
  write_head(w, a, true);
  for (const Function& f : a.functions) {
    w.blank_line();
    w.function(f);
  }
  return file;
}

// main.c with the header and main, util.c with the other functions.
std::vector<ClassFile> write_folder(const Author& a, const std::string& name) {
  ClassFile main_file{name + "/main.c", {}, {}};
  ClassFile util_file{name + "/util.c", {}, {}};
  ClassWriter main_writer(a.style, main_file);
  ClassWriter util_writer(a.style, util_file);
  write_head(main_writer, a, true);
  util_writer.text_line("#include <stdio.h>", kIncludeTokens);
  for (std::size_t k = 0; k < a.functions.size(); ++k) {
    ClassWriter& w = k == a.main_at ? main_writer : util_writer;
    w.blank_line();
    w.function(a.functions[k]);
  }
  return {std::move(main_file), std::move(util_file)};
}

std::string submission_name(std::size_t count, std::size_t index) {
  std::string digits = std::to_string(index + 1);
  const std::size_t width = std::max<std::size_t>(4, std::to_string(count).size());
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return "s" + digits;
}

}  // namespace

std::string ClassSubmission::tokens() const {
  std::string joined;
  for (const ClassFile& f : files) joined += f.tokens;
  return joined;
}

ClassSubmission generate_class_submission(std::uint64_t seed, std::size_t count,
                                          std::size_t index) {
  const Plan plan = plan_of(seed, index);
  const Author author = plan.copy_of ? make_copy(seed, index, *plan.copy_of, plan.exercise)
                                     : make_original(seed, index, plan.exercise);
  ClassSubmission s;
  s.exercise = plan.exercise;
  s.copy_of = plan.copy_of;
  s.name = submission_name(count, index);
  if (plan.folder) {
    s.files = write_folder(author, s.name);
  } else {
    s.name += ".c";
    s.files.push_back(write_single(author, s.name));
  }
  return s;
}

std::vector<ClassSubmission> generate_class(std::uint64_t seed, std::size_t count) {
  std::vector<ClassSubmission> all;
  all.reserve(count);
  for (std::size_t index = 0; index < count; ++index) {
    all.push_back(generate_class_submission(seed, count, index));
  }
  return all;
}

}  // namespace codetwin::bench
