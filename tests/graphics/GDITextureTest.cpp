// The software texture and render target: storage, colour keys, clearing,
// locking and copies.
#include <gtest/gtest.h>

#include "engine/image/TSImage.h"
#include "tests/graphics/BlitReference.h"

namespace {

using blitref::Rgb;

// Sizes below 1 leave a texture empty. A key colour of alpha below 255 keys
// out its pixel value (a fresh texture's keys out cyan); keys stored from 16
// bits, or brought by an image, have alpha 255 and key nothing.
TEST(GDITextureTest, AllocateFreeAndKeys) {
  CTSGDITexture texture;
  for (INT format : {3, 4}) {
    ASSERT_TRUE(texture.Allocate(5, 3, format, 1));
    EXPECT_TRUE(texture.GetFormat() == format && texture.GetWidth() == 5 && texture.GetHeight() == 3 &&
                texture.GetFilter() == 1 && (texture.GetAlphaRow(2) != nullptr) == (format == 3));
    EXPECT_TRUE(texture.GetPixelRow(-1) == nullptr && texture.GetPixelRow(3) == nullptr &&
                texture.GetPixelRow(2) == texture.GetPixelRow(0) + 10);
  }
  for (auto [w, h] : {std::pair{0, 4}, {4, 0}, {-2, -2}})
    EXPECT_TRUE(!texture.Allocate(w, h, 4, 0) && !texture.IsValid() && texture.GetWidth() == 0 &&
                texture.GetFilter() == -1);
  EXPECT_EQ(texture.GetColorKey16(), Rgb(0, 31, 31));
  texture.SetColorKey(0x7F00FF07);
  EXPECT_EQ(texture.GetColorKey16(), Rgb(0, 31, 0));
  texture.SetColorKey(0xFF00FF00);
  EXPECT_EQ(texture.GetColorKey16(), NO_COLOR_KEY);
  texture.SetColorKey16(Rgb(0, 31, 0));
  EXPECT_TRUE(texture.GetColorKey().GetARGB() == 0xFF00F800u && texture.GetColorKey16() == NO_COLOR_KEY);
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(texture.Allocate(2, 1, 3, 0) && image->Create(2, 1, false));
  texture.SetColorKey(0);
  ASSERT_TRUE(texture.CopyFromImage(image.Get(), CTSColor(0xFF000000)));
  EXPECT_EQ(texture.GetColorKey16(), NO_COLOR_KEY);
  texture.Free();
  EXPECT_TRUE(!texture.IsValid() && texture.GetPixelRow(0) == nullptr && texture.GetAlphaRow(0) == nullptr);
}

// Clears fill the clip, clamped to the target; pixels read opaque; copies are
// opaque and of the target's size, and a texture gets no key.
TEST(GDIRenderTargetTest, SurfaceClearPixelsAndCopies) {
  CTSGDIRenderTarget target;
  TSLockInfo info{};
  CTSUsePtr<CTSImage> image(new CTSImage);
  target.Clear(0xFFFFFFFF);  // no surface: nothing happens
  EXPECT_FALSE(target.IsValid() || target.Lock(info) || target.CopyToImage(image.Get()));
  EXPECT_EQ(target.GetPixel(0, 0).GetARGB(), 0u);
  auto* surface = new CTSGDITexture;
  ASSERT_TRUE(surface->Allocate(16, 8, TEXTURE_FORMAT_X1R5G5B5, 0));
  target.SetSurface(surface);  // adopts our use
  target.SetWidth(16);
  target.SetHeight(8);
  ASSERT_TRUE(target.Lock(info));
  EXPECT_TRUE(info.pitch == 32 && info.format == 257 && target.GetFormat() == 257 &&
              info.bits == surface->GetPixelRow(0));
  for (RECT clip : {RECT{0, 0, 16, 8}, RECT{-4, 2, 100, 6}}) {
    target.SetClipRect(&clip);
    target.Clear(clip.left == 0 ? 0xFF000000 : 0xFFFF0000);
  }
  target.SetPixel(0, 7, 0x00FFFFFF);
  for (int i = 0; i < 128; ++i)
    EXPECT_EQ(target.GetPixel(i % 16, i / 16).GetARGB(), i == 112            ? 0xFFF8F8F8u
                                                         : i >= 32 && i < 96 ? 0xFFF80000u
                                                                             : 0xFF000000u)
        << i;
  ASSERT_TRUE(target.CopyToImage(image.Get()));
  EXPECT_TRUE(!image->HasAlpha() && image->GetWidth() == 16 && image->GetHeight() == 8 &&
              image->GetScanline(7)[0].GetARGB() == 0xFFF8F8F8u);
  CTSGDITexture copy;
  ASSERT_TRUE(copy.Allocate(16, 8, TEXTURE_FORMAT_X1R5G5B5, 0));
  ASSERT_TRUE(target.CopyToTexture(&copy) && !target.CopyToTexture(nullptr));
  EXPECT_TRUE(copy.GetPixelRow(7)[0] == 0x7FFF && copy.GetPixelRow(2)[15] == Rgb(31, 0, 0) &&
              copy.GetColorKey16() == NO_COLOR_KEY);
}

}  // namespace
