// Qarn's application object lives until its process ends: tests that run it
// run their statements in a forked child, so that each meets a new one and
// the test program passes when run directly as well as one test at a time.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

// Writes the child's failures where the parent shows them; 1 when there were any.
inline int ChildStatus() {
  const testing::TestResult* result = testing::UnitTest::GetInstance()->current_test_info()->result();
  for (int i = 0; i < result->total_part_count(); ++i)
    std::fprintf(stderr, "%s:%d: %s\n", result->GetTestPartResult(i).file_name(), result->GetTestPartResult(i).line_number(),
                 result->GetTestPartResult(i).message());
  return result->Failed();
}

// Passes when the body ran to its end (or an ASSERT left it) with every check passing.
template <class Body>
void InChildProcess(Body body) {
  EXPECT_EXIT({ body(); std::exit(ChildStatus()); }, testing::ExitedWithCode(0), "");
}
