#include "tests/graphics/d3d8/RecordingDirect3D.h"

#include <cstring>

#include "platform/Platform.h"

namespace {

struct Settings {
  std::vector<RecordedCall> calls;
  bool replaceCaps = false;
  DWORD textureCaps = 0;
  int notReset = 0;
  bool refuse = false;
};

Settings& State() {
  static Settings settings;
  return settings;
}

// How many vertices a draw of count primitives reads.
size_t VertexCount(D3DPRIMITIVETYPE type, UINT count) {
  switch (type) {
    case D3DPT_POINTLIST:
      return count;
    case D3DPT_LINELIST:
      return size_t(count) * 2;
    case D3DPT_LINESTRIP:
      return size_t(count) + 1;
    case D3DPT_TRIANGLELIST:
      return size_t(count) * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
      return size_t(count) + 2;
  }
  return 0;
}

class RecordingDevice final : public IDirect3DDevice8 {
 public:
  explicit RecordingDevice(IDirect3DDevice8* real) : m_real(real) {}

  ULONG AddRef() override { return ++m_uses; }
  ULONG Release() override {
    if (--m_uses != 0) return m_uses;
    m_real->Release();
    delete this;
    return 0;
  }
  HRESULT TestCooperativeLevel() override {
    if (State().notReset > 0) {
      --State().notReset;
      return D3DERR_DEVICENOTRESET;
    }
    return m_real->TestCooperativeLevel();
  }
  HRESULT GetDeviceCaps(D3DCAPS8* caps) override {
    HRESULT result = m_real->GetDeviceCaps(caps);
    if (SUCCEEDED(result) && State().replaceCaps) caps->TextureCaps = State().textureCaps;
    return result;
  }
  HRESULT Reset(D3DPRESENT_PARAMETERS* params) override {
    RecordedCall call{RecordedCall::kReset};
    call.params = *params;
    State().calls.push_back(call);
    return m_real->Reset(params);
  }
  HRESULT Present(const RECT* source, const RECT* dest, HWND window, const RGNDATA* region) override {
    return m_real->Present(source, dest, window, region);
  }
  HRESULT GetRenderTarget(IDirect3DSurface8** target) override { return m_real->GetRenderTarget(target); }
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture8** texture) override {
    return m_real->CreateTexture(width, height, levels, usage, format, pool, texture);
  }
  HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                             BOOL lockable, IDirect3DSurface8** surface) override {
    return m_real->CreateRenderTarget(width, height, format, multiSample, lockable, surface);
  }
  HRESULT BeginScene() override { return m_real->BeginScene(); }
  HRESULT EndScene() override { return m_real->EndScene(); }
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                DWORD stencil) override {
    RecordedCall call{RecordedCall::kClear, count, color};
    if (count > 0 && rects != nullptr) call.rect = {rects[0].x1, rects[0].y1, rects[0].x2, rects[0].y2};
    State().calls.push_back(call);
    return m_real->Clear(count, rects, flags, color, z, stencil);
  }
  HRESULT SetViewport(const D3DVIEWPORT8* viewport) override {
    RecordedCall call{RecordedCall::kViewport};
    call.rect = {LONG(viewport->X), LONG(viewport->Y), LONG(viewport->X + viewport->Width),
                 LONG(viewport->Y + viewport->Height)};
    State().calls.push_back(call);
    return m_real->SetViewport(viewport);
  }
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
    State().calls.push_back(RecordedCall{RecordedCall::kRenderState, DWORD(state), value});
    return m_real->SetRenderState(state, value);
  }
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override {
    RecordedCall call{RecordedCall::kSetTexture, stage};
    call.texture = texture;
    State().calls.push_back(call);
    return m_real->SetTexture(stage, texture);
  }
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
    State().calls.push_back(RecordedCall{RecordedCall::kStageState, stage, DWORD(type), value});
    return m_real->SetTextureStageState(stage, type, value);
  }
  HRESULT SetVertexShader(DWORD handle) override {
    State().calls.push_back(RecordedCall{RecordedCall::kVertexShader, handle});
    return m_real->SetVertexShader(handle);
  }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) override {
    RecordedCall call{RecordedCall::kDraw, DWORD(type), count, stride};
    const auto* bytes = static_cast<const uint8_t*>(data);
    call.vertices.assign(bytes, bytes + VertexCount(type, count) * stride);
    State().calls.push_back(std::move(call));
    return m_real->DrawPrimitiveUP(type, count, data, stride);
  }

 private:
  ~RecordingDevice() = default;

  IDirect3DDevice8* m_real;
  ULONG m_uses = 1;
};

class RecordingD3D final : public IDirect3D8 {
 public:
  explicit RecordingD3D(IDirect3D8* real) : m_real(real) {}

  ULONG AddRef() override { return ++m_uses; }
  ULONG Release() override {
    if (--m_uses != 0) return m_uses;
    m_real->Release();
    delete this;
    return 0;
  }
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override {
    return m_real->GetAdapterDisplayMode(adapter, mode);
  }
  HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                            D3DRESOURCETYPE resource, D3DFORMAT format) override {
    return m_real->CheckDeviceFormat(adapter, type, adapterFormat, usage, resource, format);
  }
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags, D3DPRESENT_PARAMETERS* params,
                       IDirect3DDevice8** device) override {
    IDirect3DDevice8* real = nullptr;
    HRESULT result = m_real->CreateDevice(adapter, type, focus, flags, params, &real);
    *device = SUCCEEDED(result) ? new RecordingDevice(real) : nullptr;
    return result;
  }

 private:
  ~RecordingD3D() = default;

  IDirect3D8* m_real;
  ULONG m_uses = 1;
};

IDirect3D8* RecordingDirect3DCreate8(UINT sdkVersion) {
  if (State().refuse) return nullptr;
  IDirect3D8* real = Direct3DCreate8(sdkVersion);
  return real != nullptr ? new RecordingD3D(real) : nullptr;
}

}  // namespace

float VertexFloat(const RecordedCall& draw, size_t i, size_t offset) {
  float value = 0;
  std::memcpy(&value, draw.vertices.data() + i * draw.c + offset, sizeof(value));
  return value;
}

DWORD VertexColor(const RecordedCall& draw, size_t i) {
  DWORD value = 0;
  std::memcpy(&value, draw.vertices.data() + i * draw.c + 16, sizeof(value));
  return value;
}

namespace RecordingDirect3D {

void Install() {
  Platform::SetModuleExport(
      "d3d8.dll", "Direct3DCreate8",
      reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RecordingDirect3DCreate8)));
}

void Uninstall() { Platform::SetModuleExport("d3d8.dll", "Direct3DCreate8", nullptr); }

std::vector<RecordedCall>& Calls() { return State().calls; }
void ClearCalls() { State().calls.clear(); }

std::vector<RecordedCall> CallsOf(RecordedCall::Kind kind) {
  std::vector<RecordedCall> matching;
  for (const RecordedCall& call : State().calls)
    if (call.kind == kind) matching.push_back(call);
  return matching;
}

void ReportTextureCaps(bool enabled, DWORD textureCaps) {
  State().replaceCaps = enabled;
  State().textureCaps = textureCaps;
}

void ReportDeviceNotReset(int times) { State().notReset = times; }
void RefuseCreation(bool refuse) { State().refuse = refuse; }

}  // namespace RecordingDirect3D
