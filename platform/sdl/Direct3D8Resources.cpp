// Direct3D 8 textures and surfaces over SDL textures.
#include <cstring>
#include <new>

#include "platform/sdl/Direct3D8Device.h"

namespace Platform::Direct3D {
namespace {

// The rectangle a lock covers: the whole size for null, D3DERR_INVALIDCALL
// unless the rectangle is non-empty and inside.
bool LockArea(const RECT* rect, UINT width, UINT height, SDL_Rect& area) {
  if (rect == nullptr) {
    area = SDL_Rect{0, 0, static_cast<int>(width), static_cast<int>(height)};
    return true;
  }
  if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left || rect->bottom <= rect->top ||
      static_cast<UINT>(rect->right) > width || static_cast<UINT>(rect->bottom) > height)
    return false;
  area = SDL_Rect{rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top};
  return true;
}

uint8_t* AllocatePixels(size_t size) { return new (std::nothrow) uint8_t[size](); }

}  // namespace

int BytesPerPixel(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
      return 4;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
      return 2;
    default:
      return 0;
  }
}

Uint32 SdlFormat(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
      return SDL_PIXELFORMAT_ARGB8888;
    case D3DFMT_X8R8G8B8:
      return SDL_PIXELFORMAT_RGB888;
    case D3DFMT_R5G6B5:
      return SDL_PIXELFORMAT_RGB565;
    case D3DFMT_X1R5G5B5:
      return SDL_PIXELFORMAT_RGB555;
    case D3DFMT_A1R5G5B5:
      return SDL_PIXELFORMAT_ARGB1555;
    case D3DFMT_A4R4G4B4:
      return SDL_PIXELFORMAT_ARGB4444;
    default:
      return SDL_PIXELFORMAT_UNKNOWN;
  }
}

// ---- Texture ----

Texture::Texture(Device& device, UINT width, UINT height, D3DFORMAT format)
    : m_device(device),
      m_width(width),
      m_height(height),
      m_format(format),
      m_pitch(static_cast<int>(width) * BytesPerPixel(format)) {
  m_device.Hold();
}

Texture::~Texture() {
  if (m_texture != nullptr && m_device.Renderer() != nullptr) SDL_DestroyTexture(m_texture);
}

HRESULT Texture::Create(Device& device, UINT width, UINT height, D3DFORMAT format,
                        IDirect3DTexture8** texture) {
  if (BytesPerPixel(format) == 0 || width == 0 || height == 0 || width > device.MaxTextureSize() ||
      height > device.MaxTextureSize())
    return D3DERR_INVALIDCALL;
  if (device.Renderer() == nullptr) return D3DERR_DEVICELOST;
  auto* created = new (std::nothrow) Texture(device, width, height, format);
  if (created == nullptr) return E_OUTOFMEMORY;
  created->m_bits.reset(AllocatePixels(static_cast<size_t>(created->m_pitch) * height));
  if (created->m_bits == nullptr) {
    created->Release();
    return E_OUTOFMEMORY;
  }
  created->m_texture = SDL_CreateTexture(device.Renderer(), SdlFormat(format), SDL_TEXTUREACCESS_STATIC,
                                         static_cast<int>(width), static_cast<int>(height));
  // A new texture reads as zeros, as its system-memory copy does.
  if (created->m_texture == nullptr ||
      SDL_UpdateTexture(created->m_texture, nullptr, created->m_bits.get(), created->m_pitch) != 0) {
    created->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *texture = created;
  return D3D_OK;
}

ULONG Texture::AddRef() { return ++m_uses; }

ULONG Texture::Release() {
  if (m_uses == 0) return 0;
  if (--m_uses > 0) return m_uses;
  Device& device = m_device;
  delete this;
  device.Unhold();
  return 0;
}

SDL_Texture* Texture::SdlTexture() const { return m_device.Renderer() != nullptr ? m_texture : nullptr; }

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  if (level != 0 || desc == nullptr) return D3DERR_INVALIDCALL;
  *desc = D3DSURFACE_DESC{};
  desc->Format = m_format;
  desc->Type = D3DRTYPE_SURFACE;
  desc->Usage = 0;
  desc->Pool = D3DPOOL_MANAGED;
  desc->Size = static_cast<UINT>(m_pitch) * m_height;
  desc->MultiSampleType = D3DMULTISAMPLE_NONE;
  desc->Width = m_width;
  desc->Height = m_height;
  return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
  SDL_Rect area;
  if (level != 0 || lockedRect == nullptr || m_locked || !LockArea(rect, m_width, m_height, area))
    return D3DERR_INVALIDCALL;
  lockedRect->Pitch = m_pitch;
  lockedRect->pBits = m_bits.get() + area.y * m_pitch + area.x * BytesPerPixel(m_format);
  m_locked = true;
  m_lockedReadOnly = (flags & D3DLOCK_READONLY) != 0;
  m_lockedRect = area;
  return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
  if (level != 0 || !m_locked) return D3DERR_INVALIDCALL;
  m_locked = false;
  if (m_lockedReadOnly || SdlTexture() == nullptr) return D3D_OK;
  const uint8_t* bits = m_bits.get() + m_lockedRect.y * m_pitch + m_lockedRect.x * BytesPerPixel(m_format);
  // SDL converts formats its renderer does not hold natively.
  return SDL_UpdateTexture(m_texture, &m_lockedRect, bits, m_pitch) == 0 ? D3D_OK : D3DERR_INVALIDCALL;
}

// ---- Surface ----

Surface::Surface(Device& device, UINT width, UINT height, bool lockable, bool backBuffer)
    : m_device(device),
      m_uses(backBuffer ? 0 : 1),
      m_width(width),
      m_height(height),
      m_lockable(lockable),
      m_backBuffer(backBuffer) {
  if (!m_backBuffer) m_device.Hold();
}

Surface::~Surface() {
  if (m_texture != nullptr && m_device.Renderer() != nullptr) SDL_DestroyTexture(m_texture);
}

Surface* Surface::Create(Device& device, UINT width, UINT height, bool lockable, bool backBuffer) {
  if (device.Renderer() == nullptr) return nullptr;
  auto* created = new (std::nothrow) Surface(device, width, height, lockable, backBuffer);
  if (created == nullptr) return nullptr;
  created->m_bits.reset(AllocatePixels(static_cast<size_t>(width) * height * 4));
  created->m_texture =
      SDL_CreateTexture(device.Renderer(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET,
                        static_cast<int>(width), static_cast<int>(height));
  if (created->m_bits == nullptr || created->m_texture == nullptr) {
    if (backBuffer)
      Destroy(created);
    else
      created->Release();
    return nullptr;
  }
  // Copies of the surface (Present) replace pixels, alpha included.
  SDL_SetTextureBlendMode(created->m_texture, SDL_BLENDMODE_NONE);
  return created;
}

void Surface::Destroy(Surface* backBuffer) { delete backBuffer; }

ULONG Surface::AddRef() {
  if (m_uses++ == 0 && m_backBuffer) m_device.Hold();
  return m_uses;
}

ULONG Surface::Release() {
  if (m_uses == 0) return 0;
  if (--m_uses > 0) return m_uses;
  Device& device = m_device;
  // The back buffer stays with its device; a render target goes now.
  if (!m_backBuffer) delete this;
  device.Unhold();
  return 0;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) {
  if (desc == nullptr) return D3DERR_INVALIDCALL;
  *desc = D3DSURFACE_DESC{};
  desc->Format = D3DFMT_X8R8G8B8;
  desc->Type = D3DRTYPE_SURFACE;
  desc->Usage = D3DUSAGE_RENDERTARGET;
  desc->Pool = D3DPOOL_DEFAULT;
  desc->Size = m_width * m_height * 4;
  desc->MultiSampleType = D3DMULTISAMPLE_NONE;
  desc->Width = m_width;
  desc->Height = m_height;
  return D3D_OK;
}

bool Surface::ReadPixels(const SDL_Rect& area) {
  int pitch = static_cast<int>(m_width) * 4;
  uint8_t* bits = m_bits.get() + area.y * pitch + area.x * 4;
  if (!m_device.ReadTarget(m_texture, area, bits, pitch)) return false;
  // X8R8G8B8: the unused byte reads as 0xFF.
  for (int y = 0; y < area.h; ++y) {
    uint8_t* row = bits + y * pitch;
    for (int x = 0; x < area.w; ++x) row[x * 4 + 3] = 0xFF;
  }
  return true;
}

void Surface::KeepPixels() {
  m_pixelsKept = ReadPixels(SDL_Rect{0, 0, static_cast<int>(m_width), static_cast<int>(m_height)});
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
  SDL_Rect area;
  if (!m_lockable || lockedRect == nullptr || m_locked || !LockArea(rect, m_width, m_height, area))
    return D3DERR_INVALIDCALL;
  if (!m_pixelsKept && !ReadPixels(area)) return D3DERR_INVALIDCALL;
  int pitch = static_cast<int>(m_width) * 4;
  lockedRect->Pitch = pitch;
  lockedRect->pBits = m_bits.get() + area.y * pitch + area.x * 4;
  m_locked = true;
  m_lockedReadOnly = (flags & D3DLOCK_READONLY) != 0;
  m_lockedRect = area;
  return D3D_OK;
}

HRESULT Surface::UnlockRect() {
  if (!m_locked) return D3DERR_INVALIDCALL;
  m_locked = false;
  SDL_Renderer* renderer = m_device.Renderer();
  if (m_lockedReadOnly || renderer == nullptr) return D3D_OK;
  int pitch = static_cast<int>(m_width) * 4;
  const uint8_t* bits = m_bits.get() + m_lockedRect.y * pitch + m_lockedRect.x * 4;
  // Draws queued before the lock must land before the pixels are replaced.
  SDL_RenderFlush(renderer);
  return SDL_UpdateTexture(m_texture, &m_lockedRect, bits, pitch) == 0 ? D3D_OK : D3DERR_INVALIDCALL;
}

}  // namespace Platform::Direct3D
