// A strict reader of the evidence page, for tests and the fuzz target: it
// accepts exactly the HTML the page writer makes (lower-case tags, double-
// quoted attribute values, text with &lt; &gt; &amp; as its only entities,
// raw text only in <script> and <style>) and says where anything else is.
//
// Because the writer escapes every byte of its input, what the reader
// finds in tags is the page template's own, and a page's text read back is
// the input's text.
#ifndef CODETWIN_TESTS_REPORT_HTML_READER_H_
#define CODETWIN_TESTS_REPORT_HTML_READER_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace codetwin::testing {

/// One piece of a page.
struct HtmlNode {
  enum Kind { kDoctype, kStart, kEnd, kText };
  Kind kind;
  std::string name;  // of a tag
  std::vector<std::pair<std::string, std::string>> attributes;
  bool self_closing = false;  // <line ... />
  std::string text;           // of text, entities decoded
  bool has(std::string_view attribute) const;
  std::string get(std::string_view attribute) const;  // "" when absent
  bool has_class(std::string_view name) const;
};

/// The page as a list of nodes; `error` is set (with the offset) and the
/// list is cut where the page is not as the writer makes it.
struct HtmlPage {
  std::vector<HtmlNode> nodes;
  std::string error;
};
HtmlPage read_html(std::string_view page);

/// "" when every tag and attribute of `nodes` is one the page template
/// uses, and every attribute value plain ASCII without markup characters
/// (bar the histogram's Chinese label); else the first that is not.
std::string template_error(const std::vector<HtmlNode>& nodes);

/// The element that starts at nodes[start]: the index just past its end tag.
std::size_t element_end(const std::vector<HtmlNode>& nodes, std::size_t start);

/// The text inside nodes [begin, end), with each control picture inside a
/// <span class="cc"> turned back into its control character.
std::string text_of(const std::vector<HtmlNode>& nodes, std::size_t begin, std::size_t end);

/// The lines of a <div class="src"> starting at nodes[start], joined by LF.
std::string source_text(const std::vector<HtmlNode>& nodes, std::size_t start);

/// What source_text() should give for a source of `bytes`: its text decoded
/// (report::decode), CR LF as LF, without the line end that ends the last line.
std::string expected_source_text(std::string_view bytes);

}  // namespace codetwin::testing

#endif  // CODETWIN_TESTS_REPORT_HTML_READER_H_
