// Archives read in place: a .zip, .7z, .tar, .tar.gz (.tgz), .tar.xz (.txz)
// or .tar.bz2 (.tbz2) file is read as the folder it holds, through
// libarchive, in memory: nothing is ever written to disk.
//
// An archive's *tree* is the regular files it holds, each with its *name*,
// its path inside the archive: UTF-8, relative, '/' between the parts, no
// "." nor empty parts. A name is UTF-8 where the archive says so (a zip
// entry's UTF-8 flag or Unicode path field; 7z; pax); any other name is in
// the charset given by the user, or else UTF-8 when its bytes are valid
// UTF-8 and GBK when not (a zip made on a Chinese Windows stores GBK
// without saying so). A zip made on Windows may separate parts with '\'.
//
// Entries that are not regular files or folders (links, devices, FIFOs),
// and names that would leave the archive's folder (absolute, or with a
// ".." part), are *skipped*: left out with a note, never followed.
//
// An archive inside an archive (a student's own .zip in a class's) is read
// as a folder of the same name, one level deep: archives inside that are
// files like any other.
//
// Reading is bounded, so that a small archive cannot fill memory or time:
// by the bytes unpacked in all (for the whole run, every archive and every
// archive inside one together), by each file's bytes, and by the number of
// entries of one archive. An archive that goes past the bytes in all or the
// number of entries is *refused*: its reading stops and what it gave must
// not be used. A file past its own bound, an encrypted one, or one whose
// data is damaged is *unreadable*: named, without bytes, and reading goes
// on. An archive that cannot be opened, or that is damaged or cut short
// part way, *stops* there: the files before are good.
//
// The caller says which files' bytes it wants (by name); the others are
// listed without being unpacked (a zip does not even decompress them).
#ifndef CODETWIN_ARCHIVE_ARCHIVE_H_
#define CODETWIN_ARCHIVE_ARCHIVE_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace codetwin::archive {

/// The bytes a run may unpack from archives, unless told otherwise.
inline constexpr std::uint64_t kDefaultMaxBytes = std::uint64_t{1} << 30;
/// One file's bytes at most. No C source comes near; a file that does was
/// made to fill memory.
inline constexpr std::uint64_t kMaxFileBytes = std::uint64_t{256} << 20;
/// Entries of one archive at most (folders and skipped ones count). A
/// class's archive holds a few thousand; many more only slow the run down
/// to no end, each one read and each top-level one a submission to pair.
inline constexpr std::uint64_t kMaxEntries = 50000;

/// Whether `name` is an archive's by its extension (ASCII case ignored).
bool is_archive_name(std::string_view name);

/// Whether libarchive can read names in `charset` ("GBK", "CP936",
/// "BIG5", "UTF-8", ...).
bool charset_supported(const std::string& charset);

/// A regular file of an archive.
struct File {
  std::string name;
  /// Its bytes, when wanted and read; null otherwise.
  std::shared_ptr<const std::string> bytes;
  /// Why it was wanted but could not be read (UTF-8); empty otherwise.
  std::string unreadable;
};

/// An entry left out, and why (UTF-8).
struct Skipped {
  std::string name;
  std::string why;
};

/// Why the reading of an archive ended early.
enum class Stop {
  kNone,         // read to its end
  kUnopenable,   // no archive of a format read here, or it cannot be read at all
  kDamaged,      // damaged or cut short at `Tree::stopped_at`: what came before is good
  kTooLarge,     // refused: it unpacks to more than the bytes allowed
  kTooMany,      // refused: more entries than kMaxEntries
};

struct Tree {
  std::vector<File> files;  // in the archive's order
  std::vector<Skipped> skipped;
  /// Whether the archive held no entry at all.
  bool empty = true;
  Stop stop = Stop::kNone;
  /// The entry where reading stopped; empty when it stopped before any.
  std::string stopped_at;
};

/// What stopped an archive, for people (UTF-8).
std::string stop_text(Stop stop, std::uint64_t max_bytes);

/// Reads archives for one run, within its bounds.
class Reader {
 public:
  /// `charset`: the charset of the names an archive does not declare,
  /// instead of the guess (it must be supported); `max_bytes`: the bytes
  /// all archives read by this reader may unpack together.
  Reader(std::optional<std::string> charset, std::uint64_t max_bytes);

  using Wanted = std::function<bool(std::string_view name)>;

  /// The tree of the archive at `path`, with the bytes of the files that
  /// `wanted` asks for (an archive inside that it asks for is read as a
  /// folder). `path` itself must be a regular file.
  Tree read(const std::filesystem::path& path, const Wanted& wanted);

  /// The same for an archive's bytes.
  Tree read_bytes(std::string_view bytes, const Wanted& wanted);

  std::uint64_t max_bytes() const { return max_bytes_; }
  /// Bytes unpacked so far.
  std::uint64_t used() const { return used_; }

 private:
  friend class TreeReader;
  Tree read_inner(std::string_view bytes, const Wanted& wanted);
  Tree read_memory(std::string_view bytes, const Wanted& wanted, bool nested);

  std::optional<std::string> charset_;
  std::uint64_t max_bytes_;
  std::uint64_t used_ = 0;
};

}  // namespace codetwin::archive

#endif  // CODETWIN_ARCHIVE_ARCHIVE_H_
