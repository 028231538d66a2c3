#include "engine/graphics/TSD3D8RenderTarget.h"

INT TargetFormatFromD3D(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_X8R8G8B8:
      return TARGET_FORMAT_X8R8G8B8;
    case D3DFMT_X1R5G5B5:
      return TARGET_FORMAT_X1R5G5B5;
    case D3DFMT_R5G6B5:
      return TARGET_FORMAT_R5G6B5;
    default:
      return -1;
  }
}

CTSD3D8RenderTarget::~CTSD3D8RenderTarget() {
  if (m_surface != nullptr) m_surface->Release();
}

bool CTSD3D8RenderTarget::Lock(TSLockInfo& info) {
  D3DLOCKED_RECT locked;
  if (m_surface == nullptr || FAILED(m_surface->LockRect(&locked, nullptr, 0))) return false;
  // Pixel access trusts the recorded size: a surface smaller than that is
  // refused rather than read past its end.
  D3DSURFACE_DESC desc{};
  if (FAILED(m_surface->GetDesc(&desc)) || INT(desc.Width) < m_width || INT(desc.Height) < m_height) {
    m_surface->UnlockRect();
    return false;
  }
  info.pitch = locked.Pitch;
  info.alphaPitch = 0;
  info.format = TargetFormatFromD3D(desc.Format);
  info.bits = locked.pBits;
  info.alphaBits = nullptr;
  return true;
}

void CTSD3D8RenderTarget::Unlock() {
  if (m_surface != nullptr) m_surface->UnlockRect();
}

INT CTSD3D8RenderTarget::GetFormat() const {
  D3DSURFACE_DESC desc{};
  if (m_surface == nullptr || FAILED(m_surface->GetDesc(&desc))) return -1;
  return TargetFormatFromD3D(desc.Format);
}
