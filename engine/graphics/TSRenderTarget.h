// A surface the devices draw into (every device's back buffer is one).
#pragma once

#include "engine/graphics/TSColor.h"
#include "engine/graphics/TSGraphicsTypes.h"
#include "engine/object/TSUseCountObject.h"

class CTSImage;
class CTSTexture;

class CTSRenderTarget : public CTSUseCountObject {
  TS_DECLARE_CLASS_IDENTITY(CTSUseCountObject, TS_GUID_RENDER_TARGET)

 public:
  virtual bool IsValid() const = 0;  // has its surface
  virtual INT GetWidth() const = 0;
  virtual INT GetHeight() const = 0;
  virtual void SetWidth(INT width) = 0;    // records the value only
  virtual void SetHeight(INT height) = 0;  // records the value only
  virtual bool Lock(TSLockInfo& info) = 0;
  virtual void Unlock() = 0;
  virtual INT GetFormat() const = 0;  // 256, 257, 258, or -1 for another surface format
  virtual void SetFormat(INT format) = 0;

  // Built on Lock, in the render target formats 256 to 258.
  virtual void SetPixel(INT x, INT y, const CTSColor& color);
  virtual CTSColor GetPixel(INT x, INT y);
  // Makes image the target's size, without alpha, and reads every pixel into it.
  virtual bool CopyToImage(CTSImage* image);
  // Copies the target into a texture of its size, with no colour key.
  virtual bool CopyToTexture(CTSTexture* texture);
};
