// The parts the evidence page is made of, each appended to the page's
// bytes: the overview with its histogram, and one pair's view. Used by
// html.cpp; apart so that each can be read (and tested) on its own.
#ifndef CODETWIN_REPORT_HTML_PARTS_H_
#define CODETWIN_REPORT_HTML_PARTS_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "classrun/evidence.h"
#include "classrun/ranking.h"
#include "report/report.h"

namespace codetwin::report::html {

/// Where each pair with a view is: (X, Y) to its number N (id "pair-N").
using PairNumbers = std::map<std::pair<std::uint32_t, std::uint32_t>, std::size_t>;

/// Tiles are coloured k0 to k(kTileColours - 1) in list order: enough that
/// neighbouring stretches rarely share a colour, few enough to tell apart.
inline constexpr std::size_t kTileColours = 12;

/// What a histogram shows: its 100 bins run from 0 to `top`; bars from
/// `cut_bin` on are red, at the line labelled `cut_label`. Texts are UTF-8
/// made by the program (not escaped).
struct HistogramScale {
  double top = 1;
  int cut_bin = 80;
  std::string cut_label = "0.8";
  std::string axis_label = "相似度";
  std::string caption;
};

/// A histogram of every pair: an inline SVG with one bar (class "bar",
/// data-n its count) per bin that holds a pair, on a log scale so that a
/// lone pair far above the rest shows, and the line.
void append_histogram(std::string& page, const classrun::Histogram& histogram,
                      const HistogramScale& scale);

/// The overview: numbers, options, histogram, ranking, groups, the pairs
/// with views, what was skipped.
void append_overview(std::string& page, const classrun::ClassResult& result, const RunInfo& info,
                     const classrun::Evidence& evidence, const PairNumbers& numbers);

/// Where a highlighted stretch lies in one file: bytes [begin, end), tile
/// `tile` (numbered from 1 in list order).
struct Stretch {
  std::size_t begin;
  std::size_t end;
  std::size_t tile;
};

/// One file's source as lines (class "l") in a <div class="src">: tiles as
/// <mark class="kC" data-t="N">, greyed parts as <span class="gc|gt|gu">.
/// Stretches that share a word's bytes are trimmed so that each shows.
void append_source(std::string& page, std::string_view bytes, std::vector<Stretch> stretches,
                   const std::vector<classrun::GreySpan>& greyed, std::uint32_t file);

/// The view of evidence.pairs[index] (number index + 1).
void append_pair(std::string& page, const classrun::ClassResult& result, const RunInfo& info,
                 const classrun::Evidence& evidence, std::size_t index);

/// Appends the decimal digits of `value`.
void append_number(std::string& page, std::uint64_t value);

}  // namespace codetwin::report::html

#endif  // CODETWIN_REPORT_HTML_PARTS_H_
