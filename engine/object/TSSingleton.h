// Per-class singleton base: refuses a second live instance of T.
#pragma once

#include "engine/object/TSCustomException.h"

template <class T>
class CTSSingleton {
 public:
  // The one instance, constructed on first use and destroyed at exit.
  static T& Instance() {
    static T instance;
    return instance;
  }

  CTSSingleton(const CTSSingleton&) = delete;
  CTSSingleton& operator=(const CTSSingleton&) = delete;

 protected:
  CTSSingleton() {
    if (s_instance != nullptr)
      throw new (std::nothrow) Tessel::CTSCustomException("Singleton Can't have more than one instance");
    s_instance = this;  // the T part does not exist yet: keep the base pointer
  }
  virtual ~CTSSingleton() { s_instance = nullptr; }

 private:
  static inline CTSSingleton* s_instance = nullptr;
};
