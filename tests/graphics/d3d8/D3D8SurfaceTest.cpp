// Direct3D 8 textures and render targets: the format mappings, image copies
// through Lock in every texture format against conversions written out here,
// and the colour key.
#include <random>

#include "engine/image/TSImage.h"
#include "tests/graphics/d3d8/D3D8Fixture.h"

namespace {

// How a format keeps a colour, and what it gives back.
DWORD Stored(INT format, DWORD c) {
  const DWORD a = c >> 24, r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
  switch (format) {
    case 0:
      return c;
    case 1:
      return (a >= 0x80 ? 0xFF000000u : 0u) | (r >> 3 << 19) | (g >> 3 << 11) | (b >> 3 << 3);
    case 2:
      return (a >> 4 << 28) | (r >> 4 << 20) | (g >> 4 << 12) | (b >> 4 << 4);
  }
  return 0;
}

// A new image (one use, the caller's) of random pixels.
CTSImage* RandomImage(INT width, INT height, bool alpha, std::mt19937& random) {
  auto* image = new CTSImage;
  EXPECT_TRUE(image->Create(width, height, alpha));
  for (INT y = 0; y < height; ++y)
    for (INT x = 0; x < width; ++x) image->GetScanline(y)[x] = CTSColor(DWORD(random()));
  return image;
}

class D3D8SurfaceTest : public D3D8Fixture {
 protected:
  void SetUp() override {
    D3D8Fixture::SetUp();
    ASSERT_TRUE(CreateDevice(64, 64));
  }
};

TEST(D3D8Formats, CodesMapToDirect3DFormatsAndBack) {
  EXPECT_EQ(TextureFormatToD3D(0), D3DFMT_A8R8G8B8);
  EXPECT_EQ(TextureFormatToD3D(1), D3DFMT_A1R5G5B5);
  EXPECT_EQ(TextureFormatToD3D(2), D3DFMT_A4R4G4B4);
  for (INT other : {-1, 3, 4, 256, 257}) EXPECT_EQ(TextureFormatToD3D(other), D3DFMT_UNKNOWN) << other;
  EXPECT_EQ(TargetFormatFromD3D(D3DFMT_X8R8G8B8), 256);
  EXPECT_EQ(TargetFormatFromD3D(D3DFMT_X1R5G5B5), 257);
  EXPECT_EQ(TargetFormatFromD3D(D3DFMT_R5G6B5), 258);
  for (D3DFORMAT other : {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_UNKNOWN, D3DFMT_R8G8B8})
    EXPECT_EQ(TargetFormatFromD3D(other), -1) << other;
  CTSUsePtr<CTSD3D8RenderTarget> empty(new CTSD3D8RenderTarget);
  EXPECT_FALSE(empty->IsValid());
  EXPECT_EQ(empty->GetFormat(), -1);
  TSLockInfo lock;
  EXPECT_FALSE(empty->Lock(lock));
  CTSUsePtr<CTSD3D8Texture> bare(new CTSD3D8Texture);
  EXPECT_FALSE(bare->IsValid());
  EXPECT_EQ(bare->GetFormat(), -1);
  EXPECT_FALSE(bare->Lock(lock));
  bare->SetColorKey(CTSColor(0xFF00FF00));  // no pixels: only recorded
  EXPECT_EQ(bare->GetColorKey().GetARGB(), 0xFF00FF00u);
}

TEST_F(D3D8SurfaceTest, LockGivesTheTexturesOwnFormatAndPitch) {
  for (INT format : {0, 1, 2}) {
    CTSUsePtr<CTSTexture> texture(m_device->CreateTexture(13, 7, format, 0));
    ASSERT_TRUE(texture);
    TSLockInfo lock;
    ASSERT_TRUE(texture->Lock(lock));
    EXPECT_EQ(lock.format, format);
    EXPECT_GE(lock.pitch, 13 * (format == 0 ? 4 : 2));
    EXPECT_EQ(lock.alphaBits, nullptr);
    EXPECT_EQ(lock.alphaPitch, 0);
    texture->Unlock();
  }
  TSLockInfo lock;
  ASSERT_TRUE(m_device->GetRenderTarget()->Lock(lock));
  EXPECT_EQ(lock.format, TARGET_FORMAT_X8R8G8B8);
  EXPECT_GE(lock.pitch, 64 * 4);
  m_device->GetRenderTarget()->Unlock();
}

// Every format, images with and without alpha, keys that apply and keys that
// do not: what CopyToImage reads back is what the format keeps of each pixel.
TEST_F(D3D8SurfaceTest, ImagesGoInAndOutThroughLockInEveryFormat) {
  std::mt19937 random(21);
  for (INT format : {0, 1, 2}) {
    for (bool alpha : {true, false}) {
      for (bool keyed : {false, true}) {
        CTSUsePtr<CTSTexture> texture(m_device->CreateTexture(37, 11, format, 0));
        ASSERT_TRUE(texture);
        CTSUsePtr<CTSImage> image(RandomImage(37, 11, alpha, random));
        // A few pixels hold the key exactly.
        const DWORD key = keyed ? 0xFF123456u : 0x00123456u;
        for (INT i = 0; i < 20; ++i) image->GetScanline(random() % 11)[random() % 37] = CTSColor(key);
        ASSERT_TRUE(texture->CopyFromImage(image.Get(), CTSColor(key)));
        CTSUsePtr<CTSImage> out(new CTSImage);
        ASSERT_TRUE(texture->CopyToImage(out.Get()));
        EXPECT_TRUE(out->HasAlpha());
        ASSERT_EQ(out->GetWidth(), 37);
        for (INT y = 0; y < 11; ++y)
          for (INT x = 0; x < 37; ++x) {
            DWORD source = image->GetScanline(y)[x].GetARGB();
            if (!alpha) {
              if (keyed && source == key)
                source = 0;
              else if (format != 0 || keyed)
                source |= 0xFF000000u;
            }
            ASSERT_EQ(out->GetScanline(y)[x].GetARGB(), Stored(format, source))
                << "format " << format << " alpha " << alpha << " keyed " << keyed << " at " << x << "," << y;
          }
      }
    }
  }
  CTSUsePtr<CTSTexture> texture(m_device->CreateTexture(8, 8, 0, 0));
  CTSUsePtr<CTSImage> wider(RandomImage(9, 8, true, random));
  EXPECT_FALSE(texture->CopyFromImage(wider.Get(), CTSColor(0)));
  EXPECT_FALSE(texture->CopyFromImage(nullptr, CTSColor(0)));
  EXPECT_FALSE(texture->CopyToImage(nullptr));
}

TEST_F(D3D8SurfaceTest, AnOpaqueKeyMakesItsPixelsTransparentAndAnyOtherIsOnlyRecorded) {
  std::mt19937 random(33);
  for (INT format : {0, 1, 2}) {
    CTSUsePtr<CTSTexture> texture(m_device->CreateTexture(21, 9, format, 0));
    ASSERT_TRUE(texture);
    std::vector<DWORD> written;
    for (INT y = 0; y < 9; ++y)
      for (INT x = 0; x < 21; ++x) {
        DWORD c = random() % 4 == 0 ? 0xFF00FF00u : (random() | 0xFF000000u);
        if (x == 3 && y == 2) c = 0x8000FF00u;  // green, but not opaque
        written.push_back(c);
        texture->SetPixel(x, y, CTSColor(c));
      }
    texture->SetColorKey(CTSColor(0x0000FF00));
    EXPECT_EQ(texture->GetColorKey().GetARGB(), 0x0000FF00u);
    for (INT y = 0; y < 9; ++y)
      for (INT x = 0; x < 21; ++x)
        ASSERT_EQ(texture->GetPixel(x, y).GetARGB(), Stored(format, written[size_t(y) * 21 + x]));

    texture->SetColorKey(CTSColor(0xFF00FF00));
    EXPECT_EQ(texture->GetColorKey().GetARGB(), 0xFF00FF00u);
    // Each format compares at its own precision: a pixel matches when it keeps
    // the same value as the key would.
    const DWORD keyKept = Stored(format, 0xFF00FF00u);
    for (INT y = 0; y < 9; ++y)
      for (INT x = 0; x < 21; ++x) {
        const DWORD kept = Stored(format, written[size_t(y) * 21 + x]);
        const DWORD expected = kept == keyKept ? Stored(format, 0x0000FF00u) : kept;
        ASSERT_EQ(texture->GetPixel(x, y).GetARGB(), expected)
            << "format " << format << " at " << x << "," << y;
      }
  }
}

}  // namespace
