#include "bench/c_layout.h"

#include <algorithm>
#include <array>

namespace codetwin::bench {

namespace {

constexpr std::array<std::string_view, 11> kAssignments = {
    "=", "+=", "-=", "*=", "/=", "%=", "&=", "|=", "^=", "<<=", ">>="};
constexpr std::array<std::string_view, 10> kComparisons = {
    "==", "!=", "<", ">", "<=", ">=", "&&", "||", "?", ":"};
constexpr std::array<std::string_view, 10> kArithmetic = {"+", "-", "*", "/",  "%",
                                                          "&", "|", "^", "<<", ">>"};
constexpr std::array<std::string_view, 8> kPrefixOperators = {"-", "+", "*",  "&",
                                                              "!", "~", "++", "--"};

template <std::size_t N>
bool among(const std::array<std::string_view, N>& set, const CToken& t) {
  return t.kind == CToken::Kind::kPunct && std::find(set.begin(), set.end(), t.text) != set.end();
}

bool is_binary_operator(const CToken& t) {
  return among(kAssignments, t) || among(kComparisons, t) || among(kArithmetic, t);
}

// Whether `t` ends an operand, so that a following - or * is binary and a
// following ( is a call.
bool ends_operand(const CToken& t) {
  switch (t.kind) {
    case CToken::Kind::kName:
      return !is_c_keyword(t.text);
    case CToken::Kind::kNumber:
    case CToken::Kind::kString:
    case CToken::Kind::kChar:
      return true;
    default:
      return t.is(")") || t.is("]");
  }
}

bool is_control(const CToken& t) {
  return t.is("if") || t.is("for") || t.is("while") || t.is("switch");
}

std::string directive_text(const CToken& directive) {
  std::string text;
  for (std::size_t k = 0; k < directive.parts.size(); ++k) {
    if (k > 0 && directive.parts[k].space_before) text += ' ';
    text += directive.parts[k].text;
  }
  return text;
}

// Whether a statement may start on the line a short statement ended.
bool joinable(const CToken* next) {
  return next != nullptr && (next->kind == CToken::Kind::kName) && !is_c_keyword(next->text);
}

class Printer {
 public:
  Printer(const Layout& layout, Rng& rng) : layout_(layout), rng_(rng) {}

  void item(const TopItem& item, const TopItem* previous) {
    if (previous != nullptr) separate(*previous, item);
    for (std::size_t i = 0; i < item.tokens.size(); ++i) {
      const CToken* next = nullptr;
      for (std::size_t k = i + 1; k < item.tokens.size() && next == nullptr; ++k) {
        if (item.tokens[k].is_code()) next = &item.tokens[k];
      }
      token(item.tokens[i], next, i == 0);
    }
  }

  std::string finish() {
    end_line();
    return std::move(out_);
  }

 private:
  struct Open {
    BraceKind kind;
    bool do_body = false;
    bool switch_body = false;
    bool in_case = false;
  };

  void separate(const TopItem& previous, const TopItem& item) {
    end_line();
    int blank = 0;
    if (previous.kind == TopItem::Kind::kFunction || item.kind == TopItem::Kind::kFunction) {
      blank = layout_.blank_lines_between_functions;
    } else if (previous.kind != item.kind) {
      blank = 1;
    } else if (!item.tokens.empty() && item.tokens[0].lines_before >= 2) {
      blank = 1;
    }
    out_.append(static_cast<std::size_t>(blank), '\n');
  }

  void token(const CToken& t, const CToken* next, bool first_of_item) {
    if (t.kind == CToken::Kind::kComment) return comment(t);
    if (t.kind == CToken::Kind::kDirective) {
      end_line();
      out_ += directive_text(t);
      out_ += '\n';
      return;
    }
    if (break_ && !first_of_item && t.lines_before >= 2 &&
        rng_.percent(layout_.keep_blank_percent)) {
      end_line();
      out_ += '\n';
    }
    if (t.is("{")) return open_brace(t);
    if (t.is("}")) return close_brace(t, next);
    if (t.is(";")) return semicolon(t, next);
    if (t.is("(")) {
      if (header_pending_ && header_paren_ < 0) {
        header_paren_ = parens_;
        header_pending_ = false;
      }
      ++parens_;
      return put(t);
    }
    if (t.is(")")) {
      parens_ = std::max(0, parens_ - 1);
      put(t);
      if (parens_ == header_paren_) {
        header_paren_ = -1;
        closed_header_ = true;
        after_header(next);
      }
      return;
    }
    if ((t.is("case") || t.is("default")) && parens_ == 0 && !label_line_) {
      if (!opens_.empty() && opens_.back().switch_body) opens_.back().in_case = false;
      end_line();
      label_line_ = true;
      return put(t);
    }
    if (t.is("?")) ++ternaries_;
    if (t.is(":")) {
      if (label_line_ && ternaries_ == 0) return label_colon(t);
      if (ternaries_ > 0) --ternaries_;
    }
    put(t);
    if (t.is("else") || t.is("do")) {
      after_do_ = t.is("do") && next != nullptr && next->is("{");
      if (next != nullptr && !next->is("{") && !next->is("if")) push_virtual();
    } else if (is_control(t)) {
      header_pending_ = true;
      switch_header_ = t.is("switch");
    } else if ((t.is(",") || t.is("&&") || t.is("||")) && parens_ > 0 && layout_.wrap_at > 0 &&
               line_.size() > layout_.wrap_at) {
      end_line();
      continuation_ = true;
    }
  }

  void comment(const CToken& t) {
    if (t.lines_before == 0 && !line_.empty()) {
      line_ += ' ';
      line_ += t.text;
    } else {
      end_line();
      start_line();
      line_ += t.text;
      break_ = true;
    }
    if (t.is_line_comment()) break_ = true;
  }

  void open_brace(const CToken& t) {
    Open open{t.brace};
    if (t.brace == BraceKind::kInline) {
      put(t);
      opens_.push_back(open);
      return;
    }
    const bool function_body = opens_.empty() && virtuals_.empty();
    if (layout_.allman || (function_body && layout_.function_brace_own_line)) end_line();
    put(t);
    open.do_body = after_do_;
    open.switch_body = switch_header_;
    after_do_ = switch_header_ = false;
    continuation_ = false;
    opens_.push_back(open);
    break_ = true;
  }

  void close_brace(const CToken& t, const CToken* next) {
    const Open open = opens_.empty() ? Open{BraceKind::kBlock} : opens_.back();
    if (open.kind == BraceKind::kInline) {
      if (!opens_.empty()) opens_.pop_back();
      return put(t);
    }
    end_line();
    if (!opens_.empty()) opens_.pop_back();
    put(t);
    if (open.kind == BraceKind::kBlock) pop_virtuals();
    const bool stays = next != nullptr && (next->is(";") || next->is(",") ||
                                           (next->is("else") && layout_.cuddle_else) ||
                                           (next->is("while") && open.do_body) ||
                                           (open.kind == BraceKind::kAggregate &&
                                            (next->kind == CToken::Kind::kName || next->is("*"))));
    if (!stays) break_ = true;
  }

  void semicolon(const CToken& t, const CToken* next) {
    put(t);
    if (parens_ > 0 || (!opens_.empty() && opens_.back().kind == BraceKind::kInline)) return;
    label_line_ = false;
    ternaries_ = 0;
    continuation_ = false;
    const bool popped = pop_virtuals();
    const bool join =
        !popped && joinable(next) && line_.size() < 40 && rng_.percent(layout_.join_percent);
    if (!join) break_ = true;
  }

  void label_colon(const CToken& t) {
    put(t);
    label_line_ = false;
    if (!opens_.empty() && opens_.back().switch_body) opens_.back().in_case = layout_.indent_cases;
    break_ = true;
  }

  void after_header(const CToken* next) {
    if (next == nullptr || next->is("{") || next->is(";")) return;
    push_virtual();
  }

  // A body without braces: one level in until its statement ends.
  void push_virtual() {
    virtuals_.push_back(opens_.size());
    break_ = true;
  }

  bool pop_virtuals() {
    bool any = false;
    while (!virtuals_.empty() && virtuals_.back() == opens_.size()) {
      virtuals_.pop_back();
      any = true;
    }
    return any;
  }

  std::size_t depth() const {
    std::size_t levels = virtuals_.size() + (continuation_ ? 2 : 0);
    for (const Open& open : opens_) {
      if (open.kind != BraceKind::kInline) levels += open.in_case ? 2 : 1;
    }
    return levels;
  }

  void start_line() {
    for (std::size_t k = depth(); k > 0; --k) line_ += layout_.indent;
  }

  void end_line() {
    if (line_.empty()) {
      break_ = false;
      return;
    }
    while (!line_.empty() && line_.back() == ' ') line_.pop_back();
    out_ += line_;
    out_ += '\n';
    line_.clear();
    break_ = false;
    code_on_line_ = false;
  }

  void put(const CToken& t) {
    if (break_) end_line();
    const bool unary = is_prefix(t);
    if (line_.empty()) {
      start_line();
    } else if (!code_on_line_ || space_between(t, unary) || tokens_merge(previous_.text, t.text)) {
      line_ += ' ';
    }
    line_ += t.text;
    previous_ = t;
    previous_unary_ = unary;
    closed_header_ = false;
    seen_code_ = code_on_line_ = true;
  }

  bool is_prefix(const CToken& t) const {
    if (t.kind != CToken::Kind::kPunct) return false;
    if (std::find(kPrefixOperators.begin(), kPrefixOperators.end(), t.text) ==
        kPrefixOperators.end()) {
      return false;
    }
    if (!seen_code_ || closed_header_) return true;
    return !(ends_operand(previous_) || postfix(previous_));
  }

  bool postfix(const CToken& t) const { return (t.is("++") || t.is("--")) && !previous_unary_; }

  bool operator_spaced(const CToken& op) const {
    switch (layout_.operators) {
      case Layout::Spacing::kAll:
        return true;
      case Layout::Spacing::kAssignments:
        return !among(kArithmetic, op);
      case Layout::Spacing::kNone:
        return false;
    }
    return true;
  }

  bool space_between(const CToken& t, bool unary) const {
    const CToken& p = previous_;
    if (p.is("(") || p.is("[") || p.is(".") || p.is("->")) return false;
    if (t.is(")") || t.is("]") || t.is(",") || t.is(";") || t.is(".") || t.is("->")) return false;
    if (p.is(",")) return layout_.comma_space;
    if (p.is(";")) return true;
    if (t.is("(")) {
      if (is_control(p)) return layout_.keyword_space;
      if (p.is("sizeof")) return false;
      if (ends_operand(p) || previous_unary_) return false;
      return !is_binary_operator(p) || operator_spaced(p);
    }
    if (t.is("[")) return !ends_operand(p);
    if ((t.is("++") || t.is("--")) && !unary) return false;
    if (previous_unary_) return false;
    if (t.is(":") && label_line_) return false;
    if (t.kind == CToken::Kind::kOther || p.kind == CToken::Kind::kOther) return t.space_before;
    if (p.brace == BraceKind::kInline && p.is("{")) return false;
    if (t.brace == BraceKind::kInline && t.is("}")) return false;
    if (!unary && is_binary_operator(t)) return operator_spaced(t);
    if (is_binary_operator(p)) return operator_spaced(p);
    return true;
  }

  const Layout& layout_;
  Rng& rng_;
  std::string out_;
  std::string line_;
  bool break_ = false;  // the next token starts a new line
  CToken previous_;     // the last code token put
  bool previous_unary_ = false;
  bool seen_code_ = false;
  bool code_on_line_ = false;
  std::vector<Open> opens_;
  std::vector<std::size_t> virtuals_;  // each: opens_.size() when pushed
  int parens_ = 0;
  bool header_pending_ = false;  // if/for/while/switch waits for its (
  int header_paren_ = -1;        // the paren depth the header's ( opened at
  bool closed_header_ = false;   // the last token put closed a header: a statement follows
  bool switch_header_ = false;
  bool after_do_ = false;
  bool label_line_ = false;
  int ternaries_ = 0;
  bool continuation_ = false;
};

}  // namespace

Layout random_layout(Rng& rng) {
  static constexpr std::array<std::string_view, 5> kIndents = {"    ", "  ", "\t", "   ",
                                                               "        "};
  Layout l;
  l.indent = kIndents[rng.below(kIndents.size())];
  l.allman = rng.percent(30);
  l.function_brace_own_line = !l.allman && rng.percent(40);
  l.cuddle_else = !l.allman && rng.percent(70);
  const std::size_t spacing = rng.below(4);
  l.operators = spacing < 2   ? Layout::Spacing::kAll
                : spacing < 3 ? Layout::Spacing::kAssignments
                              : Layout::Spacing::kNone;
  l.keyword_space = rng.percent(75);
  l.comma_space = rng.percent(85);
  l.indent_cases = rng.percent(70);
  l.join_percent = static_cast<int>(rng.below(15));
  l.keep_blank_percent = static_cast<int>(rng.below(80));
  l.wrap_at = rng.percent(40) ? 50 + rng.below(40) : 0;
  l.blank_lines_between_functions = rng.percent(80) ? 1 : 2;
  return l;
}

std::string render(const std::vector<TopItem>& items, const Layout& layout, Rng& rng) {
  Printer printer(layout, rng);
  const TopItem* previous = nullptr;
  for (const TopItem& original : items) {
    TopItem item = original;
    classify_braces(item.tokens);
    printer.item(item, previous);
    previous = &original;
  }
  return printer.finish();
}

bool tokens_merge(const std::string& left, const std::string& right) {
  if (left.empty() || right.empty()) return false;
  const CTokens both = tokenize_c(left + right);
  return both.size() != 2 || both[0].text != left;
}

}  // namespace codetwin::bench
