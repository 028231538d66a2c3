// Turns image files into device textures in a format the device supports,
// and caches them under a 32-bit key computed from the file's path.
#pragma once

#include <map>
#include <vector>

#include "engine/graphics/TSGraphics.h"
#include "engine/image/TSImage.h"
#include "engine/io/TSIOStream.h"

// CRC-32/MPEG-2 (polynomial 0x04C11DB7, initial value all ones, no
// reflection, no final XOR) of the stream's bytes; 0 for a null or
// unreadable stream. The position is kept.
DWORD GetStreamCRC(CTSIOStream* stream);

class CTSImageManager {
 public:
  // No use of the device is taken: it must outlive the manager.
  explicit CTSImageManager(CTSGraphics* device) : m_device(device) {}
  CTSImageManager(const CTSImageManager&) = delete;
  CTSImageManager& operator=(const CTSImageManager&) = delete;
  // Releases the cached textures (ascending key), then the uncached ones.
  virtual ~CTSImageManager();
  // The texture format for the image on the device, or -1 when none suits.
  virtual INT ChooseTextureFormat(CTSImage* image, CTSGraphics* device);

  // The cached texture under key (no use taken); null for key 0.
  CTSTexture* FindTexture(DWORD key) const;
  // The texture of the stream's image: a cached one gets one more use; a new
  // one is kept by the manager (under key, or uncached for key 0) and its one
  // use is the manager's. Null when the image or the texture cannot be made.
  CTSTexture* LoadTexture(CTSIOStream* stream, CTSColor colorKey, DWORD key, INT format);
  // The same for a resource opened by name.
  CTSTexture* LoadTexture(const char* path, CTSColor colorKey, DWORD key, INT format);
  // The same under the CRC of the path as written.
  CTSTexture* LoadTexture(const char* path, CTSColor colorKey, INT format);

 private:
  std::map<DWORD, CTSTexture*> m_cache;
  std::vector<CTSTexture*> m_uncached;
  CTSGraphics* m_device;
};
