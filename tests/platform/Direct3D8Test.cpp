// The built-in "d3d8.dll" on SDL's OpenGL renderer, headless. What is drawn
// is read back through the back buffer and compared with references worked
// out here from Direct3D's formulas. GPU rounding may differ by 1 per channel,
// by 2 where a 16-bit field's widening is rounded as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "platform/Platform.h"
#include "tests/platform/RecordingWindow.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

struct Vertex {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};

// A surface's pixels row by row as 0xAARRGGBB, first written from write if given.
std::vector<DWORD> Read(IDirect3DSurface8* surface, const std::vector<DWORD>* write = nullptr) {
  D3DSURFACE_DESC desc;
  D3DLOCKED_RECT locked;
  std::vector<DWORD> pixels;
  if (surface->GetDesc(&desc) != D3D_OK || surface->LockRect(&locked, nullptr, write ? 0 : D3DLOCK_READONLY))
    return pixels;
  for (UINT y = 0; y < desc.Height; ++y)
    for (UINT x = 0; x < desc.Width; ++x) {
      DWORD& pixel = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x];
      if (write != nullptr) pixel = (*write)[y * desc.Width + x];
      pixels.push_back(pixel);
    }
  surface->UnlockRect();
  return pixels;
}

// Every texture format x every blend the engine uses (and none), random
// texels, diffuse colour and background: colour = texel x diffuse, alpha =
// texel alpha x diffuse alpha; result = source x alpha (op) destination x
// factor. 16-bit fields widen to 0..255; formats without alpha are opaque.
// The viewport cuts the quad's left and bottom; nothing outside it changes.
TEST(Direct3D8, TexturedQuadsBlendAsTheFormulasSayInEveryFormat) {
  RecordingWindow window;
  IDirect3D8* direct3D = Direct3DCreate8(D3D_SDK_VERSION);
  ASSERT_NE(direct3D, nullptr);
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = kWidth;
  parameters.BackBufferHeight = kHeight;
  parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
  parameters.SwapEffect = D3DSWAPEFFECT_COPY;
  parameters.Windowed = TRUE;
  parameters.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
  IDirect3DDevice8* device = nullptr;
  IDirect3DSurface8* backBuffer = nullptr;
  parameters.BackBufferFormat = D3DFMT_R5G6B5;  // refused, leaving the window free for the next device
  EXPECT_EQ(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, window.Handle(), 0, &parameters, &device),
            D3DERR_INVALIDCALL);
  parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
  ASSERT_EQ(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, window.Handle(), 0, &parameters, &device), D3D_OK);
  ASSERT_EQ(device->GetRenderTarget(&backBuffer), D3D_OK);
  std::mt19937 random(1234);
  const struct {
    D3DFORMAT format;
    int bits[4];  // alpha, red, green, blue widths from the top bit down
    bool opaque;
  } kFormats[] = {{D3DFMT_A8R8G8B8, {8, 8, 8, 8}, false}, {D3DFMT_X8R8G8B8, {8, 8, 8, 8}, true},
                  {D3DFMT_A1R5G5B5, {1, 5, 5, 5}, false}, {D3DFMT_A4R4G4B4, {4, 4, 4, 4}, false},
                  {D3DFMT_X1R5G5B5, {1, 5, 5, 5}, true},  {D3DFMT_R5G6B5, {0, 5, 6, 5}, true}};
  // The engine's four blends: source times its alpha, and destination times
  // these, added (subtracted from it for the fourth); a fifth with blending off.
  const DWORD kDestination[] = {D3DBLEND_ZERO, D3DBLEND_INVSRCALPHA, D3DBLEND_ONE, D3DBLEND_ONE,
                                D3DBLEND_ZERO};
  constexpr int kSize = 12, kLeft = 7, kTop = 5;
  const D3DVIEWPORT8 viewport{10, 0, kWidth - 10, 14, 0.0f, 1.0f};
  ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
  device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
  device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  for (const auto& format : kFormats)
    for (int mode = 0; mode < 5; ++mode) {
      const int bytes = format.bits[1] == 8 ? 4 : 2;
      IDirect3DTexture8* texture = nullptr;
      ASSERT_EQ(device->CreateTexture(kSize, kSize, 1, 0, format.format, D3DPOOL_MANAGED, &texture), D3D_OK);
      D3DLOCKED_RECT locked;
      ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
      std::vector<DWORD> texels(kSize * kSize);
      for (int i = 0; i < kSize * kSize; ++i) {
        texels[i] = DWORD(random()) >> (32 - 8 * bytes);
        std::memcpy(static_cast<BYTE*>(locked.pBits) + (i / kSize) * locked.Pitch + (i % kSize) * bytes,
                    &texels[i], bytes);
      }
      ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
      std::vector<DWORD> background(kWidth * kHeight);
      for (DWORD& pixel : background) pixel = DWORD(random()) | 0xFF000000u;
      Read(backBuffer, &background);
      const D3DCOLOR diffuse = DWORD(random());
      device->SetRenderState(D3DRS_ALPHABLENDENABLE, mode != 4);
      device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      device->SetRenderState(D3DRS_DESTBLEND, kDestination[mode]);
      device->SetRenderState(D3DRS_BLENDOP, mode == 3 ? D3DBLENDOP_REVSUBTRACT : D3DBLENDOP_ADD);
      device->SetTexture(0, texture);
      // Pixel centres lie on whole coordinates: the quad's edges are half a pixel off them.
      const float l = kLeft - 0.5f, t = kTop - 0.5f, r = l + kSize, b = t + kSize;
      Vertex strip[4];
      for (int i = 0; i < 4; ++i)
        strip[i] = {i & 1 ? r : l, i & 2 ? b : t, 0, 1, diffuse, float(i & 1), float(i >> 1)};
      // A stride other than the vertex format's size is refused, and draws nothing.
      ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(Vertex) + 4),
                D3DERR_INVALIDCALL);
      ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(Vertex)), D3D_OK);
      device->SetTexture(0, nullptr);
      texture->Release();

      const std::vector<DWORD> actual = Read(backBuffer);
      ASSERT_EQ(actual.size(), background.size());
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
          const DWORD dest = background[y * kWidth + x], got = actual[y * kWidth + x];
          const bool inside = x >= 10 && x < kLeft + kSize && y >= kTop && y < 14;
          const DWORD texel = inside ? texels[(y - kTop) * kSize + x - kLeft] : 0;
          double channel[4];  // the texel's, 0..255
          for (int c = 0, shift = 8 * bytes; c < 4; ++c) {
            shift -= format.bits[c];
            const int top = (1 << format.bits[c]) - 1;
            channel[c] = c == 0 && format.opaque ? 255 : ((texel >> shift) & top) * 255.0 / top;
          }
          const double alpha = channel[0] * (diffuse >> 24) / 255 / 255;
          const double factor[] = {0, 1 - alpha, 1, 1, 0};  // of the destination, per blend
          for (int c = 1; c < 4; ++c) {
            const int shift = 24 - 8 * c;
            const double d = (dest >> shift) & 0xFF, s = channel[c] * ((diffuse >> shift) & 0xFF) / 255;
            double expected = mode == 4 ? s : d * factor[mode] + s * alpha;
            if (mode == 3) expected = d - s * alpha;
            ASSERT_NEAR((got >> shift) & 0xFF, std::round(inside ? std::clamp(expected, 0.0, 255.0) : d),
                        6 - bytes)
                << "format " << format.format << " blend " << mode << " at " << x << "," << y;
          }
        }
    }
  backBuffer->Release();
  EXPECT_EQ(device->Release(), 0u);
  EXPECT_EQ(direct3D->Release(), 0u);
}

}  // namespace
