// The evidence page: its frame and policy, the sources as lines with their
// stretches, the histogram, the tile list, and hostile names and sources.
#include "report/html.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "report/html_parts.h"
#include "report/html_text.h"
#include "report/page_assets.h"
#include "tests/report/class_fixture.h"
#include "tests/report/html_reader.h"

namespace codetwin::report {
namespace {

using testing::ClassFixture;
using testing::HtmlNode;
using testing::HtmlPage;

std::string example(const char* name) {
  std::ifstream in(std::string(CODETWIN_EXAMPLES) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The index of the first start tag named `name` with `attribute`="value"
// (any, when `attribute` is empty) at or after `from`.
std::size_t find_node(const std::vector<HtmlNode>& nodes, std::string_view name,
                      std::string_view attribute = "", std::string_view value = "",
                      std::size_t from = 0) {
  for (std::size_t i = from; i < nodes.size(); ++i) {
    const HtmlNode& node = nodes[i];
    if (node.kind == HtmlNode::kStart && node.name == name &&
        (attribute.empty() || node.get(attribute) == value)) {
      return i;
    }
  }
  return nodes.size();
}

struct SideMarks {
  std::set<std::string> tiles;                   // data-t of every stretch
  std::map<std::string, std::string> colour_of;  // data-t to class
};

SideMarks marks_in(const std::vector<HtmlNode>& nodes, std::size_t side) {
  SideMarks marks;
  for (std::size_t i = side; i < testing::element_end(nodes, side); ++i) {
    if (nodes[i].kind == HtmlNode::kStart && nodes[i].name == "mark") {
      marks.tiles.insert(nodes[i].get("data-t"));
      marks.colour_of[nodes[i].get("data-t")] = nodes[i].get("class");
    }
  }
  return marks;
}

TEST(PageTest, FrameAndPolicy) {
  ClassFixture fixture;
  fixture.add("a.c", example("file1.c"));
  fixture.add("b.c", example("file2.c"));
  fixture.run();
  const std::string page = html_report(fixture.result, fixture.info, fixture.evidence);
  const HtmlPage read = testing::read_html(page);
  ASSERT_EQ(read.error, "");
  EXPECT_EQ(testing::template_error(read.nodes), "");
  EXPECT_EQ(
      page.rfind("<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n", 0),
      0u);
  const std::size_t policy = find_node(read.nodes, "meta", "http-equiv", "Content-Security-Policy");
  ASSERT_LT(policy, read.nodes.size());
  EXPECT_EQ(read.nodes[policy].get("content"),
            "default-src 'none'; script-src " + std::string(page::kScriptHash) + "; style-src " +
                std::string(page::kCssHash) +
                "; img-src 'none'; base-uri 'none'; form-action 'none'");
  // One script and one style sheet, each exactly the embedded file.
  std::size_t scripts = 0;
  for (std::size_t i = 0; i < read.nodes.size(); ++i) {
    if (read.nodes[i].kind != HtmlNode::kStart) continue;
    if (read.nodes[i].name == "script") {
      ++scripts;
      EXPECT_EQ(read.nodes[i + 1].text, page::kScript);
    }
    if (read.nodes[i].name == "style") {
      EXPECT_EQ(read.nodes[i + 1].text, page::kCss);
    }
  }
  EXPECT_EQ(scripts, 1u);
  const std::size_t title = find_node(read.nodes, "title");
  EXPECT_EQ(read.nodes[title + 1].text, "codetwin-class 查重报告");
}

TEST(PageTest, EveryTileIsAStretchOnBothSidesInOneColour) {
  ClassFixture fixture;
  fixture.add("a.c", example("file1.c"));
  fixture.add("b.c", example("file2.c"));
  fixture.run();
  ASSERT_EQ(fixture.evidence.pairs.size(), 1u);
  const std::size_t tiles = fixture.evidence.pairs[0].tiles.size();
  ASSERT_EQ(tiles, 6u);
  const HtmlPage read =
      testing::read_html(html_report(fixture.result, fixture.info, fixture.evidence));
  ASSERT_EQ(read.error, "");
  const std::size_t section = find_node(read.nodes, "section", "id", "pair-1");
  const SideMarks a = marks_in(read.nodes, find_node(read.nodes, "div", "data-side", "a", section));
  const SideMarks b = marks_in(read.nodes, find_node(read.nodes, "div", "data-side", "b", section));
  std::set<std::string> numbers;
  for (std::size_t n = 1; n <= tiles; ++n) numbers.insert(std::to_string(n));
  EXPECT_EQ(a.tiles, numbers);
  EXPECT_EQ(b.tiles, numbers);
  EXPECT_EQ(a.colour_of, b.colour_of);
  // The list: one row per tile, largest first.
  std::size_t rows = 0;
  for (std::size_t i = find_node(read.nodes, "table", "class", "tiles", section);
       i < read.nodes.size(); ++i) {
    if (read.nodes[i].name == "tr" && read.nodes[i].has("data-t")) ++rows;
  }
  EXPECT_EQ(rows, tiles);
}

TEST(PageTest, SourcesReadBackLineByLine) {
  const std::vector<std::pair<const char*, std::string>> sources = {
      {"CR LF", "int main()\r\n{\r\n\treturn 0;\r\n}\r\n"},
      {"GBK comment", "/* \xD6\xD0\xCE\xC4 */ int x;\n"},
      {"UTF-8 comment", "/* \xE4\xB8\xAD\xE6\x96\x87 */ int x;\n"},
      {"NUL, lone CR, Ctrl-Z", std::string("int a;\0\r b;\x1A tail\n", 19)},
      {"no line end at the end", "int x;"},
      {"blank lines", "\n\n\nint x;\n\n"},
  };
  for (const auto& [name, bytes] : sources) {
    ClassFixture fixture;
    fixture.add("a.c", bytes);
    fixture.add("b.c", bytes);
    fixture.run();
    const HtmlPage read =
        testing::read_html(html_report(fixture.result, fixture.info, fixture.evidence));
    ASSERT_EQ(read.error, "") << name;
    const std::size_t src = find_node(read.nodes, "div", "class", "src");
    ASSERT_LT(src, read.nodes.size()) << name;
    EXPECT_EQ(testing::source_text(read.nodes, src), testing::expected_source_text(bytes)) << name;
  }
}

TEST(PageTest, HostileNamesAndSourcesAreText) {
  const std::string payloads[] = {
      "</script><script>alert(1)</script>",
      "<img src=x onerror=alert(1)>",
      "<!--",
      "\"><svg onload=alert(1)>.c",
      "<style>body{display:none}</style>",
      "&lt;b&gt; &#x3C;",
      "]]><![CDATA[",
  };
  ClassFixture fixture;
  std::size_t k = 0;
  for (const std::string& payload : payloads) {
    const std::string source = "int f" + std::to_string(k) + "() { /* " + payload +
                               " */ char *s = \"" + payload + "\"; return 0; }\n";
    fixture.add(payload + std::to_string(k++), {{payload + ".c", source}});
  }
  fixture.run();
  const std::string page = html_report(fixture.result, fixture.info, fixture.evidence);
  const HtmlPage read = testing::read_html(page);
  ASSERT_EQ(read.error, "");
  EXPECT_EQ(testing::template_error(read.nodes), "");
  EXPECT_EQ(page.find("<img"), std::string::npos);
  EXPECT_EQ(page.find("<svg onload"), std::string::npos);
  EXPECT_EQ(page.find("<!--"), std::string::npos);
  // Every name shows as itself wherever it appears.
  std::set<std::string> names;
  for (std::size_t i = 0; i < read.nodes.size(); ++i) {
    if (read.nodes[i].kind == HtmlNode::kStart && read.nodes[i].has_class("name")) {
      names.insert(testing::text_of(read.nodes, i + 1, testing::element_end(read.nodes, i) - 1));
    }
  }
  for (std::size_t n = 0; n < std::size(payloads); ++n) {
    EXPECT_EQ(names.count(payloads[n] + std::to_string(n)), 1u) << payloads[n];
    EXPECT_EQ(names.count(payloads[n] + ".c"), 1u) << payloads[n];
  }
}

TEST(PageTest, SourcesThatCannotBeShownSayWhy) {
  ClassFixture fixture;
  fixture.add("a.c", example("file1.c"));
  fixture.add("b.c", example("file2.c"));
  fixture.rewrite("b.c/b.c", "int changed;");
  fixture.run();
  const std::string page = html_report(fixture.result, fixture.info, fixture.evidence);
  const HtmlPage read = testing::read_html(page);
  ASSERT_EQ(read.error, "");
  const std::size_t side_b = find_node(read.nodes, "div", "data-side", "b");
  const std::size_t problem = find_node(read.nodes, "p", "class", "problem", side_b);
  ASSERT_LT(problem, testing::element_end(read.nodes, side_b));
  EXPECT_EQ(read.nodes[problem + 1].text, "源文件在比较之后有改动，片段无法对应");
  EXPECT_EQ(find_node(read.nodes, "div", "class", "src", side_b), read.nodes.size());
  // The tiles are listed with their lines in A, none in B.
  EXPECT_NE(page.find("<td class=\"num\">23</td><td>5–7</td><td>—</td>"), std::string::npos);
}

TEST(AppendSourceTest, LinesStretchesAndGreys) {
  using classrun::Grey;
  using classrun::GreySpan;
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<html::Stretch> stretches;
    std::vector<GreySpan> greyed;
    std::string html;
  };
  const Case cases[] = {
      {"lines",
       "a\n\nb",
       {},
       {},
       "<div class=\"src\"><span class=\"l\">a</span><span class=\"l\"></span>"
       "<span class=\"l\">b</span></div>\n"},
      {"CR LF ends a line, the last one starts none",
       "a\r\nb\r\n",
       {},
       {},
       "<div class=\"src\"><span class=\"l\">a</span><span class=\"l\">b</span></div>\n"},
      {"a stretch over a line end, its indentation left out",
       "x = 1;\n\ty = 2;\n",
       {{4, 14, 3}},
       {},
       "<div class=\"src\"><span class=\"l\">x = <mark class=\"k2\" data-t=\"3\">1;</mark></span>"
       "<span class=\"l\">\t<mark class=\"k2\" data-t=\"3\">y = 2;</mark></span></div>\n"},
      {"stretches sharing a word",
       "count",
       {{0, 5, 1}, {0, 5, 2}},
       {},
       "<div class=\"src\"><span class=\"l\"><mark class=\"k1\" data-t=\"2\">count</mark>"
       "</span></div>\n"},
      {"a stretch starting inside the one before",
       "ab cd ef",
       {{0, 5, 1}, {3, 8, 2}},
       {},
       "<div class=\"src\"><span class=\"l\"><mark class=\"k0\" data-t=\"1\">ab cd</mark>"
       "<mark class=\"k1\" data-t=\"2\"> ef</mark></span></div>\n"},
      {"a comment inside a stretch",
       "a /*c*/ b",
       {{0, 9, 13}},
       {{{0, 2, 7}, Grey::kComment}},
       "<div class=\"src\"><span class=\"l\"><mark class=\"k0\" data-t=\"13\">a </mark>"
       "<mark class=\"k0\" data-t=\"13\"><span class=\"gc\">/*c*/</span></mark>"
       "<mark class=\"k0\" data-t=\"13\"> b</mark></span></div>\n"},
      {"template code and an unread tail",
       "t;a;\x1Az",
       {},
       {{{0, 0, 2}, Grey::kTemplate}, {{0, 4, 6}, Grey::kUnread}},
       "<div class=\"src\"><span class=\"l\"><span class=\"gt\">t;</span>a;"
       "<span class=\"gu\"><span class=\"cc\">\xE2\x90\x9A</span>z</span></span></div>\n"},
      {"greys of another file left alone",
       "a",
       {},
       {{{1, 0, 1}, Grey::kComment}},
       "<div class=\"src\"><span class=\"l\">a</span></div>\n"},
      {"GBK, a stretch from a character's second byte",
       "\x81"
       "a=1;",
       {{1, 5, 1}},
       {},
       "<div class=\"src\"><span class=\"l\"><mark class=\"k0\" data-t=\"1\">\xE4\xB9\xA4=1;"
       "</mark></span></div>\n"},
      {"lone CR and escapes",
       "a\r<b>&",
       {},
       {},
       "<div class=\"src\"><span class=\"l\">a<span class=\"cc\">\xE2\x90\x8D</span>"
       "&lt;b&gt;&amp;</span></div>\n"},
  };
  for (const Case& row : cases) {
    std::string page;
    html::append_source(page, row.bytes, row.stretches, row.greyed, 0);
    EXPECT_EQ(page, row.html) << row.name;
  }
}

TEST(HistogramTest, OneBarPerBinThatHoldsPairs) {
  classrun::Histogram histogram{};
  histogram[3] = 1;
  histogram[55] = 12000;
  histogram[80] = 2;
  histogram[99] = 1;
  std::string page;
  html::append_histogram(page, histogram, html::HistogramScale{});
  const HtmlPage read = testing::read_html("<!DOCTYPE html>" + page);
  ASSERT_EQ(read.error, "");
  std::vector<std::pair<std::string, std::string>> bars;  // data-n, class
  for (const HtmlNode& node : read.nodes) {
    if (node.kind == HtmlNode::kStart && node.name == "rect") {
      bars.emplace_back(node.get("data-n"), node.get("class"));
    }
  }
  EXPECT_EQ(bars, (std::vector<std::pair<std::string, std::string>>{
                      {"1", "bar"}, {"12000", "bar"}, {"2", "bar hi"}, {"1", "bar hi"}}));
  EXPECT_NE(page.find("<line class=\"cut\" x1=\"532\""), std::string::npos);
}

TEST(PairViewTest, TileListGivesLinesInEachFile) {
  ClassFixture fixture;
  fixture.add("ann", {{"main.c", "int main() {\n  int s = 0;\n  s = s + 1;\n  return s;\n}\n"}});
  fixture.add("bob",
              {{"a.c", "int main() {\n  int t = 0;\n"}, {"b.c", "  t = t + 1;\n  return t;\n}\n"}});
  fixture.run();
  const std::string page = html_report(fixture.result, fixture.info, fixture.evidence);
  EXPECT_NE(page.find("<tr data-t=\"1\"><td><span class=\"sw k0\"></span>1</td><td class=\"num\">"
                      "34</td><td>1–5</td><td><span class=\"name\">a.c</span> 1–2；"
                      "<span class=\"name\">b.c</span> 1–3</td></tr>"),
            std::string::npos)
      << page;
}

}  // namespace
}  // namespace codetwin::report
