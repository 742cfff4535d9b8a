// A histogram of every pair's score or evidence, drawn as an inline SVG.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "report/html_parts.h"

namespace codetwin::report::html {

namespace {

// The drawing's frame, in SVG units: one bar per hundredth, kBin wide.
constexpr int kLeft = 52;
constexpr int kTop = 18;
constexpr int kBin = 6;
constexpr int kPlotWidth = 100 * kBin;
constexpr int kPlotHeight = 180;
constexpr int kBottom = kTop + kPlotHeight;
constexpr int kWidth = kLeft + kPlotWidth + 16;
constexpr int kHeight = kBottom + 40;
// A bar for one pair is still this high, so that a lone pair shows.
constexpr double kMinBarHeight = 2;

std::string fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// The height of a bar of `count` pairs when the highest holds `highest`:
// a log scale, so that a few pairs far above the rest show beside thousands.
double bar_height(std::uint64_t count, std::uint64_t highest) {
  if (count == 0) return 0;
  const double height = kPlotHeight * std::log10(1.0 + static_cast<double>(count)) /
                        std::log10(1.0 + static_cast<double>(highest));
  return std::max(height, kMinBarHeight);
}

void append_axes(std::string& page, std::uint64_t highest, const HistogramScale& scale) {
  page += "<line class=\"axis\" x1=\"" + std::to_string(kLeft) + "\" y1=\"" +
          std::to_string(kBottom) + "\" x2=\"" + std::to_string(kLeft + kPlotWidth) + "\" y2=\"" +
          std::to_string(kBottom) + "\"/>\n";
  for (int tenth = 0; tenth <= 10; ++tenth) {
    const int x = kLeft + tenth * 10 * kBin;
    page += "<text x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(kBottom + 16) +
            "\" text-anchor=\"middle\">" + fixed(scale.top * tenth / 10.0, 1) + "</text>\n";
  }
  page += "<text x=\"" + std::to_string(kLeft + kPlotWidth) + "\" y=\"" +
          std::to_string(kBottom + 34) + "\" text-anchor=\"end\">" + scale.axis_label +
          "</text>\n";
  page += "<text x=\"4\" y=\"12\">配对数（对数刻度）</text>\n";
  for (std::uint64_t count = 1; count <= highest; count *= 10) {
    const std::string y = fixed(kBottom - bar_height(count, highest), 1);
    page += "<line class=\"axis\" x1=\"" + std::to_string(kLeft - 4) + "\" y1=\"" + y + "\" x2=\"" +
            std::to_string(kLeft) + "\" y2=\"" + y + "\"/>";
    page += "<text x=\"" + std::to_string(kLeft - 6) + "\" y=\"" + y +
            "\" text-anchor=\"end\" dominant-baseline=\"middle\">";
    append_number(page, count);
    page += "</text>\n";
  }
}

void append_cut(std::string& page, const HistogramScale& scale) {
  const std::string x = std::to_string(kLeft + scale.cut_bin * kBin);
  page += "<line class=\"cut\" x1=\"" + x + "\" y1=\"" + std::to_string(kTop - 6) + "\" x2=\"" + x +
          "\" y2=\"" + std::to_string(kBottom) + "\"/>\n";
  page += "<text class=\"cutlabel\" x=\"" + x + "\" y=\"" + std::to_string(kTop - 8) +
          "\" text-anchor=\"middle\">" + scale.cut_label + "</text>\n";
}

}  // namespace

void append_histogram(std::string& page, const classrun::Histogram& histogram,
                      const HistogramScale& scale) {
  const std::uint64_t highest = *std::max_element(histogram.begin(), histogram.end());
  page += "<figure class=\"histogram\">\n<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
          std::to_string(kWidth) + " " + std::to_string(kHeight) + "\" width=\"" +
          std::to_string(kWidth) + "\" height=\"" + std::to_string(kHeight) +
          "\" role=\"img\" aria-label=\"" + scale.axis_label + "分布\">\n";
  append_axes(page, highest, scale);
  for (int bin = 0; bin < 100; ++bin) {
    const std::uint64_t count = histogram[static_cast<std::size_t>(bin)];
    if (count == 0) continue;
    const double height = bar_height(count, highest);
    page += bin >= scale.cut_bin ? "<rect class=\"bar hi\"" : "<rect class=\"bar\"";
    page += " data-n=\"";
    append_number(page, count);
    page += "\" x=\"" + std::to_string(kLeft + bin * kBin) + "\" y=\"" +
            fixed(kBottom - height, 1) + "\" width=\"" + std::to_string(kBin - 1) + "\" height=\"" +
            fixed(height, 1) + "\"><title>" + fixed(scale.top * bin / 100.0, 2) + "–" +
            fixed(scale.top * (bin + 1) / 100.0, 2) + "：";
    append_number(page, count);
    page += " 对</title></rect>\n";
  }
  append_cut(page, scale);
  page += "</svg>\n<figcaption class=\"note\">" + scale.caption + "</figcaption>\n</figure>\n";
}

}  // namespace codetwin::report::html
