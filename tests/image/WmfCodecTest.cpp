// The metafile codec on placeable, plain and enhanced metafiles built record
// by record here. Every drawing is compared pixel by pixel with a reference
// worked out from the shapes' geometry: a pixel belongs to a shape when its
// centre does.
#include "tests/image/CodecTestSupport.h"

namespace {

// Colours as 0x00BBGGRR.
constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0, kRed = 0x0000FF, kGreen = 0x00FF00, kMagenta = 0xFF00FF;
enum : uint16_t { kFillMode = 0x0106, kSelect = 0x012D, kDelete = 0x01F0, kLineTo = 0x0213, kBrush = 0x02FC };
enum : uint16_t { kRectangle = 0x041B, kPolygon = 0x0324, kPolyline = 0x0325, kPolyPolygon = 0x0538 };

// A Windows metafile: records of 16-bit words.
struct Wmf {
  Bytes records;
  Wmf& operator()(uint16_t function, const std::vector<int>& words) {
    PutLe32(records, uint32_t(3 + words.size()));
    PutLe16(records, function);
    for (int word : words) PutLe16(records, uint16_t(word));
    return *this;
  }
  Wmf& Window(int x, int y, int width, int height) {
    return (*this)(0x020B, {y, x})(0x020C, {height, width});
  }
  // A pen in slot 0 and a brush in slot 1, both selected; style 5 is a null pen, 1 a hollow brush.
  Wmf& Tools(int penStyle, int penWidth, uint32_t pen, int brushStyle, uint32_t brush) {
    return (*this)(0x02FA, {penStyle, penWidth, 0, int(pen & 0xFFFF), int(pen >> 16)})(
        kBrush, {brushStyle, int(brush & 0xFFFF), int(brush >> 16), 0})(kSelect, {0})(kSelect, {1});
  }
  Wmf& Box(uint16_t function, int l, int t, int r, int b) { return (*this)(function, {b, r, t, l}); }
  Bytes Plain(uint16_t objects = 4) const {  // header, records, end record (function 0)
    Bytes out = {1, 0, 9, 0, 0, 3}, body = Wmf(*this)(0, {}).records;
    PutLe32(out, uint32_t((18 + body.size()) / 2));
    PutLe16(out, objects);
    out.resize(18, 0);
    out.insert(out.end(), body.begin(), body.end());
    return out;
  }
  Bytes Placeable(int left, int top, int right, int bottom, int unitsPerInch) const {
    Bytes out = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0}, plain = Plain();  // the checksum left 0: it is not read
    for (int v : {left, top, right, bottom, unitsPerInch, 0, 0, 0}) PutLe16(out, uint16_t(v));
    out.insert(out.end(), plain.begin(), plain.end());
    return out;
  }
};

// An enhanced metafile: records of 32-bit fields, on a 96-dpi reference device.
struct Emf {
  Bytes records;
  uint32_t count = 2;
  Emf& operator()(uint32_t type, const std::vector<int32_t>& fields) {
    for (uint32_t v : {type, uint32_t(8 + 4 * fields.size())}) PutLe32(records, v);
    for (int32_t field : fields) PutLe32(records, uint32_t(field));
    ++count;
    return *this;
  }
  // `frame` in 0.01 mm: 2540 is 96 pixels. Four handles, no description or palette.
  Bytes Build(RECT frame, RECT bounds = {0, 0, -1, -1}) const {
    Bytes out;
    auto put = [&](std::initializer_list<LONG> fields) {
      for (LONG v : fields) PutLe32(out, uint32_t(v));
    };
    put({EMR_HEADER, 88, bounds.left, bounds.top, bounds.right, bounds.bottom});
    put({frame.left, frame.top, frame.right, frame.bottom, ENHMETA_SIGNATURE, 0x10000});
    put({LONG(88 + records.size() + 20), LONG(count), 4, 0, 0, 0, 960, 960, 254, 254});
    out.insert(out.end(), records.begin(), records.end());
    for (uint32_t v : {14u, 20u, 0u, 16u, 20u}) PutLe32(out, v);  // EOF
    return out;
  }
};

bool Inside(int x, int y, RECT r) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// The colour a reference drawing gives each pixel.
using Reference = std::function<uint32_t(int x, int y)>;
uint32_t White(int, int) { return kWhite; }

// `color` in the rectangles, `under` elsewhere.
Reference Solid(const std::vector<RECT>& rects, uint32_t color, const Reference& under = White) {
  return [=](int x, int y) {
    return std::any_of(rects.begin(), rects.end(), [&](RECT r) { return Inside(x, y, r); }) ? color
                                                                                            : under(x, y);
  };
}

RGBQUAD Quad(uint32_t c) { return RGBQUAD{BYTE(c >> 16), BYTE(c >> 8), BYTE(c), 0}; }  // from 0x00BBGGRR

TEST(WmfDecoder, DrawsEveryShapeAsItsReferenceAndNamesEachFault) {
  std::vector<Decoded> cases;
  auto add = [&](const char* name, const Bytes& file, uint32_t w, uint32_t h, const Reference& want) {
    auto pixel = [=](uint32_t x, uint32_t y) { return Quad(want(int(x), int(y))); };
    cases.push_back({name, file, w, h, 24, false, pixel});
  };
  auto plain = [&](const char* name, int size, const Reference& want, Wmf wmf, uint16_t objects = 4) {
    Bytes window = Wmf()(0x020C, {size, size}).records;  // the extent; the origin stays (0, 0)
    wmf.records.insert(wmf.records.begin(), window.begin(), window.end());
    add(name, wmf.Plain(objects), size, size, want);
  };
  // A polygon, and a square with a square hole wound the same way, which only
  // the winding rule fills; a third object, a pen, for a line and a polyline.
  Wmf shapes = Wmf().Tools(5, 0, 0, 0, kRed)(kPolygon, {4, 2, 2, 8, 2, 8, 8, 2, 8})(kFillMode, {WINDING});
  shapes(kPolyPolygon, {2, 4, 4, 10, 10, 50, 10, 50, 50, 10, 50, 20, 20, 40, 20, 40, 40, 20, 40});
  shapes(0x02FA, {0, 1, 0, 0xFF00, 0})(kSelect, {2})(0x0214, {55, 5})(kLineTo, {55, 30});
  plain("shapes", 60,
        Solid({{5, 55, 30, 56}, {55, 2, 56, 20}}, kGreen, Solid({{2, 2, 8, 8}, {10, 10, 50, 50}}, kRed)),
        shapes(kPolyline, {2, 55, 2, 55, 20}));
  // New objects take the lowest free slot; an empty or unknown slot selects
  // nothing; unknown records and fields short of their record are skipped; a
  // record longer than what remains ends the playback.
  Wmf slots = Wmf().Tools(5, 0, 0, 0, kRed)(kDelete, {1})(kBrush, {0, 0xFF00, 0, 0})(kSelect, {1});
  slots(kSelect, {2})(kSelect, {1000}).Box(kRectangle, 0, 0, 10, 10)(kBrush, {0, 0, 0xFF, 0})(kDelete, {0});
  slots(kSelect, {0}).Box(kRectangle, 10, 10, 20, 20)(kDelete, {500})(kBrush, {1, 0, 0, 0})(kSelect, {0});
  plain("slots", 30, Solid({{0, 0, 9, 9}, {10, 10, 19, 19}}, kGreen), slots.Box(kRectangle, 20, 20, 30, 30),
        3);
  // Windows plays a record short of its fields with the bytes that follow it (so does Wine 8.0).
#ifndef _WIN32
  Wmf skipped = Wmf()(0x0626, {0x0F00, 3, 0xABCD})(0x0209, {0x00FF, 0})(kPolygon, {200, 1, 2});
  skipped(kRectangle, {9, 12})(kSelect, {}).Tools(5, 0, 0, 0, kRed).Box(kRectangle, 4, 4, 12, 9);
  skipped.records.insert(skipped.records.end(), {0xE8, 3, 0, 0, 0x1B, 0x04});
  plain("skipped", 20, Solid({{4, 4, 11, 8}}, kRed), skipped.Box(kRectangle, 10, 10, 15, 15));
#endif
  // A placeable file: 64 x 32 units at 96 an inch are 64 x 32 pixels, and the
  // window, moved off the origin, maps onto them; larger pictures are scaled
  // down to 4096 pixels, keeping their aspect.
  Wmf placeable = Wmf().Window(100, 200, 64, 32).Tools(0, 0, kBlack, 0, kRed);
  add("placeable", placeable.Box(kRectangle, 110, 205, 130, 220).Placeable(100, 200, 164, 232, 96), 64, 32,
      Solid({{11, 6, 29, 19}}, kRed, Solid({{10, 5, 30, 20}}, kBlack)));
  Wmf large = Wmf().Window(0, 0, 20000, 10000).Tools(5, 0, 0, 0, kRed).Box(kRectangle, 0, 0, 10000, 10000);
  add("large", large.Placeable(0, 0, 20000, 10000, 96), 4096, 2048, Solid({{0, 0, 2048, 2048}}, kRed));

  // Enhanced metafiles: stock objects (0x80000000 | n), a brush made, used
  // and deleted (its slot then selects nothing), polygons, the frame giving
  // the size; a window (1000, 1000) + (960, 480) onto the viewport (0, 0) +
  // (96, 48); a line.
  // The points of 16-bit records hold x in their low half, y in the high one.
  auto corners = [](std::vector<int32_t> fields, int l, int t, int r, int b) {
    fields.insert(fields.end(), {l | t << 16, r | t << 16, r | b << 16, l | b << 16});
    return fields;
  };
  // POLYPOLYGON16: bounds, 2 figures, 8 points, 4 + 4; POLYGON16: bounds, 4 points.
  const auto holed =
      corners(corners({0, 0, 0, 0, 2, 8, 4, 4}, 1100, 1300, 1500, 1400), 1200, 1300, 1300, 1400);
  constexpr int32_t kNullPen = int32_t(0x80000008), kBlackBrush = int32_t(0x80000004),
                    kBlackPen = int32_t(0x80000007);
  Emf emf = Emf()(17, {MM_ANISOTROPIC})(10, {1000, 1000})(9, {960, 480})(12, {0, 0})(11, {96, 48});
  emf(37, {kNullPen})(39, {1, 0, int32_t(kMagenta), 0})(37, {1})(43, {1100, 1050, 1300, 1200})(37,
                                                                                               {kBlackBrush});
  emf(40, {1})(37, {1})(19, {WINDING})(91, holed);
  emf(37, {kBlackPen})(27, {1600, 1050})(54, {1800, 1050})(86,
                                                           corners({0, 0, 0, 0, 4}, 1600, 1200, 1800, 1400));
  // The outline runs along the right and bottom edges, one pixel past the fill.
  const Reference outlines = Solid({{10, 30, 50, 40}, {60, 5, 80, 6}, {60, 20, 81, 41}}, kBlack);
  add("enhanced", emf.Build(RECT{0, 0, 2540, 1270}), 96, 48, Solid({{10, 5, 30, 20}}, kMagenta, outlines));
  ExpectDecoded(CDibImage::FORMAT_WMF, cases);
  // Refused: nothing to draw; no window extent, or no units an inch.
  Wmf drawing = Wmf().Window(0, 0, 10, 10).Box(kRectangle, 0, 0, 5, 5);
  ExpectRefused(CDibImage::FORMAT_WMF, "empty WMF", {Wmf().Plain()});
  ExpectRefused(CDibImage::FORMAT_WMF, "corrupted WMF",
                {Wmf().Box(kRectangle, 0, 0, 5, 5).Plain(), drawing.Placeable(0, 0, 10, 10, 0)});
}

}  // namespace
