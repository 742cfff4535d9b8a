#include "driver/progress.h"

#include "platform/tool_console.h"

namespace codetwin::driver {

std::string progress_text(std::string_view what, std::uint64_t done, std::uint64_t total,
                          Clock::duration elapsed) {
  const double seconds = std::chrono::duration<double>(elapsed).count();
  std::string line = std::string(what) + "：" + std::to_string(done) + "/" + std::to_string(total);
  if (total > 0) line += "（" + std::to_string(done * 100 / total) + "%）";
  if (seconds > 1 && done > 0 && done <= total) {
    const double rate = static_cast<double>(done) / seconds;
    line += "，每秒 " + std::to_string(static_cast<std::uint64_t>(rate));
    const auto left = static_cast<std::uint64_t>(static_cast<double>(total - done) / rate);
    line += "，约剩 " + std::to_string(left / 60) + " 分 " + std::to_string(left % 60) + " 秒";
  }
  return line;
}

bool ProgressPace::due(Clock::time_point now) {
  if (now - last_ < period_) return false;
  last_ = now;
  return true;
}

Progress::Progress(std::string what)
    : what_(std::move(what)),
      terminal_(platform::stderr_is_terminal()),
      start_(Clock::now()),
      pace_(terminal_ ? kRedrawPeriod : kLogPeriod, start_) {}

void Progress::update(std::uint64_t done, std::uint64_t total) {
  const Clock::time_point now = Clock::now();
  if (!pace_.due(now)) return;
  const std::string text = progress_text(what_, done, total, now - start_);
  if (!terminal_) {
    platform::write_stderr(platform::text_for_console("codetwin-class：" + text + "\n"));
    return;
  }
  // Built by appending: GCC 12 warns falsely (-Wrestrict) on "\r" + string.
  std::string shown = "\r";
  shown += platform::text_for_console(text);
  const std::size_t length = shown.size();
  if (length < last_length_) shown.append(last_length_ - length, ' ');
  last_length_ = length;
  platform::write_stderr(shown);
}

void Progress::clear() {
  if (!terminal_ || last_length_ == 0) return;
  std::string blank = "\r";
  blank.append(last_length_, ' ');
  blank += '\r';
  platform::write_stderr(blank);
  last_length_ = 0;
}

}  // namespace codetwin::driver
