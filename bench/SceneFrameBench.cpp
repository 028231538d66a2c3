// One frame of the demo's scene on the software device, without presenting:
// the logo over the whole 640 x 480 target, a 200 x 200 piece of it in green,
// the piece mirrored left-right in magenta and mirrored both ways in green,
// all blended by constant alpha, and the "FPS:30" text on top. The full frame
// (dirty rectangles off: clear and draw everything) and the dirty frame (the
// two pulsing pieces changed colour) run against the peer: the same scene
// drawn by SDL2's own blits on RGB555 surfaces, with colour and alpha
// modulation and the mirrored pieces as copies flipped beforehand.
// The picture and the font are the demo's own, read from the data folder.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <string>

#include "bench/BenchSprite.h"
#include "engine/graphics/TSGraphicsManager.h"
#include "engine/graphics/software/TSGDIRenderTarget.h"
#include "engine/graphics/software/TSGDITexture.h"
#include "engine/image/TSImageManager.h"
#include "engine/scene/TSRenderTree.h"
#include "engine/text/TSFontLoader.h"
#include "engine/text/TSTextRegistry.h"
#include "platform/Platform.h"

namespace {

constexpr INT kWidth = 640;
constexpr INT kHeight = 480;
constexpr INT kPiece = 200;
constexpr DWORD kFontId = 0x5CE4E;
constexpr char kFpsText[] = "FPS:30";
const RECT kTextRect = {10, 10, 90, 26};

// The overlay: the text, never reporting a change (the value holds still).
class CFpsText : public CTSRenderTreeObject {
 public:
  void Draw(CTSGraphics* device) override {
    CTSTextRegistry::Instance().DrawText(kFontId, device, kTextRect.left, kTextRect.top, CTSColor(0xFF00FF00),
                                         kFpsText, -1, -1);
  }
  INT GetDirtyRects(RECT*, INT) const override { return 0; }
  bool GetBoundRect(RECT* out) const override {
    *out = kTextRect;
    return true;
  }
  bool IsDirty() const override { return true; }
};

struct SceneSetup {
  CTSGraphics* device = nullptr;
  CTSImageManager* images = nullptr;
  CTSTexture* logo = nullptr;
  CTSRenderTree* tree = nullptr;
  CBenchSprite* pulsingWhite = nullptr;
  CBenchSprite* pulsingGreen = nullptr;
  std::string error;
};

// One window, device, picture, font and tree for the whole run.
SceneSetup& Setup() {
  static SceneSetup setup = [] {
    SceneSetup s;
    Platform::SetHeadless(true);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "SceneFrameBench";
    RegisterClassExA(&windowClass);
    HWND window = CreateWindowExA(0, "SceneFrameBench", "bench", WS_OVERLAPPED, CW_USEDEFAULT, 0,
                                  CW_USEDEFAULT, 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    s.device = CTSGraphicsManager::Instance().CreateDevice(TS_GUID_GDI_GRAPHICS, window, kWidth, kHeight,
                                                           false, true);
    if (s.device == nullptr) {
      s.error = "no software device";
      return s;
    }
    const std::string data = QARN_DATA_DIR;
    s.images = new CTSImageManager(s.device);
    s.logo = s.images->LoadTexture((data + "/Background/logo.bmp").c_str(), CTSColor(0), -1);
    CTSFont* font =
        CTSFontLoader::Instance().LoadFont(TS_GUID_POINT_FONT, (data + "/Font/songti16.gfxFont").c_str());
    if (font != nullptr) {
      CTSTextRegistry::Instance().AddFont(kFontId, font);
      font->Release();
    }
    if (s.logo == nullptr || font == nullptr) {
      s.error = "no logo or font in " + data + " (build qarn_data)";
      return s;
    }
    s.tree = new CTSRenderTree(128, true);
    auto* overlay = new CFpsText;
    overlay->SetPriority(0x7FFFFFFF);
    CTSRenderTreeObject* root = s.tree->GetRoot();
    root->AddChild(overlay, nullptr, nullptr);
    root->AddChild(new CBenchSprite(s.logo, 0, 0, kWidth, kHeight, FLIP_NONE, 0xFFFFFFFF), nullptr, nullptr);
    s.pulsingWhite = new CBenchSprite(s.logo, 100, 100, kPiece, kPiece, FLIP_NONE, 0xFFFFFFFF);
    root->AddChild(s.pulsingWhite, nullptr, nullptr);
    root->AddChild(new CBenchSprite(s.logo, 400, 100, kPiece, kPiece, FLIP_HORIZONTAL, 0xFFFF00FF), nullptr,
                   nullptr);
    s.pulsingGreen =
        new CBenchSprite(s.logo, 400, 200, kPiece, kPiece, FLIP_HORIZONTAL | FLIP_VERTICAL, 0xFF00FF00);
    root->AddChild(s.pulsingGreen, nullptr, nullptr);
    return s;
  }();
  return setup;
}

void DrawFrame(SceneSetup& s) {
  s.device->BeginScene();
  s.tree->Update();
  s.tree->Render(s.device);
  s.device->EndScene();
}

void BM_SceneFrameFull(benchmark::State& state) {
  SceneSetup& s = Setup();
  if (!s.error.empty()) {
    state.SkipWithError(s.error.c_str());
    return;
  }
  s.tree->EnableDirtyRect(false);
  for (auto _ : state) {
    DrawFrame(s);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SceneFrameFull);

// A frame of the pulse: the two pieces change alpha, and the tree repaints
// their rectangles.
void BM_SceneFrameDirty(benchmark::State& state) {
  SceneSetup& s = Setup();
  if (!s.error.empty()) {
    state.SkipWithError(s.error.c_str());
    return;
  }
  s.tree->EnableDirtyRect(true);
  DrawFrame(s);
  DWORD alpha = 255;
  for (auto _ : state) {
    alpha = alpha > 5 ? alpha - 5 : 255;
    s.pulsingWhite->SetColor(alpha << 24 | 0x00FFFFFF);
    s.pulsingGreen->SetColor(alpha << 24 | 0x0000FF00);
    DrawFrame(s);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SceneFrameDirty);

SDL_Surface* Surface555(int w, int h) {
  return SDL_CreateRGBSurfaceWithFormat(0, w, h, 16, SDL_PIXELFORMAT_RGB555);
}

Uint16* PixelAt(SDL_Surface* surface, int x, int y) {
  return reinterpret_cast<Uint16*>(static_cast<Uint8*>(surface->pixels) + y * surface->pitch) + x;
}

// The 200 x 200 piece mirrored by the flags, as its own surface.
SDL_Surface* FlippedPiece(SDL_Surface* logo, int flip) {
  SDL_Surface* piece = Surface555(kPiece, kPiece);
  for (int y = 0; y < kPiece; ++y)
    for (int x = 0; x < kPiece; ++x)
      *PixelAt(piece, x, y) =
          *PixelAt(logo, (flip & 1) ? kPiece - 1 - x : x, (flip & 2) ? kPiece - 1 - y : y);
  return piece;
}

// Opaque draws copy without blending: the fastest SDL offers for them.
void Modulate(SDL_Surface* surface, Uint32 color) {
  SDL_SetSurfaceBlendMode(surface, (color >> 24) == 0xFF ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
  SDL_SetSurfaceColorMod(surface, Uint8(color >> 16), Uint8(color >> 8), Uint8(color));
  SDL_SetSurfaceAlphaMod(surface, Uint8(color >> 24));
}

// The peer: the same frame by SDL's surface blits. The text is what SDL
// programs blit for text: a colour-keyed surface drawn beforehand (here by
// the engine's font, once).
void BM_PeerSDL_SceneFrame(benchmark::State& state) {
  SceneSetup& s = Setup();
  if (!s.error.empty()) {
    state.SkipWithError(s.error.c_str());
    return;
  }
  auto* surface = static_cast<CTSGDIRenderTarget*>(s.device->GetRenderTarget())->GetSurface();
  auto* texture = static_cast<CTSGDITexture*>(s.logo);
  SDL_Surface* target = Surface555(kWidth, kHeight);
  SDL_Surface* logo = Surface555(kWidth, kHeight);
  SDL_Surface* text = Surface555(kTextRect.right - kTextRect.left, kTextRect.bottom - kTextRect.top);
  for (int y = 0; y < kHeight; ++y) SDL_memcpy(PixelAt(logo, 0, y), texture->GetPixelRow(y), kWidth * 2);
  s.device->Clear(CTSColor(0));
  CTSTextRegistry::Instance().DrawText(kFontId, s.device, kTextRect.left, kTextRect.top, CTSColor(0xFF00FF00),
                                       kFpsText, -1, -1);
  for (int y = 0; y < text->h; ++y)
    SDL_memcpy(PixelAt(text, 0, y), surface->GetPixelRow(kTextRect.top + y) + kTextRect.left,
               size_t(text->w) * 2);
  SDL_SetColorKey(text, SDL_TRUE, 0);
  SDL_Surface* mirrored = FlippedPiece(logo, FLIP_HORIZONTAL);
  SDL_Surface* mirroredTwice = FlippedPiece(logo, FLIP_HORIZONTAL | FLIP_VERTICAL);
  Modulate(logo, 0xFFFFFFFF);
  Modulate(mirrored, 0xFFFF00FF);
  SDL_SetSurfaceBlendMode(text, SDL_BLENDMODE_NONE);
  DWORD alpha = 255;
  for (auto _ : state) {
    alpha = alpha > 5 ? alpha - 5 : 255;
    SDL_FillRect(target, nullptr, 0);
    Modulate(logo, 0xFFFFFFFF);
    SDL_Rect whole{0, 0, kWidth, kHeight};
    SDL_BlitSurface(logo, nullptr, target, &whole);
    Modulate(logo, alpha << 24 | 0x00FFFFFF);
    SDL_Rect piece{0, 0, kPiece, kPiece};
    SDL_Rect at{100, 100, kPiece, kPiece};
    SDL_BlitSurface(logo, &piece, target, &at);
    at = {400, 100, kPiece, kPiece};
    SDL_BlitSurface(mirrored, nullptr, target, &at);
    Modulate(mirroredTwice, alpha << 24 | 0x0000FF00);
    at = {400, 200, kPiece, kPiece};
    SDL_BlitSurface(mirroredTwice, nullptr, target, &at);
    at = {kTextRect.left, kTextRect.top, text->w, text->h};
    SDL_BlitSurface(text, nullptr, target, &at);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  SDL_FreeSurface(mirroredTwice);
  SDL_FreeSurface(mirrored);
  SDL_FreeSurface(text);
  SDL_FreeSurface(logo);
  SDL_FreeSurface(target);
}
BENCHMARK(BM_PeerSDL_SceneFrame);

}  // namespace
