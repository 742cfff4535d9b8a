// Fuzz target: the evidence page's writer, with any bytes as a source and as
// a submission's name.
//
// Input: a flags byte (bit 0: comments ignored), a length byte n, then n
// bytes of the name and the rest as the source. Submission A is that source
// under that name; B is the source with its halves swapped, so that the
// pair has tiles that start and end anywhere. Their evidence is built as
// the program builds it (source maps, tiling, stretches) and written as a
// page, which a strict reader (tests/report/html_reader.h) must read whole:
// every tag and attribute the template's, one script and one style sheet
// exactly the embedded ones, the source's text line by line and the name's
// text exactly as decoded, and every tile a stretch on each side.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "classrun/class_verdict.h"
#include "classrun/evidence.h"
#include "classrun/submissions.h"
#include "report/html.h"
#include "report/html_text.h"
#include "report/page_assets.h"
#include "similarity/similarity.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/report/html_reader.h"

namespace codetwin::testing {
namespace {

struct Input {
  bool ignore_comments = false;
  std::string name;
  std::string source;
};

Input split(std::string_view data) {
  Input input;
  if (data.size() < 2) return input;
  input.ignore_comments = (data[0] & 1) != 0;
  const std::size_t length =
      std::min<std::size_t>(static_cast<unsigned char>(data[1]), data.size() - 2);
  input.name = std::string(data.substr(2, length));
  input.source = std::string(data.substr(2 + length));
  return input;
}

classrun::Submission submission(const std::string& name, const char* path, const std::string& bytes,
                                const classrun::LexOptions& lex) {
  classrun::Submission s;
  s.name = name;
  s.files.push_back({path, name});
  classrun::lex_submission(s, {bytes}, lex);
  return s;
}

// The run of one pair, as summarize() leaves it for a page with one view.
classrun::ClassResult one_pair(const Input& input, const std::string& other,
                               const classrun::LexOptions& lex) {
  classrun::ClassResult result;
  result.submissions.push_back(submission(input.name, "a", input.source, lex));
  result.submissions.push_back(submission("\xFF-b.c", "b", other, lex));
  classrun::profile_class(result.submissions, 0);
  similarity::TilingWorkspace workspace;
  const classrun::PairScore pair{
      0, 1,
      workspace.match_length(result.submissions[0].tokens, result.submissions[1].tokens,
                             classrun::kMinMatchLen)};
  const float score = classrun::pair_similarity(pair, result.submissions);
  result.pairs = 1;
  result.suspected = classrun::is_suspected(score) ? 1 : 0;
  if (score == score) {
    result.histogram[std::min<std::size_t>(static_cast<std::size_t>(score * 100.0), 99)] = 1;
  } else {
    result.not_a_number = 1;
  }
  result.best.resize(2);
  result.best[0].first = {score, 1};
  result.best[1].first = {score, 0};
  result.listed = {pair};
  result.evidence = {pair};
  return result;
}

// The <div> of side "a" or "b" of the pair view.
std::size_t find_side(const std::vector<HtmlNode>& nodes, std::string_view side) {
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    if (nodes[i].kind == HtmlNode::kStart && nodes[i].get("data-side") == side) return i;
  }
  return nodes.size();
}

std::size_t find_in(const std::vector<HtmlNode>& nodes, std::size_t begin, std::size_t end,
                    std::string_view name, std::string_view css_class) {
  for (std::size_t i = begin; i < end; ++i) {
    if (nodes[i].kind == HtmlNode::kStart && nodes[i].name == name &&
        nodes[i].has_class(css_class)) {
      return i;
    }
  }
  return end;
}

void check_side(const std::vector<HtmlNode>& nodes, std::string_view side, const std::string& name,
                const std::string& source, std::size_t tiles) {
  const std::size_t at = find_side(nodes, side);
  FUZZ_CHECK(at < nodes.size());
  const std::size_t end = element_end(nodes, at);
  const std::size_t shown_name = find_in(nodes, at, end, "span", "name");
  FUZZ_CHECK(shown_name < end);
  FUZZ_CHECK(text_of(nodes, shown_name + 1, element_end(nodes, shown_name) - 1) ==
             report::decode(name));
  // An empty file shows a note instead of lines, one too large a problem.
  if (source.empty() || source.size() > classrun::kMaxShownBytes) return;
  const std::size_t src = find_in(nodes, at, end, "div", "src");
  FUZZ_CHECK(src < end);
  FUZZ_CHECK(source_text(nodes, src) == expected_source_text(source));
  std::set<std::string> stretches;
  for (std::size_t i = src; i < element_end(nodes, src); ++i) {
    if (nodes[i].kind == HtmlNode::kStart && nodes[i].name == "mark") {
      stretches.insert(nodes[i].get("data-t"));
    }
  }
  FUZZ_CHECK(stretches.size() == tiles);
}

void check_page(const std::string& page, const Input& input, const std::string& other,
                std::size_t tiles) {
  const HtmlPage read = read_html(page);
  FUZZ_CHECK(read.error.empty());
  FUZZ_CHECK(template_error(read.nodes).empty());
  std::size_t scripts = 0;
  std::size_t styles = 0;
  for (std::size_t i = 0; i < read.nodes.size(); ++i) {
    const HtmlNode& node = read.nodes[i];
    if (node.kind != HtmlNode::kStart) continue;
    if (node.name == "script") {
      ++scripts;
      FUZZ_CHECK(read.nodes[i + 1].text == report::page::kScript);
    }
    if (node.name == "style") {
      ++styles;
      FUZZ_CHECK(read.nodes[i + 1].text == report::page::kCss);
    }
  }
  FUZZ_CHECK(scripts == 1 && styles == 1);
  check_side(read.nodes, "a", input.name, input.source, tiles);
  check_side(read.nodes, "b", "\xFF-b.c", other, tiles);
}

}  // namespace
}  // namespace codetwin::testing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace codetwin;
  const testing::Input input = testing::split(testing::as_chars(data, size));
  const std::string& source = input.source;
  const std::string other = source.substr(source.size() / 2) + source.substr(0, source.size() / 2);
  classrun::LexOptions lex;
  lex.ignore_comments = input.ignore_comments;
  const classrun::ClassResult result = testing::one_pair(input, other, lex);
  const std::string bytes[] = {source, other};
  const classrun::Evidence evidence =
      classrun::evidence_of(result, [&](const classrun::SourceFile& file, std::string&) {
        return std::optional<std::string>(bytes[file.path == "a" ? 0 : 1]);
      });
  report::RunInfo info;
  info.version = "fuzz";
  info.options = {{input.name, input.source.substr(0, 16)}};
  info.ignore_comments = input.ignore_comments;
  const std::string page = report::html_report(result, info, evidence);
  testing::check_page(page, input, other, evidence.pairs[0].tiles.size());
  return 0;
}
