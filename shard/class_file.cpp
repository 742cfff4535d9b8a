// Class files: writing, and reading back with every field checked.
#include "shard/class_file.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/paths.h"
#include "shard/fields.h"

namespace codetwin::shard {

namespace {

constexpr std::string_view kMagic = "codetwin-class class\n";
// The magic line, the version, and the size of the part before the sources.
constexpr std::size_t kHeaderBytes = kMagic.size() + 4 + 8;
static_assert(kHeaderBytes == kClassHeaderBytes);

// A file is
//   the header; what the scoring needs (everything but the files' bytes);
//   the checksum of all that; the files' bytes; their checksum,
// so that a shard reads and checks the part before the sources only.

void write_files(Writer& w, const std::vector<classrun::SourceFile>& files) {
  w.u64(files.size());
  for (const classrun::SourceFile& file : files) {
    w.text(platform::name_of(file.path));
    w.text(file.name);
    w.text(file.unreadable);
  }
}

std::vector<classrun::SourceFile> read_files(Reader& r) {
  std::vector<classrun::SourceFile> files(r.count(8 + 8 + 8));
  for (classrun::SourceFile& file : files) {
    file.path = platform::path_from_name(r.text_view());
    file.name = r.text();
    file.unreadable = r.text();
  }
  return files;
}

// The files' bytes, each marked present or not, in the order of the
// submissions and their files.
void write_sources(Writer& w, const std::vector<classrun::Submission>& submissions) {
  for (const classrun::Submission& s : submissions) {
    for (const classrun::SourceFile& file : s.files) {
      w.u8(file.contents != nullptr ? 1 : 0);
      if (file.contents != nullptr) w.text(*file.contents);
    }
  }
}

void read_sources(Reader& r, std::vector<classrun::Submission>& submissions) {
  for (classrun::Submission& s : submissions) {
    for (classrun::SourceFile& file : s.files) {
      const std::uint8_t present = r.u8();
      if (present > 1) r.fail();
      if (present == 1) file.contents = std::make_shared<const std::string>(r.text_view());
    }
  }
}

// Which characters of the code are common, a bit each.
void write_common(Writer& w, const classrun::Submission& s) {
  const std::size_t size = s.code().size();
  std::string bits((size + 7) / 8, '\0');
  for (std::size_t p = 0; p < size; ++p) {
    if (s.profile.is_common(p)) bits[p / 8] = static_cast<char>(bits[p / 8] | (1 << (p % 8)));
  }
  w.text(bits);
}

void read_common(Reader& r, classrun::Submission& s) {
  const std::string_view code = s.code();
  const std::string_view bits = r.text_view();
  if (bits.size() != (code.size() + 7) / 8) {
    r.fail();
    return;
  }
  std::vector<bool> common(code.size());
  for (std::size_t p = 0; p < code.size(); ++p) common[p] = ((bits[p / 8] >> (p % 8)) & 1) != 0;
  s.profile = verdict::CodeProfile(code, common);
}

void write_lexed(Writer& w, const classrun::Submission& s) {
  w.text(s.tokens);
  w.i64(s.length);
  w.u8(s.code_is_tokens ? 1 : 0);
  if (!s.code_is_tokens) w.text(s.code_tokens);
}

void read_lexed(Reader& r, classrun::Submission& s) {
  s.tokens = r.text();
  s.length = r.i64();
  const std::uint8_t code_is_tokens = r.u8();
  if (code_is_tokens > 1) r.fail();
  s.code_is_tokens = code_is_tokens == 1;
  if (!s.code_is_tokens) s.code_tokens = r.text();
  if (s.length < 0 || static_cast<std::uint64_t>(s.length) > s.tokens.size()) r.fail();
}

}  // namespace

std::string encode_class(const ReadClass& read) {
  Writer w;
  w.u64(read.arguments.size());
  for (const std::string& argument : read.arguments) w.text(argument);
  w.u64(read.submissions.size());
  for (const classrun::Submission& s : read.submissions) {
    w.text(s.name);
    w.u8(s.cohort == classrun::Cohort::kOld ? 1 : 0);
    write_files(w, s.files);
    write_lexed(w, s);
    write_common(w, s);
  }
  w.u64(read.skipped.size());
  for (const classrun::Skipped& s : read.skipped) {
    w.text(s.name);
    w.text(s.file);
    w.text(s.reason);
  }
  w.u8(read.base ? 1 : 0);
  if (read.base) {
    w.text(read.base->name);
    write_files(w, read.base->files);  // where it was only: no report shows it
    write_lexed(w, *read.base);
  }
  const std::string scoring = w.take();

  Writer head(kMagic, kClassFileVersion);
  head.u64(scoring.size());
  std::string file = head.take() + scoring;
  Writer sums;
  sums.u64(digest_of(file));
  Writer sources;
  write_sources(sources, read.submissions);
  const std::string bytes = sources.take();
  sums.u64(digest_of(bytes));
  const std::string checksums = sums.take();
  file.append(checksums, 0, 8);
  file.append(bytes);
  file.append(checksums, 8, 8);
  return file;
}

std::size_t bytes_without_sources(std::string_view header) {
  if (header.size() < kHeaderBytes || header.substr(0, kMagic.size()) != kMagic) return SIZE_MAX;
  Reader r(header.substr(kMagic.size() + 4, 8));
  const std::uint64_t scoring = r.u64();
  if (scoring > SIZE_MAX - kHeaderBytes - 8) return SIZE_MAX;
  return kHeaderBytes + static_cast<std::size_t>(scoring) + 8;
}

DecodedClass decode_class(std::string_view bytes, Sources sources, const std::function<bool()>& stop) {
  DecodedClass decoded;
  const std::size_t before_sources = std::min(bytes_without_sources(bytes), bytes.size());
  const Unsealed unsealed = unseal(bytes.substr(0, before_sources), kMagic, kClassFileVersion, "班级文件");
  if (!unsealed.error.empty()) {
    decoded.error = unsealed.error;
    return decoded;
  }
  Reader r(unsealed.fields.substr(8));  // after the size that the header gave
  ReadClass read;
  read.arguments.resize(r.count(8));
  for (std::string& argument : read.arguments) argument = r.text();
  read.submissions.resize(r.count(8 + 1 + 8 + 8 + 1 + 8));
  for (std::size_t k = 0; k < read.submissions.size() && r.ok(); ++k) {
    if (k % 1024 == 0 && stop && stop()) return decoded;
    classrun::Submission& s = read.submissions[k];
    s.name = r.text();
    const std::uint8_t cohort = r.u8();
    if (cohort > 1) r.fail();
    s.cohort = cohort == 1 ? classrun::Cohort::kOld : classrun::Cohort::kNew;
    s.files = read_files(r);
    read_lexed(r, s);
    read_common(r, s);
    // In name order, each once: the pairs are numbered so.
    if (k > 0 && !(read.submissions[k - 1].name < s.name)) r.fail();
  }
  read.skipped.resize(r.count(8 + 8 + 8));
  for (classrun::Skipped& s : read.skipped) {
    s.name = r.text();
    s.file = r.text();
    s.reason = r.text();
  }
  const std::uint8_t has_base = r.u8();
  if (has_base > 1) r.fail();
  if (has_base == 1) {
    classrun::Submission base;
    base.name = r.text();
    base.files = read_files(r);
    read_lexed(r, base);
    read.base = std::move(base);
  }
  if (!r.ok() || !r.at_end()) {
    decoded.error = "班级文件的内容不合格式";
    return decoded;
  }
  if (sources == Sources::kKeep) {
    const std::string_view rest = bytes.substr(before_sources);
    if (rest.size() < 8 || Reader(rest.substr(rest.size() - 8)).u64() != digest_of(rest.substr(0, rest.size() - 8))) {
      decoded.error = "班级文件已损坏（校验和不符：被截断或改动过）";
      return decoded;
    }
    Reader files(rest.substr(0, rest.size() - 8));
    read_sources(files, read.submissions);
    if (!files.ok() || !files.at_end()) {
      decoded.error = "班级文件的内容不合格式";
      return decoded;
    }
  }
  decoded.read = std::move(read);
  return decoded;
}

}  // namespace codetwin::shard
