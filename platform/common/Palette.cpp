// Palette objects: kept with their entries, which nothing in this layer maps
// colours through (its bitmaps hold 24-bit colours).
#include <memory>
#include <vector>

#include "platform/common/Canvas.h"

namespace {

constexpr WORD kPaletteVersion = 0x300;

struct Palette {
  std::vector<PALETTEENTRY> entries;
};

std::vector<std::unique_ptr<Palette>>& Palettes() {
  static auto* palettes = new std::vector<std::unique_ptr<Palette>>;
  return *palettes;
}

// Static, so that its address is never that of a heap object, live or gone.
Palette g_stock;

}  // namespace

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (palette == nullptr || palette->palVersion != kPaletteVersion || palette->palNumEntries == 0)
    return nullptr;
  auto made = std::make_unique<Palette>();
  made->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  Palettes().push_back(std::move(made));
  return reinterpret_cast<HPALETTE>(Palettes().back().get());
}

namespace Gdi {

HPALETTE StockPalette() { return reinterpret_cast<HPALETTE>(&g_stock); }

bool IsPalette(HGDIOBJ object) {
  if (object == StockPalette()) return true;
  for (auto& palette : Palettes())
    if (palette.get() == object) return true;
  return false;
}

bool DeletePalette(HGDIOBJ object) {
  if (object == StockPalette()) return true;  // stock objects are never deleted
  size_t before = Palettes().size();
  std::erase_if(Palettes(), [&](auto& palette) { return palette.get() == object; });
  return Palettes().size() != before;
}

}  // namespace Gdi
