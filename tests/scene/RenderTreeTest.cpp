// The render tree: priority order, the refusals and reports of structural
// changes, changes that wait for Update, what goes when; and dirty-rectangle
// frames on the software device: on random scenes a dirty frame shows exactly
// what a full redraw shows and changes nothing outside the bounds it reports,
// and the orders the tree fixes hold on a small scene.
#include <gtest/gtest.h>

#include <random>

#include "engine/graphics/TSGDIGraphics.h"
#include "engine/graphics/TSGraphicsManager.h"
#include "engine/object/TSCustomException.h"
#include "engine/scene/TSRenderTree.h"
#include "tests/platform/RecordingWindow.h"

#ifdef __SANITIZE_ADDRESS__
// Lets the allocator refuse an impossible request instead of ending the process.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

// At global scope, where lookup from std::pair and GoogleTest finds it.
inline bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != 0; }

namespace {

// A render tree node for the tests: a solid block of its colour at its bound,
// drawn through the device (so the clip rectangle holds it); while dirty it
// reports the rectangles queued in rects; it logs what the tree does to it.
struct TSNodeLog {
  std::vector<DWORD> updated;                   // ids, in order
  std::vector<DWORD> destroyed;                 // ids, in order
  INT elapsed = -1;                             // what the last Update was given
  std::vector<std::pair<DWORD, RECT>> painted;  // draws (id) and clears (0), with the clip in force
};

class CTestNode : public CTSRenderTreeObject {
 public:
  CTestNode(DWORD id, TSNodeLog* log) : id(id), m_log(log) {}
  ~CTestNode() override { m_log->destroyed.push_back(id); }
  void Update(INT elapsedMs) override {
    m_log->updated.push_back(id);
    m_log->elapsed = elapsedMs;
  }
  bool IsUpdateEnabled() const override { return updateEnabled; }
  bool IsVisible() const override { return visible; }
  bool IsDirty() const override { return dirty; }
  bool AreChildrenEnabled() const override { return childrenEnabled; }
  bool GetBoundRect(RECT* out) const override {
    if (hasBound) *out = bound;
    return hasBound;
  }
  // More rectangles than max: the last one written holds the rest.
  INT GetDirtyRects(RECT* out, INT max) const override {
    INT count = std::min(INT(rects.size()), max);
    std::copy_n(rects.begin(), count, out);
    for (size_t i = size_t(count); i < rects.size(); ++i)
      UnionRect(&out[count - 1], &out[count - 1], &rects[i]);
    return count;
  }
  void Draw(CTSGraphics* device) override {
    RECT clip;
    device->GetClipRect(&clip);
    m_log->painted.push_back({id, clip});
    if (block) device->BltWhole(block.Get(), bound.left, bound.top);
    dirty = false;
    rects.clear();
  }
  // Fills the block, the size of the bound, with the colour.
  void Paint(DWORD color) {
    block = new CTSGDITexture;
    block->Allocate(bound.right - bound.left, bound.bottom - bound.top, TEXTURE_FORMAT_X1R5G5B5, 0);
    block->ClearRect(CTSColor(color), nullptr);
  }

  DWORD id;
  TSNodeLog* m_log;
  bool updateEnabled = true;
  bool visible = true;
  bool dirty = false;
  bool childrenEnabled = true;
  bool hasBound = true;
  RECT bound = {};
  std::vector<RECT> rects;
  CTSUsePtr<CTSGDITexture> block;
  CTestNode* parentNode = nullptr;  // kept by the test that builds random scenes
};

// Calls the hooks a parent gets.
struct CHookNode : CTestNode {
  using CTestNode::CTestNode;
  void OnChildAdded(CTSRenderTreeObject* child) override { added.push_back(child); }
  void OnChildRemoved(CTSRenderTreeObject* child) override { removed.push_back(child); }
  std::vector<CTSRenderTreeObject*> added;
  std::vector<CTSRenderTreeObject*> removed;
};

using Ids = std::vector<DWORD>;
using Nodes = std::vector<CTSRenderTreeObject*>;

// Every outcome reported through the callback: parent, child and result.
using Reports = std::vector<std::tuple<CTSRenderTreeObject*, CTSRenderTreeObject*, INT>>;

void Record(CTSRenderTreeObject* parent, CTSRenderTreeObject* child, void* userData, INT result) {
  static_cast<Reports*>(userData)->emplace_back(parent, child, result);
}

class RenderTreeTest : public testing::Test {
 protected:
  void SetUp() override {
    Platform::EnableVirtualClock(1000, SYSTEMTIME{});
    tree = new CTSRenderTree(128, true);
  }
  void TearDown() override {
    tree->Release();
    Platform::DisableVirtualClock();
  }

  CTestNode* Node(DWORD id, INT priority = 0) {
    auto* node = new CTestNode(id, &log);
    node->SetPriority(priority);
    return node;
  }
  // The ids in the order the update pass visits them.
  Ids UpdateOrder() {
    log.updated.clear();
    tree->Update();
    return log.updated;
  }

  TSNodeLog log;
  Reports reports;
  CTSRenderTree* tree = nullptr;
};

TEST_F(RenderTreeTest, UpdateVisitsChildrenByPriorityAndSkipsDisabledNodesAndClosedChildren) {
  // Added at once under a node without a tree link; equal priorities keep their order.
  CTestNode* group = Node(10);
  std::vector<CTestNode*> nodes;
  for (auto [id, priority] :
       {std::pair{1u, 5}, {2u, -3}, {3u, 5}, {4u, INT_MIN}, {5u, 5}, {6u, INT_MAX}, {7u, -3}})
    group->AddChild(nodes.emplace_back(Node(id, priority)), nullptr, nullptr);
  nodes[0]->AddChild(Node(11), nullptr, nullptr);
  tree->GetRoot()->AddChild(group, nullptr, nullptr);
  Sleep(40);  // the first Update is given the time since the tree was made
  EXPECT_EQ(UpdateOrder(), (Ids{10, 4, 2, 7, 1, 11, 3, 5, 6}));
  EXPECT_EQ(log.elapsed, 40);
  // A new priority moves a node behind its equals, at the next Update under the tree.
  nodes[0]->SetPriority(5);
  nodes[0]->childrenEnabled = false;
  group->updateEnabled = false;
  Platform::AdvanceVirtualClock(16);  // then the time since the last Update
  EXPECT_EQ(UpdateOrder(), (Ids{4, 2, 7, 3, 5, 1, 6}));
  EXPECT_EQ(log.elapsed, 16);
}

TEST_F(RenderTreeTest, RefusalsChangeNothingAndChangesUnderTheTreeWaitForUpdateThenReportAndCallTheHooks) {
  CTSRenderTreeObject* root = tree->GetRoot();
  auto* hook = new CHookNode(1, &log);
  CTestNode* parent = Node(2);
  CTestNode* child = Node(3);
  CTestNode* loose = Node(4);
  CTestNode* queued = Node(5);
  CTestNode* stale = Node(6);
  stale->Release();
  root->AddChild(hook, Record, &reports);     // waits for the Update
  parent->AddChild(child, Record, &reports);  // at once
  tree->Update();
  hook->AddChild(queued, Record, &reports);
  root->RemoveChild(loose, Record, &reports);
  // Added: itself, itself with a tree link, one already in the tree, one that already has a parent,
  // one no longer live, null, its own ancestor; removed: one that is not a child, null.
  CTSRenderTreeObject* const adds[][2] = {{loose, loose}, {root, root},     {loose, hook},  {loose, child},
                                          {loose, stale}, {loose, nullptr}, {child, parent}};
  for (auto [to, added] : adds) to->AddChild(added, Record, &reports);
  parent->RemoveChild(loose, Record, &reports);
  parent->RemoveChild(nullptr, Record, &reports);
  EXPECT_TRUE(hook->added.empty());
  EXPECT_EQ(UpdateOrder(), (Ids{1, 5}));
  const Reports expected = {{parent, child, 0}, {root, hook, 0},    {loose, loose, 4},    {root, root, 4},
                            {loose, hook, 2},   {loose, child, 3},  {loose, stale, 1},    {loose, nullptr, 1},
                            {child, parent, 4}, {parent, loose, 6}, {parent, nullptr, 1}, {hook, queued, 0},
                            {root, loose, 6}};
  EXPECT_EQ(reports, expected);
  EXPECT_EQ(hook->added, Nodes{queued});
  queued->Destroy();
  EXPECT_EQ(log.destroyed, Ids{6});
  tree->Update();
  EXPECT_TRUE(log.destroyed == (Ids{6, 5}) && hook->removed == Nodes{queued});
  parent->Release();  // its child goes with it
  loose->Destroy();   // without a parent: at once
  EXPECT_EQ(log.destroyed, (Ids{6, 5, 2, 3, 4}));
}

// A node that takes a new priority and destroys itself in its Update: it goes
// at the next Update, and the walk goes on past it.
TEST_F(RenderTreeTest, ANodeDestroyingItselfDuringTheWalkGoesAtTheNextUpdate) {
  struct CSelfDestroying : CTestNode {
    using CTestNode::CTestNode;
    void Update(INT elapsedMs) override {
      CTestNode::Update(elapsedMs);
      SetPriority(1);
      Destroy();
    }
  };
  tree->GetRoot()->AddChild(new CSelfDestroying(1, &log), nullptr, nullptr);
  tree->GetRoot()->AddChild(Node(2, 2), nullptr, nullptr);
  EXPECT_TRUE(UpdateOrder() == (Ids{1, 2}) && log.destroyed.empty());
  EXPECT_TRUE(UpdateOrder() == Ids{2} && log.destroyed == Ids{1});
}

constexpr INT kWidth = 64;
constexpr INT kHeight = 48;

std::vector<Pixel555> Pixels(CTSGraphics* device) {
  CTSGDITexture* surface = static_cast<CTSGDIRenderTarget*>(device->GetRenderTarget())->GetSurface();
  std::vector<Pixel555> pixels;
  for (INT y = 0; y < kHeight; ++y)
    pixels.insert(pixels.end(), surface->GetPixelRow(y), surface->GetPixelRow(y) + kWidth);
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
    const INT x = Pick(kWidth + 8) - 8;
    const INT y = Pick(kHeight + 8) - 8;
    node->bound = {x, y, x + 1 + Pick(24), y + 1 + Pick(24)};
    node->Paint(Colour());
    node->SetPriority(Pick(5) - 2);
    node->parentNode = nodes.empty() || Pick(2) ? nullptr : nodes[Pick(int(nodes.size()))];
    (node->parentNode != nullptr ? node->parentNode : tree->GetRoot())->AddChild(node, nullptr, nullptr);
    Changed(node);
    nodes.push_back(node);
    ++created;
  }
  void Change() {
    if (nodes.empty()) return Add();
    CTestNode* node = nodes[Pick(int(nodes.size()))];
    switch (int change = Pick(7); change) {
      case 0: {  // move
        const INT dx = Pick(21) - 10;
        const INT dy = Pick(21) - 10;
        node->rects.push_back(node->bound);
        SetRect(&node->bound, node->bound.left + dx, node->bound.top + dy, node->bound.right + dx,
                node->bound.bottom + dy);
        return Changed(node);
      }
      case 1:  // hide or show
        node->visible = !node->visible;
        return node->visible ? Changed(node) : Damage(node);
      case 2:  // close or open its children, or move among its siblings
      case 3:
        for (CTestNode* below : Subtree(node)) Damage(below);
        if (change == 3) return node->SetPriority(Pick(5) - 2);
        node->childrenEnabled = !node->childrenEnabled;
        return;
      case 4:  // recolour
        node->Paint(Colour());
        return Changed(node);
      case 5: {  // remove with everything below it
        std::vector<CTestNode*> gone = Subtree(node);
        for (CTestNode* below : gone) Damage(below);
        node->Destroy();
        std::erase_if(nodes,
                      [&](CTestNode* n) { return std::find(gone.begin(), gone.end(), n) != gone.end(); });
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
  size_t created = 0;
};

TEST(DirtyRect, ADirtyFrameShowsWhatAFullRedrawShowsAndChangesOnlyItsBounds) {
  RecordingWindow windows[2];
  CTSUsePtr<CTSGraphics> devices[2];
  for (int i = 0; i < 2; ++i)
    ASSERT_TRUE((devices[i] = CTSGraphicsManager::Instance().CreateDevice(
                     TS_GUID_GDI_GRAPHICS, windows[i].Handle(), kWidth, kHeight, false, true))
                    .Get());
  for (unsigned seed = 1; seed <= 300; ++seed) {
    RandomScene scene(seed);
    devices[0]->SetClipRect(nullptr);
    devices[0]->Clear(CTSColor(0));
    for (int frame = 0; frame < 8; ++frame) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << ", frame " << frame);
      for (int i = scene.Pick(4); i >= 0; --i) scene.Change();
      if (scene.Pick(6) == 0) {  // a back buffer that lost its content
        devices[0]->SetClipRect(nullptr);
        devices[0]->Clear(CTSColor(0xFF00FFFF));
        scene.tree->RequestFullRedraw();
      }
      std::vector<Pixel555> before = Pixels(devices[0].Get());
      RECT bounds;
      RECT kept;
      scene.tree->Update();
      scene.tree->Render(devices[0].Get());
      scene.tree->GetDirtyBounds(&bounds);
      std::vector<Pixel555> dirty = Pixels(devices[0].Get());
      for (INT y = 0; y < kHeight; ++y)
        for (INT x = 0; x < kWidth; ++x)
          ASSERT_TRUE(dirty[y * kWidth + x] == before[y * kWidth + x] ||
                      (x >= bounds.left && x < bounds.right && y >= bounds.top && y < bounds.bottom))
              << x << "," << y;
      scene.tree->EnableDirtyRect(false);
      scene.tree->Render(devices[1].Get());
      scene.tree->EnableDirtyRect(true);
      ASSERT_TRUE(dirty == Pixels(devices[1].Get()));
      EXPECT_EQ(*scene.tree->GetDirtyBounds(&kept), bounds) << "a frame with the mode off keeps the bounds";
    }
    // Released with changes still queued: every node goes, once.
    for (int i = scene.Pick(4); i >= 0; --i) scene.Change();
    scene.tree->Release();
    EXPECT_EQ(scene.log.destroyed.size(), scene.created + 1) << seed;
  }
}

// Clears are logged by the device, draws by the nodes, each with the clip in force.
struct CClearLoggingDevice : CTSGDIGraphics {
  explicit CClearLoggingDevice(TSNodeLog* log) : m_log(log) {}
  void Clear(CTSColor color) override {
    RECT clip;
    GetClipRect(&clip);
    m_log->painted.push_back({0, clip});
    CTSGDIGraphics::Clear(color);
  }
  TSNodeLog* m_log;
};

TEST(DirtyRectOrder, RecordsLargestFirstRepaintsInEachUntilOneHoldsThemAndRefusesRoomNotHad) {
  RecordingWindow window;
  TSNodeLog log;
  CTSUsePtr<CClearLoggingDevice> device(new CClearLoggingDevice(&log));
  ASSERT_TRUE(device->Create(window.Handle(), 320, 240, false, true));
  CTSRenderTree* tree = new CTSRenderTree(128, true);
  const RECT r1 = {10, 10, 30, 30};
  const RECT r2 = {100, 100, 150, 150};
  const RECT r3 = {140, 140, 160, 160};
  // Bounds that meet all three records; lie inside the largest and meet a later one; meet two
  // apart and lie in neither; meet none; and the sixth node's own.
  const RECT bounds[] = {
      {0, 0, 200, 200}, {141, 141, 149, 149}, {20, 20, 120, 120}, {300, 200, 310, 210}, {12, 12, 28, 28}};
  for (DWORD id = 1; id <= 7; ++id) {
    auto* node = new CTestNode(id, &log);
    node->bound = bounds[id <= 4 ? id - 1 : id == 6 ? 4 : 3];
    node->hasBound = id != 5;
    node->visible = id != 7;
    node->dirty = id == 7 || id == 6;
    tree->GetRoot()->AddChild(node, nullptr, nullptr);
    // Only visible dirty objects are asked for their rectangles. Equal areas
    // keep their order of addition; duplicate and held rectangles add nothing.
    node->rects = {{0, 220, 10, 230}};
    if (id == 6) node->rects = {r1, r2, r1, {110, 110, 120, 120}, r3};
  }
  tree->Update();
  log.painted.clear();
  tree->Render(device.Get());
  const std::vector<std::pair<DWORD, RECT>> painted = {{0, r2}, {0, r1}, {0, r3}, {1, r2}, {1, r1},
                                                       {1, r3}, {2, r2}, {3, r2}, {3, r1}, {6, bounds[4]}};
  EXPECT_EQ(log.painted, painted);
  RECT got;
  EXPECT_EQ(*tree->GetDirtyBounds(&got), (RECT{10, 10, 160, 160}));
  EXPECT_EQ(tree->GetDirtyBounds(nullptr), nullptr);
  tree->Release();
  try {  // room that cannot be had
    new CTSRenderTree(INT_MAX, true);
    ADD_FAILURE() << "no exception";
  } catch (Tessel::CTSCustomException* thrown) {
    EXPECT_STREQ(thrown->GetErrorMessage(), "Dirty Rect Count too large!");
    delete thrown;
  }
}

}  // namespace
