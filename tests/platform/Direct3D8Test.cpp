// The built-in "d3d8.dll" on SDL's OpenGL renderer, headless. What is drawn
// is read back through the back buffer and compared with references worked
// out here from Direct3D's formulas. GPU rounding: colours may differ by
// kTolerance per channel.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "platform/Platform.h"
#include "platform/sdl/WindowImpl.h"
#include "tests/common/TestEvents.h"
#include "tests/platform/RecordingWindow.h"

namespace {

constexpr DWORD kSpriteFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kColouredFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
constexpr UINT kWidth = 64;
constexpr UINT kHeight = 48;
constexpr int kTolerance = 1;

struct SpriteVertex {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};
struct ColouredVertex {
  float x, y, z, rhw;
  D3DCOLOR color;
};
static_assert(sizeof(SpriteVertex) == 28 && sizeof(ColouredVertex) == 20);

// One COM reference, released at the end of its scope.
template <class T>
class Com {
 public:
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() { Reset(); }
  T* get() const { return m_pointer; }
  T* operator->() const { return m_pointer; }
  T** out() {
    Reset();
    return &m_pointer;
  }
  T* release() { return std::exchange(m_pointer, nullptr); }
  void Reset() {
    if (m_pointer != nullptr) std::exchange(m_pointer, nullptr)->Release();
  }

 private:
  T* m_pointer = nullptr;
};

int Channel(DWORD color, int shift) { return static_cast<int>((color >> shift) & 0xFF); }

// Every channel of actual within the tolerance of expected.
::testing::AssertionResult Near(DWORD actual, DWORD expected, int x, int y) {
  for (int shift = 0; shift < 32; shift += 8) {
    if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > kTolerance) {
      char text[64];
      std::snprintf(text, sizeof text, "at %d,%d: 0x%08X instead of 0x%08X", x, y, actual, expected);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

DWORD Pack(double a, double r, double g, double b) {
  auto byte = [](double v) { return static_cast<DWORD>(std::lround(std::clamp(v, 0.0, 255.0))); };
  return (byte(a) << 24) | (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

D3DPRESENT_PARAMETERS Parameters(HWND window, UINT width, UINT height, BOOL windowed) {
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = width;
  parameters.BackBufferHeight = height;
  parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
  parameters.BackBufferCount = 1;
  parameters.SwapEffect = D3DSWAPEFFECT_COPY;
  parameters.hDeviceWindow = window;
  parameters.Windowed = windowed;
  parameters.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
  return parameters;
}

LPDIRECT3DCREATE8 CreateFunction(HMODULE module) {
  return reinterpret_cast<LPDIRECT3DCREATE8>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "Direct3DCreate8")));
}

// The whole of a lockable surface, row by row, as 0xAARRGGBB.
std::vector<DWORD> ReadSurface(IDirect3DSurface8* surface) {
  D3DSURFACE_DESC desc;
  D3DLOCKED_RECT locked;
  std::vector<DWORD> pixels;
  if (surface->GetDesc(&desc) != D3D_OK || surface->LockRect(&locked, nullptr, D3DLOCK_READONLY) != D3D_OK)
    return pixels;
  for (UINT y = 0; y < desc.Height; ++y) {
    const auto* row =
        reinterpret_cast<const DWORD*>(static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch);
    pixels.insert(pixels.end(), row, row + desc.Width);
  }
  surface->UnlockRect();
  return pixels;
}

void WriteSurface(IDirect3DSurface8* surface, const std::vector<DWORD>& pixels) {
  D3DSURFACE_DESC desc;
  D3DLOCKED_RECT locked;
  ASSERT_EQ(surface->GetDesc(&desc), D3D_OK);
  ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
  for (UINT y = 0; y < desc.Height; ++y)
    std::copy_n(&pixels[y * desc.Width], desc.Width,
                reinterpret_cast<DWORD*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch));
  ASSERT_EQ(surface->UnlockRect(), D3D_OK);
}

// What reached the window: the default target of its renderer.
std::vector<DWORD> ReadWindow(HWND window, int& width, int& height) {
  SDL_Renderer* renderer = SDL_GetRenderer(Platform::GetSdlWindow(window));
  SDL_Texture* target = SDL_GetRenderTarget(renderer);
  SDL_SetRenderTarget(renderer, nullptr);
  SDL_GetRendererOutputSize(renderer, &width, &height);
  std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
  SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(), width * 4);
  SDL_SetRenderTarget(renderer, target);
  return pixels;
}

class Direct3D8Test : public testing::Test {
 protected:
  void SetUp() override {
    m_module = LoadLibraryA("d3d8.dll");
    LPDIRECT3DCREATE8 create = CreateFunction(m_module);
    ASSERT_NE(create, nullptr);
    *m_direct3D.out() = create(D3D_SDK_VERSION);
    ASSERT_NE(m_direct3D.get(), nullptr);
    D3DPRESENT_PARAMETERS parameters = Parameters(m_window.Handle(), kWidth, kHeight, TRUE);
    ASSERT_EQ(m_direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_window.Handle(),
                                       D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, m_device.out()),
              D3D_OK);
    ASSERT_EQ(m_device->GetRenderTarget(m_backBuffer.out()), D3D_OK);
  }

  void TearDown() override {
    m_backBuffer.Reset();
    m_device.Reset();
    m_direct3D.Reset();
    FreeLibrary(m_module);
  }

  std::vector<DWORD> RandomPixels(size_t count, bool opaque) {
    std::vector<DWORD> pixels(count);
    for (DWORD& pixel : pixels) pixel = static_cast<DWORD>(m_random()) | (opaque ? 0xFF000000 : 0);
    return pixels;
  }

  // A managed texture holding the given texels (32- or 16-bit, per format).
  template <class Texel>
  IDirect3DTexture8* MakeTexture(UINT width, UINT height, D3DFORMAT format,
                                 const std::vector<Texel>& texels) {
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(m_device->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, &texture), D3D_OK);
    if (texture == nullptr) return nullptr;
    D3DLOCKED_RECT locked;
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < height; ++y)
      std::copy_n(&texels[y * width], width,
                  reinterpret_cast<Texel*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch));
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    return texture;
  }

  void SetBlend(bool enable, DWORD source = D3DBLEND_ONE, DWORD dest = D3DBLEND_ZERO,
                DWORD operation = D3DBLENDOP_ADD) {
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, enable);
    m_device->SetRenderState(D3DRS_SRCBLEND, source);
    m_device->SetRenderState(D3DRS_DESTBLEND, dest);
    m_device->SetRenderState(D3DRS_BLENDOP, operation);
  }

  void SetFilter(DWORD filter) {
    m_device->SetTextureStageState(0, D3DTSS_MINFILTER, filter);
    m_device->SetTextureStageState(0, D3DTSS_MAGFILTER, filter);
  }

  // A textured quad over [x0, x1) x [y0, y1) showing the whole texture.
  HRESULT DrawSprite(float x0, float y0, float x1, float y1, D3DCOLOR color) {
    SpriteVertex strip[4] = {{x0, y0, 0, 1, color, 0, 0},
                             {x1, y0, 0, 1, color, 1, 0},
                             {x0, y1, 0, 1, color, 0, 1},
                             {x1, y1, 0, 1, color, 1, 1}};
    m_device->SetVertexShader(kSpriteFvf);
    return m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(SpriteVertex));
  }

  HRESULT DrawColoured(D3DPRIMITIVETYPE type, UINT count, const std::vector<ColouredVertex>& vertices) {
    m_device->SetTexture(0, nullptr);
    m_device->SetVertexShader(kColouredFvf);
    return m_device->DrawPrimitiveUP(type, count, vertices.data(), sizeof(ColouredVertex));
  }

  std::vector<DWORD> BackBuffer() { return ReadSurface(m_backBuffer.get()); }

  std::mt19937 m_random{1234};
  RecordingWindow m_window;
  HMODULE m_module = nullptr;
  Com<IDirect3D8> m_direct3D;
  Com<IDirect3DDevice8> m_device;
  Com<IDirect3DSurface8> m_backBuffer;
};

// ---- the Direct3D object ----

TEST_F(Direct3D8Test, AdapterReportsTheDesktopAndTheTextureFormatsItDraws) {
  D3DDISPLAYMODE mode;
  ASSERT_EQ(m_direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
  SDL_DisplayMode desktop;
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
  EXPECT_EQ(mode.Width, static_cast<UINT>(desktop.w));
  EXPECT_EQ(mode.Height, static_cast<UINT>(desktop.h));
  EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(m_direct3D->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, nullptr), D3DERR_INVALIDCALL);

  for (D3DFORMAT format :
       {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5}) {
    EXPECT_EQ(m_direct3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, 0, D3DRTYPE_TEXTURE, format),
              D3D_OK)
        << format;
    // What CheckDeviceFormat allows, CreateTexture makes.
    Com<IDirect3DTexture8> texture;
    EXPECT_EQ(m_device->CreateTexture(3, 5, 1, 0, format, D3DPOOL_MANAGED, texture.out()), D3D_OK) << format;
  }
  EXPECT_EQ(m_direct3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, 0, D3DRTYPE_TEXTURE, D3DFMT_R8G8B8),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(
      m_direct3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, 0, D3DRTYPE_TEXTURE, D3DFMT_UNKNOWN),
      D3DERR_NOTAVAILABLE);
  EXPECT_EQ(m_direct3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, 0, D3DRTYPE_VOLUMETEXTURE,
                                          D3DFMT_A8R8G8B8),
            D3DERR_NOTAVAILABLE);

  EXPECT_EQ(CreateFunction(m_module)(D3D_SDK_VERSION - 1), nullptr);
}

TEST_F(Direct3D8Test, CreateDeviceRefusesBadArguments) {
  RecordingWindow other;
  D3DPRESENT_PARAMETERS parameters = Parameters(other.Handle(), 32, 32, TRUE);
  IDirect3DDevice8* device = reinterpret_cast<IDirect3DDevice8*>(this);
  EXPECT_EQ(m_direct3D->CreateDevice(0, D3DDEVTYPE_HAL, other.Handle(), 0, nullptr, &device),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(m_direct3D->CreateDevice(0, D3DDEVTYPE_HAL, other.Handle(), 0, &parameters, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(m_direct3D->CreateDevice(1, D3DDEVTYPE_HAL, other.Handle(), 0, &parameters, &device),
            D3DERR_INVALIDCALL);
  // Not a window.
  D3DPRESENT_PARAMETERS noWindow = Parameters(reinterpret_cast<HWND>(&parameters), 32, 32, TRUE);
  EXPECT_EQ(m_direct3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &noWindow, &device), D3DERR_INVALIDCALL);
  // The window of this fixture already has its device.
  D3DPRESENT_PARAMETERS taken = Parameters(m_window.Handle(), 32, 32, TRUE);
  EXPECT_NE(m_direct3D->CreateDevice(0, D3DDEVTYPE_HAL, m_window.Handle(), 0, &taken, &device), D3D_OK);
  D3DPRESENT_PARAMETERS badFormat = parameters;
  badFormat.BackBufferFormat = D3DFMT_R8G8B8;
  EXPECT_EQ(m_direct3D->CreateDevice(0, D3DDEVTYPE_HAL, other.Handle(), 0, &badFormat, &device),
            D3DERR_INVALIDCALL);
  D3DPRESENT_PARAMETERS fullScreenWithoutSize = parameters;
  fullScreenWithoutSize.Windowed = FALSE;
  fullScreenWithoutSize.BackBufferWidth = 0;
  EXPECT_EQ(m_direct3D->CreateDevice(0, D3DDEVTYPE_HAL, other.Handle(), 0, &fullScreenWithoutSize, &device),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device, nullptr);
  // After the failures the window still takes a device.
  ASSERT_EQ(m_direct3D->CreateDevice(0, D3DDEVTYPE_HAL, other.Handle(), 0, &parameters, &device), D3D_OK);
  EXPECT_EQ(device->Release(), 0u);
}

TEST_F(Direct3D8Test, CapsLetTexturesBeAnySizeUpToTheRenderersLimit) {
  D3DCAPS8 caps;
  ASSERT_EQ(m_device->GetDeviceCaps(&caps), D3D_OK);
  EXPECT_EQ(caps.TextureCaps & (D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY), 0u);
  SDL_RendererInfo info;
  ASSERT_EQ(SDL_GetRendererInfo(SDL_GetRenderer(Platform::GetSdlWindow(m_window.Handle())), &info), 0);
  EXPECT_STREQ(info.name, "opengl");
  EXPECT_EQ(caps.MaxTextureWidth, static_cast<DWORD>(info.max_texture_width));
  EXPECT_EQ(caps.MaxTextureHeight, static_cast<DWORD>(info.max_texture_height));

  Com<IDirect3DTexture8> texture;
  ASSERT_EQ(m_device->CreateTexture(100, 60, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.out()), D3D_OK);
  D3DSURFACE_DESC desc;
  ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, 100u);
  EXPECT_EQ(desc.Height, 60u);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
  EXPECT_EQ(texture->GetLevelDesc(1, &desc), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->CreateTexture(caps.MaxTextureWidth + 1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                    texture.out()),
            D3DERR_INVALIDCALL);
}

TEST_F(Direct3D8Test, BadArgumentsAreRefused) {
  IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(this);
  EXPECT_EQ(m_device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(texture, nullptr);
  EXPECT_EQ(m_device->CreateTexture(4, 0, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->CreateTexture(4, 4, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->CreateTexture(4, 4, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(
      m_device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr),
            D3DERR_INVALIDCALL);
  IDirect3DSurface8* surface = nullptr;
  EXPECT_EQ(m_device->CreateRenderTarget(0, 4, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, TRUE, &surface),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->CreateRenderTarget(4, 4, D3DFMT_A4R4G4B4, D3DMULTISAMPLE_NONE, TRUE, &surface),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(surface, nullptr);

  ColouredVertex vertices[3] = {};
  EXPECT_EQ(m_device->SetVertexShader(0x2), D3DERR_INVALIDCALL);
  ASSERT_EQ(m_device->SetVertexShader(kColouredFvf), D3D_OK);
  EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, nullptr, sizeof(ColouredVertex)),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, vertices, sizeof(SpriteVertex)),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(7), 1, vertices, sizeof(ColouredVertex)),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 0, vertices, sizeof(ColouredVertex)), D3D_OK);

  D3DVIEWPORT8 outside{kWidth - 4, 0, 5, 4, 0.0f, 1.0f};
  EXPECT_EQ(m_device->SetViewport(&outside), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->SetViewport(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->SetTexture(8, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_MODULATE), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->GetRenderTarget(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->GetDeviceCaps(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->Reset(nullptr), D3DERR_INVALIDCALL);
}

TEST_F(Direct3D8Test, ScenesPair) {
  EXPECT_EQ(m_device->EndScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->BeginScene(), D3D_OK);
  EXPECT_EQ(m_device->BeginScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->EndScene(), D3D_OK);
  EXPECT_EQ(m_device->EndScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);
}

// ---- lifetimes ----

TEST_F(Direct3D8Test, InterfacesGoInAnyReleaseOrder) {
  // Device first, with a texture still bound to it and a render target and
  // the back buffer still held.
  {
    Com<IDirect3DTexture8> texture;
    ASSERT_EQ(m_device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.out()), D3D_OK);
    Com<IDirect3DSurface8> target;
    ASSERT_EQ(m_device->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, TRUE, target.out()),
              D3D_OK);
    ASSERT_EQ(m_device->SetTexture(0, texture.get()), D3D_OK);
    EXPECT_EQ(texture->AddRef(), 3u);  // ours, the binding's, this one
    EXPECT_EQ(texture->Release(), 2u);
    EXPECT_EQ(m_device->AddRef(), 2u);
    EXPECT_EQ(m_device->Release(), 1u);
    m_direct3D.Reset();
    m_device.Reset();
    // The resources still answer.
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(ReadSurface(target.get()).size(), 64u);
    texture.Reset();
    m_backBuffer.Reset();
  }
  // Resources first.
  LPDIRECT3DCREATE8 create = CreateFunction(m_module);
  *m_direct3D.out() = create(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS parameters = Parameters(m_window.Handle(), kWidth, kHeight, TRUE);
  ASSERT_EQ(m_direct3D->CreateDevice(0, D3DDEVTYPE_HAL, m_window.Handle(), 0, &parameters, m_device.out()),
            D3D_OK);
  Com<IDirect3DTexture8> texture;
  ASSERT_EQ(m_device->CreateTexture(8, 8, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, texture.out()), D3D_OK);
  ASSERT_EQ(m_device->SetTexture(0, texture.get()), D3D_OK);
  ASSERT_EQ(m_device->GetRenderTarget(m_backBuffer.out()), D3D_OK);
  EXPECT_EQ(m_backBuffer->AddRef(), 2u);
  EXPECT_EQ(m_backBuffer->Release(), 1u);
  EXPECT_EQ(texture.release()->Release(), 1u);  // the binding keeps it
  EXPECT_EQ(m_device->SetTexture(0, nullptr), D3D_OK);
  EXPECT_EQ(m_backBuffer.release()->Release(), 0u);
  EXPECT_EQ(m_device.release()->Release(), 0u);
  EXPECT_EQ(m_direct3D.release()->Release(), 0u);
}

TEST_F(Direct3D8Test, DestroyingTheWindowFirstLeavesADeviceThatCanBeReleased) {
  RecordingWindow other;
  D3DPRESENT_PARAMETERS parameters = Parameters(other.Handle(), 16, 16, TRUE);
  Com<IDirect3DDevice8> device;
  ASSERT_EQ(m_direct3D->CreateDevice(0, D3DDEVTYPE_HAL, other.Handle(), 0, &parameters, device.out()),
            D3D_OK);
  Com<IDirect3DTexture8> texture;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.out()), D3D_OK);
  ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
  Com<IDirect3DSurface8> backBuffer;
  ASSERT_EQ(device->GetRenderTarget(backBuffer.out()), D3D_OK);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699, 1.0f, 0), D3D_OK);
  ASSERT_TRUE(DestroyWindow(other.Handle()));

  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_NE(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
  EXPECT_NE(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
  // The back buffer keeps its last picture.
  EXPECT_EQ(ReadSurface(backBuffer.get()), std::vector<DWORD>(16 * 16, 0xFF336699));
  device.Reset();
  texture.Reset();
  backBuffer.Reset();
}

// ---- clearing and drawing ----

TEST_F(Direct3D8Test, ClearFillsItsRectanglesWithinTheViewport) {
  std::vector<DWORD> expected(kWidth * kHeight, 0xFF000000);  // a new back buffer is black
  EXPECT_EQ(BackBuffer(), expected);
  D3DRECT rects[] = {{3, 4, 20, 9}, {-10, 30, 5, 100}, {50, 40, 50, 45}};
  ASSERT_EQ(m_device->Clear(3, rects, D3DCLEAR_TARGET, 0x12345678, 1.0f, 0), D3D_OK);
  for (const D3DRECT& rect : rects)
    for (int y = std::max(0, rect.y1); y < std::min<int>(kHeight, rect.y2); ++y)
      for (int x = std::max(0, rect.x1); x < std::min<int>(kWidth, rect.x2); ++x)
        expected[y * kWidth + x] = 0xFF345678;  // alpha reads as 0xFF
  EXPECT_EQ(BackBuffer(), expected);

  D3DVIEWPORT8 viewport{10, 5, 30, 20, 0.0f, 1.0f};
  ASSERT_EQ(m_device->SetViewport(&viewport), D3D_OK);
  ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFABCDEF, 1.0f, 0), D3D_OK);
  D3DRECT wide{0, 0, kWidth, 7};
  ASSERT_EQ(m_device->Clear(1, &wide, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
  for (int y = 5; y < 25; ++y)
    for (int x = 10; x < 40; ++x) expected[y * kWidth + x] = y < 7 ? 0xFF00FF00 : 0xFFABCDEF;
  EXPECT_EQ(BackBuffer(), expected);
}

TEST_F(Direct3D8Test, TexturedQuadsBlendAsTheFormulasSay) {
  struct Blend {
    DWORD source, dest, operation;
  };
  const Blend blends[] = {{D3DBLEND_SRCALPHA, D3DBLEND_ZERO, D3DBLENDOP_ADD},
                          {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD},
                          {D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_ADD},
                          {D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT}};
  constexpr int kSize = 16;
  constexpr int kLeft = 7;
  constexpr int kTop = 5;
  SetFilter(D3DTEXF_POINT);
  for (const Blend& blend : blends) {
    for (int round = 0; round < 4; ++round) {
      std::vector<DWORD> texels = RandomPixels(kSize * kSize, false);
      Com<IDirect3DTexture8> texture;
      *texture.out() = MakeTexture(kSize, kSize, D3DFMT_A8R8G8B8, texels);
      ASSERT_NE(texture.get(), nullptr);
      std::vector<DWORD> background = RandomPixels(kWidth * kHeight, true);
      WriteSurface(m_backBuffer.get(), background);
      D3DCOLOR diffuse = static_cast<DWORD>(m_random());
      SetBlend(true, blend.source, blend.dest, blend.operation);
      ASSERT_EQ(m_device->SetTexture(0, texture.get()), D3D_OK);
      ASSERT_EQ(DrawSprite(kLeft, kTop, kLeft + kSize, kTop + kSize, diffuse), D3D_OK);

      // Colour = texture x diffuse, alpha = texture alpha x diffuse alpha;
      // result = source x alpha (op) dest x factor.
      std::vector<DWORD> expected = background;
      for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
          DWORD texel = texels[y * kSize + x];
          DWORD& pixel = expected[(kTop + y) * kWidth + kLeft + x];
          double alpha = Channel(texel, 24) * Channel(diffuse, 24) / 255.0 / 255.0;
          double destFactor = blend.dest == D3DBLEND_ZERO  ? 0.0
                              : blend.dest == D3DBLEND_ONE ? 1.0
                                                           : 1.0 - alpha;
          double result[3];
          for (int c = 0; c < 3; ++c) {
            int shift = 16 - c * 8;
            double source = Channel(texel, shift) * Channel(diffuse, shift) / 255.0 * alpha;
            double dest = Channel(pixel, shift) * destFactor;
            result[c] = blend.operation == D3DBLENDOP_ADD ? source + dest : dest - source;
          }
          pixel = Pack(255, result[0], result[1], result[2]);
        }
      }
      std::vector<DWORD> actual = BackBuffer();
      for (int y = 0; y < static_cast<int>(kHeight); ++y)
        for (int x = 0; x < static_cast<int>(kWidth); ++x)
          ASSERT_TRUE(Near(actual[y * kWidth + x], expected[y * kWidth + x], x, y))
              << "blend " << blend.source << "/" << blend.dest << "/" << blend.operation;
    }
  }
}

TEST_F(Direct3D8Test, VertexColoursAreInterpolatedAcrossTheQuad) {
  SetBlend(false);
  const D3DCOLOR left = 0xFF10E020;
  const D3DCOLOR right = 0xFFF02080;
  constexpr float kQuadWidth = 32;
  std::vector<ColouredVertex> strip = {
      {0, 0, 0, 1, left}, {kQuadWidth, 0, 0, 1, right}, {0, 8, 0, 1, left}, {kQuadWidth, 8, 0, 1, right}};
  ASSERT_EQ(DrawColoured(D3DPT_TRIANGLESTRIP, 2, strip), D3D_OK);
  std::vector<DWORD> actual = BackBuffer();
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 32; ++x) {
      double t = (x + 0.5) / kQuadWidth;
      auto mix = [&](int shift) { return Channel(left, shift) * (1 - t) + Channel(right, shift) * t; };
      ASSERT_TRUE(Near(actual[y * kWidth + x], Pack(255, mix(16), mix(8), mix(0)), x, y));
    }
  }
  EXPECT_EQ(actual[8 * kWidth], 0xFF000000u);
  EXPECT_EQ(actual[32], 0xFF000000u);
}

TEST_F(Direct3D8Test, FansListsAndStripsCoverTheSamePixels) {
  SetBlend(false);
  const D3DCOLOR colors[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
  // A 10 x 6 rectangle at (x, 4) three ways.
  auto rectangle = [](float x, D3DCOLOR c, D3DPRIMITIVETYPE type) {
    if (type == D3DPT_TRIANGLEFAN)
      return std::vector<ColouredVertex>{
          {x, 4, 0, 1, c}, {x + 10, 4, 0, 1, c}, {x + 10, 10, 0, 1, c}, {x, 10, 0, 1, c}};
    if (type == D3DPT_TRIANGLELIST)
      return std::vector<ColouredVertex>{{x, 4, 0, 1, c},      {x + 10, 4, 0, 1, c},  {x, 10, 0, 1, c},
                                         {x + 10, 4, 0, 1, c}, {x + 10, 10, 0, 1, c}, {x, 10, 0, 1, c}};
    return std::vector<ColouredVertex>{
        {x, 4, 0, 1, c}, {x + 10, 4, 0, 1, c}, {x, 10, 0, 1, c}, {x + 10, 10, 0, 1, c}};
  };
  const D3DPRIMITIVETYPE types[] = {D3DPT_TRIANGLEFAN, D3DPT_TRIANGLELIST, D3DPT_TRIANGLESTRIP};
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(DrawColoured(types[i], 2, rectangle(2.0f + 20 * i, colors[i], types[i])), D3D_OK);
  std::vector<DWORD> actual = BackBuffer();
  for (int y = 0; y < static_cast<int>(kHeight); ++y)
    for (int x = 0; x < static_cast<int>(kWidth); ++x) {
      DWORD expected = 0xFF000000;
      for (int i = 0; i < 3; ++i)
        if (y >= 4 && y < 10 && x >= 2 + 20 * i && x < 12 + 20 * i) expected = colors[i];
      ASSERT_EQ(actual[y * kWidth + x], expected) << x << "," << y;
    }
}

TEST_F(Direct3D8Test, PointAndLinearFilteringSampleAsOpenGlDoes) {
  constexpr int kTexels = 4;
  constexpr int kScale = 4;
  constexpr int kSize = kTexels * kScale;
  std::vector<DWORD> texels = RandomPixels(kTexels * kTexels, true);
  Com<IDirect3DTexture8> texture;
  *texture.out() = MakeTexture(kTexels, kTexels, D3DFMT_A8R8G8B8, texels);
  ASSERT_NE(texture.get(), nullptr);
  SetBlend(false);
  ASSERT_EQ(m_device->SetTexture(0, texture.get()), D3D_OK);
  SetFilter(D3DTEXF_POINT);
  ASSERT_EQ(DrawSprite(0, 0, kSize, kSize, 0xFFFFFFFF), D3D_OK);
  SetFilter(D3DTEXF_LINEAR);
  ASSERT_EQ(DrawSprite(kSize, 0, 2 * kSize, kSize, 0xFFFFFFFF), D3D_OK);

  auto texel = [&](int x, int y, int shift) {
    return Channel(texels[std::clamp(y, 0, kTexels - 1) * kTexels + std::clamp(x, 0, kTexels - 1)], shift);
  };
  std::vector<DWORD> actual = BackBuffer();
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      ASSERT_TRUE(Near(actual[y * kWidth + x], texels[(y / kScale) * kTexels + x / kScale], x, y));
      // Bilinear between the four nearest texel centres, edges clamped.
      double u = (x + 0.5) / kScale - 0.5;
      double v = (y + 0.5) / kScale - 0.5;
      int u0 = static_cast<int>(std::floor(u));
      int v0 = static_cast<int>(std::floor(v));
      double fu = u - u0;
      double fv = v - v0;
      auto sample = [&](int shift) {
        return (texel(u0, v0, shift) * (1 - fu) + texel(u0 + 1, v0, shift) * fu) * (1 - fv) +
               (texel(u0, v0 + 1, shift) * (1 - fu) + texel(u0 + 1, v0 + 1, shift) * fu) * fv;
      };
      ASSERT_TRUE(
          Near(actual[y * kWidth + kSize + x], Pack(255, sample(16), sample(8), sample(0)), kSize + x, y));
    }
  }
}

TEST_F(Direct3D8Test, SixteenBitTexturesUploadAndDraw) {
  constexpr int kSize = 12;
  struct Case {
    D3DFORMAT format;
    int bits[4];  // alpha (or unused), red, green, blue widths, from the top bit down
    bool opaque;
  };
  const Case cases[] = {{D3DFMT_A1R5G5B5, {1, 5, 5, 5}, false},
                        {D3DFMT_A4R4G4B4, {4, 4, 4, 4}, false},
                        {D3DFMT_X1R5G5B5, {1, 5, 5, 5}, true},
                        {D3DFMT_R5G6B5, {0, 5, 6, 5}, true}};
  SetFilter(D3DTEXF_POINT);
  SetBlend(true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD);
  for (const Case& test : cases) {
    std::vector<WORD> texels(kSize * kSize);
    for (WORD& texel : texels) texel = static_cast<WORD>(m_random());
    Com<IDirect3DTexture8> texture;
    *texture.out() = MakeTexture(kSize, kSize, test.format, texels);
    ASSERT_NE(texture.get(), nullptr);
    std::vector<DWORD> background = RandomPixels(kWidth * kHeight, true);
    WriteSurface(m_backBuffer.get(), background);
    ASSERT_EQ(m_device->SetTexture(0, texture.get()), D3D_OK);
    ASSERT_EQ(DrawSprite(0, 0, kSize, kSize, 0xFFFFFFFF), D3D_OK);

    std::vector<DWORD> actual = BackBuffer();
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        // Each field scaled to 0..255; a format without alpha is opaque.
        double channels[4];
        int shift = 16;
        for (int c = 0; c < 4; ++c) {
          int width = test.bits[c];
          shift -= width;
          if (c == 0 && test.opaque) {
            channels[c] = 255;
            continue;
          }
          int field = (texels[y * kSize + x] >> shift) & ((1 << width) - 1);
          channels[c] = field * 255.0 / ((1 << width) - 1);
        }
        double alpha = channels[0] / 255;
        DWORD dest = background[y * kWidth + x];
        DWORD expected = Pack(255, channels[1] * alpha + Channel(dest, 16) * (1 - alpha),
                              channels[2] * alpha + Channel(dest, 8) * (1 - alpha),
                              channels[3] * alpha + Channel(dest, 0) * (1 - alpha));
        ASSERT_TRUE(Near(actual[y * kWidth + x], expected, x, y)) << "format " << test.format;
      }
    }
  }
}

TEST_F(Direct3D8Test, XrgbTexturesDrawOpaqueWhateverTheUnusedByte) {
  std::vector<DWORD> texels = RandomPixels(8 * 8, false);
  for (DWORD& texel : texels) texel &= 0x7FFFFFFF;  // mostly transparent if read as alpha
  Com<IDirect3DTexture8> texture;
  *texture.out() = MakeTexture(8, 8, D3DFMT_X8R8G8B8, texels);
  SetFilter(D3DTEXF_POINT);
  SetBlend(true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD);
  ASSERT_EQ(m_device->SetTexture(0, texture.get()), D3D_OK);
  ASSERT_EQ(DrawSprite(0, 0, 8, 8, 0xFFFFFFFF), D3D_OK);
  std::vector<DWORD> actual = BackBuffer();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      ASSERT_TRUE(Near(actual[y * kWidth + x], texels[y * 8 + x] | 0xFF000000, x, y));
}

TEST_F(Direct3D8Test, LinesLeaveOutTheirLastPixelUnlessAsked) {
  SetBlend(false);
  const D3DCOLOR a = 0xFFFF0000, b = 0xFF00FF00, c = 0xFF0000FF;
  m_device->SetRenderState(D3DRS_LASTPIXEL, FALSE);
  // Horizontal, backwards vertical and diagonal segments of a list.
  ASSERT_EQ(DrawColoured(D3DPT_LINELIST, 3,
                         {{2, 1, 0, 1, a},
                          {9, 1, 0, 1, b},
                          {1, 9, 0, 1, b},
                          {1, 3, 0, 1, a},
                          {4, 4, 0, 1, c},
                          {9, 9, 0, 1, a}}),
            D3D_OK);
  // A strip: each segment in the colour of its first vertex.
  ASSERT_EQ(DrawColoured(D3DPT_LINESTRIP, 2, {{20, 2, 0, 1, a}, {30, 2, 0, 1, b}, {30, 12, 0, 1, c}}),
            D3D_OK);
  m_device->SetRenderState(D3DRS_LASTPIXEL, TRUE);
  ASSERT_EQ(DrawColoured(D3DPT_LINELIST, 1, {{40, 5, 0, 1, c}, {44, 5, 0, 1, a}}), D3D_OK);
  // Points land on the pixel that holds them.
  ASSERT_EQ(DrawColoured(D3DPT_POINTLIST, 2, {{50.7f, 30.2f, 0, 1, a}, {-3, 2, 0, 1, b}}), D3D_OK);

  std::vector<DWORD> expected(kWidth * kHeight, 0xFF000000);
  auto set = [&](int x, int y, D3DCOLOR color) { expected[y * kWidth + x] = color; };
  for (int x = 2; x < 9; ++x) set(x, 1, a);
  for (int y = 9; y > 3; --y) set(1, y, b);
  for (int i = 4; i < 9; ++i) set(i, i, c);
  for (int x = 20; x < 30; ++x) set(x, 2, a);
  for (int y = 2; y < 12; ++y) set(30, y, b);
  for (int x = 40; x <= 44; ++x) set(x, 5, c);
  set(50, 30, a);
  EXPECT_EQ(BackBuffer(), expected);
}

TEST_F(Direct3D8Test, TheViewportClipsEverythingWithoutMovingVertices) {
  std::vector<DWORD> background = RandomPixels(kWidth * kHeight, true);
  WriteSurface(m_backBuffer.get(), background);
  const int left = 10, top = 8, right = 30, bottom = 24;
  D3DVIEWPORT8 viewport{left, top, right - left, bottom - top, 0.0f, 1.0f};
  ASSERT_EQ(m_device->SetViewport(&viewport), D3D_OK);
  auto inside = [&](int x, int y) { return x >= left && x < right && y >= top && y < bottom; };
  SetBlend(false);
  const D3DCOLOR fill = 0xFF204060, mark = 0xFFFFFF00, line = 0xFF00FFFF;
  ASSERT_EQ(DrawColoured(
                D3DPT_TRIANGLESTRIP, 2,
                {{-5, -5, 0, 1, fill}, {100, -5, 0, 1, fill}, {-5, 100, 0, 1, fill}, {100, 100, 0, 1, fill}}),
            D3D_OK);
  ASSERT_EQ(
      DrawColoured(D3DPT_TRIANGLESTRIP, 2,
                   {{12, 10, 0, 1, mark}, {14, 10, 0, 1, mark}, {12, 12, 0, 1, mark}, {14, 12, 0, 1, mark}}),
      D3D_OK);
  ASSERT_EQ(DrawColoured(
                D3DPT_LINELIST, 2,
                {{0, 20, 0, 1, line}, {64, 20, 0, 1, line}, {25, -1e9f, 0, 1, line}, {25, 1e9f, 0, 1, line}}),
            D3D_OK);
  std::vector<ColouredVertex> points;
  for (int i = 0; i < 64; ++i)
    points.push_back({static_cast<float>(i), static_cast<float>(i % 48), 0, 1, mark});
  ASSERT_EQ(DrawColoured(D3DPT_POINTLIST, 64, points), D3D_OK);

  std::vector<DWORD> expected = background;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      DWORD& pixel = expected[y * kWidth + x];
      pixel = fill;
      if (x >= 12 && x < 14 && y >= 10 && y < 12) pixel = mark;
      if (y == 20 || x == 25) pixel = line;
      if (x == y) pixel = mark;
    }
  }
  EXPECT_EQ(BackBuffer(), expected);

  D3DRECT everything{-100, -100, 100, 100};
  ASSERT_EQ(m_device->Clear(1, &everything, D3DCLEAR_TARGET, 0xFF808080, 1.0f, 0), D3D_OK);
  D3DRECT corner{0, 0, 11, 9};
  ASSERT_EQ(m_device->Clear(1, &corner, D3DCLEAR_TARGET, 0xFF111111, 1.0f, 0), D3D_OK);
  for (int y = 0; y < static_cast<int>(kHeight); ++y)
    for (int x = 0; x < static_cast<int>(kWidth); ++x)
      if (inside(x, y)) expected[y * kWidth + x] = x < 11 && y < 9 ? 0xFF111111 : 0xFF808080;
  EXPECT_EQ(BackBuffer(), expected);
}

// ---- locking ----

TEST_F(Direct3D8Test, TextureLocksRoundTripAndUpload) {
  constexpr UINT kSize = 10;
  Com<IDirect3DTexture8> texture;
  ASSERT_EQ(m_device->CreateTexture(kSize, kSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.out()),
            D3D_OK);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_GE(locked.Pitch, static_cast<INT>(kSize * 4));
  std::vector<DWORD> texels = RandomPixels(kSize * kSize, true);
  for (UINT y = 0; y < kSize; ++y)
    std::copy_n(&texels[y * kSize], kSize,
                reinterpret_cast<DWORD*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch));
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
  EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);

  // A sub-rectangle: its first pixel, the texture's pitch; changes upload.
  RECT part{3, 2, 7, 9};
  ASSERT_EQ(texture->LockRect(0, &locked, &part, 0), D3D_OK);
  auto* first = static_cast<DWORD*>(locked.pBits);
  EXPECT_EQ(*first, texels[2 * kSize + 3]);
  EXPECT_EQ(*reinterpret_cast<DWORD*>(static_cast<uint8_t*>(locked.pBits) + 6 * locked.Pitch + 12),
            texels[8 * kSize + 6]);
  first[1] = 0xFF0A0B0C;
  texels[2 * kSize + 4] = 0xFF0A0B0C;
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
  // A read-only lock uploads nothing.
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
  for (RECT bad : {RECT{-1, 0, 2, 2}, RECT{0, 0, 11, 2}, RECT{4, 4, 4, 6}, RECT{5, 5, 3, 7}})
    EXPECT_EQ(texture->LockRect(0, &locked, &bad, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->LockRect(1, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->LockRect(0, nullptr, nullptr, 0), D3DERR_INVALIDCALL);

  SetBlend(false);
  SetFilter(D3DTEXF_POINT);
  ASSERT_EQ(m_device->SetTexture(0, texture.get()), D3D_OK);
  ASSERT_EQ(DrawSprite(0, 0, kSize, kSize, 0xFFFFFFFF), D3D_OK);
  std::vector<DWORD> actual = BackBuffer();
  for (UINT y = 0; y < kSize; ++y)
    for (UINT x = 0; x < kSize; ++x)
      ASSERT_EQ(actual[y * kWidth + x], texels[y * kSize + x]) << x << "," << y;
}

TEST_F(Direct3D8Test, SurfaceLocksReadAndWriteThePixels) {
  Com<IDirect3DSurface8> target;
  ASSERT_EQ(m_device->CreateRenderTarget(20, 10, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, TRUE, target.out()),
            D3D_OK);
  for (IDirect3DSurface8* surface : {m_backBuffer.get(), target.get()}) {
    D3DSURFACE_DESC desc;
    ASSERT_EQ(surface->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    std::vector<DWORD> pixels = RandomPixels(desc.Width * desc.Height, false);
    WriteSurface(surface, pixels);
    for (DWORD& pixel : pixels) pixel |= 0xFF000000;  // X8R8G8B8 reads alpha as 0xFF
    EXPECT_EQ(ReadSurface(surface), pixels);

    // A sub-rectangle lock points at its first pixel and writes back only it.
    RECT part{2, 3, 9, 7};
    D3DLOCKED_RECT locked;
    ASSERT_EQ(surface->LockRect(&locked, &part, 0), D3D_OK);
    EXPECT_EQ(*static_cast<DWORD*>(locked.pBits), pixels[3 * desc.Width + 2]);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 7; ++x) {
        DWORD color = static_cast<DWORD>(m_random()) | 0xFF000000;
        reinterpret_cast<DWORD*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] = color;
        pixels[(3 + y) * desc.Width + 2 + x] = color;
      }
    EXPECT_EQ(surface->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(surface->UnlockRect(), D3D_OK);
    EXPECT_EQ(surface->UnlockRect(), D3DERR_INVALIDCALL);
    EXPECT_EQ(ReadSurface(surface), pixels);
    // A read-only lock writes nothing back.
    ASSERT_EQ(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    static_cast<DWORD*>(locked.pBits)[0] = 0xFF123456;
    ASSERT_EQ(surface->UnlockRect(), D3D_OK);
    EXPECT_EQ(ReadSurface(surface), pixels);
  }
  // Drawing goes to the back buffer, never to the render target.
  std::vector<DWORD> before = ReadSurface(target.get());
  ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
  EXPECT_EQ(ReadSurface(target.get()), before);
  EXPECT_EQ(BackBuffer(), std::vector<DWORD>(kWidth * kHeight, 0xFF00FF00));

  Com<IDirect3DSurface8> unlockable;
  ASSERT_EQ(m_device->CreateRenderTarget(4, 4, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, FALSE, unlockable.out()),
            D3D_OK);
  D3DLOCKED_RECT locked;
  EXPECT_EQ(unlockable->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
}

// ---- presenting and resetting ----

TEST_F(Direct3D8Test, PresentCopiesTheSourceRectangleOntoTheWindowRectangle) {
  ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
  ASSERT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  int width = 0, height = 0;
  std::vector<DWORD> window = ReadWindow(m_window.Handle(), width, height);
  ASSERT_GT(width, 0);
  EXPECT_EQ(window, std::vector<DWORD>(static_cast<size_t>(width) * height, 0xFFFF0000));

  // Green in the back buffer, only a 10 x 6 piece of it presented, 1:1, at
  // (100, 50) of the window; then a 2 x 2 piece stretched to 8 x 8.
  std::vector<DWORD> pixels(kWidth * kHeight, 0xFF00FF00);
  pixels[12 * kWidth + 20] = 0xFF0000FF;
  WriteSurface(m_backBuffer.get(), pixels);
  RECT source{20, 10, 30, 16};
  RECT dest{100, 50, 110, 56};
  ASSERT_EQ(m_device->Present(&source, &dest, m_window.Handle(), nullptr), D3D_OK);
  RECT small{20, 12, 22, 14};
  RECT stretched{200, 100, 208, 108};
  ASSERT_EQ(m_device->Present(&small, &stretched, nullptr, nullptr), D3D_OK);
  window = ReadWindow(m_window.Handle(), width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      DWORD expected = 0xFFFF0000;
      if (x >= 100 && x < 110 && y >= 50 && y < 56) expected = x == 100 && y == 52 ? 0xFF0000FF : 0xFF00FF00;
      if (x >= 200 && x < 208 && y >= 100 && y < 108) expected = x < 204 && y < 104 ? 0xFF0000FF : 0xFF00FF00;
      ASSERT_EQ(window[y * width + x] | 0xFF000000, expected) << x << "," << y;
    }
  }
  RECT outside{60, 0, 70, 10};
  EXPECT_EQ(m_device->Present(&outside, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
  RecordingWindow other;
  EXPECT_EQ(m_device->Present(nullptr, nullptr, other.Handle(), nullptr), D3DERR_INVALIDCALL);
  // Drawing still reaches the back buffer afterwards, within the viewport.
  D3DVIEWPORT8 viewport{0, 0, 4, 4, 0.0f, 1.0f};
  ASSERT_EQ(m_device->SetViewport(&viewport), D3D_OK);
  ReadWindow(m_window.Handle(), width, height);
  ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
  std::vector<DWORD> after = BackBuffer();
  EXPECT_EQ(after[3 * kWidth + 3], 0xFF000000u);
  EXPECT_EQ(after[4 * kWidth + 4], 0xFF00FF00u);
}

TEST_F(Direct3D8Test, ResetMakesANewBackBufferAndIsRefusedWhileTheOldOneIsHeld) {
  D3DPRESENT_PARAMETERS parameters = Parameters(m_window.Handle(), 32, 24, TRUE);
  EXPECT_EQ(m_device->Reset(&parameters), D3DERR_INVALIDCALL);
  // The refused reset left everything working.
  ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
  EXPECT_EQ(BackBuffer(), std::vector<DWORD>(kWidth * kHeight, 0xFF0000FF));
  EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);

  m_backBuffer.Reset();
  SetBlend(true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
  ASSERT_EQ(m_device->Reset(&parameters), D3D_OK);
  ASSERT_EQ(m_device->GetRenderTarget(m_backBuffer.out()), D3D_OK);
  D3DSURFACE_DESC desc;
  ASSERT_EQ(m_backBuffer->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Width, 32u);
  EXPECT_EQ(desc.Height, 24u);
  // The viewport is the whole new buffer; blending is off again.
  D3DVIEWPORT8 oldSize{0, 0, kWidth, kHeight, 0.0f, 1.0f};
  EXPECT_EQ(m_device->SetViewport(&oldSize), D3DERR_INVALIDCALL);
  ASSERT_EQ(DrawColoured(D3DPT_TRIANGLESTRIP, 2,
                         {{0, 0, 0, 1, 0x00FFFFFF},
                          {40, 0, 0, 1, 0x00FFFFFF},
                          {0, 30, 0, 1, 0x00FFFFFF},
                          {40, 30, 0, 1, 0x00FFFFFF}}),
            D3D_OK);
  EXPECT_EQ(ReadSurface(m_backBuffer.get()), std::vector<DWORD>(32 * 24, 0xFFFFFFFF));

  // Windowed with no size: the window's client area.
  m_backBuffer.Reset();
  D3DPRESENT_PARAMETERS clientSized = Parameters(m_window.Handle(), 0, 0, TRUE);
  ASSERT_EQ(m_device->Reset(&clientSized), D3D_OK);
  RECT client;
  ASSERT_TRUE(GetClientRect(m_window.Handle(), &client));
  EXPECT_EQ(clientSized.BackBufferWidth, static_cast<UINT>(client.right));
  EXPECT_EQ(clientSized.BackBufferHeight, static_cast<UINT>(client.bottom));
  ASSERT_EQ(m_device->GetRenderTarget(m_backBuffer.out()), D3D_OK);
  ASSERT_EQ(m_backBuffer->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Width, static_cast<UINT>(client.right));
}

TEST_F(Direct3D8Test, AFullScreenDeviceIsLostWhileMinimisedUntilReset) {
  RecordingWindow other;
  D3DPRESENT_PARAMETERS parameters = Parameters(other.Handle(), 640, 480, FALSE);
  Com<IDirect3DDevice8> device;
  ASSERT_EQ(m_direct3D->CreateDevice(0, D3DDEVTYPE_HAL, other.Handle(), 0, &parameters, device.out()),
            D3D_OK);
  SDL_Window* sdlWindow = Platform::GetSdlWindow(other.Handle());
  EXPECT_NE(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_FULLSCREEN, 0u);
  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);

  SDL_Event minimised = TestEvents::WindowEvent(other.Handle(), SDL_WINDOWEVENT_MINIMIZED);
  SDL_PushEvent(&minimised);
  TestEvents::PumpAll(nullptr);
  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  EXPECT_EQ(device->Reset(&parameters), D3DERR_DEVICELOST);

  SDL_Event restored = TestEvents::WindowEvent(other.Handle(), SDL_WINDOWEVENT_RESTORED);
  SDL_PushEvent(&restored);
  TestEvents::PumpAll(nullptr);
  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  ASSERT_EQ(device->Reset(&parameters), D3D_OK);
  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

  // Back to a window: the full-screen mode ends.
  D3DPRESENT_PARAMETERS windowed = Parameters(other.Handle(), 640, 480, TRUE);
  ASSERT_EQ(device->Reset(&windowed), D3D_OK);
  EXPECT_EQ(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_FULLSCREEN, 0u);
  // Windowed devices are not lost by minimising.
  SDL_PushEvent(&minimised);
  TestEvents::PumpAll(nullptr);
  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
}

// ---- the module ----

int g_wrappedCalls = 0;
IDirect3D8* WrappedCreate(UINT sdkVersion) {
  ++g_wrappedCalls;
  HMODULE module = LoadLibraryA("d3d8.dll");
  // The layer's own function is still reachable through the declaration.
  IDirect3D8* created = Direct3DCreate8(sdkVersion);
  FreeLibrary(module);
  return created;
}

TEST(Direct3D8Module, SetModuleExportReplacesAndRestoresAnExport) {
  HMODULE module = LoadLibraryA("D3D8.DLL");
  ASSERT_NE(module, nullptr);
  LPDIRECT3DCREATE8 own = CreateFunction(module);
  ASSERT_NE(own, nullptr);
  auto wrapped = reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&WrappedCreate));
  ASSERT_TRUE(Platform::SetModuleExport("d3d8.dll", "Direct3DCreate8", wrapped));
  EXPECT_EQ(GetProcAddress(module, "Direct3DCreate8"), wrapped);
  IDirect3D8* direct3D = CreateFunction(module)(D3D_SDK_VERSION);
  ASSERT_NE(direct3D, nullptr);
  EXPECT_EQ(g_wrappedCalls, 1);
  EXPECT_EQ(direct3D->Release(), 0u);

  ASSERT_TRUE(Platform::SetModuleExport("D3D8.dll", "Direct3DCreate8", nullptr));
  EXPECT_EQ(CreateFunction(module), own);
  EXPECT_FALSE(Platform::SetModuleExport("d3d8.dll", "direct3dcreate8", wrapped));
  EXPECT_FALSE(Platform::SetModuleExport("d3d9.dll", "Direct3DCreate8", wrapped));
  EXPECT_FALSE(Platform::SetModuleExport(nullptr, "Direct3DCreate8", wrapped));
  EXPECT_FALSE(Platform::SetModuleExport("d3d8.dll", nullptr, wrapped));
  EXPECT_EQ(CreateFunction(module), own);
  // The other module's export is replaceable the same way.
  HMODULE directDraw = LoadLibraryA("ddraw.dll");
  FARPROC ownDirectDraw = GetProcAddress(directDraw, "DirectDrawCreate");
  ASSERT_TRUE(Platform::SetModuleExport("ddraw.dll", "DirectDrawCreate", wrapped));
  EXPECT_EQ(GetProcAddress(directDraw, "DirectDrawCreate"), wrapped);
  ASSERT_TRUE(Platform::SetModuleExport("ddraw.dll", "DirectDrawCreate", nullptr));
  EXPECT_EQ(GetProcAddress(directDraw, "DirectDrawCreate"), ownDirectDraw);
  EXPECT_TRUE(FreeLibrary(directDraw));
  EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
