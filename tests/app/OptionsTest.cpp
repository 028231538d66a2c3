#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Options.h"

namespace {

bool Parse(std::vector<const char*> arguments, QarnOptions* options, std::string* error) {
  arguments.insert(arguments.begin(), "qarn");
  return ParseQarnOptions(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

TEST(Options, ReadsFramesHeadlessAndHelp) {
  QarnOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"--headless", "--frames", "60"}, &options, &error));
  EXPECT_TRUE(options.headless);
  EXPECT_EQ(options.frames, 60u);
  EXPECT_FALSE(options.help);
  ASSERT_TRUE(Parse({"--screenshot", "out/last.png"}, &options, &error));
  EXPECT_EQ(options.screenshot, "out/last.png");
  ASSERT_TRUE(Parse({"--help"}, &options, &error));
  EXPECT_TRUE(options.help);
  QarnOptions defaults;
  ASSERT_TRUE(Parse({}, &defaults, &error));
  EXPECT_EQ(defaults.frames, 0u);
  EXPECT_FALSE(defaults.headless);
  EXPECT_TRUE(defaults.device == TS_GUID_GDI_GRAPHICS);
}

TEST(Options, ChoosesTheDeviceKind) {
  QarnOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"--device", "d3d8"}, &options, &error));
  EXPECT_TRUE(options.device == TS_GUID_D3D8_GRAPHICS);
  ASSERT_TRUE(Parse({"--device", "software"}, &options, &error));
  EXPECT_TRUE(options.device == TS_GUID_GDI_GRAPHICS);
  for (std::vector<const char*> bad : std::vector<std::vector<const char*>>{
           {"--device"}, {"--device", "D3D8"}, {"--device", "gdi"}, {"--device", ""}}) {
    QarnOptions refused;
    EXPECT_FALSE(Parse(bad, &refused, &error)) << bad.back();
    EXPECT_EQ(error, "--device needs software or d3d8");
    EXPECT_TRUE(refused.device == TS_GUID_GDI_GRAPHICS);
  }
}

TEST(Options, RefusesBadFrameCountsAndUnknownOptions) {
  for (std::vector<const char*> bad : std::vector<std::vector<const char*>>{
           {"--frames"}, {"--frames", "0"}, {"--frames", "-3"}, {"--frames", "12x"},
           {"--frames", "4294967296"}, {"--frames", ""}, {"--fullscreen"}, {"--screenshot"},
           {"--screenshot", "shot.jpg"}, {"--screenshot", ".png"}}) {
    QarnOptions options;
    std::string error;
    EXPECT_FALSE(Parse(bad, &options, &error)) << bad.back();
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
