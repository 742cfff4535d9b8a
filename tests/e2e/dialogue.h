// What the program prints, piece by piece, for the end-to-end tests to
// compare against. Built from the program's texts in GBK, or in UTF-8 for a
// UTF-8 console.
#ifndef CODETWIN_TESTS_E2E_DIALOGUE_H_
#define CODETWIN_TESTS_E2E_DIALOGUE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "common/texts.h"

namespace codetwin::testing {

enum class Console { kGbk, kUtf8 };

class Dialogue {
 public:
  explicit Dialogue(Console console = Console::kGbk) : console_(console) {}

  /// The request and its line end.
  Dialogue& request();
  /// The request, then a failure message and its line end.
  Dialogue& failure(const texts::Text& message);
  /// The success line after both sources were tokenized.
  Dialogue& generated();
  Dialogue& lengths(std::int64_t lena, std::int64_t lenb);
  Dialogue& questions();
  /// One details block: the pass number and both strings after the pass.
  Dialogue& pass(int number, const std::string& A, const std::string& B);
  /// Total, formula, similarity as printed ("0.891892", "nan"), verdict.
  Dialogue& score(std::int64_t MatchLen, const std::string& similarity, bool suspected);
  Dialogue& text(const texts::Text& text);

  const std::string& str() const { return out_; }

 private:
  std::string_view pick(const texts::Text& text) const;
  Console console_;
  std::string out_;
};

/// The whole dialogue of a run that reaches the verdict without details.
std::string full_run(std::int64_t lena, std::int64_t lenb, std::int64_t MatchLen,
                     const std::string& similarity, bool suspected,
                     Console console = Console::kGbk);

}  // namespace codetwin::testing

#endif  // CODETWIN_TESTS_E2E_DIALOGUE_H_
