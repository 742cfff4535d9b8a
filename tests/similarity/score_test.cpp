#include <cmath>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "common/texts.h"
#include "similarity/similarity.h"

namespace codetwin::similarity {
namespace {

TEST(ScoreTest, PrintedSimilarityAndVerdict) {
  struct Case {
    std::int64_t MatchLen, lena, lenb;
    const char* printed;
    bool suspected;
  };
  const Case cases[] = {
      {4, 4, 6, "0.800000", true},      // exactly the threshold
      {66, 72, 76, "0.891892", true},   // the worked pair
      {11, 11, 11, "1.000000", true},   // equal strings
      {7, 8, 11, "0.736842", false},
      {8, 8, 43, "0.313726", false},    // single precision: not 0.313725
      {0, 5, 5, "0.000000", false},
      {0, 0, 7, "0.000000", false},
      {0, 0, 0, "nan", false},          // never "-nan"
  };
  for (const Case& c : cases) {
    std::string name = std::to_string(c.MatchLen) + "/" + std::to_string(c.lena) + "+" +
                       std::to_string(c.lenb);
    float n = similarity(c.MatchLen, c.lena, c.lenb);
    EXPECT_TRUE(score_text(c.MatchLen, n).ends_with(texts::fill(texts::kSimilarity.gbk, c.printed)))
        << name << ": " << score_text(c.MatchLen, n);
    EXPECT_EQ(verdict_text(n), c.suspected ? texts::kSuspected.gbk : texts::kNotSuspected.gbk)
        << name;
  }
}

// The verdict is the exact test 5 x MatchLen >= 2 x (lena + lenb): no quotient
// just below 0.8 is rounded up to it.
TEST(ScoreTest, VerdictAgreesWithTheExactTest) {
  for (std::int64_t total = 1; total <= 4000; ++total) {
    for (std::int64_t MatchLen = (total * 2) / 5 - 2; MatchLen <= (total * 2) / 5 + 2; ++MatchLen) {
      if (MatchLen < 0) continue;
      bool exact = 5 * MatchLen >= 2 * total;
      float n = similarity(MatchLen, total / 2, total - total / 2);
      EXPECT_EQ(verdict_text(n) == texts::kSuspected.gbk, exact) << MatchLen << "/" << total;
    }
  }
}

TEST(ScoreTest, SimilarityIsTheQuotientRoundedOnceToFloat) {
  EXPECT_EQ(similarity(8, 8, 43), 16.0f / 51.0f);
  EXPECT_EQ(similarity(1, 1, 2), static_cast<float>(2.0 / 3.0));
  EXPECT_TRUE(std::isnan(similarity(0, 0, 0)));
}

TEST(ScoreTest, ScoreBlockLayout) {
  std::string expected = texts::fill(texts::kTotalLength.gbk, "66");
  for (const texts::Text* line :
       {&texts::kAccordingTo, &texts::kRule, &texts::kFormula, &texts::kRule}) {
    expected += std::string(line->gbk) + "\n";
  }
  expected += texts::fill(texts::kSimilarity.gbk, "0.891892");
  EXPECT_EQ(score_text(66, similarity(66, 72, 76)), expected);
}

}  // namespace
}  // namespace codetwin::similarity
