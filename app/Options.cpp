#include "app/Options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

const char* const kQarnUsage =
    "Usage: qarn [options]\n"
    "  --device software|d3d8\n"
    "                draw with the software device (the default) or Direct3D 8\n"
    "  --frames N    end the run after N frames, as the menu's Exit would\n"
    "  --headless    run without a display (the window lives in memory)\n"
    "  --screenshot FILE\n"
    "                save the last frame to FILE (.bmp or .png)\n"
    "  --help        show this text\n";

namespace {

bool ParseCount(const char* text, unsigned long* value) {
  if (text == nullptr || *text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  unsigned long parsed = std::strtoul(text, &end, 10);
  if (errno != 0 || *end != '\0' || parsed == 0 || parsed > 0xFFFFFFFFul) return false;
  *value = parsed;
  return true;
}

bool EndsWith(const std::string& text, const char* ending) {
  size_t length = std::strlen(ending);
  return text.size() > length && text.compare(text.size() - length, length, ending) == 0;
}

bool IsScreenshotName(const std::string& name) { return EndsWith(name, ".bmp") || EndsWith(name, ".png"); }

}  // namespace

bool ParseQarnOptions(int argc, const char* const* argv, QarnOptions* options, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const char* option = argv[i];
    if (std::strcmp(option, "--headless") == 0) {
      options->headless = true;
    } else if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
      options->help = true;
    } else if (std::strcmp(option, "--screenshot") == 0) {
      if (i + 1 >= argc || !IsScreenshotName(argv[i + 1])) {
        *error = "--screenshot needs a file name ending in .bmp or .png";
        return false;
      }
      options->screenshot = argv[++i];
    } else if (std::strcmp(option, "--device") == 0) {
      const char* kind = i + 1 < argc ? argv[i + 1] : "";
      if (std::strcmp(kind, "software") == 0) {
        options->device = TS_GUID_GDI_GRAPHICS;
      } else if (std::strcmp(kind, "d3d8") == 0) {
        options->device = TS_GUID_D3D8_GRAPHICS;
      } else {
        *error = "--device needs software or d3d8";
        return false;
      }
      ++i;
    } else if (std::strcmp(option, "--frames") == 0) {
      if (!ParseCount(i + 1 < argc ? argv[i + 1] : nullptr, &options->frames)) {
        *error = "--frames needs a whole number of frames from 1 to 4294967295";
        return false;
      }
      ++i;
    } else {
      *error = std::string("unknown option ") + option;
      return false;
    }
  }
  return true;
}
