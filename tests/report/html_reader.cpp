// The strict page reader.
#include "tests/report/html_reader.h"

#include <algorithm>

#include "report/html_text.h"

namespace codetwin::testing {

namespace {

// Elements that have no end tag.
bool is_void(std::string_view name) { return name == "meta" || name == "input"; }

constexpr std::string_view kTags[] = {
    "html",       "head", "meta",  "title", "style", "body",  "main",   "section",
    "h1",         "h2",   "h3",    "h4",    "p",     "b",     "dl",     "dt",
    "dd",         "div",  "table", "thead", "tbody", "tr",    "th",     "td",
    "a",          "span", "mark",  "svg",   "line",  "text",  "rect",   "figure",
    "figcaption", "ol",   "li",    "nav",   "label", "input", "output", "script"};
constexpr std::string_view kAttributes[] = {"lang",
                                            "charset",
                                            "http-equiv",
                                            "content",
                                            "name",
                                            "class",
                                            "id",
                                            "href",
                                            "data-t",
                                            "data-v",
                                            "data-n",
                                            "data-first",
                                            "data-side",
                                            "hidden",
                                            "type",
                                            "autocomplete",
                                            "spellcheck",
                                            "xmlns",
                                            "viewbox",
                                            "width",
                                            "height",
                                            "role",
                                            "aria-label",
                                            "x",
                                            "y",
                                            "x1",
                                            "y1",
                                            "x2",
                                            "y2",
                                            "text-anchor",
                                            "dominant-baseline"};

template <std::size_t N>
bool listed(const std::string_view (&list)[N], std::string_view name) {
  return std::find(std::begin(list), std::end(list), name) != std::end(list);
}

bool is_plain_value(std::string_view value) {
  return std::all_of(value.begin(), value.end(), [](char ch) {
    return ch >= ' ' && ch <= '~' && ch != '<' && ch != '>' && ch != '"' && ch != '&';
  });
}

bool is_name_char(char ch) {
  return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
         ch == '-';
}

class Reader {
 public:
  explicit Reader(std::string_view page) : page_(page) {}

  HtmlPage read() {
    if (!expect("<!DOCTYPE html>")) return fail("no doctype");
    page_out_.nodes.push_back({HtmlNode::kDoctype, "", {}, false, ""});
    while (at_ < page_.size() && page_out_.error.empty()) {
      if (page_[at_] == '<') {
        read_tag();
      } else {
        read_text();
      }
    }
    return std::move(page_out_);
  }

 private:
  HtmlPage fail(std::string_view why) {
    if (page_out_.error.empty()) {
      page_out_.error = std::string(why) + " at offset " + std::to_string(at_);
    }
    return std::move(page_out_);
  }
  void error(std::string_view why) { fail(why); }

  bool expect(std::string_view text) {
    if (page_.substr(at_, text.size()) != text) return false;
    at_ += text.size();
    return true;
  }

  std::string read_name() {
    const std::size_t begin = at_;
    while (at_ < page_.size() && is_name_char(page_[at_])) ++at_;
    return std::string(page_.substr(begin, at_ - begin));
  }

  // A run of text up to the next '<', entities decoded.
  void read_text() {
    std::string text;
    while (at_ < page_.size() && page_[at_] != '<') {
      const char ch = page_[at_];
      if (ch == '>') return error("'>' in text");
      if (ch == '&') {
        if (expect("&lt;")) {
          text += '<';
        } else if (expect("&gt;")) {
          text += '>';
        } else if (expect("&amp;")) {
          text += '&';
        } else {
          return error("unknown entity");
        }
        continue;
      }
      if (ch == '\r' || ch == '\0') return error("CR or NUL in text");
      text += ch;
      ++at_;
    }
    page_out_.nodes.push_back({HtmlNode::kText, "", {}, false, std::move(text)});
  }

  void read_raw_text(const std::string& name) {
    const std::string closing = "</" + name + ">";
    const std::size_t end = page_.find(closing, at_);
    if (end == std::string_view::npos) return error("raw text not closed");
    page_out_.nodes.push_back(
        {HtmlNode::kText, "", {}, false, std::string(page_.substr(at_, end - at_))});
    at_ = end;
  }

  bool read_attribute(HtmlNode& node) {
    std::string name = read_name();
    if (name.empty()) return false;
    std::string value;
    if (expect("=\"")) {
      const std::size_t end = page_.find('"', at_);
      if (end == std::string_view::npos) return false;
      value = std::string(page_.substr(at_, end - at_));
      if (value.find_first_of("<>&") != std::string::npos) return false;
      at_ = end + 1;
    }
    node.attributes.emplace_back(std::move(name), std::move(value));
    return true;
  }

  void read_tag() {
    ++at_;
    HtmlNode node{HtmlNode::kStart, "", {}, false, ""};
    if (expect("/")) node.kind = HtmlNode::kEnd;
    node.name = read_name();
    if (node.name.empty()) return error("'<' that starts no tag");
    while (node.kind == HtmlNode::kStart && expect(" ")) {
      if (!read_attribute(node)) return error("bad attribute");
    }
    if (node.kind == HtmlNode::kStart && expect("/")) node.self_closing = true;
    if (!expect(">")) return error("tag not closed");
    const bool raw =
        node.kind == HtmlNode::kStart && (node.name == "script" || node.name == "style");
    const std::string name = node.name;
    page_out_.nodes.push_back(std::move(node));
    if (raw) read_raw_text(name);
  }

  std::string_view page_;
  std::size_t at_ = 0;
  HtmlPage page_out_;
};

// The control character a picture (U+2400..U+241F, U+2421) stands for.
std::string unpicture(const std::string& text) {
  if (text.size() == 3 && text[0] == '\xE2' && text[1] == '\x90') {
    const auto code = static_cast<unsigned char>(text[2]) - 0x80;
    if (code < 0x20) return std::string(1, static_cast<char>(code));
    if (code == 0x21) return "\x7F";
  }
  return "?picture?";
}

}  // namespace

bool HtmlNode::has(std::string_view attribute) const {
  return std::any_of(attributes.begin(), attributes.end(),
                     [&](const auto& item) { return item.first == attribute; });
}

std::string HtmlNode::get(std::string_view attribute) const {
  for (const auto& [name, value] : attributes) {
    if (name == attribute) return value;
  }
  return "";
}

bool HtmlNode::has_class(std::string_view wanted) const {
  std::string classes = " ";
  classes.append(get("class")).append(" ");
  std::string word = " ";
  word.append(wanted).append(" ");
  return classes.find(word) != std::string::npos;
}

HtmlPage read_html(std::string_view page) { return Reader(page).read(); }

std::string template_error(const std::vector<HtmlNode>& nodes) {
  for (const HtmlNode& node : nodes) {
    if (node.kind != HtmlNode::kStart && node.kind != HtmlNode::kEnd) continue;
    if (!listed(kTags, node.name)) return "tag <" + node.name + ">";
    for (const auto& [name, value] : node.attributes) {
      std::string lower = name;
      std::transform(lower.begin(), lower.end(), lower.begin(),
                     [](char ch) { return ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch; });
      if (!listed(kAttributes, lower)) return "attribute " + name + " of <" + node.name + ">";
      const bool histogram_label =
          name == "aria-label" && (value == "相似度分布" || value == "证据分布");
      if (!is_plain_value(value) && !histogram_label) {
        return "value of " + name + " of <" + node.name + ">: " + value;
      }
    }
  }
  return "";
}

std::size_t element_end(const std::vector<HtmlNode>& nodes, std::size_t start) {
  if (nodes[start].self_closing || is_void(nodes[start].name)) return start + 1;
  int depth = 0;
  for (std::size_t i = start; i < nodes.size(); ++i) {
    const HtmlNode& node = nodes[i];
    if (node.kind == HtmlNode::kStart && !node.self_closing && !is_void(node.name)) ++depth;
    if (node.kind == HtmlNode::kEnd && --depth == 0) return i + 1;
  }
  return nodes.size();
}

std::string text_of(const std::vector<HtmlNode>& nodes, std::size_t begin, std::size_t end) {
  std::string text;
  for (std::size_t i = begin; i < end; ++i) {
    const HtmlNode& node = nodes[i];
    if (node.kind == HtmlNode::kStart && node.name == "span" && node.has_class("cc")) {
      const std::size_t past = element_end(nodes, i);
      text += unpicture(text_of(nodes, i + 1, past - 1));
      i = past - 1;
    } else if (node.kind == HtmlNode::kText) {
      text += node.text;
    }
  }
  return text;
}

std::string source_text(const std::vector<HtmlNode>& nodes, std::size_t start) {
  const std::size_t end = element_end(nodes, start);
  std::string text;
  bool first = true;
  for (std::size_t i = start + 1; i < end; ++i) {
    if (nodes[i].kind == HtmlNode::kStart && nodes[i].has_class("l")) {
      const std::size_t past = element_end(nodes, i);
      if (!first) text += '\n';
      first = false;
      text += text_of(nodes, i + 1, past - 1);
      i = past - 1;
    }
  }
  return text;
}

std::string expected_source_text(std::string_view bytes) {
  const std::string decoded = report::decode(bytes);
  std::string text;
  for (std::size_t i = 0; i < decoded.size(); ++i) {
    if (decoded[i] == '\r' && i + 1 < decoded.size() && decoded[i + 1] == '\n') continue;
    text += decoded[i];
  }
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace codetwin::testing
