// How far a long step has gone, on standard error.
//
// At a terminal, one line redrawn in place a few times a second and wiped
// when the step ends. Anywhere else (a file or a pipe: a batch system's
// log, `nohup`) a line of its own at most every half minute, so that
// `tail -f` on the log tells where the run is without filling it; a step
// shorter than that writes nothing there.
#ifndef CODETWIN_DRIVER_PROGRESS_H_
#define CODETWIN_DRIVER_PROGRESS_H_

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace codetwin::driver {

using Clock = std::chrono::steady_clock;

inline constexpr std::chrono::milliseconds kRedrawPeriod{250};
inline constexpr std::chrono::seconds kLogPeriod{30};

/// "比较：1200/5000（24%），每秒 300，约剩 0 分 12 秒": the count, the share,
/// and after the first second the rate and the time left.
std::string progress_text(std::string_view what, std::uint64_t done, std::uint64_t total,
                          Clock::duration elapsed);

/// When the next line is due: a period after the start, then a period
/// after each line shown.
class ProgressPace {
 public:
  ProgressPace(Clock::duration period, Clock::time_point start) : period_(period), last_(start) {}
  /// Whether a line is due at `now`; if so, the next is a period later.
  bool due(Clock::time_point now);

 private:
  Clock::duration period_;
  Clock::time_point last_;
};

/// The progress of one step, on standard error, as described above.
class Progress {
 public:
  explicit Progress(std::string what);
  ~Progress() { clear(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  /// Shows `done` of `total` when a line is due.
  void update(std::uint64_t done, std::uint64_t total);
  /// Wipes the terminal's line (before a message of its own, or at the end).
  void clear();

 private:
  std::string what_;
  bool terminal_;
  Clock::time_point start_;
  ProgressPace pace_;
  std::size_t last_length_ = 0;
};

}  // namespace codetwin::driver

#endif  // CODETWIN_DRIVER_PROGRESS_H_
