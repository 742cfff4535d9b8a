#include "driver/progress.h"

#include <gtest/gtest.h>

namespace codetwin::driver {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

TEST(ProgressTest, TextGivesRateAndTimeLeftOnceASecondHasPassed) {
  struct Row {
    std::uint64_t done, total;
    Clock::duration elapsed;
    const char* expected;
  };
  for (const Row& row : {
           Row{0, 5000, seconds(0), "比较：0/5000（0%）"},
           Row{1200, 5000, milliseconds(900), "比较：1200/5000（24%）"},
           Row{1200, 5000, seconds(4), "比较：1200/5000（24%），每秒 300，约剩 0 分 12 秒"},
           Row{100, 100000, seconds(10), "比较：100/100000（0%），每秒 10，约剩 166 分 30 秒"},
           Row{5000, 5000, seconds(4), "比较：5000/5000（100%），每秒 1250，约剩 0 分 0 秒"},
           Row{0, 0, seconds(4), "比较：0/0"},
           Row{0, 5000, seconds(40), "比较：0/5000（0%）"},
       }) {
    EXPECT_EQ(progress_text("比较", row.done, row.total, row.elapsed), row.expected);
  }
}

TEST(ProgressTest, PaceShowsALineAtMostEveryPeriod) {
  const Clock::time_point start{};
  ProgressPace pace(seconds(30), start);
  struct Step {
    Clock::duration at;
    bool due;
  };
  for (const Step& step : {Step{seconds(1), false}, Step{seconds(29), false},
                           Step{seconds(30), true}, Step{seconds(31), false},
                           Step{seconds(59), false}, Step{seconds(75), true},
                           Step{seconds(104), false}, Step{seconds(105), true}}) {
    EXPECT_EQ(pace.due(start + step.at), step.due)
        << std::chrono::duration_cast<seconds>(step.at).count() << " s";
  }
}

}  // namespace
}  // namespace codetwin::driver
