// Filling and stroking into a 24-bit canvas: polygons with either fill rule,
// rectangles, ellipses and lines, clipped to the canvas, without anti-aliasing.
// A pixel belongs to a shape when its centre (x + 0.5, y + 0.5) does.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/common/Canvas.h"

namespace Gdi {

struct PointF {
  double x;
  double y;
};

class Raster {
 public:
  explicit Raster(const Canvas& canvas) : m_canvas(canvas) {}

  // All polygons together (a hole is a polygon inside another); `counts` gives
  // the points of each, which close by themselves.
  void FillPolygons(const std::vector<PointF>& points, const std::vector<size_t>& counts, bool winding,
                    COLORREF color);
  // Pixels left <= x < right, top <= y < bottom.
  void FillRect(LONG left, LONG top, LONG right, LONG bottom, COLORREF color);
  // The border of the rectangle, `width` pixels wide inside it.
  void FrameRect(const RECT& box, int width, COLORREF color);
  // The ellipse inscribed in the box (right and bottom exclusive).
  void FillEllipse(const RECT& box, COLORREF color);
  // Its border: the pixels with a 4-neighbour outside (width 1), else the band
  // between it and the ellipse shrunk by `width` on every side.
  void FrameEllipse(const RECT& box, int width, COLORREF color);
  // From `from` to `to`, the end pixel excluded when the width is 1; wider
  // lines are a band of that width with round ends.
  void DrawLine(POINT from, POINT to, int width, COLORREF color);

 private:
  void Span(LONG y, LONG left, LONG right, COLORREF color);  // left <= x < right
  bool EllipseRow(const RECT& box, LONG y, LONG* left, LONG* right) const;

  Canvas m_canvas;
};

}  // namespace Gdi
