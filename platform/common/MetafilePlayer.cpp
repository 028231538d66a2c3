// The metafile player: one drawing state (objects, pen, brush, fill mode,
// current position, logical-to-device mapping) driven by a loop over either
// kind of record.
#include "platform/common/MetafilePlayer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/common/Raster.h"

namespace Gdi {

namespace {

WORD Le16(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }
DWORD Le32(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24; }

// Device coordinates are kept within this distance of the origin, far outside
// any canvas, so that they stay exact integers.
constexpr double kFar = 1 << 24;
constexpr LONG kMaxPenWidth = 1 << 16;

constexpr DWORD kPenStyleMask = 0x0F;
constexpr DWORD kPenNull = 5;
constexpr DWORD kBrushNull = 1;
constexpr DWORD kStockObject = 0x80000000;

struct Pen {
  bool null = false;
  COLORREF color = 0;
  LONG width = 0;  // logical units; 0 is one pixel
};

struct Brush {
  bool null = false;
  COLORREF color = 0xFFFFFF;
};

struct Object {
  enum Kind { kFree, kPen, kBrush, kOther } kind = kFree;
  Pen pen;
  Brush brush;

  static Object Of(Kind kind) {
    Object object;
    object.kind = kind;
    return object;
  }
  static Object Of(const Pen& pen) {
    Object object = Of(kPen);
    object.pen = pen;
    return object;
  }
  static Object Of(const Brush& brush) {
    Object object = Of(kBrush);
    object.brush = brush;
    return object;
  }
};

// The parameters of one record: little-endian fields within `size` bytes.
struct Fields {
  const BYTE* data;
  size_t size;
  bool Has(size_t bytes) const { return bytes <= size; }
  WORD U16(size_t at) const { return Le16(data + at); }
  LONG S16(size_t at) const { return static_cast<int16_t>(Le16(data + at)); }
  DWORD U32(size_t at) const { return Le32(data + at); }
  LONG S32(size_t at) const { return static_cast<int32_t>(Le32(data + at)); }
};

class Player {
 public:
  Player(const Canvas& canvas, size_t objects) : m_raster(canvas), m_objects(objects) {}

  // device = logical * scale + offset, per axis.
  void SetMapping(double scaleX, double offsetX, double scaleY, double offsetY) {
    m_scaleX = scaleX;
    m_offsetX = offsetX;
    m_scaleY = scaleY;
    m_offsetY = offsetY;
  }

  // Windows metafiles put a new object in the lowest free slot.
  void CreateInFreeSlot(const Object& object) {
    while (m_lowestFree < m_objects.size() && m_objects[m_lowestFree].kind != Object::kFree) ++m_lowestFree;
    if (m_lowestFree < m_objects.size()) m_objects[m_lowestFree++] = object;
  }
  // Enhanced metafiles name the slot; 0 is the metafile itself.
  void CreateAt(DWORD index, const Object& object) {
    if (index != 0 && index < m_objects.size()) m_objects[index] = object;
  }
  void Select(DWORD index) {
    if (index >= m_objects.size()) return;
    const Object& object = m_objects[index];
    if (object.kind == Object::kPen) m_pen = object.pen;
    if (object.kind == Object::kBrush) m_brush = object.brush;
  }
  void SelectStock(DWORD stock) {
    constexpr COLORREF kBrushColors[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
    if (stock < 5) m_brush = Brush{false, kBrushColors[stock]};
    if (stock == 5) m_brush = Brush{true, 0};
    if (stock == 6 || stock == 7) m_pen = Pen{false, stock == 6 ? 0xFFFFFFu : 0u, 0};
    if (stock == 8) m_pen = Pen{true, 0, 0};
  }
  void Delete(DWORD index) {
    if (index >= m_objects.size()) return;
    m_objects[index] = Object{};
    m_lowestFree = std::min<size_t>(m_lowestFree, index);
  }
  void SetFillMode(DWORD mode) {
    if (mode == ALTERNATE || mode == WINDING) m_winding = mode == WINDING;
  }

  void MoveTo(LONG x, LONG y) { m_position = Map(x, y); }
  void LineTo(LONG x, LONG y) {
    POINT to = Map(x, y);
    if (!m_pen.null) m_raster.DrawLine(m_position, to, PenWidth(), m_pen.color);
    m_position = to;
  }

  // `points` hold logical x, y pairs; `counts` the points of each figure.
  void Polygons(const std::vector<LONG>& points, const std::vector<size_t>& counts) {
    std::vector<POINT> device = MapAll(points);
    if (!m_brush.null) {
      std::vector<PointF> corners;
      corners.reserve(device.size());
      for (POINT p : device) corners.push_back(PointF{static_cast<double>(p.x), static_cast<double>(p.y)});
      m_raster.FillPolygons(corners, counts, m_winding, m_brush.color);
    }
    Stroke(device, counts, true);
  }
  void Polylines(const std::vector<LONG>& points, const std::vector<size_t>& counts) {
    Stroke(MapAll(points), counts, false);
  }
  // From the current position through the points, which it then ends at.
  void PolylineTo(const std::vector<LONG>& points) {
    for (size_t i = 0; i + 1 < points.size(); i += 2) LineTo(points[i], points[i + 1]);
  }

  void Rectangle(LONG left, LONG top, LONG right, LONG bottom) {
    RECT box = Box(left, top, right, bottom);
    if (box.right <= box.left || box.bottom <= box.top) return;
    // Without a pen, the fill stops one logical unit short on the right and at
    // the bottom, as on Windows: a pixel at one unit a pixel, less when scaled down.
    if (!m_brush.null) {
      RECT fill = box;
      if (m_pen.null) {
        fill.right = Clamp(std::max(left * m_scaleX, right * m_scaleX) + m_offsetX - std::fabs(m_scaleX));
        fill.bottom = Clamp(std::max(top * m_scaleY, bottom * m_scaleY) + m_offsetY - std::fabs(m_scaleY));
      }
      m_raster.FillRect(fill.left, fill.top, fill.right, fill.bottom, m_brush.color);
    }
    if (!m_pen.null) m_raster.FrameRect(box, PenWidth(), m_pen.color);
  }
  void Ellipse(LONG left, LONG top, LONG right, LONG bottom) {
    RECT box = Box(left, top, right, bottom);
    if (box.right <= box.left || box.bottom <= box.top) return;
    if (!m_brush.null) m_raster.FillEllipse(box, m_brush.color);
    if (!m_pen.null) m_raster.FrameEllipse(box, PenWidth(), m_pen.color);
  }

 private:
  static LONG Clamp(double value) {
    // NaN and infinities land on the far edge too.
    if (!(value > -kFar)) return static_cast<LONG>(-kFar);
    if (!(value < kFar)) return static_cast<LONG>(kFar);
    return static_cast<LONG>(std::lround(value));
  }
  POINT Map(LONG x, LONG y) const {
    return POINT{Clamp(x * m_scaleX + m_offsetX), Clamp(y * m_scaleY + m_offsetY)};
  }
  std::vector<POINT> MapAll(const std::vector<LONG>& points) const {
    std::vector<POINT> device;
    device.reserve(points.size() / 2);
    for (size_t i = 0; i + 1 < points.size(); i += 2) device.push_back(Map(points[i], points[i + 1]));
    return device;
  }
  RECT Box(LONG left, LONG top, LONG right, LONG bottom) const {
    POINT a = Map(left, top), b = Map(right, bottom);
    return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  }
  int PenWidth() const {
    double width = std::fabs(m_pen.width * m_scaleX);
    if (!(width >= 1)) return 1;
    return static_cast<int>(std::min<double>(std::lround(width), kMaxPenWidth));
  }
  void Stroke(const std::vector<POINT>& device, const std::vector<size_t>& counts, bool closed) {
    if (m_pen.null) return;
    int width = PenWidth();
    size_t first = 0;
    for (size_t count : counts) {
      if (count > device.size() - first) break;
      for (size_t i = 0; i + 1 < count + (closed ? 1 : 0); ++i)
        m_raster.DrawLine(device[first + i], device[first + (i + 1) % count], width, m_pen.color);
      first += count;
    }
  }

  Raster m_raster;
  std::vector<Object> m_objects;
  size_t m_lowestFree = 0;  // no free slot below it
  Pen m_pen;                // black, one pixel
  Brush m_brush;            // white
  bool m_winding = false;
  POINT m_position = {0, 0};
  double m_scaleX = 1, m_offsetX = 0, m_scaleY = 1, m_offsetY = 0;
};

// Windows metafile record functions.
enum : WORD {
  kWmfEof = 0x0000,
  kWmfSetPolyFillMode = 0x0106,
  kWmfSelectObject = 0x012D,
  kWmfDeleteObject = 0x01F0,
  kWmfSetWindowOrg = 0x020B,
  kWmfSetWindowExt = 0x020C,
  kWmfLineTo = 0x0213,
  kWmfMoveTo = 0x0214,
  kWmfCreatePen = 0x02FA,
  kWmfCreateBrush = 0x02FC,
  kWmfPolygon = 0x0324,
  kWmfPolyline = 0x0325,
  kWmfEllipse = 0x0418,
  kWmfRectangle = 0x041B,
  kWmfPolyPolygon = 0x0538,
  // Objects this player does not draw with, which still take a slot.
  kWmfCreatePalette = 0x00F7,
  kWmfDibCreatePatternBrush = 0x0142,
  kWmfCreatePatternBrush = 0x01F9,
  kWmfCreateFont = 0x02FB,
  kWmfCreateRegion = 0x06FF,
};

// Calls `visit(function, fields)` for each record up to the end record or the
// first record longer than what remains.
template <class Visit>
void ForEachWindowsRecord(const BYTE* data, size_t size, Visit visit) {
  size_t at = kWindowsHeaderSize;
  while (at <= size && size - at >= 6) {
    DWORD words = Le32(data + at);
    WORD function = Le16(data + at + 4);
    if (words < 3 || words > (size - at) / 2 || function == kWmfEof) return;
    if (!visit(function, Fields{data + at + 6, words * size_t{2} - 6})) return;
    at += words * size_t{2};
  }
}

// Logical x, y pairs of 16-bit points at `at`, `count` of them.
std::vector<LONG> Points16(const Fields& f, size_t at, size_t count) {
  std::vector<LONG> points(count * 2);
  for (size_t i = 0; i < count * 2; ++i) points[i] = f.S16(at + 2 * i);
  return points;
}

std::vector<LONG> Points32(const Fields& f, size_t at, size_t count) {
  std::vector<LONG> points(count * 2);
  for (size_t i = 0; i < count * 2; ++i) points[i] = f.S32(at + 4 * i);
  return points;
}

// The logical window lands on the output rectangle.
void MapWindow(Player& player, const LogicalWindow& window, const RECT& rect) {
  double scaleX = static_cast<double>(rect.right - rect.left) / window.extX;
  double scaleY = static_cast<double>(rect.bottom - rect.top) / window.extY;
  player.SetMapping(scaleX, rect.left - window.orgX * scaleX, scaleY, rect.top - window.orgY * scaleY);
}

void PlayWindowsRecord(Player& player, LogicalWindow& window, const RECT& rect, WORD function,
                       const Fields& f) {
  switch (function) {
    case kWmfSetWindowOrg:
    case kWmfSetWindowExt: {
      if (!f.Has(4)) return;
      LONG y = f.S16(0), x = f.S16(2);
      if (function == kWmfSetWindowOrg) {
        window.orgX = x;
        window.orgY = y;
      } else if (x != 0 && y != 0) {
        window.extX = x;
        window.extY = y;
      }
      MapWindow(player, window, rect);
      return;
    }
    case kWmfSetPolyFillMode:
      if (f.Has(2)) player.SetFillMode(f.U16(0));
      return;
    case kWmfCreatePen: {
      if (!f.Has(10)) return;
      Object pen =
          Object::Of(Pen{(f.U16(0) & kPenStyleMask) == kPenNull, f.U32(6) & 0xFFFFFF, std::abs(f.S16(2))});
      player.CreateInFreeSlot(pen);
      return;
    }
    case kWmfCreateBrush: {
      if (!f.Has(6)) return;
      Object brush = Object::Of(Brush{f.U16(0) == kBrushNull, f.U32(2) & 0xFFFFFF});
      player.CreateInFreeSlot(brush);
      return;
    }
    case kWmfCreatePalette:
    case kWmfDibCreatePatternBrush:
    case kWmfCreatePatternBrush:
    case kWmfCreateFont:
    case kWmfCreateRegion:
      player.CreateInFreeSlot(Object::Of(Object::kOther));
      return;
    case kWmfSelectObject:
      if (f.Has(2)) player.Select(f.U16(0));
      return;
    case kWmfDeleteObject:
      if (f.Has(2)) player.Delete(f.U16(0));
      return;
    case kWmfMoveTo:
    case kWmfLineTo:
      if (!f.Has(4)) return;
      if (function == kWmfMoveTo)
        player.MoveTo(f.S16(2), f.S16(0));
      else
        player.LineTo(f.S16(2), f.S16(0));
      return;
    case kWmfRectangle:
    case kWmfEllipse:
      if (!f.Has(8)) return;
      if (function == kWmfRectangle)
        player.Rectangle(f.S16(6), f.S16(4), f.S16(2), f.S16(0));
      else
        player.Ellipse(f.S16(6), f.S16(4), f.S16(2), f.S16(0));
      return;
    case kWmfPolygon:
    case kWmfPolyline: {
      if (!f.Has(2)) return;
      size_t count = f.U16(0);
      if (!f.Has(2 + count * 4)) return;
      if (function == kWmfPolygon)
        player.Polygons(Points16(f, 2, count), {count});
      else
        player.Polylines(Points16(f, 2, count), {count});
      return;
    }
    case kWmfPolyPolygon: {
      if (!f.Has(2)) return;
      size_t figures = f.U16(0);
      if (!f.Has(2 + figures * 2)) return;
      std::vector<size_t> counts(figures);
      size_t total = 0;
      for (size_t i = 0; i < figures; ++i) total += counts[i] = f.U16(2 + 2 * i);
      size_t at = 2 + figures * 2;
      if (!f.Has(at + total * 4)) return;
      player.Polygons(Points16(f, at, total), counts);
      return;
    }
    default:
      return;
  }
}

// Enhanced metafile record types.
enum : DWORD {
  kEmrPolygon = 3,
  kEmrPolyline = 4,
  kEmrPolylineTo = 6,
  kEmrPolyPolyline = 7,
  kEmrPolyPolygon = 8,
  kEmrSetWindowExt = 9,
  kEmrSetWindowOrg = 10,
  kEmrSetViewportExt = 11,
  kEmrSetViewportOrg = 12,
  kEmrEof = 14,
  kEmrSetMapMode = 17,
  kEmrSetPolyFillMode = 19,
  kEmrMoveTo = 27,
  kEmrSelectObject = 37,
  kEmrCreatePen = 38,
  kEmrCreateBrush = 39,
  kEmrDeleteObject = 40,
  kEmrEllipse = 42,
  kEmrRectangle = 43,
  kEmrCreatePalette = 49,
  kEmrLineTo = 54,
  kEmrCreateFont = 82,
  kEmrPolygon16 = 86,
  kEmrPolyline16 = 87,
  kEmrPolylineTo16 = 89,
  kEmrPolyPolyline16 = 90,
  kEmrPolyPolygon16 = 91,
  kEmrCreateMonoBrush = 93,
  kEmrCreateDibPatternBrush = 94,
  kEmrExtCreatePen = 95,
};

// The enhanced metafile's window, viewport and map mode, and where its frame
// (in reference-device pixels) lands.
struct EnhancedMapping {
  DWORD mode = MM_TEXT;
  double windowOrg[2] = {0, 0}, windowExt[2] = {1, 1};
  double viewportOrg[2] = {0, 0}, viewportExt[2] = {1, 1};
  double frameScale[2] = {1, 1}, frameOffset[2] = {0, 0};  // reference device to output

  void Apply(Player& player) const {
    double scale[2] = {1, 1};
    if (mode == MM_ANISOTROPIC || mode == MM_ISOTROPIC) {
      for (int i = 0; i < 2; ++i) scale[i] = viewportExt[i] / windowExt[i];
      if (mode == MM_ISOTROPIC) {
        double common = std::min(std::fabs(scale[0]), std::fabs(scale[1]));
        for (double& s : scale) s = std::copysign(common, s);
      }
    }
    double out[4];
    for (int i = 0; i < 2; ++i) {
      // logical -> reference device -> output
      out[2 * i] = scale[i] * frameScale[i];
      out[2 * i + 1] = ((viewportOrg[i] - windowOrg[i] * scale[i]) * frameScale[i]) + frameOffset[i];
    }
    player.SetMapping(out[0], out[1], out[2], out[3]);
  }
};

void PlayEnhancedRecord(Player& player, EnhancedMapping& mapping, DWORD type, const Fields& f) {
  switch (type) {
    case kEmrSetWindowExt:
    case kEmrSetWindowOrg:
    case kEmrSetViewportExt:
    case kEmrSetViewportOrg: {
      if (!f.Has(8)) return;
      double value[2] = {static_cast<double>(f.S32(0)), static_cast<double>(f.S32(4))};
      bool extent = type == kEmrSetWindowExt || type == kEmrSetViewportExt;
      if (extent && (value[0] == 0 || value[1] == 0)) return;
      double* target = type == kEmrSetWindowExt     ? mapping.windowExt
                       : type == kEmrSetWindowOrg   ? mapping.windowOrg
                       : type == kEmrSetViewportExt ? mapping.viewportExt
                                                    : mapping.viewportOrg;
      target[0] = value[0];
      target[1] = value[1];
      mapping.Apply(player);
      return;
    }
    case kEmrSetMapMode:
      if (!f.Has(4)) return;
      mapping.mode = f.U32(0);
      mapping.Apply(player);
      return;
    case kEmrSetPolyFillMode:
      if (f.Has(4)) player.SetFillMode(f.U32(0));
      return;
    case kEmrCreatePen: {
      if (!f.Has(20)) return;
      Object pen = Object::Of(Pen{(f.U32(4) & kPenStyleMask) == kPenNull, f.U32(16) & 0xFFFFFF,
                                  static_cast<LONG>(std::min<int64_t>(std::llabs(f.S32(8)), kMaxPenWidth))});
      player.CreateAt(f.U32(0), pen);
      return;
    }
    case kEmrExtCreatePen: {
      // Index, bitmap offsets and sizes, then style, width, brush style, colour.
      if (!f.Has(36)) return;
      bool null = (f.U32(20) & kPenStyleMask) == kPenNull || f.U32(28) == kBrushNull;
      LONG width = static_cast<LONG>(std::min<DWORD>(f.U32(24), kMaxPenWidth));
      player.CreateAt(f.U32(0), Object::Of(Pen{null, f.U32(32) & 0xFFFFFF, width}));
      return;
    }
    case kEmrCreateBrush: {
      if (!f.Has(12)) return;
      Object brush = Object::Of(Brush{f.U32(4) == kBrushNull, f.U32(8) & 0xFFFFFF});
      player.CreateAt(f.U32(0), brush);
      return;
    }
    case kEmrCreatePalette:
    case kEmrCreateFont:
    case kEmrCreateMonoBrush:
    case kEmrCreateDibPatternBrush:
      if (f.Has(4)) player.CreateAt(f.U32(0), Object::Of(Object::kOther));
      return;
    case kEmrSelectObject:
      if (!f.Has(4)) return;
      if (f.U32(0) & kStockObject)
        player.SelectStock(f.U32(0) & ~kStockObject);
      else
        player.Select(f.U32(0));
      return;
    case kEmrDeleteObject:
      if (f.Has(4)) player.Delete(f.U32(0));
      return;
    case kEmrMoveTo:
    case kEmrLineTo:
      if (!f.Has(8)) return;
      if (type == kEmrMoveTo)
        player.MoveTo(f.S32(0), f.S32(4));
      else
        player.LineTo(f.S32(0), f.S32(4));
      return;
    case kEmrRectangle:
    case kEmrEllipse:
      if (!f.Has(16)) return;
      if (type == kEmrRectangle)
        player.Rectangle(f.S32(0), f.S32(4), f.S32(8), f.S32(12));
      else
        player.Ellipse(f.S32(0), f.S32(4), f.S32(8), f.S32(12));
      return;
    case kEmrPolygon:
    case kEmrPolyline:
    case kEmrPolylineTo:
    case kEmrPolygon16:
    case kEmrPolyline16:
    case kEmrPolylineTo16: {
      // Bounds, count, points.
      bool wide = type == kEmrPolygon || type == kEmrPolyline || type == kEmrPolylineTo;
      size_t pointSize = wide ? 8 : 4;
      if (!f.Has(20)) return;
      size_t count = f.U32(16);
      if (count > (f.size - 20) / pointSize) return;
      std::vector<LONG> points = wide ? Points32(f, 20, count) : Points16(f, 20, count);
      if (type == kEmrPolygon || type == kEmrPolygon16)
        player.Polygons(points, {count});
      else if (type == kEmrPolyline || type == kEmrPolyline16)
        player.Polylines(points, {count});
      else
        player.PolylineTo(points);
      return;
    }
    case kEmrPolyPolygon:
    case kEmrPolyPolyline:
    case kEmrPolyPolygon16:
    case kEmrPolyPolyline16: {
      // Bounds, figure count, point count, the figures' point counts, points.
      bool wide = type == kEmrPolyPolygon || type == kEmrPolyPolyline;
      size_t pointSize = wide ? 8 : 4;
      if (!f.Has(24)) return;
      size_t figures = f.U32(16), total = f.U32(20);
      if (figures > (f.size - 24) / 4) return;
      size_t at = 24 + figures * 4;
      if (total > (f.size - at) / pointSize) return;
      std::vector<size_t> counts(figures);
      size_t sum = 0;
      for (size_t i = 0; i < figures; ++i) sum += counts[i] = f.U32(24 + 4 * i);
      if (sum != total) return;
      std::vector<LONG> points = wide ? Points32(f, at, total) : Points16(f, at, total);
      if (type == kEmrPolyPolygon || type == kEmrPolyPolygon16)
        player.Polygons(points, counts);
      else
        player.Polylines(points, counts);
      return;
    }
    default:
      return;
  }
}

}  // namespace

LogicalWindow FirstWindow(const BYTE* data, size_t size) {
  LogicalWindow window;
  bool origin = false;
  ForEachWindowsRecord(data, size, [&](WORD function, const Fields& f) {
    if (function == kWmfSetWindowOrg && !origin && f.Has(4)) {
      window.orgY = f.S16(0);
      window.orgX = f.S16(2);
      origin = true;
    }
    if (function == kWmfSetWindowExt && window.extX == 0 && f.Has(4) && f.S16(0) != 0 && f.S16(2) != 0) {
      window.extY = f.S16(0);
      window.extX = f.S16(2);
    }
    return !origin || window.extX == 0;
  });
  return window;
}

void PlayWindowsRecords(const BYTE* data, size_t size, const LogicalWindow& first, const Canvas& canvas,
                        const RECT& rect) {
  if (size < kWindowsHeaderSize || first.extX == 0 || first.extY == 0) return;
  Player player(canvas, Le16(data + 10));
  LogicalWindow window = first;
  MapWindow(player, window, rect);
  ForEachWindowsRecord(data, size, [&](WORD function, const Fields& f) {
    PlayWindowsRecord(player, window, rect, function, f);
    return true;
  });
}

void PlayEnhancedRecords(const BYTE* data, size_t size, const Canvas& canvas, const RECT& rect) {
  constexpr size_t kBaseHeaderSize = 88;
  if (size < kBaseHeaderSize) return;
  ENHMETAHEADER header{};
  Fields h{data, size};
  header.nSize = h.U32(4);
  header.rclBounds = RECTL{h.S32(8), h.S32(12), h.S32(16), h.S32(20)};
  header.rclFrame = RECTL{h.S32(24), h.S32(28), h.S32(32), h.S32(36)};
  header.nHandles = h.U16(52);
  header.szlDevice = SIZE{h.S32(72), h.S32(76)};
  header.szlMillimeters = SIZE{h.S32(80), h.S32(84)};

  // The frame in reference-device pixels, or the bounds when the device is unknown.
  double frame[4] = {static_cast<double>(header.rclBounds.left), static_cast<double>(header.rclBounds.top),
                     header.rclBounds.right + 1.0, header.rclBounds.bottom + 1.0};
  if (header.szlDevice.cx > 0 && header.szlDevice.cy > 0 && header.szlMillimeters.cx > 0 &&
      header.szlMillimeters.cy > 0 && header.rclFrame.right > header.rclFrame.left &&
      header.rclFrame.bottom > header.rclFrame.top) {
    double perX = header.szlDevice.cx / (header.szlMillimeters.cx * 100.0);
    double perY = header.szlDevice.cy / (header.szlMillimeters.cy * 100.0);
    frame[0] = header.rclFrame.left * perX;
    frame[1] = header.rclFrame.top * perY;
    frame[2] = header.rclFrame.right * perX;
    frame[3] = header.rclFrame.bottom * perY;
  }
  if (!(frame[2] > frame[0] && frame[3] > frame[1])) return;

  Player player(canvas, header.nHandles);
  EnhancedMapping mapping;
  mapping.frameScale[0] = (rect.right - rect.left) / (frame[2] - frame[0]);
  mapping.frameScale[1] = (rect.bottom - rect.top) / (frame[3] - frame[1]);
  mapping.frameOffset[0] = rect.left - frame[0] * mapping.frameScale[0];
  mapping.frameOffset[1] = rect.top - frame[1] * mapping.frameScale[1];
  mapping.Apply(player);

  size_t at = header.nSize;
  while (at <= size && size - at >= 8) {
    DWORD type = Le32(data + at), length = Le32(data + at + 4);
    if (length < 8 || length % 4 != 0 || length > size - at || type == kEmrEof) return;
    PlayEnhancedRecord(player, mapping, type, Fields{data + at + 8, length - size_t{8}});
    at += length;
  }
}

}  // namespace Gdi
