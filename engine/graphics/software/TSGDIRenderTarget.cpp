#include "engine/graphics/software/TSGDIRenderTarget.h"

#include "engine/graphics/software/TSTransformBlit.h"

#include "engine/graphics/software/TSBlitKernels.h"
#include "engine/graphics/software/TSBlitRect.h"

CTSGDIRenderTarget::CTSGDIRenderTarget() { SetClipRect(nullptr); }

CTSGDIRenderTarget::~CTSGDIRenderTarget() {
  if (m_surface != nullptr) m_surface->Release();
}

bool CTSGDIRenderTarget::Lock(TSLockInfo& info) {
  if (m_surface == nullptr || !m_surface->IsValid()) return false;
  info.pitch = m_surface->GetWidth() * 2;
  info.alphaPitch = 0;
  info.format = TARGET_FORMAT_X1R5G5B5;
  info.bits = m_surface->GetPixelRow(0);
  info.alphaBits = nullptr;
  return true;
}

void CTSGDIRenderTarget::SetPixel(INT x, INT y, const CTSColor& color) {
  if (m_surface != nullptr) m_surface->SetPixel(x, y, color);
}

CTSColor CTSGDIRenderTarget::GetPixel(INT x, INT y) {
  return m_surface != nullptr ? m_surface->GetPixel(x, y) : CTSColor(0);
}

void CTSGDIRenderTarget::SetSurface(CTSGDITexture* surface) {
  if (surface == m_surface) return;
  if (m_surface != nullptr) m_surface->Release();
  m_surface = surface;
}

void CTSGDIRenderTarget::SetClipRect(const RECT* rect) {
  ClampRectToSurface(&m_clipRect, rect, m_width, m_height);
}

void CTSGDIRenderTarget::Clear(const CTSColor& color) {
  if (m_surface != nullptr) m_surface->ClearRect(color, &m_clipRect);
}

void CTSGDIRenderTarget::Blt(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcW, INT srcH) {
  DrawSprite(texture, x, y, srcX, srcY, srcW, srcH, BLEND_NORMAL, FLIP_NONE, CTSColor(0xFFFFFFFF));
}

void CTSGDIRenderTarget::DrawSprite(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcW, INT srcH,
                                    BlendMode mode, FlipFlags flip, const CTSColor& color) {
  if (m_surface == nullptr || texture == nullptr || !m_surface->IsValid() || !texture->IsValid()) return;
  CTSGDITexture* source = nullptr;
  if (!texture->QueryObject(TS_GUID_GDI_TEXTURE, reinterpret_cast<void**>(&source))) return;

  // The clip rectangle follows the recorded size; the surface bounds it too,
  // so that a recorded size larger than the surface cannot write outside it.
  RECT clip;
  IntersectRectClamped(&clip, &m_clipRect, RECT{0, 0, m_surface->GetWidth(), m_surface->GetHeight()});
  const RECT bounds{0, 0, source->GetWidth(), source->GetHeight()};
  RECT src, dst;
  if (!ClipBlitRects(clip, bounds, x, y, srcX, srcY, srcW, srcH, &src, &dst)) return;
  const LONG width = src.right - src.left;
  const LONG height = src.bottom - src.top;
  if (width < 1 || height < 1) return;
  if (flip > 3 || mode > 3) return;

  const unsigned alpha = color.GetAlpha();
  TSSourceKind kind = SOURCE_PLAIN;
  const WORD key = source->GetColorKey16();
  if (source->GetAlphaRow(0) != nullptr) {
    kind = SOURCE_ALPHA;
  } else if (key != NO_COLOR_KEY) {
    kind = SOURCE_KEYED;
  }

  // Mirroring only changes the order in which source rows and pixels are
  // read; the destination is always written from its top left corner.
  const bool flipVertical = (flip & FLIP_VERTICAL) != 0;
  const LONG firstRow = flipVertical ? src.bottom - 1 : src.top;
  TSBlitJob job;
  job.dst = m_surface->GetPixelRow(dst.top) + dst.left;
  job.dstPitch = m_surface->GetWidth();
  job.src = source->GetPixelRow(firstRow) + src.left;
  job.srcPitch = flipVertical ? -ptrdiff_t(source->GetWidth()) : source->GetWidth();
  job.alpha = kind == SOURCE_ALPHA ? source->GetAlphaRow(firstRow) + src.left : nullptr;
  job.alphaPitch = job.srcPitch;
  job.width = width;
  job.height = height;
  job.key = key;
  job.mask = ColorToPixel555(color);
  job.alpha8 = alpha;
  const TSBlitLoop loop =
      GetPipelineKernels().blit[flip & FLIP_HORIZONTAL][BlitCaseIndex(mode, kind, alpha != 255)];
  loop(job);
}

void CTSGDIRenderTarget::DrawSpriteTransformed(CTSTexture* texture, INT x, INT y, INT srcX, INT srcY, INT srcW,
                                               INT srcH, float scaleX, float scaleY, float angle, BlendMode mode,
                                               FlipFlags flip, const CTSColor& color) {
  ::DrawSpriteTransformed(*this, texture, x, y, srcX, srcY, srcW, srcH, scaleX, scaleY, angle, mode, flip, color);
}
