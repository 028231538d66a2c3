// The metafile codec on metafiles built record by record here: placeable and
// plain Windows metafiles and enhanced metafiles, with the expected pixels
// worked out from the shapes' geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>

#include "tests/image/CodecTestSupport.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000;
constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;  // COLORREF: 0x00BBGGRR

// A Windows metafile: records of 16-bit words.
class Wmf {
 public:
  Wmf& Record(uint16_t function, std::initializer_list<int> words) {
    PutLe32(m_records, static_cast<uint32_t>(3 + words.size()));
    PutLe16(m_records, function);
    for (int word : words) PutLe16(m_records, static_cast<uint16_t>(word));
    return *this;
  }
  Wmf& WindowOrg(int x, int y) { return Record(0x020B, {y, x}); }
  Wmf& WindowExt(int x, int y) { return Record(0x020C, {y, x}); }
  Wmf& Pen(int style, int width, uint32_t color) {
    return Record(0x02FA, {style, width, 0, static_cast<int>(color & 0xFFFF), static_cast<int>(color >> 16)});
  }
  Wmf& Brush(int style, uint32_t color) {
    return Record(0x02FC, {style, static_cast<int>(color & 0xFFFF), static_cast<int>(color >> 16), 0});
  }
  Wmf& Select(int index) { return Record(0x012D, {index}); }
  Wmf& Delete(int index) { return Record(0x01F0, {index}); }
  Wmf& FillMode(int mode) { return Record(0x0106, {mode}); }
  Wmf& Rectangle(int l, int t, int r, int b) { return Record(0x041B, {b, r, t, l}); }
  Wmf& Ellipse(int l, int t, int r, int b) { return Record(0x0418, {b, r, t, l}); }
  Wmf& MoveTo(int x, int y) { return Record(0x0214, {y, x}); }
  Wmf& LineTo(int x, int y) { return Record(0x0213, {y, x}); }
  Wmf& Poly(uint16_t function, const std::vector<POINT>& points) {
    std::vector<int> words = {static_cast<int>(points.size())};
    for (POINT p : points) words.insert(words.end(), {static_cast<int>(p.x), static_cast<int>(p.y)});
    return Words(function, words);
  }
  Wmf& PolyPolygon(const std::vector<std::vector<POINT>>& figures) {
    std::vector<int> words = {static_cast<int>(figures.size())};
    for (auto& figure : figures) words.push_back(static_cast<int>(figure.size()));
    for (auto& figure : figures)
      for (POINT p : figure) words.insert(words.end(), {static_cast<int>(p.x), static_cast<int>(p.y)});
    return Words(0x0538, words);
  }
  Wmf& Words(uint16_t function, const std::vector<int>& words) {
    PutLe32(m_records, static_cast<uint32_t>(3 + words.size()));
    PutLe16(m_records, function);
    for (int word : words) PutLe16(m_records, static_cast<uint16_t>(word));
    return *this;
  }
  Wmf& Raw(const Bytes& bytes) {
    m_records.insert(m_records.end(), bytes.begin(), bytes.end());
    return *this;
  }

  // Header, records, end record.
  Bytes Plain(uint16_t objects = 4) const {
    Bytes out;
    PutLe16(out, 1);
    PutLe16(out, 9);
    PutLe16(out, 0x0300);
    PutLe32(out, static_cast<uint32_t>((18 + m_records.size() + 6) / 2));
    PutLe16(out, objects);
    PutLe32(out, 0);
    PutLe16(out, 0);
    out.insert(out.end(), m_records.begin(), m_records.end());
    PutLe32(out, 3);
    PutLe16(out, 0);
    return out;
  }
  Bytes Placeable(int left, int top, int right, int bottom, int unitsPerInch, uint16_t objects = 4) const {
    Bytes out;
    PutLe32(out, 0x9AC6CDD7);
    PutLe16(out, 0);
    for (int v : {left, top, right, bottom, unitsPerInch}) PutLe16(out, static_cast<uint16_t>(v));
    PutLe32(out, 0);
    uint16_t checksum = 0;
    for (size_t i = 0; i < out.size(); i += 2) checksum ^= static_cast<uint16_t>(out[i] | out[i + 1] << 8);
    PutLe16(out, checksum);
    Bytes plain = Plain(objects);
    out.insert(out.end(), plain.begin(), plain.end());
    return out;
  }

 private:
  Bytes m_records;
};

// An enhanced metafile: records of 32-bit fields, on a 96-dpi reference device.
class Emf {
 public:
  Emf& Record(uint32_t type, std::initializer_list<int32_t> fields) {
    Bytes params;
    for (int32_t field : fields) PutLe32(params, static_cast<uint32_t>(field));
    return Raw(type, params);
  }
  Emf& Raw(uint32_t type, const Bytes& params) {
    PutLe32(m_records, type);
    PutLe32(m_records, static_cast<uint32_t>(8 + params.size()));
    m_records.insert(m_records.end(), params.begin(), params.end());
    ++m_count;
    return *this;
  }
  // Bounds, count, then 16-bit (POLYGON16 86, POLYLINE16 87) or 32-bit points.
  Emf& Poly(uint32_t type, const std::vector<POINT>& points, bool wide) {
    Bytes params(16, 0);
    PutLe32(params, static_cast<uint32_t>(points.size()));
    for (POINT p : points) Point(params, p, wide);
    return Raw(type, params);
  }
  Emf& PolyPolygon(const std::vector<std::vector<POINT>>& figures, bool wide) {
    Bytes params(16, 0);
    PutLe32(params, static_cast<uint32_t>(figures.size()));
    size_t total = 0;
    for (auto& figure : figures) total += figure.size();
    PutLe32(params, static_cast<uint32_t>(total));
    for (auto& figure : figures) PutLe32(params, static_cast<uint32_t>(figure.size()));
    for (auto& figure : figures)
      for (POINT p : figure) Point(params, p, wide);
    return Raw(wide ? 8 : 91, params);
  }

  // `frame` in 0.01 mm: 2540 is 96 pixels.
  Bytes Build(RECT frame, uint16_t handles = 4, RECT bounds = {0, 0, -1, -1}) const {
    Bytes out;
    PutLe32(out, EMR_HEADER);
    PutLe32(out, 88);
    for (LONG v : {bounds.left, bounds.top, bounds.right, bounds.bottom, frame.left, frame.top, frame.right,
                   frame.bottom})
      PutLe32(out, static_cast<uint32_t>(v));
    PutLe32(out, ENHMETA_SIGNATURE);
    PutLe32(out, 0x10000);
    PutLe32(out, static_cast<uint32_t>(88 + m_records.size() + 20));
    PutLe32(out, m_count + 2);
    PutLe16(out, handles);
    PutLe16(out, 0);
    for (int i = 0; i < 3; ++i) PutLe32(out, 0);  // description, palette
    for (int v : {960, 960, 254, 254}) PutLe32(out, static_cast<uint32_t>(v));
    out.insert(out.end(), m_records.begin(), m_records.end());
    for (uint32_t v : {14u, 20u, 0u, 16u, 20u}) PutLe32(out, v);  // EOF
    return out;
  }

 private:
  static void Point(Bytes& out, POINT p, bool wide) {
    if (wide) {
      PutLe32(out, static_cast<uint32_t>(p.x));
      PutLe32(out, static_cast<uint32_t>(p.y));
    } else {
      PutLe16(out, static_cast<uint16_t>(p.x));
      PutLe16(out, static_cast<uint16_t>(p.y));
    }
  }
  Bytes m_records;
  uint32_t m_count = 0;
};

uint32_t ColorAt(const CDibImage& image, int x, int y) {
  RGBQUAD c = TopDownPixel(image, static_cast<uint32_t>(x), static_cast<uint32_t>(y));
  return c.rgbRed | c.rgbGreen << 8 | static_cast<uint32_t>(c.rgbBlue) << 16;
}

// Every pixel against `expected(x, y)`; reports the first few differences.
void ExpectPixels(const CDibImage& image, const std::function<uint32_t(int, int)>& expected) {
  int failures = 0;
  for (int y = 0; y < static_cast<int>(image.GetHeight()); ++y) {
    for (int x = 0; x < static_cast<int>(image.GetWidth()); ++x) {
      if (ColorAt(image, x, y) != expected(x, y) && ++failures <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << ColorAt(image, x, y) << " not "
                      << expected(x, y);
    }
  }
  EXPECT_EQ(failures, 0);
}

bool Inside(int x, int y, RECT r) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

uint32_t RectExpectation(int x, int y, RECT r, uint32_t fill, uint32_t border) {
  if (!Inside(x, y, r)) return kWhite;
  bool edge = x == r.left || x == r.right - 1 || y == r.top || y == r.bottom - 1;
  return edge ? border : fill;
}

Bytes Decoded(CDibImage& image, const Bytes& data) {
  EXPECT_TRUE(DecodeBytes(image, data, CDibImage::FORMAT_WMF)) << image.GetLastError();
  return data;
}

TEST(WmfDecoder, PlaceableFileSizeComesFromItsBoxAndWindowMapsOntoIt) {
  // 640 x 320 logical units at 960 an inch: 64 x 32 pixels; a unit is 0.1 pixel.
  Wmf wmf;
  wmf.WindowOrg(100, 200).WindowExt(640, 320);
  wmf.Pen(0, 0, kBlack).Brush(0, kRed).Select(0).Select(1);
  wmf.Rectangle(100 + 100, 200 + 50, 100 + 300, 200 + 200);  // pixels 10..29 x 5..19
  CDibImage image;
  Decoded(image, wmf.Placeable(100, 200, 740, 520, 960));
  ASSERT_EQ(image.GetWidth(), 64u);
  ASSERT_EQ(image.GetHeight(), 32u);
  EXPECT_EQ(image.GetBitsPerPixel(), 24);
  EXPECT_EQ(image.GetType(), CDibImage::FORMAT_WMF);
  ExpectPixels(image, [](int x, int y) { return RectExpectation(x, y, RECT{10, 5, 30, 20}, kRed, kBlack); });
}

TEST(WmfDecoder, PlainFileTakesItsSizeFromTheFirstWindowExtent) {
  // A flipped window: y grows upwards from the bottom edge.
  Wmf wmf;
  wmf.WindowOrg(0, 40).WindowExt(50, -40);
  wmf.Pen(5, 0, 0).Brush(0, kGreen).Select(0).Select(1);
  wmf.Rectangle(5, 35, 20, 30);  // pixels 5..19 x 5..9
  CDibImage image;
  Decoded(image, wmf.Plain());
  ASSERT_EQ(image.GetWidth(), 50u);
  ASSERT_EQ(image.GetHeight(), 40u);
  ExpectPixels(image, [](int x, int y) { return Inside(x, y, RECT{5, 5, 20, 10}) ? kGreen : kWhite; });
}

TEST(WmfDecoder, FillRulesDecideTheCentreOfAStar) {
  // A five-pointed star drawn in one stroke: its centre pentagon is wound twice.
  std::vector<POINT> star;
  for (int k = 0; k < 5; ++k) {
    double angle = (-90 + 144 * k) * M_PI / 180;
    star.push_back(POINT{static_cast<LONG>(std::lround(50 + 45 * std::cos(angle))),
                         static_cast<LONG>(std::lround(50 + 45 * std::sin(angle)))});
  }
  for (int mode : {ALTERNATE, WINDING}) {
    Wmf wmf;
    wmf.WindowExt(100, 100).Pen(5, 0, 0).Brush(0, kBlue).Select(0).Select(1).FillMode(mode);
    wmf.Poly(0x0324, star);
    CDibImage image;
    Decoded(image, wmf.Plain());
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(ColorAt(image, 50, 50), mode == WINDING ? kBlue : kWhite);
    for (int k = 0; k < 5; ++k) {
      // Inside each arm, near its tip; and outside, between two arms.
      double tip = (-90 + 72 * k) * M_PI / 180, gap = tip + 36 * M_PI / 180;
      EXPECT_EQ(ColorAt(image, static_cast<int>(50 + 35 * std::cos(tip)),
                        static_cast<int>(50 + 35 * std::sin(tip))),
                kBlue);
      EXPECT_EQ(ColorAt(image, static_cast<int>(50 + 30 * std::cos(gap)),
                        static_cast<int>(50 + 30 * std::sin(gap))),
                kWhite);
    }
    // The star is symmetric about its vertical axis: so are the filled pixels
    // (away from the columns the rounded corners may touch).
    int asymmetric = 0;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 50; ++x) asymmetric += ColorAt(image, x, y) != ColorAt(image, 99 - x, y);
    EXPECT_LT(asymmetric, 20);
  }
}

TEST(WmfDecoder, PolyPolygonsLeaveHolesByRuleAndOrientation) {
  std::vector<POINT> outer = {{10, 10}, {50, 10}, {50, 50}, {10, 50}};
  std::vector<POINT> same = {{20, 20}, {40, 20}, {40, 40}, {20, 40}};
  std::vector<POINT> reversed = {{20, 20}, {20, 40}, {40, 40}, {40, 20}};
  struct Case {
    int mode;
    std::vector<POINT> inner;
    bool holeFilled;
  } cases[] = {{ALTERNATE, same, false}, {WINDING, same, true}, {WINDING, reversed, false}};
  for (const Case& c : cases) {
    Wmf wmf;
    wmf.WindowExt(60, 60).Pen(5, 0, 0).Brush(0, kRed).Select(0).Select(1).FillMode(c.mode);
    wmf.PolyPolygon({outer, c.inner});
    CDibImage image;
    Decoded(image, wmf.Plain());
    ExpectPixels(image, [&](int x, int y) {
      if (!Inside(x, y, RECT{10, 10, 50, 50})) return kWhite;
      return Inside(x, y, RECT{20, 20, 40, 40}) && !c.holeFilled ? kWhite : kRed;
    });
  }
}

TEST(WmfDecoder, EllipsesAreFilledAndOutlined) {
  Wmf wmf;
  wmf.WindowExt(80, 60).Pen(0, 0, kBlack).Brush(0, kGreen).Select(0).Select(1).Ellipse(0, 0, 80, 60);
  CDibImage image;
  Decoded(image, wmf.Plain());
  ASSERT_TRUE(image.IsValid());
  int filled = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 80; ++x) {
      double dx = (x + 0.5 - 40) / 40, dy = (y + 0.5 - 30) / 30, d = dx * dx + dy * dy;
      uint32_t color = ColorAt(image, x, y);
      if (d < 0.85) {
        EXPECT_EQ(color, kGreen) << x << "," << y;
      }
      if (d > 1.05) {
        EXPECT_EQ(color, kWhite) << x << "," << y;
      }
      EXPECT_EQ(color, ColorAt(image, 79 - x, y));  // symmetric both ways
      EXPECT_EQ(color, ColorAt(image, x, 59 - y));
      filled += color != kWhite;
      // Every painted pixel touching a white one is the pen's.
      if (color != kWhite && x > 0 && x < 79 && y > 0 && y < 59) {
        bool border = ColorAt(image, x - 1, y) == kWhite || ColorAt(image, x + 1, y) == kWhite ||
                      ColorAt(image, x, y - 1) == kWhite || ColorAt(image, x, y + 1) == kWhite;
        if (border) {
          EXPECT_EQ(color, kBlack) << x << "," << y;
        }
      }
    }
  }
  EXPECT_NEAR(filled, M_PI * 40 * 30, M_PI * 40 * 30 * 0.03);
  EXPECT_EQ(ColorAt(image, 0, 30), kBlack);
  EXPECT_EQ(ColorAt(image, 40, 0), kBlack);
}

TEST(WmfDecoder, LinesFollowMoveToAndLineTo) {
  Wmf wmf;
  wmf.WindowExt(40, 40).Pen(0, 1, kRed).Select(0);
  wmf.MoveTo(5, 10).LineTo(25, 10).LineTo(25, 30);  // the end points are not drawn
  wmf.MoveTo(0, 0).LineTo(8, 8);
  wmf.Poly(0x0325, {{30, 2}, {38, 2}});  // polyline
  CDibImage image;
  Decoded(image, wmf.Plain());
  ExpectPixels(image, [](int x, int y) {
    bool on = (y == 10 && x >= 5 && x < 25) || (x == 25 && y >= 10 && y < 30) || (x == y && x < 8) ||
              (y == 2 && x >= 30 && x < 38);
    return on ? kRed : kWhite;
  });
}

TEST(WmfDecoder, WidePensCoverTheirWidth) {
  Wmf wmf;
  wmf.WindowExt(60, 40).Pen(0, 6, kBlue).Select(0).MoveTo(10, 20).LineTo(50, 20);
  CDibImage image;
  Decoded(image, wmf.Plain());
  for (int x = 10; x < 50; ++x) {
    for (int y = 18; y <= 21; ++y) EXPECT_EQ(ColorAt(image, x, y), kBlue) << x << "," << y;
    EXPECT_EQ(ColorAt(image, x, 13), kWhite);
    EXPECT_EQ(ColorAt(image, x, 26), kWhite);
  }
  EXPECT_EQ(ColorAt(image, 3, 20), kWhite);
  EXPECT_EQ(ColorAt(image, 56, 20), kWhite);
}

TEST(WmfDecoder, ObjectsTakeTheLowestFreeSlotAndBadIndexesAreIgnored) {
  Wmf wmf;
  wmf.WindowExt(30, 30);
  wmf.Brush(0, kRed).Pen(5, 0, 0).Select(1);  // slots 0 and 1
  wmf.Delete(0).Brush(0, kGreen).Select(0);   // the green brush takes slot 0
  wmf.Select(2).Select(1000);                 // nothing there: ignored
  wmf.Rectangle(0, 0, 10, 10);
  wmf.Brush(0, kBlue).Delete(1).Select(1);  // the blue brush took slot 2: slot 1 is empty
  wmf.Rectangle(10, 10, 20, 20);            // still green
  wmf.Delete(500).Brush(1, 0).Select(1).Rectangle(20, 20, 30, 30);  // a hollow brush in slot 1
  CDibImage image;
  Decoded(image, wmf.Plain(3));
  ExpectPixels(image, [](int x, int y) {
    return Inside(x, y, RECT{0, 0, 10, 10}) || Inside(x, y, RECT{10, 10, 20, 20}) ? kGreen : kWhite;
  });
}

TEST(WmfDecoder, UnknownRecordsAreSkippedAndFieldsShortOfTheirRecordIgnored) {
  auto draw = [](Wmf& wmf) { wmf.Pen(5, 0, 0).Brush(0, kRed).Select(0).Select(1).Rectangle(4, 4, 12, 9); };
  Wmf plain;
  plain.WindowExt(16, 16);
  draw(plain);
  Wmf noisy;
  noisy.WindowExt(16, 16).Words(0x0626, {0x0F00, 3, 0xABCD, 0x1234, 0x5678});  // an escape
  noisy.Record(0x0209, {0x00FF, 0}).Record(0x0201, {0xFF, 0xFF});              // text and background colours
  noisy.Record(0x0324, {200, 1, 2});                                           // 200 points promised
  noisy.Record(0x041B, {9, 12}).Record(0x012D, {});  // short rectangle, empty select
  draw(noisy);
  CDibImage a, b;
  Decoded(a, plain.Plain());
  Decoded(b, noisy.Plain());
  ExpectPixels(b, [&](int x, int y) { return ColorAt(a, x, y); });
  EXPECT_EQ(ColorAt(b, 4, 4), kRed);
  EXPECT_EQ(ColorAt(b, 12, 4), kWhite);
}

TEST(WmfDecoder, ARecordLongerThanWhatRemainsEndsThePlayback) {
  Wmf wmf;
  wmf.WindowExt(20, 20).Pen(5, 0, 0).Brush(0, kRed).Select(0).Select(1).Rectangle(0, 0, 5, 5);
  Bytes lying;
  PutLe32(lying, 1000);
  PutLe16(lying, 0x041B);
  wmf.Raw(lying).Rectangle(10, 10, 15, 15);
  CDibImage image;
  Decoded(image, wmf.Plain());
  ExpectPixels(image, [](int x, int y) { return Inside(x, y, RECT{0, 0, 5, 5}) ? kRed : kWhite; });
}

TEST(WmfDecoder, EnhancedMetafilesMapTheirFrame) {
  Emf emf;
  emf.Record(37, {static_cast<int32_t>(0x80000008)});                     // NULL_PEN
  emf.Record(39, {1, 0, static_cast<int32_t>(kRed), 0}).Record(37, {1});  // brush 1
  emf.Record(43, {10, 5, 30, 20});                                        // rectangle
  emf.Record(37, {static_cast<int32_t>(0x80000004)});                     // BLACK_BRUSH
  emf.Poly(86, {{40, 30}, {60, 30}, {60, 40}, {40, 40}}, false);          // POLYGON16
  emf.Record(40, {1}).Record(37, {1});                                    // deleted: still black
  emf.Poly(3, {{70, 5}, {90, 5}, {90, 15}, {70, 15}}, true);              // POLYGON
  CDibImage image;
  Decoded(image, emf.Build(RECT{0, 0, 2540, 1270}));
  ASSERT_EQ(image.GetWidth(), 96u);
  ASSERT_EQ(image.GetHeight(), 48u);
  ExpectPixels(image, [](int x, int y) {
    if (Inside(x, y, RECT{10, 5, 30, 20})) return kRed;
    return Inside(x, y, RECT{40, 30, 60, 40}) || Inside(x, y, RECT{70, 5, 90, 15}) ? kBlack : kWhite;
  });
}

TEST(WmfDecoder, EnhancedWindowAndViewportScaleTheDrawing) {
  Emf emf;
  emf.Record(17, {MM_ANISOTROPIC}).Record(10, {1000, 1000}).Record(9, {960, 480});  // window
  emf.Record(12, {0, 0}).Record(11, {96, 48});                                      // viewport
  emf.Record(37, {static_cast<int32_t>(0x80000008)}).Record(37, {static_cast<int32_t>(0x80000004)});
  emf.PolyPolygon({{{1100, 1100}, {1500, 1100}, {1500, 1400}, {1100, 1400}},
                   {{1200, 1200}, {1300, 1200}, {1300, 1300}, {1200, 1300}}},
                  true);                                  // pixels 10..49 x 10..39 less 20..29 x 20..29
  emf.Record(37, {static_cast<int32_t>(0x80000007)});     // BLACK_PEN
  emf.Record(27, {1600, 1050}).Record(54, {1800, 1050});  // pixels 60..79 on row 5
  emf.Record(19, {WINDING});
  emf.PolyPolygon({{{1600, 1200}, {1800, 1200}, {1800, 1400}, {1600, 1400}}}, false);
  CDibImage image;
  Decoded(image, emf.Build(RECT{0, 0, 2540, 1270}));
  ExpectPixels(image, [](int x, int y) {
    if (Inside(x, y, RECT{10, 10, 50, 40})) return Inside(x, y, RECT{20, 20, 30, 30}) ? kWhite : kBlack;
    if (y == 5 && x >= 60 && x < 80) return kBlack;
    // The outline runs along the right and bottom edges, one pixel past the fill.
    return Inside(x, y, RECT{60, 20, 81, 41}) ? kBlack : kWhite;
  });
}

TEST(WmfDecoder, EnhancedMetafileWithoutFrameUsesItsBounds) {
  Emf emf;
  emf.Record(42, {0, 0, 30, 20});  // ellipse
  CDibImage image;
  Decoded(image, emf.Build(RECT{0, 0, 0, 0}, 1, RECT{0, 0, 29, 19}));
  EXPECT_EQ(image.GetWidth(), 30u);
  EXPECT_EQ(image.GetHeight(), 20u);
  EXPECT_EQ(ColorAt(image, 0, 10), kBlack);  // the default pen
  EXPECT_EQ(ColorAt(image, 15, 10), kWhite);
  EXPECT_EQ(ColorAt(image, 0, 0), kWhite);
}

TEST(WmfDecoder, LargePicturesAreScaledDownKeepingTheirAspect) {
  Wmf wmf;
  wmf.WindowExt(20000, 10000).Pen(5, 0, 0).Brush(0, kRed).Select(0).Select(1).Rectangle(0, 0, 10000, 10000);
  CDibImage image;
  Decoded(image, wmf.Placeable(0, 0, 20000, 10000, 96));
  ASSERT_EQ(image.GetWidth(), 4096u);
  ASSERT_EQ(image.GetHeight(), 2048u);
  EXPECT_EQ(ColorAt(image, 2047, 2047), kRed);
  EXPECT_EQ(ColorAt(image, 2048, 0), kWhite);
}

TEST(WmfDecoder, ReportsEveryFailure) {
  auto message = [](const Bytes& data) {
    CDibImage image;
    EXPECT_FALSE(DecodeBytes(image, data, CDibImage::FORMAT_WMF));
    EXPECT_FALSE(image.IsValid());
    return std::string(image.GetLastError());
  };
  Wmf drawing;
  drawing.WindowExt(10, 10).Rectangle(0, 0, 5, 5);
  Wmf nothing;
  EXPECT_EQ(message({}), "empty WMF");
  EXPECT_EQ(message(nothing.Plain()), "empty WMF");
  EXPECT_EQ(message(nothing.Placeable(0, 0, 10, 10, 96)), "empty WMF");
  EXPECT_EQ(message(Emf().Build(RECT{0, 0, 254, 254})), "empty WMF");

  EXPECT_EQ(message(Bytes(64, 'x')), "corrupted WMF");                       // no metafile
  EXPECT_EQ(message(drawing.Placeable(0, 0, 10, 10, 0)), "corrupted WMF");   // no units
  EXPECT_EQ(message(drawing.Placeable(5, 5, 5, 10, 96)), "corrupted WMF");   // no width
  EXPECT_EQ(message(Wmf().Rectangle(0, 0, 5, 5).Plain()), "corrupted WMF");  // no window extent
  EXPECT_EQ(message(Emf().Record(43, {0, 0, 1, 1}).Build({0, 0, 0, 0})), "corrupted WMF");  // no size
  Bytes broken = Wmf().Raw({2, 0, 0, 0, 0x1B, 0x04}).Plain();  // first record too short
  EXPECT_EQ(message(broken), "corrupted WMF");
  Bytes wrongVersion = drawing.Plain();
  wrongVersion[4] = 0x02;
  EXPECT_EQ(message(wrongVersion), "corrupted WMF");
  Bytes longer = drawing.Plain();  // the header claims more words than the file holds
  longer[6] += 1;
  EXPECT_EQ(message(longer), "corrupted WMF");
  Bytes emf = Emf().Record(43, {0, 0, 1, 1}).Build({0, 0, 254, 254});
  emf[48] += 4;
  EXPECT_EQ(message(emf), "corrupted WMF");

  CDibImage image;
  image.SetEscape(1);
  EXPECT_FALSE(DecodeBytes(image, drawing.Plain(), CDibImage::FORMAT_WMF));
  EXPECT_STREQ(image.GetLastError(), "Cancelled");
  image.SetEscape(-1);
  EXPECT_FALSE(DecodeBytes(image, drawing.Placeable(0, 0, 300, 150, 100), CDibImage::FORMAT_WMF));
  EXPECT_STREQ(image.GetLastError(), "output dimensions returned");
  EXPECT_EQ(image.GetWidth(), 288u);
  EXPECT_EQ(image.GetHeight(), 144u);
  EXPECT_FALSE(image.IsValid());
}

TEST(WmfEncoder, SavingIsNotSupported) {
  CDibImage image;
  ASSERT_NE(image.Create(4, 4, 24, CDibImage::FORMAT_WMF), nullptr);
  EXPECT_FALSE(image.Encode(nullptr, CDibImage::FORMAT_WMF));
  EXPECT_STREQ(image.GetLastError(), "null file handler");
  EXPECT_TRUE(EncodeBytes(image, CDibImage::FORMAT_WMF).empty());
  EXPECT_STREQ(image.GetLastError(), "Save WMF not supported");
  CDibImage empty;
  EXPECT_TRUE(EncodeBytes(empty, CDibImage::FORMAT_WMF).empty());
  EXPECT_STREQ(empty.GetLastError(), "null image!!!");
}

// Three small metafiles, one of each kind.
std::vector<Bytes> Samples() {
  Wmf wmf;
  wmf.WindowOrg(0, 0).WindowExt(32, 24).Pen(0, 0, kBlue).Brush(0, kRed).Select(0).Select(1);
  wmf.Rectangle(2, 2, 12, 10).Ellipse(14, 4, 30, 20).MoveTo(0, 23).LineTo(31, 0);
  Emf emf;
  emf.Record(39, {1, 0, static_cast<int32_t>(kGreen), 0}).Record(37, {1});
  emf.Poly(86, {{2, 2}, {40, 2}, {20, 30}}, false).Record(42, {50, 10, 90, 40});
  return {wmf.Placeable(0, 0, 32, 24, 96), wmf.Plain(), emf.Build(RECT{0, 0, 2540, 1270})};
}

TEST(WmfDecoder, IsFoundByDetection) {
  for (const Bytes& data : Samples()) {
    CDibImage direct, detected;
    Decoded(direct, data);
    ASSERT_TRUE(DecodeBytes(detected, data, CDibImage::FORMAT_UNKNOWN)) << detected.GetLastError();
    EXPECT_EQ(detected.GetType(), CDibImage::FORMAT_WMF);
    ASSERT_EQ(detected.GetWidth(), direct.GetWidth());
    ExpectPixels(detected, [&](int x, int y) { return ColorAt(direct, x, y); });
  }
  // Other formats stay theirs.
  CDibImage bmp;
  ASSERT_TRUE(DecodeBytes(bmp, MakeBmp(BmpSpec{.width = 2, .height = 2, .pixels = Bytes(16, 7)}),
                          CDibImage::FORMAT_UNKNOWN));
  EXPECT_EQ(bmp.GetType(), CDibImage::FORMAT_BMP);
}

TEST(WmfDecoder, TruncatedFilesFailAtEveryLength) {
  for (const Bytes& data : Samples()) {
    for (size_t length = 0; length < data.size(); ++length) {
      CDibImage image;
      EXPECT_FALSE(DecodeBytes(image, Bytes(data.begin(), data.begin() + length), CDibImage::FORMAT_WMF))
          << length;
      EXPECT_NE(image.GetLastError()[0], '\0');
    }
  }
}

}  // namespace
