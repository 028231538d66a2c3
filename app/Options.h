// qarn's command-line options.
#pragma once

#include <string>

#include "engine/object/TSClassIdentity.h"

struct QarnOptions {
  unsigned long frames = 0;  // 0: run until the window closes
  bool headless = false;
  std::string screenshot;    // where to save the last frame (.bmp or .png); empty: nowhere
  bool help = false;
  GUID device = TS_GUID_GDI_GRAPHICS;  // the kind of graphics device to draw with
};

extern const char* const kQarnUsage;

// Fills options from argv; on a bad option returns false with the reason.
bool ParseQarnOptions(int argc, const char* const* argv, QarnOptions* options, std::string* error);
