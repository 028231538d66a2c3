// The metafile side of the GDI layer: the rasterizer against plain per-pixel
// references over random shapes, the 24-bit compatible bitmaps, palettes and
// metafile handles.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "platform/Windows.h"
#include "platform/gdi/Raster.h"

namespace {

constexpr COLORREF kInk = 0x00336699;  // red 0x99, green 0x66, blue 0x33

// A canvas with guard bytes all around, to catch writes outside it.
class GuardedCanvas {
 public:
  GuardedCanvas(int width, int height)
      : m_pitch((width * 3 + 3) & ~3), m_memory(kGuard * 2 + static_cast<size_t>(m_pitch) * height, kFill) {
    m_canvas = Gdi::Canvas{m_memory.data() + kGuard, width, height, m_pitch};
    Clear();
  }
  const Gdi::Canvas& Get() const { return m_canvas; }
  void Clear() {
    for (int y = 0; y < m_canvas.height; ++y) std::fill_n(Row(y), m_canvas.width * 3, 0);
  }
  bool Inked(int x, int y) const {
    const BYTE* p = Row(y) + x * 3;
    return p[0] == 0x33 && p[1] == 0x66 && p[2] == 0x99;
  }
  bool GuardsIntact() const {
    for (size_t i = 0; i < m_memory.size(); ++i) {
      bool canvas = i >= kGuard && i < m_memory.size() - kGuard &&
                    static_cast<int>((i - kGuard) % m_pitch) < m_canvas.width * 3;
      if (!canvas && m_memory[i] != kFill) return false;
    }
    return true;
  }

 private:
  static constexpr size_t kGuard = 64;
  static constexpr BYTE kFill = 0xA5;
  BYTE* Row(int y) const { return m_canvas.bits + static_cast<size_t>(y) * m_pitch; }
  int m_pitch;
  std::vector<BYTE> m_memory;
  Gdi::Canvas m_canvas;
};

// Winding number of the closed polygon around (px, py), by upward and downward
// crossings of the ray to the right.
int WindingNumber(const std::vector<Gdi::PointF>& polygon, double px, double py) {
  int winding = 0;
  for (size_t i = 0; i < polygon.size(); ++i) {
    Gdi::PointF a = polygon[i], b = polygon[(i + 1) % polygon.size()];
    double side = (b.x - a.x) * (py - a.y) - (px - a.x) * (b.y - a.y);
    if (a.y <= py && b.y > py && side > 0) ++winding;
    if (b.y <= py && a.y > py && side < 0) --winding;
  }
  return winding;
}

int Crossings(const std::vector<Gdi::PointF>& polygon, double px, double py) {
  int crossings = 0;
  for (size_t i = 0; i < polygon.size(); ++i) {
    Gdi::PointF a = polygon[i], b = polygon[(i + 1) % polygon.size()];
    if ((a.y <= py) != (b.y <= py) && a.x + (py - a.y) * (b.x - a.x) / (b.y - a.y) > px) ++crossings;
  }
  return crossings;
}

TEST(Raster, PolygonsMatchAPointInPolygonReferenceForBothRules) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> coordinate(-30, 100);
  GuardedCanvas canvas(71, 53);
  for (int round = 0; round < 300; ++round) {
    std::vector<Gdi::PointF> polygon(3 + random() % 10);
    for (auto& p : polygon) p = Gdi::PointF{coordinate(random), coordinate(random)};
    bool winding = round % 2 == 1;
    canvas.Clear();
    Gdi::Raster(canvas.Get()).FillPolygons(polygon, {polygon.size()}, winding, kInk);
    int mismatches = 0;
    for (int y = 0; y < 53; ++y) {
      for (int x = 0; x < 71; ++x) {
        bool inside = winding ? WindingNumber(polygon, x + 0.5, y + 0.5) != 0
                              : Crossings(polygon, x + 0.5, y + 0.5) % 2 == 1;
        mismatches += inside != canvas.Inked(x, y);
      }
    }
    ASSERT_EQ(mismatches, 0) << "round " << round;
    ASSERT_TRUE(canvas.GuardsIntact());
  }
}

// How far outside (positive) or inside (negative) of the inscribed ellipse
// the centre of pixel (x, y) is.
double EllipseDistance(const RECT& box, int x, int y) {
  double rx = (box.right - box.left) / 2.0, ry = (box.bottom - box.top) / 2.0;
  double dx = (x + 0.5 - (box.left + rx)) / rx, dy = (y + 0.5 - (box.top + ry)) / ry;
  return dx * dx + dy * dy - 1;
}

TEST(Raster, EllipsesHoldThePixelCentresInsideAndFrameTheirBorder) {
  std::mt19937 random(11);
  std::uniform_int_distribution<LONG> corner(-20, 70);
  GuardedCanvas filled(60, 45), framed(60, 45);
  for (int round = 0; round < 300; ++round) {
    LONG a = corner(random), b = corner(random), c = corner(random), d = corner(random);
    RECT box = {std::min(a, b), std::min(c, d), std::max(a, b) + 1, std::max(c, d) + 1};
    filled.Clear();
    framed.Clear();
    Gdi::Raster(filled.Get()).FillEllipse(box, kInk);
    Gdi::Raster(framed.Get()).FrameEllipse(box, 1, kInk);
    auto inside = [&](int x, int y) { return EllipseDistance(box, x, y) <= 0; };
    auto close = [&](int x, int y) { return std::fabs(EllipseDistance(box, x, y)) < 1e-9; };
    for (int y = 0; y < 45; ++y) {
      for (int x = 0; x < 60; ++x) {
        if (close(x, y) || close(x - 1, y) || close(x + 1, y) || close(x, y - 1) || close(x, y + 1)) continue;
        ASSERT_EQ(filled.Inked(x, y), inside(x, y)) << round << ": " << x << "," << y;
        bool border = inside(x, y) &&
                      (!inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1));
        ASSERT_EQ(framed.Inked(x, y), border) << round << ": " << x << "," << y;
      }
    }
    ASSERT_TRUE(filled.GuardsIntact() && framed.GuardsIntact());
  }
}

TEST(Raster, LinesTakeOnePixelPerStepNearestTheTrueLine) {
  std::mt19937 random(3);
  std::uniform_int_distribution<LONG> coordinate(-300, 400);
  GuardedCanvas canvas(64, 48);
  for (int round = 0; round < 500; ++round) {
    POINT from = {coordinate(random), coordinate(random)}, to = {coordinate(random), coordinate(random)};
    if (round % 5 == 0) to.y = from.y;  // some horizontal and vertical ones
    if (round % 7 == 0) to.x = from.x;
    canvas.Clear();
    Gdi::Raster(canvas.Get()).DrawLine(from, to, 1, kInk);
    std::vector<bool> expected(64 * 48, false);
    double dx = to.x - from.x, dy = to.y - from.y;
    double steps = std::max(std::fabs(dx), std::fabs(dy));
    for (int i = 0; i < steps; ++i) {  // the end point is left out
      bool xMajor = std::fabs(dx) >= std::fabs(dy);
      double x = xMajor ? from.x + i * (dx > 0 ? 1 : -1) : std::floor(from.x + i * dx / steps + 0.5);
      double y = xMajor ? std::floor(from.y + i * dy / steps + 0.5) : from.y + i * (dy > 0 ? 1 : -1);
      if (x >= 0 && x < 64 && y >= 0 && y < 48)
        expected[static_cast<int>(y) * 64 + static_cast<int>(x)] = true;
    }
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x)
        ASSERT_EQ(canvas.Inked(x, y), expected[y * 64 + x]) << round << ": " << x << "," << y;
    ASSERT_TRUE(canvas.GuardsIntact());
  }
}

TEST(Raster, WideLinesAndFramesStayOnTheCanvas) {
  GuardedCanvas canvas(40, 30);
  Gdi::Raster raster(canvas.Get());
  raster.DrawLine(POINT{-100, 15}, POINT{140, 15}, 9, kInk);
  for (int x = 0; x < 40; ++x) {
    for (int y = 0; y < 30; ++y) EXPECT_EQ(canvas.Inked(x, y), y >= 11 && y <= 19) << x << "," << y;
  }
  canvas.Clear();
  raster.FrameRect(RECT{5, 5, 25, 15}, 3, kInk);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      bool inBox = x >= 5 && x < 25 && y >= 5 && y < 15, inHole = x >= 8 && x < 22 && y >= 8 && y < 12;
      EXPECT_EQ(canvas.Inked(x, y), inBox && !inHole) << x << "," << y;
    }
  }
  raster.FrameEllipse(RECT{-1000, -1000, 1000, 1000}, 50000, kInk);
  raster.FillPolygons({{-1e7, -1e7}, {1e7, 0}, {-1e7, 1e7}}, {3}, false, kInk);
  EXPECT_TRUE(canvas.GuardsIntact());
}

BITMAPINFO Header24(LONG width, LONG height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

TEST(CompatibleBitmap, IsFilledAndReadBackBottomUpOrTopDown) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 5, 3);
  ASSERT_NE(bitmap, nullptr);
  SelectObject(dc, bitmap);
  EXPECT_TRUE(PatBlt(dc, 0, 0, 5, 3, WHITENESS));
  EXPECT_TRUE(PatBlt(dc, 1, 0, 2, 1, BLACKNESS));  // two pixels of the top row
  EXPECT_FALSE(PatBlt(dc, 0, 0, 5, 3, SRCCOPY));

  BITMAPINFO info = Header24(5, 3);
  std::vector<BYTE> rows(16 * 3, 0x77);
  ASSERT_EQ(GetDIBits(dc, bitmap, 0, 3, rows.data(), &info, DIB_RGB_COLORS), 3);
  for (int row = 0; row < 3; ++row) {
    for (int byte = 0; byte < 16; ++byte) {
      bool black = row == 2 && byte >= 3 && byte < 9;  // the top row comes last
      BYTE expected = byte >= 15 ? 0 : black ? 0 : 255;
      EXPECT_EQ(rows[row * 16 + byte], expected) << row << "," << byte;
    }
  }
  info = Header24(5, -3);
  ASSERT_EQ(GetDIBits(dc, bitmap, 0, 1, rows.data(), &info, DIB_RGB_COLORS), 1);
  EXPECT_EQ(rows[3], 0);  // top-down: the top row first
  EXPECT_EQ(rows[0], 255);

  BITMAPINFO query{};
  query.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, 3, nullptr, &query, DIB_RGB_COLORS), 3);
  EXPECT_EQ(query.bmiHeader.biWidth, 5);
  EXPECT_EQ(query.bmiHeader.biBitCount, 24);
  EXPECT_EQ(query.bmiHeader.biSizeImage, 48u);

  BITMAPINFO wrong = Header24(6, 3);
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, 3, rows.data(), &wrong, DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(dc, bitmap, 3, 1, rows.data(), &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(dc, nullptr, 0, 3, rows.data(), &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(CreateCompatibleBitmap(dc, 0, 3), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(dc, 40000, 3), nullptr);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(Palette, IsSelectedRealizedAndDeleted) {
  std::vector<BYTE> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY));
  auto* logical = reinterpret_cast<LOGPALETTE*>(block.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = 2;
  HPALETTE palette = CreatePalette(logical);
  ASSERT_NE(palette, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HPALETTE stock = SelectPalette(dc, palette, FALSE);
  ASSERT_NE(stock, nullptr);
  EXPECT_EQ(RealizePalette(dc), 0u);
  EXPECT_EQ(SelectPalette(dc, stock, FALSE), palette);
  EXPECT_EQ(SelectPalette(dc, reinterpret_cast<HPALETTE>(dc), FALSE), nullptr);  // not a palette
  EXPECT_TRUE(DeleteObject(palette));
  EXPECT_FALSE(DeleteObject(palette));
  EXPECT_TRUE(DeleteObject(stock));  // stock objects stay
  EXPECT_EQ(SelectPalette(dc, stock, FALSE), stock);
  EXPECT_TRUE(DeleteDC(dc));
  logical->palVersion = 0x200;
  EXPECT_EQ(CreatePalette(logical), nullptr);
  EXPECT_EQ(CreatePalette(nullptr), nullptr);
}

void Word(std::vector<BYTE>& out, int value) {
  out.push_back(static_cast<BYTE>(value));
  out.push_back(static_cast<BYTE>(value >> 8));
}

// A Windows metafile: window extent 20 x 10, a rectangle over its left half
// with the default black pen and white brush; no objects.
std::vector<BYTE> HalfRectangle() {
  std::vector<BYTE> out;
  for (int v : {1, 9, 0x300}) Word(out, v);
  Word(out, 9 + 5 + 7 + 3);
  Word(out, 0);
  for (int v : {0, 0, 0, 0}) Word(out, v);
  for (int v : {5, 0, 0x020C, 10, 20}) Word(out, v);
  for (int v : {7, 0, 0x041B, 10, 10, 0, 0}) Word(out, v);
  for (int v : {3, 0, 0}) Word(out, v);
  return out;
}

TEST(Metafile, WindowsMetafilesTakeTheirFrameFromThePictureOrTheWindow) {
  std::vector<BYTE> bits = HalfRectangle();
  HENHMETAFILE plain = SetWinMetaFileBits(static_cast<UINT>(bits.size()), bits.data(), nullptr, nullptr);
  ASSERT_NE(plain, nullptr);
  ENHMETAHEADER header{};
  EXPECT_EQ(GetEnhMetaFileHeader(plain, 0, nullptr), sizeof(ENHMETAHEADER));
  ASSERT_EQ(GetEnhMetaFileHeader(plain, sizeof(header), &header), sizeof(header));
  EXPECT_EQ(header.iType, static_cast<DWORD>(EMR_HEADER));
  EXPECT_EQ(header.dSignature, static_cast<DWORD>(ENHMETA_SIGNATURE));
  EXPECT_EQ(header.rclFrame.right, std::lround(20 * 2540 / 96.0));  // 20 pixels at 96 dpi
  EXPECT_EQ(header.rclFrame.bottom, std::lround(10 * 2540 / 96.0));
  EXPECT_EQ(header.rclBounds.right, 19);
  EXPECT_EQ(header.nRecords, 4u);

  METAFILEPICT picture = {MM_ANISOTROPIC, 5080, 2540, nullptr};
  HENHMETAFILE sized = SetWinMetaFileBits(static_cast<UINT>(bits.size()), bits.data(), nullptr, &picture);
  ASSERT_EQ(GetEnhMetaFileHeader(sized, sizeof(header), &header), sizeof(header));
  EXPECT_EQ(header.rclFrame.right, 5080);
  EXPECT_EQ(header.rclBounds.right, 191);
  EXPECT_TRUE(DeleteEnhMetaFile(sized));
  EXPECT_FALSE(DeleteEnhMetaFile(sized));
  EXPECT_EQ(GetEnhMetaFileHeader(sized, sizeof(header), &header), 0u);

  EXPECT_EQ(SetWinMetaFileBits(static_cast<UINT>(bits.size() - 2), bits.data(), nullptr, nullptr), nullptr);
  EXPECT_EQ(SetWinMetaFileBits(0, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(SetEnhMetaFileBits(static_cast<UINT>(bits.size()), bits.data()), nullptr);
  EXPECT_TRUE(DeleteEnhMetaFile(plain));
}

TEST(Metafile, PlaysOntoTheRectangleOfACompatibleBitmapOnly) {
  std::vector<BYTE> bits = HalfRectangle();
  HENHMETAFILE metafile = SetWinMetaFileBits(static_cast<UINT>(bits.size()), bits.data(), nullptr, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  RECT target = {10, 4, 50, 14};                         // the window, 20 x 10, doubled across
  EXPECT_FALSE(PlayEnhMetaFile(dc, metafile, &target));  // no bitmap yet
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 60, 20);
  SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, 60, 20, WHITENESS);
  EXPECT_FALSE(PlayEnhMetaFile(dc, metafile, nullptr));
  ASSERT_TRUE(PlayEnhMetaFile(dc, metafile, &target));
  BITMAPINFO info = Header24(60, -20);
  std::vector<BYTE> rows(180 * 20);
  ASSERT_EQ(GetDIBits(dc, bitmap, 0, 20, rows.data(), &info, DIB_RGB_COLORS), 20);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 60; ++x) {
      // The rectangle covers pixels 10..29 x 4..13: black border, white inside.
      bool border = x >= 10 && x < 30 && y >= 4 && y < 14 && (x == 10 || x == 29 || y == 4 || y == 13);
      EXPECT_EQ(rows[y * 180 + x * 3], border ? 0 : 255) << x << "," << y;
    }
  }

  // A 16-bit DIB section is not played into.
  BITMAPINFO info16 = Header24(8, -8);
  info16.bmiHeader.biBitCount = 16;
  void* pixels = nullptr;
  HDC dc16 = CreateCompatibleDC(nullptr);
  HBITMAP section = CreateDIBSection(dc16, &info16, DIB_RGB_COLORS, &pixels, nullptr, 0);
  SelectObject(dc16, section);
  EXPECT_FALSE(PlayEnhMetaFile(dc16, metafile, &target));
  EXPECT_FALSE(PatBlt(dc16, 0, 0, 8, 8, SRCCOPY));

  EXPECT_TRUE(DeleteDC(dc16));
  EXPECT_TRUE(DeleteObject(section));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteEnhMetaFile(metafile));
  EXPECT_FALSE(PlayEnhMetaFile(dc, metafile, &target));
}

}  // namespace
