#include "tests/e2e/dialogue.h"

namespace codetwin::testing {

std::string_view Dialogue::pick(const texts::Text& text) const {
  return console_ == Console::kUtf8 ? text.utf8 : text.gbk;
}

Dialogue& Dialogue::text(const texts::Text& text) {
  out_ += pick(text);
  return *this;
}

Dialogue& Dialogue::request() {
  out_ += pick(texts::kRequest);
  out_ += "\n";
  return *this;
}

Dialogue& Dialogue::failure(const texts::Text& message) {
  text(message);
  out_ += "\n";
  return *this;
}

Dialogue& Dialogue::generated() { return text(texts::kTokensGenerated); }

Dialogue& Dialogue::lengths(std::int64_t lena, std::int64_t lenb) {
  out_ += texts::fill(pick(texts::kLength1), std::to_string(lena));
  out_ += texts::fill(pick(texts::kLength2), std::to_string(lenb));
  return *this;
}

Dialogue& Dialogue::questions() {
  text(texts::kViewQuestion);
  return text(texts::kDetailsQuestion);
}

Dialogue& Dialogue::pass(int number, const std::string& A, const std::string& B) {
  out_ += texts::fill(pick(texts::kPassHeader), std::to_string(number));
  out_ += A + "\n" + B + "\n";
  return *this;
}

Dialogue& Dialogue::score(std::int64_t MatchLen, const std::string& similarity, bool suspected) {
  out_ += texts::fill(pick(texts::kTotalLength), std::to_string(MatchLen));
  for (const texts::Text* line :
       {&texts::kAccordingTo, &texts::kRule, &texts::kFormula, &texts::kRule}) {
    text(*line);
    out_ += "\n";
  }
  out_ += texts::fill(pick(texts::kSimilarity), similarity);
  return text(suspected ? texts::kSuspected : texts::kNotSuspected);
}

std::string full_run(std::int64_t lena, std::int64_t lenb, std::int64_t MatchLen,
                     const std::string& similarity, bool suspected, Console console) {
  return Dialogue(console)
      .request()
      .generated()
      .lengths(lena, lenb)
      .questions()
      .score(MatchLen, similarity, suspected)
      .str();
}

}  // namespace codetwin::testing
