// Feeds arbitrary bytes to the point font as a ".gfxFont" file; a font that
// loads is drawn, onto a texture, with single-byte codes at the edges of their
// range, the edges of the grids and double-byte characters named by the input.
#include <cstddef>
#include <cstdint>

#include "engine/graphics/software/TSGDITexture.h"
#include "engine/text/TSPointFont.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  // The stream only reads: it never writes through the cast-away const.
  CTSIOStream stream(const_cast<uint8_t*>(data), static_cast<int32_t>(size), CTSIOStream::kRead, false);
  CTSPointFont* font = new CTSPointFont();
  bool loaded = font->Load(&stream);
  if (loaded != font->IsLoaded()) __builtin_trap();
  if (loaded) {
    if (font->GetCharWidth() > font->GetCharHeight()) __builtin_trap();
    CTSGDITexture texture;
    if (!texture.Allocate(48, 48, TEXTURE_FORMAT_X1R5G5B5, 0)) __builtin_trap();
    const CTSColor white(0xFFFFFFFF);
    for (int code : {-1, 0, 1, 2, 64, 127, 128, 129}) font->DrawCharToTexture(code, 3, 5, &texture, white);
    static const int kEdges[] = {0x00, 0x40, 0x7E, 0x7F, 0x81, 0xA0, 0xA1, 0xF9, 0xFE, 0xFF};
    for (int edge : kEdges) {
      font->DrawWideCharToTexture(edge, edge, -4, 7, &texture, white);
      font->DrawWideCharToTexture(0xA1, edge, -4, 7, &texture, white);
    }
    for (size_t i = 0; i + 1 < size && i < 16; i += 2)
      font->DrawWideCharToTexture(data[i], data[i + 1], 1, 1, &texture, white);
  }
  font->Release();
  return 0;
}
