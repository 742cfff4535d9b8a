// Reading an archive's tree with libarchive, entry by entry, within the
// run's bounds.
//
// What counts against the bytes in all is what had to be unpacked: for a
// zip, the data of the files read (one not wanted is passed over without
// decompressing it); for a compressed tar, the whole decompressed stream up
// to where reading is, since passing over a file means decompressing it;
// for a 7z, each file's declared size, since a solid block is decompressed
// up to the file wanted. A size an entry declares is checked before its
// data is touched, and the data actually unpacked as it comes.
#include "archive/archive.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <array>
#include <fstream>

#include "archive/entry_names.h"
#include "platform/archive_names.h"

namespace codetwin::archive {

namespace {

// libarchive's pieces of an archive, as long as it is read.
struct ArchiveHandle {
  ::archive* a = archive_read_new();
  ~ArchiveHandle() { archive_read_free(a); }
};

// The formats read; every compression libarchive has for the tars.
bool support_formats(::archive* a, const std::optional<std::string>& charset) {
  archive_read_support_filter_all(a);
  archive_read_support_format_zip(a);
  archive_read_support_format_tar(a);
  archive_read_support_format_gnutar(a);
  archive_read_support_format_7zip(a);
  // An empty file is an empty tar, not an unknown format.
  archive_read_support_format_empty(a);
  if (!charset) return true;
  return archive_read_set_format_option(a, nullptr, "hdrcharset", charset->c_str()) == ARCHIVE_OK;
}

// An archive file read through a stream, for libarchive's callbacks: the
// path is the file system's (wide on Windows), and a zip's directory at
// its end is reached by seeking.
struct FileSource {
  std::ifstream in;
  std::array<char, 1 << 16> buffer;
};

la_ssize_t read_file(::archive* a, void* data, const void** buffer) {
  auto* source = static_cast<FileSource*>(data);
  source->in.read(source->buffer.data(), static_cast<std::streamsize>(source->buffer.size()));
  if (source->in.bad()) {
    archive_set_error(a, EIO, "read error");
    return -1;
  }
  *buffer = source->buffer.data();
  return static_cast<la_ssize_t>(source->in.gcount());
}

la_int64_t seek_file(::archive*, void* data, la_int64_t offset, int whence) {
  auto* source = static_cast<FileSource*>(data);
  source->in.clear();
  const std::ios_base::seekdir from = whence == SEEK_SET   ? std::ios_base::beg
                                      : whence == SEEK_CUR ? std::ios_base::cur
                                                           : std::ios_base::end;
  source->in.seekg(offset, from);
  if (!source->in) return ARCHIVE_FATAL;
  return static_cast<la_int64_t>(source->in.tellg());
}

la_int64_t skip_file(::archive* a, void* data, la_int64_t request) {
  auto* source = static_cast<FileSource*>(data);
  source->in.clear();
  const std::streamoff at = source->in.tellg();
  source->in.seekg(0, std::ios_base::end);
  const std::streamoff end = source->in.tellg();
  const std::streamoff to = std::min<std::streamoff>(end, at + request);
  if (at < 0 || end < 0 || !source->in.seekg(to, std::ios_base::beg)) return seek_file(a, data, at, SEEK_SET);
  return static_cast<la_int64_t>(to - at);
}

// What a file past kMaxFileBytes is told.
std::string too_large_file() { return "解压后超过 " + std::to_string(kMaxFileBytes >> 20) + " MiB，不予读取"; }

// An entry's declared size, 0 when it has none.
std::uint64_t declared_size(archive_entry* entry) {
  if (!archive_entry_size_is_set(entry)) return 0;
  return static_cast<std::uint64_t>(std::max<la_int64_t>(0, archive_entry_size(entry)));
}

bool ascii_iequal_suffix(std::string_view name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  const std::string_view end = name.substr(name.size() - suffix.size());
  return std::equal(end.begin(), end.end(), suffix.begin(), [](char x, char y) {
    const char lower = x >= 'A' && x <= 'Z' ? static_cast<char>(x - 'A' + 'a') : x;
    return lower == y;
  });
}

}  // namespace

bool is_archive_name(std::string_view name) {
  static constexpr std::string_view kExtensions[] = {".zip",  ".7z",     ".tar",  ".tar.gz", ".tgz",
                                                     ".tar.xz", ".txz", ".tar.bz2", ".tbz2"};
  const std::size_t slash = name.find_last_of('/');
  const std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
  return std::any_of(std::begin(kExtensions), std::end(kExtensions), [last](std::string_view extension) {
    return last.size() > extension.size() && ascii_iequal_suffix(last, extension);
  });
}

bool charset_supported(const std::string& charset) {
  platform::ArchiveNameScope names;
  ArchiveHandle handle;
  // A format's option is taken only where a conversion from it exists.
  return support_formats(handle.a, charset);
}

std::string stop_text(Stop stop, std::uint64_t max_bytes) {
  switch (stop) {
    case Stop::kNone:
      return "";
    case Stop::kUnopenable:
      return "无法打开：不是本程序能读的压缩包（.zip、.7z、.tar、.tar.gz、.tar.xz、.tar.bz2），或已损坏";
    case Stop::kDamaged:
      return "已损坏或不完整";
    case Stop::kTooLarge:
      return "解压后超过 " + std::to_string(max_bytes) + " 字节（--max-bytes），不予读取";
    case Stop::kTooMany:
      return "条目超过 " + std::to_string(kMaxEntries) + " 个，不予读取";
  }
  return "";
}

// One archive being read: its entries in turn, with their bounds.
class TreeReader {
 public:
  TreeReader(Reader& reader, ::archive* a, bool nested, const Reader::Wanted& wanted)
      : reader_(reader), a_(a), nested_(nested), wanted_(wanted) {}

  Tree read() {
    const bool charset_given = reader_.charset_.has_value();
    std::uint64_t entries = 0;
    for (;;) {
      archive_entry* entry = nullptr;
      const int status = archive_read_next_header(a_, &entry);
      if (status == ARCHIVE_EOF) break;
      if (status < ARCHIVE_WARN) {
        stop(Stop::kDamaged, last_name_);
        break;
      }
      tree_.empty = false;
      const std::string name = name_in_utf8(platform::entry_name(entry, charset_given).bytes,
                                            charset_given);
      if (++entries > kMaxEntries) {
        stop(Stop::kTooMany, name);
        break;
      }
      if (!charge_stream(entry)) {
        stop(Stop::kTooLarge, name);
        break;
      }
      if (!take(entry, name)) break;
    }
    if (tree_.stop == Stop::kNone && !charge_stream(nullptr)) stop(Stop::kTooLarge, last_name_);
    return std::move(tree_);
  }

 private:
  void stop(Stop why, const std::string& at) {
    tree_.stop = why;
    tree_.stopped_at = at;
  }

  // Adds `bytes` unpacked to the run's count; false past the bound.
  bool charge(std::uint64_t bytes) {
    reader_.used_ += bytes;
    return reader_.used_ <= reader_.max_bytes_;
  }

  bool compressed_stream() const { return archive_filter_count(a_) > 1; }
  bool solid_blocks() const { return archive_format(a_) == ARCHIVE_FORMAT_7ZIP; }

  // A compressed tar's stream unpacked so far, and what the entry about to
  // be passed over or read will add; false past the bound.
  bool charge_stream(archive_entry* entry) {
    if (!compressed_stream()) return true;
    const auto position = static_cast<std::uint64_t>(std::max<la_int64_t>(0, archive_filter_bytes(a_, 0)));
    const bool within = charge(position > stream_charged_ ? position - stream_charged_ : 0);
    stream_charged_ = std::max(stream_charged_, position);
    if (!within) return false;
    return entry == nullptr || reader_.used_ + declared_size(entry) <= reader_.max_bytes_;
  }

  // Adds what `more` bytes just read of a file unpacked, `total` of it read
  // so far, `declared` of it already counted; false past the bound.
  bool charge_data(std::uint64_t more, std::uint64_t total, std::uint64_t declared) {
    if (compressed_stream()) return charge_stream(nullptr);
    if (solid_blocks()) return total <= declared || charge(std::min(more, total - declared));
    return charge(more);
  }

  // One entry: skipped, listed, or read. False when reading must stop.
  bool take(archive_entry* entry, const std::string& decoded) {
    last_name_ = decoded;
    const CleanName clean = clean_name(decoded, archive_format(a_) == ARCHIVE_FORMAT_ZIP);
    const auto type = archive_entry_filetype(entry);
    if (!clean.refused.empty()) return skip(decoded, clean.refused);
    if (clean.name.empty() || type == AE_IFDIR) return true;
    if (type == AE_IFLNK || archive_entry_hardlink(entry) != nullptr) return skip(clean.name, "是链接");
    if (type != AE_IFREG) return skip(clean.name, "是设备或其他特殊文件");
    if (solid_blocks() && !charge(declared_size(entry))) {
      stop(Stop::kTooLarge, clean.name);
      return false;
    }
    if (!compressed_stream() && reader_.used_ > reader_.max_bytes_) {
      stop(Stop::kTooLarge, clean.name);
      return false;
    }
    File file{clean.name, nullptr, ""};
    const bool wanted = wanted_(clean.name);
    if (!wanted) {
      tree_.files.push_back(std::move(file));
      return true;
    }
    if (archive_entry_is_data_encrypted(entry)) {
      file.unreadable = "已加密，无法读取";
      tree_.files.push_back(std::move(file));
      return true;
    }
    if (declared_size(entry) > kMaxFileBytes) {
      file.unreadable = too_large_file();
      tree_.files.push_back(std::move(file));
      return true;
    }
    return read_data(std::move(file), declared_size(entry));
  }

  bool skip(const std::string& name, const std::string& why) {
    tree_.skipped.push_back({name, why});
    return true;
  }

  // The file's data, within its bound and the run's. `declared`: the size
  // its header gave, already counted for a 7z.
  bool read_data(File file, std::uint64_t declared) {
    auto bytes = std::make_shared<std::string>();
    std::array<char, 1 << 16> chunk;
    for (;;) {
      const la_ssize_t got = archive_read_data(a_, chunk.data(), chunk.size());
      if (got == 0) break;
      if (got < 0) {
        file.unreadable = "数据已损坏，无法解压";
        tree_.files.push_back(std::move(file));
        if (got == ARCHIVE_FATAL) stop(Stop::kDamaged, tree_.files.back().name);
        return got != ARCHIVE_FATAL;
      }
      bytes->append(chunk.data(), static_cast<std::size_t>(got));
      if (!charge_data(static_cast<std::uint64_t>(got), bytes->size(), declared)) {
        stop(Stop::kTooLarge, file.name);
        return false;
      }
      if (bytes->size() > kMaxFileBytes) {
        file.unreadable = too_large_file();
        tree_.files.push_back(std::move(file));
        return true;
      }
    }
    if (!nested_ && is_archive_name(file.name)) return read_inner(std::move(file), *bytes);
    file.bytes = std::move(bytes);
    tree_.files.push_back(std::move(file));
    return true;
  }

  // An archive inside: its files as a folder of its name. Only the bytes
  // in all stop the outer one; anything else makes it one unreadable file.
  bool read_inner(File file, const std::string& bytes) {
    Tree inner = reader_.read_inner(bytes, [this, &file](std::string_view name) {
      return wanted_(file.name + "/" + std::string(name));
    });
    if (inner.stop == Stop::kTooLarge) {
      stop(Stop::kTooLarge, file.name + "/" + inner.stopped_at);
      return false;
    }
    for (Skipped& skipped : inner.skipped) {
      tree_.skipped.push_back({file.name + "/" + skipped.name, std::move(skipped.why)});
    }
    if (inner.stop != Stop::kNone) {
      file.unreadable = stop_text(inner.stop, reader_.max_bytes_);
      if (!inner.stopped_at.empty()) file.unreadable += "（在 " + inner.stopped_at + " 处）";
      tree_.files.push_back(std::move(file));
      return true;
    }
    for (File& inside : inner.files) {
      inside.name = file.name + "/" + inside.name;
      tree_.files.push_back(std::move(inside));
    }
    return true;
  }

  Reader& reader_;
  ::archive* a_;
  bool nested_;
  const Reader::Wanted& wanted_;
  Tree tree_;
  std::string last_name_;
  std::uint64_t stream_charged_ = 0;
};

Reader::Reader(std::optional<std::string> charset, std::uint64_t max_bytes)
    : charset_(std::move(charset)), max_bytes_(max_bytes) {}

Tree Reader::read(const std::filesystem::path& path, const Wanted& wanted) {
  platform::ArchiveNameScope names;
  ArchiveHandle handle;
  FileSource source;
  source.in.open(path, std::ios_base::binary);
  Tree unopenable;
  unopenable.stop = Stop::kUnopenable;
  if (!source.in || !support_formats(handle.a, charset_)) return unopenable;
  archive_read_set_callback_data(handle.a, &source);
  archive_read_set_read_callback(handle.a, read_file);
  archive_read_set_seek_callback(handle.a, seek_file);
  archive_read_set_skip_callback(handle.a, skip_file);
  if (archive_read_open1(handle.a) != ARCHIVE_OK) return unopenable;
  return TreeReader(*this, handle.a, false, wanted).read();
}

Tree Reader::read_bytes(std::string_view bytes, const Wanted& wanted) {
  platform::ArchiveNameScope names;
  return read_memory(bytes, wanted, false);
}

Tree Reader::read_inner(std::string_view bytes, const Wanted& wanted) {
  return read_memory(bytes, wanted, true);
}

Tree Reader::read_memory(std::string_view bytes, const Wanted& wanted, bool nested) {
  ArchiveHandle handle;
  Tree unopenable;
  unopenable.stop = Stop::kUnopenable;
  if (!support_formats(handle.a, charset_) ||
      archive_read_open_memory(handle.a, bytes.data(), bytes.size()) != ARCHIVE_OK) {
    return unopenable;
  }
  return TreeReader(*this, handle.a, nested, wanted).read();
}

}  // namespace codetwin::archive
