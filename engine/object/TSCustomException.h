// The engine's one exception, thrown as a heap pointer:
//   throw new (std::nothrow) Tessel::CTSCustomException("...", ...);
// A failed allocation throws a null pointer in its place.
#pragma once

#include <new>

namespace Tessel {

class CTSCustomException {
 public:
  static constexpr int kMaxMessageLength = 4095;

  explicit CTSCustomException(const char* format, ...) __attribute__((format(printf, 2, 3)));
  virtual ~CTSCustomException() = default;
  virtual const char* GetErrorMessage() const { return m_message; }

 private:
  char m_message[kMaxMessageLength + 1];
};

}  // namespace Tessel
