#include "bench/disguise.h"

#include <algorithm>
#include <iterator>
#include <numeric>
#include <set>
#include <utility>
#include <vector>

#include "bench/c_layout.h"
#include "bench/c_source.h"
#include "bench/generate.h"
#include "bench/own_code.h"
#include "bench/padding.h"
#include "bench/partial_copy.h"
#include "bench/program_edit.h"
#include "bench/renaming.h"

namespace codetwin::bench {

namespace {

// New comment texts, about the exercises' kind of program. None holds "*/".
constexpr std::string_view kEnglish[] = {"read a line into s",
                                         "return the length",
                                         "copy from into to",
                                         "print the longest line",
                                         "skip trailing blanks",
                                         "count the characters",
                                         "main loop",
                                         "check for end of input",
                                         "replace tabs with spaces",
                                         "remove the characters",
                                         "find the first match",
                                         "helper",
                                         "convert the escapes",
                                         "store the result",
                                         "draw the histogram",
                                         "handle a newline",
                                         "last position found",
                                         "reset the counter",
                                         "done",
                                         "not sure about this"};
constexpr std::string_view kChinese[] = {
    "读入一行", "返回长度",     "复制字符串",       "输出最长的行", "去掉行尾空格", "统计字符个数",
    "主循环",   "判断是否结束", "把制表符换成空格", "删除字符",     "查找位置",     "辅助函数",
    "转义字符", "保存结果",     "画直方图",         "处理换行",     "计数器清零",   "结束"};

// How a student treats the comments of the copy.
struct CommentHabit {
  int rewrite_percent;  // the rest are dropped
  int chinese_percent;
  bool block;  // /* */ rather than //
};

CommentHabit comment_habit(Rng& rng) {
  CommentHabit habit;
  // Most drop every comment or nearly; some give a third new text.
  habit.rewrite_percent = rng.percent(40) ? 0 : static_cast<int>(rng.below(35));
  habit.chinese_percent = rng.percent(50) ? 100 : static_cast<int>(rng.below(50));
  habit.block = rng.percent(50);
  return habit;
}

std::string new_comment(Rng& rng, const CommentHabit& habit, bool block) {
  const std::string_view text = rng.percent(habit.chinese_percent)
                                    ? kChinese[rng.below(std::size(kChinese))]
                                    : kEnglish[rng.below(std::size(kEnglish))];
  return block ? "/* " + std::string(text) + " */" : "// " + std::string(text);
}

void retouch_comments(CTokens& tokens, Rng& rng, const CommentHabit& habit, bool in_directive) {
  CTokens kept;
  for (CToken& t : tokens) {
    if (t.kind == CToken::Kind::kDirective) retouch_comments(t.parts, rng, habit, true);
    if (t.kind == CToken::Kind::kComment) {
      if (!rng.percent(habit.rewrite_percent)) continue;
      // A preprocessor line ends at its line end: a // there would swallow
      // nothing, but a /* */ is what students write.
      t.text = new_comment(rng, habit, habit.block || in_directive);
    }
    kept.push_back(std::move(t));
  }
  tokens = std::move(kept);
}

bool is_conditional_directive(const TopItem& item) {
  if (item.kind != TopItem::Kind::kDirective || item.tokens.empty()) return false;
  const std::string_view word = directive_word(item.tokens[0]);
  return word.starts_with("if") || word == "else" || word == "elif" || word == "endif";
}

// Whether the items can be moved about: no #if around them, and every
// declaration complete.
bool movable(const std::vector<TopItem>& items) {
  for (const TopItem& item : items) {
    if (is_conditional_directive(item)) return false;
    if (item.kind != TopItem::Kind::kDeclaration) continue;
    const auto last = std::find_if(item.tokens.rbegin(), item.tokens.rend(),
                                   [](const CToken& t) { return t.is_code(); });
    if (last == item.tokens.rend() || !last->is(";")) return false;
  }
  return true;
}

// Functions in a new order, after everything else and the prototypes the
// new order needs.
void reorder_functions(std::vector<TopItem>& items, Rng& rng) {
  if (!movable(items)) return;
  std::vector<TopItem> functions, others;
  for (TopItem& item : items) {
    (item.kind == TopItem::Kind::kFunction ? functions : others).push_back(std::move(item));
  }
  if (functions.size() >= 2) {
    std::vector<std::size_t> order(functions.size());
    std::iota(order.begin(), order.end(), 0);
    for (std::size_t k = order.size(); k > 1; --k) std::swap(order[k - 1], order[rng.below(k)]);
    if (std::is_sorted(order.begin(), order.end())) std::swap(order[0], order[1]);
    std::set<std::string> declared;
    for (const TopItem& item : others) {
      if (item.is_prototype()) declared.insert(item.name);
    }
    for (const TopItem& f : functions) {
      if (f.name != "main" && !f.name.empty() && declared.count(f.name) == 0) {
        others.push_back(prototype_of(f));
      }
    }
    std::vector<TopItem> reordered;
    for (std::size_t k : order) reordered.push_back(std::move(functions[k]));
    functions = std::move(reordered);
  }
  items = std::move(others);
  std::move(functions.begin(), functions.end(), std::back_inserter(items));
}

// A copy in the making: its items, names and draws.
struct Copy {
  std::vector<TopItem> items;
  NameMaker names;
  Rng rng;
};

Copy start_copy(std::vector<TopItem> items, std::uint64_t seed, const DisguiseOptions& options) {
  Rng rng(seed);
  NameMaker names(rng.next(), items);
  rename_own_names(items, names);
  const CommentHabit habit = comment_habit(rng);
  for (TopItem& item : items) retouch_comments(item.tokens, rng, habit, false);
  std::erase_if(items, [](const TopItem& item) { return item.tokens.empty(); });
  if (options.reorder_functions) reorder_functions(items, rng);
  return Copy{std::move(items), std::move(names), rng};
}

Copy start_copy(std::string_view source, std::uint64_t seed, const DisguiseOptions& options) {
  return start_copy(split_top_level(tokenize_c(source)), seed, options);
}

std::string finish_copy(Copy& copy) {
  const Layout layout = random_layout(copy.rng);
  return render(copy.items, layout, copy.rng);
}

// The code to add to a copy of `source` for a growth drawn in [least,
// most] percent of the original's, and the most it may add (`limit`
// percent), counting what the copy has added already (prototypes).
struct Growth {
  std::size_t wanted;
  std::size_t limit;
};

Growth draw_growth(Copy& copy, std::string_view source, int least, int most, int limit) {
  const std::size_t base = code_size(source);
  const std::size_t now = code_size(copy.items);
  const auto code_to_add = [&](std::size_t percent) {
    const std::size_t wanted = base + base * percent / 100;
    return wanted > now ? wanted - now : 0;
  };
  const std::size_t percent =
      static_cast<std::size_t>(least) + copy.rng.below(static_cast<std::size_t>(most - least + 1));
  return {code_to_add(percent), code_to_add(static_cast<std::size_t>(limit))};
}

}  // namespace

std::string_view kind_name(DisguiseKind kind) {
  switch (kind) {
    case DisguiseKind::kPlain:
      return "plain";
    case DisguiseKind::kPadded:
      return "padded";
    case DisguiseKind::kExtended:
      return "extended";
    case DisguiseKind::kPartial:
      return "partial";
    case DisguiseKind::kGroup:
      return "group";
  }
  return "plain";
}

std::optional<DisguiseKind> kind_named(std::string_view name) {
  for (DisguiseKind kind : {DisguiseKind::kPlain, DisguiseKind::kPadded, DisguiseKind::kExtended,
                            DisguiseKind::kPartial, DisguiseKind::kGroup}) {
    if (kind_name(kind) == name) return kind;
  }
  return std::nullopt;
}

std::string disguise_plain(std::string_view source, std::uint64_t seed,
                           const DisguiseOptions& options) {
  Copy copy = start_copy(source, seed, options);
  return finish_copy(copy);
}

std::string disguise_padded(std::string_view source, std::uint64_t seed,
                            const DisguiseOptions& options) {
  Copy copy = start_copy(source, seed, options);
  // Up to two points over the drawn top, still inside 15-30 %.
  const Growth g = draw_growth(copy, source, kPaddedLeast, kPaddedMost, kPaddedMost + 2);
  add_padding(copy.items, copy.names, copy.rng, g.wanted, g.limit);
  return finish_copy(copy);
}

std::string disguise_extended(std::string_view source, std::uint64_t seed,
                              const DisguiseOptions& options) {
  Copy copy = start_copy(source, seed, options);
  const Growth g = draw_growth(copy, source, kExtendedLeast, kExtendedMost, kExtendedMost);
  add_own_code(copy.items, copy.names, copy.rng, g.wanted);
  return finish_copy(copy);
}

std::string disguise_partial(std::string_view x, std::string_view y, std::uint64_t seed) {
  Copy copy = start_copy(half_into(x, y), seed, DisguiseOptions{});
  return finish_copy(copy);
}

std::array<std::string, 2> disguise_group(std::string_view source, std::uint64_t seed) {
  Rng rng(seed);
  const std::uint64_t first = rng.next();
  const std::uint64_t second = rng.next();
  return {disguise_plain(source, first), disguise_plain(source, second)};
}

}  // namespace codetwin::bench
