// Folders of submissions for the end-to-end tests of codetwin-class, and
// what codetwin itself says of a pair.
#ifndef CODETWIN_TESTS_E2E_CLASS_FIXTURES_H_
#define CODETWIN_TESTS_E2E_CLASS_FIXTURES_H_

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "tests/e2e/class_runner.h"
#include "tests/e2e/program_runner.h"

namespace codetwin::testing {

/// Writes `bytes` at `relative` below `dir`, making the folders on the way.
inline void put(const ScratchDir& dir, const std::string& relative, std::string_view bytes) {
  const std::filesystem::path path = std::filesystem::path(dir.path()) / relative;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

/// The example pair's sources.
std::string example(const char* name);

/// Runs codetwin-class in `dir` on a UTF-8 console (LC_ALL=C.UTF-8).
ClassRunResult run_utf8(const std::string& dir, std::vector<std::string> args);

/// What codetwin prints for file1.c = `first` and file2.c = `second`: the
/// similarity as printed and MatchLen, or nullopt if the run failed.
struct CodetwinScore {
  std::string similarity;
  std::int64_t match_len = -1;
};
std::optional<CodetwinScore> codetwin_score(std::string_view first, std::string_view second);

/// Whether the locale `name` exists here (Wine reads names in the locale's
/// charset: a Windows build gets Chinese names right only in one that does).
bool locale_exists(const char* name);

/// The rows of a CSV file as fields, the byte-order mark and quoting undone.
std::vector<std::vector<std::string>> csv_rows(std::string_view csv);

}  // namespace codetwin::testing

#endif  // CODETWIN_TESTS_E2E_CLASS_FIXTURES_H_
