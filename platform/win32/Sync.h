// Atomic counters and the debugger output line.
#pragma once

#include "platform/win32/Types.h"

LONG InterlockedIncrement(LONG volatile* addend);
LONG InterlockedDecrement(LONG volatile* addend);

// Writes the text to standard error; there is no debugger channel here.
void OutputDebugStringA(LPCSTR text);
