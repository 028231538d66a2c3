// An engine object owned through an atomic use count.
#pragma once

#include "engine/object/TSUnknownObject.h"

class CTSUseCountObject : public CTSUnknownObject {
  TS_DECLARE_CLASS_IDENTITY(CTSUnknownObject, TS_GUID_USE_COUNT_OBJECT)

 public:
  // The creator holds the first use.
  CTSUseCountObject() = default;

  void Release() override {
    if (InterlockedDecrement(&m_useCount) == 0) delete this;
  }
  virtual long AddRef() { return InterlockedIncrement(&m_useCount); }
  virtual long GetUseCount() const { return m_useCount; }

 private:
  volatile LONG m_useCount = 1;
};

// Holds one use of an engine object: adopts the use of a pointer stored into
// it and releases it when replaced or destroyed.
template <class T>
class CTSUsePtr {
 public:
  CTSUsePtr() = default;
  explicit CTSUsePtr(T* adopted) : m_object(adopted) {}
  CTSUsePtr(const CTSUsePtr&) = delete;
  CTSUsePtr& operator=(const CTSUsePtr&) = delete;
  ~CTSUsePtr() { Reset(nullptr); }

  CTSUsePtr& operator=(T* adopted) {
    Reset(adopted);
    return *this;
  }
  void Reset(T* adopted) {
    if (adopted == m_object) return;
    T* old = m_object;
    m_object = adopted;
    if (old != nullptr) old->Release();
  }
  // Hands the use on to the caller; the holder is empty afterwards.
  T* Detach() {
    T* object = m_object;
    m_object = nullptr;
    return object;
  }
  T* Get() const { return m_object; }
  T* operator->() const { return m_object; }
  explicit operator bool() const { return m_object != nullptr; }

 private:
  T* m_object = nullptr;
};
