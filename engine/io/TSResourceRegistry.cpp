#include "engine/io/TSResourceRegistry.h"

void CTSResourceRegistry::Register(const char* name, CTSIOBuffer* buffer) {
  if (name != nullptr && buffer != nullptr) m_buffers.emplace(name, buffer);
}

void CTSResourceRegistry::Unregister(CTSIOBuffer* buffer) {
  for (auto it = m_buffers.begin(); it != m_buffers.end(); ++it) {
    if (it->second == buffer) {
      m_buffers.erase(it);
      return;
    }
  }
}

CTSIOBuffer* CTSResourceRegistry::Find(const char* name) const {
  if (name == nullptr) return nullptr;
  auto it = m_buffers.find(name);
  return it == m_buffers.end() ? nullptr : it->second;
}

CTSResourceIOBuffer::CTSResourceIOBuffer(const char* name, CTSIOBuffer* inner, int32_t offset, int32_t length)
    : CTSStreamIOBuffer(inner, offset, length) {
  CTSResourceRegistry::Instance().Register(name, this);
}

CTSResourceIOBuffer::~CTSResourceIOBuffer() { CTSResourceRegistry::Instance().Unregister(this); }
