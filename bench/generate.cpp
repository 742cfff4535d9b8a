#include "bench/generate.h"

#include <array>
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

// A statement; loops and ifs keep their parts so that the copy can rewrite
// a for loop as a while loop.
struct Stmt {
  enum Kind { kSimple, kFor, kWhile, kIf } kind = kSimple;
  std::vector<Word> words;  // kSimple: the statement; kFor: its init
  std::vector<Word> cond;
  std::vector<Word> step;  // kFor only
  std::vector<Stmt> body;
  std::vector<Stmt> else_body;  // kIf only, may be empty
};

struct Function {
  std::vector<Word> head;
  std::vector<Stmt> body;
  std::vector<std::string> vars;
};

// None of these is a keyword, operator or symbol word.
constexpr std::array<std::string_view, 26> kNames = {
    "sum",  "total", "count", "value", "index", "temp", "result", "data", "len",
    "num",  "acc",   "left",  "right", "mid",   "low",  "high",   "step", "flag",
    "size", "key",   "pos",   "cur",   "i",     "j",    "k",      "n"};
constexpr std::array<std::string_view, 12> kOtherNames = {
    "alpha", "beta", "gamma", "delta", "node", "item", "elem", "part", "val", "tmp", "res", "q"};

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
      f.vars.push_back(std::string(pick(kNames)) + std::to_string(rng_.below(10)));
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
    std::vector<Stmt> out;
    for (std::size_t i = 0; i < list.size(); ++i) {
      const std::size_t roll = rng_.below(100);
      if (roll < 3) continue;  // dropped
      if (roll < 7) {
        out.push_back(statement(vars, depth));  // changed
        continue;
      }
      if (roll < 10 && i + 1 < list.size()) {  // swapped with the next
        append_disguised(out, list[i + 1], vars, depth);
        append_disguised(out, list[i], vars, depth);
        ++i;
        continue;
      }
      append_disguised(out, list[i], vars, depth);
      if (roll < 13) out.push_back(statement(vars, depth));  // inserted
    }
    return out;
  }

 private:
  void append_disguised(std::vector<Stmt>& out, const Stmt& s, const std::vector<std::string>& vars,
                        int depth) {
    Stmt copy = s;
    copy.body = disguise(s.body, vars, depth + 1);
    copy.else_body = disguise(s.else_body, vars, depth + 1);
    if (copy.kind == Stmt::kFor && rng_.percent(40)) {
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
