#include <gtest/gtest.h>

#include "app/EngineErrors.h"
#include "engine/object/TSCustomException.h"
#include "tests/common/TempFolder.h"

namespace {

TEST(EngineErrors, AnEscapingEngineExceptionIsLoggedShownAndEndsTheRun) {
  TempFolder folder;
  EXPECT_EXIT(RunReportingEngineErrors([]() -> int {
                throw new (std::nothrow) Tessel::CTSCustomException("Dirty Rect Count too large! %d", 7);
              }),
              testing::ExitedWithCode(1), "qarn: Dirty Rect Count too large! 7");
  EXPECT_EQ(ReadWholeFile("QarnLog.txt"), "Dirty Rect Count too large! 7\n");
}

TEST(EngineErrors, ANormalRunKeepsItsResult) {
  EXPECT_EQ(RunReportingEngineErrors([] { return 42; }), 42);
}

}  // namespace
