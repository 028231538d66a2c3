#include <cstdio>

#include "platform/Windows.h"

LONG InterlockedIncrement(LONG volatile* addend) { return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST); }

LONG InterlockedDecrement(LONG volatile* addend) { return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST); }

void OutputDebugStringA(LPCSTR text) {
  if (text != nullptr) std::fputs(text, stderr);
}
