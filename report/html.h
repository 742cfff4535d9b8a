// The evidence report: one self-contained HTML page (UTF-8, Chinese words,
// all style and script inline, nothing loaded from anywhere).
//
// The overview shows the run's numbers and options, a histogram of every
// pair's score with the 0.8 line, the ranked table of the listed pairs and
// the groups. Each pair of the evidence has a view of its own (#pair-N): the
// two submissions' sources side by side with line numbers, every tile a
// highlighted stretch in the same colour on both sides, the list of tiles
// and the score with its formula. Highlights are in the page itself, so it
// reads without script; the script adds sorting, filtering and, on a click
// on a stretch, scrolling the other side to its twin.
//
// Source bytes show as UTF-8 when they are valid UTF-8, else as GBK, a byte
// that is neither as U+FFFD (html_text.h). Every byte of a source or a name
// is escaped, and a Content-Security-Policy that allows only the page's own
// script and style (by their hashes) stands behind that.
#ifndef CODETWIN_REPORT_HTML_H_
#define CODETWIN_REPORT_HTML_H_

#include <string>

#include "classrun/evidence.h"
#include "classrun/ranking.h"
#include "report/report.h"

namespace codetwin::report {

/// The page's bytes.
std::string html_report(const classrun::ClassResult& result, const RunInfo& info,
                        const classrun::Evidence& evidence);

}  // namespace codetwin::report

#endif  // CODETWIN_REPORT_HTML_H_
