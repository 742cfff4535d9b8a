#include "platform/files.h"

#include <array>
#include <filesystem>
#include <system_error>

namespace codetwin::platform {

std::optional<std::string> read_text_file(const char* path) {
  // Only a regular file is text to read: opening a FIFO would wait for a
  // writer forever, and a device such as /dev/zero never ends.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return std::nullopt;
  std::string text;
  bool pending_cr = false;
  std::array<char, 1 << 16> chunk;
  bool more = true;
  while (more) {
    std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
    if (got == 0) break;
    more = decode_text_mode(std::string_view(chunk.data(), got), pending_cr, text);
  }
  // A directory opens on POSIX but fails to read: that is an unreadable source.
  bool read_failed = std::ferror(file) != 0;
  std::fclose(file);
  if (read_failed) return std::nullopt;
  finish_text_mode(pending_cr, text);
  return text;
}

bool is_same_file(const char* first, const char* second) {
  std::error_code error;
  return std::filesystem::equivalent(first, second, error) && !error;
}

OutputFile::~OutputFile() {
  if (file_ != nullptr) {
    if (std::fclose(file_) != 0) failed_ = true;
    cut_to_written();
  }
}

bool OutputFile::create(const char* path) {
  // ext4 writes a file out to the disk at close when it was truncated to
  // nothing and written again (its guard for programs that replace a file
  // that way): about 0.3 ms a file, more than the rest of the writing. A
  // regular file that exists is instead written over in place, and cut to
  // the bytes written when it is closed or dropped: it then holds exactly
  // what truncating it would have left.
  std::error_code error;
  if (std::filesystem::is_regular_file(path, error)) file_ = std::fopen(path, "r+b");
  if (file_ != nullptr) {
    in_place_ = path;
  } else {
    // A new file, one that is not regular (a device), or one that cannot
    // be read (write-only).
    file_ = std::fopen(path, "wb");
  }
  written_ = 0;
  failed_ = file_ == nullptr;
  return !failed_;
}

bool OutputFile::write(std::string_view text, LineEnds line_ends) {
  if (failed_ || file_ == nullptr) return false;
  std::string stored;
  if (line_ends != LineEnds::kAsIs) {
    stored = encode_line_ends(text, line_ends);
    text = stored;
  }
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
    failed_ = true;
  } else {
    written_ += text.size();
  }
  return !failed_;
}

bool OutputFile::close() {
  if (file_ == nullptr) return false;
  if (std::fflush(file_) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  if (!cut_to_written()) failed_ = true;
  return !failed_;
}

bool OutputFile::cut_to_written() {
  if (!in_place_) return true;
  // After a failure, what reached the file is not known: it keeps none of
  // its old bytes and none of the new.
  std::error_code error;
  std::filesystem::resize_file(*in_place_, failed_ ? 0 : written_, error);
  in_place_.reset();
  return !error;
}

}  // namespace codetwin::platform
