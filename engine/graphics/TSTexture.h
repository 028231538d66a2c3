// An image the devices draw from. Each device kind supplies storage and
// locking; pixel access goes through Lock and Unlock.
#pragma once

#include "engine/graphics/TSColor.h"
#include "engine/graphics/TSGraphicsTypes.h"
#include "engine/object/TSUseCountObject.h"

class CTSImage;

class CTSTexture : public CTSUseCountObject {
  TS_DECLARE_CLASS_IDENTITY(CTSUseCountObject, TS_GUID_TEXTURE)

 public:
  virtual bool IsValid() const = 0;  // has pixel storage
  virtual INT GetWidth() const = 0;
  virtual INT GetHeight() const = 0;
  virtual void SetWidth(INT width) = 0;    // records the value only
  virtual void SetHeight(INT height) = 0;  // records the value only
  virtual INT GetFormat() const = 0;
  virtual void SetFormat(INT format) = 0;
  virtual bool Lock(TSLockInfo& info) = 0;
  virtual void Unlock() = 0;
  virtual void SetFilter(INT filter) = 0;  // 0 nearest, 1 bilinear
  virtual INT GetFilter() const = 0;
  virtual void SetColorKey(CTSColor key) = 0;
  virtual CTSColor GetColorKey() const = 0;

  // Built on Lock, in the texture formats 0 to 4; everything stops at the
  // texture's edges. Straight lines leave out their end point.
  virtual void DrawLine(INT x1, INT y1, INT x2, INT y2, const CTSColor& color);
  virtual void DrawCircle(INT centerX, INT centerY, INT radius, const CTSColor& color, bool filled);
  // One lock for the whole list.
  virtual void DrawPoints(const TSPoint* points, INT count, const CTSColor& color);
  // The outline leaves out the corner (x2, y2).
  virtual void DrawRect(INT x1, INT y1, INT x2, INT y2, const CTSColor& color, bool filled);
  // Converts every pixel of an image of the texture's size; a key of alpha 255
  // makes pixels of exactly that value transparent in an image without alpha.
  virtual bool CopyFromImage(CTSImage* image, CTSColor key);
  // Makes image the texture's size, with alpha, and reads every pixel into it.
  virtual bool CopyToImage(CTSImage* image);
  virtual void SetPixel(INT x, INT y, const CTSColor& color);
  virtual CTSColor GetPixel(INT x, INT y);
};
