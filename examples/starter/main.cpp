// The starter's entry point: its options, then the frame loop.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "StarterGame.h"
#include "engine/object/TSCustomException.h"
#include "platform/Platform.h"

namespace {

constexpr const char* kUsage =
    "Usage: starter [--headless] [--frames N] [--screenshot FILE.png|FILE.bmp]\n"
    "  Run in the folder that holds sprite.png and Font/starter16.gfxFont.\n";

// One frame every 30 ms; the rest of the time is given back to the system.
constexpr DWORD kFrameMs = 30;

struct Options {
  bool headless = false;
  unsigned long frames = 0;  // 0: until the window closes
  const char* screenshot = nullptr;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--headless") == 0) {
      options->headless = true;
    } else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
      char* end = nullptr;
      options->frames = std::strtoul(argv[++i], &end, 10);
      if (*end != '\0' || options->frames == 0) return false;
    } else if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
      options->screenshot = argv[++i];
    } else {
      return false;
    }
  }
  return true;
}

int Run(const Options& options) {
  StarterGame game;
  if (!game.Open()) return 1;
  for (unsigned long frame = 0; options.frames == 0 || frame < options.frames; ++frame) {
    DWORD start = timeGetTime();
    if (!game.Frame()) break;
    DWORD spent = timeGetTime() - start;
    if (spent < kFrameMs) Sleep(kFrameMs - spent);
  }
  if (options.screenshot != nullptr && !game.SaveScreenshot(options.screenshot)) {
    std::fprintf(stderr, "starter: cannot save %s\n", options.screenshot);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // Headless, the window lives in memory and nothing needs a display.
  Platform::SetHeadless(options.headless);
  try {
    return Run(options);
  } catch (Tessel::CTSCustomException* error) {
    // The engine throws its exception as a heap pointer; null when even that
    // allocation failed.
    std::fprintf(stderr, "starter: %s\n", error != nullptr ? error->GetErrorMessage() : "out of memory");
    delete error;
    return 1;
  }
}
