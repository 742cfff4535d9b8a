// A class run over submissions held in memory, with its evidence: what the
// program does between reading the files and writing the page, for tests
// of the page writer.
#ifndef CODETWIN_TESTS_REPORT_CLASS_FIXTURE_H_
#define CODETWIN_TESTS_REPORT_CLASS_FIXTURE_H_

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "classrun/class_verdict.h"
#include "classrun/evidence.h"
#include "classrun/ranking.h"
#include "classrun/scoring.h"
#include "classrun/submissions.h"
#include "classrun/template_code.h"
#include "report/report.h"

namespace codetwin::testing {

class ClassFixture {
 public:
  classrun::LexOptions lex;
  classrun::ListOptions list;
  report::RunInfo info;
  std::string template_source;  // blanked from every submission when set

  /// A submission of the files (name, bytes), read as `name`/file.
  void add(const std::string& name, const std::vector<std::pair<std::string, std::string>>& files) {
    classrun::Submission submission;
    submission.name = name;
    std::vector<std::string> contents;
    for (const auto& [file, bytes] : files) {
      const std::string path = name + "/" + file;
      disk_[path] = bytes;
      submission.files.push_back({path, file});
      contents.push_back(bytes);
    }
    classrun::lex_submission(submission, contents, lex);
    if (!template_source.empty()) {
      classrun::Submission template_code;
      classrun::lex_submission(template_code, {template_source}, lex);
      classrun::remove_template(template_code, submission);
    }
    submissions_.push_back(std::move(submission));
  }
  void add(const std::string& name, const std::string& bytes) { add(name, {{name, bytes}}); }

  /// Changes a file after its submission was lexed (as a student might
  /// during the run), or removes it.
  void rewrite(const std::string& path, const std::string& bytes) { disk_[path] = bytes; }
  void remove(const std::string& path) { disk_.erase(path); }

  /// Scores every pair and gathers the evidence, as a run with --html.
  void run() {
    list.evidence = true;
    info.version = "test";
    info.list = list;
    info.ignore_comments = lex.ignore_comments;
    info.has_template = !template_source.empty();
    classrun::profile_class(submissions_, classrun::common_at_for({}, submissions_.size()));
    classrun::Scores scores = classrun::score_all(submissions_, classrun::keep_rules(list), 1);
    result = classrun::summarize(submissions_, {}, std::move(scores), list);
    evidence = classrun::evidence_of(result,
                                     [this](const classrun::SourceFile& file, std::string& why) {
                                       const auto found = disk_.find(file.path.generic_string());
                                       if (found == disk_.end()) {
                                         why = "missing";
                                         return std::optional<std::string>();
                                       }
                                       return std::optional<std::string>(found->second);
                                     });
  }

  classrun::ClassResult result;
  classrun::Evidence evidence;

 private:
  std::vector<classrun::Submission> submissions_;
  std::map<std::string, std::string> disk_;
};

}  // namespace codetwin::testing

#endif  // CODETWIN_TESTS_REPORT_CLASS_FIXTURE_H_
