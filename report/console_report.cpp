// The listing on standard output.
//
// Built in UTF-8 and handed piece by piece to the console style, which turns
// texts and names into the console's charset; names are padded to columns by
// their width there (a GBK character's two bytes are its two columns).
#include <algorithm>
#include <cmath>
#include <string>

#include "classrun/class_verdict.h"
#include "common/utf8.h"
#include "report/report.h"

namespace codetwin::report {

namespace {

using classrun::ClassResult;
using classrun::PairScore;
using classrun::Submission;

// Names wider than this are not padded further: a long name makes its row
// longer rather than every row.
constexpr std::size_t kWidestColumn = 40;

class Listing {
 public:
  Listing(const ClassResult& result, const RunInfo& info, const ConsoleStyle& style)
      : result_(result), info_(info), style_(style) {}

  std::string build() {
    counts();
    flagged();
    pairs();
    closest();
    groups();
    skipped();
    return std::move(out_);
  }

 private:
  void text(std::string_view utf8) { out_ += style_.text(utf8); }
  void line(std::string_view utf8) {
    text(utf8);
    out_ += '\n';
  }
  std::string name(std::uint32_t index) const {
    return style_.name(result_.submissions[index].name);
  }
  std::size_t width(std::string_view console) const {
    return style_.utf8 ? display_width(console) : console.size();
  }
  // `cell` (console bytes) padded with spaces to `columns`.
  std::string padded(std::string cell, std::size_t columns) const {
    const std::size_t used = width(cell);
    if (used < columns) cell.append(columns - used, ' ');
    return cell;
  }
  static std::string right(std::string cell, std::size_t columns) {
    if (cell.size() < columns) cell.insert(0, columns - cell.size(), ' ');
    return cell;
  }

  void counts() {
    std::size_t old_ones = 0;
    for (const Submission& s : result_.submissions) {
      if (s.cohort == classrun::Cohort::kOld) ++old_ones;
    }
    std::string summary = "作业 " + std::to_string(result_.submissions.size() - old_ones) + " 份";
    if (old_ones > 0) summary += "，往届作业 " + std::to_string(old_ones) + " 份";
    summary += "，比较了 " + std::to_string(result_.pairs) + " 对，标记 " +
               std::to_string(result_.flagged) + " 对为疑似抄袭（证据不低于 " +
               format_threshold(result_.flag_at) + "）";
    if (result_.not_a_number > 0) {
      summary += "；" + std::to_string(result_.not_a_number) + " 对的两份都没有可比的内容，相似度为 nan";
    }
    line(summary + "。");
    if (!result_.class_statistics) {
      line("作业太少（不到 " + std::to_string(classrun::kClassStatisticsFrom) +
           " 份），无法统计本班常见的写法和各人通常共有的代码；证据只看两份之间共有的代码。");
    }
  }

  // Every flagged pair, with the reason for it, whatever the listing's cut.
  void flagged() {
    const std::vector<PairScore>& pairs = result_.flagged_pairs;
    if (!pairs.empty()) {
      out_ += '\n';
      line("标记为疑似抄袭的 " + std::to_string(pairs.size()) + " 对：");
      std::size_t number = 0;
      for (const PairScore& pair : pairs) {
        const float s = classrun::pair_similarity(pair, result_.submissions);
        out_ += right(std::to_string(++number), 4) + ". " + name(pair.a);
        text(" 与 ");
        out_ += name(pair.b);
        text("：证据 " + format_evidence(classrun::pair_verdict(pair, result_).evidence) +
             "，相似度 " + format_similarity(s));
        out_ += '\n';
        for (const std::string& reason : verdict_reasons(pair, result_)) {
          out_ += "      ";
          line(reason + "。");
        }
      }
    }
    if (const std::string note = unflagged_note(result_); !note.empty()) {
      out_ += '\n';
      line(note);
    }
  }

  void pairs() {
    out_ += '\n';
    const classrun::SortKey key = info_.list.sort;
    std::string heading = key == classrun::SortKey::kMargin       ? "按差距排列"
                          : key == classrun::SortKey::kSimilarity ? "按相似度排列"
                                                                  : "按证据排列";
    if (info_.list.min) {
      heading += "，相似度不低于 " + format_threshold(*info_.list.min) + " 的共 " +
                 std::to_string(result_.listable) + " 对";
    }
    heading += "，列出 " + std::to_string(result_.listed.size()) + " 对：";
    line(heading);
    if (result_.listed.empty()) return;

    std::size_t name_a = width(style_.text("作业A"));
    std::size_t name_b = width(style_.text("作业B"));
    for (const PairScore& pair : result_.listed) {
      name_a = std::max(name_a, std::min(kWidestColumn, width(name(pair.a))));
      name_b = std::max(name_b, std::min(kWidestColumn, width(name(pair.b))));
    }
    out_ += padded(style_.text("排名"), 6) + padded(style_.text("证据"), 7) +
            padded(style_.text("相似度"), 10) + padded(style_.text("差距"), 11) +
            padded(style_.text("作业A"), name_a + 2) + padded(style_.text("作业B"), name_b + 2) +
            style_.text("公共长度   长度A   长度B  共有代码  结论") + "\n";
    std::size_t rank = 0;
    for (const PairScore& pair : result_.listed) {
      const float s = classrun::pair_similarity(pair, result_.submissions);
      const verdict::PairVerdict v = classrun::pair_verdict(pair, result_);
      out_ += right(std::to_string(++rank), 4) + "  ";
      out_ += padded(format_evidence(v.evidence), 7);
      out_ += padded(format_similarity(s), 10);
      out_ += padded(format_margin(classrun::margin(pair, s, result_.best)), 11);
      out_ += padded(name(pair.a), name_a + 2) + padded(name(pair.b), name_b + 2);
      out_ += right(std::to_string(pair.match_len), 8) + " ";
      out_ += right(std::to_string(result_.submissions[pair.a].length), 7) + " ";
      out_ += right(std::to_string(result_.submissions[pair.b].length), 7) + "  ";
      out_ += right(std::to_string(v.shared), 8) + "  ";
      text(conclusion(pair, result_));
      out_ += '\n';
    }
  }

  void closest() {
    out_ += '\n';
    line("每份作业的最高相似度：");
    std::size_t name_width = width(style_.text("作业"));
    for (std::uint32_t k = 0; k < result_.submissions.size(); ++k) {
      name_width = std::max(name_width, std::min(kWidestColumn, width(name(k))));
    }
    out_ += padded(style_.text("作业"), name_width + 2) + padded(style_.text("最高相似度"), 12) +
            style_.text("对方") + "\n";
    for (std::uint32_t k = 0; k < result_.submissions.size(); ++k) {
      const classrun::Closest& first = result_.best[k].first;
      out_ += padded(name(k), name_width + 2);
      if (first.partner == classrun::Closest::kNoPartner) {
        out_ += padded("nan", 12);
        text("（无可比的对方）");
      } else {
        out_ += padded(format_similarity(first.score), 12) + name(first.partner);
      }
      out_ += '\n';
    }
  }

  void groups() {
    out_ += '\n';
    const std::string joined_by =
        info_.list.group_at ? "相似度不低于 " + format_threshold(*info_.list.group_at) + " 的对"
                            : std::string("标记的对");
    if (result_.groups.empty()) {
      line(joined_by + "连成的组：无。");
      return;
    }
    line(joined_by + "连成的组（" + std::to_string(result_.groups.size()) + " 组）：");
    std::size_t number = 0;
    for (const classrun::Group& group : result_.groups) {
      line("第 " + std::to_string(++number) + " 组：" + std::to_string(group.members.size()) +
           " 份，组内证据 " + format_evidence(group.lowest_evidence) + " 至 " +
           format_evidence(group.highest_evidence) + "，相似度 " +
           format_similarity(group.lowest) + " 至 " + format_similarity(group.highest));
      for (std::uint32_t member : group.members) out_ += "  " + name(member) + "\n";
    }
  }

  void skipped() {
    if (result_.skipped.empty()) return;
    out_ += '\n';
    line("未能读取、没有比较的作业（" + std::to_string(result_.skipped.size()) + " 份）：");
    for (const classrun::Skipped& s : result_.skipped) {
      out_ += "  " + style_.name(s.name);
      if (s.file != s.name) {
        text("：");
        out_ += style_.name(s.file);
      }
      text("：" + s.reason);
      out_ += '\n';
    }
  }

  const ClassResult& result_;
  const RunInfo& info_;
  const ConsoleStyle& style_;
  std::string out_;
};

}  // namespace

std::string console_report(const ClassResult& result, const RunInfo& info,
                           const ConsoleStyle& style) {
  return Listing(result, info, style).build();
}

}  // namespace codetwin::report
