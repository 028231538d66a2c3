// The GDI layer's rasterizer against plain per-pixel references over random
// shapes. Metafile loading, playback and read-back are checked end to end
// through the metafile codec's tests.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "platform/Windows.h"
#include "platform/common/Raster.h"

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

}  // namespace
