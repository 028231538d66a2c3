// What the platform layer offers beyond the Windows interfaces: the program's
// resource tables, the headless switch, replaceable module exports and the
// virtual clock for tests.
#pragma once

#include <cstddef>

#include "platform/Windows.h"

#ifndef _WIN32
union SDL_Event;
#endif

namespace Platform {

// A menu item or popup title; '&' marks the mnemonic character.
struct MenuItemResource {
  WORD id;
  const char* text;
};

struct MenuPopupResource {
  const char* text;
  const MenuItemResource* items;
  size_t itemCount;
};

struct MenuResource {
  WORD id;
  const MenuPopupResource* popups;
  size_t popupCount;
};

struct AcceleratorResource {
  WORD id;
  const ACCEL* entries;
  size_t entryCount;
};

// An icon as rows of characters, each character an index into the palette of
// 0xAARRGGBB colours given by the character's position in paletteKeys.
struct IconResource {
  WORD id;
  int width;
  int height;
  const char* const* rows;
  const char* paletteKeys;
  const DWORD* palette;
};

// The program's resources, as a resource script would give them.
struct ResourceTable {
  const MenuResource* menus;
  size_t menuCount;
  const AcceleratorResource* accelerators;
  size_t acceleratorCount;
  const IconResource* icons;
  size_t iconCount;
};

void SetResources(const ResourceTable* table);

// Windows live in memory (no display needed). Decided before the first window;
// also on when neither DISPLAY nor WAYLAND_DISPLAY is set.
void SetHeadless(bool headless);
bool IsHeadless();

// Replaces what GetProcAddress gives for one export of a built-in module
// ("ddraw.dll", "d3d8.dll"); a null function restores the layer's own. False
// for an unknown module or export. Tests use it to put doubles in between.
bool SetModuleExport(const char* module, const char* name, FARPROC function);

// The virtual clock: timeGetTime, the performance counter and GetLocalTime
// report time that only Sleep, AdvanceVirtualClock and WaitMessage move.
void EnableVirtualClock(DWORD startMs, const SYSTEMTIME& localTimeAtStart);
void DisableVirtualClock();
bool IsVirtualClockEnabled();
void AdvanceVirtualClock(DWORD milliseconds);
#ifndef _WIN32
// Delivers an SDL event once the virtual clock reaches the given time.
void PostEventAt(DWORD virtualMs, const SDL_Event& event);
#endif

}  // namespace Platform
