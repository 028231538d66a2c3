// Dirty-rectangle frames on the software device: on random scenes a dirty
// frame shows exactly what a full redraw shows and changes nothing outside the
// bounds it reports; the orders the tree fixes are checked on a small scene.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "engine/graphics/TSGDIGraphics.h"
#include "engine/graphics/TSGraphicsManager.h"
#include "engine/object/TSCustomException.h"
#include "engine/scene/TSRenderTree.h"
#include "tests/platform/RecordingWindow.h"
#include "tests/scene/TestNode.h"

#ifdef __SANITIZE_ADDRESS__
// Lets the allocator refuse an impossible request instead of ending the process.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace {

constexpr INT kWidth = 64;
constexpr INT kHeight = 48;

std::vector<Pixel555> Pixels(CTSGraphics* device) {
  CTSGDITexture* surface = static_cast<CTSGDIRenderTarget*>(device->GetRenderTarget())->GetSurface();
  std::vector<Pixel555> pixels;
  for (INT y = 0; y < kHeight; ++y) pixels.insert(pixels.end(), surface->GetPixelRow(y), surface->GetPixelRow(y) + kWidth);
  return pixels;
}

// The nodes of a random scene: what each change leaves to repaint is reported
// by the node itself, or (for what hidden, closed and removed nodes leave
// behind) by a bound-less node drawn first.
struct RandomScene {
  explicit RandomScene(unsigned seed) : random(seed) {
    const INT capacities[] = {-3, 0, 1, 2, 3, 5, 8, 64};
    tree = new CTSRenderTree(capacities[Pick(8)], true);
    damage->hasBound = false;
    damage->SetPriority(INT_MIN);
    tree->GetRoot()->AddChild(damage, nullptr, nullptr);
    for (int i = Pick(6); i >= 0; --i) Add();
  }
  ~RandomScene() { tree->Release(); }

  int Pick(int n) { return int(random() % unsigned(n)); }
  DWORD Colour() { return 0xFF000000 | (random() & 0xF8F8F8); }
  // What the node shows and what it has yet to report, for a node that will not report it.
  void Damage(CTestNode* node) {
    damage->rects.insert(damage->rects.end(), node->rects.begin(), node->rects.end());
    damage->rects.push_back(node->bound);
    damage->dirty = true;
  }
  void Changed(CTestNode* node) {
    node->rects.push_back(node->bound);
    node->dirty = true;
  }
  // The node and everything below it.
  std::vector<CTestNode*> Subtree(CTestNode* top) {
    std::vector<CTestNode*> below;
    for (CTestNode* node : nodes)
      for (CTestNode* up = node; up != nullptr; up = up->parentNode)
        if (up == top) below.push_back(node);
    return below;
  }
  void Add() {
    auto* node = new CTestNode(DWORD(nodes.size() + 1), &log);
    INT x = Pick(kWidth + 8) - 8, y = Pick(kHeight + 8) - 8;
    node->bound = {x, y, x + 1 + Pick(24), y + 1 + Pick(24)};
    node->Paint(Colour());
    node->SetPriority(Pick(5) - 2);
    node->parentNode = nodes.empty() || Pick(2) ? nullptr : nodes[Pick(int(nodes.size()))];
    (node->parentNode != nullptr ? node->parentNode : tree->GetRoot())->AddChild(node, nullptr, nullptr);
    Changed(node);
    nodes.push_back(node);
  }
  void Change() {
    if (nodes.empty()) return Add();
    CTestNode* node = nodes[Pick(int(nodes.size()))];
    switch (Pick(7)) {
      case 0: {  // move
        INT dx = Pick(21) - 10, dy = Pick(21) - 10;
        node->rects.push_back(node->bound);
        SetRect(&node->bound, node->bound.left + dx, node->bound.top + dy, node->bound.right + dx, node->bound.bottom + dy);
        return Changed(node);
      }
      case 1:  // hide or show
        node->visible = !node->visible;
        return node->visible ? Changed(node) : Damage(node);
      case 2:  // close or open its children
        node->childrenEnabled = !node->childrenEnabled;
        for (CTestNode* below : Subtree(node)) Damage(below);
        return;
      case 3:  // move among its siblings
        for (CTestNode* below : Subtree(node)) Damage(below);
        return node->SetPriority(Pick(5) - 2);
      case 4:  // recolour
        node->Paint(Colour());
        return Changed(node);
      case 5: {  // remove with everything below it
        std::vector<CTestNode*> gone = Subtree(node);
        for (CTestNode* below : gone) Damage(below);
        node->Destroy();
        std::erase_if(nodes, [&](CTestNode* n) { return std::find(gone.begin(), gone.end(), n) != gone.end(); });
        return;
      }
      default:
        return Add();
    }
  }

  std::mt19937 random;
  TSNodeLog log;
  CTSRenderTree* tree = nullptr;
  CTestNode* damage = new CTestNode(0, &log);
  std::vector<CTestNode*> nodes;
};

class DirtyRectTest : public testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 2; ++i) {
      devices[i] = CTSGraphicsManager::Instance().CreateDevice(TS_GUID_GDI_GRAPHICS, windows[i].Handle(), kWidth,
                                                               kHeight, false, true);
      ASSERT_NE(devices[i], nullptr);
    }
  }
  void TearDown() override {
    for (CTSGraphics* device : devices)
      if (device != nullptr) device->Release();
  }

  RecordingWindow windows[2];
  CTSGraphics* devices[2] = {};
};

TEST_F(DirtyRectTest, ADirtyFrameShowsWhatAFullRedrawShowsAndChangesOnlyItsBounds) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    RandomScene scene(seed);
    devices[0]->SetClipRect(nullptr);
    devices[0]->Clear(CTSColor(0));
    for (int frame = 0; frame < 8; ++frame) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << ", frame " << frame);
      for (int i = scene.Pick(4); i >= 0; --i) scene.Change();
      if (scene.Pick(6) == 0) {
        // A back buffer that lost its content.
        devices[0]->SetClipRect(nullptr);
        devices[0]->Clear(CTSColor(0xFF00FFFF));
        scene.tree->RequestFullRedraw();
      }
      scene.tree->Update();
      std::vector<Pixel555> before = Pixels(devices[0]);
      scene.tree->Render(devices[0]);
      RECT bounds, kept;
      scene.tree->GetDirtyBounds(&bounds);
      std::vector<Pixel555> dirty = Pixels(devices[0]);
      for (INT y = 0; y < kHeight; ++y)
        for (INT x = 0; x < kWidth; ++x) {
          bool inside = x >= bounds.left && x < bounds.right && y >= bounds.top && y < bounds.bottom;
          ASSERT_TRUE(inside || dirty[y * kWidth + x] == before[y * kWidth + x]) << x << "," << y;
        }
      scene.tree->EnableDirtyRect(false);
      scene.tree->Render(devices[1]);
      scene.tree->EnableDirtyRect(true);
      ASSERT_TRUE(dirty == Pixels(devices[1]));
      EXPECT_EQ(*scene.tree->GetDirtyBounds(&kept), bounds) << "a frame with the mode off keeps the bounds";
    }
  }
}

// Clears are logged by the device, draws by the nodes, each with the clip in force.
class CClearLoggingDevice : public CTSGDIGraphics {
 public:
  explicit CClearLoggingDevice(TSNodeLog* log) : m_log(log) {}
  void Clear(CTSColor color) override {
    RECT clip;
    GetClipRect(&clip);
    m_log->painted.push_back({0, clip});
    CTSGDIGraphics::Clear(color);
  }

 private:
  TSNodeLog* m_log;
};

TEST(DirtyRectOrder, RecordsLargestFirstAndUnchangedObjectsRepaintedInEachUntilOneHoldsThem) {
  RecordingWindow window;
  TSNodeLog log;
  CTSUsePtr<CClearLoggingDevice> device(new CClearLoggingDevice(&log));
  ASSERT_TRUE(device->Create(window.Handle(), 320, 240, false, true));
  for (INT capacity : {128, 2}) {
    SCOPED_TRACE(capacity);
    CTSRenderTree* tree = new CTSRenderTree(capacity, true);
    const RECT bounds[] = {{0, 0, 200, 200},      // meets all three records
                           {141, 141, 149, 149},  // inside the largest, meets a later one
                           {20, 20, 120, 120},    // meets two apart, lies in neither
                           {300, 200, 310, 210},  // meets none
                           {12, 12, 28, 28}};
    for (DWORD id = 1; id <= 6; ++id) {
      auto* node = new CTestNode(id, &log);
      node->bound = bounds[id <= 4 ? id - 1 : 4];
      node->hasBound = id != 5;
      tree->GetRoot()->AddChild(node, nullptr, nullptr);
      if (id == 6) {
        // Equal areas keep their order of addition; duplicate and held rectangles add nothing.
        node->rects = {{10, 10, 30, 30}, {100, 100, 150, 150}, {10, 10, 30, 30}, {110, 110, 120, 120}, {140, 140, 160, 160}};
        node->dirty = true;
      }
    }
    tree->Update();
    log.painted.clear();
    tree->Render(device.Get());
    RECT r1 = {10, 10, 30, 30}, r2 = {100, 100, 150, 150}, r3 = {140, 140, 160, 160}, whole = {0, 0, 320, 240}, got;
    if (capacity == 128) {
      EXPECT_EQ(log.painted, (std::vector<std::pair<DWORD, RECT>>{
                                 {0, r2}, {0, r1}, {0, r3}, {1, r2}, {1, r1}, {1, r3}, {2, r2}, {3, r2}, {3, r1},
                                 {6, bounds[4]}}));
      EXPECT_EQ(*tree->GetDirtyBounds(&got), (RECT{10, 10, 160, 160}));
    } else {
      // The list holds capacity less one records: the fourth has the frame drawn and reported in full.
      EXPECT_EQ(log.painted.at(0), std::make_pair(DWORD(0), whole));
      EXPECT_EQ(log.painted.size(), 7u);
      EXPECT_EQ(*tree->GetDirtyBounds(&got), whole);
    }
    EXPECT_EQ(tree->GetDirtyBounds(nullptr), nullptr);
    tree->Release();
  }
}

TEST(DirtyRectOrder, RoomThatCannotBeHadThrowsTheEngineException) {
  try {
    new CTSRenderTree(INT_MAX, true);
    FAIL() << "no exception";
  } catch (Tessel::CTSCustomException* exception) {
    ASSERT_NE(exception, nullptr);
    EXPECT_STREQ(exception->GetErrorMessage(), "Dirty Rect Count too large!");
    delete exception;
  }
}

}  // namespace
