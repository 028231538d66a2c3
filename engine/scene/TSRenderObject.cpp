#include "engine/scene/TSRenderObject.h"

#include "engine/scene/TSRenderObjectRegistry.h"

CTSRenderObject::CTSRenderObject() { CTSRenderObjectRegistry::Instance().Add(this); }

CTSRenderObject::~CTSRenderObject() {
  if (CTSRenderObjectRegistry* registry = CTSRenderObjectRegistry::Live()) registry->Remove(this);
}

bool CTSRenderObject::IsRenderObject(const void* p) {
  CTSRenderObjectRegistry* registry = CTSRenderObjectRegistry::Live();
  return registry != nullptr && registry->Contains(p);
}
