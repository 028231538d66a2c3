// The Direct3D 8 device over the layer's Direct3D, through the recording
// double: the state it sets and the vertices it draws, checked against the
// rules written out here, and the pixels that reach its back buffer.
#include <cmath>
#include <random>
#include <utility>

#include "engine/graphics/software/TSGDITexture.h"
#include "engine/image/TSImage.h"
#include "tests/common/AllocationCounter.h"
#include "tests/graphics/d3d8/D3D8Fixture.h"

namespace {

using Kind = RecordedCall::Kind;

// The fixed states, in the order the device must set them.
const std::vector<std::pair<DWORD, DWORD>> kDefaultRenderStates = {
    {D3DRS_LIGHTING, 0},
    {D3DRS_ZENABLE, 0},
    {D3DRS_ALPHABLENDENABLE, 1},
    {D3DRS_ALPHATESTENABLE, 0},
    {D3DRS_ZWRITEENABLE, 0},
    {D3DRS_LASTPIXEL, 0},
    {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_CULLMODE, D3DCULL_NONE},
    {D3DRS_STENCILENABLE, 0},
    {D3DRS_COLORVERTEX, 0},
    {D3DRS_LOCALVIEWER, 0},
    {D3DRS_CLIPPING, 1},
    {D3DRS_CLIPPLANEENABLE, 0},
    {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
    {D3DRS_INDEXEDVERTEXBLENDENABLE, 0},
    {D3DRS_FOGENABLE, 0},
    {D3DRS_AMBIENT, 0},
    {D3DRS_DITHERENABLE, 0},
    {D3DRS_DEBUGMONITORTOKEN, D3DDMT_DISABLE},
};
const std::vector<std::pair<DWORD, DWORD>> kDefaultStageStates = {
    {D3DTSS_COLOROP, D3DTOP_MODULATE},  {D3DTSS_COLORARG1, D3DTA_TEXTURE},
    {D3DTSS_COLORARG2, D3DTA_DIFFUSE},  {D3DTSS_ALPHAOP, D3DTOP_MODULATE},
    {D3DTSS_ALPHAARG1, D3DTA_TEXTURE},  {D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
    {D3DTSS_TEXCOORDINDEX, 0},          {D3DTSS_MINFILTER, D3DTEXF_LINEAR},
    {D3DTSS_MAGFILTER, D3DTEXF_LINEAR}, {D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE},
};

// The state calls from index first on, as (kind, state, value), render and
// stage states in the order they were made.
std::vector<std::tuple<int, DWORD, DWORD>> StateCalls(size_t first) {
  std::vector<std::tuple<int, DWORD, DWORD>> states;
  const auto& calls = RecordingDirect3D::Calls();
  for (size_t i = first; i < calls.size(); ++i) {
    if (calls[i].kind == Kind::kRenderState) states.emplace_back(0, calls[i].a, calls[i].b);
    if (calls[i].kind == Kind::kStageState) states.emplace_back(1, calls[i].b, calls[i].c);
  }
  return states;
}

std::vector<std::tuple<int, DWORD, DWORD>> DefaultStates() {
  std::vector<std::tuple<int, DWORD, DWORD>> states;
  for (auto [state, value] : kDefaultRenderStates) states.emplace_back(0, state, value);
  for (auto [state, value] : kDefaultStageStates) states.emplace_back(1, state, value);
  return states;
}

size_t IndexOf(Kind kind) {
  const auto& calls = RecordingDirect3D::Calls();
  for (size_t i = 0; i < calls.size(); ++i)
    if (calls[i].kind == kind) return i;
  return calls.size();
}

int CountRenderState(DWORD state) {
  int count = 0;
  for (const RecordedCall& call : RecordingDirect3D::CallsOf(Kind::kRenderState)) count += call.a == state;
  return count;
}

int CountStageState(DWORD type) {
  int count = 0;
  for (const RecordedCall& call : RecordingDirect3D::CallsOf(Kind::kStageState)) count += call.b == type;
  return count;
}

// Sprite vertex fields.
float X(const RecordedCall& d, size_t i) { return VertexFloat(d, i, 0); }
float Y(const RecordedCall& d, size_t i) { return VertexFloat(d, i, 4); }
float U(const RecordedCall& d, size_t i) { return VertexFloat(d, i, 20); }
float V(const RecordedCall& d, size_t i) { return VertexFloat(d, i, 24); }

DWORD RandomOpaque(std::mt19937& random) { return 0xFF000000u | (random() & 0x00FFFFFF); }

class D3D8GraphicsTest : public D3D8Fixture {};

TEST_F(D3D8GraphicsTest, CreateAppliesTheFixedStatesInOrderAndClearsToBlack) {
  ASSERT_TRUE(CreateDevice(160, 120));
  EXPECT_EQ(StateCalls(0), DefaultStates());
  auto clears = RecordingDirect3D::CallsOf(Kind::kClear);
  ASSERT_EQ(clears.size(), 1u);
  EXPECT_EQ(clears[0].b, 0u);
  EXPECT_EQ(clears[0].rect.right, 160);
  EXPECT_EQ(clears[0].rect.bottom, 120);
  auto viewports = RecordingDirect3D::CallsOf(Kind::kViewport);
  ASSERT_FALSE(viewports.empty());
  EXPECT_EQ(viewports.back().rect.right, 160);
  EXPECT_LT(IndexOf(Kind::kViewport), IndexOf(Kind::kRenderState));
  EXPECT_EQ(BackPixel(17, 33), 0xFF000000u);
  EXPECT_EQ(m_device->GetWindow(), m_window);
  EXPECT_EQ(m_device->GetRenderTarget()->GetFormat(), TARGET_FORMAT_X8R8G8B8);
  EXPECT_TRUE(m_device->IsCreated());
  EXPECT_TRUE(m_device->Create(m_window, 10, 10, false, true));  // already created: nothing changes
  EXPECT_EQ(m_device->GetWidth(), 160);
}

TEST_F(D3D8GraphicsTest, CreateWithNoSizeTakesTheClientAreaAndFailsWithoutDirect3D) {
  RECT client;
  ASSERT_TRUE(GetClientRect(m_window, &client));
  ASSERT_GT(client.right, 0);
  ASSERT_TRUE(CreateDevice(0, 0));
  EXPECT_EQ(m_device->GetWidth(), client.right);
  EXPECT_EQ(m_device->GetHeight(), client.bottom);
  EXPECT_EQ(m_device->GetRenderTarget()->GetWidth(), client.right);
  m_device->DestroyDevice();
  EXPECT_FALSE(m_device->IsCreated());
  EXPECT_EQ(m_device->GetRenderTarget(), nullptr);
  RecordingDirect3D::RefuseCreation(true);
  EXPECT_FALSE(m_device->Create(m_window, 64, 64, false, false));
  EXPECT_EQ(
      CTSGraphicsManager::Instance().CreateDevice(TS_GUID_D3D8_GRAPHICS, m_window, 64, 64, false, false),
      nullptr);
  RecordingDirect3D::RefuseCreation(false);
  EXPECT_FALSE(m_device->Create(nullptr, 64, 64, false, false));
  EXPECT_TRUE(m_device->Create(m_window, 64, 48, false, false));  // usable again after DestroyDevice
  EXPECT_EQ(m_device->GetWidth(), 64);
}

TEST_F(D3D8GraphicsTest, ALostDeviceIsResetByClearAndGetsItsStatesBack) {
  ASSERT_TRUE(CreateDevice(160, 120));
  std::mt19937 random(7);
  CTSUsePtr<CTSD3D8Texture> texture(MakeTexture(8, 8, 0, 0, [&](int, int) { return RandomOpaque(random); }));
  ASSERT_TRUE(texture);
  m_device->DrawSprite(texture.Get(), 0, 0, 0, 0, 8, 8, BLEND_ALPHA, FLIP_NONE, CTSColor(0xFFFFFFFF));
  RecordingDirect3D::ClearCalls();
  m_device->Clear(CTSColor(0xFF00FF00));  // not lost: no reset
  EXPECT_TRUE(RecordingDirect3D::CallsOf(Kind::kReset).empty());

  RecordingDirect3D::ReportDeviceNotReset(1);
  RecordingDirect3D::ClearCalls();
  m_device->Clear(CTSColor(0xFF123456));
  auto resets = RecordingDirect3D::CallsOf(Kind::kReset);
  ASSERT_EQ(resets.size(), 1u);
  EXPECT_EQ(resets[0].params.BackBufferWidth, 160u);
  EXPECT_EQ(resets[0].params.BackBufferHeight, 120u);
  EXPECT_TRUE(resets[0].params.Windowed);
  EXPECT_EQ(resets[0].params.SwapEffect, D3DSWAPEFFECT_COPY);
  EXPECT_EQ(resets[0].params.Flags, DWORD(D3DPRESENTFLAG_LOCKABLE_BACKBUFFER));
  EXPECT_EQ(resets[0].params.hDeviceWindow, m_window);
  EXPECT_EQ(StateCalls(IndexOf(Kind::kReset)), DefaultStates());
  EXPECT_LT(IndexOf(Kind::kReset), IndexOf(Kind::kClear));
  EXPECT_EQ(BackPixel(100, 100), 0xFF123456u);

  // The caches were emptied: the next draw sets texture, blend and filter again.
  RecordingDirect3D::ClearCalls();
  m_device->DrawSprite(texture.Get(), 0, 0, 0, 0, 8, 8, BLEND_ALPHA, FLIP_NONE, CTSColor(0xFFFFFFFF));
  EXPECT_EQ(RecordingDirect3D::CallsOf(Kind::kSetTexture).size(), 1u);
  EXPECT_EQ(CountRenderState(D3DRS_SRCBLEND), 1);
  EXPECT_EQ(CountStageState(D3DTSS_MINFILTER), 1);
  EXPECT_EQ(BackPixel(3, 4), texture->GetPixel(3, 4).GetARGB());
}

TEST_F(D3D8GraphicsTest, TheCachesSkipRedundantStateAndModesMapToBlendFactors) {
  ASSERT_TRUE(CreateDevice());
  CTSUsePtr<CTSD3D8Texture> nearest(MakeTexture(8, 8, 0, 0, [](int, int) { return 0xFF808080u; }));
  CTSUsePtr<CTSD3D8Texture> bilinear(MakeTexture(8, 8, 0, 1, [](int, int) { return 0xFF808080u; }));
  ASSERT_TRUE(nearest && bilinear);
  RecordingDirect3D::ClearCalls();
  m_device->DrawSprite(nearest.Get(), 0, 0, 0, 0, 8, 8, BLEND_ALPHA, FLIP_NONE, CTSColor(0xFFFFFFFF));
  m_device->DrawSprite(nearest.Get(), 10, 0, 0, 0, 8, 8, BLEND_ALPHA, FLIP_NONE, CTSColor(0x80FFFFFF));
  auto textures = RecordingDirect3D::CallsOf(Kind::kSetTexture);
  ASSERT_EQ(textures.size(), 1u);
  EXPECT_EQ(textures[0].texture, static_cast<IDirect3DBaseTexture8*>(nearest->GetD3DTexture()));
  EXPECT_EQ(RecordingDirect3D::CallsOf(Kind::kDraw).size(), 2u);
  using State = std::tuple<int, DWORD, DWORD>;
  EXPECT_EQ(StateCalls(0), (std::vector<State>{{0, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
                                               {0, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
                                               {0, D3DRS_BLENDOP, D3DBLENDOP_ADD},
                                               {1, D3DTSS_MINFILTER, D3DTEXF_POINT},
                                               {1, D3DTSS_MAGFILTER, D3DTEXF_POINT}}));

  const struct {
    BlendMode mode;
    DWORD destination;
    DWORD operation;
  } kModes[] = {{BLEND_ADD, D3DBLEND_ONE, D3DBLENDOP_ADD},
                {BLEND_SUB, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT},
                {BLEND_NORMAL, D3DBLEND_ZERO, D3DBLENDOP_ADD}};
  for (const auto& expected : kModes) {
    RecordingDirect3D::ClearCalls();
    m_device->DrawSprite(nearest.Get(), 0, 0, 0, 0, 8, 8, expected.mode, FLIP_NONE, CTSColor(0xFFFFFFFF));
    EXPECT_EQ(StateCalls(0), (std::vector<State>{{0, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
                                                 {0, D3DRS_DESTBLEND, expected.destination},
                                                 {0, D3DRS_BLENDOP, expected.operation}}))
        << "mode " << expected.mode;
  }

  // A mode outside 0 to 3 keeps the blend state but forgets the cached mode.
  RecordingDirect3D::ClearCalls();
  m_device->DrawSprite(nearest.Get(), 0, 0, 0, 0, 8, 8, 7, FLIP_NONE, CTSColor(0xFFFFFFFF));
  EXPECT_TRUE(StateCalls(0).empty());
  EXPECT_EQ(RecordingDirect3D::CallsOf(Kind::kDraw).size(), 1u);
  m_device->DrawSprite(nearest.Get(), 0, 0, 0, 0, 8, 8, BLEND_NORMAL, FLIP_NONE, CTSColor(0xFFFFFFFF));
  EXPECT_EQ(CountRenderState(D3DRS_SRCBLEND), 1);

  // Another texture with another filter: both change once; EndScene unbinds.
  RecordingDirect3D::ClearCalls();
  m_device->DrawSprite(bilinear.Get(), 0, 0, 0, 0, 8, 8, BLEND_NORMAL, FLIP_NONE, CTSColor(0xFFFFFFFF));
  m_device->DrawSprite(bilinear.Get(), 0, 0, 0, 0, 8, 8, BLEND_NORMAL, FLIP_NONE, CTSColor(0xFFFFFFFF));
  EXPECT_EQ(StateCalls(0), (std::vector<State>{{1, D3DTSS_MINFILTER, D3DTEXF_LINEAR},
                                               {1, D3DTSS_MAGFILTER, D3DTEXF_LINEAR}}));
  m_device->EndScene();
  textures = RecordingDirect3D::CallsOf(Kind::kSetTexture);
  ASSERT_EQ(textures.size(), 2u);
  EXPECT_EQ(textures[1].texture, nullptr);
  m_device->DrawLine(0, 0, 5, 5, CTSColor(0xFFFFFFFF));  // no texture already: nothing to unbind
  EXPECT_EQ(RecordingDirect3D::CallsOf(Kind::kSetTexture).size(), 2u);
}

// The texture cache goes by what is bound, not by the engine object: an
// engine texture that now holds another Direct3D texture (as one made at the
// address of a released one would) is bound anew.
TEST_F(D3D8GraphicsTest, TheTextureCacheFollowsTheDirect3DTexture) {
  ASSERT_TRUE(CreateDevice());
  CTSUsePtr<CTSD3D8Texture> red(MakeTexture(4, 4, 0, 0, [](int, int) { return 0xFFFF0000u; }));
  CTSUsePtr<CTSD3D8Texture> blue(MakeTexture(4, 4, 0, 0, [](int, int) { return 0xFF0000FFu; }));
  ASSERT_TRUE(red && blue);
  m_device->DrawSprite(red.Get(), 0, 0, 0, 0, 4, 4, BLEND_NORMAL, FLIP_NONE, CTSColor(0xFFFFFFFF));
  IDirect3DTexture8* other = blue->GetD3DTexture();
  other->AddRef();
  red->SetD3DTexture(other);
  RecordingDirect3D::ClearCalls();
  m_device->DrawSprite(red.Get(), 10, 0, 0, 0, 4, 4, BLEND_NORMAL, FLIP_NONE, CTSColor(0xFFFFFFFF));
  auto textures = RecordingDirect3D::CallsOf(Kind::kSetTexture);
  ASSERT_EQ(textures.size(), 1u);
  EXPECT_EQ(textures[0].texture, static_cast<IDirect3DBaseTexture8*>(other));
  EXPECT_EQ(BackPixel(1, 1), 0xFFFF0000u);
  EXPECT_EQ(BackPixel(11, 1), 0xFF0000FFu);
}

TEST_F(D3D8GraphicsTest, ModeZeroDrawsTheTextureAsItIsWhateverTheColour) {
  ASSERT_TRUE(CreateDevice());
  std::mt19937 random(11);
  CTSUsePtr<CTSD3D8Texture> texture(
      MakeTexture(24, 16, 0, 0, [&](int, int) { return RandomOpaque(random); }));
  ASSERT_TRUE(texture);
  m_device->Clear(CTSColor(0xFF204060));
  RecordingDirect3D::ClearCalls();
  m_device->DrawSprite(texture.Get(), 0, 0, 0, 0, 24, 16, BLEND_NORMAL, FLIP_NONE, CTSColor(0x80FF0000));
  m_device->DrawSprite(texture.Get(), 40, 0, 0, 0, 24, 16, BLEND_NORMAL, FLIP_NONE, CTSColor(0xFFFFFFFF));
  auto draws = RecordingDirect3D::CallsOf(Kind::kDraw);
  ASSERT_EQ(draws.size(), 2u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(VertexColor(draws[0], i), 0xFFFFFFFFu);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x) {
      ASSERT_EQ(BackPixel(x, y), BackPixel(40 + x, y)) << x << "," << y;
      ASSERT_EQ(BackPixel(x, y), texture->GetPixel(x, y).GetARGB()) << x << "," << y;
    }
}

TEST_F(D3D8GraphicsTest, FlipsMirrorTheSourceAndBothTurnItHalfRound) {
  ASSERT_TRUE(CreateDevice());
  std::mt19937 random(3);
  CTSUsePtr<CTSD3D8Texture> texture(
      MakeTexture(19, 13, 0, 0, [&](int, int) { return RandomOpaque(random); }));
  ASSERT_TRUE(texture);
  for (FlipFlags flip = 0; flip < 4; ++flip) {
    m_device->Clear(CTSColor(0xFF000000));
    m_device->DrawSprite(texture.Get(), 30, 20, 0, 0, 19, 13, BLEND_NORMAL, flip, CTSColor(0xFFFFFFFF));
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 19; ++x) {
        const int sx = (flip & 1) ? 18 - x : x;
        const int sy = (flip & 2) ? 12 - y : y;
        ASSERT_EQ(BackPixel(30 + x, 20 + y), texture->GetPixel(sx, sy).GetARGB())
            << "flip " << flip << " at " << x << "," << y;
      }
    EXPECT_EQ(BackPixel(29, 20), 0xFF000000u);
    EXPECT_EQ(BackPixel(30 + 19, 20 + 12), 0xFF000000u);
  }
}

TEST_F(D3D8GraphicsTest, SpritesAreClippedToTheClipRectangleWithTheirTextureCoordinates) {
  ASSERT_TRUE(CreateDevice());
  std::mt19937 random(5);
  CTSUsePtr<CTSD3D8Texture> texture(
      MakeTexture(64, 64, 0, 0, [&](int, int) { return RandomOpaque(random); }));
  ASSERT_TRUE(texture);
  const RECT clip = {10, 12, 50, 40};
  m_device->Clear(CTSColor(0xFF000000));
  m_device->SetClipRect(&clip);
  RECT got;
  m_device->GetClipRect(&got);
  EXPECT_TRUE(EqualRect(&got, &clip));
  // Drawn at (30, 5) from source (8, 4), 40 x 40: the clip cuts 20 columns
  // at the right, 7 rows at the top and 5 at the bottom.
  RecordingDirect3D::ClearCalls();
  for (FlipFlags flip : {FLIP_NONE, FLIP_HORIZONTAL | FLIP_VERTICAL}) {
    m_device->DrawSprite(texture.Get(), 30, 5, 8, 4, 40, 40, BLEND_NORMAL, flip, CTSColor(0xFFFFFFFF));
  }
  auto draws = RecordingDirect3D::CallsOf(Kind::kDraw);
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].a, DWORD(D3DPT_TRIANGLESTRIP));
  EXPECT_EQ(draws[0].b, 2u);
  EXPECT_EQ(draws[0].c, 28u);
  const float left = 30, right = 50, top = 12, bottom = 40;
  const float sw = float(texture->GetSurfaceWidth()), sh = float(texture->GetSurfaceHeight());
  const float uL = 8 / sw, uR = 28 / sw, vT = 11 / sh, vB = 39 / sh;
  const float xs[4] = {left, right, left, right}, ys[4] = {top, top, bottom, bottom};
  const float us[4] = {uL, uR, uL, uR}, vs[4] = {vT, vT, vB, vB};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(X(draws[0], i), xs[i]);
    EXPECT_EQ(Y(draws[0], i), ys[i]);
    EXPECT_FLOAT_EQ(U(draws[0], i), us[i]);
    EXPECT_FLOAT_EQ(V(draws[0], i), vs[i]);
    EXPECT_FLOAT_EQ(U(draws[1], i), us[3 - i]);  // both flips: corners' coordinates swapped diagonally
    EXPECT_FLOAT_EQ(V(draws[1], i), vs[3 - i]);
    EXPECT_EQ(VertexFloat(draws[0], i, 8), 0.0f);
    EXPECT_EQ(VertexFloat(draws[0], i, 12), 1.0f);
  }
  // The last draw (turned half round) is what the back buffer shows.
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 80; ++x) {
      const bool inside = x >= 30 && x < 50 && y >= 12 && y < 40;
      const DWORD expected = inside ? texture->GetPixel(8 + (49 - x), 11 + (39 - y)).GetARGB() : 0xFF000000u;
      ASSERT_EQ(BackPixel(x, y), expected) << x << "," << y;
    }
  // Entirely outside the clip, or an empty source: nothing is drawn.
  RecordingDirect3D::ClearCalls();
  m_device->DrawSprite(texture.Get(), 60, 60, 0, 0, 8, 8, BLEND_NORMAL, FLIP_NONE, CTSColor(0xFFFFFFFF));
  m_device->DrawSprite(texture.Get(), 20, 20, 64, 0, 8, 8, BLEND_NORMAL, FLIP_NONE, CTSColor(0xFFFFFFFF));
  m_device->DrawSprite(texture.Get(), 20, 20, 0, 0, 0, 8, BLEND_NORMAL, FLIP_NONE, CTSColor(0xFFFFFFFF));
  EXPECT_TRUE(RecordingDirect3D::CallsOf(Kind::kDraw).empty());
}

TEST_F(D3D8GraphicsTest, NullAndForeignTexturesDrawNothing) {
  ASSERT_TRUE(CreateDevice());
  CTSUsePtr<CTSGDITexture> software(new CTSGDITexture);
  ASSERT_TRUE(software->Allocate(8, 8, TEXTURE_FORMAT_X1R5G5B5, 0));
  RecordingDirect3D::ClearCalls();
  for (CTSTexture* texture : {static_cast<CTSTexture*>(nullptr), static_cast<CTSTexture*>(software.Get())}) {
    m_device->DrawSprite(texture, 0, 0, 0, 0, 8, 8, BLEND_ALPHA, FLIP_NONE, CTSColor(0xFFFFFFFF));
    m_device->Blt(texture, 0, 0, 0, 0, 8, 8);
    m_device->BltWhole(texture, 0, 0);
    m_device->DrawSpriteTransformed(texture, 4, 4, 0, 0, 8, 8, 1.0f, 1.0f, 0.5f, BLEND_ALPHA, FLIP_NONE,
                                    CTSColor(0xFFFFFFFF));
  }
  EXPECT_TRUE(RecordingDirect3D::Calls().empty());
}

TEST_F(D3D8GraphicsTest, BltDrawsInModeOneWithWhite) {
  ASSERT_TRUE(CreateDevice());
  CTSUsePtr<CTSD3D8Texture> texture(
      MakeTexture(10, 6, 0, 0, [](int x, int) { return x < 5 ? 0xFF0000FFu : 0x00FF0000u; }));
  ASSERT_TRUE(texture);
  m_device->Clear(CTSColor(0xFF00FF00));
  RecordingDirect3D::ClearCalls();
  m_device->BltWhole(texture.Get(), 2, 3);
  m_device->Blt(texture.Get(), 20, 3, 4, 0, 6, 6);
  auto draws = RecordingDirect3D::CallsOf(Kind::kDraw);
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(VertexColor(draws[0], 0), 0xFFFFFFFFu);
  EXPECT_EQ(X(draws[0], 3), 12.0f);
  EXPECT_EQ(Y(draws[0], 3), 9.0f);
  EXPECT_FLOAT_EQ(U(draws[1], 0), 4.0f / float(texture->GetSurfaceWidth()));
  EXPECT_EQ(CountRenderState(D3DRS_DESTBLEND), 1);
  // Alpha blending: the transparent half leaves the green.
  EXPECT_EQ(BackPixel(2, 3), 0xFF0000FFu);
  EXPECT_EQ(BackPixel(8, 3), 0xFF00FF00u);
  EXPECT_EQ(BackPixel(20, 3), 0xFF0000FFu);
  EXPECT_EQ(BackPixel(21, 3), 0xFF00FF00u);
}

TEST_F(D3D8GraphicsTest, TransformedSpritesPutTheirCornersOnTheTurnedRectangle) {
  ASSERT_TRUE(CreateDevice());
  CTSUsePtr<CTSD3D8Texture> texture(MakeTexture(40, 20, 0, 1, [](int, int) { return 0xFFFFFFFFu; }));
  ASSERT_TRUE(texture);
  const int cx = 80, cy = 60;
  // The source rectangle asked for runs past the texture; only its 30 x 20
  // part inside counts.
  const float w = 30, h = 20;
  for (float angle : {0.0f, 0.6f, -2.5f, 3.1415927f}) {
    for (auto [sx, sy] : {std::pair{1.5f, 2.0f}, std::pair{0.5f, 1.0f}}) {
      RecordingDirect3D::ClearCalls();
      m_device->DrawSpriteTransformed(texture.Get(), cx, cy, 10, 0, 60, 30, sx, sy, angle, BLEND_ALPHA,
                                      FLIP_HORIZONTAL, CTSColor(0xFFFFFFFF));
      auto draws = RecordingDirect3D::CallsOf(Kind::kDraw);
      ASSERT_EQ(draws.size(), 1u);
      // Corner offsets from the centre, turned counter-clockwise on a screen
      // whose y grows downwards.
      const float hw = w * sx / 2, hh = h * sy / 2;
      const float dx[4] = {-hw, hw, -hw, hw}, dy[4] = {-hh, -hh, hh, hh};
      for (size_t i = 0; i < 4; ++i) {
        const double x = cx + dx[i] * std::cos(double(angle)) + dy[i] * std::sin(double(angle));
        const double y = cy - dx[i] * std::sin(double(angle)) + dy[i] * std::cos(double(angle));
        EXPECT_NEAR(X(draws[0], i), x, 1e-3) << "angle " << angle << " corner " << i;
        EXPECT_NEAR(Y(draws[0], i), y, 1e-3) << "angle " << angle << " corner " << i;
      }
      // Mirrored left-right: the left corners take the right edge of the source.
      const float sw = float(texture->GetSurfaceWidth()), sh = float(texture->GetSurfaceHeight());
      EXPECT_FLOAT_EQ(U(draws[0], 0), 40 / sw);
      EXPECT_FLOAT_EQ(U(draws[0], 1), 10 / sw);
      EXPECT_FLOAT_EQ(V(draws[0], 2), 20 / sh);
    }
  }
  RecordingDirect3D::ClearCalls();
  m_device->DrawSpriteTransformed(texture.Get(), cx, cy, 40, 0, 10, 10, 1.0f, 1.0f, 0.3f, BLEND_ALPHA,
                                  FLIP_NONE, CTSColor(0xFFFFFFFF));
  m_device->DrawSpriteTransformed(texture.Get(), cx, cy, 0, 0, 10, 10, 0.0f, 0.0f, 0.3f, BLEND_ALPHA,
                                  FLIP_NONE, CTSColor(0xFFFFFFFF));
  EXPECT_TRUE(RecordingDirect3D::CallsOf(Kind::kDraw).empty());
}

TEST_F(D3D8GraphicsTest, CirclesStepByRadiusAndCloseTheirOutline) {
  ASSERT_TRUE(CreateDevice());
  const struct {
    INT radius;
    UINT vertices;
  } kCases[] = {{0, 4},   {2, 4},   {3, 8},    {5, 8},    {6, 18},   {20, 18},   {21, 24},
                {50, 24}, {51, 40}, {200, 40}, {201, 72}, {500, 72}, {501, 180}, {600, 180}};
  for (const auto& c : kCases) {
    for (bool filled : {false, true}) {
      RecordingDirect3D::ClearCalls();
      m_device->DrawCircle(70, 50, c.radius, CTSColor(0xFF00FF00), filled);
      auto draws = RecordingDirect3D::CallsOf(Kind::kDraw);
      ASSERT_EQ(draws.size(), 1u);
      const RecordedCall& d = draws[0];
      EXPECT_EQ(d.a, DWORD(filled ? D3DPT_TRIANGLEFAN : D3DPT_LINESTRIP)) << c.radius;
      EXPECT_EQ(d.b, filled ? c.vertices - 2 : c.vertices) << c.radius;
      EXPECT_EQ(d.c, 20u);
      const float step = 360.0f / float(c.vertices);
      for (UINT i = 0; i < c.vertices; ++i) {
        const double radians = double(step) * i * 3.14159265358979 / 180;
        EXPECT_NEAR(X(d, i), 70 + c.radius * std::cos(radians), 1e-3 * (1 + c.radius));
        EXPECT_NEAR(Y(d, i), 50 + c.radius * std::sin(radians), 1e-3 * (1 + c.radius));
        EXPECT_EQ(VertexColor(d, i), 0xFF00FF00u);
      }
      if (!filled) {
        EXPECT_EQ(X(d, c.vertices), X(d, 0));
        EXPECT_EQ(Y(d, c.vertices), Y(d, 0));
      }
    }
  }
}

TEST_F(D3D8GraphicsTest, PointsGoInBatchesOf1024AndLinesAndRectanglesAsGiven) {
  ASSERT_TRUE(CreateDevice());
  std::vector<TSPoint> points(2500);
  for (size_t i = 0; i < points.size(); ++i) points[i] = {INT(i % 157), INT(i / 157)};
  RecordingDirect3D::ClearCalls();
  m_device->DrawPoints(points.data(), INT(points.size()), CTSColor(0xFFFF0000));
  m_device->DrawPoints(points.data(), 0, CTSColor(0xFFFF0000));
  m_device->DrawPoints(nullptr, 5, CTSColor(0xFFFF0000));
  auto draws = RecordingDirect3D::CallsOf(Kind::kDraw);
  ASSERT_EQ(draws.size(), 3u);
  const UINT sizes[3] = {1024, 1024, 452};
  size_t next = 0;
  for (size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(draws[k].a, DWORD(D3DPT_POINTLIST));
    ASSERT_EQ(draws[k].b, sizes[k]);
    for (UINT i = 0; i < sizes[k]; ++i, ++next) {
      ASSERT_EQ(X(draws[k], i), float(points[next].x));
      ASSERT_EQ(Y(draws[k], i), float(points[next].y));
    }
  }
  auto shaders = RecordingDirect3D::CallsOf(Kind::kVertexShader);
  ASSERT_FALSE(shaders.empty());
  EXPECT_EQ(shaders[0].a, DWORD(D3DFVF_XYZRHW | D3DFVF_DIFFUSE));

  RecordingDirect3D::ClearCalls();
  m_device->DrawLine(3, 4, 50, 9, CTSColor(0xFF0000FF));
  m_device->DrawRect(10, 20, 30, 40, CTSColor(0xFF0000FF), true);
  m_device->DrawRect(10, 20, 30, 40, CTSColor(0xFF0000FF), false);
  draws = RecordingDirect3D::CallsOf(Kind::kDraw);
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[0].a, DWORD(D3DPT_LINELIST));
  EXPECT_EQ(draws[0].b, 1u);
  EXPECT_EQ(X(draws[0], 1), 50.0f);
  EXPECT_EQ(Y(draws[0], 1), 9.0f);
  EXPECT_EQ(draws[1].a, DWORD(D3DPT_TRIANGLESTRIP));
  EXPECT_EQ(draws[1].b, 2u);
  const float filled[4][2] = {{10, 20}, {30, 20}, {10, 40}, {30, 40}};
  for (size_t i = 0; i < 4; ++i)
    EXPECT_TRUE(X(draws[1], i) == filled[i][0] && Y(draws[1], i) == filled[i][1]) << i;
  EXPECT_EQ(draws[2].a, DWORD(D3DPT_LINESTRIP));
  EXPECT_EQ(draws[2].b, 4u);
  const float outline[5][2] = {{10, 20}, {30, 20}, {30, 40}, {10, 40}, {10, 20}};
  for (size_t i = 0; i < 5; ++i)
    EXPECT_TRUE(X(draws[2], i) == outline[i][0] && Y(draws[2], i) == outline[i][1]) << i;
  EXPECT_EQ(CountRenderState(D3DRS_DESTBLEND), 0);  // mode 1 is still set from the points

  // The primitives stop at the clip rectangle (the viewport).
  m_device->Clear(CTSColor(0xFF000000));
  const RECT clip = {20, 20, 40, 40};
  m_device->SetClipRect(&clip);
  m_device->DrawRect(0, 0, 100, 100, CTSColor(0xFFFFFFFF), true);
  EXPECT_EQ(BackPixel(25, 25), 0xFFFFFFFFu);
  EXPECT_EQ(BackPixel(19, 25), 0xFF000000u);
  EXPECT_EQ(BackPixel(25, 40), 0xFF000000u);
}

// Vertices live on the stack: once the layer has its buffers, a frame of
// draws makes no allocation. (Without the recording double, which keeps
// what it sees.)
TEST_F(D3D8GraphicsTest, DrawsAllocateNothing) {
  RecordingDirect3D::Uninstall();
  ASSERT_TRUE(CreateDevice());
  CTSUsePtr<CTSD3D8Texture> texture(MakeTexture(16, 16, 0, 1, [](int, int) { return 0x80FFFFFFu; }));
  ASSERT_TRUE(texture);
  std::vector<TSPoint> points(2500, TSPoint{5, 5});
  auto frame = [&] {
    m_device->BeginScene();
    m_device->Clear(CTSColor(0));
    m_device->DrawSprite(texture.Get(), 3, 3, 0, 0, 16, 16, BLEND_ADD, FLIP_VERTICAL, CTSColor(0xFF808080));
    m_device->DrawSpriteTransformed(texture.Get(), 50, 50, 0, 0, 16, 16, 2.0f, 1.0f, 0.7f, BLEND_SUB, FLIP_NONE,
                                    CTSColor(0xFFFFFFFF));
    m_device->DrawCircle(60, 60, 600, CTSColor(0xFFFFFFFF), true);
    m_device->DrawCircle(60, 60, 30, CTSColor(0xFFFFFFFF), false);
    m_device->DrawPoints(points.data(), INT(points.size()), CTSColor(0xFFFFFFFF));
    m_device->DrawLine(0, 0, 100, 50, CTSColor(0xFFFFFFFF));
    m_device->DrawRect(1, 2, 30, 40, CTSColor(0xFFFFFFFF), false);
    m_device->EndScene();
  };
  frame();
  const size_t before = AllocationCount();
  for (int i = 0; i < 3; ++i) frame();
  EXPECT_EQ(AllocationCount(), before);
}

TEST_F(D3D8GraphicsTest, TexturesAreRoundedAsTheDeviceWantsAndReportTheSizeAskedFor) {
  const struct {
    DWORD caps;
    INT surfaceWidth, surfaceHeight;
  } kCases[] = {{D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY, 128, 128},
                {D3DPTEXTURECAPS_POW2, 128, 64},
                {D3DPTEXTURECAPS_SQUAREONLY, 100, 100},
                {0, 100, 60}};
  for (const auto& c : kCases) {
    RecordingDirect3D::ReportTextureCaps(true, c.caps);
    ASSERT_TRUE(CreateDevice());
    CTSUsePtr<CTSD3D8Texture> texture(static_cast<CTSD3D8Texture*>(m_device->CreateTexture(100, 60, 1, 1)));
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->GetSurfaceWidth(), c.surfaceWidth) << c.caps;
    EXPECT_EQ(texture->GetSurfaceHeight(), c.surfaceHeight) << c.caps;
    EXPECT_EQ(texture->GetWidth(), 100);
    EXPECT_EQ(texture->GetHeight(), 60);
    EXPECT_EQ(texture->GetFormat(), 1);
    EXPECT_EQ(texture->GetFilter(), 1);
    EXPECT_EQ(texture->GetUseCount(), 1);
    RecordingDirect3D::ClearCalls();
    m_device->BltWhole(texture.Get(), 0, 0);
    auto draws = RecordingDirect3D::CallsOf(Kind::kDraw);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_FLOAT_EQ(U(draws[0], 3), 100.0f / c.surfaceWidth);
    EXPECT_FLOAT_EQ(V(draws[0], 3), 60.0f / c.surfaceHeight);
    EXPECT_EQ(X(draws[0], 3), 100.0f);
    texture.Reset(nullptr);
    m_device->Release();
    m_device = nullptr;
  }
  RecordingDirect3D::ReportTextureCaps(false, 0);
  ASSERT_TRUE(CreateDevice());
  EXPECT_EQ(m_device->CreateTexture(0, 10, 0, 0), nullptr);
  EXPECT_EQ(m_device->CreateTexture(10, -1, 0, 0), nullptr);
  EXPECT_EQ(m_device->CreateTexture(0x7FFFFFFF, 2, 0, 0), nullptr);
  EXPECT_EQ(m_device->CreateTexture(8, 8, 4, 0), nullptr);  // a software format
  for (INT format : {0, 1, 2}) EXPECT_TRUE(m_device->IsTextureFormatSupported(format)) << format;
  for (INT format : {-1, 3, 4, 256}) EXPECT_FALSE(m_device->IsTextureFormatSupported(format)) << format;
}

TEST_F(D3D8GraphicsTest, SetDisplayModeResetsToTheNewSizeAndSizesTheWindow) {
  ASSERT_TRUE(CreateDevice(160, 120));
  CTSRenderTarget* target = m_device->GetRenderTarget();
  RecordingDirect3D::ClearCalls();
  ASSERT_TRUE(m_device->SetDisplayMode(200, 100, false));
  auto resets = RecordingDirect3D::CallsOf(Kind::kReset);
  ASSERT_EQ(resets.size(), 1u);
  EXPECT_EQ(resets[0].params.BackBufferWidth, 200u);
  EXPECT_EQ(resets[0].params.BackBufferHeight, 100u);
  EXPECT_EQ(StateCalls(IndexOf(Kind::kReset)), DefaultStates());
  EXPECT_EQ(m_device->GetWidth(), 200);
  EXPECT_EQ(m_device->GetHeight(), 100);
  EXPECT_EQ(m_device->GetRenderTarget(), target);
  EXPECT_EQ(target->GetWidth(), 200);
  EXPECT_EQ(target->GetHeight(), 100);
  RECT clip;
  m_device->GetClipRect(&clip);
  EXPECT_EQ(clip.right, 200);
  EXPECT_EQ(clip.bottom, 100);
  RECT client;
  GetClientRect(m_window, &client);
  EXPECT_EQ(client.right, 200);
  EXPECT_EQ(client.bottom, 100);
  m_device->Clear(CTSColor(0xFF336699));
  EXPECT_EQ(m_device->GetPixel(199, 99).GetARGB(), 0xFF336699u);
  EXPECT_EQ(m_device->GetPixel(200, 50).GetARGB(), 0u);

  // Down to a smaller buffer: pixel access stays inside it.
  ASSERT_TRUE(m_device->SetDisplayMode(40, 30, false));
  EXPECT_EQ(target->GetWidth(), 40);
  EXPECT_EQ(m_device->GetPixel(100, 50).GetARGB(), 0u);
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(target->CopyToImage(image.Get()));
  EXPECT_EQ(image->GetWidth(), 40);
  EXPECT_EQ(image->GetHeight(), 30);
  EXPECT_FALSE(CTSUsePtr<CTSD3D8Graphics>(new CTSD3D8Graphics)->SetDisplayMode(40, 30, false));

  // Full screen takes the window's frame away; windowed again brings the
  // style it had at Create back.
  const LONG style = GetWindowLongA(m_window, GWL_STYLE);
  ASSERT_TRUE(m_device->SetDisplayMode(64, 48, true));
  EXPECT_TRUE(m_device->IsFullScreen());
  EXPECT_EQ(DWORD(GetWindowLongA(m_window, GWL_STYLE)), DWORD(WS_POPUP));
  EXPECT_FALSE(RecordingDirect3D::CallsOf(Kind::kReset).back().params.Windowed);
  ASSERT_TRUE(m_device->SetDisplayMode(64, 48, false));
  EXPECT_FALSE(m_device->IsFullScreen());
  EXPECT_EQ(GetWindowLongA(m_window, GWL_STYLE), style);
  EXPECT_EQ(m_device->GetWidth(), 64);
}

TEST_F(D3D8GraphicsTest, RenderTargetsAreMadeInTheBackBufferFormatAndTakePixels) {
  ASSERT_TRUE(CreateDevice());
  CTSUsePtr<CTSRenderTarget> target(m_device->CreateRenderTarget(33, 17));
  ASSERT_TRUE(target);
  EXPECT_TRUE(target->IsValid());
  EXPECT_EQ(target->GetFormat(), TARGET_FORMAT_X8R8G8B8);
  EXPECT_EQ(target->GetWidth(), 33);
  EXPECT_EQ(target->GetUseCount(), 1);
  std::mt19937 random(9);
  std::vector<DWORD> written;
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 33; ++x) {
      written.push_back(random());
      target->SetPixel(x, y, CTSColor(written.back()));
    }
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(target->CopyToImage(image.Get()));
  EXPECT_FALSE(image->HasAlpha());
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 33; ++x)
      ASSERT_EQ(image->GetScanline(y)[x].GetARGB(), written[size_t(y) * 33 + x] | 0xFF000000u)
          << x << "," << y;
  // The device's pixel access follows its current target.
  m_device->SetRenderTarget(target.Get());
  EXPECT_EQ(m_device->GetPixel(5, 6).GetARGB(), written[6 * 33 + 5] | 0xFF000000u);
  m_device->SetRenderTarget(nullptr);
  EXPECT_EQ(m_device->GetPixel(5, 6).GetARGB(), 0u);
  EXPECT_EQ(m_device->CreateRenderTarget(0, 5), nullptr);
}

}  // namespace
