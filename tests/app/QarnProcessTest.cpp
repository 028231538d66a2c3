// The qarn program itself, started in an empty folder as a user would.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "tests/common/TempFolder.h"

namespace {

int RunQarn(const std::string& arguments) {
  std::string command = std::string(QARN_PATH) + " " + arguments + " >out.txt 2>&1";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(QarnProcess, AHeadlessRunOfSixtyFramesLeavesAFramedLog) {
  TempFolder folder;
  std::filesystem::copy(QARN_DATA_DIR, ".", std::filesystem::copy_options::recursive);
  ASSERT_EQ(RunQarn("--headless --frames 60"), 0) << ReadWholeFile("out.txt");
  const std::string separator(70, '-');
  const std::string time = "\\d{4},\\d\\d,\\d\\d,[ \\d]\\d:[ \\d]\\d:\\d\\d";
  std::regex expected(separator + "\n" + "-{16}Qarn log Started at " + time + "-{15}\n" +
                      "Game Window Created OK!\n" +
                      "Create Graphics Device With 640 x 480, FullScreen = False OK!\n" + "-{17}Qarn log ended at " + time + "-{16}\n" + separator + "\n");
  std::string log = ReadWholeFile("QarnLog.txt");
  EXPECT_TRUE(std::regex_match(log, expected)) << log;
}

TEST(QarnProcess, TheLastFrameIsSavedWhereAsked) {
  TempFolder folder;
  std::filesystem::copy(QARN_DATA_DIR, ".", std::filesystem::copy_options::recursive);
  ASSERT_EQ(RunQarn("--headless --frames 3 --screenshot last.bmp"), 0) << ReadWholeFile("out.txt");
  EXPECT_NE(ReadWholeFile("out.txt").find("Screenshot saved to " + folder.Path() + "/last.bmp"), std::string::npos);
  std::string bmp = ReadWholeFile("last.bmp");
  ASSERT_EQ(bmp.size(), 54u + 640u * 480u * 3u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  ASSERT_EQ(RunQarn("--headless --frames 3 --screenshot no/such/folder/last.png"), 1);
}

TEST(QarnProcess, WithoutItsPictureQarnSaysSoAndDrawsNoFrame) {
  TempFolder folder;
  ASSERT_EQ(RunQarn("--headless --frames 5"), 0);
  EXPECT_NE(ReadWholeFile("out.txt").find("Error: Unable to Load Background\\logo.bmp"), std::string::npos);
  std::string log = ReadWholeFile("QarnLog.txt");
  EXPECT_NE(log.find("FullScreen = False OK!\n-----------------Qarn log ended"), std::string::npos) << log;
}

TEST(QarnProcess, BadOptionsAreRefusedWithTheUsage) {
  TempFolder folder;
  EXPECT_EQ(RunQarn("--frames 0"), 2);
  EXPECT_NE(ReadWholeFile("out.txt").find("Usage: qarn"), std::string::npos);
  EXPECT_EQ(RunQarn("--help"), 0);
  EXPECT_NE(ReadWholeFile("out.txt").find("--headless"), std::string::npos);
  EXPECT_EQ(ReadWholeFile("QarnLog.txt"), "");  // nothing ran
}

}  // namespace
