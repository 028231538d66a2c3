#include <SDL.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sdl/ResourcesImpl.h"

namespace Platform {
namespace {

const ResourceTable* g_resources = nullptr;
int g_moduleToken = 0;
int g_systemCursorToken = 0;

struct LoadedIcon {
  const IconResource* resource = nullptr;
  SDL_Surface* surface = nullptr;
  ~LoadedIcon() {
    if (surface != nullptr) SDL_FreeSurface(surface);
  }
};

std::vector<std::unique_ptr<LoadedIcon>>& LoadedIcons() {
  static std::vector<std::unique_ptr<LoadedIcon>> icons;
  return icons;
}

LoadedIcon& SystemIcon() {
  static LoadedIcon icon;
  return icon;
}

bool IsOwnModule(HINSTANCE instance) { return instance == reinterpret_cast<HINSTANCE>(&g_moduleToken); }

SDL_Surface* PaintIcon(const IconResource& icon) {
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, icon.width, icon.height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr) return nullptr;
  const std::string keys = icon.paletteKeys;
  for (int y = 0; y < icon.height; ++y) {
    auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) + y * surface->pitch);
    const char* text = icon.rows[y];
    for (int x = 0; x < icon.width; ++x) {
      size_t index = text[x] != '\0' ? keys.find(text[x]) : std::string::npos;
      row[x] = index == std::string::npos ? 0 : icon.palette[index];
      if (text[x] == '\0') break;
    }
  }
  return surface;
}

}  // namespace

void SetResources(const ResourceTable* table) { g_resources = table; }

const MenuResource* MenuFromHandle(HMENU menu) { return reinterpret_cast<const MenuResource*>(menu); }

const AcceleratorResource* AcceleratorsFromHandle(HACCEL accelerators) {
  return reinterpret_cast<const AcceleratorResource*>(accelerators);
}

SDL_Surface* IconSurface(HICON icon) {
  if (icon == nullptr) return nullptr;
  auto* loaded = reinterpret_cast<LoadedIcon*>(icon);
  if (loaded->resource == nullptr) return nullptr;
  if (loaded->surface == nullptr) loaded->surface = PaintIcon(*loaded->resource);
  return loaded->surface;
}

char MenuMnemonic(const char* text) {
  for (const char* c = text; c != nullptr && *c != '\0'; ++c) {
    if (*c == '&' && c[1] != '\0' && c[1] != '&') return static_cast<char>(std::toupper(static_cast<unsigned char>(c[1])));
    if (*c == '&' && c[1] == '&') ++c;
  }
  return 0;
}

}  // namespace Platform

using namespace Platform;

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  return moduleName == nullptr ? reinterpret_cast<HMODULE>(&g_moduleToken) : nullptr;
}

HACCEL LoadAcceleratorsA(HINSTANCE instance, LPCSTR name) {
  if (!IsOwnModule(instance) || g_resources == nullptr || !IS_INTRESOURCE(name)) return nullptr;
  for (size_t i = 0; i < g_resources->acceleratorCount; ++i)
    if (g_resources->accelerators[i].id == LOWORD(name))
      return reinterpret_cast<HACCEL>(const_cast<AcceleratorResource*>(&g_resources->accelerators[i]));
  return nullptr;
}

HMENU LoadMenuA(HINSTANCE instance, LPCSTR name) {
  if (!IsOwnModule(instance) || g_resources == nullptr || !IS_INTRESOURCE(name)) return nullptr;
  for (size_t i = 0; i < g_resources->menuCount; ++i)
    if (g_resources->menus[i].id == LOWORD(name))
      return reinterpret_cast<HMENU>(const_cast<MenuResource*>(&g_resources->menus[i]));
  return nullptr;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
  if (!IS_INTRESOURCE(name)) return nullptr;
  if (instance == nullptr) return reinterpret_cast<HICON>(&SystemIcon());
  if (!IsOwnModule(instance) || g_resources == nullptr) return nullptr;
  for (auto& loaded : LoadedIcons())
    if (loaded->resource->id == LOWORD(name)) return reinterpret_cast<HICON>(loaded.get());
  for (size_t i = 0; i < g_resources->iconCount; ++i) {
    if (g_resources->icons[i].id != LOWORD(name)) continue;
    auto loaded = std::make_unique<LoadedIcon>();
    loaded->resource = &g_resources->icons[i];
    LoadedIcons().push_back(std::move(loaded));
    return reinterpret_cast<HICON>(LoadedIcons().back().get());
  }
  return nullptr;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  // Only the system arrow exists; SDL shows it by default.
  if (instance != nullptr || name != IDC_ARROW) return nullptr;
  return reinterpret_cast<HCURSOR>(&g_systemCursorToken);
}
