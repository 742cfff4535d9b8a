// Interrupts on Windows: Ctrl-Break sent to a child's process group raises
// its flag, and it exits 130 instead of being ended.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/interrupt.h"
#include "platform/win32_text.h"
#include "tests/platform/temp_dir.h"
#include "tests/platform/win32/child.h"

namespace codetwin::platform {
namespace {

using codetwin::testing::kWaitForInterrupt;
using codetwin::testing::TempDir;

TEST(InterruptWin32Test, ControlEventRaisesTheFlag) {
  catch_interrupts();
  EXPECT_FALSE(interrupted());
  // Sent to every process on this console, this one included (a console of
  // its own when it has none).
  const bool own_console = AllocConsole() != 0;
  if (!GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0)) {
    if (own_console) FreeConsole();
    GTEST_SKIP() << "no console to send the event on";
  }
  // The handler runs on a thread of its own: wait for it, a bounded time.
  for (int i = 0; i < 30000 && !interrupted(); ++i) Sleep(1);
  EXPECT_TRUE(interrupted());
  if (own_console) FreeConsole();
}

}  // namespace
}  // namespace codetwin::platform
