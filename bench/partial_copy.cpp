#include "bench/partial_copy.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "bench/program_edit.h"
#include "bench/renaming.h"

namespace codetwin::bench {

namespace {

// Whole subsets of up to this many functions are tried; a program with
// more offers its first ones only.
constexpr std::size_t kMostFunctions = 16;

// A function's signature as far as its callers care: the words of its
// return type and its number of parameters.
using Signatures = std::map<std::string, std::string>;

Signatures signatures_of(const std::vector<TopItem>& items) {
  Signatures signatures;
  for (const TopItem& item : items) {
    if (item.kind != TopItem::Kind::kFunction) continue;
    std::string signature;
    for (const CToken& t : item.tokens) {
      if (!t.is_code() || t.is("static") || t.is("inline")) continue;
      if (t.text == item.name) break;
      signature += t.text + ' ';
    }
    signatures[item.name] = signature + std::to_string(parameter_count(item.tokens));
  }
  return signatures;
}

std::set<std::string> used_names(const CTokens& tokens) {
  std::set<std::string> names;
  for (const CToken& t : tokens) {
    if (t.kind == CToken::Kind::kName) names.insert(t.text);
    if (t.kind == CToken::Kind::kDirective) names.merge(used_names(t.parts));
  }
  return names;
}

struct Programs {
  std::vector<TopItem> x;
  std::vector<TopItem> y;
  std::size_t x_size = 0;
};

Programs parse(std::string_view x, std::string_view y) {
  return {split_top_level(tokenize_c(x)), split_top_level(tokenize_c(y)), code_size(x)};
}

// An X function that may be taken: its item, code size, and the other
// candidates it needs taken with it.
struct Candidate {
  std::size_t item;
  std::size_t size;
  std::uint32_t needs = 0;
};

// The X functions that fit Y: every function of X that one names is
// either Y's too, with the same signature, or taken with it. An X function
// that Y has with another signature never fits.
std::vector<Candidate> candidates_of(const Programs& p) {
  const Signatures x = signatures_of(p.x);
  const Signatures y = signatures_of(p.y);
  std::vector<Candidate> found;
  std::map<std::string, std::size_t> index;  // of a candidate, by name
  for (std::size_t i = 0; i < p.x.size() && found.size() < kMostFunctions; ++i) {
    const TopItem& f = p.x[i];
    const auto in_y = y.find(f.name);
    // One of the library's names, defined anew, would clash with Y's headers.
    if (f.kind != TopItem::Kind::kFunction || is_library_name(f.name) ||
        (in_y != y.end() && in_y->second != x.at(f.name))) {
      continue;
    }
    index[f.name] = found.size();
    found.push_back({i, code_size(f.tokens)});
  }
  // Needs, until every candidate's needs are candidates.
  for (bool dropped = true; dropped;) {
    dropped = false;
    for (Candidate& c : found) {
      c.needs = 0;
      for (const std::string& name : used_names(p.x[c.item].tokens)) {
        if (name == p.x[c.item].name || x.count(name) == 0) continue;
        const auto in_y = y.find(name);
        if (in_y != y.end() && in_y->second == x.at(name)) continue;
        const auto needed = index.find(name);
        if (needed == index.end()) {
          c.needs = ~0u;  // needs what cannot be taken
          break;
        }
        c.needs |= 1u << needed->second;
      }
    }
    const auto hopeless =
        std::find_if(found.begin(), found.end(), [](const Candidate& c) { return c.needs == ~0u; });
    if (hopeless != found.end()) {
      found.erase(hopeless);
      index.clear();
      for (std::size_t k = 0; k < found.size(); ++k) index[p.x[found[k].item].name] = k;
      dropped = true;
    }
  }
  return found;
}

// The indices of X's functions to take and their code size.
std::vector<std::size_t> half_of(const Programs& p, std::size_t* taken) {
  const std::vector<Candidate> candidates = candidates_of(p);
  const std::size_t n = candidates.size();
  std::uint32_t best = 0;
  std::size_t best_sum = 0;
  std::size_t best_distance = p.x_size + 1;
  for (std::uint32_t mask = 1; mask < (1u << n); ++mask) {
    std::size_t sum = 0;
    bool whole = true;
    for (std::size_t k = 0; k < n && whole; ++k) {
      if ((mask & (1u << k)) == 0) continue;
      sum += candidates[k].size;
      whole = (candidates[k].needs & ~mask) == 0;
    }
    const std::size_t distance = sum * 2 > p.x_size ? sum * 2 - p.x_size : p.x_size - sum * 2;
    if (whole && distance < best_distance) {
      best_distance = distance;
      best = mask;
      best_sum = sum;
    }
  }
  std::vector<std::size_t> chosen;
  for (std::size_t k = 0; k < n; ++k) {
    if (best & (1u << k)) chosen.push_back(candidates[k].item);
  }
  *taken = best_sum;
  return chosen;
}

// The names a top-level item declares: a macro's name, or a declaration's
// names before its initializer (keywords and library names left out).
std::set<std::string> declared_names(const TopItem& item) {
  std::set<std::string> names;
  if (item.kind == TopItem::Kind::kDirective) {
    const CToken& d = item.tokens[0];
    if (directive_word(d) == "define" && d.parts.size() > 2) names.insert(d.parts[2].text);
    return names;
  }
  for (const CToken& t : item.tokens) {
    if (t.is("=")) break;
    if (t.kind == CToken::Kind::kName && !is_c_keyword(t.text) && !is_library_name(t.text)) {
      names.insert(t.text);
    }
  }
  return names;
}

bool is_include(const TopItem& item) {
  return item.kind == TopItem::Kind::kDirective && directive_word(item.tokens[0]) == "include";
}

// Puts X's function in Y: in place of Y's of the same name, or after Y's
// functions; X's prototype (or one made from its head) before Y's first
// function, in place of Y's prototypes of that name.
void put_function(const std::vector<TopItem>& x, const TopItem& f, std::vector<TopItem>& y) {
  const auto own = std::find_if(x.begin(), x.end(), [&](const TopItem& item) {
    return item.is_prototype() && item.name == f.name;
  });
  std::erase_if(y, [&](const TopItem& item) { return item.is_prototype() && item.name == f.name; });
  if (const std::optional<std::size_t> at = find_function(y, f.name)) {
    y[*at] = f;
  } else {
    y.push_back(f);
  }
  if (f.name == "main") return;
  const TopItem prototype = own != x.end() ? *own : prototype_of(f);
  y.insert(y.begin() + static_cast<std::ptrdiff_t>(first_function(y)), prototype);
}

// X's top-level items (not functions) that the taken functions need and
// Y lacks, through one another too, in X's order; and X's #includes that Y
// lacks.
std::vector<TopItem> needs(const std::vector<TopItem>& x, const std::vector<TopItem>& y,
                           const std::set<std::string>& taken, std::set<std::string> used) {
  std::set<std::string> in_y;
  std::set<std::string> y_includes;
  for (const TopItem& item : y) {
    if (is_include(item)) y_includes.insert(bare_text(item.tokens));
    if (item.kind == TopItem::Kind::kFunction) {
      in_y.insert(item.name);
    } else {
      in_y.merge(declared_names(item));
    }
  }
  std::vector<bool> needed(x.size(), false);
  for (bool grew = true; grew;) {
    grew = false;
    for (std::size_t i = 0; i < x.size(); ++i) {
      const TopItem& item = x[i];
      if (needed[i] || item.kind == TopItem::Kind::kFunction ||
          item.kind == TopItem::Kind::kComment || is_include(item) ||
          (item.is_prototype() && (taken.count(item.name) > 0 || in_y.count(item.name) > 0))) {
        continue;
      }
      const std::set<std::string> names = declared_names(item);
      const auto lacking = [&](const std::string& n) {
        return used.count(n) > 0 && in_y.count(n) == 0;
      };
      const auto clashing = [&](const std::string& n) { return in_y.count(n) > 0; };
      if (!std::any_of(names.begin(), names.end(), lacking) ||
          std::any_of(names.begin(), names.end(), clashing)) {
        continue;
      }
      needed[i] = grew = true;
      used.merge(used_names(item.tokens));
    }
  }
  std::vector<TopItem> items;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const bool include = is_include(x[i]) && y_includes.insert(bare_text(x[i].tokens)).second;
    if (needed[i] || include) items.push_back(x[i]);
  }
  return items;
}

}  // namespace

std::vector<TopItem> half_into(std::string_view x_source, std::string_view y_source) {
  Programs p = parse(x_source, y_source);
  std::size_t size = 0;
  std::set<std::string> taken, used;
  for (std::size_t index : half_of(p, &size)) {
    taken.insert(p.x[index].name);
    used.merge(used_names(p.x[index].tokens));
    put_function(p.x, p.x[index], p.y);
  }
  const std::vector<TopItem> needed = needs(p.x, p.y, taken, used);
  // Before Y's prototypes and functions.
  std::size_t before = 0;
  while (before < p.y.size() && p.y[before].kind != TopItem::Kind::kFunction &&
         !p.y[before].is_prototype()) {
    ++before;
  }
  p.y.insert(p.y.begin() + static_cast<std::ptrdiff_t>(before), needed.begin(), needed.end());
  return p.y;
}

double half_share(std::string_view x, std::string_view y) {
  const Programs p = parse(x, y);
  if (p.x_size == 0) return 0;
  std::size_t size = 0;
  half_of(p, &size);
  return static_cast<double>(size) / static_cast<double>(p.x_size);
}

}  // namespace codetwin::bench
