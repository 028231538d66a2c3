// The scaled and rotated sprite draw: a 256 x 256 source scaled by 2 and by
// 0.5, and turned by 30 degrees at scale 1, onto a 1024 x 768 RGB555
// surface; and on the same pixels the peers: SDL2's nearest-neighbour
// SDL_BlitScaled, SDL2's software renderer's SDL_RenderCopyEx, and pixman
// compositing through a nearest transform. Rates are destination pixels per
// second: the scaled rectangle, or the turned image's bounding box.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <random>

#include "engine/graphics/software/TSBlitRect.h"
#include "engine/graphics/software/TSTransformBlit.h"

namespace {

constexpr int kSurfaceWidth = 1024;
constexpr int kSurfaceHeight = 768;
constexpr int kSource = 256;
constexpr int kCentreX = kSurfaceWidth / 2;
constexpr int kCentreY = kSurfaceHeight / 2;
constexpr float kTurn = 0.5235988f;  // 30 degrees
constexpr double kTurnDegrees = 30.0;

struct Scene {
  CTSGDIRenderTarget target;
  CTSGDITexture* surface = new CTSGDITexture;
  CTSGDITexture source;

  Scene() {
    std::mt19937 rng(9);
    surface->Allocate(kSurfaceWidth, kSurfaceHeight, TEXTURE_FORMAT_X1R5G5B5, 0);
    for (int i = 0; i < kSurfaceWidth * kSurfaceHeight; ++i)
      surface->GetPixelRow(0)[i] = Pixel555(rng() & 0x7FFF);
    target.SetSurface(surface);
    target.SetWidth(kSurfaceWidth);
    target.SetHeight(kSurfaceHeight);
    target.SetClipRect(nullptr);
    source.Allocate(kSource, kSource, TEXTURE_FORMAT_X1R5G5B5, 0);
    source.SetColorKey(0xFF000000);  // no key
    for (int i = 0; i < kSource * kSource; ++i) source.GetPixelRow(0)[i] = Pixel555(rng() & 0x7FFF);
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

int64_t ScaledPixels(float scale) {
  const int64_t side = int64_t(float(kSource) * scale);
  return side * side;
}

// The bounding box of the turned source, the same work for every contender.
int64_t TurnedPixels() {
  LONG width, height;
  GetRotatedBounds(kSource, kSource, &width, &height, 6.2831855f - kTurn, nullptr, nullptr);
  return int64_t(width) * height;
}

void Scale(benchmark::State& state, float scale) {
  Scene& scene = TheScene();
  for (auto _ : state) {
    DrawSpriteTransformed(scene.target, &scene.source, kCentreX, kCentreY, 0, 0, kSource, kSource, scale,
                          scale, 0.0f, BLEND_NORMAL, FLIP_NONE, CTSColor(0xFFFFFFFF));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * ScaledPixels(scale));
}
BENCHMARK_CAPTURE(Scale, x2, 2.0f)->Name("BM_Transform_Scale_x2");
BENCHMARK_CAPTURE(Scale, x0_5, 0.5f)->Name("BM_Transform_Scale_x0.5");

void BM_Transform_Rotate30(benchmark::State& state) {
  Scene& scene = TheScene();
  for (auto _ : state) {
    DrawSpriteTransformed(scene.target, &scene.source, kCentreX, kCentreY, 0, 0, kSource, kSource, 1.0f, 1.0f,
                          kTurn, BLEND_NORMAL, FLIP_NONE, CTSColor(0xFFFFFFFF));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * TurnedPixels());
}
BENCHMARK(BM_Transform_Rotate30);

// SDL2 surfaces over the same pixel buffers.
struct SdlSurfaces {
  SDL_Surface* dst;
  SDL_Surface* src;
  SdlSurfaces() {
    Scene& scene = TheScene();
    dst = SDL_CreateRGBSurfaceWithFormatFrom(scene.surface->GetPixelRow(0), kSurfaceWidth, kSurfaceHeight, 16,
                                             kSurfaceWidth * 2, SDL_PIXELFORMAT_RGB555);
    src = SDL_CreateRGBSurfaceWithFormatFrom(scene.source.GetPixelRow(0), kSource, kSource, 16, kSource * 2,
                                             SDL_PIXELFORMAT_RGB555);
  }
  ~SdlSurfaces() {
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
  }
};

void PeerSdlBlitScaled(benchmark::State& state, float scale) {
  SdlSurfaces surfaces;
  if (surfaces.dst == nullptr || surfaces.src == nullptr) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  SDL_SetSurfaceBlendMode(surfaces.src, SDL_BLENDMODE_NONE);
  const int side = int(float(kSource) * scale);
  for (auto _ : state) {
    SDL_Rect to{kCentreX - side / 2, kCentreY - side / 2, side, side};
    SDL_BlitScaled(surfaces.src, nullptr, surfaces.dst, &to);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * ScaledPixels(scale));
}
BENCHMARK_CAPTURE(PeerSdlBlitScaled, x2, 2.0f)->Name("BM_PeerSDL_BlitScaled_x2");
BENCHMARK_CAPTURE(PeerSdlBlitScaled, x0_5, 0.5f)->Name("BM_PeerSDL_BlitScaled_x0.5");

void BM_PeerSDL_RenderCopyEx_Rotate30(benchmark::State& state) {
  SdlSurfaces surfaces;
  SDL_Renderer* renderer = surfaces.dst != nullptr ? SDL_CreateSoftwareRenderer(surfaces.dst) : nullptr;
  SDL_Texture* texture = renderer != nullptr ? SDL_CreateTextureFromSurface(renderer, surfaces.src) : nullptr;
  if (texture == nullptr) {
    state.SkipWithError(SDL_GetError());
    if (renderer != nullptr) SDL_DestroyRenderer(renderer);
    return;
  }
  SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
  SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
  const SDL_Rect to{kCentreX - kSource / 2, kCentreY - kSource / 2, kSource, kSource};
  for (auto _ : state) {
    SDL_RenderCopyEx(renderer, texture, nullptr, &to, kTurnDegrees, nullptr, SDL_FLIP_NONE);
    SDL_RenderFlush(renderer);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * TurnedPixels());
  SDL_DestroyTexture(texture);
  SDL_DestroyRenderer(renderer);
}
BENCHMARK(BM_PeerSDL_RenderCopyEx_Rotate30);

// pixman on x1r5g5b5 images over the same buffers; the transform maps
// destination positions back into the source, sampled nearest.
void PeerPixman(benchmark::State& state, float scale, bool turned) {
  Scene& scene = TheScene();
  pixman_image_t* dst =
      pixman_image_create_bits(PIXMAN_x1r5g5b5, kSurfaceWidth, kSurfaceHeight,
                               reinterpret_cast<uint32_t*>(scene.surface->GetPixelRow(0)), kSurfaceWidth * 2);
  pixman_image_t* src =
      pixman_image_create_bits(PIXMAN_x1r5g5b5, kSource, kSource,
                               reinterpret_cast<uint32_t*>(scene.source.GetPixelRow(0)), kSource * 2);
  pixman_transform_t transform;
  int width, height;
  pixman_op_t op;
  if (turned) {
    LONG boxWidth, boxHeight;
    GetRotatedBounds(kSource, kSource, &boxWidth, &boxHeight, 6.2831855f - kTurn, nullptr, nullptr);
    width = boxWidth;
    height = boxHeight;
    // Box centre to the origin, turn back, origin to the source centre.
    pixman_transform_init_translate(&transform, pixman_int_to_fixed(-width / 2),
                                    pixman_int_to_fixed(-height / 2));
    pixman_transform_rotate(&transform, nullptr, pixman_double_to_fixed(std::cos(-double(kTurn))),
                            pixman_double_to_fixed(std::sin(-double(kTurn))));
    pixman_transform_translate(&transform, nullptr, pixman_int_to_fixed(kSource / 2),
                               pixman_int_to_fixed(kSource / 2));
    op = PIXMAN_OP_OVER;  // outside the source stays as it was
  } else {
    width = height = int(float(kSource) * scale);
    pixman_transform_init_scale(&transform, pixman_double_to_fixed(1.0 / scale),
                                pixman_double_to_fixed(1.0 / scale));
    op = PIXMAN_OP_SRC;
  }
  pixman_image_set_transform(src, &transform);
  pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
  for (auto _ : state) {
    pixman_image_composite32(op, src, nullptr, dst, 0, 0, 0, 0, kCentreX - width / 2, kCentreY - height / 2,
                             width, height);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * (turned ? TurnedPixels() : ScaledPixels(scale)));
  pixman_image_unref(src);
  pixman_image_unref(dst);
}
BENCHMARK_CAPTURE(PeerPixman, x2, 2.0f, false)->Name("BM_PeerPixman_Nearest_x2");
BENCHMARK_CAPTURE(PeerPixman, x0_5, 0.5f, false)->Name("BM_PeerPixman_Nearest_x0.5");
BENCHMARK_CAPTURE(PeerPixman, Rotate30, 1.0f, true)->Name("BM_PeerPixman_Nearest_Rotate30");

}  // namespace
