#include "engine/object/TSCustomException.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace Tessel {

CTSCustomException::CTSCustomException(const char* format, ...) {
  std::memset(m_message, 0, sizeof(m_message));
  if (format == nullptr) return;
  va_list args;
  va_start(args, format);
  std::vsnprintf(m_message, sizeof(m_message), format, args);
  va_end(args);
}

}  // namespace Tessel
