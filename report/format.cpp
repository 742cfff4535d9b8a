// Numbers as every output prints them, and the verdict's words.
#include <cmath>
#include <cstdio>

#include "report/report.h"
#include "similarity/similarity.h"

namespace codetwin::report {

namespace {

std::string number(std::int64_t value) { return std::to_string(value); }

// `value` with `decimals` digits after the point.
std::string fixed(double value, int decimals) {
  char digits[64];
  std::snprintf(digits, sizeof digits, "%.*f", decimals, value);
  return digits;
}

// A share as whole percent, rounded down, so that 99.6 % is not shown as all.
std::string percent(double share) {
  return std::to_string(static_cast<int>(share * 100 + 1e-9)) + "%";
}

}  // namespace

std::string format_similarity(float similarity) {
  return similarity::format_similarity(similarity);
}

std::string format_margin(double margin) {
  if (std::isnan(margin)) return "nan";
  char digits[64];
  std::snprintf(digits, sizeof digits, "%+f", margin);
  return digits;
}

std::string format_evidence(double evidence) { return fixed(evidence, 2); }

std::string format_share(double share) { return fixed(share, 3); }

std::string format_threshold(double value) {
  std::string text = fixed(value, 6);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

std::vector<std::string> verdict_reasons(const classrun::PairScore& pair,
                                         const classrun::ClassResult& result) {
  const verdict::PairVerdict v = classrun::pair_verdict(pair, result);
  const std::string smaller = v.smaller == verdict::Side::kA ? "A" : "B";
  const std::string other = v.smaller == verdict::Side::kA ? "B" : "A";
  std::string whole = "整份看：" + smaller + " 的代码有 " + percent(v.coverage) + " 在 " + other +
                      " 里（不计注释和不到一条语句的零碎片段）";
  if (!result.class_statistics) {
    whole += "；作业太少，没有本班的统计可比";
  } else {
    whole += "，而其他同学通常只有它的 " + percent(v.typical) + "；其余部分两人共有 " +
             percent(v.whole) + "（标记线 " + percent(verdict::kWholeLine) + "）";
  }
  std::string passages = "按段看：两人共有本班少见的代码 " + number(v.shared) + " 字符";
  if (result.common_at > 0) {
    passages += "（" + std::to_string(result.common_at) + " 份或更多作业都有的写法不算）";
  }
  passages += "，超出各自与其他同学通常共有的量（" + number(v.typical_a) + "、" +
              number(v.typical_b) + " 字符）" + number(v.beyond) + " 字符，是所在函数中独有代码（" +
              (v.floored ? "不足 " + number(v.reached) + " 字符的按 " + number(v.reached) + " 算"
                         : number(v.reached) + " 字符") +
              "）的 " + percent(v.passages) + "（标记线 " + percent(verdict::kPassagesLine) + "）";
  // The view that gives the evidence comes first.
  const bool whole_leads = v.whole / verdict::kWholeLine >= v.passages / verdict::kPassagesLine;
  if (whole_leads) return {whole, passages};
  return {passages, whole};
}

std::string_view conclusion(const classrun::PairScore& pair, const classrun::ClassResult& result) {
  if (classrun::pair_verdict(pair, result).flagged) return "疑似抄袭";
  if (classrun::is_suspected(classrun::pair_similarity(pair, result.submissions))) {
    return "仅相似度高";
  }
  return "无";
}

std::string unflagged_note(const classrun::ClassResult& result) {
  if (result.suspected_not_flagged == 0) return "";
  const std::string note = "codetwin 按相似度 0.8 判为有抄袭嫌疑的 " +
                           std::to_string(result.suspected) + " 对中，" +
                           std::to_string(result.suspected_not_flagged) + " 对没有标记：";
  if (!result.class_statistics) {
    return note + "不计注释和不到一条语句的零碎片段，它们共有的代码不到标记线。";
  }
  std::string why = "它们共有的代码多是本班常见的写法";
  if (result.common_at > 0) {
    why += "（" + std::to_string(result.common_at) + " 份或更多作业都有的片段不算证据）";
  }
  return note + why + "，没有明显超出各自与其他同学通常共有的部分。";
}

}  // namespace codetwin::report
