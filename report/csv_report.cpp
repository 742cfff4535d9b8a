// The CSV table: one row per written pair, for spreadsheets.
#include <string>

#include "common/utf8.h"
#include "report/report.h"

namespace codetwin::report {

namespace {

// A spreadsheet opens UTF-8 as UTF-8 (not the ANSI code page) only with it.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// RFC 4180: a field holding a comma, quote or line end is quoted, its
// quotes doubled. A name that a spreadsheet would take for a formula
// (= + - @ first) gets a leading apostrophe, so that opening the file never
// runs what a file name says.
std::string field(std::string_view raw) {
  std::string text = replace_invalid_utf8(raw);
  if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@' ||
                        text[0] == '\t' || text[0] == '\r')) {
    text.insert(0, 1, '\'');
  }
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char ch : text) {
    if (ch == '"') quoted += '"';
    quoted += ch;
  }
  return quoted + "\"";
}

std::string plain_margin(double margin) {
  std::string text = format_margin(margin);
  if (!text.empty() && text[0] == '+') text.erase(0, 1);
  return text;
}

}  // namespace

std::string csv_report(const classrun::ClassResult& result) {
  std::string out(kByteOrderMark);
  out +=
      "a,b,similarity,match_len,len_a,len_b,suspected,margin,"
      "evidence,flagged,whole,coverage,typical_coverage,passages,shared_code,shared_beyond,"
      "own_code\r\n";
  for (const classrun::PairScore& pair : result.written) {
    const classrun::Submission& a = result.submissions[pair.a];
    const classrun::Submission& b = result.submissions[pair.b];
    const float s = classrun::pair_similarity(pair, result.submissions);
    out += field(a.name) + ',' + field(b.name) + ',' + format_similarity(s) + ',' +
           std::to_string(pair.match_len) + ',' + std::to_string(a.length) + ',' +
           std::to_string(b.length) + ',' + (classrun::is_suspected(s) ? "1" : "0") + ',' +
           plain_margin(classrun::margin(pair, s, result.best)) + ',';
    const verdict::PairVerdict v = classrun::pair_verdict(pair, result);
    out += format_evidence(v.evidence) + ',' + (v.flagged ? "1" : "0") + ',' +
           format_share(v.whole) + ',' + format_share(v.coverage) + ',' +
           format_share(v.typical) + ',' + format_share(v.passages) + ',' +
           std::to_string(v.shared) + ',' + std::to_string(v.beyond) + ',' +
           std::to_string(v.reached) + "\r\n";
  }
  return out;
}

}  // namespace codetwin::report
