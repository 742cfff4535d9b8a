// parse_command_line(): CLI11 does the parsing and the checks of values;
// this file says which options there are and gathers them.
#include "driver/class_options.h"

#include <CLI/CLI.hpp>

#include "driver/option_errors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <string_view>

namespace codetwin::driver {

namespace {

// The evidence of a pair is at most 2 (a view at twice its line): a flag
// line above that would flag nothing.
constexpr double kMaxFlagAt = 2.0;

// The most shards a run may be split into.
constexpr std::uint32_t kMaxShards = 1000000;

std::vector<std::string> split_extensions(const std::string& list) {
  std::vector<std::string> extensions;
  std::size_t begin = 0;
  while (begin <= list.size()) {
    std::size_t end = list.find(',', begin);
    if (end == std::string::npos) end = list.size();
    std::string extension = list.substr(begin, end - begin);
    while (!extension.empty() && extension.front() == '.') extension.erase(0, 1);
    if (!extension.empty()) extensions.push_back(extension);
    begin = end + 1;
  }
  return extensions;
}

std::string number_text(double value) {
  char digits[64];
  std::snprintf(digits, sizeof digits, "%g", value);
  return digits;
}

// A number in [low, high] (or (low, high] when `low_open`), read whole:
// CLI11's own range check lets "nan" through, which compares false with
// everything and would quietly match no pair.
// Its description is CLI11's own for a range ("FLOAT in [0 - 1]"), with
// "(" for a bound that is not itself accepted, which the error messages
// read.
CLI::Validator number_in(double low, double high, bool low_open = false) {
  const std::string range = std::string(low_open ? "(" : "[") + number_text(low) + " - " +
                            number_text(high) + "]";
  return CLI::Validator(
      [=](std::string& text) -> std::string {
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        const bool inside = end != text.c_str() && *end == '\0' && std::isfinite(value) &&
                            (low_open ? value > low : value >= low) && value <= high;
        return inside ? std::string() : "Value " + text + " not in range " + range;
      },
      "FLOAT in " + range);
}

// A count of bytes: digits, then K, M or G (KiB, MiB, GiB) if wanted.
std::optional<std::uint64_t> byte_count(const std::string& text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [rest, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || rest == text.data()) return std::nullopt;
  const std::string unit(rest, end);
  int shift = 0;
  if (unit == "K" || unit == "KiB") shift = 10;
  if (unit == "M" || unit == "MiB") shift = 20;
  if (unit == "G" || unit == "GiB") shift = 30;
  if (shift == 0 && !unit.empty()) return std::nullopt;
  if (value == 0 || value > (UINT64_MAX >> shift)) return std::nullopt;
  return value << shift;
}

ParsedCommandLine& usage_error(ParsedCommandLine& parsed, std::string message) {
  parsed.action = ParsedCommandLine::Action::kUsageError;
  parsed.error = std::move(message);
  return parsed;
}

// A number of decimal digits only, within [0, limit].
std::optional<std::uint32_t> count_in(std::string_view text, std::uint32_t limit) {
  std::uint32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [rest, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || rest != end || text.empty() || value > limit) return std::nullopt;
  return value;
}

// "K/N" or "task/N".
std::optional<ShardSlice> shard_slice(const std::string& text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos) return std::nullopt;
  const std::string_view k(text.data(), slash);
  const std::optional<std::uint32_t> n = count_in(std::string_view(text).substr(slash + 1), kMaxShards);
  if (!n || *n == 0) return std::nullopt;
  ShardSlice slice;
  slice.n = *n;
  if (k == "task") return slice;
  slice.k = count_in(k, kMaxShards);
  if (!slice.k) return std::nullopt;
  return slice;
}

// `arguments` less the options `names` (each takes a value) with their
// values, in either spelling ("--part F", "--part=F"; "-j4" for -j).
std::vector<std::string> without(const std::vector<std::string>& arguments,
                                 std::initializer_list<std::string_view> names) {
  std::vector<std::string> kept;
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    const std::string& a = arguments[k];
    bool named = false;
    for (std::string_view name : names) {
      if (a == name) {
        ++k;  // and its value
        named = true;
        break;
      }
      const bool joined = name.starts_with("--") ? a.starts_with(std::string(name) + "=")
                                                 : a.starts_with(name) && a.size() > name.size();
      if (joined) {
        named = true;
        break;
      }
    }
    if (!named) kept.push_back(a);
  }
  return kept;
}

// The arguments less -j, --shard and --part with their values.
std::vector<std::string> run_arguments(const std::vector<std::string>& arguments) {
  return without(arguments, {"-j", "--jobs", "--shard", "--part"});
}

const char* sort_name(classrun::SortKey key) {
  switch (key) {
    case classrun::SortKey::kMargin: return "margin";
    case classrun::SortKey::kSimilarity: return "similarity";
    case classrun::SortKey::kEvidence: break;
  }
  return "evidence";
}

// The options for the outputs, as given.
std::vector<std::pair<std::string, std::string>> describe(const ClassOptions& o) {
  std::vector<std::pair<std::string, std::string>> given;
  for (const std::string& path : o.paths) given.emplace_back("paths", path);
  for (const std::string& path : o.old_paths) given.emplace_back("old", path);
  if (o.base) given.emplace_back("base", *o.base);
  std::string joined;
  for (const std::string& extension : o.kinds.extensions) {
    joined += (joined.empty() ? "" : ",") + extension;
  }
  given.emplace_back("ext", joined);
  given.emplace_back("ignore_comments", o.lex.ignore_comments ? "true" : "false");
  given.emplace_back("top", std::to_string(o.list.top));
  if (o.list.min) given.emplace_back("min", number_text(*o.list.min));
  given.emplace_back("sort", sort_name(o.list.sort));
  if (o.list.group_at) given.emplace_back("group_at", number_text(*o.list.group_at));
  if (o.verdict.common_at) given.emplace_back("common", std::to_string(*o.verdict.common_at));
  given.emplace_back("flag_at", number_text(o.verdict.flag_at));
  if (o.html) given.emplace_back("html_pairs", std::to_string(o.list.evidence_pairs));
  if (o.archive_charset) given.emplace_back("archive_charset", *o.archive_charset);
  if (o.max_bytes) given.emplace_back("max_bytes", std::to_string(*o.max_bytes));
  return given;
}

ParsedCommandLine parse_merge(const std::vector<std::string>& arguments) {
  ParsedCommandLine parsed;
  parsed.action = ParsedCommandLine::Action::kMerge;
  MergeOptions& m = parsed.merge;
  CLI::App app("codetwin-class merge", "codetwin-class merge");
  app.set_help_flag();
  bool help = false;
  std::string csv, json, html;
  app.add_flag("-h,--help", help);
  app.add_option("parts", m.parts);
  app.add_option("--csv", csv);
  app.add_option("--json", json);
  app.add_option("--html", html);
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend() - 1);
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    return usage_error(parsed, option_error_text(error, app));
  }
  if (help) {
    parsed.action = ParsedCommandLine::Action::kHelp;
    return parsed;
  }
  if (m.parts.empty()) return usage_error(parsed, "merge 没有给出分片结果文件");
  const std::pair<const char*, std::string*> given_paths[] = {
      {"--csv", &csv}, {"--json", &json}, {"--html", &html}};
  for (const auto& [name, value] : given_paths) {
    if (app.count(name) > 0 && value->empty()) {
      return usage_error(parsed, std::string(name) + " 的路径为空");
    }
  }
  if (app.count("--csv") > 0) m.csv = csv;
  if (app.count("--json") > 0) m.json = json;
  if (app.count("--html") > 0) m.html = html;
  return parsed;
}

}  // namespace

std::string take_task_number(ShardSlice& slice, const std::function<const char*(const char*)>& lookup) {
  for (const char* variable : kTaskVariables) {
    const char* value = lookup(variable);
    if (value == nullptr) continue;
    slice.k = count_in(value, slice.n - 1);
    if (slice.k) return {};
    return std::string("--shard task/") + std::to_string(slice.n) + "：环境变量 " + variable + " 的值 " +
           value + " 不是 0 到 " + std::to_string(slice.n - 1) + " 之间的整数";
  }
  return "--shard task/" + std::to_string(slice.n) +
         "：没有 SLURM_ARRAY_TASK_ID 或 JOB_COMPLETION_INDEX 环境变量（不在集群的任务中时请写 K/N）";
}

ClassOptions with_outputs(ClassOptions options, const MergeOptions& merge) {
  options.csv = merge.csv;
  options.json = merge.json;
  options.html = merge.html;
  options.list.keep_all_listed = options.csv || options.json;
  options.list.evidence = options.html.has_value();
  options.as_given = describe(options);
  options.shard.reset();
  options.part.reset();
  return options;
}

namespace {

ParsedCommandLine parse_run(const std::vector<std::string>& arguments) {
  ParsedCommandLine parsed;
  ClassOptions& o = parsed.options;
  CLI::App app("codetwin-class", "codetwin-class");
  app.set_help_flag();  // the help is ours, in Chinese
  bool help = false;
  bool version = false;
  std::string extensions = "c,h";
  std::string sort = "evidence";
  std::size_t top = o.list.top;
  std::optional<double> min;
  std::optional<double> group_at;
  std::optional<std::size_t> common_at;
  double flag_at = o.verdict.flag_at;
  std::size_t html_pairs = o.list.evidence_pairs;
  std::string base;
  std::string csv, json, html;
  bool ignore_comments = false;

  app.add_flag("-h,--help", help);
  app.add_flag("--version", version);
  app.add_option("paths", o.paths);
  app.add_option("--old", o.old_paths)->allow_extra_args(false);
  app.add_option("--base", base);
  app.add_option("--ext", extensions);
  app.add_flag("--ignore-comments", ignore_comments);
  app.add_option("--top", top)->check(CLI::NonNegativeNumber);
  app.add_option("--min", min)->check(number_in(0.0, 1.0));
  app.add_option("--sort", sort)->check(CLI::IsMember({"evidence", "similarity", "margin"}));
  app.add_option("--group-at", group_at)->check(number_in(0.0, 1.0));
  app.add_option("--common", common_at)->check(CLI::Range(std::size_t{2}, std::size_t{1} << 31));
  app.add_option("--flag-at", flag_at)->check(number_in(0.0, kMaxFlagAt, true));
  app.add_option("--csv", csv);
  app.add_option("--json", json);
  app.add_option("--html", html);
  app.add_option("--html-pairs", html_pairs)->check(CLI::NonNegativeNumber);
  app.add_option("-j,--jobs", o.jobs)->check(CLI::Range(1u, 1024u));
  std::string archive_charset, max_bytes;
  app.add_option("--archive-charset", archive_charset);
  app.add_option("--max-bytes", max_bytes);
  std::string shard, part;
  app.add_option("--shard", shard);
  app.add_option("--part", part);
  std::string save_class, from_class;
  app.add_option("--save-class", save_class);
  app.add_option("--from-class", from_class);

  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    parsed.action = ParsedCommandLine::Action::kUsageError;
    parsed.error = option_error_text(error, app);
    return parsed;
  }
  if (help) {
    parsed.action = ParsedCommandLine::Action::kHelp;
    return parsed;
  }
  if (version) {
    parsed.action = ParsedCommandLine::Action::kVersion;
    return parsed;
  }
  if (o.paths.empty() && app.count("--from-class") == 0) {
    parsed.action = ParsedCommandLine::Action::kUsageError;
    parsed.error = "没有给出作业的路径";
    return parsed;
  }
  o.kinds.extensions = split_extensions(extensions);
  if (o.kinds.extensions.empty()) {
    parsed.action = ParsedCommandLine::Action::kUsageError;
    parsed.error = "--ext 没有给出扩展名";
    return parsed;
  }
  const std::pair<const char*, std::string*> given_paths[] = {
      {"--base", &base}, {"--csv", &csv}, {"--json", &json}, {"--html", &html}};
  for (const auto& [name, value] : given_paths) {
    if (app.count(name) > 0 && value->empty()) {
      parsed.action = ParsedCommandLine::Action::kUsageError;
      parsed.error = std::string(name) + " 的路径为空";
      return parsed;
    }
  }
  if (app.count("--max-bytes") > 0) {
    o.max_bytes = byte_count(max_bytes);
    if (!o.max_bytes) {
      parsed.action = ParsedCommandLine::Action::kUsageError;
      parsed.error = "--max-bytes 的值应是字节数（如 1073741824、512M、2G），而不是 " + max_bytes;
      return parsed;
    }
  }
  if (app.count("--archive-charset") > 0) o.archive_charset = archive_charset;
  if (app.count("--base") > 0) o.base = base;
  if (app.count("--csv") > 0) o.csv = csv;
  if (app.count("--json") > 0) o.json = json;
  if (app.count("--html") > 0) o.html = html;
  o.lex.ignore_comments = ignore_comments;
  o.list.top = top;
  o.list.min = min;
  o.list.group_at = group_at;
  o.list.sort = sort == "margin"       ? classrun::SortKey::kMargin
                : sort == "similarity" ? classrun::SortKey::kSimilarity
                                       : classrun::SortKey::kEvidence;
  o.verdict.common_at = common_at;
  o.verdict.flag_at = flag_at;
  o.list.keep_all_listed = o.csv || o.json;
  o.list.evidence = o.html.has_value();
  o.list.evidence_pairs = html_pairs;

  o.as_given = describe(o);
  o.run_arguments = run_arguments(arguments);
  if (app.count("--shard") > 0) {
    o.shard = shard_slice(shard);
    if (!o.shard) return usage_error(parsed, "--shard 的值应是 K/N（共 N 片中的第 K 片，K 从 0 数起）或 task/N（K 取自 SLURM_ARRAY_TASK_ID 或 JOB_COMPLETION_INDEX），而不是 " + shard);
    if (o.shard->k && *o.shard->k >= o.shard->n) return usage_error(parsed, "--shard " + shard + "：K 从 0 数起，应小于 N");
    if (app.count("--part") == 0) return usage_error(parsed, "--shard 需要用 --part 给出分片结果文件");
    if (part.empty()) return usage_error(parsed, "--part 的路径为空");
    o.part = part;
  } else if (app.count("--part") > 0) {
    return usage_error(parsed, "--part 只与 --shard 一起使用");
  }
  if (app.count("--save-class") > 0) {
    if (save_class.empty()) return usage_error(parsed, "--save-class 的路径为空");
    // It reads the class and stops: what scores or lists belongs to the
    // runs that take the class from the file.
    for (const char* name : {"--from-class", "--shard", "--part", "--csv", "--json", "--html", "--top", "--min",
                             "--sort", "--group-at", "--flag-at", "--html-pairs"}) {
      if (app.count(name) > 0) {
        return usage_error(parsed, std::string(name) + " 不能与 --save-class 一起使用：--save-class 只读取作业，写出班级文件");
      }
    }
    o.save_class = save_class;
    o.run_arguments = without(arguments, {"-j", "--jobs", "--save-class"});
  }
  if (app.count("--from-class") > 0) {
    if (from_class.empty()) return usage_error(parsed, "--from-class 的路径为空");
    if (!o.paths.empty()) return usage_error(parsed, "--from-class 给出了班级文件，不能再给作业的路径");
    // These read the class: the file holds them as --save-class was given them.
    for (const char* name : {"--old", "--base", "--ext", "--ignore-comments", "--common", "--archive-charset",
                             "--max-bytes"}) {
      if (app.count(name) > 0) {
        return usage_error(parsed, std::string(name) + " 不能与 --from-class 一起使用：读取作业的选项在写班级文件时已经给出");
      }
    }
    o.from_class = from_class;
  }
  return parsed;
}

}  // namespace

ParsedCommandLine parse_command_line(const std::vector<std::string>& arguments) {
  if (!arguments.empty() && arguments.front() == "merge") return parse_merge(arguments);
  return parse_run(arguments);
}

ParsedCommandLine with_read_arguments(const ClassOptions& options,
                                      const std::vector<std::string>& read_arguments) {
  std::vector<std::string> combined = read_arguments;
  for (std::string& argument : without(options.run_arguments, {"--from-class"})) {
    combined.push_back(std::move(argument));
  }
  ParsedCommandLine parsed = parse_run(combined);
  if (parsed.action != ParsedCommandLine::Action::kRun) return parsed;
  ClassOptions& o = parsed.options;
  if (o.save_class || o.from_class) {
    return usage_error(parsed, "班级文件中记下的命令行又给出了 --save-class 或 --from-class");
  }
  o.jobs = options.jobs;
  o.shard = options.shard;
  o.part = options.part;
  o.from_class = options.from_class;
  o.run_arguments = options.run_arguments;
  return parsed;
}

std::string help_text() {
  return R"(用法：codetwin-class [选项] 路径...
      codetwin-class [选项] --shard K/N --part 文件 路径...
      codetwin-class [读取作业的选项] --save-class 文件 路径...
      codetwin-class --from-class 文件 [选项] [--shard K/N --part 文件]
      codetwin-class merge [--csv 文件] [--json 文件] [--html 文件] 分片结果文件...

把一个班的作业两两比较。每一对都按 codetwin 的方法计算相似度
（2×公共子串长度÷两串长度之和，不低于 0.8 即 codetwin 的“有抄袭嫌疑”）；
同时按本班的情况给出证据：去掉注释后，两份共有、而本班其他人解释不了的
代码有多少。证据不低于标记线的对标记为疑似抄袭，排在最前，并说明理由。

路径：
  只给一个文件夹时，其中每一项是一份作业：单独的源文件，或一个子文件夹
  （其中任意深度的源文件按路径顺序连在一起算一份）。给出多个路径时，
  每个路径（文件或文件夹）是一份作业。文件夹处都可以是压缩包（.zip、.7z、
  .tar、.tar.gz、.tar.xz、.tar.bz2），直接读取，不解压到磁盘；压缩包中只有
  一个顶层文件夹时，其中每一项是一份作业；作业里的压缩包当作文件夹读取。

选项：
  --old 路径          往届作业（可多次给出）：与每份新作业比较，彼此不比较
  --base 路径         模板代码（文件或文件夹）：各作业中与模板相同的部分不计
  --ext 列表          源文件的扩展名，用逗号分隔（默认 c,h）
  --ignore-comments   计算相似度前也去掉 C 注释（证据总是不计注释）
  --top N             在屏幕上列出前 N 对（默认 20；0 表示全部）
  --min S             只列出相似度不低于 S 的对
  --sort 方式         evidence（按证据，默认）、similarity（按相似度）或 margin（按差距）
  --flag-at E         证据不低于 E 的对标记为疑似抄袭（默认 1，即标记线；0 到 2 之间）
  --common N          N 份或更多作业都有的片段算本班常见的写法，不算证据
                      （默认 6 与作业数的 5% 中较大的一个）
  --group-at S        改为由相似度不低于 S 的对连成组（默认由标记的对连成组）
  --csv 文件          把相似度不低于 --min 的每一对写成 CSV 表格（UTF-8）
  --json 文件         把这些对、各份作业、分组和证据的设置写成 JSON 文档
  --html 文件         写出 HTML 证据报告
  --html-pairs N      报告中除标记的对以外再展示的对数（默认 50）
  -j, --jobs N        同时使用的线程数（默认为本进程可用的处理器数，
                      看亲和性掩码和 cgroup 的 CPU 配额）
  --archive-charset 字符集
                      压缩包中未注明字符集的文件名所用的字符集（如 GBK、BIG5；
                      默认：是有效的 UTF-8 就按 UTF-8，否则按 GBK）
  --max-bytes N       所有压缩包解压后合计最多的字节数（默认 1G；可带 K、M、G）
  --shard K/N         只比较全部对中的第 K 片（共 N 片，K 从 0 数起），
                      结果写入 --part 给出的分片结果文件；写成 task/N 时
                      K 取自 SLURM_ARRAY_TASK_ID 或 JOB_COMPLETION_INDEX
  --part 文件         分片结果文件（与 --shard 一起用）
  --save-class 文件   把全班作业读取、分析一次，写入班级文件后结束（只与读取
                      作业的选项 --old、--base、--ext、--ignore-comments、
                      --common 和压缩包的选项一起用）
  --from-class 文件   从班级文件取得作业和读取作业的选项，代替路径
  -h, --help          显示本说明
  --version           显示版本

证据：两种看法中较强的一个，以其标记线为 1。
  整份看：较小一份的代码（不计注释和不到一条语句的零碎片段）有多少在另一份里，
  减去它与第 4 接近的同学共有的部分，占其余部分的比例；标记线 0.8。
  按段看：两人共有的少见代码（--common 份以下作业才有）超出各自与第 4 接近的
  同学共有的量，占所在函数中独有代码（至少按 96 字符算）的比例；标记线 0.5。
  作业不到 6 份时没有本班的统计，证据只看两份之间共有的代码。
差距：一对的相似度减去两份作业各自与其他作业的最高相似度中较高的一个。

集群上分片运行：每一片用与单机运行相同的命令行，加上 --shard 和 --part
（它给出的 --csv、--json、--html 由合并写出，分片据此保留各对）；全部完成后，
在同一文件夹中运行 codetwin-class merge，给出同样种类的输出和全部分片结果
文件，它重新读取源文件，写出与单机运行逐字节相同的结果。分片写出结果文件
即以 0 退出；合并时缺片、重复、来自另一次运行、文件损坏或源文件已改动，
都以 2 退出，什么也不写。分片很多时，先用 --save-class 把全班读取一次，
各片和合并都用 --from-class 从这个文件取得作业，不再各自读取全部源文件。

退出状态：0 全部读取并写出；1 有作业无法读取或有输出无法写出；
2 命令行有误、路径不存在或作业不足两份；130 被 Ctrl-C 中断。

详见手册：man codetwin-class（英文版：man -L en codetwin-class）。
)";
}

}  // namespace codetwin::driver
