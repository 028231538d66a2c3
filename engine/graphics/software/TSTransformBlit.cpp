#include "engine/graphics/software/TSTransformBlit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "engine/graphics/software/TSBlitRect.h"
#include "engine/graphics/software/TSPixelPipeline.h"
#include "engine/graphics/software/TSScaleColumns.h"

namespace {

TSSourceKind SourceKind(const CTSGDITexture& source) {
  if (source.GetAlphaRow(0) != nullptr) return SOURCE_ALPHA;
  if (source.GetColorKey16() != NO_COLOR_KEY) return SOURCE_KEYED;
  return SOURCE_PLAIN;
}

// ---------------------------------------------------------------------------
// The scaler: output pixel (i, j) of the clipped destination reads source
// column (u + i * stepU) >> 12 and row (v + j * stepV) >> 12.

void PlanColumnsPortable(TSScaleColumns& columns, INT) { columns.vectorCount = 0; }

const TSScaleRows& PortableScaleRows() {
  static const TSScaleRows rows = MakeScaleRows<ScalarLanes>();
  return rows;
}

#if defined(__x86_64__)
const TSScaleRows& Sse2ScaleRows() {
  static const TSScaleRows rows = MakeScaleRows<Sse2Lanes>();
  return rows;
}
#endif

void PickColumnsPortable(Pixel555* dst, const Pixel555* srcRow, const TSScaleColumns& columns) {
  for (int i = 0; i < columns.count; ++i) dst[i] = srcRow[columns.column[i]];
}

struct ScaleJob {
  Pixel555* dst;  // top left of the clipped destination
  ptrdiff_t dstPitch;
  const CTSGDITexture* source;
  LONGLONG u, stepU, left, right;  // columns, kept within [left, right)
  LONGLONG v, stepV, top, bottom;  // rows, kept within [top, bottom)
  int columns, rows;
  TSTransformConsts consts;
  void (*plan)(TSScaleColumns&, INT);
  void (*pick)(Pixel555*, const Pixel555*, const TSScaleColumns&);
  TSScaleRow blend;
};

// The output is worked in strips of columns, all rows of a strip at a time,
// so that the columns are picked by one plan per strip. A plain copy
// (kDirect) picks straight into the destination and repeats a source row by
// copying the destination row above; the other cases pick a source row once
// and blend it into every destination row that shows it.
template <bool kDirect, bool kAlpha>
void ScaleLoop(const ScaleJob& job) {
  TSScaleColumns columns;
  Pixel555 picked[kDirect ? 1 : TSScaleColumns::MAX_COUNT];
  BYTE pickedAlpha[kAlpha ? TSScaleColumns::MAX_COUNT : 1];
  for (int x0 = 0; x0 < job.columns; x0 += TSScaleColumns::MAX_COUNT) {
    const int count = std::min(TSScaleColumns::MAX_COUNT, job.columns - x0);
    columns.count = count;
    for (int i = 0; i < count; ++i)
      columns.column[i] = INT(std::clamp((job.u + (x0 + i) * job.stepU) >> 12, job.left, job.right - 1));
    job.plan(columns, job.source->GetWidth());
    LONGLONG previousRow = -1;
    for (int j = 0; j < job.rows; ++j) {
      const LONGLONG row = std::clamp((job.v + j * job.stepV) >> 12, job.top, job.bottom - 1);
      Pixel555* d = job.dst + j * job.dstPitch + x0;
      if constexpr (kDirect) {
        if (row == previousRow) {
          FastCopy(d, d - job.dstPitch, size_t(count) * sizeof(Pixel555));
        } else {
          job.pick(d, job.source->GetPixelRow(INT(row)), columns);
        }
      } else {
        if (row != previousRow) {
          job.pick(picked, job.source->GetPixelRow(INT(row)), columns);
          if constexpr (kAlpha) {
            const BYTE* alphaRow = job.source->GetAlphaRow(INT(row));
            for (int i = 0; i < count; ++i) pickedAlpha[i] = alphaRow[columns.column[i]];
          }
        }
        job.blend(d, picked, kAlpha ? pickedAlpha : nullptr, count, job.consts);
      }
      previousRow = row;
    }
  }
}

// A float count truncated toward zero; v is not negative.
LONGLONG TruncateCount(float v) { return v >= 2147483647.0f ? LONGLONG(INT32_MAX) : LONGLONG(v); }

// 1 / scale in 20.12 fixed point, truncated. Steps above 2^40 only occur
// with a single output pixel, which never steps.
LONGLONG ScaleStep(float scale) { return LONGLONG(std::min((1.0 / scale) * 4096.0, 1099511627776.0)); }

void Scale(CTSGDITexture& surface, const RECT& clip, const CTSGDITexture& source, INT x, INT y, INT srcX,
           INT srcY, INT srcW, INT srcH, float scaleX, float scaleY, BlendMode mode, FlipFlags flip,
           const CTSColor& color) {
  if (mode > 3) return;
  const RECT bounds{0, 0, source.GetWidth(), source.GetHeight()};
  RECT src, dst;
  if (!ClipScaledBlitRects(clip, bounds, x, y, srcX, srcY, srcW, srcH, scaleX, scaleY, &src, &dst)) return;
  const LONGLONG width = LONGLONG(src.right) - src.left;
  const LONGLONG height = LONGLONG(src.bottom) - src.top;
  if (width < 1 || height < 1) return;
  // Truncation can give a pixel more than the clipped destination holds; the
  // destination bounds the output.
  const LONGLONG columns = std::min(TruncateCount(float(width) * scaleX), LONGLONG(dst.right) - dst.left);
  const LONGLONG rows = std::min(TruncateCount(float(height) * scaleY), LONGLONG(dst.bottom) - dst.top);
  if (columns < 1 || rows < 1) return;
  const LONGLONG stepX = ScaleStep(scaleX);
  const LONGLONG stepY = scaleX == scaleY ? stepX : ScaleStep(scaleY);
  if (flip > 3) flip = FLIP_NONE;

  // Mirrored, the walk starts at the last position inside the source
  // rectangle and steps back, reading exactly the columns (rows) of the
  // unmirrored walk in reverse.
  const bool mirror = (flip & FLIP_HORIZONTAL) != 0;
  const bool upsideDown = (flip & FLIP_VERTICAL) != 0;
  ScaleJob job;
  job.dst = surface.GetPixelRow(dst.top) + dst.left;
  job.dstPitch = surface.GetWidth();
  job.source = &source;
  job.left = src.left;
  job.right = src.right;
  job.u = mirror ? (job.right << 12) - 1 : job.left << 12;
  job.stepU = mirror ? -stepX : stepX;
  job.top = src.top;
  job.bottom = src.bottom;
  job.v = upsideDown ? (job.bottom << 12) - 1 : job.top << 12;
  job.stepV = upsideDown ? -stepY : stepY;
  job.columns = int(columns);
  job.rows = int(rows);
  const TSSourceKind kind = SourceKind(source);
  // Mode 0 copies the raw source; the other modes mask it with the colour.
  job.consts.mask = mode == BLEND_NORMAL ? Pixel555(0xFFFF) : ColorToPixel555(color);
  job.consts.key = source.GetColorKey16();
  job.consts.weight = color.GetAlpha() >> 3;
  job.plan = &PlanColumnsPortable;
  job.pick = &PickColumnsPortable;
  const TSScaleRows* blends = &PortableScaleRows();
#if defined(__x86_64__)
  if (GetInstructionPath() == TSInstructionPath::SSE2) blends = &Sse2ScaleRows();
  if (GetInstructionPath() == TSInstructionPath::AVX2) {
    job.plan = &PlanScaleColumnsAvx2;
    job.pick = &PickScaleColumnsAvx2;
    blends = &GetScaleRowsAvx2();
  }
#endif
  job.blend = blends->row[mode][kind];
  if (mode == BLEND_NORMAL && kind == SOURCE_PLAIN) {
    ScaleLoop<true, false>(job);
  } else if (kind == SOURCE_ALPHA) {
    ScaleLoop<false, true>(job);
  } else {
    ScaleLoop<false, false>(job);
  }
}

// ---------------------------------------------------------------------------
// The rotator: destination pixels of the walked box map back into the source
// rectangle in 16.16 fixed point, relative to its top left corner.

struct RotateJob {
  Pixel555* dst;  // first walked pixel of the first walked row
  ptrdiff_t dstPitch;
  const Pixel555* src;  // top left of the source rectangle
  const BYTE* alpha;    // likewise, or null
  ptrdiff_t srcPitch;   // pixels and alpha bytes alike
  LONGLONG u, v;        // position of the first walked pixel
  LONGLONG uRow, vRow;  // step to the next row
  LONGLONG uCol, vCol;  // step to the next pixel of a row
  LONGLONG uEnd, vEnd;  // positions inside the source are in [0, end)
  int columns, rows;
  TSTransformConsts consts;
};

LONGLONG FloorDiv(LONGLONG a, LONGLONG b) {  // b > 0
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Narrows [first, last) to the i with 0 <= at + i * step < end.
void KeepInside(LONGLONG at, LONGLONG step, LONGLONG end, LONGLONG& first, LONGLONG& last) {
  if (step == 0) {
    if (at < 0 || at >= end) last = first;
  } else if (step > 0) {
    first = std::max(first, -FloorDiv(at, step));  // ceil(-at / step)
    last = std::min(last, -FloorDiv(at - end, step));
  } else {
    first = std::max(first, FloorDiv(at - end, -step) + 1);
    last = std::min(last, FloorDiv(at, -step) + 1);
  }
}

template <Mix kMix, Weight kWeight, bool kKeyed>
void RotateLoop(const RotateJob& job) {
  constexpr bool kAlpha = ReadsAlpha(kWeight);
  for (int k = 0; k < job.rows; ++k) {
    const LONGLONG u0 = job.u + k * job.uRow;
    const LONGLONG v0 = job.v + k * job.vRow;
    // Only the run of pixels that lands inside the source is visited.
    LONGLONG first = 0, last = job.columns;
    KeepInside(u0, job.uCol, job.uEnd, first, last);
    KeepInside(v0, job.vCol, job.vEnd, first, last);
    if (first >= last) continue;
    Pixel555* d = job.dst + k * job.dstPitch;
    // Inside the run every position fits 31 bits; steps wrap harmlessly
    // past its end.
    uint32_t u = uint32_t(u0 + first * job.uCol);
    uint32_t v = uint32_t(v0 + first * job.vCol);
    const uint32_t du = uint32_t(job.uCol);
    const uint32_t dv = uint32_t(job.vCol);
    for (LONGLONG i = first; i < last; ++i, u += du, v += dv) {
      const ptrdiff_t at = ptrdiff_t(v >> 16) * job.srcPitch + (u >> 16);
      BlendPixel<kMix, kWeight, kKeyed, true>(d[i], job.src[at], kAlpha ? job.alpha[at] : 0, job.consts);
    }
  }
}

// The rotator's loop for each blend mode and source kind.
void (*SelectRotateLoop(BlendMode mode, TSSourceKind kind))(const RotateJob&) {
  static constexpr void (*kLoops[4][3])(const RotateJob&) = {
      {&RotateLoop<Mix::Copy, Weight::None, false>, &RotateLoop<Mix::Copy, Weight::None, true>,
       &RotateLoop<Mix::Lerp, Weight::Alpha, false>},
      {&RotateLoop<Mix::Lerp, Weight::Const, false>, &RotateLoop<Mix::Lerp, Weight::Const, true>,
       &RotateLoop<Mix::Lerp, Weight::AlphaConst, false>},
      {&RotateLoop<Mix::Add, Weight::Const, false>, &RotateLoop<Mix::Add, Weight::Const, true>,
       &RotateLoop<Mix::Add, Weight::AlphaConst, false>},
      {&RotateLoop<Mix::Sub, Weight::Const, false>, &RotateLoop<Mix::Sub, Weight::Const, true>,
       &RotateLoop<Mix::Sub, Weight::AlphaConst, false>},
  };
  return kLoops[mode][kind];
}

bool Fits32(LONGLONG v) { return v > INT32_MIN && v <= INT32_MAX; }

// Whether the corner products and sums of GetRotatedBounds stay within 32
// bits for this size and angle.
bool RotatedBoundsFit(LONGLONG width, LONGLONG height, float angle) {
  const LONGLONG cos16 = LONGLONG(std::cos(angle) * 65536.0f);
  const LONGLONG sin16 = LONGLONG(std::sin(angle) * 65536.0f);
  const LONGLONG values[] = {cos16 * width,
                             sin16 * width,
                             sin16 * height,
                             cos16 * height,
                             (width - 1) * cos16,
                             (width - 1) * sin16,
                             (width - 1) * cos16 - sin16 * height,
                             (width - 1) * sin16 + cos16 * height};
  return std::all_of(std::begin(values), std::end(values), Fits32);
}

// The float truncated toward zero when it fits 32 bits.
bool TruncateTo32(float v, LONGLONG* out) {
  if (!(v > -2147483648.0f && v < 2147483648.0f)) return false;
  *out = LONGLONG(v);
  return true;
}

void Rotate(CTSGDITexture& surface, const RECT& clip, const CTSGDITexture& source, INT x, INT y, INT srcX,
            INT srcY, INT srcW, INT srcH, float scaleX, float scaleY, float angle, BlendMode mode,
            FlipFlags flip, const CTSColor& color) {
  if (flip > 3) return;
  if (mode > 3) mode = BLEND_NORMAL;
  const float turned = 6.2831855f - angle;
  const auto saturate = [](LONGLONG v) { return LONG(std::clamp<LONGLONG>(v, INT32_MIN, INT32_MAX)); };
  const RECT wanted{srcX, srcY, saturate(LONGLONG(srcX) + srcW), saturate(LONGLONG(srcY) + srcH)};
  RECT s;
  ClampRectToSurface(&s, &wanted, source.GetWidth(), source.GetHeight());
  const LONGLONG width = LONGLONG(s.right) - s.left;
  const LONGLONG height = LONGLONG(s.bottom) - s.top;
  // 16.16 positions inside the source must fit 31 bits.
  if (width < 1 || height < 1 || width > 32767 || height > 32767) return;

  LONGLONG scaledWidth, scaledHeight;
  if (!TruncateTo32(float(width) * scaleX, &scaledWidth) ||
      !TruncateTo32(float(height) * scaleY, &scaledHeight))
    return;
  if (!RotatedBoundsFit(scaledWidth, scaledHeight, turned)) return;
  LONG boxWidth, boxHeight, minX, minY;
  GetRotatedBounds(LONG(scaledWidth), LONG(scaledHeight), &boxWidth, &boxHeight, turned, &minX, &minY);

  // The box is centred on (x, y); its walk includes the column and row just
  // past it, and is cut to the clip rectangle, position and size.
  const LONGLONG boxLeft = LONGLONG(x) - (boxWidth >> 1);
  const LONGLONG boxTop = LONGLONG(y) - (boxHeight >> 1);
  const LONGLONG left = std::max<LONGLONG>(boxLeft, clip.left);
  const LONGLONG right = std::min<LONGLONG>(boxLeft + boxWidth + 1, clip.right);
  const LONGLONG top = std::max<LONGLONG>(boxTop, clip.top);
  const LONGLONG bottom = std::min<LONGLONG>(boxTop + boxHeight + 1, clip.bottom);
  if (left >= right || top >= bottom) return;
  const LONGLONG mx = minX + (left - boxLeft);
  const LONGLONG my = minY + (top - boxTop);

  LONGLONG cosStep, sinStep, halfX, halfY;
  if (!TruncateTo32(std::cos(turned) * 65536.0f / scaleX, &cosStep) ||
      !TruncateTo32(std::sin(turned) * 65536.0f / scaleY, &sinStep) ||
      !TruncateTo32(32768.0f / scaleX, &halfX) || !TruncateTo32(32768.0f / scaleY, &halfY))
    return;

  RotateJob job;
  job.dst = surface.GetPixelRow(INT(top)) + left;
  job.dstPitch = surface.GetWidth();
  job.src = source.GetPixelRow(s.top) + s.left;
  job.alpha = source.GetAlphaRow(s.top);
  if (job.alpha != nullptr) job.alpha += s.left;
  job.srcPitch = source.GetWidth();
  job.u = LONGLONG(float(cosStep * mx + sinStep * my) - 32768.0f / scaleX);
  job.v = LONGLONG(float(cosStep * my - sinStep * mx) - 32768.0f / scaleY);
  job.uRow = sinStep;
  job.vRow = cosStep;
  job.uCol = cosStep;
  job.vCol = -sinStep;
  job.uEnd = width << 16;
  job.vEnd = height << 16;
  // A mirror reads position end - 1 - p, whose pixel is the mirrored one.
  if ((flip & FLIP_HORIZONTAL) != 0) {
    job.u = job.uEnd - 1 - job.u;
    job.uRow = -job.uRow;
    job.uCol = -job.uCol;
  }
  if ((flip & FLIP_VERTICAL) != 0) {
    job.v = job.vEnd - 1 - job.v;
    job.vRow = -job.vRow;
    job.vCol = -job.vCol;
  }
  job.columns = int(right - left);
  job.rows = int(bottom - top);
  job.consts.mask = ColorToPixel555(color);
  job.consts.key = source.GetColorKey16();
  job.consts.weight = color.GetAlpha() >> 3;
  SelectRotateLoop(mode, SourceKind(source))(job);
}

// x - (size >> 1), saturated to 32 bits.
INT CentredOrigin(INT x, INT size) {
  return INT(std::clamp<LONGLONG>(LONGLONG(x) - (size >> 1), INT32_MIN, INT32_MAX));
}

}  // namespace

void DrawSpriteTransformed(CTSGDIRenderTarget& target, CTSTexture* texture, INT x, INT y, INT srcX, INT srcY,
                           INT srcW, INT srcH, float scaleX, float scaleY, float angle, BlendMode mode,
                           FlipFlags flip, const CTSColor& color) {
  if (!(scaleX > 0.0f) || !(scaleY > 0.0f)) return;
  if (angle == 0.0f && scaleX == 1.0f && scaleY == 1.0f) {
    target.DrawSprite(texture, CentredOrigin(x, srcW), CentredOrigin(y, srcH), srcX, srcY, srcW, srcH, mode,
                      flip, color);
    return;
  }
  // Infinite scales and undefined angles have no image to draw.
  if (!std::isfinite(scaleX) || !std::isfinite(scaleY) || !std::isfinite(angle)) return;
  CTSGDITexture* surface = target.GetSurface();
  if (surface == nullptr || texture == nullptr || !surface->IsValid() || !texture->IsValid()) return;
  CTSGDITexture* source = nullptr;
  if (!texture->QueryObject(TS_GUID_GDI_TEXTURE, reinterpret_cast<void**>(&source))) return;

  // The clip rectangle follows the target's recorded size; the surface
  // bounds it as well.
  RECT targetClip, clip;
  target.GetClipRect(&targetClip);
  IntersectRectClamped(&clip, &targetClip, RECT{0, 0, surface->GetWidth(), surface->GetHeight()});
  if (angle == 0.0f) {
    Scale(*surface, clip, *source, x, y, srcX, srcY, srcW, srcH, scaleX, scaleY, mode, flip, color);
  } else {
    Rotate(*surface, clip, *source, x, y, srcX, srcY, srcW, srcH, scaleX, scaleY, angle, mode, flip, color);
  }
}
