// option_error_text(): the exception's type decides the message; the option
// it is about, the values given and what the option accepts come from the
// parser. CLI11's checks describe what they accept in their type names
// ("UINT:NONNEGATIVE", "FLOAT:FLOAT in [0 - 1]", "TEXT:{a,b}"), which are
// read here; the English sentence is only searched for the option's name,
// which each such sentence starts with or names after "convert: ".
#include "driver/option_errors.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

namespace codetwin::driver {

namespace {

// Items joined with the Chinese enumeration comma.
std::string joined(const std::vector<std::string>& items, std::string_view between = "、") {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : std::string(between)) + item;
  return text;
}

// The options that `error` names, in the order it names them; a longer name
// wins over one it starts with ("--html-pairs" over "--html").
std::vector<const CLI::Option*> options_named(const CLI::Error& error, const CLI::App& app) {
  const std::string_view what = error.what();
  std::vector<std::pair<std::size_t, const CLI::Option*>> found;
  for (const CLI::Option* option : app.get_options()) {
    const std::string name = option->get_name();
    if (name.empty()) continue;
    for (std::size_t at = what.find(name); at != std::string_view::npos; at = what.find(name, at + 1)) {
      const std::size_t end = at + name.size();
      const bool starts = at == 0 || what[at - 1] == ' ';
      const bool ends = end == what.size() || what[end] == ':' || what[end] == ' ';
      if (starts && ends) {
        found.emplace_back(at, option);
        break;
      }
    }
  }
  std::sort(found.begin(), found.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
  std::vector<const CLI::Option*> options;
  for (const auto& [at, option] : found) options.push_back(option);
  return options;
}

// What the option's checks accept, read from its type name.
struct Accepted {
  std::string kind;  // the value's type: "UINT", "FLOAT", "TEXT", ...
  std::optional<std::pair<std::string, std::string>> range;  // "in [a - b]"
  bool low_open = false;                                      // "in (a - b]": a itself is not
  bool non_negative = false;
  bool positive = false;
  std::vector<std::string> members;  // "{a,b}"
};

Accepted accepted_by(const CLI::Option& option) {
  Accepted accepted;
  const std::string type = option.get_type_name();
  std::size_t begin = 0;
  bool first = true;
  while (begin <= type.size()) {
    std::size_t end = type.find(':', begin);
    if (end == std::string::npos) end = type.size();
    const std::string_view part = std::string_view(type).substr(begin, end - begin);
    begin = end + 1;
    if (first) {
      accepted.kind = part;
      first = false;
    } else if (part == "NONNEGATIVE") {
      accepted.non_negative = true;
    } else if (part == "POSITIVE") {
      accepted.positive = true;
    } else if (part.size() >= 2 && part.front() == '{' && part.back() == '}') {
      std::string member;
      for (char ch : part.substr(1, part.size() - 2)) {
        if (ch == ',') {
          accepted.members.push_back(member);
          member.clear();
        } else {
          member += ch;
        }
      }
      accepted.members.push_back(member);
    } else if (std::size_t open = part.find(" in ["); open != std::string_view::npos ||
                                                          part.find(" in (") != std::string_view::npos) {
      accepted.low_open = open == std::string_view::npos;
      if (accepted.low_open) open = part.find(" in (");
      const std::string_view bounds = part.substr(open + 5, part.size() - open - 6);
      const std::size_t dash = bounds.find(" - ");
      if (part.back() == ']' && dash != std::string_view::npos) {
        accepted.range.emplace(bounds.substr(0, dash), bounds.substr(dash + 3));
      }
    }
  }
  return accepted;
}

// A value's type, as the messages name it.
std::string kind_text(const std::string& kind) {
  if (kind == "UINT") return "非负整数";
  if (kind == "INT") return "整数";
  if (kind == "FLOAT" || kind == "NUMBER") return "数";
  return "值";
}

std::optional<double> number(const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

bool accepts(const Accepted& accepted, const std::string& value) {
  if (!accepted.members.empty()) {
    return std::find(accepted.members.begin(), accepted.members.end(), value) != accepted.members.end();
  }
  const std::optional<double> x = number(value);
  if (accepted.range) {
    const std::optional<double> low = number(accepted.range->first);
    const std::optional<double> high = number(accepted.range->second);
    return x && low && high && (accepted.low_open ? *x > *low : *x >= *low) && *x <= *high;
  }
  if (accepted.non_negative) return x && *x >= 0;
  if (accepted.positive) return x && *x > 0;
  return true;
}

// The value a check turned down: the first that it does not accept.
std::string refused_value(const CLI::Option& option, const Accepted& accepted) {
  const std::vector<std::string>& given = option.results();
  for (const std::string& value : given) {
    if (!accepts(accepted, value)) return value;
  }
  return given.empty() ? std::string() : given.back();
}

std::string not_accepted(const CLI::Option& option) {
  const std::string name = option.get_name();
  const Accepted accepted = accepted_by(option);
  const std::string value = refused_value(option, accepted);
  if (!accepted.members.empty()) {
    return name + " 的值只能是 " + joined(accepted.members) + " 之一，而不是 " + value;
  }
  const bool numeric = accepted.range || accepted.non_negative || accepted.positive;
  if (numeric && !number(value)) return name + " 的值应是" + kind_text(accepted.kind) + "，而不是 " + value;
  if (accepted.range && accepted.low_open) {
    return name + " 的值应大于 " + accepted.range->first + "、不大于 " + accepted.range->second +
           "，而不是 " + value;
  }
  if (accepted.range) {
    return name + " 的值应在 " + accepted.range->first + " 到 " + accepted.range->second + " 之间，而不是 " +
           value;
  }
  if (accepted.non_negative) return name + " 的值不能是负数：" + value;
  if (accepted.positive) return name + " 的值应大于 0，而不是 " + value;
  return name + " 的值不对：" + value;
}

std::string not_converted(const CLI::Option& option) {
  const std::string name = option.get_name();
  const std::string value = option.results().empty() ? std::string() : option.results().back();
  if (option.get_items_expected_max() == 0) return name + " 不带值，而给出了 " + value;
  return name + " 的值应是" + kind_text(accepted_by(option).kind) + "，而不是 " + value;
}

std::string wrong_count(const CLI::Option& option) {
  const std::string name = option.get_name();
  const int most = option.get_items_expected_max();
  if (most > 0 && option.count() > static_cast<std::size_t>(most)) return name + " 只能给出一次";
  return name + " 后面缺少" + kind_text(accepted_by(option).kind);
}

std::string extras(const CLI::App& app) {
  const std::vector<std::string> left = app.remaining();
  const bool options = std::all_of(left.begin(), left.end(), [](const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-';
  });
  return (options ? "不认识的选项：" : "多余的参数：") + joined(left, " ");
}

std::vector<std::string> names_of(const std::vector<const CLI::Option*>& options) {
  std::vector<std::string> names;
  for (const CLI::Option* option : options) names.push_back(option->get_name());
  return names;
}

}  // namespace

std::string option_error_text(const CLI::ParseError& error, CLI::App& app) {
  const std::vector<const CLI::Option*> named = options_named(error, app);
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) return extras(app);
  if (dynamic_cast<const CLI::RequiresError*>(&error) != nullptr && named.size() == 2) {
    return named[0]->get_name() + " 须与 " + named[1]->get_name() + " 一起给出";
  }
  if (dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr && named.size() == 2) {
    return named[0]->get_name() + " 与 " + named[1]->get_name() + " 不能同时给出";
  }
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr && !named.empty()) {
    return "缺少选项：" + joined(names_of(named));
  }
  if (named.size() == 1) {
    const CLI::Option& option = *named.front();
    if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr) return not_accepted(option);
    if (dynamic_cast<const CLI::ConversionError*>(&error) != nullptr) return not_converted(option);
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) return wrong_count(option);
  }
  if (named.empty()) return "命令行有误";
  return "命令行有误：" + joined(names_of(named));
}

}  // namespace codetwin::driver
