// Stand-in for format_similarity() and format_margin() until the class
// run's outputs land in this branch.
#include <cmath>
#include <cstdio>

#include "report/report.h"

namespace codetwin::report {

std::string format_similarity(float similarity) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(similarity));
  return text;
}

std::string format_margin(double margin) {
  if (std::isnan(margin)) return "nan";
  char text[64];
  std::snprintf(text, sizeof text, "%+f", margin);
  return text;
}

}  // namespace codetwin::report
