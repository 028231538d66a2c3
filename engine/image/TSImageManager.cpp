#include "engine/image/TSImageManager.h"

#include <array>
#include <cstring>
#include <new>

#include "engine/io/TSResourceManager.h"

namespace {

// The most-significant-bit-first table of the polynomial 0x04C11DB7.
constexpr std::array<DWORD, 256> MakeCrcTable() {
  std::array<DWORD, 256> table{};
  for (DWORD i = 0; i < 256; ++i) {
    DWORD crc = i << 24;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    table[i] = crc;
  }
  return table;
}

constexpr std::array<DWORD, 256> kCrcTable = MakeCrcTable();

}  // namespace

DWORD GetStreamCRC(CTSIOStream* stream) {
  if (stream == nullptr || !stream->CanRead()) return 0;
  const int32_t position = stream->Tell();
  stream->Seek(0, 0);
  DWORD crc = 0xFFFFFFFFu;
  BYTE chunk[4096];
  for (int32_t left = stream->GetSize(); left > 0;) {
    int32_t wanted = left < int32_t(sizeof(chunk)) ? left : int32_t(sizeof(chunk));
    int32_t got = stream->Read(chunk, wanted);
    // A byte that cannot be read counts as 255.
    if (got < wanted) std::memset(chunk + (got > 0 ? got : 0), 0xFF, size_t(wanted - (got > 0 ? got : 0)));
    for (int32_t i = 0; i < wanted; ++i) crc = (crc << 8) ^ kCrcTable[(crc >> 24) ^ chunk[i]];
    left -= wanted;
  }
  stream->Seek(position, 0);
  return crc;
}

CTSImageManager::~CTSImageManager() {
  for (auto& [key, texture] : m_cache) texture->Release();
  for (CTSTexture* texture : m_uncached) texture->Release();
  m_cache.clear();
  m_uncached.clear();
}

INT CTSImageManager::ChooseTextureFormat(CTSImage* image, CTSGraphics* device) {
  if (image == nullptr || device == nullptr) return -1;
  const GUID& kind = *device->GetClassGUID();
  if (kind == TS_GUID_GDI_GRAPHICS)
    return image->HasAlpha() ? TEXTURE_FORMAT_X1R5G5B5_ALPHA8 : TEXTURE_FORMAT_X1R5G5B5;
  if (kind != TS_GUID_D3D8_GRAPHICS) return -1;
  static constexpr INT kWithAlpha[] = {TEXTURE_FORMAT_A8R8G8B8, TEXTURE_FORMAT_A4R4G4B4, TEXTURE_FORMAT_A1R5G5B5};
  static constexpr INT kOpaque[] = {TEXTURE_FORMAT_A1R5G5B5, TEXTURE_FORMAT_A8R8G8B8, TEXTURE_FORMAT_A4R4G4B4};
  for (INT format : image->HasAlpha() ? kWithAlpha : kOpaque)
    if (device->IsTextureFormatSupported(format)) return format;
  return -1;
}

CTSTexture* CTSImageManager::FindTexture(DWORD key) const {
  if (key == 0) return nullptr;
  auto found = m_cache.find(key);
  return found != m_cache.end() ? found->second : nullptr;
}

CTSTexture* CTSImageManager::LoadTexture(CTSIOStream* stream, CTSColor colorKey, DWORD key, INT format) {
  if (CTSTexture* cached = FindTexture(key)) {
    cached->AddRef();
    return cached;
  }
  if (m_device == nullptr) return nullptr;
  CTSUsePtr<CTSImage> image(new (std::nothrow) CTSImage);
  if (!image || !image->Load(stream, IMAGE_FORMAT_DETECT)) return nullptr;
  if (format == -1) format = ChooseTextureFormat(image.Get(), m_device);
  CTSTexture* texture = m_device->CreateTexture(image->GetWidth(), image->GetHeight(), format, 0);
  if (texture == nullptr) return nullptr;
  if (!texture->CopyFromImage(image.Get(), colorKey)) {
    texture->Release();
    return nullptr;
  }
  if (key != 0)
    m_cache[key] = texture;
  else
    m_uncached.push_back(texture);
  return texture;
}

CTSTexture* CTSImageManager::LoadTexture(const char* path, CTSColor colorKey, DWORD key, INT format) {
  CTSIOStream* stream = CTSResourceManager::Instance().OpenResource(path);
  if (stream == nullptr) return nullptr;
  CTSTexture* texture = LoadTexture(stream, colorKey, key, format);
  stream->Release();
  return texture;
}

CTSTexture* CTSImageManager::LoadTexture(const char* path, CTSColor colorKey, INT format) {
  if (path == nullptr) return nullptr;
  CTSIOStream name(const_cast<char*>(path), int32_t(std::strlen(path)), CTSIOStream::kRead, false);
  return LoadTexture(path, colorKey, GetStreamCRC(&name), format);
}
