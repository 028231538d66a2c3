// The software texture and render target: storage, pixel access, colour keys,
// clearing, locking and image copies.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/image/TSImage.h"
#include "tests/graphics/BlitReference.h"
#include "tests/graphics/PipelinePaths.h"

namespace {

using blitref::Rgb;

TEST(GDITextureTest, AllocateRowsLockAndFree) {
  CTSGDITexture texture;
  TSLockInfo info{};
  EXPECT_FALSE(texture.IsValid());
  EXPECT_FALSE(texture.Lock(info));
  ASSERT_TRUE(texture.Allocate(8, 4, TEXTURE_FORMAT_X1R5G5B5, 1));
  EXPECT_EQ(texture.GetFormat(), TEXTURE_FORMAT_X1R5G5B5);
  EXPECT_EQ(texture.GetAlphaRow(0), nullptr);
  EXPECT_EQ(texture.GetFilter(), 1);
  EXPECT_EQ(texture.GetColorKey().GetARGB(), 0x0000FFFFu);  // alpha 0: pure cyan is keyed
  EXPECT_EQ(texture.GetColorKey16(), Rgb(0, 31, 31));

  ASSERT_TRUE(texture.Allocate(5, 3, TEXTURE_FORMAT_X1R5G5B5_ALPHA8, 0));
  EXPECT_EQ(texture.GetFormat(), TEXTURE_FORMAT_X1R5G5B5_ALPHA8);
  for (int y : {-1, 3}) EXPECT_TRUE(texture.GetPixelRow(y) == nullptr && texture.GetAlphaRow(y) == nullptr);
  EXPECT_EQ(texture.GetPixelRow(2), texture.GetPixelRow(0) + 10);
  EXPECT_EQ(texture.GetAlphaRow(2), texture.GetAlphaRow(0) + 10);
  ASSERT_TRUE(texture.Lock(info));
  EXPECT_EQ(std::vector<LONG>({info.pitch, info.alphaPitch, info.format}), std::vector<LONG>({10, 5, 3}));
  EXPECT_TRUE(info.bits == texture.GetPixelRow(0) && info.alphaBits == texture.GetAlphaRow(0));

  for (auto [w, h] : {std::pair{0, 4}, {4, 0}, {-2, -2}}) {  // sizes below 1 leave it empty
    EXPECT_FALSE(texture.Allocate(w, h, TEXTURE_FORMAT_X1R5G5B5, 0));
    EXPECT_TRUE(!texture.IsValid() && texture.GetWidth() == 0 && texture.GetFilter() == -1);
  }
  ASSERT_TRUE(texture.Allocate(2, 2, TEXTURE_FORMAT_X1R5G5B5_ALPHA8, 0));
  texture.Free();
  EXPECT_TRUE(!texture.IsValid() && texture.GetPixelRow(0) == nullptr && texture.GetAlphaRow(0) == nullptr);
}

// Random colours at random points read back with the low three bits of each
// channel dropped, and alpha from the plane or 255; points outside change
// nothing and read 0.
TEST(GDITextureTest, PixelsReadBackWhatWasStored) {
  std::mt19937 rng(5);
  for (INT format : {TEXTURE_FORMAT_X1R5G5B5, TEXTURE_FORMAT_X1R5G5B5_ALPHA8}) {
    CTSGDITexture texture;
    ASSERT_TRUE(texture.Allocate(7, 5, format, 0));
    for (int n = 0; n < 200; ++n) {
      const int x = int(rng() % 11) - 2, y = int(rng() % 9) - 2;
      const DWORD c = rng();
      const bool inside = x >= 0 && x < 7 && y >= 0 && y < 5;
      const std::vector<Pixel555> before(texture.GetPixelRow(0), texture.GetPixelRow(0) + 35);
      texture.SetPixel(x, y, c);
      const DWORD alpha = format == TEXTURE_FORMAT_X1R5G5B5 ? 0xFF000000 : c & 0xFF000000;
      ASSERT_EQ(texture.GetPixel(x, y).GetARGB(), inside ? alpha | (c & 0xF8F8F8) : 0) << x << "," << y;
      ASSERT_TRUE(inside ||
                  std::vector<Pixel555>(texture.GetPixelRow(0), texture.GetPixelRow(0) + 35) == before);
    }
  }
  CTSGDITexture texture;
  ASSERT_TRUE(texture.Allocate(1, 1, TEXTURE_FORMAT_X1R5G5B5_ALPHA8, 0));
  texture.SetPixel(0, 0, 0x80FF4321);
  EXPECT_EQ(texture.GetPixelRow(0)[0], Rgb(31, 8, 4));
  EXPECT_EQ(texture.GetAlphaRow(0)[0], 0x80);
}

// Which of four pixels (cyan, green, cyan, blue) a texture draws over red.
std::vector<bool> Drawn(CTSGDITexture& sprite) {
  CTSGDIRenderTarget target;
  auto* surface = new CTSGDITexture;
  EXPECT_TRUE(surface->Allocate(4, 1, TEXTURE_FORMAT_X1R5G5B5, 0));
  target.SetSurface(surface);
  target.SetWidth(4);
  target.SetHeight(1);
  target.SetClipRect(nullptr);
  target.Clear(0xFFFF0000);
  target.Blt(&sprite, 0, 0, 0, 0, 4, 1);
  std::vector<bool> drawn;
  for (int x = 0; x < 4; ++x) drawn.push_back(surface->GetPixelRow(0)[x] != Rgb(31, 0, 0));
  return drawn;
}

TEST(GDITextureTest, KeysOfAlphaBelow255MakeTheirColourTransparent) {
  CTSGDITexture sprite;
  ASSERT_TRUE(sprite.Allocate(4, 1, TEXTURE_FORMAT_X1R5G5B5, 0));
  const Pixel555 pixels[4] = {Rgb(0, 31, 31), Rgb(0, 31, 0), Rgb(0, 31, 31), Rgb(0, 0, 31)};
  std::copy_n(pixels, 4, sprite.GetPixelRow(0));
  using D = std::vector<bool>;
  EXPECT_EQ(Drawn(sprite), (D{false, true, false, true}));  // the fresh key: cyan
  sprite.SetColorKey(0x0000FF00);
  EXPECT_EQ(Drawn(sprite), (D{true, false, true, true}));
  EXPECT_EQ(sprite.GetColorKey16(), Rgb(0, 31, 0));
  sprite.SetColorKey(0xFF00FF00);  // alpha 255: no key
  EXPECT_EQ(Drawn(sprite), (D{true, true, true, true}));
  EXPECT_EQ(sprite.GetColorKey16(), NO_COLOR_KEY);
  sprite.SetColorKey16(Rgb(0, 31, 0));  // stored with alpha 255: never a key
  EXPECT_EQ(sprite.GetColorKey().GetARGB(), 0xFF00F800u);
  EXPECT_EQ(Drawn(sprite), (D{true, true, true, true}));
  sprite.SetColorKey16(NO_COLOR_KEY);
  EXPECT_EQ(sprite.GetColorKey().GetARGB(), 0xFFF8F8F8u);

  // Images are copied whole, alpha into the plane, and whatever the key given
  // they never key.
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(image->Create(4, 1, false));
  const DWORD colours[4] = {0x1200FF00, 0xFF00FFFF, 0x80FF0000, 0x000000FF};
  for (int x = 0; x < 4; ++x) image->GetScanline(0)[x] = colours[x];
  CTSGDITexture withAlpha;
  ASSERT_TRUE(withAlpha.Allocate(4, 1, TEXTURE_FORMAT_X1R5G5B5_ALPHA8, 0));
  for (CTSColor key : {CTSColor(0xFF00FF00), CTSColor(0x0000FF00), CTSColor(0)}) {
    ASSERT_TRUE(sprite.CopyFromImage(image.Get(), key));
    ASSERT_TRUE(withAlpha.CopyFromImage(image.Get(), key));
    EXPECT_EQ(sprite.GetColorKey16(), NO_COLOR_KEY);
    EXPECT_EQ(Drawn(sprite), (D{true, true, false, true}));  // the third pixel is red itself
    for (int x = 0; x < 4; ++x) EXPECT_EQ(withAlpha.GetPixel(x, 0).GetARGB(), colours[x] & 0xFFF8F8F8);
  }
  CTSUsePtr<CTSImage> wider(new CTSImage);
  ASSERT_TRUE(wider->Create(5, 1, false));
  EXPECT_FALSE(withAlpha.CopyFromImage(wider.Get(), CTSColor(0)));
  EXPECT_FALSE(withAlpha.CopyFromImage(nullptr, CTSColor(0)));
  EXPECT_EQ(withAlpha.GetAlphaRow(0)[0], 0x12);
}

TEST(GDITextureTest, AttachedPixelsAreNotOwned) {
  std::vector<Pixel555> buffer(6 * 2, 0);
  auto* texture = new CTSGDITexture;
  ASSERT_TRUE(texture->Allocate(3, 3, TEXTURE_FORMAT_X1R5G5B5_ALPHA8, 0));
  texture->AttachPixels(buffer.data());  // the allocated buffers go
  texture->SetWidth(6);
  texture->SetHeight(2);
  EXPECT_EQ(texture->GetFormat(), TEXTURE_FORMAT_X1R5G5B5);
  texture->SetPixel(5, 1, 0xFFFFFFFF);
  EXPECT_EQ(buffer[11], 0x7FFF);
  texture->AttachPixels(nullptr);
  EXPECT_FALSE(texture->IsValid());
  texture->Release();  // must not free the vector's memory
}

// Random rectangles, inverted or reaching outside, on every path: exactly
// their part inside the texture is filled.
TEST(GDITextureTest, ClearRectFillsExactlyTheClampedRectangle) {
  std::mt19937 rng(6);
  CTSGDITexture texture;
  ASSERT_TRUE(texture.Allocate(40, 6, TEXTURE_FORMAT_X1R5G5B5, 0));
  ForEachPath([&](TSInstructionPath path) {
    for (int n = 0; n < 300; ++n) {
      const RECT r{int(rng() % 50) - 5, int(rng() % 10) - 2, int(rng() % 50) - 5, int(rng() % 10) - 2};
      const bool whole = n % 10 == 0;
      texture.ClearRect(0xFF000000, nullptr);
      texture.ClearRect(0xFF00FF00, whole ? nullptr : &r);
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 40; ++x) {
          const bool inside = whole || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
          ASSERT_EQ(texture.GetPixelRow(y)[x], inside ? Rgb(0, 31, 0) : 0)
              << PathName(path) << " " << x << "," << y;
        }
    }
  });
}

TEST(GDIRenderTargetTest, SurfaceClearPixelsAndCopies) {
  CTSGDIRenderTarget target;
  TSLockInfo info{};
  EXPECT_FALSE(target.IsValid());
  EXPECT_FALSE(target.Lock(info));
  target.Clear(0xFFFFFFFF);  // no surface: nothing happens
  EXPECT_EQ(target.GetPixel(0, 0).GetARGB(), 0u);
  CTSUsePtr<CTSImage> image(new CTSImage);
  EXPECT_FALSE(target.CopyToImage(image.Get()));

  auto* surface = new CTSGDITexture;
  ASSERT_TRUE(surface->Allocate(16, 8, TEXTURE_FORMAT_X1R5G5B5, 0));
  target.SetSurface(surface);  // adopts our use
  target.SetWidth(16);
  target.SetHeight(8);
  EXPECT_EQ(target.GetFormat(), TARGET_FORMAT_X1R5G5B5);
  ASSERT_TRUE(target.Lock(info));
  EXPECT_EQ(std::vector<LONG>({info.pitch, info.alphaPitch, info.format}), std::vector<LONG>({32, 0, 257}));
  EXPECT_TRUE(info.bits == surface->GetPixelRow(0) && info.alphaBits == nullptr);

  surface->ClearRect(0, nullptr);
  const RECT clip{-4, 2, 100, 6};
  target.SetClipRect(&clip);
  target.Clear(0xFFFF0000);  // fills the clip only
  target.SetPixel(0, 7, 0x00FFFFFF);
  for (int y = 0; y < 8; ++y)
    EXPECT_EQ(target.GetPixel(0, y).GetARGB(), y == 7            ? 0xFFF8F8F8u
                                               : y >= 2 && y < 6 ? 0xFFF80000u
                                                                 : 0xFF000000u);
  EXPECT_EQ(target.GetPixel(16, 0).GetARGB(), 0u);

  ASSERT_TRUE(target.CopyToImage(image.Get()));  // opaque, 16 x 8
  EXPECT_FALSE(image->HasAlpha());
  EXPECT_EQ(std::pair(image->GetWidth(), image->GetHeight()), std::pair(16, 8));
  EXPECT_EQ(image->GetScanline(2)[0].GetARGB(), 0xFFF80000u);
  EXPECT_EQ(image->GetScanline(7)[0].GetARGB(), 0xFFF8F8F8u);

  CTSGDITexture copy;
  ASSERT_TRUE(copy.Allocate(16, 8, TEXTURE_FORMAT_X1R5G5B5, 0));
  ASSERT_TRUE(target.CopyToTexture(&copy));
  EXPECT_EQ(copy.GetPixelRow(7)[0], 0x7FFF);
  EXPECT_EQ(copy.GetPixelRow(2)[15], Rgb(31, 0, 0));
  EXPECT_EQ(copy.GetColorKey16(), NO_COLOR_KEY);
  EXPECT_FALSE(target.CopyToTexture(nullptr));
}

}  // namespace
