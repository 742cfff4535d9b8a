// Archives made at run time for the tests, with libarchive's writer: each
// format read, names in GBK or UTF-8 as the archivers of each system write
// them, links, devices and hostile names; and, by hand, the zips libarchive
// will not write: a deflate bomb.
#ifndef CODETWIN_TESTS_ARCHIVE_ARCHIVE_MAKER_H_
#define CODETWIN_TESTS_ARCHIVE_ARCHIVE_MAKER_H_

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace codetwin::testing {

enum class Format {
  kZipGbk,   // names in GBK, without the UTF-8 flag (a Chinese Windows' zipper)
  kZipUtf8,  // names in UTF-8 with the UTF-8 flag
  kTar,      // pax, names in UTF-8
  kTarGz,
  kTarXz,
  kTarBz2,
  k7z,       // names in UTF-16
};

struct Entry {
  enum class Type { kFile, kFolder, kSymlink, kHardlink, kCharDevice, kFifo };
  std::string name;  // UTF-8 (written in the format's charset)
  std::string bytes = {};
  Type type = Type::kFile;
  std::string target = {};  // a link's
};

/// An archive of `entries` in `format`. `passphrase`: each file encrypted
/// with it (zip only).
std::string make_archive(Format format, const std::vector<Entry>& entries,
                         const std::string& passphrase = "");

/// Files (name -> bytes) as entries, in name order.
std::vector<Entry> files(const std::map<std::string, std::string>& named);

/// A zip whose `count` files, named `prefix` + k + ".c", are each `size`
/// zero bytes deflated at deflate's highest ratio (about 1,000 to 1): made
/// by hand, in moments, whatever the size. `declared`, if not 0, is the
/// size each file's headers claim instead of the true one.
std::string make_zip_bomb(int count, std::uint64_t size, const std::string& prefix,
                          std::uint64_t declared = 0);

/// `before`, the number `k` and `after` ("s" 12 ".c": "s12.c"), built by
/// appending (g++ 12 at -O3 sees a false overlap in "s" + ... + ".c").
std::string numbered(std::string_view before, std::uint64_t k, std::string_view after);

/// The file extension of `format`'s archives (".zip", ".tar.gz", ...).
std::string extension_of(Format format);

}  // namespace codetwin::testing

#endif  // CODETWIN_TESTS_ARCHIVE_ARCHIVE_MAKER_H_
