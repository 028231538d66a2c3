#include "engine/graphics/software/TSBlitRect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

void IntersectRectClamped(RECT* out, const RECT* a, const RECT& b) {
  if (a == nullptr) {
    *out = b;
    return;
  }
  RECT r;
  r.right = std::min(a->right, b.right);
  r.bottom = std::min(a->bottom, b.bottom);
  r.left = std::min(std::max(a->left, b.left), r.right);
  r.top = std::min(std::max(a->top, b.top), r.bottom);
  *out = r;
}

void ClampRectToSurface(RECT* out, const RECT* r, LONG width, LONG height) {
  if (r == nullptr) {
    *out = RECT{0, 0, width, height};
    return;
  }
  RECT c;
  c.right = std::min(width, r->right);
  c.bottom = std::min(height, r->bottom);
  c.left = std::min(std::max(r->left, LONG(0)), c.right);
  c.top = std::min(std::max(r->top, LONG(0)), c.bottom);
  *out = c;
}

namespace {

// Edges are worked in 64 bits and narrowed with saturation at the end, so
// that extreme coordinates cannot wrap around.
LONG Narrow(LONGLONG v) { return LONG(std::clamp<LONGLONG>(v, INT32_MIN, INT32_MAX)); }

struct WideRect {
  LONGLONG left, top, right, bottom;
  RECT Narrowed() const { return RECT{Narrow(left), Narrow(top), Narrow(right), Narrow(bottom)}; }
};

WideRect ClippedSource(const RECT& bounds, LONG srcX, LONG srcY, LONG width, LONG height) {
  WideRect src{srcX, srcY, LONGLONG(srcX) + width, LONGLONG(srcY) + height};
  src.left = std::max<LONGLONG>(src.left, bounds.left);
  src.top = std::max<LONGLONG>(src.top, bounds.top);
  src.right = std::min<LONGLONG>(src.right, bounds.right);
  src.bottom = std::min<LONGLONG>(src.bottom, bounds.bottom);
  return src;
}

// Clips dst to clip and moves the matching source edges by the clipped
// distance converted to source pixels.
template <class ToSourceX, class ToSourceY>
void ClipDestination(const RECT& clip, WideRect& src, WideRect& dst, ToSourceX toSourceX,
                     ToSourceY toSourceY) {
  if (dst.left < clip.left) {
    src.left += toSourceX(clip.left - dst.left);
    dst.left = clip.left;
  }
  if (dst.top < clip.top) {
    src.top += toSourceY(clip.top - dst.top);
    dst.top = clip.top;
  }
  if (dst.right > clip.right) {
    src.right -= toSourceX(dst.right - clip.right);
    dst.right = clip.right;
  }
  if (dst.bottom > clip.bottom) {
    src.bottom -= toSourceY(dst.bottom - clip.bottom);
    dst.bottom = clip.bottom;
  }
}

// A float-to-integer conversion truncating toward zero, saturated to 32 bits.
LONGLONG Truncate(double v) { return LONGLONG(std::clamp(v, double(INT32_MIN), double(INT32_MAX))); }

}  // namespace

bool ClipBlitRects(const RECT& clip, const RECT& srcBounds, LONG dstX, LONG dstY, LONG srcX, LONG srcY,
                   LONG width, LONG height, RECT* srcOut, RECT* dstOut) {
  if (width < 1 || height < 1) return false;
  WideRect src = ClippedSource(srcBounds, srcX, srcY, width, height);
  WideRect dst{dstX, dstY, dstX + (src.right - src.left), dstY + (src.bottom - src.top)};
  auto same = [](LONGLONG d) { return d; };
  ClipDestination(clip, src, dst, same, same);
  *srcOut = src.Narrowed();
  *dstOut = dst.Narrowed();
  return true;
}

bool ClipScaledBlitRects(const RECT& clip, const RECT& srcBounds, LONG centreX, LONG centreY, LONG srcX,
                         LONG srcY, LONG width, LONG height, float scaleX, float scaleY, RECT* srcOut,
                         RECT* dstOut) {
  if (width < 1 || height < 1) return false;
  // A scale that is not a positive number has no image to draw.
  if (!(scaleX > 0.0f && scaleY > 0.0f && std::isfinite(scaleX) && std::isfinite(scaleY))) return false;
  WideRect src = ClippedSource(srcBounds, srcX, srcY, width, height);
  const LONGLONG dstWidth = Truncate(float(src.right - src.left) * scaleX);
  const LONGLONG dstHeight = Truncate(float(src.bottom - src.top) * scaleY);
  WideRect dst{centreX - (dstWidth >> 1), centreY - (dstHeight >> 1), 0, 0};
  dst.right = dst.left + dstWidth;
  dst.bottom = dst.top + dstHeight;
  ClipDestination(
      clip, src, dst, [scaleX](LONGLONG d) { return Truncate(float(d) / scaleX); },
      [scaleY](LONGLONG d) { return Truncate(float(d) / scaleY); });
  *srcOut = src.Narrowed();
  *dstOut = dst.Narrowed();
  return true;
}

void GetRotatedBounds(LONG width, LONG height, LONG* outWidth, LONG* outHeight, float angle, LONG* minX,
                      LONG* minY) {
  // A non-finite angle has no sine or cosine; it is taken as no turn.
  if (!std::isfinite(angle)) angle = 0.0f;
  const LONGLONG cos16 = LONGLONG(std::cos(angle) * 65536.0f);
  const LONGLONG sin16 = LONGLONG(std::sin(angle) * 65536.0f);
  // 64-bit products: the same corners as 32-bit ones wherever those do not
  // overflow, and still right for larger sizes.
  const LONGLONG xs[4] = {0, (cos16 * width) >> 16, (-(sin16 * height)) >> 16,
                          ((width - 1) * cos16 - sin16 * height) >> 16};
  const LONGLONG ys[4] = {0, (sin16 * width) >> 16, (cos16 * height) >> 16,
                          ((width - 1) * sin16 + cos16 * height) >> 16};
  const auto [loX, hiX] = std::minmax_element(xs, xs + 4);
  const auto [loY, hiY] = std::minmax_element(ys, ys + 4);
  *outWidth = Narrow(*hiX - *loX + 2);
  *outHeight = Narrow(*hiY - *loY + 2);
  if (minX != nullptr) *minX = Narrow(*loX);
  if (minY != nullptr) *minY = Narrow(*loY);
}
