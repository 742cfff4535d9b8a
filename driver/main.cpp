// codetwin: tells whether two C sources, file1.c and file2.c in the working
// directory, are suspected copies of each other. Command-line arguments are
// ignored. Exit status 0 when the run reaches its verdict, 1 on a failure.
#include "common/file_names.h"
#include "common/texts.h"
#include "lexer/lexer.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "similarity/similarity.h"

namespace {

using namespace codetwin;

// A common run is tiled only when it is longer than this.
constexpr int kMinMatchLen = 3;

// An output that is a source under another name (a link) would destroy that
// source when it is created.
bool overwrites_a_source(const SourceFiles& files) {
  for (const char* output : {files.list, files.token}) {
    for (const SourceFiles& source : {kFirst, kSecond}) {
      if (platform::is_same_file(output, source.source)) return true;
    }
  }
  return false;
}

int fail(std::string_view message) {
  platform::print(message);
  platform::print("\n");
  platform::flush_console();
  return 1;
}

}  // namespace

int main() {
  platform::keep_freed_memory();
  platform::init_console();
  platform::clear_console();
  platform::print(texts::kRequest.gbk);
  platform::print("\n");
  platform::read_char();

  for (const SourceFiles& files : {kFirst, kSecond}) {
    if (overwrites_a_source(files)) return fail(texts::kWriteFailed.gbk);
    switch (lexer::token(files.source, files.list, files.token)) {
      case lexer::TokenStatus::kOk:
        break;
      case lexer::TokenStatus::kSourceUnopenable:
        return fail(texts::kSourceUnopenable.gbk);
      case lexer::TokenStatus::kWriteFailed:
        return fail(texts::kWriteFailed.gbk);
    }
  }
  platform::print(texts::kTokensGenerated.gbk);
  platform::read_char();

  if (similarity::simple(kMinMatchLen) != similarity::CompareStatus::kOk) {
    platform::print(texts::kOpenFailed.gbk);
    platform::read_key();
    return 1;
  }
  platform::flush_console();
  return 0;
}
