// Every live render object, in order of construction, so that pointers handed
// to the render tree can be validated.
#pragma once

#include <vector>

#include "engine/object/TSSingleton.h"

class CTSRenderObject;

class CTSRenderObjectRegistry : public CTSSingleton<CTSRenderObjectRegistry> {
  friend class CTSSingleton<CTSRenderObjectRegistry>;

 public:
  // The registry while it exists, else null. Render objects may be destroyed
  // at exit after the registry (by an owner constructed before it); they
  // reach it through this and then have nothing to unregister from.
  static CTSRenderObjectRegistry* Live() { return s_live; }

  void Add(CTSRenderObject* object);
  // Removes the first entry equal to object.
  void Remove(CTSRenderObject* object);
  bool Contains(const void* p) const;

 private:
  CTSRenderObjectRegistry() { s_live = this; }
  ~CTSRenderObjectRegistry() override { s_live = nullptr; }

  std::vector<CTSRenderObject*> m_objects;
  static inline CTSRenderObjectRegistry* s_live = nullptr;
};
