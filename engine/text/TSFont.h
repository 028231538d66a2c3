// The font interface: glyph sizes and the drawing of single-byte and
// double-byte characters onto a device or a texture.
#pragma once

#include "engine/graphics/TSGraphics.h"
#include "engine/io/TSIOStream.h"

class CTSFont : public CTSUseCountObject {
  TS_DECLARE_CLASS_IDENTITY(CTSUseCountObject, TS_GUID_FONT)

 public:
  // Replaces whatever the font held with the font read from the stream.
  virtual bool Load(CTSIOStream* stream) = 0;
  virtual bool IsLoaded() = 0;
  virtual bool GetCharSize(INT code, INT& width, INT& height) = 0;
  virtual bool GetWideCharSize(INT lead, INT trail, INT& width, INT& height) = 0;
  virtual INT GetCharWidth() = 0;
  virtual INT GetCharHeight() = 0;
  virtual INT GetWideCharWidth() = 0;
  virtual INT GetWideCharHeight() = 0;
  // The glyph with its top left corner at (x, y); the texture forms make no
  // clip test, the device forms refuse a glyph wholly outside the clip
  // rectangle (false, nothing drawn).
  virtual bool DrawCharToTexture(INT code, INT x, INT y, CTSTexture* texture, const CTSColor& color) = 0;
  virtual bool DrawWideCharToTexture(INT lead, INT trail, INT x, INT y, CTSTexture* texture,
                                     const CTSColor& color) = 0;
  virtual bool DrawChar(INT code, INT x, INT y, CTSGraphics* device, const CTSColor& color) = 0;
  virtual bool DrawWideChar(INT lead, INT trail, INT x, INT y, CTSGraphics* device,
                            const CTSColor& color) = 0;
};
