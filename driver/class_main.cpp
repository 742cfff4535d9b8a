// codetwin-class: scores every pair of a class's submissions exactly as
// codetwin scores one pair, ranks them, finds groups, and writes the
// listing, CSV, JSON and HTML outputs. The run's steps, each a call into
// the class-run library; this file only talks to the user and picks the
// exit status.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "classrun/class_verdict.h"
#include "classrun/evidence.h"
#include "classrun/ranking.h"
#include "classrun/scoring.h"
#include "classrun/submissions.h"
#include "classrun/template_code.h"
#include "driver/class_options.h"
#include "driver/progress.h"
#include "platform/cpus.h"
#include "platform/interrupt.h"
#include "platform/paths.h"
#include "platform/tool_console.h"
#include "report/html.h"
#include "report/report.h"
#include "shard/class_file.h"
#include "shard/part_file.h"

#ifndef CODETWIN_VERSION
#define CODETWIN_VERSION "unknown"
#endif

namespace {

using namespace codetwin;

constexpr int kOk = 0;
constexpr int kIncomplete = 1;  // a submission skipped or an output not written
constexpr int kUsage = 2;       // the command line, a path, or too few submissions

// How long an interrupt may wait for the threads to finish their pairs.
constexpr auto kInterruptGrace = std::chrono::milliseconds(500);

void say(std::string_view utf8) { platform::write_stderr(platform::text_for_console(utf8)); }

void say_with_name(std::string_view before, std::string_view name, std::string_view after = "") {
  platform::write_stderr(platform::text_for_console(before) + platform::name_for_console(name) +
                         platform::text_for_console(after) + "\n");
}

int usage_error(std::string_view what) {
  say("codetwin-class：" + std::string(what) + "\n");
  say("用法：codetwin-class [选项] 路径...（codetwin-class --help 显示说明）\n");
  return kUsage;
}

// Ends the run after Ctrl-C: temporary outputs go, the message is shown.
[[noreturn]] void stop_interrupted(std::vector<std::unique_ptr<platform::AtomicOutput>>& outputs) {
  for (auto& output : outputs) output->discard();
  say("\ncodetwin-class：已中断。\n");
  // Threads may still be on a long pair; they are not waited for.
  std::_Exit(platform::kInterruptedStatus);
}

int cannot_merge(const std::string& why) {
  say("codetwin-class：不能合并：" + why + "\n");
  return kUsage;
}

// A part file read and decoded; nullopt when it cannot be, said.
std::optional<shard::Part> read_part(const std::string& name) {
  platform::FileBytes read = platform::read_file(platform::path_from_name(name));
  if (read.failure) {
    say_with_name("codetwin-class：无法读取分片结果文件：", name);
    return std::nullopt;
  }
  shard::DecodedPart decoded = shard::decode_part(read.bytes);
  if (!decoded.part) say_with_name("codetwin-class：", name, "：" + decoded.error);
  return std::move(decoded.part);
}

// A run from a class file: the file read, and the options the arguments
// that read it give together with the run's own. nullopt, said, when it
// cannot be.
std::optional<shard::ReadClass> read_class(driver::ClassOptions& options) {
  const std::string name = *options.from_class;
  const std::filesystem::path path = platform::path_from_name(name);
  // Only the evidence report shows the sources: the others read the file
  // up to them.
  const shard::Sources sources = options.html ? shard::Sources::kKeep : shard::Sources::kLeave;
  std::size_t wanted = SIZE_MAX;
  if (sources == shard::Sources::kLeave) {
    const platform::FileBytes header = platform::read_file(path, shard::kClassHeaderBytes);
    if (!header.failure) wanted = shard::bytes_without_sources(header.bytes);
  }
  platform::FileBytes read = platform::read_file(path, wanted);
  if (read.failure) {
    say_with_name("codetwin-class：无法读取班级文件：", name);
    return std::nullopt;
  }
  shard::DecodedClass decoded = shard::decode_class(read.bytes, sources, platform::interrupted);
  read.bytes = {};
  if (platform::interrupted()) {
    std::vector<std::unique_ptr<platform::AtomicOutput>> none;  // nothing is open yet
    stop_interrupted(none);
  }
  if (!decoded.read) {
    say_with_name("codetwin-class：", name, "：" + decoded.error);
    return std::nullopt;
  }
  driver::ParsedCommandLine whole = driver::with_read_arguments(options, decoded.read->arguments);
  if (whole.action != driver::ParsedCommandLine::Action::kRun) {
    say_with_name("codetwin-class：", name, "：班级文件中记下的命令行无法使用：" + whole.error);
    return std::nullopt;
  }
  options = std::move(whole.options);
  return std::move(decoded.read);
}

struct Outputs {
  struct One {
    std::string name;  // as given
    std::unique_ptr<platform::AtomicOutput> file;
  };
  std::optional<One> csv, json, html;
  std::optional<One> part;  // a shard's, which writes nothing else
  std::optional<One> class_file;  // the class read once, which is all --save-class writes

  std::vector<One*> all() {
    std::vector<One*> present;
    for (std::optional<One>* one : {&csv, &json, &html, &part, &class_file}) {
      if (*one) present.push_back(&**one);
    }
    return present;
  }
};

class ClassRun {
 public:
  explicit ClassRun(driver::ClassOptions options, std::optional<shard::ReadClass> read = std::nullopt)
      : options_(std::move(options)), read_(std::move(read)) {}

  int run() {
    if (int status = prepare(); status != kOk) return status;
    if (options_.save_class) return write_class();
    if (options_.shard) return write_part();
    const classrun::KeepRules rules = classrun::keep_rules(options_.list);
    summarize(classrun::finish(score(std::nullopt), rules));
    return write_results();
  }

  // Finishes the run whose shards wrote `names`, `first` (the first of
  // them) read already: from the same sources, which must not have
  // changed. The parts are read one at a time and folded in, so that the
  // merge holds one part besides what it has merged.
  int merge(shard::Part first, const std::vector<std::string>& names) {
    read_files_ = names;
    if (int status = prepare(); status != kOk) return status;
    if (int status = same_inputs(first); status != kOk) return status;
    const classrun::KeepRules rules = classrun::keep_rules(options_.list);
    classrun::ScoreMerger merger(submissions_, rules);
    std::vector<shard::Part> slices;  // each part's K and N, to check that all are there
    driver::Progress progress("合并");
    for (std::size_t p = 0; p < names.size(); ++p) {
      if (platform::interrupted()) stop();
      progress.update(p, names.size());
      std::optional<shard::Part> part = p == 0 ? std::move(first) : read_part(names[p]);
      if (!part) return kUsage;
      if (p > 0) {
        if (std::string error = shard::same_run(first, names[0], *part, names[p]); !error.empty()) {
          return cannot_merge(error);
        }
      }
      if (part->range != classrun::pair_slice(submissions_, part->k, part->n)) {
        return cannot_merge(names[p] + " 的片与本程序分出的片不同（是另一版本的程序写的？）");
      }
      merger.add(std::move(part->scores));
      part->scores = {};
      shard::Part slice;  // only K and N: the rest of each part goes now
      slice.k = part->k;
      slice.n = part->n;
      slices.push_back(std::move(slice));
      if (p == 0) first = std::move(*part);  // the run's identity, for the others
    }
    progress.clear();
    if (std::string error = shard::every_slice_once(slices, names); !error.empty()) {
      return cannot_merge(error);
    }
    summarize(classrun::finish(merger.take(), rules));
    return write_results();
  }

 private:
  // The submissions read, template code taken out, and profiled, or taken
  // as a class file holds them; the outputs opened.
  int prepare() {
    if (read_) {
      submissions_ = std::move(read_->submissions);
      skipped_ = std::move(read_->skipped);
      template_ = std::move(read_->base);
      read_.reset();
      if (int status = enough_pairs(); status != kOk) return status;
      return open_outputs();
    }
    if (options_.archive_charset && !archive::charset_supported(*options_.archive_charset)) {
      return usage_error("--archive-charset：不支持的字符集：" + *options_.archive_charset);
    }
    if (int status = discover(); status != kOk) return status;
    if (int status = open_outputs(); status != kOk) return status;
    if (int status = load(); status != kOk) return status;
    if (int status = take_out_template(); status != kOk) return status;
    return profile();
  }

  int discover() {
    classrun::Discovered found =
        classrun::discover(options_.paths, classrun::Cohort::kNew, options_.kinds, &archives_);
    if (!found.error.empty()) return usage_error(found.error);
    for (const std::string& old : options_.old_paths) {
      classrun::Discovered earlier =
          classrun::discover({old}, classrun::Cohort::kOld, options_.kinds, &archives_);
      if (!earlier.error.empty()) return usage_error(earlier.error);
      for (auto& s : earlier.submissions) found.submissions.push_back(std::move(s));
      for (auto& s : earlier.skipped) found.skipped.push_back(std::move(s));
      for (auto& note : earlier.notes) found.notes.push_back(std::move(note));
    }
    if (options_.base) {
      classrun::Discovered base = classrun::discover_template(*options_.base, options_.kinds, &archives_);
      if (!base.error.empty()) return usage_error(base.error);
      if (base.submissions.empty()) return usage_error("模板代码中没有源文件：" + *options_.base);
      template_ = std::move(base.submissions.front());
    }
    for (const std::string& note : found.notes) say("codetwin-class：注意：" + note + "\n");
    for (const classrun::Skipped& s : found.skipped) warn_skipped(s);
    skipped_ = std::move(found.skipped);
    submissions_ = std::move(found.submissions);
    std::stable_sort(submissions_.begin(), submissions_.end(),
                     [](const classrun::Submission& x, const classrun::Submission& y) {
                       return x.name < y.name;
                     });
    for (std::size_t k = 1; k < submissions_.size(); ++k) {
      if (submissions_[k].name == submissions_[k - 1].name) {
        say_with_name("codetwin-class：同一份作业给出了两次：", submissions_[k].name);
        return kUsage;
      }
    }
    return enough_pairs();
  }

  int enough_pairs() const {
    if (submissions_.size() < 2) return usage_error("至少需要两份作业才能比较");
    if (classrun::count_pairs(submissions_) == 0) return usage_error("没有可以比较的一对作业（往届作业彼此不比较）");
    return kOk;
  }

  void warn_skipped(const classrun::Skipped& s) {
    std::string warning = platform::text_for_console("codetwin-class：警告：跳过作业 ") +
                          platform::name_for_console(s.name) + platform::text_for_console("（");
    if (s.file != s.name) warning += platform::name_for_console(s.file) + platform::text_for_console("：");
    platform::write_stderr(warning + platform::text_for_console(s.reason + "）\n"));
  }

  // Every output is checked and created (as a temporary) before the long
  // work, so that a wrong path fails at once.
  int open_outputs() {
    // A shard writes its part only: the outputs it was given are the merge's.
    std::optional<std::string> none;
    const bool shard = options_.shard.has_value();
    const std::pair<std::optional<std::string>*, std::optional<Outputs::One>*> wanted[] = {
        {shard ? &none : &options_.csv, &outputs_.csv},
        {shard ? &none : &options_.json, &outputs_.json},
        {shard ? &none : &options_.html, &outputs_.html},
        {&options_.part, &outputs_.part},
        {&options_.save_class, &outputs_.class_file}};
    std::vector<std::string> names;
    for (const auto& [given, slot] : wanted) {
      if (!*given) continue;
      const std::string& name = **given;
      const std::filesystem::path path = platform::path_from_name(name);
      for (const std::string& other : names) {
        if (other == name || platform::same_file(platform::path_from_name(other), path)) {
          say_with_name("codetwin-class：两个输出是同一个文件：", name);
          return kUsage;
        }
      }
      names.push_back(name);
      if (is_an_input(path)) {
        say_with_name("codetwin-class：输出文件是一份作业或模板的源文件，不能覆盖：", name);
        return kIncomplete;
      }
      if (is_read(path)) {
        say_with_name("codetwin-class：输出文件是本次运行读取的班级文件或分片结果文件，不能覆盖：", name);
        return kIncomplete;
      }
      auto file = std::make_unique<platform::AtomicOutput>();
      std::error_code error;
      if (std::filesystem::is_directory(path, error) || !file->open(path)) {
        say_with_name("codetwin-class：无法写出输出文件：", name);
        return kIncomplete;
      }
      *slot = Outputs::One{name, std::move(file)};
    }
    return kOk;
  }

  bool is_an_input(const std::filesystem::path& path) const {
    auto in = [&path](const classrun::Submission& s) {
      for (const classrun::SourceFile& file : s.files) {
        if (platform::same_file(file.path, path)) return true;
      }
      return false;
    };
    if (template_ && in(*template_)) return true;
    return std::any_of(submissions_.begin(), submissions_.end(), in);
  }

  // Whether `path` is the class file or a part that the run reads.
  bool is_read(const std::filesystem::path& path) const {
    std::vector<std::string> read = read_files_;
    if (options_.from_class) read.push_back(*options_.from_class);
    return std::any_of(read.begin(), read.end(), [&path](const std::string& name) {
      return platform::same_file(platform::path_from_name(name), path);
    });
  }

  int load() {
    driver::Progress progress("读取");
    std::vector<classrun::Submission> readable;
    readable.reserve(submissions_.size());
    for (std::size_t k = 0; k < submissions_.size(); ++k) {
      if (platform::interrupted()) stop();
      progress.update(k, submissions_.size());
      classrun::Submission& submission = submissions_[k];
      // A class written whole keeps the sources for the evidence report.
      const classrun::Keep keep = options_.save_class ? classrun::Keep::kSources : classrun::Keep::kTokens;
      if (std::optional<classrun::Skipped> skipped = classrun::load(submission, options_.lex, keep)) {
        progress.clear();
        warn_skipped(*skipped);
        skipped_.push_back(std::move(*skipped));
      } else {
        readable.push_back(std::move(submission));
      }
    }
    submissions_ = std::move(readable);
    return enough_pairs();
  }

  int take_out_template() {
    if (!template_) return kOk;
    if (std::optional<classrun::Skipped> failed = classrun::load(*template_, options_.lex)) {
      say_with_name("codetwin-class：无法读取模板代码：", failed->file, "（" + failed->reason + "）");
      return kUsage;
    }
    for (classrun::Submission& submission : submissions_) {
      if (platform::interrupted()) stop();
      classrun::remove_template(*template_, submission);
    }
    return kOk;
  }

  int profile() {
    if (platform::interrupted()) stop();
    classrun::profile_class(submissions_,
                            classrun::common_at_for(options_.verdict, submissions_.size()));
    return kOk;
  }

  // Scores the pairs of `range` (every pair when unset), showing progress.
  classrun::PartialScores score(std::optional<classrun::PairRange> range) {
    unsigned jobs = options_.jobs;
    if (jobs == 0) jobs = platform::usable_cpus();
    classrun::PairScorer scorer(submissions_, classrun::keep_rules(options_.list), jobs, range);
    driver::Progress progress("比较");
    while (!scorer.wait(driver::kRedrawPeriod)) {
      if (platform::interrupted()) {
        scorer.cancel();
        scorer.wait(kInterruptGrace);
        stop();
      }
      progress.update(scorer.done(), scorer.total());
    }
    progress.clear();
    if (platform::interrupted()) stop();
    return scorer.take_partial();
  }

  void summarize(classrun::Scores scores) {
    result_ = classrun::summarize(std::move(submissions_), std::move(skipped_), std::move(scores),
                                  options_.list, options_.verdict);
  }

  // A shard: its slice scored and written as a part. Submissions that could
  // not be read were warned of; the merge reports them.
  int write_part() {
    shard::Part part;
    part.k = *options_.shard->k;
    part.n = options_.shard->n;
    part.range = classrun::pair_slice(submissions_, part.k, part.n);
    part.arguments = options_.run_arguments;
    part.inputs = shard::identify(submissions_);
    if (template_) part.template_digest = shard::template_digest(*template_);
    part.scores = score(part.range);
    return write_only(*outputs_.part, shard::encode_part(part));
  }

  // --save-class: the class read, lexed and profiled, written for the
  // shards and the merge to take instead of the sources. Submissions that
  // could not be read were warned of; as for a shard, the merge reports
  // them, so that a cluster's next steps still run.
  int write_class() {
    shard::ReadClass read;
    read.arguments = options_.run_arguments;
    read.submissions = std::move(submissions_);
    read.skipped = std::move(skipped_);
    read.base = std::move(template_);
    return write_only(*outputs_.class_file, shard::encode_class(read));
  }

  // A step that writes one file and nothing else: the file, then its name.
  int write_only(Outputs::One& one, const std::string& bytes) {
    if (!commit(one, bytes)) return kIncomplete;
    const std::string written =
        platform::text_for_console("已写入：") + platform::name_for_console(one.name) + "\n";
    if (!platform::write_stdout(written) || !platform::flush_stdout()) {
      say("codetwin-class：无法写出标准输出。\n");
      return kIncomplete;
    }
    return kOk;
  }

  // Whether the sources read now are those the shards scored.
  int same_inputs(const shard::Part& part) {
    const std::uint64_t base = template_ ? shard::template_digest(*template_) : 0;
    if (base != part.template_digest) {
      say("codetwin-class：模板代码在分片运行之后改动过，不能合并。\n");
      return kUsage;
    }
    const std::vector<shard::InputId> now = shard::identify(submissions_);
    if (now == part.inputs) return kOk;
    std::map<std::string, std::uint64_t> then;
    for (const shard::InputId& id : part.inputs) then[id.name] = id.digest;
    for (const shard::InputId& id : now) {
      auto found = then.find(id.name);
      if (found == then.end()) {
        say_with_name("codetwin-class：分片运行时没有这份作业，不能合并：", id.name);
        return kUsage;
      }
      if (found->second != id.digest) {
        say_with_name("codetwin-class：这份作业在分片运行之后改动过，不能合并：", id.name);
        return kUsage;
      }
      then.erase(found);
    }
    const std::string name = then.empty() ? std::string() : then.begin()->first;
    say_with_name("codetwin-class：分片运行时读到的作业现在没有或无法读取，不能合并：", name);
    return kUsage;
  }

  int write_results() {
    report::RunInfo info;
    info.version = CODETWIN_VERSION;
    info.options = options_.as_given;
    info.list = options_.list;
    info.verdict = options_.verdict;
    info.ignore_comments = options_.lex.ignore_comments;
    info.has_template = template_.has_value();

    report::ConsoleStyle style;
    style.text = [](std::string_view utf8) { return platform::text_for_console(utf8); };
    style.name = [](std::string_view name) { return platform::name_for_console(name); };
    style.utf8 = platform::console_charset() == platform::Charset::kUtf8;
    bool complete = result_.skipped.empty();
    std::string listing = report::console_report(result_, info, style);

    if (outputs_.csv) complete &= commit(*outputs_.csv, report::csv_report(result_));
    if (outputs_.json) complete &= commit(*outputs_.json, report::json_report(result_, info));
    if (outputs_.html) {
      const classrun::Evidence evidence = classrun::read_evidence(result_);
      complete &= commit(*outputs_.html, report::html_report(result_, info, evidence));
    }
    for (Outputs::One* one : outputs_.all()) {
      if (one->file) continue;  // committed
      listing += platform::text_for_console("已写入：") + platform::name_for_console(one->name) + "\n";
    }
    if (!platform::write_stdout(listing) || !platform::flush_stdout()) {
      say("codetwin-class：无法写出标准输出。\n");
      return kIncomplete;
    }
    return complete ? kOk : kIncomplete;
  }

  // Writes and renames one output; on failure nothing of it is left.
  bool commit(Outputs::One& one, const std::string& bytes) {
    if (platform::interrupted()) stop();
    if (one.file->write(bytes) && one.file->commit()) {
      one.file.reset();
      return true;
    }
    one.file->discard();
    say_with_name("codetwin-class：无法写出输出文件：", one.name);
    return false;
  }

  [[noreturn]] void stop() {
    std::vector<std::unique_ptr<platform::AtomicOutput>> files;
    for (Outputs::One* one : outputs_.all()) {
      if (one->file) files.push_back(std::move(one->file));
    }
    stop_interrupted(files);
  }

  driver::ClassOptions options_;
  // Every archive of the run is read through this one, within its bounds.
  archive::Reader archives_{options_.archive_charset, options_.max_bytes.value_or(archive::kDefaultMaxBytes)};
  std::vector<classrun::Submission> submissions_;
  std::vector<classrun::Skipped> skipped_;
  std::optional<classrun::Submission> template_;
  std::optional<shard::ReadClass> read_;  // the class from a file, until prepared
  std::vector<std::string> read_files_;  // a merge's parts
  Outputs outputs_;
  classrun::ClassResult result_;
};

// `codetwin-class merge`: the first part tells the run and its options;
// the run is finished with them and the outputs asked for.
int merge(const driver::MergeOptions& merge) {
  std::optional<shard::Part> first = read_part(merge.parts.front());
  if (!first) return kUsage;
  driver::ParsedCommandLine shards = driver::parse_command_line(first->arguments);
  if (shards.action != driver::ParsedCommandLine::Action::kRun) {
    return cannot_merge("分片结果文件中记下的命令行无法使用：" + shards.error);
  }
  driver::ClassOptions options = driver::with_outputs(shards.options, merge);
  if (classrun::keep_rules(options.list) != classrun::keep_rules(shards.options.list)) {
    return usage_error(
        "merge 要写出的文件与分片时给出的不同：分片按自己的 --csv、--json、--html 保留各对，"
        "请给 merge 与分片同样的这几个选项");
  }
  std::optional<shard::ReadClass> read;
  if (options.from_class) {
    read = read_class(options);
    if (!read) return kUsage;
    options = driver::with_outputs(std::move(options), merge);
  }
  return ClassRun(std::move(options), std::move(read)).merge(std::move(*first), merge.parts);
}

}  // namespace

int main(int argc, char** argv) {
  platform::init_tool_console();
  platform::catch_interrupts();
  driver::ParsedCommandLine command = driver::parse_command_line(platform::arguments(argc, argv));
  switch (command.action) {
    case driver::ParsedCommandLine::Action::kHelp:
      platform::write_stdout(platform::text_for_console(driver::help_text()));
      return platform::flush_stdout() ? kOk : kIncomplete;
    case driver::ParsedCommandLine::Action::kVersion:
      platform::write_stdout("codetwin-class " CODETWIN_VERSION "\n");
      return platform::flush_stdout() ? kOk : kIncomplete;
    case driver::ParsedCommandLine::Action::kUsageError:
      return usage_error(command.error);
    case driver::ParsedCommandLine::Action::kMerge:
      return merge(command.merge);
    case driver::ParsedCommandLine::Action::kRun:
      break;
  }
  driver::ClassOptions& options = command.options;
  if (options.shard && !options.shard->k) {
    const std::string error =
        driver::take_task_number(*options.shard, [](const char* name) { return std::getenv(name); });
    if (!error.empty()) return usage_error(error);
  }
  std::optional<shard::ReadClass> read;
  if (options.from_class) {
    read = read_class(options);
    if (!read) return kUsage;
  }
  return ClassRun(std::move(options), std::move(read)).run();
}
