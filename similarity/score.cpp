#include <cmath>
#include <cstdio>
#include <string>

#include "common/texts.h"
#include "similarity/similarity.h"

namespace codetwin::similarity {

namespace {

// At or above this similarity the two sources are suspected copies.
constexpr double kSuspicionThreshold = 0.8;

}  // namespace

std::string format_similarity(float n) {
  // printf shows the sign of a NaN ("-nan" for 0/0 on most machines); the
  // program always shows "nan".
  if (std::isnan(n)) return "nan";
  char digits[64];
  std::snprintf(digits, sizeof digits, "%f", static_cast<double>(n));
  return digits;
}

float similarity(std::int64_t MatchLen, std::int64_t lena, std::int64_t lenb) {
  // Both operands are exact in double, and while lena + lenb < 2^28 no
  // quotient lies close enough to a midpoint between two floats for the
  // double rounding to differ from rounding the exact quotient once.
  double quotient = 2.0 * static_cast<double>(MatchLen) / static_cast<double>(lena + lenb);
  return static_cast<float>(quotient);
}

std::string score_text(std::int64_t MatchLen, float n) {
  std::string text = texts::fill(texts::kTotalLength.gbk, std::to_string(MatchLen));
  for (std::string_view line : {texts::kAccordingTo.gbk, texts::kRule.gbk, texts::kFormula.gbk,
                                texts::kRule.gbk}) {
    text.append(line);
    text.push_back('\n');
  }
  text += texts::fill(texts::kSimilarity.gbk, format_similarity(n));
  return text;
}

std::string_view verdict_text(float n) {
  // A NaN compares false, so it is not suspected.
  return static_cast<double>(n) >= kSuspicionThreshold ? texts::kSuspected.gbk
                                                        : texts::kNotSuspected.gbk;
}

}  // namespace codetwin::similarity
