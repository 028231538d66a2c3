#include "engine/graphics/TSD3D8Texture.h"

#include <cstddef>

#include "engine/graphics/TSPixelFormat.h"

D3DFORMAT TextureFormatToD3D(INT format) {
  switch (format) {
    case TEXTURE_FORMAT_A8R8G8B8:
      return D3DFMT_A8R8G8B8;
    case TEXTURE_FORMAT_A1R5G5B5:
      return D3DFMT_A1R5G5B5;
    case TEXTURE_FORMAT_A4R4G4B4:
      return D3DFMT_A4R4G4B4;
    default:
      return D3DFMT_UNKNOWN;
  }
}

CTSD3D8Texture::~CTSD3D8Texture() { SetD3DTexture(nullptr); }

void CTSD3D8Texture::SetD3DTexture(IDirect3DTexture8* texture) {
  if (m_texture != nullptr && m_texture != texture) m_texture->Release();
  m_texture = texture;
}

bool CTSD3D8Texture::Lock(TSLockInfo& info) {
  D3DLOCKED_RECT locked;
  if (m_texture == nullptr || FAILED(m_texture->LockRect(0, &locked, nullptr, 0))) return false;
  info.pitch = locked.Pitch;
  info.alphaPitch = 0;
  info.format = m_format;
  info.bits = locked.pBits;
  info.alphaBits = nullptr;
  return true;
}

void CTSD3D8Texture::Unlock() {
  if (m_texture != nullptr) m_texture->UnlockRect(0);
}

void CTSD3D8Texture::SetColorKey(CTSColor key) {
  m_colorKey = key;
  if (key.GetAlpha() != 0xFF) return;
  TSLockInfo lock;
  if (!Lock(lock)) return;
  if (IsTextureFormat(lock.format)) {
    // A 16-bit texture keeps only the top bits of each channel: the key is
    // compared as the texture would store it, so that its pixels can match.
    DWORD stored = 0;
    StorePixel(lock.format, &stored, nullptr, 0, key);
    const CTSColor match = ReadPixel(lock.format, &stored, nullptr, 0);
    const CTSColor transparent(key.GetARGB() & 0x00FFFFFF);
    for (INT y = 0; y < m_height; ++y) {
      BYTE* row = static_cast<BYTE*>(lock.bits) + ptrdiff_t(y) * lock.pitch;
      for (INT x = 0; x < m_width; ++x)
        if (ReadPixel(lock.format, row, nullptr, x) == match)
          StorePixel(lock.format, row, nullptr, x, transparent);
    }
  }
  Unlock();
}
