// Fuzz target: the decoders of the files a sharded run hands between its
// steps (part files, class files), on arbitrary fields.
//
// A random file fails at its checksum, so the bytes are framed as the
// program frames them (magic line, version, checksums made to match) and
// only the fields are the fuzzer's: the first byte picks a part or a class
// file; for a class, the next four (little-endian) say where the sources
// begin. Whatever decodes must
// hold its promises (slices within N, pairs within the submissions, names
// in order, lengths within their strings) and encode to bytes that decode
// again to the same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "shard/class_file.h"
#include "shard/fields.h"
#include "shard/part_file.h"
#include "tests/fuzz/fuzz_check.h"

namespace codetwin::testing {
namespace {

// The magic line and version that the encoders write first.
const std::string& part_head() {
  static const std::string head = shard::encode_part(shard::Part{}).substr(0, 20 + 4);
  return head;
}
const std::string& class_head() {
  static const std::string head =
      shard::encode_class(shard::ReadClass{}).substr(0, shard::kClassHeaderBytes - 8);
  return head;
}

std::string checksum(std::string_view bytes) {
  shard::Writer w;
  w.u64(shard::digest_of(bytes));
  return w.take();
}

void part_from(std::string_view fields) {
  std::string bytes = part_head() + std::string(fields);
  bytes += checksum(bytes);
  const shard::DecodedPart decoded = shard::decode_part(bytes);
  FUZZ_CHECK(decoded.part.has_value() == decoded.error.empty());
  if (!decoded.part) return;
  const shard::Part& part = *decoded.part;
  FUZZ_CHECK(part.k < part.n && part.range.first <= part.range.last);
  for (const auto* pairs : {&part.scores.kept, &part.scores.top}) {
    for (const classrun::PairScore& p : *pairs) FUZZ_CHECK(p.a < p.b && p.b < part.inputs.size());
  }
  const std::string again = shard::encode_part(part);
  const shard::DecodedPart redecoded = shard::decode_part(again);
  FUZZ_CHECK(redecoded.part.has_value());
  FUZZ_CHECK(shard::encode_part(*redecoded.part) == again);
}

void class_from(std::string_view fields, std::size_t sources_at) {
  const std::string_view scoring = fields.substr(0, sources_at);
  const std::string_view sources = fields.substr(sources_at);
  shard::Writer size;
  size.u64(scoring.size());
  std::string bytes = class_head() + size.take() + std::string(scoring);
  bytes += checksum(bytes);
  bytes += std::string(sources) + checksum(sources);
  for (shard::Sources kept : {shard::Sources::kLeave, shard::Sources::kKeep}) {
    const shard::DecodedClass decoded = shard::decode_class(bytes, kept);
    FUZZ_CHECK(decoded.read.has_value() == decoded.error.empty());
    if (!decoded.read) continue;
    const std::vector<classrun::Submission>& subs = decoded.read->submissions;
    for (std::size_t k = 0; k < subs.size(); ++k) {
      FUZZ_CHECK(k == 0 || subs[k - 1].name < subs[k].name);
      FUZZ_CHECK(subs[k].length >= 0 && static_cast<std::size_t>(subs[k].length) <= subs[k].tokens.size());
      FUZZ_CHECK(subs[k].profile.length() <= static_cast<std::int64_t>(subs[k].code().size()));
    }
    const std::string again = shard::encode_class(*decoded.read);
    const shard::DecodedClass redecoded = shard::decode_class(again, kept);
    FUZZ_CHECK(redecoded.read.has_value());
    FUZZ_CHECK(shard::encode_class(*redecoded.read) == again);
  }
}

}  // namespace
}  // namespace codetwin::testing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  if ((data[0] & 1) == 0) {
    codetwin::testing::part_from(codetwin::testing::as_chars(data + 1, size - 1));
    return 0;
  }
  if (size < 5) return 0;
  const std::size_t sources_at = data[1] | data[2] << 8 | data[3] << 16 | std::size_t{data[4]} << 24;
  const std::string_view fields = codetwin::testing::as_chars(data + 5, size - 5);
  codetwin::testing::class_from(fields, std::min(sources_at, fields.size()));
  return 0;
}
