// The Windows platform tests: GoogleTest, or a child mode (child.h).
#include <gtest/gtest.h>

#include "tests/platform/win32/child.h"

int main(int argc, char** argv) {
  if (std::optional<int> status = codetwin::testing::run_child_mode(argc, argv)) return *status;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
