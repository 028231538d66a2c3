// The abstract drawable of the render tree: the queries and hooks that the
// tree's traversals call. Every live render object is listed in the render
// object registry, which is how the tree tells live pointers from stale ones.
#pragma once

#include "engine/graphics/TSGraphics.h"
#include "engine/object/TSUnknownObject.h"

class CTSRenderObject : public CTSUnknownObject {
  TS_DECLARE_CLASS_IDENTITY(CTSUnknownObject, TS_GUID_RENDER_OBJECT)

 public:
  CTSRenderObject();
  ~CTSRenderObject() override;

  // Called by the update pass while IsUpdateEnabled is true.
  virtual void Update(INT /*elapsedMs*/) {}
  virtual bool IsUpdateEnabled() const { return true; }
  // Gates drawing and dirty-rectangle collection.
  virtual bool IsVisible() const { return true; }
  // Paints the object within the device's current clip rectangle.
  virtual void Draw(CTSGraphics* /*device*/) {}
  // Writes at most max rectangles that changed since the last Draw; returns how many.
  virtual INT GetDirtyRects(RECT* /*out*/, INT /*max*/) const { return 0; }
  // Writes the rectangle the object covers; false when it has none.
  virtual bool GetBoundRect(RECT* /*out*/) const { return false; }
  // True when the object changed and must be drawn in full this frame.
  virtual bool IsDirty() const { return false; }

  // True when p points to a live render object; any pointer value may be asked about.
  static bool IsRenderObject(const void* p);
};
