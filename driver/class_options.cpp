// parse_command_line(): CLI11 does the parsing and the checks of values;
// this file says which options there are and gathers them.
#include "driver/class_options.h"

#include <CLI/CLI.hpp>

#include "driver/option_errors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace codetwin::driver {

namespace {

// The evidence of a pair is at most 2 (a view at twice its line): a flag
// line above that would flag nothing.
constexpr double kMaxFlagAt = 2.0;

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


}  // namespace

ParsedCommandLine parse_command_line(const std::vector<std::string>& arguments) {
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
  if (o.paths.empty()) {
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

  for (const std::string& path : o.paths) o.as_given.emplace_back("paths", path);
  for (const std::string& path : o.old_paths) o.as_given.emplace_back("old", path);
  if (o.base) o.as_given.emplace_back("base", *o.base);
  std::string joined;
  for (const std::string& extension : o.kinds.extensions) {
    joined += (joined.empty() ? "" : ",") + extension;
  }
  o.as_given.emplace_back("ext", joined);
  o.as_given.emplace_back("ignore_comments", ignore_comments ? "true" : "false");
  o.as_given.emplace_back("top", std::to_string(top));
  if (min) o.as_given.emplace_back("min", number_text(*min));
  o.as_given.emplace_back("sort", sort);
  if (group_at) o.as_given.emplace_back("group_at", number_text(*group_at));
  if (common_at) o.as_given.emplace_back("common", std::to_string(*common_at));
  o.as_given.emplace_back("flag_at", number_text(flag_at));
  if (o.html) o.as_given.emplace_back("html_pairs", std::to_string(html_pairs));
  if (o.archive_charset) o.as_given.emplace_back("archive_charset", *o.archive_charset);
  if (o.max_bytes) o.as_given.emplace_back("max_bytes", std::to_string(*o.max_bytes));
  return parsed;
}

std::string help_text() {
  return R"(用法：codetwin-class [选项] 路径...

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
  -h, --help          显示本说明
  --version           显示版本

证据：两种看法中较强的一个，以其标记线为 1。
  整份看：较小一份的代码（不计注释和不到一条语句的零碎片段）有多少在另一份里，
  减去它与第 4 接近的同学共有的部分，占其余部分的比例；标记线 0.8。
  按段看：两人共有的少见代码（--common 份以下作业才有）超出各自与第 4 接近的
  同学共有的量，占所在函数中独有代码（至少按 96 字符算）的比例；标记线 0.5。
  作业不到 6 份时没有本班的统计，证据只看两份之间共有的代码。
差距：一对的相似度减去两份作业各自与其他作业的最高相似度中较高的一个。

退出状态：0 全部读取并写出；1 有作业无法读取或有输出无法写出；
2 命令行有误、路径不存在或作业不足两份；130 被 Ctrl-C 中断。

详见手册：man codetwin-class（英文版：man -L en codetwin-class）。
)";
}

}  // namespace codetwin::driver
