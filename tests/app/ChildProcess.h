// Qarn's application object lives until its process ends: tests that run it
// run their statements in a forked child, so that each meets a new one and
// the test program passes when run directly as well as one test at a time.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

// Passes when the statements ran to their end with every check passing.
#define IN_CHILD_PROCESS(...)                                          \
  EXPECT_EXIT(                                                         \
      {                                                                \
        __VA_ARGS__;                                                   \
        std::exit(testing::Test::HasFailure() ? 1 : 0);                \
      },                                                               \
      testing::ExitedWithCode(0), "")
