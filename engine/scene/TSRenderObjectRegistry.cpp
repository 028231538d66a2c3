#include "engine/scene/TSRenderObjectRegistry.h"

#include <algorithm>

void CTSRenderObjectRegistry::Add(CTSRenderObject* object) { m_objects.push_back(object); }

void CTSRenderObjectRegistry::Remove(CTSRenderObject* object) {
  auto it = std::find(m_objects.begin(), m_objects.end(), object);
  if (it != m_objects.end()) m_objects.erase(it);
}

bool CTSRenderObjectRegistry::Contains(const void* p) const {
  return p != nullptr && std::find(m_objects.begin(), m_objects.end(), p) != m_objects.end();
}
