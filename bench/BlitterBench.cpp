// The software blitter: a 256 x 256 sprite onto a 640 x 480 surface in every
// blend case, unflipped and mirrored, plus the fill and the block copy; and
// on the same pixels the peers: memcpy, SDL2's RGB555 surface blits and
// pixman on x1r5g5b5. Rates are pixels per second.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/graphics/software/TSGDIRenderTarget.h"
#include "engine/graphics/software/TSPixelPipeline.h"

namespace {

constexpr int kSurfaceWidth = 640;
constexpr int kSurfaceHeight = 480;
constexpr int kSprite = 256;
constexpr int kDrawX = 100;
constexpr int kDrawY = 100;
constexpr int64_t kPixels = int64_t(kSprite) * kSprite;

void RandomPixels(Pixel555* pixels, size_t count, std::mt19937& rng) {
  for (size_t i = 0; i < count; ++i) pixels[i] = Pixel555(rng() & 0x7FFF);
}

// The drawing target and the three kinds of sprite.
struct Scene {
  CTSGDIRenderTarget target;
  CTSGDITexture* surface = new CTSGDITexture;
  CTSGDITexture plain, keyed, alpha;

  Scene() {
    std::mt19937 rng(5);
    surface->Allocate(kSurfaceWidth, kSurfaceHeight, TEXTURE_FORMAT_X1R5G5B5, 0);
    RandomPixels(surface->GetPixelRow(0), size_t(kSurfaceWidth) * kSurfaceHeight, rng);
    target.SetSurface(surface);
    target.SetWidth(kSurfaceWidth);
    target.SetHeight(kSurfaceHeight);
    target.SetClipRect(nullptr);
    for (CTSGDITexture* texture : {&plain, &keyed, &alpha}) {
      texture->Allocate(kSprite, kSprite,
                        texture == &alpha ? TEXTURE_FORMAT_X1R5G5B5_ALPHA8 : TEXTURE_FORMAT_X1R5G5B5, 0);
      RandomPixels(texture->GetPixelRow(0), size_t(kPixels), rng);
    }
    plain.SetColorKey(0xFF000000);
    keyed.SetColorKey(0x00000000);  // black is transparent: about one pixel in four below
    for (int i = 0; i < kPixels; ++i)
      if (rng() % 4 == 0) keyed.GetPixelRow(0)[i] = 0;
    for (int i = 0; i < kPixels; ++i) alpha.GetAlphaRow(0)[i] = BYTE(rng());
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void DrawSpriteCase(benchmark::State& state, BlendMode mode, int kind, bool translucent, bool mirrored) {
  Scene& scene = TheScene();
  CTSGDITexture* texture = kind == 0 ? &scene.plain : kind == 1 ? &scene.keyed : &scene.alpha;
  const CTSColor color = translucent ? 0x80FFC0A0 : 0xFFFFC0A0;
  const FlipFlags flip = mirrored ? FLIP_HORIZONTAL : FLIP_NONE;
  for (auto _ : state) {
    scene.target.DrawSprite(texture, kDrawX, kDrawY, 0, 0, kSprite, kSprite, mode, flip, color);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}

// Registers Blit_<mode>_<kind>_<opacity>[_Mirrored] for every case that
// selects its own loop (modes 0 and 1 do not depend on the opacity).
const bool kRegistered = [] {
  const char* modes[] = {"Normal", "Alpha", "Add", "Sub"};
  const char* kinds[] = {"Plain", "Keyed", "AlphaPlane"};
  for (bool mirrored : {false, true})
    for (BlendMode mode = 0; mode < 4; ++mode)
      for (int kind = 0; kind < 3; ++kind)
        for (bool translucent : {false, true}) {
          if (mode == BLEND_NORMAL && translucent) continue;
          if (mode == BLEND_ALPHA && !translucent) continue;
          std::string name = std::string("Blit_") + modes[mode] + "_" + kinds[kind] + "_" +
                             (translucent ? "Translucent" : "Opaque") + (mirrored ? "_Mirrored" : "");
          benchmark::RegisterBenchmark(name.c_str(), DrawSpriteCase, mode, kind, translucent, mirrored);
        }
  return true;
}();

void BM_ClearRect(benchmark::State& state) {
  Scene& scene = TheScene();
  const RECT rect{kDrawX, kDrawY, kDrawX + kSprite, kDrawY + kSprite};
  for (auto _ : state) {
    scene.surface->ClearRect(0xFF204080, &rect);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_ClearRect);

// The sprite's rows copied to the surface's rows, by FastCopy and by memcpy.
template <class Copy>
void CopyRows(benchmark::State& state, Copy copy) {
  Scene& scene = TheScene();
  for (auto _ : state) {
    for (int y = 0; y < kSprite; ++y)
      copy(scene.surface->GetPixelRow(kDrawY + y) + kDrawX, scene.plain.GetPixelRow(y), kSprite * 2);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_FastCopy(benchmark::State& state) { CopyRows(state, FastCopy); }
BENCHMARK(BM_FastCopy);

void BM_PeerMemcpy(benchmark::State& state) {
  CopyRows(state, [](void* d, const void* s, size_t n) { std::memcpy(d, s, n); });
}
BENCHMARK(BM_PeerMemcpy);

void BM_PeerMemset(benchmark::State& state) {
  Scene& scene = TheScene();
  for (auto _ : state) {
    for (int y = 0; y < kSprite; ++y)
      std::memset(scene.surface->GetPixelRow(kDrawY + y) + kDrawX, 0x21, kSprite * 2);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}
BENCHMARK(BM_PeerMemset);

// SDL2 surfaces over the same pixel buffers.
enum class SdlBlend { Copy, ColorKey, Alpha128, Alpha128ColorMod, Add };

void PeerSdl(benchmark::State& state, SdlBlend blend) {
  Scene& scene = TheScene();
  SDL_Surface* dst =
      SDL_CreateRGBSurfaceWithFormatFrom(scene.surface->GetPixelRow(0), kSurfaceWidth, kSurfaceHeight, 16,
                                         kSurfaceWidth * 2, SDL_PIXELFORMAT_RGB555);
  CTSGDITexture& texture = blend == SdlBlend::ColorKey ? scene.keyed : scene.plain;
  SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(texture.GetPixelRow(0), kSprite, kSprite, 16,
                                                        kSprite * 2, SDL_PIXELFORMAT_RGB555);
  if (dst == nullptr || src == nullptr) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  switch (blend) {
    case SdlBlend::Copy:
      SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
      break;
    case SdlBlend::ColorKey:
      SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
      SDL_SetColorKey(src, SDL_TRUE, 0);
      break;
    case SdlBlend::Alpha128:
      SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_BLEND);
      SDL_SetSurfaceAlphaMod(src, 128);
      break;
    case SdlBlend::Alpha128ColorMod:
      SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_BLEND);
      SDL_SetSurfaceAlphaMod(src, 128);
      SDL_SetSurfaceColorMod(src, 0xFF, 0xC0, 0xA0);
      break;
    case SdlBlend::Add:
      SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_ADD);
      break;
  }
  for (auto _ : state) {
    SDL_Rect to{kDrawX, kDrawY, kSprite, kSprite};
    SDL_BlitSurface(src, nullptr, dst, &to);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
  SDL_FreeSurface(src);
  SDL_FreeSurface(dst);
}
BENCHMARK_CAPTURE(PeerSdl, BM_PeerSDL_Copy, SdlBlend::Copy)->Name("BM_PeerSDL_Copy");
BENCHMARK_CAPTURE(PeerSdl, BM_PeerSDL_ColorKey, SdlBlend::ColorKey)->Name("BM_PeerSDL_ColorKey");
BENCHMARK_CAPTURE(PeerSdl, BM_PeerSDL_Alpha128, SdlBlend::Alpha128)->Name("BM_PeerSDL_Alpha128");
BENCHMARK_CAPTURE(PeerSdl, BM_PeerSDL_Alpha128ColorMod, SdlBlend::Alpha128ColorMod)
    ->Name("BM_PeerSDL_Alpha128ColorMod");
BENCHMARK_CAPTURE(PeerSdl, BM_PeerSDL_Add, SdlBlend::Add)->Name("BM_PeerSDL_Add");

// pixman on x1r5g5b5 images over the same buffers.
void PeerPixman(benchmark::State& state, pixman_op_t op, bool halfMask) {
  Scene& scene = TheScene();
  pixman_image_t* dst =
      pixman_image_create_bits(PIXMAN_x1r5g5b5, kSurfaceWidth, kSurfaceHeight,
                               reinterpret_cast<uint32_t*>(scene.surface->GetPixelRow(0)), kSurfaceWidth * 2);
  pixman_image_t* src =
      pixman_image_create_bits(PIXMAN_x1r5g5b5, kSprite, kSprite,
                               reinterpret_cast<uint32_t*>(scene.plain.GetPixelRow(0)), kSprite * 2);
  pixman_image_t* mask = nullptr;
  if (halfMask) {
    const pixman_color_t half{0, 0, 0, 0x8000};
    mask = pixman_image_create_solid_fill(&half);
  }
  for (auto _ : state) {
    pixman_image_composite32(op, src, mask, dst, 0, 0, 0, 0, kDrawX, kDrawY, kSprite, kSprite);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
  if (mask != nullptr) pixman_image_unref(mask);
  pixman_image_unref(src);
  pixman_image_unref(dst);
}
BENCHMARK_CAPTURE(PeerPixman, Src, PIXMAN_OP_SRC, false)->Name("BM_PeerPixman_Src");
BENCHMARK_CAPTURE(PeerPixman, OverHalfMask, PIXMAN_OP_OVER, true)->Name("BM_PeerPixman_OverHalfMask");
BENCHMARK_CAPTURE(PeerPixman, Add, PIXMAN_OP_ADD, false)->Name("BM_PeerPixman_Add");

}  // namespace
