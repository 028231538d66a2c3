// The tool that draws Qarn's background picture: the file it writes is a
// plain 640 x 480, 24-bit BMP that another reader (SDL's) agrees with, and
// the picture is colourful and shows every mirror flip.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tests/common/RunTool.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

int RunLogoGen(const std::string& arguments) { return RunTool(LOGOGEN_PATH, arguments).status; }

uint32_t Get32(const std::string& file, size_t at) {
  return uint8_t(file[at]) | uint8_t(file[at + 1]) << 8 | uint8_t(file[at + 2]) << 16 |
         uint32_t(uint8_t(file[at + 3])) << 24;
}

// 0xRRGGBB, row 0 at the top.
using Picture = std::vector<uint32_t>;

Picture ReadWithSdl(const char* path) {
  Picture picture;
  SDL_Surface* loaded = SDL_LoadBMP(path);
  if (loaded == nullptr) return picture;
  SDL_Surface* surface = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_XRGB8888, 0);
  SDL_FreeSurface(loaded);
  if (surface == nullptr) return picture;
  if (surface->w == kWidth && surface->h == kHeight)
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        picture.push_back(static_cast<const uint32_t*>(surface->pixels)[y * surface->pitch / 4 + x] &
                          0xFFFFFF);
  SDL_FreeSurface(surface);
  return picture;
}

// The share of pixels in the box (x0, y0, w, h) that differ noticeably from
// the pixel the mapping sends them to.
double ShareChangedBy(const Picture& picture, int x0, int y0, int w, int h, bool mirrorX, bool mirrorY) {
  int changed = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t a = picture[(y0 + y) * kWidth + x0 + x];
      uint32_t b = picture[(y0 + (mirrorY ? h - 1 - y : y)) * kWidth + x0 + (mirrorX ? w - 1 - x : x)];
      int difference = 0;
      for (int shift = 0; shift < 24; shift += 8)
        difference += std::abs(int(a >> shift & 255) - int(b >> shift & 255));
      changed += difference > 24;
    }
  return double(changed) / (w * h);
}

TEST(LogoGen, WritesAPlain24BitBmpThatSdlReadsAlike) {
  TempFolder folder;
  ASSERT_EQ(RunLogoGen("logo.bmp"), 0) << ReadWholeFile("tool-errors.txt");
  const std::string file = ReadWholeFile("logo.bmp");
  const size_t rowBytes = kWidth * 3;  // already a multiple of 4
  ASSERT_EQ(file.size(), 54 + rowBytes * kHeight);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(Get32(file, 2), file.size());
  EXPECT_EQ(Get32(file, 10), 54u);
  EXPECT_EQ(Get32(file, 14), 40u);
  EXPECT_EQ(Get32(file, 18), uint32_t(kWidth));
  EXPECT_EQ(Get32(file, 22), uint32_t(kHeight));  // positive: bottom-up rows
  EXPECT_EQ(Get32(file, 26), 1u | 24u << 16);     // one plane, 24 bits
  EXPECT_EQ(Get32(file, 30), 0u);                 // uncompressed

  // The rows as stored, bottom-up in blue, green, red, against SDL's reading.
  Picture own;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      size_t at = 54 + (kHeight - 1 - y) * rowBytes + x * 3;
      own.push_back(uint8_t(file[at + 2]) << 16 | uint8_t(file[at + 1]) << 8 | uint8_t(file[at]));
    }
  Picture sdl = ReadWithSdl("logo.bmp");
  ASSERT_EQ(sdl.size(), own.size()) << SDL_GetError();
  EXPECT_TRUE(sdl == own);

  // The same picture on every run.
  ASSERT_EQ(RunLogoGen("again.bmp"), 0);
  EXPECT_TRUE(ReadWholeFile("again.bmp") == file);
}

TEST(LogoGen, ThePictureIsColourfulAndShowsEveryFlip) {
  TempFolder folder;
  ASSERT_EQ(RunLogoGen("logo.bmp"), 0) << ReadWholeFile("tool-errors.txt");
  Picture picture = ReadWithSdl("logo.bmp");
  ASSERT_EQ(picture.size(), size_t(kWidth * kHeight)) << SDL_GetError();

  std::set<uint32_t> colours(picture.begin(), picture.end());
  EXPECT_GT(colours.size(), 2000u);
  // Pixels where one channel is strong and the other two weak, for each channel.
  for (int shift = 0; shift < 24; shift += 8) {
    int pure = 0;
    for (uint32_t p : picture) {
      int own = p >> shift & 255, others = (p >> ((shift + 8) % 24) & 255) + (p >> ((shift + 16) % 24) & 255);
      pure += own > 180 && others < 160;
    }
    EXPECT_GT(pure, kWidth * kHeight / 200) << "channel at bit " << shift;
  }

  // The whole picture and its top-left 200 x 200 piece (the demo's small
  // sprites) under a left-right, a top-bottom and a both-ways mirror.
  for (bool piece : {false, true}) {
    SCOPED_TRACE(piece ? "piece" : "whole");
    int w = piece ? 200 : kWidth, h = piece ? 200 : kHeight;
    EXPECT_GT(ShareChangedBy(picture, 0, 0, w, h, true, false), 0.3);
    EXPECT_GT(ShareChangedBy(picture, 0, 0, w, h, false, true), 0.3);
    EXPECT_GT(ShareChangedBy(picture, 0, 0, w, h, true, true), 0.3);
  }
}

TEST(LogoGen, RefusesBadArgumentsAndUnwritablePaths) {
  TempFolder folder;
  for (auto [arguments, status, message] : {std::tuple{"", 2, "Usage: logogen OUTPUT.bmp"}, {"a.bmp b.bmp", 2, "Usage"},
                                             {"missing/folder/logo.bmp", 1, "cannot write missing/folder/logo.bmp"}}) {
    ToolRun run = RunTool(LOGOGEN_PATH, arguments);
    EXPECT_EQ(run.status, status) << arguments;
    EXPECT_NE((run.out + run.errors).find(message), std::string::npos) << arguments << ": " << run.out << run.errors;
  }
}

}  // namespace
