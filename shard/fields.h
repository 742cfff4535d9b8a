// The bytes of the files a sharded run hands between its steps (part files,
// the class read once): fields in little-endian order, framed by a magic
// line and a format version in front and a checksum of everything before it
// at the end, so that a truncated or edited file is refused, not used.
#ifndef CODETWIN_SHARD_FIELDS_H_
#define CODETWIN_SHARD_FIELDS_H_

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

namespace codetwin::shard {

// FNV-1a, 64 bits: a digest that a changed byte changes (not a defence
// against someone forging a file on purpose, which nothing here can stop).
class Digest {
 public:
  void add(std::string_view bytes) {
    for (unsigned char c : bytes) {
      hash_ ^= c;
      hash_ *= 0x100000001b3ULL;
    }
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

inline std::uint64_t digest_of(std::string_view bytes) {
  Digest d;
  d.add(bytes);
  return d.value();
}

class Writer {
 public:
  /// Starts fields that go into a file after its frame.
  Writer() = default;
  /// Starts a file of `magic` in format `version`.
  Writer(std::string_view magic, std::uint32_t version) {
    bytes_.append(magic);
    u32(version);
  }
  void u8(std::uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
  void u32(std::uint32_t v) {
    for (int s = 0; s < 32; s += 8) u8(static_cast<std::uint8_t>(v >> s));
  }
  void u64(std::uint64_t v) {
    for (int s = 0; s < 64; s += 8) u8(static_cast<std::uint8_t>(v >> s));
  }
  void i64(std::int64_t v) { u64(static_cast<std::uint64_t>(v)); }
  void f32(float v) { u32(std::bit_cast<std::uint32_t>(v)); }
  void f64(double v) { u64(std::bit_cast<std::uint64_t>(v)); }
  void text(std::string_view s) {
    u64(s.size());
    bytes_.append(s);
  }
  /// The whole file: what was written, then its checksum.
  std::string sealed() {
    u64(digest_of(bytes_));
    return std::move(bytes_);
  }
  /// What was written, as it is.
  std::string take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

// Reads fields in order; once anything is out of bounds, every read fails
// and gives zeros.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : rest_(bytes) {}
  bool ok() const { return ok_; }
  bool at_end() const { return rest_.empty(); }
  std::uint8_t u8() {
    if (!take(1)) return 0;
    return static_cast<std::uint8_t>(taken_[0]);
  }
  std::uint32_t u32() {
    std::uint32_t v = 0;
    for (int s = 0; s < 32; s += 8) v |= std::uint32_t{u8()} << s;
    return v;
  }
  std::uint64_t u64() {
    std::uint64_t v = 0;
    for (int s = 0; s < 64; s += 8) v |= std::uint64_t{u8()} << s;
    return v;
  }
  std::int64_t i64() { return static_cast<std::int64_t>(u64()); }
  float f32() { return std::bit_cast<float>(u32()); }
  double f64() { return std::bit_cast<double>(u64()); }
  std::string text() { return std::string(text_view()); }
  /// A text field left where it lies in the bytes read.
  std::string_view text_view() {
    const std::uint64_t size = u64();
    if (!take(size)) return {};
    return taken_;
  }
  // A count of items of at least `item_bytes` each, no more than remain.
  std::uint64_t count(std::uint64_t item_bytes) {
    const std::uint64_t n = u64();
    if (item_bytes > 0 && n > rest_.size() / item_bytes) ok_ = false;
    return ok_ ? n : 0;
  }
  void fail() { ok_ = false; }

 private:
  bool take(std::uint64_t size) {
    if (!ok_ || size > rest_.size()) {
      ok_ = false;
      taken_ = {};
      return false;
    }
    taken_ = rest_.substr(0, size);
    rest_.remove_prefix(size);
    return true;
  }
  std::string_view rest_;
  std::string_view taken_;
  bool ok_ = true;
};

/// The fields of a file that `Writer(magic, version).sealed()` wrote, after
/// its version; empty, with `error` said (UTF-8, naming the file as
/// `what`), when it is another kind of file, another version, or damaged.
struct Unsealed {
  std::string_view fields;
  std::string error;
};
Unsealed unseal(std::string_view bytes, std::string_view magic, std::uint32_t version,
                const std::string& what);

}  // namespace codetwin::shard

#endif  // CODETWIN_SHARD_FIELDS_H_
