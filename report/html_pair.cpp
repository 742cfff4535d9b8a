// One pair's view: the score, the two sources side by side with every tile
// highlighted, and the list of tiles.
#include <algorithm>
#include <cstdint>

#include "common/texts.h"
#include "report/html_parts.h"
#include "report/html_text.h"

namespace codetwin::report::html {

namespace {

using classrun::Grey;
using classrun::GreySpan;
using classrun::SourceSpan;
using classrun::SourceView;
using classrun::TileEvidence;

// What paints a byte: its tile (0 for none) and why it is greyed.
enum class Paint : std::uint8_t { kNone, kComment, kTemplate, kUnread, kCommon };

const char* grey_class(Paint paint) {
  switch (paint) {
    case Paint::kComment:
      return "gc";
    case Paint::kTemplate:
      return "gt";
    case Paint::kUnread:
      return "gu";
    case Paint::kCommon:
      return "gk";
    case Paint::kNone:
      break;
  }
  return "";
}

Paint paint_of(Grey why) {
  switch (why) {
    case Grey::kComment:
      return Paint::kComment;
    case Grey::kTemplate:
      return Paint::kTemplate;
    case Grey::kCommon:
      return Paint::kCommon;
    case Grey::kUnread:
      break;
  }
  return Paint::kUnread;
}

// Sets bytes [begin, end) of `paints`, as far as they go.
template <typename T>
void paint(std::vector<T>& paints, std::size_t begin, std::size_t end, T value) {
  end = std::min(end, paints.size());
  if (begin < end) {
    std::fill(paints.begin() + static_cast<std::ptrdiff_t>(begin),
              paints.begin() + static_cast<std::ptrdiff_t>(end), value);
  }
}

// The paint of a character of `length` bytes at `at`: the first its bytes
// have, so that a stretch that starts on the second byte of a GBK character
// (an ASCII byte can be one) still shows.
template <typename T>
T first_painted(const std::vector<T>& paints, std::size_t at, std::size_t length) {
  for (std::size_t i = at; i < at + length; ++i) {
    if (paints[i] != T{}) return paints[i];
  }
  return T{};
}

// Two tiles can share a word (one ends inside "id", the next starts in it):
// a stretch that starts inside the one before it starts after it instead,
// or, where that would leave it nothing, the one before ends where it
// starts.
void trim_overlaps(std::vector<Stretch>& stretches) {
  std::stable_sort(stretches.begin(), stretches.end(),
                   [](const Stretch& x, const Stretch& y) { return x.begin < y.begin; });
  for (std::size_t i = 1; i < stretches.size(); ++i) {
    Stretch& before = stretches[i - 1];
    Stretch& stretch = stretches[i];
    if (stretch.begin >= before.end) continue;
    if (stretch.end > before.end) {
      stretch.begin = before.end;
    } else if (before.begin < stretch.begin) {
      before.end = stretch.begin;
    }
  }
}

// Writes the inline elements around each run of equally painted characters.
class LineWriter {
 public:
  explicit LineWriter(std::string& page) : page_(page) {}

  void start_line() { page_ += "<span class=\"l\">"; }
  void end_line() {
    close();
    page_ += "</span>";
  }
  void paint(std::size_t tile, Paint grey) {
    if (tile == tile_ && grey == grey_) return;
    close();
    if (tile != 0) {
      page_ += "<mark class=\"k";
      append_number(page_, (tile - 1) % kTileColours);
      page_ += "\" data-t=\"";
      append_number(page_, tile);
      page_ += "\">";
    }
    if (grey != Paint::kNone) {
      page_ += "<span class=\"";
      page_ += grey_class(grey);
      page_ += "\">";
    }
    tile_ = tile;
    grey_ = grey;
  }

 private:
  void close() {
    if (grey_ != Paint::kNone) page_ += "</span>";
    if (tile_ != 0) page_ += "</mark>";
    tile_ = 0;
    grey_ = Paint::kNone;
  }

  std::string& page_;
  std::size_t tile_ = 0;
  Paint grey_ = Paint::kNone;
};

// The number of the line (from 1) that holds each byte offset of a file.
class LineIndex {
 public:
  explicit LineIndex(std::string_view bytes) {
    for (std::size_t at = bytes.find('\n'); at != std::string_view::npos;
         at = bytes.find('\n', at + 1)) {
      line_ends_.push_back(at);
    }
  }
  std::size_t line_of(std::size_t offset) const {
    return 1 +
           static_cast<std::size_t>(std::lower_bound(line_ends_.begin(), line_ends_.end(), offset) -
                                    line_ends_.begin());
  }

 private:
  std::vector<std::size_t> line_ends_;  // offsets of the LFs
};

// The line ranges of a tile's stretches in one submission: "12-30", with
// the file's name before it when the submission has several files.
std::string line_ranges(const std::vector<SourceSpan>& spans, const SourceView& view,
                        const std::vector<LineIndex>& lines) {
  if (spans.empty()) return "—";
  std::string text;
  for (const SourceSpan& span : spans) {
    if (!text.empty()) text += "；";
    if (view.files.size() > 1) {
      text += "<span class=\"name\">" + html_text(view.files[span.file].name) + "</span> ";
    }
    const std::size_t first = lines[span.file].line_of(span.begin);
    const std::size_t last = lines[span.file].line_of(span.end - 1);
    text += std::to_string(first);
    if (last != first) text += "–" + std::to_string(last);
  }
  return text;
}

void append_score(std::string& page, const classrun::ClassResult& result, const RunInfo& info,
                  const classrun::PairEvidence& evidence) {
  const classrun::PairScore& pair = evidence.pair;
  const verdict::PairVerdict v = classrun::pair_verdict(pair, result);
  page += v.flagged ? "<div class=\"score\">\n<p class=\"verdict yes\">" : "<div class=\"score\">\n<p class=\"verdict\">";
  page += "证据 <b>" + format_evidence(v.evidence) + "</b>：";
  page += v.flagged ? "标记为疑似抄袭" : "未标记";
  page += "（证据不低于 " + format_threshold(result.flag_at) + " 即标记）</p>\n";
  for (const std::string& reason : verdict_reasons(pair, result)) {
    page += "<p class=\"reason\">" + html_text(reason) + "。</p>\n";
  }

  const float similarity = classrun::pair_similarity(pair, result.submissions);
  const classrun::Submission& a = result.submissions[pair.a];
  const classrun::Submission& b = result.submissions[pair.b];
  page +=
      "<p class=\"formula\">codetwin 的相似度 = 2 × MatchLen ÷ (长度 A + 长度 B) = "
      "2 × <b>" +
      std::to_string(pair.match_len) + "</b> ÷ (<b>" + std::to_string(a.length) + "</b> + <b>" +
      std::to_string(b.length) + "</b>) = <b>" + format_similarity(similarity) + "</b>：";
  // codetwin's verdict, without the line end it prints before it.
  const std::string_view said =
      classrun::is_suspected(similarity) ? texts::kSuspected.utf8 : texts::kNotSuspected.utf8;
  page += said.substr(1);
  page += "。差距 " + format_margin(classrun::margin(pair, similarity, result.best)) + "。</p>\n";
  page += "<p>下面的 ";
  append_number(page, evidence.tiles.size());
  page +=
      " 个片段是两份代码（去掉注释）中长于 3 个字符、互不重叠的公共片段，证据按它们计算；"
      "codetwin 的 MatchLen 和长度按记号串";
  page += info.ignore_comments ? "（不含注释" : "（含注释";
  if (info.has_template) page += "，不含模板代码";
  page += "）计算。</p>\n";
}

void append_legend(std::string& page, const classrun::ClassResult& result, const SourceView& a,
                   const SourceView& b) {
  bool shown[4] = {false, false, false, false};
  for (const SourceView* view : {&a, &b}) {
    for (const GreySpan& grey : view->greyed) shown[static_cast<int>(grey.why)] = true;
  }
  page +=
      "<p class=\"legend\">同一颜色是同一个片段。<span class=\"noprint\">点击一侧的片段，"
      "另一侧跳到它的对应处；点击片段列表的一行，两侧都跳到它。</span>";
  if (shown[static_cast<int>(Grey::kCommon)]) {
    page += "<span class=\"gk\">浅灰底</span>：本班常见的写法（";
    append_number(page, result.common_at);
    page += " 份或更多作业都有），不算证据。";
  }
  if (shown[static_cast<int>(Grey::kTemplate)]) {
    page += "<span class=\"gt\">灰底</span>：模板代码（--base），不计分。";
  }
  if (shown[static_cast<int>(Grey::kComment)]) {
    page += "<span class=\"gc\">灰字</span>：注释，不比较。";
  }
  if (shown[static_cast<int>(Grey::kUnread)]) {
    page += "<span class=\"gu\">斜体灰字</span>：Ctrl-Z 之后的内容，不读取。";
  }
  page += "</p>\n</div>\n";
}

// The stretches of every tile in file `file` of side A (or B).
std::vector<Stretch> stretches_in(const std::vector<TileEvidence>& tiles, bool side_a,
                                  std::uint32_t file) {
  std::vector<Stretch> stretches;
  for (std::size_t index = 0; index < tiles.size(); ++index) {
    for (const SourceSpan& span : side_a ? tiles[index].in_a : tiles[index].in_b) {
      if (span.file == file) stretches.push_back({span.begin, span.end, index + 1});
    }
  }
  return stretches;
}

void append_side(std::string& page, const classrun::ClassResult& result, const SourceView& view,
                 const std::vector<TileEvidence>& tiles, bool side_a) {
  page += side_a ? "<div class=\"side\" data-side=\"a\"><h3>A："
                 : "<div class=\"side\" "
                   "data-side=\"b\"><h3>B：";
  page += "<span class=\"name\">" + html_text(result.submissions[view.submission].name) +
          "</span></h3>\n<div class=\"code\">\n";
  if (!view.problem.empty()) {
    page += "<p class=\"problem\">" + html_text(view.problem) + "</p>\n";
  }
  for (std::uint32_t file = 0; file < view.files.size(); ++file) {
    page += "<h4 class=\"file\"><span class=\"name\">" + html_text(view.files[file].name) +
            "</span></h4>\n";
    if (view.files[file].bytes.empty()) {
      page += "<p class=\"note\">（空文件）</p>\n";
      continue;
    }
    append_source(page, view.files[file].bytes, stretches_in(tiles, side_a, file), view.greyed,
                  file);
  }
  page += "</div>\n</div>\n";
}

void append_tiles(std::string& page, const classrun::PairEvidence& evidence, const SourceView& a,
                  const SourceView& b) {
  std::vector<LineIndex> lines_a;
  std::vector<LineIndex> lines_b;
  for (const classrun::ShownFile& file : a.files) lines_a.emplace_back(file.bytes);
  for (const classrun::ShownFile& file : b.files) lines_b.emplace_back(file.bytes);
  page += "<h3>片段（";
  append_number(page, evidence.tiles.size());
  page += " 个，从长到短）</h3>\n";
  if (evidence.tiles.empty()) {
    page += "<p>两份记号串没有长于 3 个字符的公共片段。</p>\n";
    return;
  }
  page +=
      "<table class=\"tiles\"><thead><tr><th>片段</th><th>长度（记号字符）</th>"
      "<th>A 中的行</th><th>B 中的行</th></tr></thead><tbody>\n";
  for (std::size_t index = 0; index < evidence.tiles.size(); ++index) {
    const TileEvidence& tile = evidence.tiles[index];
    page += "<tr data-t=\"";
    append_number(page, index + 1);
    page += "\"><td><span class=\"sw k";
    append_number(page, index % kTileColours);
    page += "\"></span>";
    append_number(page, index + 1);
    page += "</td><td class=\"num\">" + std::to_string(tile.length) + "</td><td>" +
            line_ranges(tile.in_a, a, lines_a) + "</td><td>" + line_ranges(tile.in_b, b, lines_b) +
            "</td></tr>\n";
  }
  page += "</tbody></table>\n";
}

void append_nav(std::string& page, std::size_t number, std::size_t count) {
  page += "<nav class=\"pnav\"><a href=\"#overview\">← 总览</a>";
  if (number > 1) {
    page += "<a href=\"#pair-";
    append_number(page, number - 1);
    page += "\">上一对</a>";
  }
  if (number < count) {
    page += "<a href=\"#pair-";
    append_number(page, number + 1);
    page += "\">下一对</a>";
  }
  page += "</nav>\n";
}

}  // namespace

void append_source(std::string& page, std::string_view bytes, std::vector<Stretch> stretches,
                   const std::vector<GreySpan>& greyed, std::uint32_t file) {
  std::vector<std::size_t> tile_at(bytes.size(), 0);
  std::vector<Paint> grey_at(bytes.size(), Paint::kNone);
  for (const GreySpan& grey : greyed) {
    if (grey.span.file == file) paint(grey_at, grey.span.begin, grey.span.end, paint_of(grey.why));
  }
  trim_overlaps(stretches);
  for (const Stretch& stretch : stretches) paint(tile_at, stretch.begin, stretch.end, stretch.tile);

  const Charset charset = charset_of(bytes);
  LineWriter line(page);
  page += "<div class=\"src\">";
  line.start_line();
  bool indent = true;  // only blanks so far on this line
  std::string character;
  for (std::size_t at = 0; at < bytes.size();) {
    // A line ends at an LF, or a CR LF; a CR on its own is shown.
    const std::size_t line_end = bytes[at] == '\n'                                 ? 1
                                 : bytes.substr(at, 2) == std::string_view("\r\n") ? 2
                                                                                   : 0;
    if (line_end > 0) {
      line.end_line();
      indent = true;
      at += line_end;
      if (at < bytes.size()) line.start_line();
      continue;
    }
    // The indentation of a line inside a stretch is not part of what matches.
    const bool blank = bytes[at] == ' ' || bytes[at] == '\t';
    indent = indent && blank;
    character.clear();
    const std::size_t length = decode_char(bytes, at, charset, character);
    line.paint(indent ? 0 : first_painted(tile_at, at, length), first_painted(grey_at, at, length));
    append_text(page, character, true);
    at += length;
  }
  if (bytes.empty() || bytes.back() != '\n') line.end_line();
  page += "</div>\n";
}

void append_pair(std::string& page, const classrun::ClassResult& result, const RunInfo& info,
                 const classrun::Evidence& evidence, std::size_t index) {
  const classrun::PairEvidence& pair = evidence.pairs[index];
  const SourceView& a = evidence.views[pair.view_a];
  const SourceView& b = evidence.views[pair.view_b];
  const std::size_t number = index + 1;
  page += "<section class=\"pair\" id=\"pair-";
  append_number(page, number);
  page += "\">\n";
  append_nav(page, number, evidence.pairs.size());
  page += "<h2>第 ";
  append_number(page, number);
  page += " 对：<span class=\"name\">" + html_text(result.submissions[pair.pair.a].name) +
          "</span> ↔ <span class=\"name\">" + html_text(result.submissions[pair.pair.b].name) +
          "</span></h2>\n";
  append_score(page, result, info, pair);
  append_legend(page, result, a, b);
  page += "<div class=\"sides\">\n";
  append_side(page, result, a, pair.tiles, true);
  append_side(page, result, b, pair.tiles, false);
  page += "</div>\n";
  append_tiles(page, pair, a, b);
  page += "</section>\n";
}

}  // namespace codetwin::report::html
