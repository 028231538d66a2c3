// The engine's image: a top-down array of 32-bit 0xAARRGGBB pixels, loaded
// from and saved to streams through the image codecs.
#pragma once

#include "engine/graphics/TSColor.h"
#include "engine/io/TSIOStream.h"
#include "engine/object/TSUseCountObject.h"

// Image format codes of Load and Save.
constexpr INT IMAGE_FORMAT_DETECT = -1;  // Load only: from the content
constexpr INT IMAGE_FORMAT_BMP = 0;
constexpr INT IMAGE_FORMAT_JPEG = 1;
constexpr INT IMAGE_FORMAT_PNG = 2;
constexpr INT IMAGE_FORMAT_TGA = 3;
constexpr INT IMAGE_FORMAT_PCX = 4;

class CTSImage : public CTSUseCountObject {
  TS_DECLARE_CLASS_IDENTITY(CTSUseCountObject, TS_GUID_IMAGE)

 public:
  CTSImage() = default;
  ~CTSImage() override;

  // Decodes the stream's image; false (and the image empty) when the stream
  // cannot be read, the code is unknown or the codec fails.
  virtual bool Load(CTSIOStream* stream, INT format);
  // Allocates width x height pixels (contents undefined). On failure, or for
  // sizes below 1, false with the image empty.
  virtual bool Create(INT width, INT height, bool hasAlpha);
  // Encodes the image at 24 bits (plus alpha when it has alpha); codes other
  // than 1 to 4 write BMP.
  virtual bool Save(CTSIOStream* stream, INT format);
  virtual void Free();
  // Row y, or null outside the image.
  virtual CTSColor* GetScanline(INT y);
  virtual bool IsValid() const { return m_pixels != nullptr; }
  virtual bool HasAlpha() const { return m_hasAlpha; }
  virtual INT GetHeight() const { return m_height; }
  virtual INT GetWidth() const { return m_width; }
  // The codec layer's message for the last Load or Save it refused; empty
  // after a success or when the image itself refused (no usable stream, an
  // unknown code).
  const char* GetLastError() const { return m_lastError; }

 private:
  void KeepError(const char* message);

  INT m_width = 0;
  INT m_height = 0;
  CTSColor* m_pixels = nullptr;
  bool m_hasAlpha = false;
  char m_lastError[256] = {};
};
