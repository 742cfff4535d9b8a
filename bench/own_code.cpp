#include "bench/own_code.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "bench/program_edit.h"
#include "bench/statement_points.h"

namespace codetwin::bench {

namespace {

// A function is at most this many statements besides its loop and
// return; a larger share is spread over more functions.
constexpr std::size_t kMostStatements = 30;
// The code one added function carries, about, unless the share is less
// than one and a half of it.
constexpr std::size_t kFunctionSize = 280;
// A smaller rest is not worth a function; a function may pass the rest
// by a little.
constexpr std::size_t kLeastFunction = 30;
// Below this a function has no loop: a loop alone is about 80.
constexpr std::size_t kLoopLeast = 120;
constexpr std::size_t kOvershoot = 12;

enum class Shape { kString, kCount, kPrint };

constexpr std::array<std::string_view, 8> kSamples = {
    "hello world", "abc def", "the quick brown fox", "test line", "one two three",
    "xyz",         "a b c",   "sample input"};
constexpr std::array<char, 10> kLetters = {'a', 'e', 'x', 'z', 'A', 'Z', 'm', 'q', 't', 'o'};

std::string number(Rng& rng, std::size_t low, std::size_t high) {
  return std::to_string(low + rng.below(high - low + 1));
}

class Draft {
 public:
  Draft(Rng& rng, NameMaker& names, bool loop) : rng_(rng), loop_(loop) {
    const std::size_t roll = rng.below(10);
    shape_ = !loop || roll < 3 ? Shape::kCount : roll < 7 ? Shape::kString : Shape::kPrint;
    name_ = names.fresh(NameRole::kFunction);
    param_ = shape_ == Shape::kString ? names.fresh(NameRole::kVariable) : names.fresh_short();
    index_ = names.fresh_short();
    tally_ = names.fresh(NameRole::kVariable);
    other_ = names.fresh(NameRole::kVariable);
    if (loop_) in_loop_.push_back(loop_statement());
    if (shape_ == Shape::kString) {
      call_ = name_ + "(\"" + std::string(kSamples[rng.below(kSamples.size())]) + "\");";
    } else {
      call_ = name_ + "(" + number(rng, 3, 12) + ");";
    }
  }

  OwnFunction result() const { return {definition(), prototype(), call_}; }

  // Adds a statement that keeps the whole within `room` code characters
  // more; false when even the smallest would not fit.
  bool grow(std::size_t room) {
    for (int attempt = 0; attempt < 6; ++attempt) {
      const bool in_loop = loop_ && in_loop_.size() < 5 && rng_.percent(50);
      const bool used_other = uses_other_;
      std::string s = in_loop ? loop_statement() : after_statement();
      if (code_size(s) > room) {
        uses_other_ = used_other;
        continue;
      }
      (in_loop ? in_loop_ : after_).push_back(std::move(s));
      return true;
    }
    const std::string smallest = tally_ + "++;";
    if (code_size(smallest) > room) return false;
    after_.push_back(smallest);
    return true;
  }

  std::size_t statements() const { return in_loop_.size() + after_.size(); }

 private:
  std::string returns() const { return shape_ == Shape::kPrint ? "void " : "int "; }
  std::string parameter() const {
    return shape_ == Shape::kString ? "char " + param_ + "[]" : "int " + param_;
  }
  std::string prototype() const { return returns() + name_ + "(" + parameter() + ");"; }

  std::string definition() const {
    std::string d = returns() + name_ + "(" + parameter() + ")\n{\n";
    if (!loop_) {
      d += "    int " + tally_ + " = " + param_ + ";\n";
    } else {
      d += "    int " + index_ + ", " + tally_ + " = 0;\n";
    }
    if (uses_other_) d += "    int " + other_ + " = 1;\n";
    if (loop_) {
      d += "    for (" + index_ + " = 0; " +
           (shape_ == Shape::kString ? param_ + "[" + index_ + "] != '\\0'"
                                     : index_ + " < " + param_) +
           "; " + index_ + "++) {\n";
      for (const std::string& s : in_loop_) d += "        " + s + "\n";
      d += "    }\n";
    }
    for (const std::string& s : after_) d += "    " + s + "\n";
    if (shape_ != Shape::kPrint) d += "    return " + tally_ + ";\n";
    return d + "}\n";
  }

  std::string element() const { return param_ + "[" + index_ + "]"; }
  std::string letter() { return std::string("'") + kLetters[rng_.below(kLetters.size())] + "'"; }

  std::string loop_statement() {
    const std::string& t = tally_;
    const std::string& i = index_;
    switch (rng_.below(shape_ == Shape::kCount ? 5 : 7)) {
      case 0:
        return t + " = " + t + " + " + i + ";";
      case 1:
        return t + " += " + number(rng_, 2, 9) + ";";
      case 2:
        return "if (" + i + " % " + number(rng_, 2, 5) + " == 0) " + t + "++;";
      // Two draws go in two statements: the order of the operands of one
      // expression is the compiler's choice.
      case 3: {
        const std::string limit = number(rng_, 50, 500);
        return "if (" + t + " > " + limit + ") { " + t + " = " + t + " - " +
               number(rng_, 10, 40) + "; }";
      }
      case 4: {
        const std::string factor = number(rng_, 2, 7);
        return t + " = " + t + " * " + factor + " % " + number(rng_, 100, 999) + ";";
      }
      case 5:
        if (shape_ == Shape::kPrint) return "putchar(" + letter() + ");";
        return "if (" + element() + " == " + letter() + ") " + t + "++;";
      default:
        if (shape_ == Shape::kPrint)
          return "if (" + i + " > " + number(rng_, 1, 4) + ") putchar(' ');";
        return "if (" + element() + " >= 'a' && " + element() + " <= 'z') " + t +
               " += " + number(rng_, 1, 3) + ";";
    }
  }

  std::string after_statement() {
    const std::string& t = tally_;
    const std::string& w = other_;
    switch (rng_.below(8)) {
      case 0:
        return "if (" + t + " < 0) " + t + " = -" + t + ";";
      case 1:
        return t + " = " + t + " / " + number(rng_, 2, 9) + ";";
      case 2:
        return "printf(\"%d\\n\", " + t + ");";
      case 3:
        return t + " = " + t + " % " + number(rng_, 10, 99) + " + 1;";
      case 4:
        uses_other_ = true;
        return w + " = " + w + " + " + t + ";";
      case 5:
        uses_other_ = true;
        return "while (" + w + " < " + t + ") { " + w + " = " + w + " * 2; }";
      case 6:
        uses_other_ = true;
        return "if (" + w + " > " + t + ") " + t + " = " + w + "; else " + w + " = " + t + ";";
      default:
        if (shape_ == Shape::kPrint) return "putchar('\\n');";
        return t + " = " + t + " - " + number(rng_, 1, 9) + ";";
    }
  }

  Rng& rng_;
  bool loop_;
  Shape shape_;
  std::string name_, param_, index_, tally_, other_, call_;
  bool uses_other_ = false;
  std::vector<std::string> in_loop_;
  std::vector<std::string> after_;
};

}  // namespace

std::size_t OwnFunction::size() const {
  return code_size(definition) + code_size(prototype) + code_size(call);
}

OwnFunction own_function(Rng& rng, NameMaker& names, std::size_t size) {
  Draft draft(rng, names, size >= kLoopLeast);
  // A few characters over is nearer than many under.
  constexpr std::size_t kSlack = 3;
  while (draft.statements() < kMostStatements) {
    const std::size_t now = draft.result().size();
    if (now + kSlack >= size) break;
    if (!draft.grow(size + kSlack - now)) break;
  }
  return draft.result();
}

void add_own_code(std::vector<TopItem>& items, NameMaker& names, Rng& rng, std::size_t grow) {
  std::size_t remaining = grow;
  while (remaining >= kLeastFunction) {
    const std::size_t size = remaining <= kFunctionSize * 3 / 2 ? remaining : kFunctionSize;
    const OwnFunction f = own_function(rng, names, size);
    // A rest too small for a whole function stays out.
    if (f.size() > remaining + kOvershoot) break;
    remaining -= std::min(remaining, f.size());
    const std::size_t first = first_function(items);
    const std::size_t position = first + rng.below(items.size() - first + 1);
    add_function(items, f.definition, f.prototype, position);
    const std::optional<std::size_t> main = find_function(items, "main");
    if (!main) continue;
    TopItem& item = items[*main];
    classify_braces(item.tokens);
    std::vector<StatementPoint> points;
    for (const StatementPoint& p : statement_points(item.tokens)) {
      if (p.depth == 1) points.push_back(p);
    }
    // Not before main's declarations, nor after its last statement (a return).
    if (points.size() > 2)
      points = std::vector<StatementPoint>(points.begin() + 1, points.end() - 1);
    if (points.empty()) continue;
    insert_statement(item, points[rng.below(points.size())].at, f.call);
  }
}

}  // namespace codetwin::bench
