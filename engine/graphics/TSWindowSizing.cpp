#include "engine/graphics/TSWindowSizing.h"

void ResizeWindowToClientArea(HWND window, INT width, INT height) {
  RECT outer = {0, 0, width, height};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), GetMenu(window) != nullptr,
                     static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  RECT placed;
  RECT workArea;
  if (!GetWindowRect(window, &placed) || !SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0)) return;
  if (placed.left >= workArea.left && placed.top >= workArea.top) return;
  INT left = placed.left < workArea.left ? workArea.left : placed.left;
  INT top = placed.top < workArea.top ? workArea.top : placed.top;
  SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
