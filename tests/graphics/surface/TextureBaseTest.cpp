// The behaviours every texture has on top of Lock, tried on a memory texture
// in each format.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <set>
#include <utility>

#include "engine/image/TSImage.h"
#include "tests/graphics/surface/MemoryTexture.h"

namespace {

using PixelSet = std::set<std::pair<INT, INT>>;

const CTSColor kInk(0xFFFFFFFF);

// The pixels that read differently from a blank one (textures start all zero).
PixelSet Inked(CMemoryTexture& texture) {
  CMemoryTexture blank(1, 1, texture.GetFormat());
  const DWORD blankValue = blank.GetPixel(0, 0).GetARGB();
  PixelSet inked;
  for (INT y = 0; y < texture.GetHeight(); ++y)
    for (INT x = 0; x < texture.GetWidth(); ++x)
      if (texture.GetPixel(x, y).GetARGB() != blankValue) inked.insert({x, y});
  return inked;
}

TEST(TextureBase, SetPixelAndGetPixelConvertAndStayInBounds) {
  for (INT format : {0, 1, 2, 3, 4}) {
    CMemoryTexture texture(8, 4, format);
    texture.SetPixel(2, 1, CTSColor(0x80FF4020));
    CTSColor read = texture.GetPixel(2, 1);
    BYTE row[8] = {};
    StorePixel(format, row, nullptr, 0, CTSColor(0x80FF4020));
    BYTE alpha = 0x80;
    EXPECT_EQ(read.GetARGB(), ReadPixel(format, row, format == 3 ? &alpha : nullptr, 0).GetARGB()) << format;
    for (auto [x, y] : {std::pair{8, 0}, {0, 4}, {-1, 0}, {0, -1}}) {
      texture.SetPixel(x, y, kInk);
      EXPECT_EQ(texture.GetPixel(x, y).GetARGB(), 0u);
    }
    EXPECT_EQ(Inked(texture).size(), 1u);
    EXPECT_EQ(texture.locks, texture.unlocks);
  }
}

TEST(TextureBase, ALockThatFailsWritesAndReadsNothing) {
  CMemoryTexture texture(4, 4, 0);
  texture.SetPixel(1, 1, kInk);
  texture.failLock = true;
  EXPECT_EQ(texture.GetPixel(1, 1).GetARGB(), 0u);
  texture.SetPixel(2, 2, kInk);
  texture.failLock = false;
  EXPECT_EQ(Inked(texture), (PixelSet{{1, 1}}));
}

TEST(TextureBase, LinesEndBeforeTheirEndPointWhenStraight) {
  CMemoryTexture texture(16, 16, 4);
  texture.DrawLine(3, 3, 3, 3, kInk);
  EXPECT_TRUE(Inked(texture).empty());
  texture.DrawLine(5, 7, 2, 7, kInk);
  EXPECT_EQ(Inked(texture), (PixelSet{{2, 7}, {3, 7}, {4, 7}}));
  CMemoryTexture vertical(16, 16, 4);
  vertical.DrawLine(1, 9, 1, 6, kInk);
  EXPECT_EQ(Inked(vertical), (PixelSet{{1, 6}, {1, 7}, {1, 8}}));
  CMemoryTexture outside(16, 16, 4);
  outside.DrawLine(16, 0, 16, 10, kInk);
  outside.DrawLine(-5, 20, 30, 20, kInk);
  EXPECT_TRUE(Inked(outside).empty());
}

TEST(TextureBase, SlantedLinesAreConnectedAndEndOnTheirEndPoint) {
  std::mt19937 random(3);
  for (int i = 0; i < 300; ++i) {
    CMemoryTexture texture(40, 40, 4);
    INT x1 = INT(random() % 40), y1 = INT(random() % 40), x2 = INT(random() % 40), y2 = INT(random() % 40);
    if (x1 == x2 || y1 == y2) continue;
    texture.DrawLine(x1, y1, x2, y2, kInk);
    PixelSet inked = Inked(texture);
    INT length = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
    ASSERT_EQ(inked.size(), size_t(length + 1)) << x1 << "," << y1 << " " << x2 << "," << y2;
    EXPECT_TRUE(inked.count({x1, y1}) && inked.count({x2, y2}));
    for (auto [x, y] : inked) {
      EXPECT_TRUE(x >= std::min(x1, x2) && x <= std::max(x1, x2) && y >= std::min(y1, y2) && y <= std::max(y1, y2));
      // Every pixel but the end points has a neighbour on each side of the path.
      int neighbours = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) neighbours += (dx || dy) && inked.count({x + dx, y + dy});
      EXPECT_GE(neighbours, 1);
    }
  }
}

TEST(TextureBase, RectanglesLeaveOutTheFarCornerOrFillTheBlock) {
  CMemoryTexture outline(8, 8, 4);
  outline.DrawRect(0, 0, 3, 3, kInk, false);
  PixelSet expected;
  for (INT i = 0; i < 3; ++i) expected.insert({{i, 0}, {i, 3}, {0, i}, {3, i}});
  EXPECT_EQ(Inked(outline), expected);
  EXPECT_FALSE(Inked(outline).count({3, 3}));
  CMemoryTexture filled(8, 8, 4);
  filled.DrawRect(0, 0, 3, 3, kInk, true);
  PixelSet block;
  for (INT y = 0; y < 3; ++y)
    for (INT x = 0; x < 3; ++x) block.insert({x, y});
  EXPECT_EQ(Inked(filled), block);
}

TEST(TextureBase, CirclesPlotEightPointsPerStepWithOneLockEach) {
  CMemoryTexture centre(9, 9, 4);
  centre.DrawCircle(4, 4, 0, kInk, false);
  EXPECT_EQ(Inked(centre), (PixelSet{{4, 4}}));
  EXPECT_EQ(centre.drawPointsCalls, 1);
  EXPECT_EQ(centre.pointsDrawn, 8);

  CMemoryTexture ring(41, 41, 4);
  ring.DrawCircle(20, 20, 12, kInk, false);
  EXPECT_EQ(ring.locks, ring.drawPointsCalls);
  for (auto [x, y] : Inked(ring)) {
    double distance = std::hypot(x - 20.0, y - 20.0);
    EXPECT_NEAR(distance, 12.0, 1.0) << x << "," << y;
    // The outline is symmetric under the eight reflections.
    PixelSet inked = Inked(ring);
    EXPECT_TRUE(inked.count({40 - x, y}) && inked.count({x, 40 - y}) && inked.count({y, x}));
  }

  CMemoryTexture disc(41, 41, 4);
  disc.DrawCircle(20, 20, 12, kInk, true);
  PixelSet filled = Inked(disc);
  for (INT y = 0; y < 41; ++y)
    for (INT x = 0; x < 41; ++x) {
      double distance = std::hypot(x - 20.0, y - 20.0);
      if (distance < 11.0) {
        EXPECT_TRUE(filled.count({x, y})) << x << "," << y;
      }
      if (distance > 13.0) {
        EXPECT_FALSE(filled.count({x, y})) << x << "," << y;
      }
    }
  CMemoryTexture negative(9, 9, 4);
  negative.DrawCircle(4, 4, -3, kInk, false);
  EXPECT_TRUE(Inked(negative).empty());
}

TEST(TextureBase, PointsOutsideAreSkippedAndOtherFormatsWriteNothing) {
  CMemoryTexture texture(4, 4, 2);
  const TSPoint points[] = {{0, 0}, {4, 0}, {-1, 2}, {3, 3}};
  texture.DrawPoints(points, 4, kInk);
  EXPECT_EQ(Inked(texture), (PixelSet{{0, 0}, {3, 3}}));
  EXPECT_EQ(texture.locks, 1 + 16);  // one for the batch, one per GetPixel of Inked
  CMemoryTexture foreign(4, 4, 257);
  foreign.DrawPoints(points, 4, kInk);
  for (BYTE byte : foreign.Bytes()) ASSERT_EQ(byte, 0);
}

TEST(TextureBase, CopyFromImageFollowsTheImagesAlphaAndTheKey) {
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(image->Create(2, 1, false));
  image->GetScanline(0)[0] = CTSColor(0x0000FF00);  // the key colour
  image->GetScanline(0)[1] = CTSColor(0x00123456);
  const CTSColor key(0xFF00FF00);

  CMemoryTexture keyed(2, 1, 0);
  ASSERT_TRUE(keyed.CopyFromImage(image.Get(), CTSColor(0x0000FF00)));  // alpha 255 needed for a key
  EXPECT_EQ(keyed.GetPixel(0, 0).GetARGB(), 0x0000FF00u);  // copied unchanged
  // Without alpha a key of alpha 255 applies to the whole 32-bit value.
  image->GetScanline(0)[0] = key;
  ASSERT_TRUE(keyed.CopyFromImage(image.Get(), key));
  EXPECT_EQ(keyed.GetPixel(0, 0).GetARGB(), 0u);
  EXPECT_EQ(keyed.GetPixel(1, 0).GetARGB(), 0xFF123456u);
  CMemoryTexture opaque(2, 1, 1);
  ASSERT_TRUE(opaque.CopyFromImage(image.Get(), CTSColor(0)));
  EXPECT_EQ(opaque.GetPixel(0, 0).GetAlpha(), 255);

  ASSERT_TRUE(image->Create(2, 1, true));
  image->GetScanline(0)[0] = CTSColor(0x7F102030);
  image->GetScanline(0)[1] = CTSColor(0x00FFFFFF);
  CMemoryTexture withAlpha(2, 1, 2);
  ASSERT_TRUE(withAlpha.CopyFromImage(image.Get(), key));
  EXPECT_EQ(withAlpha.GetPixel(0, 0).GetARGB(), 0x70102030u);
  EXPECT_EQ(withAlpha.GetPixel(1, 0).GetARGB(), 0x00F0F0F0u);
}

TEST(TextureBase, CopyFromImageOfAnotherSizeLeavesThePixels) {
  CMemoryTexture texture(2, 2, 0);
  texture.SetPixel(0, 0, CTSColor(0x11223344));
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(image->Create(3, 2, true));
  EXPECT_FALSE(texture.CopyFromImage(image.Get(), CTSColor(0)));
  EXPECT_FALSE(texture.CopyFromImage(nullptr, CTSColor(0)));
  EXPECT_EQ(texture.GetPixel(0, 0).GetARGB(), 0x11223344u);
}

TEST(TextureBase, CopyToImageReadsEveryPixelWithAlpha) {
  CMemoryTexture texture(3, 2, 3);
  texture.SetPixel(2, 1, CTSColor(0x40FFFFFF));
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(texture.CopyToImage(image.Get()));
  EXPECT_EQ(image->GetWidth(), 3);
  EXPECT_TRUE(image->HasAlpha());
  EXPECT_EQ(image->GetScanline(1)[2].GetARGB(), 0x40F8F8F8u);
  EXPECT_EQ(image->GetScanline(0)[0].GetARGB(), 0x00000000u);
  EXPECT_FALSE(texture.CopyToImage(nullptr));
}

}  // namespace
