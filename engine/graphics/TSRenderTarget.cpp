// What every render target does on top of Lock: pixel access and copies to
// images and textures in the render target format codes 256 to 258.
#include "engine/graphics/TSRenderTarget.h"

#include <cstddef>
#include <new>

#include "engine/graphics/TSPixelFormat.h"
#include "engine/graphics/TSTexture.h"
#include "engine/image/TSImage.h"

namespace {

BYTE* Row(const TSLockInfo& lock, INT y) { return static_cast<BYTE*>(lock.bits) + ptrdiff_t(y) * lock.pitch; }

}  // namespace

void CTSRenderTarget::SetPixel(INT x, INT y, const CTSColor& color) {
  if (x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return;
  TSLockInfo lock;
  if (!Lock(lock)) return;
  if (IsRenderTargetFormat(lock.format)) StorePixel(lock.format, Row(lock, y), nullptr, x, color);
  Unlock();
}

CTSColor CTSRenderTarget::GetPixel(INT x, INT y) {
  if (x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return CTSColor(0);
  TSLockInfo lock;
  if (!Lock(lock)) return CTSColor(0);
  CTSColor color = IsRenderTargetFormat(lock.format) ? ReadPixel(lock.format, Row(lock, y), nullptr, x) : 0;
  Unlock();
  return color;
}

bool CTSRenderTarget::CopyToImage(CTSImage* image) {
  if (image == nullptr || !IsValid()) return false;
  if (!image->Create(GetWidth(), GetHeight(), false)) return false;
  TSLockInfo lock;
  if (!Lock(lock)) return false;
  if (IsRenderTargetFormat(lock.format)) {
    for (INT y = 0; y < GetHeight(); ++y) {
      CTSColor* target = image->GetScanline(y);
      for (INT x = 0; x < GetWidth(); ++x) target[x] = ReadPixel(lock.format, Row(lock, y), nullptr, x);
    }
  }
  Unlock();
  return true;
}

bool CTSRenderTarget::CopyToTexture(CTSTexture* texture) {
  if (texture == nullptr) return false;
  CTSUsePtr<CTSImage> image(new (std::nothrow) CTSImage);
  if (!image || !CopyToImage(image.Get())) return false;
  return texture->CopyFromImage(image.Get(), CTSColor(0));
}
