// The render tree: priority order, the refusals and reports of structural
// changes, changes that wait for Update, what goes when; and dirty-rectangle
// frames on the software device: on random scenes a dirty frame shows exactly
// what a full redraw shows and changes nothing outside the bounds it reports,
// and the orders the tree fixes hold on a small scene.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "engine/graphics/TSGDIGraphics.h"
#include "engine/graphics/TSGraphicsManager.h"
#include "engine/object/TSCustomException.h"
#include "engine/scene/TSRenderObjectRegistry.h"
#include "engine/scene/TSRenderTree.h"
#include "tests/common/RunTool.h"
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
  std::vector<DWORD> updated, destroyed;        // ids, in order
  std::vector<INT> elapsed;                     // what each Update was given
  std::vector<std::pair<DWORD, RECT>> painted;  // draws (id) and clears (0), with the clip in force
};

class CTestNode : public CTSRenderTreeObject {
 public:
  CTestNode(DWORD id, TSNodeLog* log) : id(id), m_log(log) {}
  ~CTestNode() override { m_log->destroyed.push_back(id); }
  void Update(INT elapsedMs) override {
    m_log->updated.push_back(id);
    m_log->elapsed.push_back(elapsedMs);
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
  bool updateEnabled = true, visible = true, dirty = false, childrenEnabled = true, hasBound = true;
  RECT bound = {};
  std::vector<RECT> rects;
  CTSUsePtr<CTSGDITexture> block;
  CTestNode* parentNode = nullptr;  // kept by the test that builds random scenes
};

using Ids = std::vector<DWORD>;

// Every outcome reported through the callback, with the callback's arguments.
struct TSReports {
  std::vector<CTSRenderTreeObject*> parents, children;
  std::vector<INT> results;
};

void Record(CTSRenderTreeObject* parent, CTSRenderTreeObject* child, void* userData, INT result) {
  auto* reports = static_cast<TSReports*>(userData);
  reports->parents.push_back(parent);
  reports->children.push_back(child);
  reports->results.push_back(result);
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
  // Adds under parent (the root when null) and runs the queued changes.
  CTestNode* Attach(DWORD id, CTSRenderTreeObject* parent = nullptr) {
    CTestNode* node = Node(id);
    (parent != nullptr ? parent : tree->GetRoot())->AddChild(node, nullptr, nullptr);
    tree->Update();
    return node;
  }
  // The ids in the order the update pass visits them.
  Ids UpdateOrder() {
    log.updated.clear();
    tree->Update();
    return log.updated;
  }

  TSNodeLog log;
  TSReports reports;
  CTSRenderTree* tree = nullptr;
};

TEST_F(RenderTreeTest, ChildrenAreOrderedByPriorityWithEqualOnesInInsertionOrder) {
  CTSRenderTreeObject* root = tree->GetRoot();
  for (auto [id, priority] : {std::pair{1u, 5}, {2u, -3}, {3u, 5}, {4u, 0}, {5u, 5}, {6u, 9}, {7u, -3}})
    root->AddChild(Node(id, priority), nullptr, nullptr);
  EXPECT_EQ(UpdateOrder(), (Ids{2, 7, 4, 1, 3, 5, 6}));
  // At once under a node without a tree link; its children follow it.
  CTestNode* group = Node(10, 20);
  for (auto [id, priority] : {std::pair{11u, 2}, {12u, 1}, {13u, 2}, {14u, INT_MIN}, {15u, INT_MAX}})
    group->AddChild(Node(id, priority), nullptr, nullptr);
  root->AddChild(group, nullptr, nullptr);
  EXPECT_EQ(UpdateOrder(), (Ids{2, 7, 4, 1, 3, 5, 6, 10, 14, 12, 11, 13, 15}));
  // A new priority moves a node behind its equals: at the next Update under the tree...
  root->RemoveAllChildren(nullptr, nullptr);
  CTestNode* first = Attach(1);
  Attach(2);
  Attach(3);
  first->SetPriority(1);
  EXPECT_TRUE(first->GetPriority() == 1 && UpdateOrder() == (Ids{2, 3, 1}));
}

TEST_F(RenderTreeTest, EachRefusalIsReportedAndChangesNothing) {
  CTSRenderTreeObject* root = tree->GetRoot();
  CTestNode *attached = Attach(1), *parent = Node(2), *child = Node(3), *loose = Node(5), *stale = Node(4);
  parent->AddChild(child, Record, &reports);
  stale->Release();
  // Added: itself, itself with a tree link, one already in the tree, one that already has a parent,
  // one no longer live, null, its own ancestor; removed: one that is not a child, null.
  CTSRenderTreeObject* const adds[][2] = {{loose, loose}, {root, root},     {loose, attached}, {loose, child},
                                          {loose, stale}, {loose, nullptr}, {child, parent}};
  for (auto [to, added] : adds) to->AddChild(added, Record, &reports);
  parent->RemoveChild(loose, Record, &reports);
  parent->RemoveChild(nullptr, Record, &reports);  // null
  EXPECT_EQ(reports.results, (std::vector<INT>{0, 4, 4, 2, 3, 1, 1, 4, 6, 1}));
  EXPECT_TRUE(reports.parents[1] == loose && reports.children[1] == loose);
  // Under the tree a removal's outcome comes with the next Update.
  root->RemoveChild(loose, Record, &reports);
  EXPECT_TRUE(reports.results.size() == 10u && UpdateOrder() == Ids{1} && reports.results.back() == 6 &&
              reports.parents.back() == root);
  log.destroyed.clear();
  parent->Release();
  loose->Release();
  EXPECT_EQ(log.destroyed, (Ids{2, 3, 5}));
}

TEST_F(RenderTreeTest, ChangesUnderTheTreeWaitForUpdateThenReportAndCallTheHooks) {
  struct CHookNode : CTestNode {
    using CTestNode::CTestNode;
    void OnChildAdded(CTSRenderTreeObject* child) override { added.push_back(child); }
    void OnChildRemoved(CTSRenderTreeObject* child) override { removed.push_back(child); }
    std::vector<CTSRenderTreeObject*> added, removed;
  };
  auto* hook = new CHookNode(1, &log);
  tree->GetRoot()->AddChild(hook, Record, &reports);
  tree->Update();
  CTestNode *child = Node(2), *loose = Node(3);
  hook->AddChild(child, Record, &reports);
  EXPECT_TRUE(reports.results.size() == 1 && hook->added.empty());
  tree->Update();
  EXPECT_TRUE(reports.results == (std::vector<INT>{0, 0}) && reports.parents[1] == hook &&
              hook->added == std::vector<CTSRenderTreeObject*>{child});
  loose->AddChild(child, Record, &reports);
  EXPECT_EQ(reports.results.back(), 2);  // added through the tree: a tree link
  child->Destroy();
  EXPECT_TRUE(log.destroyed.empty());
  tree->Update();
  EXPECT_TRUE(log.destroyed == Ids{2} && hook->removed == std::vector<CTSRenderTreeObject*>{child});
  loose->Destroy();
  EXPECT_EQ(log.destroyed, (Ids{2, 3}));
}

TEST_F(RenderTreeTest, UpdateGivesWholeMillisecondsAndSkipsDisabledNodesAndClosedChildren) {
  Sleep(40);
  CTestNode* silent = Attach(1);  // the first Update: the time since construction
  Sleep(250);
  tree->Update();
  tree->Update();
  Platform::AdvanceVirtualClock(16);
  tree->Update();
  EXPECT_EQ(log.elapsed, (std::vector<INT>{40, 250, 0, 16}));
  CTestNode* closed = Attach(2);
  Attach(10, silent);
  Attach(20, closed);
  silent->updateEnabled = closed->childrenEnabled = false;
  EXPECT_EQ(UpdateOrder(), (Ids{10, 2}));
}

// At exit, an owner constructed before the registry releases its tree after
// the registry is gone; the whole hierarchy must still go, without touching it.
struct TSExitOwner {
  TSNodeLog log;
  CTSRenderTree* tree = nullptr;
  ~TSExitOwner() {
    tree->Release();
    if (log.destroyed.size() == 2) return;
    std::fprintf(stderr, "the tree released %zu of 2 nodes at exit\n", log.destroyed.size());
    std::_Exit(1);
  }
};

// Needs a process without a registry: run alone by the test below.
TEST(RenderTreeAtExit, DISABLED_InAFreshProcess) {
  ASSERT_EQ(CTSRenderObjectRegistry::Live(), nullptr);
  static TSExitOwner owner;
  owner.tree = new CTSRenderTree(8, true);
  auto* parent = new CTestNode(1, &owner.log);
  owner.tree->GetRoot()->AddChild(parent, nullptr, nullptr);
  owner.tree->Update();
  parent->AddChild(new CTestNode(2, &owner.log), nullptr, nullptr);
  owner.tree->Update();
  // Made after the owner, the registry is destroyed before it.
  EXPECT_NE(CTSRenderObjectRegistry::Live(), nullptr);
}

TEST(RenderTreeAtExit, ReleasesItsHierarchyAfterTheRegistryIsGone) {
  TempFolder folder;
  ToolRun run = RunTool(std::filesystem::read_symlink("/proc/self/exe").string(),
                        "--gtest_also_run_disabled_tests --gtest_filter=RenderTreeAtExit.DISABLED_*");
  EXPECT_TRUE(run.status == 0 && run.out.find("[  PASSED  ] 1 test") != std::string::npos)
      << run.out << run.errors;
}

constexpr INT kWidth = 64, kHeight = 48;

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
  ~RandomScene() {
    if (tree != nullptr) tree->Release();
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
    INT x = Pick(kWidth + 8) - 8, y = Pick(kHeight + 8) - 8;
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
        INT dx = Pick(21) - 10, dy = Pick(21) - 10;
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
      RECT bounds, kept;
      scene.tree->Update();
      scene.tree->Render(devices[0].Get());
      scene.tree->GetDirtyBounds(&bounds);
      std::vector<Pixel555> dirty = Pixels(devices[0].Get());
      for (INT i = 0; i < kWidth * kHeight; ++i) {
        const INT x = i % kWidth, y = i / kWidth;
        const bool inside = x >= bounds.left && x < bounds.right && y >= bounds.top && y < bounds.bottom;
        ASSERT_TRUE(inside || dirty[i] == before[i]) << x << "," << y;
      }
      scene.tree->EnableDirtyRect(false);
      scene.tree->Render(devices[1].Get());
      scene.tree->EnableDirtyRect(true);
      ASSERT_TRUE(dirty == Pixels(devices[1].Get()));
      EXPECT_EQ(*scene.tree->GetDirtyBounds(&kept), bounds) << "a frame with the mode off keeps the bounds";
    }
    // Released with changes still queued: every node goes, once.
    for (int i = scene.Pick(4); i >= 0; --i) scene.Change();
    scene.tree->Release();
    scene.tree = nullptr;
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
  for (INT capacity : {128, 2}) {
    SCOPED_TRACE(capacity);
    CTSRenderTree* tree = new CTSRenderTree(capacity, true);
    const RECT r1 = {10, 10, 30, 30}, r2 = {100, 100, 150, 150}, r3 = {140, 140, 160, 160};
    // Bounds that meet all three records; lie inside the largest and meet a later one; meet two
    // apart and lie in neither; meet none; and the sixth node's own.
    const RECT bounds[] = {
        {0, 0, 200, 200}, {141, 141, 149, 149}, {20, 20, 120, 120}, {300, 200, 310, 210}, {12, 12, 28, 28}};
    for (DWORD id = 1; id <= 8; ++id) {
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
    RECT whole = {0, 0, 320, 240}, got;
    if (capacity == 128) {
      const std::vector<std::pair<DWORD, RECT>> painted = {
          {0, r2}, {0, r1}, {0, r3}, {1, r2}, {1, r1}, {1, r3}, {2, r2}, {3, r2}, {3, r1}, {6, bounds[4]}};
      EXPECT_EQ(log.painted, painted);
      EXPECT_EQ(*tree->GetDirtyBounds(&got), (RECT{10, 10, 160, 160}));
    } else {
      // The list holds capacity less one records: the fourth has the frame drawn and reported in full.
      EXPECT_TRUE(log.painted.size() == 8 && log.painted.at(0) == std::make_pair(DWORD(0), whole) &&
                  *tree->GetDirtyBounds(&got) == whole);
    }
    EXPECT_EQ(tree->GetDirtyBounds(nullptr), nullptr);
    tree->Release();
  }
  try {  // room that cannot be had
    new CTSRenderTree(INT_MAX, true);
    ADD_FAILURE() << "no exception";
  } catch (Tessel::CTSCustomException* thrown) {
    EXPECT_STREQ(thrown->GetErrorMessage(), "Dirty Rect Count too large!");
    delete thrown;
  }
}

}  // namespace
