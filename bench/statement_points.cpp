#include "bench/statement_points.h"

namespace codetwin::bench {

namespace {

struct Open {
  BraceKind kind;
  bool switch_body;
};

// The next code token after index `i`, or null.
const CToken* next_code(const CTokens& tokens, std::size_t i, std::size_t* at) {
  for (std::size_t k = i + 1; k < tokens.size(); ++k) {
    if (tokens[k].is_code()) {
      *at = k;
      return &tokens[k];
    }
  }
  *at = tokens.size();
  return nullptr;
}

}  // namespace

std::vector<StatementPoint> statement_points(const CTokens& function) {
  std::vector<StatementPoint> points;
  const std::size_t body = body_start(function);
  std::vector<Open> opens;
  int parens = 0;
  bool switch_header = false;  // a switch's ( ) seen, its { not yet
  for (std::size_t i = body; i < function.size(); ++i) {
    const CToken& t = function[i];
    if (!t.is_code()) continue;
    bool ends_statement = false;
    if (t.is("(")) {
      ++parens;
    } else if (t.is(")")) {
      --parens;
    } else if (t.is("switch")) {
      switch_header = true;
    } else if (t.is("{")) {
      opens.push_back({t.brace, switch_header && t.brace == BraceKind::kBlock});
      switch_header = false;
      ends_statement = t.brace == BraceKind::kBlock;
    } else if (t.is("}")) {
      if (opens.empty()) break;
      const Open closed = opens.back();
      opens.pop_back();
      if (opens.empty()) break;  // the body's own }
      ends_statement = closed.kind == BraceKind::kBlock;
    } else if (t.is(";")) {
      ends_statement = parens == 0;
    }
    if (!ends_statement || opens.empty()) continue;
    const Open& inside = opens.back();
    if (inside.kind != BraceKind::kBlock || inside.switch_body) continue;
    std::size_t at = 0;
    const CToken* next = next_code(function, i, &at);
    // After a { no do waits for its while.
    if (next == nullptr || next->is("else") || (next->is("while") && !t.is("{"))) continue;
    // Comments on the statement's line stay with it.
    std::size_t point = i + 1;
    while (point < at && function[point].lines_before == 0) ++point;
    points.push_back({point, opens.size()});
  }
  return points;
}

}  // namespace codetwin::bench
