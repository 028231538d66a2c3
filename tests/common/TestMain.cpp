// Every test runs headless: windows live in memory, message boxes go to
// standard error.
#include <gtest/gtest.h>

#include "platform/Platform.h"

int main(int argc, char** argv) {
  Platform::SetHeadless(true);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
