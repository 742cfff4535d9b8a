#include "platform/files.h"

#include <array>

namespace codetwin::platform {

std::optional<std::string> read_text_file(const char* path) {
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

OutputFile::~OutputFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool OutputFile::create(const char* path) {
  file_ = std::fopen(path, "wb");
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
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) failed_ = true;
  return !failed_;
}

bool OutputFile::close() {
  if (file_ == nullptr) return false;
  if (std::fflush(file_) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

}  // namespace codetwin::platform
