// The tool that draws Qarn's background picture: the file it writes is a
// plain 640 x 480, 24-bit BMP that another reader (SDL's) agrees with, and
// the picture is colourful and shows every mirror flip.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/app/SdlBmp.h"
#include "tests/common/RunTool.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

using Picture = std::vector<uint32_t>;

// The share of pixels in the top-left w x h box that differ noticeably from
// the pixel the mirror sends them to.
double ShareChangedBy(const Picture& picture, int w, int h, bool mirrorX, bool mirrorY) {
  int changed = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t a = picture[y * kWidth + x];
      const uint32_t b = picture[(mirrorY ? h - 1 - y : y) * kWidth + (mirrorX ? w - 1 - x : x)];
      int difference = 0;
      for (int shift = 0; shift < 24; shift += 8)
        difference += std::abs(int(a >> shift & 255) - int(b >> shift & 255));
      changed += difference > 24;
    }
  return double(changed) / (w * h);
}

TEST(LogoGen, WritesAColourfulBmpThatSdlReadsAlikeShowsEveryFlipAndRefusesBadArguments) {
  TempFolder folder;
  ToolRun run = RunTool(LOGOGEN_PATH, "logo.bmp");
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string file = ReadWholeFile("logo.bmp");
  ASSERT_EQ(file.size(), 54u + kWidth * 3 * kHeight);
  // The size, pixels at 54, a 40-byte header, bottom-up rows, one plane of 24 bits, no compression.
  const uint32_t fields[] = {uint32_t(file.size()), 0, 54, 40, kWidth, kHeight, 1 | 24 << 16, 0};
  EXPECT_TRUE(file.substr(0, 2) == "BM" && std::memcmp(file.data() + 2, fields, sizeof fields) == 0);
  // A plain 24-bit file: the header, then the rows bottom-up in blue, green, red, as SDL reads them.
  Picture picture = ReadBmpWithSdl("logo.bmp", kWidth, kHeight);
  ASSERT_FALSE(picture.empty()) << SDL_GetError();
  for (int i = 0; i < kWidth * kHeight; ++i) {
    const auto* bgr = reinterpret_cast<const uint8_t*>(file.data()) + 54 +
                      ((kHeight - 1 - i / kWidth) * kWidth + i % kWidth) * 3;
    ASSERT_EQ(uint32_t(bgr[2] << 16 | bgr[1] << 8 | bgr[0]), picture[size_t(i)]) << i;
  }
  EXPECT_GT(std::set<uint32_t>(picture.begin(), picture.end()).size(), 2000u);
  // The whole picture and its top-left 200 x 200 piece (the demo's small
  // sprites) under a left-right, a top-bottom and a both-ways mirror.
  for (auto [w, h] : {std::pair{kWidth, kHeight}, {200, 200}})
    for (auto [mirrorX, mirrorY] : {std::pair{true, false}, {false, true}, {true, true}})
      EXPECT_GT(ShareChangedBy(picture, w, h, mirrorX, mirrorY), 0.3) << w << " " << mirrorX << mirrorY;
  // Bad arguments and unwritable paths.
  for (auto [arguments, status, message] :
       {std::tuple{"", 2, "Usage: logogen OUTPUT.bmp"},
        {"missing/folder/logo.bmp", 1, "cannot write missing/folder/logo.bmp"}}) {
    ToolRun run = RunTool(LOGOGEN_PATH, arguments);
    EXPECT_TRUE(run.status == status && (run.out + run.errors).find(message) != std::string::npos)
        << arguments << ": " << run.out << run.errors;
  }
}

}  // namespace
