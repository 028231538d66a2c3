// Blitter cases with results worked out by hand: saturations, keys in the
// last positions, flips, clipping before flipping, and draws that must not
// draw. Each runs on every instruction path.
#include <gtest/gtest.h>

#include <vector>

#include "engine/graphics/software/TSGDIRenderTarget.h"
#include "tests/graphics/PipelinePaths.h"

namespace {

constexpr Pixel555 Rgb(unsigned r, unsigned g, unsigned b) { return Pixel555((r << 10) | (g << 5) | b); }

// A target of width x height over its own surface, clip = everything.
class Target {
 public:
  Target(int width, int height, Pixel555 fill) : m_surface(new CTSGDITexture) {
    EXPECT_TRUE(m_surface->Allocate(width, height, TEXTURE_FORMAT_X1R5G5B5, 0));
    m_target.SetSurface(m_surface);
    m_target.SetWidth(width);
    m_target.SetHeight(height);
    m_target.SetClipRect(nullptr);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) m_surface->GetPixelRow(y)[x] = fill;
  }
  CTSGDIRenderTarget& operator*() { return m_target; }
  CTSGDIRenderTarget* operator->() { return &m_target; }
  Pixel555 At(int x, int y) const { return m_surface->GetPixelRow(y)[x]; }
  std::vector<Pixel555> Row(int y) const {
    return std::vector<Pixel555>(m_surface->GetPixelRow(y),
                                 m_surface->GetPixelRow(y) + m_surface->GetWidth());
  }

 private:
  CTSGDIRenderTarget m_target;
  CTSGDITexture* m_surface;
};

// A one-row texture (or several rows) from pixels; alpha plane when given.
void MakeTexture(CTSGDITexture& texture, int width, int height, const std::vector<Pixel555>& pixels,
                 const std::vector<BYTE>& alpha = {}) {
  const INT format = alpha.empty() ? TEXTURE_FORMAT_X1R5G5B5 : TEXTURE_FORMAT_X1R5G5B5_ALPHA8;
  ASSERT_TRUE(texture.Allocate(width, height, format, 0));
  texture.SetColorKey(0xFF000000);  // no key unless a test sets one
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      texture.GetPixelRow(y)[x] = pixels[size_t(y * width + x)];
      if (!alpha.empty()) texture.GetAlphaRow(y)[x] = alpha[size_t(y * width + x)];
    }
}

TEST(BlitterEdgeTest, NormalModeWithAlphaPlane) {
  ForEachPath([&](TSInstructionPath path) {
    SCOPED_TRACE(PathName(path));
    CTSGDITexture texture;
    MakeTexture(texture, 2, 1, {Rgb(31, 31, 31), Rgb(31, 31, 31)}, {0, 255});
    Target target(2, 1, Rgb(0, 0, 0));
    target->DrawSprite(&texture, 0, 0, 0, 0, 2, 1, BLEND_NORMAL, FLIP_NONE, 0xFF00FF00);
    EXPECT_EQ(target.At(0, 0), Rgb(0, 0, 0));     // a = 0 leaves d
    EXPECT_EQ(target.At(1, 0), Rgb(30, 30, 30));  // (31 x 255) >> 8, colour ignored
  });
}

TEST(BlitterEdgeTest, KeyedPixelsAreSkippedInEveryPosition) {
  ForEachPath([&](TSInstructionPath path) {
    SCOPED_TRACE(PathName(path));
    const Pixel555 key = Rgb(1, 2, 3);
    for (int width = 1; width <= 40; ++width) {
      // Key in the last seven positions and at every third one before.
      std::vector<Pixel555> pixels(static_cast<size_t>(width));
      for (int x = 0; x < width; ++x)
        pixels[size_t(x)] = (x >= width - 7 && x % 2 == 0) || x % 3 == 0 ? key : Rgb(x % 32, 5, 7);
      CTSGDITexture texture;
      MakeTexture(texture, width, 1, pixels);
      texture.SetColorKey(0x00081018);  // alpha 0: the key is Rgb(1, 2, 3)
      ASSERT_EQ(texture.GetColorKey16(), key);
      Target target(width, 1, Rgb(9, 9, 9));
      target->Blt(&texture, 0, 0, 0, 0, width, 1);
      for (int x = 0; x < width; ++x)
        ASSERT_EQ(target.At(x, 0), pixels[size_t(x)] == key ? Rgb(9, 9, 9) : pixels[size_t(x)])
            << "width " << width << " x " << x;
    }
  });
}

TEST(BlitterEdgeTest, AlphaPlaneBeatsTheKey) {
  ForEachPath([&](TSInstructionPath path) {
    SCOPED_TRACE(PathName(path));
    CTSGDITexture texture;
    MakeTexture(texture, 3, 1, {Rgb(1, 2, 3), Rgb(1, 2, 3), Rgb(4, 4, 4)}, {255, 255, 255});
    texture.SetColorKey(0x00081018);
    Target target(3, 1, Rgb(0, 0, 0));
    target->Blt(&texture, 0, 0, 0, 0, 3, 1);
    // Drawn with the plane: (c x 255) >> 8 = c - 1 for c > 0.
    EXPECT_EQ(target.At(0, 0), Rgb(0, 1, 2));
    EXPECT_EQ(target.At(2, 0), Rgb(3, 3, 3));
  });
}

TEST(BlitterEdgeTest, ConstantAlphaAndColourMask) {
  ForEachPath([&](TSInstructionPath path) {
    SCOPED_TRACE(PathName(path));
    CTSGDITexture texture;
    MakeTexture(texture, 1, 1, {Rgb(31, 31, 31)});
    Target target(1, 1, Rgb(0, 0, 0));
    target->DrawSprite(&texture, 0, 0, 0, 0, 1, 1, BLEND_ALPHA, FLIP_NONE, 0x80FFFFFF);
    EXPECT_EQ(target.At(0, 0), Rgb(15, 15, 15));  // (31 x 16 + 0 x 16) >> 5

    Target unchanged(1, 1, Rgb(7, 8, 9));
    unchanged->DrawSprite(&texture, 0, 0, 0, 0, 1, 1, BLEND_ALPHA, FLIP_NONE, 0x00FFFFFF);
    EXPECT_EQ(unchanged.At(0, 0), Rgb(7, 8, 9));  // A = 0

    // Green only: red and blue of the source are dropped before the mix.
    Target green(1, 1, Rgb(0, 0, 0));
    green->DrawSprite(&texture, 0, 0, 0, 0, 1, 1, BLEND_ALPHA, FLIP_NONE, 0xFF00FF00);
    EXPECT_EQ(green.At(0, 0), Rgb(0, 30, 0));  // opaque: (31 x 31) >> 5
  });
}

TEST(BlitterEdgeTest, AddSaturatesAndSubtractClampsAtZero) {
  ForEachPath([&](TSInstructionPath path) {
    SCOPED_TRACE(PathName(path));
    CTSGDITexture texture;
    MakeTexture(texture, 1, 1, {Rgb(20, 20, 20)});
    Target add(1, 1, Rgb(20, 20, 5));
    add->DrawSprite(&texture, 0, 0, 0, 0, 1, 1, BLEND_ADD, FLIP_NONE, 0xFFFFFFFF);
    EXPECT_EQ(add.At(0, 0), Rgb(31, 31, 25));
    Target sub(1, 1, Rgb(10, 25, 20));
    sub->DrawSprite(&texture, 0, 0, 0, 0, 1, 1, BLEND_SUB, FLIP_NONE, 0xFFFFFFFF);
    EXPECT_EQ(sub.At(0, 0), Rgb(0, 5, 0));
  });
}

TEST(BlitterEdgeTest, FlipsReverseTheReadingOrder) {
  ForEachPath([&](TSInstructionPath path) {
    SCOPED_TRACE(PathName(path));
    const Pixel555 p0 = Rgb(1, 0, 0), p1 = Rgb(2, 0, 0), p2 = Rgb(3, 0, 0), p3 = Rgb(4, 0, 0);
    CTSGDITexture row;
    MakeTexture(row, 4, 1, {p0, p1, p2, p3});
    Target mirrored(4, 1, 0);
    mirrored->DrawSprite(&row, 0, 0, 0, 0, 4, 1, BLEND_NORMAL, FLIP_HORIZONTAL, 0xFFFFFFFF);
    EXPECT_EQ(mirrored.Row(0), (std::vector<Pixel555>{p3, p2, p1, p0}));

    CTSGDITexture column;
    MakeTexture(column, 1, 3, {p0, p1, p2});
    Target flipped(1, 3, 0);
    flipped->DrawSprite(&column, 0, 0, 0, 0, 1, 3, BLEND_NORMAL, FLIP_VERTICAL, 0xFFFFFFFF);
    EXPECT_EQ(flipped.At(0, 0), p2);
    EXPECT_EQ(flipped.At(0, 2), p0);
  });
}

TEST(BlitterEdgeTest, ClippingHappensBeforeMirroring) {
  ForEachPath([&](TSInstructionPath path) {
    SCOPED_TRACE(PathName(path));
    std::vector<Pixel555> pixels;
    for (unsigned i = 0; i < 10; ++i) pixels.push_back(Rgb(i + 1, 0, 0));
    CTSGDITexture texture;
    MakeTexture(texture, 10, 1, pixels);
    Target target(12, 1, 0);
    target->DrawSprite(&texture, -3, 0, 0, 0, 10, 1, BLEND_NORMAL, FLIP_HORIZONTAL, 0xFFFFFFFF);
    // Columns 0 to 2 are clipped away first; 0 to 6 then show 9 down to 3.
    for (int x = 0; x < 7; ++x) EXPECT_EQ(target.At(x, 0), pixels[size_t(9 - x)]) << x;
    EXPECT_EQ(target.At(7, 0), 0);

    // A source starting at x = -5 is cut to 0; the destination stays at 4.
    Target cut(12, 1, 0);
    cut->Blt(&texture, 4, 0, -5, 0, 8, 1);
    for (int x = 0; x < 12; ++x) EXPECT_EQ(cut.At(x, 0), x >= 4 && x < 7 ? pixels[size_t(x - 4)] : 0) << x;
  });
}

TEST(BlitterEdgeTest, InvalidDrawsDrawNothing) {
  CTSGDITexture texture;
  MakeTexture(texture, 2, 2, {Rgb(31, 0, 0), Rgb(31, 0, 0), Rgb(31, 0, 0), Rgb(31, 0, 0)});
  Target target(4, 4, Rgb(1, 1, 1));
  const std::vector<Pixel555> before = target.Row(0);
  target->DrawSprite(&texture, 0, 0, 0, 0, 2, 2, 4, FLIP_NONE, 0xFFFFFFFF);
  target->DrawSprite(&texture, 0, 0, 0, 0, 2, 2, BLEND_NORMAL, 4, 0xFFFFFFFF);
  target->DrawSprite(nullptr, 0, 0, 0, 0, 2, 2, BLEND_NORMAL, FLIP_NONE, 0xFFFFFFFF);
  target->DrawSprite(&texture, 0, 0, 0, 0, 0, 2, BLEND_NORMAL, FLIP_NONE, 0xFFFFFFFF);
  target->DrawSprite(&texture, 0, 0, 5, 0, 2, 2, BLEND_NORMAL, FLIP_NONE, 0xFFFFFFFF);
  target->DrawSprite(&texture, 10, 0, 0, 0, 2, 2, BLEND_NORMAL, FLIP_NONE, 0xFFFFFFFF);
  CTSGDITexture empty;
  target->DrawSprite(&empty, 0, 0, 0, 0, 2, 2, BLEND_NORMAL, FLIP_NONE, 0xFFFFFFFF);
  EXPECT_EQ(target.Row(0), before);

  // No surface: nothing happens.
  CTSGDIRenderTarget bare;
  bare.Blt(&texture, 0, 0, 0, 0, 2, 2);
  EXPECT_FALSE(bare.IsValid());
}

TEST(BlitterEdgeTest, RecordedSizeLargerThanSurfaceStaysInside) {
  CTSGDITexture texture;
  MakeTexture(texture, 8, 8, std::vector<Pixel555>(64, Rgb(31, 31, 31)));
  Target target(4, 4, 0);
  target->SetWidth(100);
  target->SetHeight(100);
  target->SetClipRect(nullptr);
  target->Blt(&texture, 0, 0, 0, 0, 8, 8);  // the sanitizers catch a write beyond the 4 x 4 surface
  EXPECT_EQ(target.At(3, 3), Rgb(31, 31, 31));
}

}  // namespace
