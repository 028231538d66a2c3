// The metafile side of the GDI layer: the rasterizer against plain per-pixel
// references over random shapes, the 24-bit compatible bitmaps, palettes and
// metafile handles.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "platform/Windows.h"
#include "platform/gdi/Raster.h"

namespace {

constexpr COLORREF kInk = 0x00336699;  // red 0x99, green 0x66, blue 0x33

// A 24-bit canvas inside guard bytes, to catch writes outside it.
struct GuardedCanvas {
  static constexpr int kGuard = 64;
  int width, height, pitch = (width * 3 + 3) & ~3;
  std::vector<BYTE> memory = std::vector<BYTE>(kGuard * 2 + pitch * height);
  Gdi::Raster Clear() {
    std::fill(memory.begin(), memory.end(), 0xA5);
    for (int y = 0; y < height; ++y) std::fill_n(&memory[kGuard + y * pitch], width * 3, 0);
    return Gdi::Raster(Gdi::Canvas{&memory[kGuard], width, height, pitch});
  }
  // Every pixel against expected(x, y): 1 inked, 0 blank, -1 either; the guards untouched.
  template <class Expected>
  void Check(Expected expected, int round) const {
    for (int i = 0; i < static_cast<int>(memory.size()); ++i) {
      int at = i - kGuard, x = at % pitch / 3, y = at / pitch, want = 2;  // 2: a guard byte
      if (at >= 0 && y < height && at % pitch < width * 3) want = expected(x, y);
      const int kInk[] = {0x33, 0x66, 0x99};  // blue, green, red
      if (want < 0) continue;
      ASSERT_EQ(memory[i], want == 2 ? 0xA5 : want * kInk[at % pitch % 3]) << round << ": " << x << "," << y;
    }
  }
};

TEST(Raster, PolygonsMatchAPointInPolygonReferenceForBothRules) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> coordinate(-30, 100);
  GuardedCanvas canvas{71, 53};
  for (int round = 0; round < 300; ++round) {
    std::vector<Gdi::PointF> polygon(3 + random() % 10);
    for (auto& p : polygon) p = Gdi::PointF{coordinate(random), coordinate(random)};
    bool winding = round % 2 == 1;
    canvas.Clear().FillPolygons(polygon, {polygon.size()}, winding, kInk);
    auto expected = [&](int x, int y) {
      double px = x + 0.5, py = y + 0.5;
      int wound = 0, crossed = 0;  // signed and unsigned crossings of the ray to the right
      for (size_t i = 0; i < polygon.size(); ++i) {
        Gdi::PointF a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        if ((a.y <= py) == (b.y <= py) || a.x + (py - a.y) * (b.x - a.x) / (b.y - a.y) <= px) continue;
        ++crossed;
        wound += a.y < b.y ? 1 : -1;
      }
      return winding ? wound != 0 : crossed % 2;
    };
    ASSERT_NO_FATAL_FAILURE(canvas.Check(expected, round));
  }
}

// Where the centre of pixel (x, y) lies against the ellipse inscribed in the
// box, in exact integers: < 0 inside, 0 on the curve, > 0 outside (or no box).
int64_t EllipseSide(const RECT& box, int x, int y) {
  int64_t w = box.right - box.left, h = box.bottom - box.top;
  if (w <= 0 || h <= 0) return 1;
  int64_t u = 2 * x + 1 - box.left - box.right, v = 2 * y + 1 - box.top - box.bottom;
  return u * u * h * h + v * v * w * w - w * w * h * h;
}

TEST(Raster, EllipsesAndCirclesMatchAnExactReferenceOnEveryRow) {
  std::mt19937 random(11);
  std::uniform_int_distribution<LONG> corner(-20, 70), size(1, 40), pen(1, 6);
  GuardedCanvas filled{60, 45}, framed{60, 45};
  for (int round = 0; round < 600; ++round) {
    LONG left = corner(random), top = corner(random), w = size(random), h = round % 2 ? w : size(random);
    RECT box = {left, top, left + w, top + h};  // odd rounds are circles
    int width = round % 3 ? 1 : pen(random);
    RECT inner = {left + width, top + width, left + w - width, top + h - width};
    filled.Clear().FillEllipse(box, kInk);
    framed.Clear().FrameEllipse(box, width, kInk);
    auto in = [&](const RECT& r, int x, int y) { return EllipseSide(r, x, y) <= 0; };
    auto tie = [&](const RECT& r, int x, int y) { return EllipseSide(r, x, y) == 0; };
    // Centres exactly on the curve may go either way; none exist for circles.
    ASSERT_NO_FATAL_FAILURE(
        filled.Check([&](int x, int y) { return tie(box, x, y) ? -1 : in(box, x, y); }, round));
    auto border = [&](int x, int y) -> int {
      if (width > 1) return tie(box, x, y) || tie(inner, x, y) ? -1 : in(box, x, y) && !in(inner, x, y);
      for (auto [dx, dy] : {std::pair{0, 0}, {1, 0}, {-1, 0}, {0, 1}, {0, -1}})
        if (tie(box, x + dx, y + dy)) return -1;
      return in(box, x, y) &&
             !(in(box, x - 1, y) && in(box, x + 1, y) && in(box, x, y - 1) && in(box, x, y + 1));
    };
    ASSERT_NO_FATAL_FAILURE(framed.Check(border, round));
  }
}

TEST(Raster, LinesTakeOnePixelPerStepNearestTheTrueLineAndWideShapesStayOnTheCanvas) {
  std::mt19937 random(3);
  std::uniform_int_distribution<LONG> coordinate(-300, 400);
  GuardedCanvas canvas{64, 48};
  for (int round = 0; round < 500; ++round) {
    POINT from = {coordinate(random), coordinate(random)}, to = {coordinate(random), coordinate(random)};
    if (round % 5 == 0) to.y = from.y;  // some horizontal and vertical ones
    if (round % 7 == 0) to.x = from.x;
    canvas.Clear().DrawLine(from, to, 1, kInk);
    double dx = to.x - from.x, dy = to.y - from.y, steps = std::max(std::fabs(dx), std::fabs(dy));
    auto expected = [&](int x, int y) {
      // The step whose major coordinate is this pixel's, the end point left out.
      bool xMajor = std::fabs(dx) >= std::fabs(dy);
      double i = xMajor ? (x - from.x) / (dx > 0 ? 1 : -1) : (y - from.y) / (dy > 0 ? 1 : -1);
      if (i < 0 || i >= steps) return false;
      return xMajor ? y == std::floor(from.y + i * dy / steps + 0.5)
                    : x == std::floor(from.x + i * dx / steps + 0.5);
    };
    ASSERT_NO_FATAL_FAILURE(canvas.Check(expected, round));
  }
  // Wide lines and frames, and shapes far larger than the canvas, stay on it.
  canvas.Clear().DrawLine(POINT{-100, 15}, POINT{140, 15}, 9, kInk);
  canvas.Check([](int, int y) { return y >= 11 && y <= 19; }, 0);
  Gdi::Raster raster = canvas.Clear();
  raster.FrameRect(RECT{5, 5, 25, 15}, 3, kInk);
  canvas.Check(
      [](int x, int y) {
        return x >= 5 && x < 25 && y >= 5 && y < 15 && !(x >= 8 && x < 22 && y >= 8 && y < 12);
      },
      1);
  raster.FrameEllipse(RECT{-1000, -1000, 1000, 1000}, 50000, kInk);
  raster.FillPolygons({{-1e7, -1e7}, {1e7, 0}, {-1e7, 1e7}}, {3}, false, kInk);
  canvas.Check([](int, int) { return true; }, 2);
}

BITMAPINFO Header(LONG width, LONG height, WORD bits = 24) {
  return {{sizeof(BITMAPINFOHEADER), width, height, 1, bits, BI_RGB, 0, 0, 0, 0, 0}, {}};
}

// A Windows metafile of 16-bit words: the header, each record (function and
// parameters), the end record. `headerWords` and `version` may lie.
std::vector<BYTE> Wmf(std::vector<std::vector<int>> records, int headerWords = 9, int version = 0x300) {
  std::vector<int> words = {1, headerWords, version, 0, 0, 0, 0, 0, 0};
  records.push_back({0});
  for (auto& r : records) {  // each record is led by its size in words
    r.insert(r.begin(), {static_cast<int>(r.size() + 2), 0});
    words.insert(words.end(), r.begin(), r.end());
  }
  words[3] = static_cast<int>(words.size());
  std::vector<BYTE> bytes;
  for (int word : words) bytes.insert(bytes.end(), {static_cast<BYTE>(word), static_cast<BYTE>(word >> 8)});
  return bytes;
}

HENHMETAFILE Load(const std::vector<BYTE>& bits, const METAFILEPICT* picture = nullptr, size_t cut = 0) {
  return SetWinMetaFileBits(static_cast<UINT>(bits.size() - cut), bits.data(), nullptr, picture);
}

// Window extent 20 x 10; a rectangle over its left half with the default black
// pen and white brush.
const std::vector<BYTE> kHalfRectangle = Wmf({{0x020C, 10, 20}, {0x041B, 10, 10, 0, 0}});

TEST(Metafile, WindowsMetafilesTakeTheirFrameFromThePictureOrTheWindow) {
  METAFILEPICT sized = {MM_ANISOTROPIC, 5080, 2540, nullptr}, text = {MM_TEXT, 5080, 2540, nullptr};
  auto frame = [](int pixels) { return std::lround(pixels * 2540 / 96.0); };  // 0.01 mm at 96 dpi
  // The frame's right and bottom, the bounds' right, the records; empty: refused.
  const std::tuple<std::vector<BYTE>, const METAFILEPICT*, std::vector<LONG>> kCases[] = {
      {kHalfRectangle, nullptr, {frame(20), frame(10), 19, 4}},
      {kHalfRectangle, &sized, {5080, 2540, 191, 4}},
      {kHalfRectangle, &text, {frame(20), frame(10), 19, 4}},  // only scalable pictures give the size
      {Wmf({{0x020B, 0, 0}, {0x020C, 7, 30}, {0x0418, 1, 2, 3, 4}}), nullptr, {frame(30), frame(7), 29, 5}},
      {Wmf({{0x020C, 10, 20}}, 8), nullptr, {}},
      {Wmf({{0x020C, 10, 20}}, 9, 0x200), nullptr, {}}};
  for (size_t n = 0; n < std::size(kCases); ++n) {
    const auto& [bytes, picture, want] = kCases[n];
    HENHMETAFILE metafile = Load(bytes, picture);
    ENHMETAHEADER h{};
    std::vector<LONG> got;
    if (GetEnhMetaFileHeader(metafile, sizeof(h), &h) == sizeof(h) && h.iType == EMR_HEADER &&
        h.dSignature == ENHMETA_SIGNATURE && GetEnhMetaFileHeader(metafile, 0, nullptr) == sizeof(h))
      got = {h.rclFrame.right, h.rclFrame.bottom, h.rclBounds.right, static_cast<LONG>(h.nRecords)};
    EXPECT_EQ(got, want) << n;
    EXPECT_TRUE((DeleteEnhMetaFile(metafile) && !DeleteEnhMetaFile(metafile)) == (metafile != nullptr) &&
                !GetEnhMetaFileHeader(metafile, sizeof(h), &h));
  }
  // Refused: a file one word short of its size, no bytes, an old-format file read as an enhanced one.
  EXPECT_FALSE(Load(kHalfRectangle, nullptr, 2) || SetWinMetaFileBits(0, nullptr, nullptr, nullptr) ||
               SetEnhMetaFileBits(static_cast<UINT>(kHalfRectangle.size()), kHalfRectangle.data()));
}

TEST(Metafile, PlaysIntoACompatibleBitmapThatIsReadBackEitherWayUp) {
  HENHMETAFILE metafile = Load(kHalfRectangle);
  HDC dc = CreateCompatibleDC(nullptr), dc16 = CreateCompatibleDC(nullptr);
  RECT target = {10, 4, 50, 14};  // the window, 20 x 10, doubled across
  BITMAPINFO topDown = Header(60, -20), bottomUp = Header(60, 20), wide = Header(61, 20), query{},
             info16 = Header(8, -8, 16);
  query.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  void* pixels = nullptr;
  HBITMAP section = CreateDIBSection(dc16, &info16, DIB_RGB_COLORS, &pixels, nullptr, 0);
  SelectObject(dc16, section);
  bool noBitmapYet = PlayEnhMetaFile(dc, metafile, &target);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 60, 20);
  SelectObject(dc, bitmap);
  LOGPALETTE logical = {0x300, 1, {}};  // a palette changes nothing
  HPALETTE palette = CreatePalette(&logical), stock = SelectPalette(dc, palette, FALSE);
  EXPECT_TRUE(stock && RealizePalette(dc) == 0 && SelectPalette(dc, stock, FALSE) == palette);
  ASSERT_TRUE(PatBlt(dc, 0, 0, 60, 20, WHITENESS) && PatBlt(dc, 40, 16, 2, 1, BLACKNESS));
  ASSERT_TRUE(PlayEnhMetaFile(dc, metafile, &target));
  std::vector<BYTE> rows(180 * 20), up(180 * 20);
  ASSERT_EQ(GetDIBits(dc, bitmap, 0, 20, rows.data(), &topDown, DIB_RGB_COLORS), 20);
  ASSERT_EQ(GetDIBits(dc, bitmap, 1, 2, up.data(), &bottomUp, DIB_RGB_COLORS), 2);  // rows 18 and 17
  for (int i = 0; i < 180 * 20; ++i) {
    int x = i % 180 / 3, y = i / 180;  // the rectangle: pixels 10..29 x 4..13, black border
    bool border = x >= 10 && x < 30 && y >= 4 && y < 14 && (x == 10 || x == 29 || y == 4 || y == 13);
    EXPECT_EQ(rows[i], border || (y == 16 && (x == 40 || x == 41)) ? 0 : 255) << x << "," << y;
  }
  for (int i = 0; i < 360; ++i) EXPECT_EQ(up[i], rows[(18 - i / 180) * 180 + i % 180]) << i;
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, 20, nullptr, &query, DIB_RGB_COLORS), 20);
  EXPECT_TRUE(query.bmiHeader.biWidth == 60 && query.bmiHeader.biBitCount == 24 &&
              query.bmiHeader.biSizeImage == 3600);
  logical.palVersion = 0x200;
  // Refused: among others, anything but a 24-bit bitmap to play into.
  const BOOL kRefused[] = {
      noBitmapYet,
      PlayEnhMetaFile(dc, metafile, nullptr),
      PlayEnhMetaFile(dc16, metafile, &target),
      PatBlt(dc, 0, 0, 5, 3, SRCCOPY),
      GetDIBits(dc, bitmap, 0, 20, rows.data(), &wide, DIB_RGB_COLORS) != 0,
      GetDIBits(dc, bitmap, 20, 1, rows.data(), &topDown, DIB_RGB_COLORS) != 0,
      GetDIBits(dc, nullptr, 0, 20, rows.data(), &topDown, DIB_RGB_COLORS) != 0,
      CreateCompatibleBitmap(dc, 0, 3) || CreateCompatibleBitmap(dc, 40000, 3) || CreatePalette(nullptr),
      SelectPalette(dc, reinterpret_cast<HPALETTE>(dc), 0) != nullptr,
      CreatePalette(&logical) != nullptr};
  for (const BOOL& refused : kRefused) EXPECT_FALSE(refused) << &refused - kRefused;
  EXPECT_TRUE(DeleteObject(palette) && !DeleteObject(palette) && DeleteObject(stock));  // stock ones stay
  EXPECT_EQ(SelectPalette(dc, stock, FALSE), stock);
  EXPECT_TRUE(DeleteDC(dc16) && DeleteObject(section) && DeleteDC(dc) && DeleteObject(bitmap));
  EXPECT_TRUE(DeleteEnhMetaFile(metafile) && !PlayEnhMetaFile(dc, metafile, &target));
}

}  // namespace
