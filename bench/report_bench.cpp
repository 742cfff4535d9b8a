// The evidence report of a large class: what --html adds to a run once
// every pair is scored. A class of 1,000 generated submissions of about
// 3 kB (every tenth a disguised copy of the one before) is written to a
// scratch folder and lexed; its result holds N pairs to show: neighbours
// (s0000.c with s0001.c, ...), the copies among them. Timed: reading and
// mapping the sources of those pairs, tiling them again (read_evidence),
// and writing the page (html_report). Counters: the page's size in bytes
// and the number of pair views.
//
//   views/50     the case: 50 pair views
//   views/200    as many as a page holds (classrun::kMaxPairViews)
//
//   report_bench [benchmark flags] [--page=PREFIX]   leaves the pages as
//                                                    PREFIX50.html, PREFIX200.html
//
// The generated programs are more alike than a real class's (about four
// independent pairs in ten score 0.8 or more), so a run over the whole class
// shows the most a page holds; the result here is the one of a class with
// N pairs worth showing. Scoring is left out: it is the class run's own
// benchmark.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench/generate.h"
#include "classrun/evidence.h"
#include "classrun/ranking.h"
#include "classrun/submissions.h"
#include "report/html.h"
#include "similarity/similarity.h"

namespace {

namespace fs = std::filesystem;
using namespace codetwin;

constexpr std::size_t kSubmissions = 1000;
constexpr std::size_t kSourceBytes = 3000;

std::string page_file;  // --page=PREFIX

fs::path class_folder() { return fs::temp_directory_path() / "codetwin-report-bench"; }

struct Class {
  fs::path folder;
  classrun::ClassResult result;
  report::RunInfo info;
};

void write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// The submissions, written and lexed as a run reads them.
std::vector<classrun::Submission> write_class(const fs::path& folder) {
  fs::create_directories(folder);
  std::vector<classrun::Submission> submissions;
  for (std::size_t k = 0; k < kSubmissions; ++k) {
    const bool copy = k % 10 == 9;
    const bench::ProgramPair pair = bench::generate_source_pair(copy ? k - 1 : k, kSourceBytes);
    const std::string& source = copy ? pair.second.source : pair.first.source;
    char name[32];
    std::snprintf(name, sizeof name, "s%04zu.c", k);
    write_file(folder / name, source);
    classrun::Submission submission;
    submission.name = name;
    submission.files.push_back({folder / name, name});
    submission.tokens = classrun::file_tokens(source, {});
    submission.length = static_cast<std::int64_t>(submission.tokens.size());
    submissions.push_back(std::move(submission));
  }
  return submissions;
}

// The result a run leaves with `views` pairs to show, the rest of the class
// as a histogram of scores around 0.6.
Class make_class(std::size_t views) {
  Class made;
  made.folder = class_folder();
  classrun::ClassResult& result = made.result;
  result.submissions = write_class(made.folder);
  result.best.resize(kSubmissions);
  similarity::TilingWorkspace workspace;
  for (std::uint32_t k = 1; k < kSubmissions && result.evidence.size() < views; ++k) {
    classrun::PairScore pair{k - 1, k, 0};
    pair.match_len = workspace.match_length(result.submissions[k - 1].tokens,
                                            result.submissions[k].tokens, classrun::kMinMatchLen);
    const float score = classrun::pair_similarity(pair, result.submissions);
    for (auto [who, partner] : {std::pair{k - 1, k}, std::pair{k, k - 1}}) {
      classrun::Best& best = result.best[who];
      if (score > best.first.score) best.first = {score, partner};
    }
    if (classrun::is_suspected(score)) ++result.suspected;
    ++result.histogram[static_cast<std::size_t>(score * 100)];
    result.evidence.push_back(pair);
  }
  result.pairs = kSubmissions * (kSubmissions - 1) / 2;
  for (std::size_t bin = 40; bin < 80; ++bin) {
    result.histogram[bin] += (result.pairs / 40) >> ((bin > 60 ? bin - 60 : 60 - bin) / 3);
  }
  result.shares.resize(kSubmissions);
  classrun::rank(result.evidence, classrun::SortKey::kSimilarity, result);
  result.listed.assign(result.evidence.begin(), result.evidence.begin() + 20);
  made.info.version = "bench";
  made.info.list.evidence = true;
  return made;
}

void BM_EvidenceReport(benchmark::State& state) {
  const Class made = make_class(static_cast<std::size_t>(state.range(0)));
  std::size_t bytes = 0;
  std::size_t views = 0;
  for (auto _ : state) {
    const classrun::Evidence evidence = classrun::read_evidence(made.result);
    const std::string page = report::html_report(made.result, made.info, evidence);
    benchmark::DoNotOptimize(page.data());
    bytes = page.size();
    views = evidence.pairs.size();
    if (!page_file.empty()) write_file(page_file + std::to_string(views) + ".html", page);
  }
  state.counters["page_bytes"] = static_cast<double>(bytes);
  state.counters["views"] = static_cast<double>(views);
}
BENCHMARK(BM_EvidenceReport)
    ->ArgName("views")
    ->Arg(50)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.rfind("--page=", 0) == 0) page_file = std::string(arg.substr(7));
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code error;
  fs::remove_all(class_folder(), error);
  return 0;
}
