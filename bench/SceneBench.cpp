// One frame of the render tree: 1,000 sprites of 32 x 32 on a 640 x 480
// target, a tenth of them changed each frame, drawn by a device that does not
// draw. The dirty-rectangle frame (collection, clears, dirty draw pass) runs
// against its peer, the full redraw; each reports its heap allocations per
// frame, which should be none.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchSprite.h"
#include "engine/scene/TSRenderTree.h"
#include "tests/common/AllocationCounter.h"

namespace {

constexpr INT kWidth = 640;
constexpr INT kHeight = 480;
constexpr int kSprites = 1000;
constexpr int kChangedPerFrame = kSprites / 10;
constexpr LONG kSpriteSize = 32;

// A device that takes every call and draws nothing.
class CNullGraphics : public CTSGraphics {
 public:
  void DrawSprite(CTSTexture*, INT, INT, INT, INT, INT, INT, BlendMode, FlipFlags, CTSColor) override {}
  void Blt(CTSTexture*, INT, INT, INT, INT, INT, INT) override {}
  void BltWhole(CTSTexture*, INT, INT) override {}
  void DrawSpriteTransformed(CTSTexture*, INT, INT, INT, INT, INT, INT, float, float, float, BlendMode,
                             FlipFlags, CTSColor) override {}
  void DrawLine(INT, INT, INT, INT, const CTSColor&) override {}
  void DrawCircle(INT, INT, INT, const CTSColor&, bool) override {}
  void DrawPoints(const TSPoint*, INT, const CTSColor&) override {}
  void DrawRect(INT, INT, INT, INT, const CTSColor&, bool) override {}
  void SetPixel(INT, INT, const CTSColor&) override {}
  CTSColor GetPixel(INT, INT) override { return 0; }
  CTSTexture* CreateTexture(INT, INT, INT, INT) override { return nullptr; }
  bool IsTextureFormatSupported(INT) override { return false; }
  void BeginScene() override {}
  void EndScene() override {}
  void DestroyDevice() override {}
  void Clear(CTSColor) override {}
  bool Create(HWND, INT, INT, bool, bool) override { return true; }
  bool SetDisplayMode(INT, INT, bool) override { return true; }
  INT GetWidth() override { return kWidth; }
  INT GetHeight() override { return kHeight; }
  bool IsCreated() override { return true; }
  bool IsFullScreen() override { return false; }
  void Present(HWND, const RECT*, const RECT*) override {}
  void SetClipRect(const RECT* rect) override { benchmark::DoNotOptimize(rect); }
  void GetClipRect(RECT* rect) override { *rect = {0, 0, kWidth, kHeight}; }
  CTSRenderTarget* GetRenderTarget() override { return nullptr; }
  void SetRenderTarget(CTSRenderTarget*) override {}
  CTSRenderTarget* CreateRenderTarget(INT, INT) override { return nullptr; }
};

// The tree as the demo makes it (room for 128 rectangles), with the sprites
// spread over the target by a fixed sequence.
struct TSBenchScene {
  explicit TSBenchScene(bool dirtyRect) : tree(new CTSRenderTree(128, dirtyRect)) {
    unsigned seed = 12345;
    auto next = [&seed](unsigned range) {
      seed = seed * 1103515245u + 12345u;
      return LONG((seed >> 8) % range);
    };
    for (int i = 0; i < kSprites; ++i) {
      auto* sprite = new CBenchSprite(nullptr, next(kWidth - kSpriteSize + 1), next(kHeight - kSpriteSize + 1),
                                     kSpriteSize, kSpriteSize, FLIP_NONE, 0xFFFFFFFF);
      tree->GetRoot()->AddChild(sprite, nullptr, nullptr);
      sprites.push_back(sprite);
    }
    tree->Update();
  }
  ~TSBenchScene() { tree->Release(); }

  // A tenth of the sprites, spread over the list, a different tenth each frame.
  void TouchTenth(size_t frame) {
    for (int i = 0; i < kChangedPerFrame; ++i) sprites[(i * 10 + frame) % kSprites]->Touch();
  }

  CTSRenderTree* tree;
  std::vector<CBenchSprite*> sprites;
};

void RenderFrames(benchmark::State& state, bool dirtyRect) {
  TSBenchScene scene(dirtyRect);
  CNullGraphics device;
  size_t frame = 0;
  size_t before = AllocationCount();
  for (auto _ : state) {
    scene.TouchTenth(frame++);
    scene.tree->Render(&device);
  }
  size_t allocations = AllocationCount() - before;
  state.counters["allocs_per_frame"] =
      benchmark::Counter(double(allocations), benchmark::Counter::kAvgIterations);
  state.SetItemsProcessed(state.iterations());  // frames
}

void BM_SceneDirtyRectFrame(benchmark::State& state) { RenderFrames(state, true); }
BENCHMARK(BM_SceneDirtyRectFrame);

void BM_PeerSceneFullRedrawFrame(benchmark::State& state) { RenderFrames(state, false); }
BENCHMARK(BM_PeerSceneFullRedrawFrame);

void BM_SceneUpdate(benchmark::State& state) {
  TSBenchScene scene(true);
  size_t before = AllocationCount();
  for (auto _ : state) scene.tree->Update();
  size_t allocations = AllocationCount() - before;
  state.counters["allocs_per_frame"] =
      benchmark::Counter(double(allocations), benchmark::Counter::kAvgIterations);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SceneUpdate);

}  // namespace
