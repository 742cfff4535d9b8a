#include "bench/padding.h"

#include <map>
#include <string>

#include "bench/own_code.h"
#include "bench/program_edit.h"
#include "bench/statement_points.h"

namespace codetwin::bench {

namespace {

// Chance, in percent, of an uncalled helper, and the share of the padding
// it may take at most.
constexpr int kHelperPercent = 35;
constexpr std::size_t kHelperDivisor = 3;
// Smallest padding worth a helper: below it a helper is most of the growth.
constexpr std::size_t kHelperLeast = 90;
// Rounds without a fitting insertion before padding gives up.
constexpr int kPatience = 40;

std::string dead_statement(Rng& rng, const std::string& v) {
  switch (rng.below(12)) {
    case 0:
      return "if (0) { " + v + " = " + v + " + 1; }";
    case 1:
      return "if (0) { " + v + "++; }";
    case 2:
      return "while (0) { " + v + "--; }";
    case 3:
      return v + " = " + v + " + 0;";
    case 4:
      return v + " = " + v + " * 1;";
    case 5:
      return v + " += 0;";
    case 6:
      return v + " = 0;";
    case 7:
      return ";";
    case 8:
      return "do { " + v + "++; } while (0);";
    case 9:
      return "if (" + v + " != 0) { " + v + " = 0; }";
    case 10:
      return "for (" + v + " = 0; " + v + " < 0; " + v + "++) { }";
    default:
      return "if (0) { printf(\"debug\\n\"); }";
  }
}

std::string unused_declaration(Rng& rng, NameMaker& names) {
  const std::string w = rng.percent(40) ? names.fresh_short() : names.fresh(NameRole::kVariable);
  switch (rng.below(5)) {
    case 0:
      return "int " + w + ";";
    case 1:
      return "int " + w + " = " + std::to_string(rng.below(100)) + ";";
    case 2:
      return "char " + w + "[" + std::to_string(8 + rng.below(120)) + "];";
    case 3:
      return "double " + w + " = 0.0;";
    default:
      return "long " + w + " = 0;";
  }
}

std::vector<std::size_t> function_indices(const std::vector<TopItem>& items) {
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].kind == TopItem::Kind::kFunction) found.push_back(i);
  }
  return found;
}

// The points after the declaration of `variable`.
std::vector<std::size_t> points_after(const CTokens& tokens,
                                      const std::vector<StatementPoint>& points,
                                      const std::string& variable) {
  std::size_t declared = tokens.size();
  for (std::size_t i = 0; i < tokens.size() && declared == tokens.size(); ++i) {
    if (tokens[i].kind == CToken::Kind::kName && tokens[i].text == variable) declared = i;
  }
  std::vector<std::size_t> after;
  for (const StatementPoint& p : points) {
    if (p.at > declared) after.push_back(p.at);
  }
  return after;
}

void add_helper(std::vector<TopItem>& items, NameMaker& names, Rng& rng, std::size_t size,
                std::size_t& grown) {
  const OwnFunction helper = own_function(rng, names, size);
  const std::size_t added = code_size(helper.definition) + code_size(helper.prototype);
  if (added > size) return;
  const std::size_t first = first_function(items);
  add_function(items, helper.definition, helper.prototype,
               first + rng.below(items.size() - first + 1));
  grown += added;
}

}  // namespace

void add_padding(std::vector<TopItem>& items, NameMaker& names, Rng& rng, std::size_t least,
                 std::size_t most) {
  std::size_t grown = 0;
  if (least >= kHelperLeast && rng.percent(kHelperPercent)) {
    add_helper(items, names, rng, least / kHelperDivisor, grown);
  }
  std::map<std::string, std::string> pad_variable;  // per function, declared on first use
  int misses = 0;
  while (grown < least && misses < kPatience) {
    const std::vector<std::size_t> functions = function_indices(items);
    if (functions.empty()) return;
    TopItem& f = items[functions[rng.below(functions.size())]];
    classify_braces(f.tokens);
    const std::vector<StatementPoint> points = statement_points(f.tokens);
    if (points.empty()) {
      ++misses;
      continue;
    }
    std::string text;
    std::size_t at = points[0].at;
    std::string& v = pad_variable[f.name];
    std::string declared;
    if (rng.percent(25)) {
      text = unused_declaration(rng, names);
    } else if (v.empty()) {
      declared = names.fresh(NameRole::kVariable);
      text = "int " + declared + " = 0;";
    } else {
      const std::vector<std::size_t> after = points_after(f.tokens, points, v);
      if (after.empty()) {
        ++misses;
        continue;
      }
      text = dead_statement(rng, v);
      at = after[rng.below(after.size())];
    }
    if (grown + code_size(text) > most) {
      // Near the limit only an empty statement still fits.
      if (grown + 1 > most) break;
      text.assign(1, ';');
      declared.clear();
    }
    insert_statement(f, at, text);
    if (!declared.empty()) v = declared;
    grown += code_size(text);
  }
}

}  // namespace codetwin::bench
