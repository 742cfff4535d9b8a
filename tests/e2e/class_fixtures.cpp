#include "tests/e2e/class_fixtures.h"

#include <locale.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "common/texts.h"

namespace codetwin::testing {

std::string example(const char* name) {
  std::ifstream in(std::string(CODETWIN_EXAMPLES) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

ClassRunResult run_utf8(const std::string& dir, std::vector<std::string> args) {
  ClassRunOptions options;
  options.args = std::move(args);
  options.env["LC_ALL"] = "C.UTF-8";
  return run_class(dir, options);
}

namespace {

// The number that follows `before` (a format's text up to its %) in `text`.
std::optional<std::string> after(std::string_view text, std::string_view format) {
  const std::string_view before = format.substr(0, format.find('%'));
  const std::size_t at = text.find(before);
  if (at == std::string_view::npos) return std::nullopt;
  std::size_t begin = at + before.size();
  std::size_t end = begin;
  while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '.')) {
    ++end;
  }
  return std::string(text.substr(begin, end - begin));
}

}  // namespace

bool locale_exists(const char* name) {
  const locale_t locale = newlocale(LC_ALL_MASK, name, nullptr);
  if (locale == nullptr) return false;
  freelocale(locale);
  return true;
}

std::optional<CodetwinScore> codetwin_score(std::string_view first, std::string_view second) {
  ScratchDir dir;
  dir.write("file1.c", first);
  dir.write("file2.c", second);
  RunOptions options;
  // codetwin's own binary, whatever the class program under test is.
  const RunResult run = run_codetwin(dir.path(), "\n\nn\nn\n", options);
  if (run.exit_status != 0) return std::nullopt;
  const auto similarity = after(run.output, texts::kSimilarity.gbk);
  const auto match = after(run.output, texts::kTotalLength.gbk);
  if (!similarity || !match) return std::nullopt;
  return CodetwinScore{*similarity, std::stoll(*match)};
}

std::vector<std::vector<std::string>> csv_rows(std::string_view csv) {
  if (csv.starts_with("\xEF\xBB\xBF")) csv.remove_prefix(3);
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < csv.size(); ++i) {
    const char ch = csv[i];
    if (quoted) {
      if (ch == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (ch == '"') {
        quoted = false;
      } else {
        field += ch;
      }
    } else if (ch == '"') {
      quoted = true;
    } else if (ch == ',') {
      row.push_back(std::move(field));
      field.clear();
    } else if (ch == '\r' && i + 1 < csv.size() && csv[i + 1] == '\n') {
      row.push_back(std::move(field));
      field.clear();
      rows.push_back(std::move(row));
      row.clear();
      ++i;
    } else {
      field += ch;
    }
  }
  return rows;
}

}  // namespace codetwin::testing
