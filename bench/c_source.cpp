#include "bench/c_source.h"

#include <algorithm>
#include <array>

namespace codetwin::bench {

namespace {

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_name_char(char c) { return is_letter(c) || is_digit(c); }
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
bool is_high(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// Whether a backslash ends the line that ends at `newline` (a CR before the
// LF is part of the line end).
bool continued(std::string_view s, std::size_t newline) {
  std::size_t k = newline;
  if (k > 0 && s[k - 1] == '\r') --k;
  return k > 0 && s[k - 1] == '\\';
}

// Past the literal whose quote is at `begin`: past its closing quote, or at
// its line end if it has none. A backslash escapes the next byte.
std::size_t literal_end(std::string_view s, std::size_t begin) {
  const char quote = s[begin];
  std::size_t i = begin + 1;
  while (i < s.size()) {
    if (s[i] == '\\') {
      i += 2;
    } else if (s[i] == quote) {
      return i + 1;
    } else if (s[i] == '\n') {
      return i;
    } else {
      ++i;
    }
  }
  return s.size();
}

// At the line end (kept out) of the // comment at `begin`; a backslash at
// the end of a line carries the comment on.
std::size_t line_comment_end(std::string_view s, std::size_t begin) {
  std::size_t i = begin + 2;
  for (;;) {
    const std::size_t newline = s.find('\n', i);
    if (newline == std::string_view::npos) return s.size();
    if (!continued(s, newline)) return newline;
    i = newline + 1;
  }
}

std::size_t block_comment_end(std::string_view s, std::size_t begin) {
  const std::size_t close = s.find("*/", begin + 2);
  return close == std::string_view::npos ? s.size() : close + 2;
}

// At the line end that ends the preprocessor line starting at `begin`:
// comments and literals may not end it, a backslash carries it on.
std::size_t directive_end(std::string_view s, std::size_t begin) {
  std::size_t i = begin;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '\n') {
      if (!continued(s, i)) return i;
      ++i;
    } else if (c == '"' || c == '\'') {
      i = literal_end(s, i);
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      i = block_comment_end(s, i);
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
      return line_comment_end(s, i);
    } else {
      ++i;
    }
  }
  return s.size();
}

std::size_t number_end(std::string_view s, std::size_t i) {
  while (i < s.size()) {
    const char c = s[i];
    if ((c == '+' || c == '-') &&
        (s[i - 1] == 'e' || s[i - 1] == 'E' || s[i - 1] == 'p' || s[i - 1] == 'P')) {
      ++i;
    } else if (is_name_char(c) || c == '.') {
      ++i;
    } else {
      break;
    }
  }
  return i;
}

// Longest first, so that the first match is the one a compiler takes.
constexpr std::array<std::string_view, 22> kLongPunctuators = {
    "<<=", ">>=", "...", "->", "++", "--", "<<", ">>", "<=", ">=", "==",
    "!=",  "&&",  "||",  "+=", "-=", "*=", "/=", "%=", "&=", "^=", "|="};

std::size_t punctuator_length(std::string_view s, std::size_t i) {
  for (std::string_view p : kLongPunctuators) {
    if (s.substr(i, p.size()) == p) return p.size();
  }
  if (s.substr(i, 2) == "##") return 2;
  return 1;
}

bool is_literal_prefix(std::string_view name) {
  return name == "L" || name == "u" || name == "U" || name == "u8";
}

class Tokenizer {
 public:
  explicit Tokenizer(std::string_view s) : s_(s) {}

  CTokens run(bool directives) {
    while (i_ < s_.size()) step(directives);
    return std::move(out_);
  }

 private:
  void step(bool directives) {
    const char c = s_[i_];
    if (c == '\n') {
      ++lines_;
      space_ = true;
      line_start_ = true;
      ++i_;
    } else if (is_blank(c)) {
      space_ = true;
      ++i_;
    } else if (c == '\\' && (s_.substr(i_ + 1, 1) == "\n" || s_.substr(i_ + 1, 2) == "\r\n")) {
      // A backslash-newline joins two lines; taken as a space.
      space_ = true;
      i_ += s_[i_ + 1] == '\n' ? 2 : 3;
    } else if (c == '#' && line_start_ && directives) {
      const std::size_t end = directive_end(s_, i_);
      CToken t = make(CToken::Kind::kDirective, end);
      t.parts = Tokenizer(t.text).run(false);
      out_.push_back(std::move(t));
    } else if (c == '/' && s_.substr(i_, 2) == "/*") {
      out_.push_back(make(CToken::Kind::kComment, block_comment_end(s_, i_)));
    } else if (c == '/' && s_.substr(i_, 2) == "//") {
      out_.push_back(make(CToken::Kind::kComment, line_comment_end(s_, i_)));
    } else if (c == '"' || c == '\'') {
      out_.push_back(
          make(c == '"' ? CToken::Kind::kString : CToken::Kind::kChar, literal_end(s_, i_)));
    } else if (is_letter(c)) {
      name();
    } else if (is_digit(c) || (c == '.' && i_ + 1 < s_.size() && is_digit(s_[i_ + 1]))) {
      out_.push_back(make(CToken::Kind::kNumber, number_end(s_, i_ + 1)));
    } else if (is_high(c)) {
      std::size_t end = i_;
      while (end < s_.size() && is_high(s_[end])) ++end;
      out_.push_back(make(CToken::Kind::kOther, end));
    } else {
      out_.push_back(make(CToken::Kind::kPunct, i_ + punctuator_length(s_, i_)));
    }
  }

  void name() {
    std::size_t end = i_;
    while (end < s_.size() && is_name_char(s_[end])) ++end;
    if (end < s_.size() && (s_[end] == '"' || s_[end] == '\'') &&
        is_literal_prefix(s_.substr(i_, end - i_))) {
      const CToken::Kind kind = s_[end] == '"' ? CToken::Kind::kString : CToken::Kind::kChar;
      out_.push_back(make(kind, literal_end(s_, end)));
      return;
    }
    out_.push_back(make(CToken::Kind::kName, end));
  }

  CToken make(CToken::Kind kind, std::size_t end) {
    CToken t;
    t.kind = kind;
    t.text = std::string(s_.substr(i_, end - i_));
    t.space_before = space_;
    t.lines_before = lines_;
    space_ = false;
    lines_ = 0;
    line_start_ = false;
    i_ = end;
    return t;
  }

  std::string_view s_;
  std::size_t i_ = 0;
  CTokens out_;
  bool space_ = false;
  int lines_ = 0;
  bool line_start_ = true;
};

bool is_aggregate_word(const CToken& t) { return t.is("struct") || t.is("union"); }

}  // namespace

CTokens tokenize_c(std::string_view source) { return Tokenizer(source).run(true); }

std::string_view directive_word(const CToken& directive) {
  return directive.parts.size() > 1 ? std::string_view(directive.parts[1].text) : "";
}

bool is_c_keyword(std::string_view name) {
  static constexpr std::string_view kKeywords[] = {
      "auto",         "break",    "case",     "char",    "const",     "continue",
      "default",      "do",       "double",   "else",    "enum",      "extern",
      "float",        "for",      "goto",     "if",      "inline",    "int",
      "long",         "register", "restrict", "return",  "short",     "signed",
      "sizeof",       "static",   "struct",   "switch",  "typedef",   "union",
      "unsigned",     "void",     "volatile", "while",   "_Bool",     "_Complex",
      "_Imaginary",   "_Alignas", "_Alignof", "_Atomic", "_Noreturn", "_Static_assert",
      "_Thread_local"};
  return std::find(std::begin(kKeywords), std::end(kKeywords), name) != std::end(kKeywords);
}

void classify_braces(CTokens& tokens) {
  std::vector<BraceKind> open;
  const CToken* previous = nullptr;  // the last code token
  bool aggregate = false;            // struct or union since the statement began
  bool enumeration = false;
  int parens = 0;
  for (CToken& t : tokens) {
    if (!t.is_code()) continue;
    if (t.is("(")) ++parens;
    if (t.is(")")) parens = std::max(0, parens - 1);
    if (t.is("{")) {
      BraceKind kind = BraceKind::kBlock;
      if ((!open.empty() && open.back() == BraceKind::kInline) || parens > 0 ||
          (previous != nullptr && previous->is("="))) {
        kind = BraceKind::kInline;
      } else if (previous != nullptr && previous->is(")")) {
        kind = BraceKind::kBlock;
      } else if (enumeration) {
        kind = BraceKind::kInline;
      } else if (aggregate) {
        kind = BraceKind::kAggregate;
      }
      t.brace = kind;
      open.push_back(kind);
      aggregate = enumeration = false;
    } else if (t.is("}")) {
      t.brace = open.empty() ? BraceKind::kBlock : open.back();
      if (!open.empty()) open.pop_back();
      if (t.brace != BraceKind::kInline) aggregate = enumeration = false;
    } else if (t.is(";")) {
      aggregate = enumeration = false;
    } else if (is_aggregate_word(t)) {
      aggregate = true;
    } else if (t.is("enum")) {
      enumeration = true;
    }
    previous = &t;
  }
}

namespace {

// The name of the function or prototype whose head is `tokens` (from
// `begin`): the name just before the first parenthesis, if no `=` comes
// before it.
std::string head_name(const CTokens& tokens) {
  const CToken* last_name = nullptr;
  for (const CToken& t : tokens) {
    if (!t.is_code()) continue;
    if (t.is("=") || t.is("{")) return {};
    if (t.is("(")) {
      if (last_name == nullptr || is_c_keyword(last_name->text)) return {};
      return last_name->text;
    }
    last_name = t.kind == CToken::Kind::kName ? &t : nullptr;
  }
  return {};
}

const CToken* last_code(const CTokens& tokens) {
  for (auto it = tokens.rbegin(); it != tokens.rend(); ++it) {
    if (it->is_code()) return &*it;
  }
  return nullptr;
}

bool has_code(const CTokens& tokens) {
  return std::any_of(tokens.begin(), tokens.end(), [](const CToken& t) { return t.is_code(); });
}

}  // namespace

std::vector<TopItem> split_top_level(const CTokens& tokens) {
  std::vector<TopItem> items;
  TopItem current;
  int braces = 0;
  int parens = 0;
  bool in_body = false;
  auto finish = [&](TopItem::Kind kind, std::size_t& i) {
    // A comment on the item's last line is the item's.
    while (i + 1 < tokens.size() && tokens[i + 1].kind == CToken::Kind::kComment &&
           tokens[i + 1].lines_before == 0) {
      current.tokens.push_back(tokens[++i]);
    }
    current.kind = kind;
    current.name = head_name(current.tokens);
    items.push_back(std::move(current));
    current = TopItem{};
    in_body = false;
  };
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const CToken& t = tokens[i];
    const bool between = braces == 0 && parens == 0 && !has_code(current.tokens);
    if (between && t.kind == CToken::Kind::kDirective) {
      for (CToken& comment : current.tokens) {
        items.push_back(TopItem{TopItem::Kind::kComment, {std::move(comment)}, {}});
      }
      current.tokens.clear();
      current.tokens.push_back(t);
      finish(TopItem::Kind::kDirective, i);
      continue;
    }
    if (t.is_code() && t.is("{") && braces == 0 && parens == 0) {
      const CToken* before = last_code(current.tokens);
      in_body = before != nullptr && before->is(")");
    }
    current.tokens.push_back(t);
    if (!t.is_code()) continue;
    if (t.is("(")) ++parens;
    if (t.is(")")) parens = std::max(0, parens - 1);
    if (t.is("{")) ++braces;
    if (t.is("}")) {
      braces = std::max(0, braces - 1);
      if (braces == 0 && in_body) finish(TopItem::Kind::kFunction, i);
    } else if (t.is(";") && braces == 0 && parens == 0) {
      finish(TopItem::Kind::kDeclaration, i);
    }
  }
  if (has_code(current.tokens)) {
    current.kind = TopItem::Kind::kDeclaration;
    items.push_back(std::move(current));
  } else {
    for (CToken& comment : current.tokens) {
      items.push_back(TopItem{TopItem::Kind::kComment, {std::move(comment)}, {}});
    }
  }
  return items;
}

CTokens join_items(const std::vector<TopItem>& items) {
  CTokens all;
  for (const TopItem& item : items) all.insert(all.end(), item.tokens.begin(), item.tokens.end());
  return all;
}

std::string bare_text(const CTokens& tokens) {
  std::string text;
  for (const CToken& t : tokens) {
    if (t.kind == CToken::Kind::kComment) continue;
    if (t.kind == CToken::Kind::kDirective) {
      text += '\n';
      text += bare_text(t.parts);
      text += '\n';
      continue;
    }
    text += t.text;
    text += ' ';
  }
  return text;
}

std::size_t body_start(const CTokens& tokens) {
  const CToken* before = nullptr;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (!tokens[i].is_code()) continue;
    if (tokens[i].is("{") && before != nullptr && before->is(")")) return i;
    before = &tokens[i];
  }
  return tokens.size();
}

std::size_t parameter_count(const CTokens& tokens) {
  std::size_t count = 0;
  int parens = 0;
  bool any = false;
  for (const CToken& t : tokens) {
    if (!t.is_code()) continue;
    if (t.is("(")) {
      if (++parens == 1) continue;
    }
    if (t.is(")") && --parens == 0) break;
    if (parens == 0) continue;
    if (parens == 1 && t.is(",")) ++count;
    if (!t.is("void")) any = true;
  }
  return any ? count + 1 : 0;
}

}  // namespace codetwin::bench
