// Test archives: libarchive's writer for real ones, a few lines of zip by
// hand for the bomb.
#include "tests/archive/archive_maker.h"

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <stdexcept>

#include "platform/archive_names.h"

namespace codetwin::testing {

namespace {

la_ssize_t append(::archive*, void* out, const void* bytes, std::size_t size) {
  static_cast<std::string*>(out)->append(static_cast<const char*>(bytes), size);
  return static_cast<la_ssize_t>(size);
}

void check(int status, ::archive* a, const char* what) {
  if (status < ARCHIVE_WARN) {
    throw std::runtime_error(std::string(what) + ": " + (archive_error_string(a) ? archive_error_string(a) : "?"));
  }
}

void choose_format(::archive* a, Format format) {
  switch (format) {
    case Format::kZipGbk:
      check(archive_write_set_format_zip(a), a, "zip");
      // The names converted from UTF-8 to GBK, and so not flagged UTF-8.
      check(archive_write_set_format_option(a, "zip", "hdrcharset", "GBK"), a, "GBK");
      return;
    case Format::kZipUtf8:
      // In a UTF-8 locale the writer flags every name that is not ASCII.
      check(archive_write_set_format_zip(a), a, "zip");
      return;
    case Format::k7z:
      check(archive_write_set_format_7zip(a), a, "7z");
      return;
    case Format::kTar:
    case Format::kTarGz:
    case Format::kTarXz:
    case Format::kTarBz2:
      check(archive_write_set_format_pax_restricted(a), a, "tar");
      break;
  }
  if (format == Format::kTarGz) check(archive_write_add_filter_gzip(a), a, "gzip");
  if (format == Format::kTarXz) check(archive_write_add_filter_xz(a), a, "xz");
  if (format == Format::kTarBz2) check(archive_write_add_filter_bzip2(a), a, "bzip2");
}

void write_entry(::archive* a, const Entry& entry) {
  archive_entry* e = archive_entry_new();
  archive_entry_set_pathname(e, entry.name.c_str());
  archive_entry_set_mtime(e, 1700000000, 0);
  archive_entry_set_perm(e, 0644);
  switch (entry.type) {
    case Entry::Type::kFile:
      archive_entry_set_filetype(e, AE_IFREG);
      archive_entry_set_size(e, static_cast<la_int64_t>(entry.bytes.size()));
      break;
    case Entry::Type::kFolder:
      archive_entry_set_filetype(e, AE_IFDIR);
      archive_entry_set_perm(e, 0755);
      break;
    case Entry::Type::kSymlink:
      archive_entry_set_filetype(e, AE_IFLNK);
      archive_entry_set_symlink(e, entry.target.c_str());
      break;
    case Entry::Type::kHardlink:
      archive_entry_set_filetype(e, AE_IFREG);
      archive_entry_set_hardlink(e, entry.target.c_str());
      break;
    case Entry::Type::kCharDevice:
      archive_entry_set_filetype(e, AE_IFCHR);
      archive_entry_set_rdev(e, 0x0103);
      break;
    case Entry::Type::kFifo:
      archive_entry_set_filetype(e, AE_IFIFO);
      break;
  }
  check(archive_write_header(a, e), a, entry.name.c_str());
  if (entry.type == Entry::Type::kFile && !entry.bytes.empty()) {
    if (archive_write_data(a, entry.bytes.data(), entry.bytes.size()) !=
        static_cast<la_ssize_t>(entry.bytes.size())) {
      check(ARCHIVE_FATAL, a, entry.name.c_str());
    }
  }
  archive_entry_free(e);
}

// Deflate's bits, first bit first in each byte.
class Bits {
 public:
  void put(std::uint32_t value, int count) {
    for (int k = 0; k < count; ++k) one((value >> k) & 1u);
  }
  // A Huffman code: its first bit is its highest.
  void code(std::uint32_t value, int length) {
    for (int k = length - 1; k >= 0; --k) one((value >> k) & 1u);
  }
  // `count` zero bits, most of them as whole bytes.
  void zeros(std::uint64_t count) {
    while (count > 0 && filled_ != 0) {
      one(0);
      --count;
    }
    bytes_.append(static_cast<std::size_t>(count / 8), '\0');
    for (std::uint64_t k = 0; k < count % 8; ++k) one(0);
  }
  std::string finish() {
    if (filled_ != 0) bytes_ += static_cast<char>(byte_);
    return std::move(bytes_);
  }

 private:
  void one(std::uint32_t bit) {
    byte_ |= bit << filled_;
    if (++filled_ == 8) {
      bytes_ += static_cast<char>(byte_);
      byte_ = 0;
      filled_ = 0;
    }
  }
  std::string bytes_;
  std::uint32_t byte_ = 0;
  int filled_ = 0;
};

// `size` zero bytes as one dynamic deflate block of three codes: a literal
// zero ("10"), the longest match, 258 bytes at distance 1 ("0" and the one
// distance code "0": two bits), and the end of the block ("11").
std::string deflate_zeros(std::uint64_t size) {
  Bits bits;
  bits.put(1, 1);   // the last block
  bits.put(2, 2);   // dynamic codes
  bits.put(29, 5);  // 286 literal/length codes
  bits.put(0, 5);   // 1 distance code
  bits.put(14, 4);  // 18 code length codes, in their order below
  const int order[] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1};
  for (int symbol : order) bits.put(symbol == 18 ? 1 : symbol == 1 || symbol == 2 ? 2 : 0, 3);
  // Code lengths' codes: 18 "0", 1 "10", 2 "11".
  const auto length = [&bits](int value) { bits.code(value == 1 ? 2 : 3, 2); };
  const auto zeros = [&bits](int count) {
    bits.code(0, 1);
    bits.put(static_cast<std::uint32_t>(count - 11), 7);
  };
  length(2);              // literal 0
  zeros(138);             // 1 to 138
  zeros(117);             // 139 to 255
  length(2);              // 256, the end of a block
  zeros(28);              // 257 to 284
  length(1);              // 285, a match of 258
  length(1);              // distance 1
  std::uint64_t left = size;
  if (left > 0) {
    bits.code(2, 2);
    --left;
  }
  bits.zeros(left / 258 * 2);
  for (left %= 258; left > 0; --left) bits.code(2, 2);
  bits.code(3, 2);
  return bits.finish();
}

std::uint32_t crc_of_zeros(std::uint64_t size) {
  // Doubling: the CRC of 2n zeros from that of n.
  std::uint32_t crc = 0;
  std::uint64_t done = 0;
  const unsigned char zero = 0;
  const std::uint32_t one = static_cast<std::uint32_t>(crc32(0, &zero, 1));
  for (int bit = 63; bit >= 0; --bit) {
    crc = static_cast<std::uint32_t>(crc32_combine64(crc, crc, static_cast<z_off64_t>(done)));
    done *= 2;
    if ((size >> bit) & 1u) {
      crc = static_cast<std::uint32_t>(crc32_combine64(crc, one, 1));
      ++done;
    }
  }
  return crc;
}

void le(std::string& out, std::uint64_t value, int bytes) {
  for (int k = 0; k < bytes; ++k) out += static_cast<char>((value >> (8 * k)) & 0xFF);
}

}  // namespace

std::string make_archive(Format format, const std::vector<Entry>& entries, const std::string& passphrase) {
  // Names go in as UTF-8: the writer converts them from the locale's charset.
  platform::ArchiveNameScope utf8;
  ::archive* a = archive_write_new();
  std::string out;
  choose_format(a, format);
  if (!passphrase.empty()) {
    check(archive_write_set_format_option(a, "zip", "encryption", "zipcrypt"), a, "encryption");
    check(archive_write_set_passphrase(a, passphrase.c_str()), a, "passphrase");
  }
  check(archive_write_set_bytes_in_last_block(a, 1), a, "block");
  check(archive_write_open(a, &out, nullptr, append, nullptr), a, "open");
  for (const Entry& entry : entries) write_entry(a, entry);
  check(archive_write_close(a), a, "close");
  archive_write_free(a);
  return out;
}

std::vector<Entry> files(const std::map<std::string, std::string>& named) {
  std::vector<Entry> entries;
  for (const auto& [name, bytes] : named) entries.push_back({name, bytes});
  return entries;
}

std::string make_zip_bomb(int count, std::uint64_t size, const std::string& prefix, std::uint64_t declared) {
  const std::string data = deflate_zeros(size);
  const std::uint32_t crc = crc_of_zeros(size);
  const std::uint64_t claimed = declared == 0 ? size : declared;
  std::string zip, directory;
  for (int k = 0; k < count; ++k) {
    const std::string name = numbered(prefix, static_cast<std::uint64_t>(k), ".c");
    const std::uint64_t offset = zip.size();
    const auto header = [&](std::string& out, bool central) {
      le(out, central ? 0x02014b50 : 0x04034b50, 4);
      if (central) le(out, 20, 2);  // made by
      le(out, 20, 2);               // version needed
      le(out, 0, 2);                // flags
      le(out, 8, 2);                // deflated
      le(out, 0, 2);                // time
      le(out, 0x21, 2);             // 1980-01-01
      le(out, crc, 4);
      le(out, data.size(), 4);
      le(out, claimed, 4);
      le(out, name.size(), 2);
      le(out, 0, 2);  // extra
      if (central) {
        le(out, 0, 2);  // comment
        le(out, 0, 2);  // disk
        le(out, 0, 2);  // internal attributes
        le(out, 0, 4);  // external attributes
        le(out, offset, 4);
      }
      out += name;
    };
    header(zip, false);
    zip += data;
    header(directory, true);
  }
  const std::uint64_t directory_at = zip.size();
  zip += directory;
  le(zip, 0x06054b50, 4);
  le(zip, 0, 2);
  le(zip, 0, 2);
  le(zip, count, 2);
  le(zip, count, 2);
  le(zip, directory.size(), 4);
  le(zip, directory_at, 4);
  le(zip, 0, 2);
  return zip;
}

std::string numbered(std::string_view before, std::uint64_t k, std::string_view after) {
  std::string text(before);
  text += std::to_string(k);
  text += after;
  return text;
}

std::string extension_of(Format format) {
  switch (format) {
    case Format::kZipGbk:
    case Format::kZipUtf8:
      return ".zip";
    case Format::kTar:
      return ".tar";
    case Format::kTarGz:
      return ".tar.gz";
    case Format::kTarXz:
      return ".tar.xz";
    case Format::kTarBz2:
      return ".tar.bz2";
    case Format::k7z:
      return ".7z";
  }
  return "";
}

}  // namespace codetwin::testing
