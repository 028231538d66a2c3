// The software texture and render target: storage, pixel access, keys,
// clearing, clip rectangle and locking.
#include <gtest/gtest.h>

#include <vector>

#include "engine/graphics/software/TSBlitRect.h"
#include "engine/graphics/software/TSGDIRenderTarget.h"
#include "tests/graphics/PipelinePaths.h"

namespace {

TEST(GDITextureTest, AllocateAndFree) {
  CTSGDITexture texture;
  EXPECT_FALSE(texture.IsValid());
  EXPECT_EQ(texture.GetColorKey().GetARGB(), 0u);

  ASSERT_TRUE(texture.Allocate(8, 4, TEXTURE_FORMAT_X1R5G5B5, 1));
  EXPECT_TRUE(texture.IsValid());
  EXPECT_EQ(texture.GetFormat(), 4);
  EXPECT_EQ(texture.GetAlphaRow(0), nullptr);
  EXPECT_EQ(texture.GetFilter(), 1);
  EXPECT_EQ(texture.GetColorKey().GetARGB(), 0x0000FFFFu);
  // That key has alpha 0: pure cyan is keyed.
  EXPECT_EQ(texture.GetColorKey16(), 0x03FF);

  ASSERT_TRUE(texture.Allocate(8, 4, TEXTURE_FORMAT_X1R5G5B5_ALPHA8, 0));
  EXPECT_EQ(texture.GetFormat(), 3);
  EXPECT_NE(texture.GetAlphaRow(3), nullptr);

  // Sizes below 1 leave the texture empty.
  EXPECT_FALSE(texture.Allocate(0, 4, TEXTURE_FORMAT_X1R5G5B5, 0));
  EXPECT_FALSE(texture.Allocate(-2, -2, TEXTURE_FORMAT_X1R5G5B5, 0));
  EXPECT_FALSE(texture.IsValid());
  EXPECT_EQ(texture.GetWidth(), 0);
  EXPECT_EQ(texture.GetFilter(), -1);

  texture.Free();
  EXPECT_FALSE(texture.IsValid());
  EXPECT_EQ(texture.GetPixelRow(0), nullptr);
}

TEST(GDITextureTest, RowsAndLock) {
  CTSGDITexture texture;
  TSLockInfo info{};
  EXPECT_FALSE(texture.Lock(info));
  ASSERT_TRUE(texture.Allocate(5, 3, TEXTURE_FORMAT_X1R5G5B5_ALPHA8, 0));
  EXPECT_EQ(texture.GetPixelRow(-1), nullptr);
  EXPECT_EQ(texture.GetPixelRow(3), nullptr);
  EXPECT_EQ(texture.GetAlphaRow(3), nullptr);
  EXPECT_EQ(texture.GetPixelRow(2), texture.GetPixelRow(0) + 10);
  EXPECT_EQ(texture.GetAlphaRow(2), texture.GetAlphaRow(0) + 10);
  ASSERT_TRUE(texture.Lock(info));
  EXPECT_EQ(info.pitch, 10);
  EXPECT_EQ(info.alphaPitch, 5);
  EXPECT_EQ(info.format, 3);
  EXPECT_EQ(info.bits, texture.GetPixelRow(0));
  EXPECT_EQ(info.alphaBits, texture.GetAlphaRow(0));
}

TEST(GDITextureTest, PixelsAndKeys) {
  EXPECT_EQ(ColorToPixel555(0xFFFFFFFF), 0x7FFF);
  EXPECT_EQ(ColorToPixel555(0xFF00FF00), 0x03E0);
  EXPECT_EQ(ColorToPixel555(0xFFFF00FF), 0x7C1F);
  EXPECT_EQ(ColorToPixel555(0x00081018), (1 << 10) | (2 << 5) | 3);

  CTSGDITexture texture;
  ASSERT_TRUE(texture.Allocate(4, 2, TEXTURE_FORMAT_X1R5G5B5_ALPHA8, 0));
  texture.SetPixel(1, 1, 0x80FF4321);
  EXPECT_EQ(texture.GetPixelRow(1)[1], ColorToPixel555(0x80FF4321));
  EXPECT_EQ(texture.GetAlphaRow(1)[1], 0x80);
  EXPECT_EQ(texture.GetPixel(1, 1).GetARGB(), 0x80F84020u);  // low bits are not replicated

  // Outside points change nothing and read 0.
  const std::vector<Pixel555> before(texture.GetPixelRow(0), texture.GetPixelRow(0) + 8);
  texture.SetPixel(4, 0, 0xFFFFFFFF);
  texture.SetPixel(0, -1, 0xFFFFFFFF);
  EXPECT_EQ(std::vector<Pixel555>(texture.GetPixelRow(0), texture.GetPixelRow(0) + 8), before);
  EXPECT_EQ(texture.GetPixel(4, 0).GetARGB(), 0u);
  EXPECT_EQ(texture.GetPixel(0, -1).GetARGB(), 0u);

  CTSGDITexture opaque;
  ASSERT_TRUE(opaque.Allocate(2, 2, TEXTURE_FORMAT_X1R5G5B5, 0));
  opaque.SetPixel(0, 0, 0x00FFFFFF);
  EXPECT_EQ(opaque.GetPixel(0, 0).GetARGB(), 0xFFF8F8F8u);

  texture.SetColorKey(0xFF000000);
  EXPECT_EQ(texture.GetColorKey16(), NO_COLOR_KEY);
  texture.SetColorKey(0x00000000);
  EXPECT_EQ(texture.GetColorKey16(), 0x0000);
  texture.SetColorKey16(0xFFFF);
  EXPECT_EQ(texture.GetColorKey().GetARGB(), 0xFFF8F8F8u);
  EXPECT_EQ(texture.GetColorKey16(), NO_COLOR_KEY);
}

TEST(GDITextureTest, AttachedPixelsAreNotOwned) {
  std::vector<Pixel555> buffer(6 * 2, 0);
  auto* texture = new CTSGDITexture;
  ASSERT_TRUE(texture->Allocate(3, 3, TEXTURE_FORMAT_X1R5G5B5_ALPHA8, 0));
  texture->AttachPixels(buffer.data());  // the allocated buffers go
  texture->SetWidth(6);
  texture->SetHeight(2);
  EXPECT_EQ(texture->GetFormat(), 4);
  texture->SetPixel(5, 1, 0xFFFFFFFF);
  EXPECT_EQ(buffer[11], 0x7FFF);
  texture->AttachPixels(nullptr);
  EXPECT_FALSE(texture->IsValid());
  texture->Release();  // must not free the vector's memory
  EXPECT_EQ(buffer[11], 0x7FFF);
}

TEST(GDITextureTest, ClearRectFillsExactlyTheClampedRectangle) {
  ForEachPath([&](TSInstructionPath path) {
    SCOPED_TRACE(PathName(path));
    CTSGDITexture texture;
    ASSERT_TRUE(texture.Allocate(40, 6, TEXTURE_FORMAT_X1R5G5B5, 0));
    texture.ClearRect(0xFF0000FF, nullptr);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 40; ++x) ASSERT_EQ(texture.GetPixelRow(y)[x], 0x001F);

    const RECT part{3, 1, 38, 5};
    texture.ClearRect(0xFF00FF00, &part);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 40; ++x) {
        const bool inside = x >= 3 && x < 38 && y >= 1 && y < 5;
        ASSERT_EQ(texture.GetPixelRow(y)[x], inside ? 0x03E0 : 0x001F) << x << "," << y;
      }

    const RECT leftOf{-20, 0, -2, 6};
    RECT clamped;
    ClampRectToSurface(&clamped, &leftOf, 40, 6);
    EXPECT_EQ(clamped.right - clamped.left, 0);
    texture.ClearRect(0xFFFFFFFF, &leftOf);
    EXPECT_EQ(texture.GetPixelRow(0)[0], 0x001F);
    const RECT beyond{-5, -5, 100, 100};  // clamped to the whole surface
    texture.ClearRect(0xFFFFFFFF, &beyond);
    EXPECT_EQ(texture.GetPixelRow(5)[39], 0x7FFF);
  });
}

TEST(GDIRenderTargetTest, SurfaceClipClearAndLock) {
  CTSGDIRenderTarget target;
  RECT clip{1, 1, 1, 1};
  target.GetClipRect(&clip);
  EXPECT_EQ(clip.right, 0);
  EXPECT_EQ(clip.bottom, 0);
  EXPECT_FALSE(target.IsValid());
  TSLockInfo info{};
  EXPECT_FALSE(target.Lock(info));
  target.Clear(0xFFFFFFFF);  // no surface: nothing
  EXPECT_EQ(target.GetPixel(0, 0).GetARGB(), 0u);

  auto* surface = new CTSGDITexture;
  ASSERT_TRUE(surface->Allocate(16, 8, TEXTURE_FORMAT_X1R5G5B5, 0));
  target.SetSurface(surface);  // adopts our use
  target.SetWidth(16);
  target.SetHeight(8);
  EXPECT_TRUE(target.IsValid());
  EXPECT_EQ(target.GetFormat(), 257);
  ASSERT_TRUE(target.Lock(info));
  EXPECT_EQ(info.pitch, 32);
  EXPECT_EQ(info.format, 257);
  EXPECT_EQ(info.bits, surface->GetPixelRow(0));
  EXPECT_EQ(info.alphaBits, nullptr);

  const RECT wide{-4, 2, 100, 6};
  target.SetClipRect(&wide);
  target.GetClipRect(&clip);
  EXPECT_EQ(clip.left, 0);
  EXPECT_EQ(clip.top, 2);
  EXPECT_EQ(clip.right, 16);
  EXPECT_EQ(clip.bottom, 6);

  surface->ClearRect(0, nullptr);
  target.Clear(0xFFFF0000);
  EXPECT_EQ(target.GetPixel(0, 1).GetARGB(), 0xFF000000u);
  EXPECT_EQ(target.GetPixel(0, 2).GetARGB(), 0xFFF80000u);
  EXPECT_EQ(target.GetPixel(15, 5).GetARGB(), 0xFFF80000u);
  EXPECT_EQ(target.GetPixel(15, 6).GetARGB(), 0xFF000000u);
  target.SetPixel(3, 7, 0xFF00FF00);
  EXPECT_EQ(surface->GetPixelRow(7)[3], 0x03E0);
}

}  // namespace
