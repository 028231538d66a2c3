// qarn's command-line options.
#pragma once

#include <string>

struct QarnOptions {
  unsigned long frames = 0;  // 0: run until the window closes
  bool headless = false;
  std::string screenshot;    // where to save the last frame (.bmp or .png); empty: nowhere
  bool help = false;
};

extern const char* const kQarnUsage;

// Fills options from argv; on a bad option returns false with the reason.
bool ParseQarnOptions(int argc, const char* const* argv, QarnOptions* options, std::string* error);
