// The JSON document: everything a script needs about the run.
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "common/utf8.h"
#include "report/report.h"

namespace codetwin::report {

namespace {

// Keys stay in the order written: options and counts first, as a reader expects.
using json = nlohmann::ordered_json;

// A number as printed ("%f"), so that it reads the same as on the console;
// JSON has no NaN, so that is null.
json printed_number(const std::string& printed) {
  if (printed == "nan") return nullptr;
  return std::strtod(printed.c_str(), nullptr);
}

// A name that is not valid UTF-8 is shown with U+FFFD and kept exactly as
// its bytes beside it.
void put_name(json& object, const std::string& key, std::string_view name) {
  object[key] = replace_invalid_utf8(name);
  if (is_valid_utf8(name)) return;
  json bytes = json::array();
  for (char ch : name) bytes.push_back(static_cast<unsigned char>(ch));
  object[key + "_bytes"] = std::move(bytes);
}

json options_of(const RunInfo& info) {
  json options = json::object();
  for (const auto& [name, value] : info.options) {
    json& slot = options[name];
    const json text = replace_invalid_utf8(value);
    if (slot.is_null()) {
      slot = text;
    } else {
      if (!slot.is_array()) slot = json::array({slot});
      slot.push_back(text);
    }
  }
  return options;
}

json submission_of(const classrun::ClassResult& result, std::uint32_t k) {
  const classrun::Submission& s = result.submissions[k];
  json object = json::object();
  put_name(object, "name", s.name);
  object["cohort"] = s.cohort == classrun::Cohort::kOld ? "old" : "new";
  json files = json::array();
  for (const classrun::SourceFile& file : s.files) files.push_back(replace_invalid_utf8(file.name));
  object["files"] = std::move(files);
  object["token_length"] = s.tokens.size();
  object["length"] = s.length;
  object["code_length"] = s.profile.length();
  object["distinctive_code"] = s.profile.distinctive();
  if (k < result.shares.size()) {
    // The typical values with nobody left out: a value that no pair has.
    object["typical_coverage"] = printed_number(
        format_share(result.shares[k].coverage.typical_without(-std::numeric_limits<double>::infinity())));
    object["typical_shared_code"] =
        result.shares[k].shared.typical_without(std::numeric_limits<std::int64_t>::min());
  }
  const classrun::Closest& first = result.best[k].first;
  if (first.partner == classrun::Closest::kNoPartner) {
    object["best_similarity"] = nullptr;
    object["best_partner"] = nullptr;
  } else {
    object["best_similarity"] = printed_number(format_similarity(first.score));
    object["best_partner"] = replace_invalid_utf8(result.submissions[first.partner].name);
  }
  return object;
}

json pair_of(const classrun::ClassResult& result, const classrun::PairScore& pair) {
  const float s = classrun::pair_similarity(pair, result.submissions);
  json object = json::object();
  put_name(object, "a", result.submissions[pair.a].name);
  put_name(object, "b", result.submissions[pair.b].name);
  object["similarity"] = printed_number(format_similarity(s));
  object["match_len"] = pair.match_len;
  object["len_a"] = result.submissions[pair.a].length;
  object["len_b"] = result.submissions[pair.b].length;
  object["suspected"] = classrun::is_suspected(s);
  object["margin"] = printed_number(format_margin(classrun::margin(pair, s, result.best)));
  const verdict::PairVerdict v = classrun::pair_verdict(pair, result);
  object["evidence"] = printed_number(format_evidence(v.evidence));
  object["flagged"] = v.flagged;
  object["whole"] = printed_number(format_share(v.whole));
  object["coverage"] = printed_number(format_share(v.coverage));
  object["typical_coverage"] = printed_number(format_share(v.typical));
  object["smaller"] = v.smaller == verdict::Side::kA ? "a" : "b";
  object["passages"] = printed_number(format_share(v.passages));
  object["shared_code"] = v.shared;
  object["typical_shared_code_a"] = v.typical_a;
  object["typical_shared_code_b"] = v.typical_b;
  object["shared_beyond"] = v.beyond;
  object["own_code"] = v.reached;
  return object;
}

}  // namespace

std::string json_report(const classrun::ClassResult& result, const RunInfo& info) {
  json document = json::object();
  document["program"] = "codetwin-class";
  document["version"] = info.version;
  document["options"] = options_of(info);
  std::size_t old_ones = 0;
  for (const classrun::Submission& s : result.submissions) {
    if (s.cohort == classrun::Cohort::kOld) ++old_ones;
  }
  document["verdict"] = {{"flag_at", info.verdict.flag_at},
                         {"whole_line", verdict::kWholeLine},
                         {"passages_line", verdict::kPassagesLine},
                         {"common_at", result.common_at},
                         {"typical_rank", verdict::kTypicalRank},
                         {"run", verdict::kRun},
                         {"stretch", verdict::kStretch},
                         {"own_code_floor", verdict::kOwnCodeFloor},
                         {"class_statistics", result.class_statistics}};
  document["counts"] = {{"submissions", result.submissions.size() - old_ones},
                        {"old_submissions", old_ones},
                        {"pairs", result.pairs},
                        {"flagged", result.flagged},
                        {"suspected", result.suspected},
                        {"suspected_not_flagged", result.suspected_not_flagged},
                        {"not_a_number", result.not_a_number},
                        {"written_pairs", result.written.size()},
                        {"skipped", result.skipped.size()}};
  json submissions = json::array();
  for (std::uint32_t k = 0; k < result.submissions.size(); ++k) {
    submissions.push_back(submission_of(result, k));
  }
  document["submissions"] = std::move(submissions);
  json pairs = json::array();
  for (const classrun::PairScore& pair : result.written) pairs.push_back(pair_of(result, pair));
  document["pairs"] = std::move(pairs);
  json groups = json::array();
  for (const classrun::Group& group : result.groups) {
    json members = json::array();
    for (std::uint32_t member : group.members) {
      members.push_back(replace_invalid_utf8(result.submissions[member].name));
    }
    groups.push_back({{"members", std::move(members)},
                      {"highest", printed_number(format_similarity(group.highest))},
                      {"lowest", printed_number(format_similarity(group.lowest))},
                      {"highest_evidence", printed_number(format_evidence(group.highest_evidence))},
                      {"lowest_evidence", printed_number(format_evidence(group.lowest_evidence))}});
  }
  document["groups_joined_by"] = info.list.group_at ? "similarity" : "flagged";
  document["groups"] = std::move(groups);
  json skipped = json::array();
  for (const classrun::Skipped& s : result.skipped) {
    json object = json::object();
    put_name(object, "name", s.name);
    put_name(object, "file", s.file);
    object["reason"] = s.reason;
    skipped.push_back(std::move(object));
  }
  document["skipped"] = std::move(skipped);
  return document.dump(2) + "\n";
}

}  // namespace codetwin::report
