// A BMP file as SDL reads it: an independent reader for the pictures the
// tools write and the engine loads.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

// 0xRRGGBB pixels, row 0 at the top; empty unless the file is width x height.
inline std::vector<uint32_t> ReadBmpWithSdl(const char* path, int width, int height) {
  std::vector<uint32_t> picture;
  SDL_Surface* loaded = SDL_LoadBMP(path);
  SDL_Surface* surface =
      loaded != nullptr ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_XRGB8888, 0) : nullptr;
  SDL_FreeSurface(loaded);
  if (surface != nullptr && surface->w == width && surface->h == height)
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        picture.push_back(static_cast<const uint32_t*>(surface->pixels)[y * surface->pitch / 4 + x] &
                          0xFFFFFF);
  SDL_FreeSurface(surface);
  return picture;
}
