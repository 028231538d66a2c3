// Sprites per second on the two devices in the same run: frames of N sprites
// of 64 x 64 drawn as CBenchSprite draws them (mode 1, constant alpha 0xC0)
// at positions spread over a 640 x 480 back buffer, between BeginScene and
// EndScene. Every frame ends by reading a pixel of the back buffer through
// its render target: on the Direct3D 8 device that locks the surface, so the
// frame's drawing is finished and read back before the next one starts. The
// rates are by wall-clock time: the Direct3D 8 device's rasterising may run
// on other threads than the caller's.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/graphics/TSGraphicsManager.h"
#include "platform/Platform.h"

namespace {

constexpr INT kWidth = 640;
constexpr INT kHeight = 480;
constexpr INT kSprite = 64;
constexpr DWORD kColor = 0xC0FFFFFF;

struct DeviceSetup {
  CTSGraphics* device = nullptr;
  CTSTexture* texture = nullptr;
};

// One window, device and picture per kind for the whole run: an opaque
// 64 x 64 picture in the format the image manager would give it.
DeviceSetup& Setup(const GUID& kind) {
  static DeviceSetup software;
  static DeviceSetup direct3D;
  DeviceSetup& s = kind == TS_GUID_D3D8_GRAPHICS ? direct3D : software;
  if (s.device != nullptr) return s;
  Platform::SetHeadless(true);
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.lpszClassName = "D3D8Bench";
  RegisterClassExA(&windowClass);
  HWND window = CreateWindowExA(0, "D3D8Bench", "bench", WS_OVERLAPPED, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  s.device = CTSGraphicsManager::Instance().CreateDevice(kind, window, kWidth, kHeight, false, true);
  if (s.device == nullptr) return s;
  const INT format = kind == TS_GUID_D3D8_GRAPHICS ? TEXTURE_FORMAT_A1R5G5B5 : TEXTURE_FORMAT_X1R5G5B5;
  s.texture = s.device->CreateTexture(kSprite, kSprite, format, 0);
  if (s.texture == nullptr) return s;
  for (INT y = 0; y < kSprite; ++y)
    for (INT x = 0; x < kSprite; ++x)
      s.texture->SetPixel(
          x, y, CTSColor(0xFF000000u | DWORD(x * 4) << 16 | DWORD(y * 4) << 8 | DWORD((x ^ y) * 4)));
  return s;
}

// Top left corners spread over the back buffer by a fixed sequence, the
// sprites partly off its edges now and then.
std::vector<POINT> Positions(int count) {
  std::vector<POINT> positions;
  unsigned seed = 2024;
  for (int i = 0; i < count; ++i) {
    seed = seed * 1103515245u + 12345u;
    const LONG x = LONG((seed >> 8) % (kWidth + kSprite)) - kSprite / 2;
    seed = seed * 1103515245u + 12345u;
    const LONG y = LONG((seed >> 8) % (kHeight + kSprite)) - kSprite / 2;
    positions.push_back({x, y});
  }
  return positions;
}

void DrawSprites(benchmark::State& state, const GUID& kind) {
  DeviceSetup& s = Setup(kind);
  if (s.texture == nullptr) {
    state.SkipWithError("the device or its texture could not be made");
    return;
  }
  const std::vector<POINT> positions = Positions(int(state.range(0)));
  CTSGraphics* device = s.device;
  for (auto _ : state) {
    device->BeginScene();
    device->Clear(CTSColor(0));
    for (const POINT& p : positions)
      device->DrawSprite(s.texture, p.x, p.y, 0, 0, kSprite, kSprite, BLEND_ALPHA, FLIP_NONE,
                         CTSColor(kColor));
    device->EndScene();
    benchmark::DoNotOptimize(device->GetRenderTarget()->GetPixel(kWidth / 2, kHeight / 2));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));  // sprites
}

void BM_SpritesSoftware(benchmark::State& state) { DrawSprites(state, TS_GUID_GDI_GRAPHICS); }
BENCHMARK(BM_SpritesSoftware)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SpritesD3D8(benchmark::State& state) { DrawSprites(state, TS_GUID_D3D8_GRAPHICS); }
BENCHMARK(BM_SpritesD3D8)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
