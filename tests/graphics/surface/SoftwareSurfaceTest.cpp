// The software texture's image copies and colour-key conventions, and the
// render target's copies, seen through what the blitter then draws.
#include <gtest/gtest.h>

#include "engine/graphics/software/TSGDIRenderTarget.h"
#include "engine/image/TSImage.h"

namespace {

constexpr Pixel555 kCyan = 0x03FF;
constexpr Pixel555 kGreen = 0x03E0;
constexpr Pixel555 kRed = 0x7C00;

// A 4 x 1 render target of red, and a 4 x 1 texture of cyan, green, cyan, blue.
class SoftwareSurfaceTest : public testing::Test {
 protected:
  void SetUp() override {
    auto* surface = new CTSGDITexture;
    ASSERT_TRUE(surface->Allocate(4, 1, TEXTURE_FORMAT_X1R5G5B5, 0));
    m_target.SetSurface(surface);
    m_target.SetWidth(4);
    m_target.SetHeight(1);
    m_target.SetClipRect(nullptr);
    ASSERT_TRUE(m_sprite.Allocate(4, 1, TEXTURE_FORMAT_X1R5G5B5, 0));
    const Pixel555 pixels[4] = {kCyan, kGreen, kCyan, 0x001F};
    for (int x = 0; x < 4; ++x) m_sprite.GetPixelRow(0)[x] = pixels[x];
  }

  // Which of the four sprite pixels the blitter draws over red.
  std::vector<bool> Drawn() {
    m_target.Clear(CTSColor(0xFFFF0000));
    m_target.Blt(&m_sprite, 0, 0, 0, 0, 4, 1);
    std::vector<bool> drawn;
    for (int x = 0; x < 4; ++x) drawn.push_back(m_target.GetSurface()->GetPixelRow(0)[x] != kRed);
    return drawn;
  }

  CTSGDIRenderTarget m_target;
  CTSGDITexture m_sprite;
};

TEST_F(SoftwareSurfaceTest, WhichKeysMakePixelsTransparent) {
  // A fresh texture's key 0x0000FFFF has alpha 0: it keys out pure cyan.
  EXPECT_EQ(m_sprite.GetColorKey().GetARGB(), 0x0000FFFFu);
  EXPECT_EQ(Drawn(), (std::vector<bool>{false, true, false, true}));
  // A key of alpha below 255 keys out its colour.
  m_sprite.SetColorKey(CTSColor(0x0000FF00));
  EXPECT_EQ(Drawn(), (std::vector<bool>{true, false, true, true}));
  // A key of alpha 255 is no key.
  m_sprite.SetColorKey(CTSColor(0xFF00FF00));
  EXPECT_EQ(Drawn(), (std::vector<bool>{true, true, true, true}));
  // Keys stored through SetColorKey16 always carry alpha 255: never a key.
  m_sprite.SetColorKey16(kGreen);
  EXPECT_EQ(m_sprite.GetColorKey().GetARGB(), 0xFF00F800u);
  EXPECT_EQ(Drawn(), (std::vector<bool>{true, true, true, true}));
}

TEST_F(SoftwareSurfaceTest, CopyFromImageStoresEveryPixelAndNeverKeys) {
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(image->Create(4, 1, false));
  const DWORD colours[4] = {0xFF00FF00, 0xFF00FFFF, 0x80FF0000, 0xFF0000FF};
  for (int x = 0; x < 4; ++x) image->GetScanline(0)[x] = CTSColor(colours[x]);
  for (CTSColor key : {CTSColor(0xFF00FF00), CTSColor(0x0000FF00), CTSColor(0)}) {
    ASSERT_TRUE(m_sprite.CopyFromImage(image.Get(), key));
    EXPECT_EQ(m_sprite.GetColorKey16(), NO_COLOR_KEY);
    EXPECT_EQ(Drawn(), (std::vector<bool>{true, true, false, true}));  // the third pixel is red itself
  }
  EXPECT_EQ(m_sprite.GetPixelRow(0)[0], kGreen);
  EXPECT_EQ(m_sprite.GetPixelRow(0)[1], kCyan);
  EXPECT_EQ(m_sprite.GetColorKey().GetARGB(), 0xFFF8F8F8u);
}

TEST_F(SoftwareSurfaceTest, CopyFromImageFillsTheAlphaPlaneOfFormat3) {
  CTSGDITexture withAlpha;
  ASSERT_TRUE(withAlpha.Allocate(2, 1, TEXTURE_FORMAT_X1R5G5B5_ALPHA8, 0));
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(image->Create(2, 1, false));
  image->GetScanline(0)[0] = CTSColor(0x12345678);
  image->GetScanline(0)[1] = CTSColor(0xFFFFFFFF);
  ASSERT_TRUE(withAlpha.CopyFromImage(image.Get(), CTSColor(0)));
  EXPECT_EQ(withAlpha.GetAlphaRow(0)[0], 0x12);
  EXPECT_EQ(withAlpha.GetAlphaRow(0)[1], 0xFF);
  EXPECT_EQ(withAlpha.GetPixel(0, 0).GetARGB(), 0x12305078u);
  CTSUsePtr<CTSImage> wider(new CTSImage);
  ASSERT_TRUE(wider->Create(3, 1, false));
  EXPECT_FALSE(withAlpha.CopyFromImage(wider.Get(), CTSColor(0)));
  EXPECT_EQ(withAlpha.GetAlphaRow(0)[0], 0x12);
}

TEST_F(SoftwareSurfaceTest, RenderTargetsCopyToOpaqueImagesAndToTextures) {
  m_target.Clear(CTSColor(0xFF0000FF));
  m_target.SetPixel(3, 0, CTSColor(0x00FFFFFF));
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(m_target.CopyToImage(image.Get()));
  EXPECT_FALSE(image->HasAlpha());
  EXPECT_EQ(image->GetScanline(0)[0].GetARGB(), 0xFF0000F8u);
  EXPECT_EQ(image->GetScanline(0)[3].GetARGB(), 0xFFF8F8F8u);
  EXPECT_EQ(m_target.GetPixel(3, 0).GetARGB(), 0xFFF8F8F8u);
  EXPECT_EQ(m_target.GetPixel(4, 0).GetARGB(), 0u);

  ASSERT_TRUE(m_target.CopyToTexture(&m_sprite));
  EXPECT_EQ(m_sprite.GetPixelRow(0)[0], 0x001F);
  EXPECT_EQ(m_sprite.GetPixelRow(0)[3], 0x7FFF);
  EXPECT_EQ(m_sprite.GetColorKey16(), NO_COLOR_KEY);
  EXPECT_FALSE(m_target.CopyToTexture(nullptr));
  CTSGDIRenderTarget empty;
  EXPECT_FALSE(empty.CopyToImage(image.Get()));
}

}  // namespace
