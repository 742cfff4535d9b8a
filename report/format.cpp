// Numbers as every output prints them.
#include <cmath>
#include <cstdio>

#include "report/report.h"
#include "similarity/similarity.h"

namespace codetwin::report {

std::string format_similarity(float similarity) {
  return similarity::format_similarity(similarity);
}

std::string format_margin(double margin) {
  if (std::isnan(margin)) return "nan";
  char digits[64];
  std::snprintf(digits, sizeof digits, "%+f", margin);
  return digits;
}

}  // namespace codetwin::report
