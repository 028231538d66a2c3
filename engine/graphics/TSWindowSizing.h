// Sizes a window so that its client area is exactly width x height, and keeps
// its top left corner inside the desktop work area.
#pragma once

#include "platform/Windows.h"

void ResizeWindowToClientArea(HWND window, INT width, INT height);
