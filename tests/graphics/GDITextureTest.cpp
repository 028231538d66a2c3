// The software texture and render target, and the pixel format conversions.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/graphics/TSPixelFormat.h"
#include "engine/image/TSImage.h"
#include "tests/graphics/BlitReference.h"

namespace {

using blitref::ForEachPath;
using blitref::Rgb;

// Sizes below 1 leave a texture empty. A key colour of alpha below 255 keys
// out its pixel value (a fresh texture's keys out cyan); keys stored from 16
// bits, or brought by an image, have alpha 255 and key nothing.
TEST(GDITextureTest, TexturesAndRenderTargets) {
  CTSGDITexture texture;
  for (auto [w, h] : {std::pair{0, 4}, {4, 0}, {-2, -2}})
    EXPECT_TRUE(!texture.Allocate(w, h, 4, 0) && !texture.IsValid() && texture.GetFilter() == -1);
  ASSERT_TRUE(texture.Allocate(5, 3, 4, 0) && !texture.GetPixelRow(-1) && !texture.GetPixelRow(3) &&
              !texture.GetAlphaRow(0));
  EXPECT_EQ(texture.GetColorKey16(), Rgb(0, 31, 31));
  for (auto [key, key16] : {std::pair<DWORD, WORD>{0x7F00FF07, Rgb(0, 31, 0)}, {0xFF00FF00, NO_COLOR_KEY}}) {
    texture.SetColorKey(key);
    EXPECT_EQ(texture.GetColorKey16(), key16);
  }
  texture.SetColorKey16(Rgb(0, 31, 0));
  EXPECT_TRUE(texture.GetColorKey().GetARGB() == 0xFF00F800u && texture.GetColorKey16() == NO_COLOR_KEY);
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(texture.Allocate(2, 1, 3, 0) && image->Create(2, 1, false) && texture.GetAlphaRow(0));
  image->GetScanline(0)[1] = 0x12345678;
  texture.SetColorKey(0);
  ASSERT_TRUE(texture.CopyFromImage(image.Get(), 0xFF000000) && texture.GetColorKey16() == NO_COLOR_KEY);
  EXPECT_EQ(texture.GetPixel(1, 0).GetARGB(), 0x12305078u);
  EXPECT_TRUE(image->Create(3, 1, false) && !texture.CopyFromImage(image.Get(), 0) &&
              !texture.CopyFromImage(nullptr, 0));
  texture.Free();
  EXPECT_TRUE(!texture.IsValid() && texture.GetPixelRow(0) == nullptr && texture.GetAlphaRow(0) == nullptr);

  // Render targets: clears fill the clip, clamped to the target, on every
  // instruction path; pixels read opaque; a texture copy gets no key. (Copies
  // to images are checked through the Direct3D 8 device's read-backs.)
  CTSGDIRenderTarget target;
  TSLockInfo info{};
  target.Clear(0xFFFFFFFF);  // no surface: nothing happens
  EXPECT_FALSE(target.IsValid() || target.Lock(info) || target.CopyToImage(image.Get()) ||
               target.GetPixel(0, 0).GetARGB());
  auto* surface = new CTSGDITexture;
  ASSERT_TRUE(surface->Allocate(150, 8, TEXTURE_FORMAT_X1R5G5B5, 0));
  target.SetSurface(surface);  // adopts our use
  target.SetWidth(150);
  target.SetHeight(8);
  const RECT clips[] = {{0, 0, 150, 8}, {-4, 2, 200, 6}, {3, 6, 4, 7}, {7, 7, 5, 8}};
  const DWORD colours[] = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
  ForEachPath([&](TSInstructionPath path) {
    for (int i = 0; i < 4; ++i) {
      target.SetClipRect(&clips[i]);
      target.Clear(colours[i]);
    }
    for (int p = 0; p < 1200; ++p) {
      const int x = p % 150, y = p / 150, last = x == 3 && y == 6 ? 2 : y >= 2 && y < 6 ? 1 : 0;
      ASSERT_EQ(target.GetPixel(x, y).GetARGB(), colours[last] & 0xFFF8F8F8) << int(path) << p;
    }
  });
  target.SetPixel(0, 7, 0x00FFFFFF);
  CTSGDITexture copy;
  ASSERT_TRUE(target.GetPixel(0, 7).GetARGB() == 0xFFF8F8F8u &&
              copy.Allocate(150, 8, TEXTURE_FORMAT_X1R5G5B5, 0) && target.CopyToTexture(&copy) &&
              !target.CopyToTexture(nullptr));
  EXPECT_TRUE(copy.GetPixelRow(7)[0] == 0x7FFF && copy.GetPixelRow(2)[149] == Rgb(31, 0, 0) &&
              copy.GetColorKey16() == NO_COLOR_KEY);
}

// Over every code: unknown ones have no size and convert nothing; known ones
// store random colours at pixel 1 of a row, leaving the neighbours, and read
// them back with the bits they hold (keep) and alpha 255 where they hold none
// (format 1 widens its alpha bit); 0x9A5C3E71 is stored as worked by hand.
TEST(PixelFormat, StoreThenReadKeepsWhatTheFormatHolds) {
  const DWORD kOpaque = 0xFF000000, kBit = 1;  // {format, 0x9A5C3E71 stored, keep, added}
  const DWORD formats[][4] = {{0, 0x9A5C3E71, ~0u, 0},          {1, 0xACEE, 0xF8F8F8, kBit},
                              {2, 0x9537, 0xF0F0F0F0, 0},       {3, 0x2CEE, 0xFFF8F8F8, 0},
                              {4, 0x2CEE, 0xF8F8F8, kOpaque},   {256, 0xFF5C3E71, 0xFFFFFF, kOpaque},
                              {257, 0x2CEE, 0xF8F8F8, kOpaque}, {258, 0x59EE, 0xF8FCF8, kOpaque}};
  std::mt19937 rng(7);
  for (INT format = -2; format < 262; ++format) {
    const auto* f =
        std::find_if(std::begin(formats), std::end(formats), [&](auto& f) { return f[0] == DWORD(format); });
    const INT bytes = format == 0 || format == 256 ? 4 : f != std::end(formats) ? 2 : 0;
    EXPECT_TRUE(IsTextureFormat(format) == (format >= 0 && format <= 4) &&
                PixelFormatBytes(format) == bytes &&
                IsRenderTargetFormat(format) == (format >= 256 && format <= 258))
        << format;
    for (int i = 0; i < (bytes ? 2000 : 1); ++i) {
      const DWORD c = i == 0 ? 0x9A5C3E71 : rng();
      const DWORD added = bytes == 0 ? 0 : (*f)[3] == kBit ? (c >> 31 ? kOpaque : 0) : (*f)[3];
      BYTE row[12] = {}, alpha[3] = {};
      StorePixel(format, row, alpha, 1, CTSColor(c));
      ASSERT_EQ(ReadPixel(format, row, alpha, 1).GetARGB(), bytes ? (c & (*f)[2]) | added : 0) << c;
      DWORD stored = 0;
      std::memcpy(&stored, row + bytes, size_t(bytes));
      ASSERT_TRUE(i > 0 || stored == (bytes ? (*f)[1] : 0)) << format << " stores " << std::hex << stored;
      std::memset(row + bytes, 0, size_t(bytes));  // the rest stays 0
      ASSERT_TRUE(std::count(row, row + 12, 0) == 12 && alpha[0] == 0 && alpha[2] == 0) << format;
    }
  }
}

}  // namespace
