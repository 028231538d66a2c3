// Little-endian fields of the file formats, read from and written to bytes.
#pragma once

#include "platform/Windows.h"

inline WORD Le16(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }
inline DWORD Le32(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24; }
inline void PutLe16(BYTE* p, DWORD value) {
  p[0] = static_cast<BYTE>(value);
  p[1] = static_cast<BYTE>(value >> 8);
}
inline void PutLe32(BYTE* p, DWORD value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(value >> (8 * i));
}
