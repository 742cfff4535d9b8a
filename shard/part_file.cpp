// Part files: writing, reading with every field checked, and the checks
// that a set of parts makes one whole run.
#include "shard/part_file.h"

#include <algorithm>

#include "shard/fields.h"

namespace codetwin::shard {

namespace {

constexpr std::string_view kMagic = "codetwin-class part\n";

constexpr std::uint64_t kPairBytes = 4 + 4 + 8 + 5 * 8;

void write_pairs(Writer& w, const std::vector<classrun::PairScore>& pairs) {
  w.u64(pairs.size());
  for (const classrun::PairScore& p : pairs) {
    w.u32(p.a);
    w.u32(p.b);
    w.i64(p.match_len);
    w.i64(p.shared.tiled);
    w.i64(p.shared.in_runs);
    w.i64(p.shared.distinctive);
    w.i64(p.shared.reached_a);
    w.i64(p.shared.reached_b);
  }
}

std::vector<classrun::PairScore> read_pairs(Reader& r, std::size_t submissions) {
  std::vector<classrun::PairScore> pairs(r.count(kPairBytes));
  for (classrun::PairScore& p : pairs) {
    p.a = r.u32();
    p.b = r.u32();
    p.match_len = r.i64();
    p.shared.tiled = r.i64();
    p.shared.in_runs = r.i64();
    p.shared.distinctive = r.i64();
    p.shared.reached_a = r.i64();
    p.shared.reached_b = r.i64();
    if (p.a >= p.b || p.b >= submissions) r.fail();
  }
  return pairs;
}

void write_closest(Writer& w, const classrun::Closest& c) {
  w.f32(c.score);
  w.u32(c.partner);
}

classrun::Closest read_closest(Reader& r, std::size_t submissions) {
  classrun::Closest c;
  c.score = r.f32();
  c.partner = r.u32();
  if (c.partner != classrun::Closest::kNoPartner && c.partner >= submissions) r.fail();
  return c;
}

template <typename Value, typename Put>
void write_largest(Writer& w, const verdict::Largest<Value>& largest, Put put) {
  const auto values = largest.values();
  w.u8(static_cast<std::uint8_t>(values.size()));
  for (Value v : values) put(v);
}

template <typename Value, typename Get>
verdict::Largest<Value> read_largest(Reader& r, Get get) {
  verdict::Largest<Value> largest;
  const std::size_t n = r.u8();
  if (n > verdict::kTypicalRank + 1) r.fail();
  for (std::size_t k = 0; k < n && r.ok(); ++k) largest.offer(get());
  return largest;
}

}  // namespace

std::vector<InputId> identify(const std::vector<classrun::Submission>& submissions) {
  std::vector<InputId> ids;
  ids.reserve(submissions.size());
  for (const classrun::Submission& s : submissions) {
    Digest d;
    d.add(s.tokens);
    d.add(s.code_is_tokens ? std::string_view("=") : std::string_view("+"));
    if (!s.code_is_tokens) d.add(s.code_tokens);
    ids.push_back({s.name, s.cohort, d.value()});
  }
  return ids;
}

std::uint64_t template_digest(const classrun::Submission& base) {
  return std::max<std::uint64_t>(1, digest_of(base.tokens));
}

std::string encode_part(const Part& part) {
  Writer w(kMagic, kPartVersion);
  w.u32(part.k);
  w.u32(part.n);
  w.u64(part.range.first);
  w.u64(part.range.last);
  w.u64(part.arguments.size());
  for (const std::string& argument : part.arguments) w.text(argument);
  w.u64(part.inputs.size());
  for (const InputId& id : part.inputs) {
    w.text(id.name);
    w.u8(id.cohort == classrun::Cohort::kOld ? 1 : 0);
    w.u64(id.digest);
  }
  w.u64(part.template_digest);
  const classrun::PartialScores& s = part.scores;
  w.u64(s.pairs);
  w.u64(s.suspected);
  w.u64(s.not_a_number);
  w.u64(s.listable);
  for (std::uint64_t bin : s.histogram) w.u64(bin);
  for (std::size_t k = 0; k < part.inputs.size(); ++k) {
    write_closest(w, s.best[k].first);
    write_closest(w, s.best[k].second);
    write_largest(w, s.shares[k].coverage, [&w](double v) { w.f64(v); });
    write_largest(w, s.shares[k].shared, [&w](std::int64_t v) { w.i64(v); });
  }
  write_pairs(w, s.kept);
  write_pairs(w, s.top);
  return w.sealed();
}

DecodedPart decode_part(std::string_view bytes) {
  DecodedPart decoded;
  const Unsealed unsealed = unseal(bytes, kMagic, kPartVersion, "分片结果文件");
  if (!unsealed.error.empty()) {
    decoded.error = unsealed.error;
    return decoded;
  }
  Reader r(unsealed.fields);
  Part part;
  part.k = r.u32();
  part.n = r.u32();
  part.range.first = r.u64();
  part.range.last = r.u64();
  part.arguments.resize(r.count(8));
  for (std::string& argument : part.arguments) argument = r.text();
  part.inputs.resize(r.count(8 + 1 + 8));
  for (InputId& id : part.inputs) {
    id.name = r.text();
    const std::uint8_t cohort = r.u8();
    if (cohort > 1) r.fail();
    id.cohort = cohort == 1 ? classrun::Cohort::kOld : classrun::Cohort::kNew;
    id.digest = r.u64();
  }
  part.template_digest = r.u64();
  classrun::PartialScores& s = part.scores;
  s.pairs = r.u64();
  s.suspected = r.u64();
  s.not_a_number = r.u64();
  s.listable = r.u64();
  for (std::uint64_t& bin : s.histogram) bin = r.u64();
  const std::size_t n = part.inputs.size();
  s.best.resize(n);
  s.shares.resize(n);
  for (std::size_t k = 0; k < n && r.ok(); ++k) {
    s.best[k].first = read_closest(r, n);
    s.best[k].second = read_closest(r, n);
    s.shares[k].coverage = read_largest<double>(r, [&r] { return r.f64(); });
    s.shares[k].shared = read_largest<std::int64_t>(r, [&r] { return r.i64(); });
  }
  s.kept = read_pairs(r, n);
  s.top = read_pairs(r, n);
  if (part.n == 0 || part.k >= part.n || part.range.first > part.range.last) r.fail();
  if (!r.ok() || !r.at_end()) {
    decoded.error = "分片结果文件的内容不合格式";
    return decoded;
  }
  decoded.part = std::move(part);
  return decoded;
}

std::string same_run(const Part& first, const std::string& first_name, const Part& other,
                     const std::string& other_name) {
  if (other.n != first.n) {
    return other_name + " 是 " + std::to_string(other.n) + " 片中的一片，而 " + first_name + " 是 " +
           std::to_string(first.n) + " 片中的一片";
  }
  if (other.arguments != first.arguments || other.inputs != first.inputs ||
      other.template_digest != first.template_digest) {
    return other_name + " 与 " + first_name + " 不属于同一次运行（作业或选项不同）";
  }
  return {};
}

std::string every_slice_once(const std::vector<Part>& parts, const std::vector<std::string>& names) {
  if (parts.empty()) return "没有给出分片结果文件";
  const std::uint32_t n = parts.front().n;
  std::vector<std::size_t> holder(n, parts.size());
  for (std::size_t p = 0; p < parts.size(); ++p) {
    std::size_t& held = holder[parts[p].k];
    if (held != parts.size()) {
      return names[held] + " 与 " + names[p] + " 是同一片（第 " + std::to_string(parts[p].k) + " 片）";
    }
    held = p;
  }
  std::string missing;
  std::size_t count = 0;
  for (std::uint32_t k = 0; k < n; ++k) {
    if (holder[k] != parts.size()) continue;
    if (++count <= 20) missing += (missing.empty() ? "" : "、") + std::to_string(k);
  }
  if (count > 20) missing += " 等";
  if (count > 0) {
    return "缺少 " + std::to_string(count) + " 片（共 " + std::to_string(n) + " 片，从 0 数起）：第 " +
           missing + " 片";
  }
  return {};
}

std::string check_parts(const std::vector<Part>& parts, const std::vector<std::string>& names) {
  for (std::size_t p = 1; p < parts.size(); ++p) {
    if (std::string error = same_run(parts.front(), names.front(), parts[p], names[p]); !error.empty()) {
      return error;
    }
  }
  return every_slice_once(parts, names);
}

}  // namespace codetwin::shard
