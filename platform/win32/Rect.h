// Rectangle arithmetic: right and bottom exclusive; a rectangle is empty when
// right <= left or bottom <= top, and an empty result is all zeros.
#pragma once

#include "platform/win32/Types.h"

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom);
BOOL IsRectEmpty(const RECT* rect);
// The smallest rectangle holding both; an empty one is ignored.
BOOL UnionRect(LPRECT out, const RECT* a, const RECT* b);
BOOL IntersectRect(LPRECT out, const RECT* a, const RECT* b);
BOOL EqualRect(const RECT* a, const RECT* b);
