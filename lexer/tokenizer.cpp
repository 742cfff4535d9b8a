// token(): the shell around the scanner and the writers.
#include <algorithm>
#include <optional>
#include <string>

#include "lexer/lexer.h"
#include "platform/files.h"

namespace codetwin::lexer {

namespace {

// The list file is written in slices of this many records, so that its text
// never has to be held whole in memory.
constexpr std::size_t kRecordsPerWrite = 1 << 16;

bool write_list(platform::OutputFile& file, const WordList& link) {
  if (!file.write(list_legend(), LineEnds::kCrLf)) return false;
  for (std::size_t begin = 0; begin < link.size(); begin += kRecordsPerWrite) {
    std::size_t end = std::min(link.size(), begin + kRecordsPerWrite);
    if (!file.write(list_records(link, begin, end), LineEnds::kCrLf)) return false;
  }
  return file.close();
}

}  // namespace

TokenStatus token(const char* name, const char* list, const char* token) {
  std::optional<std::string> source = platform::read_text_file(name);
  if (!source) return TokenStatus::kSourceUnopenable;

  // The list file is created before the token file: if the token file cannot
  // be created, an empty list file is left behind.
  platform::OutputFile list_file;
  if (!list_file.create(list)) return TokenStatus::kWriteFailed;
  platform::OutputFile token_file;
  if (!token_file.create(token)) return TokenStatus::kWriteFailed;

  WordList link = scan(*source);
  if (!token_file.write(token_string(link), LineEnds::kAsIs) || !token_file.close()) {
    return TokenStatus::kWriteFailed;
  }
  if (!write_list(list_file, link)) return TokenStatus::kWriteFailed;
  return TokenStatus::kOk;
}

}  // namespace codetwin::lexer
