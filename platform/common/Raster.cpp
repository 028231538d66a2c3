// Scanline filling into a 24-bit canvas; every shape is cut to the canvas row
// by row, so that the work never exceeds the rows and columns of the canvas.
#include "platform/common/Raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Gdi {

namespace {

struct Edge {
  double top;     // y of the upper end
  double bottom;  // y of the lower end
  double x;       // x at `top`
  double slope;   // dx / dy
  int direction;  // +1 downwards, -1 upwards
};

// The first row whose centre is at or below `y`.
LONG FirstRow(double y) { return static_cast<LONG>(std::ceil(y - 0.5)); }

// n / d rounded to the nearest integer (halves away from minus infinity), d > 0.
int64_t RoundDiv(int64_t n, int64_t d) {
  int64_t twice = 2 * n + d;
  int64_t q = twice / (2 * d);
  if (twice % (2 * d) < 0) --q;
  return q;
}

}  // namespace

void Raster::Span(LONG y, LONG left, LONG right, COLORREF color) {
  if (y < 0 || y >= m_canvas.height) return;
  left = std::max<LONG>(left, 0);
  right = std::min<LONG>(right, m_canvas.width);
  if (left >= right) return;
  BYTE* pixel = m_canvas.bits + static_cast<size_t>(y) * m_canvas.pitch + static_cast<size_t>(left) * 3;
  for (LONG x = left; x < right; ++x, pixel += 3) {
    pixel[0] = static_cast<BYTE>(color >> 16);
    pixel[1] = static_cast<BYTE>(color >> 8);
    pixel[2] = static_cast<BYTE>(color);
  }
}

void Raster::FillRect(LONG left, LONG top, LONG right, LONG bottom, COLORREF color) {
  top = std::max<LONG>(top, 0);
  bottom = std::min<LONG>(bottom, m_canvas.height);
  for (LONG y = top; y < bottom; ++y) Span(y, left, right, color);
}

void Raster::FrameRect(const RECT& box, int width, COLORREF color) {
  LONG w = std::min<LONG>(width, (std::min(box.right - box.left, box.bottom - box.top) + 1) / 2);
  FillRect(box.left, box.top, box.right, box.top + w, color);
  FillRect(box.left, box.bottom - w, box.right, box.bottom, color);
  FillRect(box.left, box.top + w, box.left + w, box.bottom - w, color);
  FillRect(box.right - w, box.top + w, box.right, box.bottom - w, color);
}

void Raster::FillPolygons(const std::vector<PointF>& points, const std::vector<size_t>& counts, bool winding,
                          COLORREF color) {
  std::vector<Edge> edges;
  size_t first = 0;
  for (size_t count : counts) {
    if (count > points.size() - first) break;
    for (size_t i = 0; i < count; ++i) {
      PointF a = points[first + i];
      PointF b = points[first + (i + 1) % count];
      if (a.y == b.y) continue;
      int direction = a.y < b.y ? 1 : -1;
      if (direction < 0) std::swap(a, b);
      edges.push_back(Edge{a.y, b.y, a.x, (b.x - a.x) / (b.y - a.y), direction});
    }
    first += count;
  }
  if (edges.empty()) return;
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.top < b.top; });
  double lowest = 0;
  for (const Edge& edge : edges) lowest = std::max(lowest, edge.bottom);
  LONG y = std::max<LONG>(0, FirstRow(edges.front().top));
  LONG end = std::min<LONG>(m_canvas.height, FirstRow(lowest));
  std::vector<const Edge*> active;
  std::vector<std::pair<double, int>> crossings;
  size_t next = 0;
  for (; y < end; ++y) {
    double centre = y + 0.5;
    while (next < edges.size() && edges[next].top <= centre) active.push_back(&edges[next++]);
    std::erase_if(active, [&](const Edge* edge) { return edge->bottom <= centre; });
    crossings.clear();
    for (const Edge* edge : active)
      crossings.emplace_back(edge->x + (centre - edge->top) * edge->slope, edge->direction);
    std::sort(crossings.begin(), crossings.end());
    int inside = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
      inside = winding ? inside + crossings[i].second : inside ^ 1;
      if (inside == 0) continue;
      // Pixels whose centres lie in [x_i, x_i+1).
      double left = std::clamp(crossings[i].first, -1.0, m_canvas.width + 1.0);
      double right = std::clamp(crossings[i + 1].first, -1.0, m_canvas.width + 1.0);
      Span(y, FirstRow(left), FirstRow(right), color);
    }
  }
}

bool Raster::EllipseRow(const RECT& box, LONG y, LONG* left, LONG* right) const {
  if (box.right <= box.left || box.bottom <= box.top || y < box.top || y >= box.bottom) return false;
  double cx = (static_cast<double>(box.left) + box.right) / 2;
  double cy = (static_cast<double>(box.top) + box.bottom) / 2;
  double rx = (static_cast<double>(box.right) - box.left) / 2;
  double ry = (static_cast<double>(box.bottom) - box.top) / 2;
  double dy = (y + 0.5 - cy) / ry;
  if (dy * dy > 1) return false;
  double half = rx * std::sqrt(1 - dy * dy);
  *left = FirstRow(cx - half);
  *right = static_cast<LONG>(std::floor(cx + half - 0.5)) + 1;
  return *left < *right;
}

void Raster::FillEllipse(const RECT& box, COLORREF color) {
  LONG top = std::max<LONG>(box.top, 0), bottom = std::min<LONG>(box.bottom, m_canvas.height);
  LONG left, right;
  for (LONG y = top; y < bottom; ++y) {
    if (EllipseRow(box, y, &left, &right)) Span(y, left, right, color);
  }
}

void Raster::FrameEllipse(const RECT& box, int width, COLORREF color) {
  LONG top = std::max<LONG>(box.top, 0), bottom = std::min<LONG>(box.bottom, m_canvas.height);
  RECT inner = {box.left + width, box.top + width, box.right - width, box.bottom - width};
  for (LONG y = top; y < bottom; ++y) {
    LONG left, right;
    if (!EllipseRow(box, y, &left, &right)) continue;
    // The part of the row that stays: inside the inner ellipse (wide pens),
    // or inside with all four neighbours inside (width 1).
    LONG keepLeft = right, keepRight = right;
    if (width > 1) {
      if (!EllipseRow(inner, y, &keepLeft, &keepRight)) keepLeft = keepRight = right;
    } else {
      LONG aboveLeft, aboveRight, belowLeft, belowRight;
      if (EllipseRow(box, y - 1, &aboveLeft, &aboveRight) &&
          EllipseRow(box, y + 1, &belowLeft, &belowRight)) {
        keepLeft = std::max({aboveLeft, belowLeft, left + 1});
        keepRight = std::min({aboveRight, belowRight, right - 1});
        if (keepLeft >= keepRight) keepLeft = keepRight = right;
      }
    }
    Span(y, left, keepLeft, color);
    Span(y, keepRight, right, color);
  }
}

void Raster::DrawLine(POINT from, POINT to, int width, COLORREF color) {
  if (width > 1) {
    double dx = static_cast<double>(to.x) - from.x, dy = static_cast<double>(to.y) - from.y;
    double length = std::sqrt(dx * dx + dy * dy);
    if (length > 0) {
      // Centred on the pixels the end points name.
      double nx = -dy / length * width / 2, ny = dx / length * width / 2;
      double ax = from.x + 0.5, ay = from.y + 0.5, bx = to.x + 0.5, by = to.y + 0.5;
      std::vector<PointF> band = {
          {ax + nx, ay + ny}, {bx + nx, by + ny}, {bx - nx, by - ny}, {ax - nx, ay - ny}};
      FillPolygons(band, {4}, true, color);
    }
    for (POINT end : {from, to}) {
      LONG left = end.x - width / 2, top = end.y - width / 2;
      FillEllipse(RECT{left, top, left + width, top + width}, color);
    }
    return;
  }
  int64_t dx = static_cast<int64_t>(to.x) - from.x, dy = static_cast<int64_t>(to.y) - from.y;
  bool xMajor = std::llabs(dx) >= std::llabs(dy);
  int64_t steps = xMajor ? std::llabs(dx) : std::llabs(dy);
  if (steps == 0) return;
  int64_t major0 = xMajor ? from.x : from.y;
  int64_t minorDelta = xMajor ? dy : dx;
  int64_t majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
  int64_t majorLimit = xMajor ? m_canvas.width : m_canvas.height;
  int64_t minorLimit = xMajor ? m_canvas.height : m_canvas.width;
  // Only the steps whose major coordinate falls on the canvas.
  int64_t first = majorStep > 0 ? -major0 : major0 - (majorLimit - 1);
  int64_t last = majorStep > 0 ? majorLimit - 1 - major0 : major0;
  first = std::max<int64_t>(first, 0);
  last = std::min<int64_t>(last, steps - 1);
  for (int64_t i = first; i <= last; ++i) {
    int64_t major = major0 + i * majorStep;
    int64_t minor = (xMajor ? from.y : from.x) + RoundDiv(i * minorDelta, steps);
    if (minor < 0 || minor >= minorLimit) continue;
    LONG x = static_cast<LONG>(xMajor ? major : minor), y = static_cast<LONG>(xMajor ? minor : major);
    Span(y, x, x + 1, color);
  }
}

}  // namespace Gdi
