// A class run's outputs: the listing on the console, a CSV table, a JSON
// document and an HTML evidence report (html.h). Each is a pure function
// from the run's results to bytes; the program writes them where asked.
//
// Similarities are printed as codetwin prints them ("%f" of the single-
// precision value: six decimals, "nan" for not a number), so a row can be
// checked against a codetwin run on the same pair. Margins are printed the
// same way with a sign.
#ifndef CODETWIN_REPORT_REPORT_H_
#define CODETWIN_REPORT_REPORT_H_

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "classrun/classrun.h"
#include "classrun/ranking.h"

namespace codetwin::report {

/// How the run was asked for, as the JSON and HTML outputs record it.
struct RunInfo {
  std::string version;
  /// Each option as (name, value), values as given; names of paths are bytes.
  std::vector<std::pair<std::string, std::string>> options;
  classrun::ListOptions list;
  classrun::VerdictOptions verdict;
  bool ignore_comments = false;
  bool has_template = false;
};

/// codetwin's "%f" of a similarity.
std::string format_similarity(float similarity);
/// A margin as "%+f" ("nan" for not a number).
std::string format_margin(double margin);
/// An evidence as "%.2f".
std::string format_evidence(double evidence);
/// A share (0 to 1) as "%.3f".
std::string format_share(double share);
/// A threshold as given, without trailing zeros: 0.9, 0.85, 1.
std::string format_threshold(double value);

/// Why a pair has its evidence, in words a teacher can repeat (UTF-8): one
/// sentence for each of the verdict's two views, the one that gives the
/// evidence first.
std::vector<std::string> verdict_reasons(const classrun::PairScore& pair,
                                         const classrun::ClassResult& result);

/// The pair's conclusion: flagged, marked by codetwin's 0.8 only, or neither.
std::string_view conclusion(const classrun::PairScore& pair, const classrun::ClassResult& result);

/// One line on why pairs that codetwin's 0.8 marks are not flagged (UTF-8),
/// empty when there are none.
std::string unflagged_note(const classrun::ClassResult& result);

/// How console text is made: `text` turns the report's UTF-8 into the
/// console's charset, `name` does the same for a file's name.
struct ConsoleStyle {
  std::function<std::string(std::string_view)> text;
  std::function<std::string(std::string_view)> name;
  /// Whether the console's bytes are UTF-8 (else GBK, where a character's
  /// width in columns is its number of bytes).
  bool utf8 = true;
};

/// The listing for standard output: counts, the listed pairs, each
/// submission's closest partner, the groups, and what was skipped.
std::string console_report(const classrun::ClassResult& result, const RunInfo& info,
                           const ConsoleStyle& style);

/// RFC 4180 CSV, UTF-8 with a byte-order mark and CR LF line ends: a header
/// and one row per written pair.
std::string csv_report(const classrun::ClassResult& result);

/// One JSON document (UTF-8): options, submissions, pairs, groups, skipped.
std::string json_report(const classrun::ClassResult& result, const RunInfo& info);

}  // namespace codetwin::report

#endif  // CODETWIN_REPORT_REPORT_H_
