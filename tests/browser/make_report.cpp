// Writes an evidence report the way `codetwin-class PATH... --html FILE`
// does, for the browser tests to load while the program's own option is
// not there to run.
//
//   make_report [--ignore-comments] [--base PATH] [--html-pairs N] PATH... --html FILE
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "classrun/evidence.h"
#include "classrun/ranking.h"
#include "classrun/scoring.h"
#include "classrun/submissions.h"
#include "classrun/template_code.h"
#include "report/html.h"

namespace {

using namespace codetwin;

struct Arguments {
  std::vector<std::string> paths;
  std::string html;
  std::string base;
  classrun::LexOptions lex;
  classrun::ListOptions list;
  report::RunInfo info;
};

bool parse(int argc, char** argv, Arguments& arguments) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--ignore-comments") {
      arguments.lex.ignore_comments = true;
      arguments.info.options.emplace_back("--ignore-comments", "");
    } else if (arg == "--html" && has_value) {
      arguments.html = argv[++i];
    } else if (arg == "--base" && has_value) {
      arguments.base = argv[++i];
      arguments.info.options.emplace_back("--base", arguments.base);
    } else if (arg == "--html-pairs" && has_value) {
      arguments.list.evidence_pairs = std::strtoul(argv[++i], nullptr, 10);
      arguments.info.options.emplace_back("--html-pairs", argv[i]);
    } else {
      arguments.paths.emplace_back(arg);
    }
  }
  return !arguments.html.empty() && !arguments.paths.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Arguments arguments;
  if (!parse(argc, argv, arguments)) {
    std::fprintf(stderr, "usage: make_report [options] PATH... --html FILE\n");
    return 2;
  }
  classrun::Discovered found = classrun::discover(arguments.paths, classrun::Cohort::kNew, {});
  if (!found.error.empty()) {
    std::fprintf(stderr, "%s\n", found.error.c_str());
    return 2;
  }
  std::string template_tokens;
  if (!arguments.base.empty()) {
    classrun::Discovered base = classrun::discover_template(arguments.base, {});
    for (classrun::Submission& part : base.submissions) {
      classrun::load(part, arguments.lex);
      template_tokens += part.tokens;
    }
  }
  std::vector<classrun::Submission> loaded;
  for (classrun::Submission& submission : found.submissions) {
    if (std::optional<classrun::Skipped> skipped = classrun::load(submission, arguments.lex)) {
      found.skipped.push_back(*skipped);
      continue;
    }
    if (!arguments.base.empty()) classrun::remove_template(template_tokens, submission);
    loaded.push_back(std::move(submission));
  }
  arguments.list.evidence = true;
  arguments.info.version = "test";
  arguments.info.list = arguments.list;
  arguments.info.ignore_comments = arguments.lex.ignore_comments;
  arguments.info.has_template = !arguments.base.empty();
  classrun::Scores scores = classrun::score_all(loaded, classrun::keep_rules(arguments.list), 2);
  const classrun::ClassResult result = classrun::summarize(
      std::move(loaded), std::move(found.skipped), std::move(scores), arguments.list);
  const classrun::Evidence evidence = classrun::read_evidence(result, arguments.lex);
  const std::string page = report::html_report(result, arguments.info, evidence);
  std::ofstream out(arguments.html, std::ios::binary);
  out << page;
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", arguments.html.c_str());
    return 1;
  }
  return 0;
}
