// The overview: what the run found, at a glance and as a ranked table.
#include <charconv>
#include <cmath>

#include "report/html_parts.h"
#include "report/html_text.h"

namespace codetwin::report::html {

namespace {

void append_fact(std::string& page, std::string_view label, std::uint64_t value,
                 bool alert = false) {
  page += alert ? "<div class=\"alert\"><dt>" : "<div><dt>";
  page += label;
  page += "</dt><dd>";
  append_number(page, value);
  page += "</dd></div>\n";
}

// A threshold such as 0.8 or 0.85 as given: the shortest decimal that reads back.
std::string threshold_text(double value) {
  char digits[32];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  return ec == std::errc() ? std::string(digits, end) : std::string("?");
}

void append_numbers(std::string& page, const classrun::ClassResult& result) {
  std::uint64_t old = 0;
  for (const classrun::Submission& submission : result.submissions) {
    if (submission.cohort == classrun::Cohort::kOld) ++old;
  }
  if (!result.class_statistics) {
    page +=
        "<p class=\"note\">提交太少，无法统计本班常见的写法和各人通常共有的代码；"
        "证据只看两份之间共有的代码。</p>\n";
  }
  page += "<dl class=\"numbers\">\n";
  append_fact(page, "标记为疑似抄袭", result.flagged, result.flagged > 0);
  append_fact(page, "提交", result.submissions.size() - old);
  if (old > 0) append_fact(page, "往届提交（--old）", old);
  append_fact(page, "配对", result.pairs);
  append_fact(page, "分组", result.groups.size());
  append_fact(page, "相似度 ≥ 0.8（codetwin）", result.suspected);
  append_fact(page, "其中未标记", result.suspected_not_flagged);
  if (result.not_a_number > 0) append_fact(page, "无法计算（两份都为空）", result.not_a_number);
  if (!result.skipped.empty()) append_fact(page, "未能读取", result.skipped.size(), true);
  page += "</dl>\n";
}

void append_options(std::string& page, const classrun::ClassResult& result, const RunInfo& info) {
  page += "<h2>选项</h2>\n";
  page += "<p class=\"muted\">codetwin-class ";
  page += html_text(info.version);
  page +=
      "。证据：两份共有、而本班其他人解释不了的代码有多少。整份看，较小一份的代码有多少在另一份里，"
      "超出它与通常（第 ";
  append_number(page, verdict::kTypicalRank);
  page += " 接近）的同学共有的部分，占其余部分的比例，标记线 " +
          format_threshold(verdict::kWholeLine) +
          "；按段看，两人共有的少见代码（";
  append_number(page, result.common_at);
  page += " 份以下作业才有）超出各自通常共有的量，占所在函数中独有代码的比例，标记线 " +
          format_threshold(verdict::kPassagesLine) +
          "。证据是两者各自与其标记线之比中较大的一个，不低于 " +
          format_threshold(result.flag_at) +
          " 即标记。都不计注释和不到一条语句的零碎片段。codetwin 的相似度 = 2 × MatchLen ÷ "
          "(长度 A + 长度 B)，MatchLen 是两份记号串里长于 3 个字符的公共片段的总长；相似度 ≥ 0.8 "
          "为 codetwin 的“有抄袭嫌疑”。</p>\n";
  if (info.options.empty()) {
    page += "<p>全部为默认选项。</p>\n";
    return;
  }
  page += "<table class=\"options\"><tbody>\n";
  for (const auto& [name, value] : info.options) {
    page += "<tr><th>";
    page += html_text(name);
    page += "</th><td>";
    page += html_text(value);
    page += "</td></tr>\n";
  }
  page += "</tbody></table>\n";
}

// A table cell that sorts by `key` and shows `text`, both made here.
void append_sorted_cell(std::string& page, std::string_view key, std::string_view text) {
  page += "<td class=\"num\" data-v=\"";
  page += key;
  page += "\">";
  page += text;
  page += "</td>";
}

void append_count_cell(std::string& page, std::int64_t value) {
  const std::string digits = std::to_string(value);
  append_sorted_cell(page, digits, digits);
}

void append_ranking_row(std::string& page, const classrun::ClassResult& result,
                        const classrun::PairScore& pair, std::size_t rank,
                        const PairNumbers& numbers) {
  const float similarity = classrun::pair_similarity(pair, result.submissions);
  const std::string score = format_similarity(similarity);
  const std::string margin = format_margin(classrun::margin(pair, similarity, result.best));
  const std::string evidence = format_evidence(classrun::pair_verdict(pair, result).evidence);
  const classrun::Submission& a = result.submissions[pair.a];
  const classrun::Submission& b = result.submissions[pair.b];
  page += "<tr>";
  append_count_cell(page, static_cast<std::int64_t>(rank));
  append_sorted_cell(page, evidence, evidence);
  append_sorted_cell(page, score, score);
  append_sorted_cell(page, margin, margin);
  page += "<td class=\"name\">";
  page += html_text(a.name);
  page += "</td><td class=\"name\">";
  page += html_text(b.name);
  page += "</td>";
  append_count_cell(page, pair.match_len);
  append_count_cell(page, a.length);
  append_count_cell(page, b.length);
  const std::string_view said = conclusion(pair, result);
  page += classrun::pair_verdict(pair, result).flagged ? "<td class=\"yes\">" : "<td>";
  page += said;
  page += "</td>";
  const auto number = numbers.find({pair.a, pair.b});
  if (number == numbers.end()) {
    page += "<td class=\"link\"></td></tr>\n";
    return;
  }
  page += "<td class=\"link\"><a href=\"#pair-";
  append_number(page, number->second);
  page += "\">对照</a></td></tr>\n";
}

void append_ranking(std::string& page, const classrun::ClassResult& result,
                    const PairNumbers& numbers) {
  page += "<h2>排名</h2>\n";
  if (result.listed.empty()) {
    page += "<p>没有列出的配对。</p>\n";
    return;
  }
  page +=
      "<div class=\"tools\" hidden><label>按名字筛选 <input type=\"search\" "
      "autocomplete=\"off\" spellcheck=\"false\"></label><output></output></div>\n";
  page +=
      "<table class=\"ranking\"><thead><tr><th>名次</th><th data-first=\"descending\">证据</th>"
      "<th data-first=\"descending\">相似度</th><th data-first=\"descending\">差距</th>"
      "<th>提交 A</th><th>提交 B</th><th data-first=\"descending\">MatchLen</th>"
      "<th data-first=\"descending\">长度 A</th><th data-first=\"descending\">长度 B</th>"
      "<th>结论</th><th class=\"link\">对照</th></tr></thead>\n<tbody>\n";
  for (std::size_t index = 0; index < result.listed.size(); ++index) {
    append_ranking_row(page, result, result.listed[index], index + 1, numbers);
  }
  page += "</tbody></table>\n";
  page +=
      "<p class=\"note\">证据不低于 " + format_threshold(result.flag_at) +
      " 即标记为疑似抄袭；“仅相似度高”：codetwin 的相似度达到 0.8，但共有的多是本班常见的写法。"
      "差距：这一对的相似度减去两人各自与其他人的最高相似度中较高的一个。"
      "<span class=\"noprint\">点击表头可排序。</span></p>\n";
}

void append_groups(std::string& page, const classrun::ClassResult& result, const RunInfo& info) {
  page += "<h2>分组</h2>\n";
  const std::string joined_by = info.list.group_at
                                    ? "相似度 ≥ " + threshold_text(*info.list.group_at) + " 的配对"
                                    : std::string("标记的配对");
  if (result.groups.empty()) {
    page += "<p>没有" + joined_by + "连成的组。</p>\n";
    return;
  }
  page += "<p class=\"note\">由" + joined_by + "连起来的提交，人数多的在前。</p>\n";
  page += "<ol class=\"groups\">\n";
  for (const classrun::Group& group : result.groups) {
    page += "<li><b>";
    append_number(page, group.members.size());
    page += " 份</b>，组内证据 " + format_evidence(group.lowest_evidence) + " 至 " +
            format_evidence(group.highest_evidence) + "，相似度 " + format_similarity(group.lowest) +
            " 至 " + format_similarity(group.highest) + "：";
    for (std::size_t at_member = 0; at_member < group.members.size(); ++at_member) {
      if (at_member > 0) page += "、";
      page += "<span class=\"name\">";
      page += html_text(result.submissions[group.members[at_member]].name);
      page += "</span>";
    }
    page += "</li>\n";
  }
  page += "</ol>\n";
}

void append_evidence_list(std::string& page, const classrun::ClassResult& result,
                          const classrun::Evidence& evidence) {
  page += "<h2>逐对对照</h2>\n";
  if (evidence.pairs.empty()) {
    page += "<p>没有可对照的配对。</p>\n";
    return;
  }
  page +=
      "<p class=\"note\">每一对标记的配对，以及其余证据最高的配对：两份源代码并排，"
      "相同的片段以同一颜色标出。</p>\n<ol class=\"evidence\">\n";
  for (std::size_t index = 0; index < evidence.pairs.size(); ++index) {
    const classrun::PairScore& pair = evidence.pairs[index].pair;
    const float similarity = classrun::pair_similarity(pair, result.submissions);
    page += "<li><a href=\"#pair-";
    append_number(page, index + 1);
    page += "\"><span class=\"name\">";
    page += html_text(result.submissions[pair.a].name);
    page += "</span> ↔ <span class=\"name\">";
    page += html_text(result.submissions[pair.b].name);
    const verdict::PairVerdict v = classrun::pair_verdict(pair, result);
    page += "</span></a> 证据 " + format_evidence(v.evidence) + "，相似度 " +
            format_similarity(similarity);
    if (v.flagged) page += " <span class=\"yes\">疑似抄袭</span>";
    page += "</li>\n";
  }
  page += "</ol>\n";
  if (evidence.omitted > 0) {
    page += "<p class=\"yes\">另有 ";
    append_number(page, evidence.omitted);
    page += " 对应当对照的配对没有单独展示（一份报告最多 ";
    append_number(page, classrun::kMaxPairViews);
    page += " 对）；全部配对见 --csv 或 --json 的输出。</p>\n";
  }
}

void append_skipped(std::string& page, const classrun::ClassResult& result) {
  if (result.skipped.empty()) return;
  page +=
      "<h2>未能读取的提交</h2>\n<table class=\"skipped\"><thead><tr><th>提交</th>"
      "<th>文件</th><th>原因</th></tr></thead><tbody>\n";
  for (const classrun::Skipped& skipped : result.skipped) {
    page += "<tr><td class=\"name\">" + html_text(skipped.name) + "</td><td class=\"name\">" +
            html_text(skipped.file) + "</td><td>" + html_text(skipped.reason) + "</td></tr>\n";
  }
  page += "</tbody></table>\n";
}

}  // namespace

void append_number(std::string& page, std::uint64_t value) {
  char digits[24];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  (void)ec;  // 24 digits hold any 64-bit value
  page.append(digits, end);
}

void append_overview(std::string& page, const classrun::ClassResult& result, const RunInfo& info,
                     const classrun::Evidence& evidence, const PairNumbers& numbers) {
  page += "<section id=\"overview\">\n<h1>查重报告</h1>\n";
  append_numbers(page, result);
  page += "<h2>证据分布</h2>\n";
  HistogramScale by_evidence;
  by_evidence.top = 100 / classrun::kEvidenceBins;
  by_evidence.cut_bin =
      static_cast<int>(std::ceil(result.flag_at * classrun::kEvidenceBins - 1e-9));
  by_evidence.cut_label = format_threshold(result.flag_at);
  by_evidence.axis_label = "证据";
  by_evidence.caption = "所有配对的证据，每 0.02 一格（最后一格含 2）；红色为标记的配对（≥ " +
                        format_threshold(result.flag_at) + "）。";
  append_histogram(page, result.evidence_histogram, by_evidence);
  page += "<h2>相似度分布（codetwin）</h2>\n";
  HistogramScale similarity;
  similarity.caption = "所有配对的相似度，每 0.01 一格（最后一格含 1.0）；红色为 codetwin 的“有抄袭嫌疑”（≥ 0.8）。";
  append_histogram(page, result.histogram, similarity);
  append_ranking(page, result, numbers);
  append_groups(page, result, info);
  append_evidence_list(page, result, evidence);
  append_skipped(page, result);
  append_options(page, result, info);
  page += "</section>\n";
}

}  // namespace codetwin::report::html
