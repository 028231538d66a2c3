#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "app/GameFrame.h"
#include "platform/Platform.h"
#include "tests/common/TempFolder.h"

namespace {

const std::string kSeparator(70, '-');

SYSTEMTIME March5th2006() {
  SYSTEMTIME time{};
  time.wYear = 2006;
  time.wMonth = 3;
  time.wDay = 5;
  time.wHour = 9;
  time.wMinute = 7;
  time.wSecond = 3;
  return time;
}

class GameLogTest : public testing::Test {
 protected:
  void SetUp() override { Platform::EnableVirtualClock(0, March5th2006()); }
  void TearDown() override { Platform::DisableVirtualClock(); }
  TempFolder m_folder;
};

TEST_F(GameLogTest, TheRunIsFramedByBannersWithTheirPadding) {
  auto frame = std::make_unique<CGameFrame>();
  Sleep(3 * 3600 * 1000 + 50 * 60 * 1000 + 10 * 1000);  // to 12:57:13
  frame.reset();
  EXPECT_EQ(ReadWholeFile("QarnLog.txt"),
            kSeparator + "\n" +
                "----------------Qarn log Started at 2006,03,05, 9: 7:03---------------\n"
                "-----------------Qarn log ended at 2006,03,05,12:57:13----------------\n" +
                kSeparator + "\n");
}

TEST_F(GameLogTest, ConstructionEmptiesTheOldLog) {
  CGameFrame::Log("left over from an earlier run");
  auto frame = std::make_unique<CGameFrame>();
  std::string log = ReadWholeFile("QarnLog.txt");
  EXPECT_EQ(log.find("left over"), std::string::npos);
  EXPECT_EQ(log.rfind(kSeparator + "\n", 0), 0u);
}

TEST_F(GameLogTest, ArgumentsAreWrittenUnchanged) {
  CGameFrame::Log("Create Graphics Device With %d x %d, FullScreen = %s OK!", 640, 480, "False");
  CGameFrame::Log("%s", "100%d sure %s");
  EXPECT_EQ(ReadWholeFile("QarnLog.txt"),
            "Create Graphics Device With 640 x 480, FullScreen = False OK!\n100%d sure %s\n");
}

TEST_F(GameLogTest, LongLinesAreCutAt4095Characters) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += static_cast<char>('a' + i % 26);
  CGameFrame::Log("%s", text.c_str());
  EXPECT_EQ(ReadWholeFile("QarnLog.txt"), text.substr(0, 4095) + "\n");
}

TEST_F(GameLogTest, AnUnwritableLogLosesLinesButNothingElse) {
  {
    std::unique_ptr<CGameFrame> frame;
    ASSERT_EQ(mkdir("QarnLog.txt", 0700), 0);  // a folder where the file should be
    frame = std::make_unique<CGameFrame>();
    CGameFrame::Log("lost");
  }
  struct stat info {};
  ASSERT_EQ(stat("QarnLog.txt", &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
}

}  // namespace
