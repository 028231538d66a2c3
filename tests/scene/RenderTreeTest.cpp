#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "engine/scene/TSRenderObjectRegistry.h"
#include "engine/scene/TSRenderTree.h"
#include "platform/Platform.h"
#include "tests/scene/RecordingGraphics.h"
#include "tests/scene/TestNode.h"

namespace {

using Ids = std::vector<DWORD>;

// One outcome reported through the callback.
struct TSReport {
  CTSRenderTreeObject* parent;
  CTSRenderTreeObject* child;
  void* userData;
  INT result;
};

void Record(CTSRenderTreeObject* parent, CTSRenderTreeObject* child, void* userData, INT result) {
  static_cast<std::vector<TSReport>*>(userData)->push_back({parent, child, userData, result});
}

// The results reported so far.
std::vector<INT> Results(const std::vector<TSReport>& reports) {
  std::vector<INT> results;
  for (const TSReport& report : reports) results.push_back(report.result);
  return results;
}

class RenderTreeTest : public testing::Test {
 protected:
  void SetUp() override {
    Platform::EnableVirtualClock(1000, SYSTEMTIME{});
    tree = new CTSRenderTree(128, true);
  }
  void TearDown() override {
    if (tree != nullptr) tree->Release();
    Platform::DisableVirtualClock();
  }

  CTestNode* Node(DWORD id, INT priority = 0) {
    auto* node = new CTestNode(id, &log);
    node->SetPriority(priority);
    return node;
  }
  // Adds under the root and runs the queued add.
  CTestNode* Attach(DWORD id, INT priority = 0) {
    CTestNode* node = Node(id, priority);
    tree->GetRoot()->AddChild(node, nullptr, nullptr);
    tree->Update();
    return node;
  }
  // The ids of the nodes in the order the update pass visits them.
  Ids UpdateOrder() {
    log.updated.clear();
    tree->Update();
    return log.updated;
  }

  TSNodeLog log;
  std::vector<TSReport> reports;
  CTSRenderTree* tree = nullptr;
};

TEST_F(RenderTreeTest, IdentitiesAndTheRegistryOfLiveObjects) {
  CTestNode* node = Node(1);
  void* out = nullptr;
  EXPECT_TRUE(node->QueryObject(TS_GUID_RENDER_TREE_OBJECT, &out));
  EXPECT_EQ(out, static_cast<CTSRenderTreeObject*>(node));
  EXPECT_TRUE(node->QueryObject(TS_GUID_RENDER_OBJECT, &out));
  EXPECT_FALSE(node->QueryObject(TS_GUID_RENDER_TREE, &out));
  EXPECT_STREQ(node->GetClassName(), "TS_GUID_RENDER_TREE_OBJECT");
  EXPECT_TRUE(tree->QueryObject(TS_GUID_RENDER_TREE, &out));
  EXPECT_TRUE(tree->QueryObject(TS_GUID_USE_COUNT_OBJECT, &out));
  EXPECT_EQ(tree->GetUseCount(), 1);

  int local = 0;
  EXPECT_TRUE(CTSRenderObject::IsRenderObject(node));
  EXPECT_TRUE(CTSRenderObject::IsRenderObject(tree->GetRoot()));
  EXPECT_FALSE(CTSRenderObject::IsRenderObject(nullptr));
  EXPECT_FALSE(CTSRenderObject::IsRenderObject(&local));
  EXPECT_FALSE(CTSRenderObject::IsRenderObject(tree));
  node->Release();
  EXPECT_FALSE(CTSRenderObject::IsRenderObject(node));
  EXPECT_EQ(log.destroyed, Ids{1});
}

TEST_F(RenderTreeTest, ChildrenAreOrderedByPriorityWithEqualOnesInInsertionOrder) {
  // Queued through the tree.
  CTSRenderTreeObject* root = tree->GetRoot();
  for (auto [id, priority] : {std::pair{1u, 5}, {2u, -3}, {3u, 5}, {4u, 0}, {5u, 5}, {6u, 9}, {7u, -3}})
    root->AddChild(Node(id, priority), nullptr, nullptr);
  EXPECT_EQ(UpdateOrder(), (Ids{2, 7, 4, 1, 3, 5, 6}));

  // At once, under a node without a tree link; its children follow it.
  CTestNode* group = Node(10, 20);
  for (auto [id, priority] : {std::pair{11u, 2}, {12u, 1}, {13u, 2}, {14u, INT_MIN}, {15u, INT_MAX}})
    group->AddChild(Node(id, priority), nullptr, nullptr);
  root->AddChild(group, nullptr, nullptr);
  EXPECT_EQ(UpdateOrder(), (Ids{2, 7, 4, 1, 3, 5, 6, 10, 14, 12, 11, 13, 15}));
}

TEST_F(RenderTreeTest, SetPriorityUnderTheRootMovesTheNodeOnlyAtTheNextUpdate) {
  CTestNode* first = Attach(1);
  Attach(2);
  Attach(3);
  first->SetPriority(1);
  EXPECT_EQ(first->GetPriority(), 1);

  // Until the re-add runs, the node is still drawn at its old place...
  CRecordingGraphics device(640, 480);
  tree->EnableDirtyRect(false);
  tree->Render(&device);
  Ids drawn;
  for (const TSDeviceEvent& event : device.Only(TSDeviceEvent::kDraw)) drawn.push_back(event.value);
  EXPECT_EQ(drawn, (Ids{1, 2, 3}));
  // ...and moves behind its equals at the next Update.
  EXPECT_EQ(UpdateOrder(), (Ids{2, 3, 1}));

  // A node without a tree link moves at once: its parent releases children in list order.
  CTestNode* group = Node(10);
  CTestNode* a = Node(11);
  group->AddChild(a, nullptr, nullptr);
  group->AddChild(Node(12), nullptr, nullptr);
  a->SetPriority(1);
  group->Release();
  EXPECT_EQ(log.destroyed, (Ids{10, 12, 11}));
}

TEST_F(RenderTreeTest, AddChildReportsEachRefusalAndChangesNothing) {
  CTSRenderTreeObject* root = tree->GetRoot();
  CTestNode* attached = Attach(1);
  CTestNode* parent = Node(2);
  CTestNode* child = Node(3);
  parent->AddChild(child, Record, &reports);
  CTestNode* loose = Node(5);
  CTestNode* stale = Node(4);
  stale->Release();

  loose->AddChild(loose, Record, &reports);     // itself
  root->AddChild(root, Record, &reports);       // itself, with a tree link
  loose->AddChild(attached, Record, &reports);  // already in the tree
  loose->AddChild(child, Record, &reports);     // already has a parent
  loose->AddChild(stale, Record, &reports);     // not a live object
  loose->AddChild(nullptr, Record, &reports);   // null
  child->AddChild(parent, Record, &reports);    // its own parent: a cycle
  EXPECT_EQ(Results(reports), (std::vector<INT>{0, 4, 4, 2, 3, 1, 1, 4}));
  EXPECT_EQ(reports[1].parent, loose);
  EXPECT_EQ(reports[1].child, loose);
  EXPECT_EQ(reports[1].userData, &reports);

  // Everything stayed where it was.
  EXPECT_EQ(UpdateOrder(), Ids{1});
  parent->Release();
  EXPECT_EQ(log.destroyed, (Ids{4, 2, 3}));
  loose->AddChild(Node(6), Record, &reports);
  EXPECT_EQ(reports.back().result, 0);
  loose->Release();
}

TEST_F(RenderTreeTest, RemoveChildReportsMissingAndNullChildren) {
  CTestNode* parent = Node(1);
  CTestNode* child = Node(2);
  CTestNode* other = Node(3);
  parent->AddChild(child, nullptr, nullptr);
  parent->RemoveChild(other, Record, &reports);
  parent->RemoveChild(nullptr, Record, &reports);
  EXPECT_TRUE(log.destroyed.empty());
  parent->RemoveChild(child, Record, &reports);
  EXPECT_EQ(Results(reports), (std::vector<INT>{6, 1, 0}));
  EXPECT_EQ(log.destroyed, Ids{2});

  // Through the tree the outcome comes with the next Update.
  reports.clear();
  tree->GetRoot()->RemoveChild(other, Record, &reports);
  tree->GetRoot()->RemoveChild(nullptr, Record, &reports);
  EXPECT_EQ(Results(reports), std::vector<INT>{1});
  tree->Update();
  EXPECT_EQ(Results(reports), (std::vector<INT>{1, 6}));
  EXPECT_EQ(log.destroyed, Ids{2});
  parent->Release();
  other->Release();
}

TEST_F(RenderTreeTest, ChangesUnderTheTreeWaitForUpdateAndCallTheHooks) {
  struct CHookNode : CTestNode {
    using CTestNode::CTestNode;
    void OnChildAdded(CTSRenderTreeObject* child) override { added.push_back(child); }
    void OnChildRemoved(CTSRenderTreeObject* child) override { removed.push_back(child); }
    std::vector<CTSRenderTreeObject*> added, removed;
  };
  auto* hook = new CHookNode(1, &log);
  tree->GetRoot()->AddChild(hook, Record, &reports);
  tree->Update();
  CTestNode* child = Node(2);
  hook->AddChild(child, Record, &reports);
  EXPECT_EQ(reports.size(), 1u);
  EXPECT_TRUE(hook->added.empty());
  tree->Update();
  EXPECT_EQ(Results(reports), (std::vector<INT>{0, 0}));
  EXPECT_EQ(reports[1].parent, hook);
  EXPECT_EQ(hook->added, std::vector<CTSRenderTreeObject*>{child});

  // A node added through the tree has a tree link: adding it again reports 2.
  CTestNode* loose = Node(3);
  loose->AddChild(child, Record, &reports);
  EXPECT_EQ(reports.back().result, 2);

  child->Destroy();
  EXPECT_TRUE(log.destroyed.empty());
  tree->Update();
  EXPECT_EQ(log.destroyed, Ids{2});
  EXPECT_EQ(hook->removed, std::vector<CTSRenderTreeObject*>{child});
  loose->Destroy();
  EXPECT_EQ(log.destroyed, (Ids{2, 3}));
}

TEST_F(RenderTreeTest, QueuedCommandsForObjectsDestroyedMeanwhileReportOne) {
  CTSRenderTreeObject* root = tree->GetRoot();
  CTestNode* gone = Attach(1);
  root->RemoveChild(gone, Record, &reports);
  gone->Release();  // leaves the root's list as it goes
  tree->Update();
  EXPECT_EQ(Results(reports), std::vector<INT>{1});

  // A parent removed first takes its child along; the child's own removal finds neither.
  reports.clear();
  CTestNode* parent = Attach(2);
  CTestNode* child = Node(3);
  parent->AddChild(child, nullptr, nullptr);
  tree->Update();
  root->RemoveChild(parent, Record, &reports);
  parent->RemoveChild(child, Record, &reports);
  CTestNode* late = Node(4);
  parent->AddChild(late, Record, &reports);
  tree->Update();
  EXPECT_EQ(Results(reports), (std::vector<INT>{0, 1, 1}));
  EXPECT_EQ(log.destroyed, (Ids{1, 2, 3}));
  late->Release();
  EXPECT_EQ(UpdateOrder(), Ids{});
}

TEST_F(RenderTreeTest, NodesLeaveTheirParentsListWhenDestroyedDirectly) {
  // A node waiting for its re-add after SetPriority is still listed under its
  // former parent; destroying it then must not leave the entry behind.
  CTestNode* moving = Attach(1);
  Attach(2);
  moving->SetPriority(7);
  moving->Destroy();
  EXPECT_EQ(log.destroyed, Ids{1});
  EXPECT_EQ(UpdateOrder(), Ids{2});

  CTestNode* released = Attach(3);
  released->Release();
  CRecordingGraphics device(640, 480);
  tree->EnableDirtyRect(false);
  tree->Render(&device);
  EXPECT_EQ(device.Only(TSDeviceEvent::kDraw).size(), 1u);
  EXPECT_EQ(UpdateOrder(), Ids{2});
}

TEST_F(RenderTreeTest, ANodeWaitingForItsReAddCannotBeListedTwice) {
  CTestNode* moving = Attach(1);
  CTestNode* other = Node(2);
  moving->SetPriority(3);
  other->AddChild(moving, Record, &reports);
  EXPECT_EQ(Results(reports), std::vector<INT>{0});
  tree->Update();  // the re-add finds it parented
  EXPECT_EQ(UpdateOrder(), Ids{});
  other->Release();
  EXPECT_EQ(log.destroyed, (Ids{2, 1}));

  // Nor can its own descendants adopt it while it waits.
  CTestNode* top = Attach(10);
  CTestNode* below = Node(11);
  top->AddChild(below, nullptr, nullptr);
  tree->Update();
  top->SetPriority(4);
  below->AddChild(top, Record, &reports);
  tree->Update();
  EXPECT_EQ(reports.back().result, 4);
  EXPECT_EQ(UpdateOrder(), (Ids{10, 11}));
}

TEST_F(RenderTreeTest, UpdatePassesWholeMillisecondsSinceThePreviousUpdate) {
  Sleep(40);
  Attach(1);  // the first Update: the time since construction
  Sleep(250);
  tree->Update();
  tree->Update();
  Platform::AdvanceVirtualClock(16);
  tree->Update();
  EXPECT_EQ(log.elapsed, (std::vector<INT>{40, 250, 0, 16}));
}

TEST_F(RenderTreeTest, UpdateSkipsDisabledNodesAndChildrenOfClosedOnes) {
  CTestNode* silent = Attach(1);
  CTestNode* closed = Attach(2);
  for (CTestNode* parent : {silent, closed}) parent->AddChild(Node(parent->id * 10), nullptr, nullptr);
  tree->Update();
  silent->updateEnabled = false;
  closed->childrenEnabled = false;
  EXPECT_EQ(UpdateOrder(), (Ids{10, 2}));
}

TEST_F(RenderTreeTest, CommandsQueuedWhileCommandsRunWaitForTheNextUpdate) {
  struct TSChain {
    CTSRenderTreeObject* root;
    CTestNode* next;
    std::vector<TSReport>* reports;
  };
  CTestNode* second = Node(2);
  std::vector<TSReport> seen;
  TSChain chain = {tree->GetRoot(), second, &seen};
  auto queueNext = [](CTSRenderTreeObject* parent, CTSRenderTreeObject* child, void* data, INT result) {
    auto* chain = static_cast<TSChain*>(data);
    chain->reports->push_back({parent, child, data, result});
    if (chain->next != nullptr)
      chain->root->AddChild(std::exchange(chain->next, nullptr), Record, chain->reports);
  };
  tree->GetRoot()->AddChild(Node(1), queueNext, &chain);
  EXPECT_EQ(UpdateOrder(), Ids{1});
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_EQ(UpdateOrder(), (Ids{1, 2}));
  EXPECT_EQ(Results(seen), (std::vector<INT>{0, 0}));
}

TEST_F(RenderTreeTest, ReleasingTheTreeReleasesTheWholeHierarchy) {
  // Nodes linked to the tree at several depths, an immediate subtree, a node
  // waiting for its re-add and an add still queued.
  CTestNode* a = Attach(1);
  a->AddChild(Node(2), nullptr, nullptr);
  tree->Update();
  CTestNode* c = Node(3);
  a->AddChild(c, nullptr, nullptr);
  tree->Update();
  c->AddChild(Node(4), nullptr, nullptr);
  tree->Update();
  CTestNode* d = Node(5);
  d->AddChild(Node(6), nullptr, nullptr);
  tree->GetRoot()->AddChild(d, nullptr, nullptr);
  tree->Update();
  a->SetPriority(9);
  tree->GetRoot()->AddChild(Node(7), nullptr, nullptr);

  tree->Release();
  tree = nullptr;
  std::sort(log.destroyed.begin(), log.destroyed.end());
  EXPECT_EQ(log.destroyed, (Ids{1, 2, 3, 4, 5, 6, 7}));
}

// At exit, an owner constructed before the registry releases its tree after
// the registry is gone; the whole hierarchy must still go, without touching it.
struct TSExitOwner {
  TSNodeLog log;
  CTSRenderTree* tree = nullptr;
  ~TSExitOwner() {
    tree->Release();
    if (log.destroyed.size() != 2) {
      std::fprintf(stderr, "the tree released %zu of 2 nodes at exit\n", log.destroyed.size());
      std::_Exit(1);
    }
  }
};

TEST(RenderTreeAtExit, ReleasesItsHierarchyAfterTheRegistryIsGone) {
  if (CTSRenderObjectRegistry::Live() != nullptr)
    GTEST_SKIP() << "the registry already exists in this process";
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

}  // namespace
