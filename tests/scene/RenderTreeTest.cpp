// The render tree's structure: priority order, the refusals and reports of
// structural changes, changes that wait for Update, and what goes when.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "engine/scene/TSRenderObjectRegistry.h"
#include "engine/scene/TSRenderTree.h"
#include "platform/Platform.h"
#include "tests/scene/TestNode.h"

namespace {

using Ids = std::vector<DWORD>;
using Results = std::vector<INT>;

// Every outcome reported through the callback, with the callback's arguments.
struct TSReports {
  std::vector<CTSRenderTreeObject*> parents, children;
  Results results;
};

void Record(CTSRenderTreeObject* parent, CTSRenderTreeObject* child, void* userData, INT result) {
  auto* reports = static_cast<TSReports*>(userData);
  reports->parents.push_back(parent), reports->children.push_back(child), reports->results.push_back(result);
}

class RenderTreeTest : public testing::Test {
 protected:
  void SetUp() override { Platform::EnableVirtualClock(1000, SYSTEMTIME{}); }
  void TearDown() override {
    if (tree != nullptr) tree->Release();
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
  CTSRenderTree* tree = new CTSRenderTree(128, true);
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
  EXPECT_EQ(first->GetPriority(), 1);
  EXPECT_EQ(UpdateOrder(), (Ids{2, 3, 1}));
  // ...at once without a tree link: the parent releases its children in list order.
  CTestNode *loose = Node(20), *a = Node(21);
  loose->AddChild(a, nullptr, nullptr);
  loose->AddChild(Node(22), nullptr, nullptr);
  a->SetPriority(1);
  log.destroyed.clear();
  loose->Release();
  EXPECT_EQ(log.destroyed, (Ids{20, 22, 21}));
}

TEST_F(RenderTreeTest, EachRefusalIsReportedAndChangesNothing) {
  CTSRenderTreeObject* root = tree->GetRoot();
  CTestNode *attached = Attach(1), *parent = Node(2), *child = Node(3), *loose = Node(5), *stale = Node(4);
  parent->AddChild(child, Record, &reports);
  stale->Release();
  loose->AddChild(loose, Record, &reports);     // itself
  root->AddChild(root, Record, &reports);       // itself, with a tree link
  loose->AddChild(attached, Record, &reports);  // already in the tree
  loose->AddChild(child, Record, &reports);     // already has a parent
  loose->AddChild(stale, Record, &reports);     // not a live object
  loose->AddChild(nullptr, Record, &reports);   // null
  child->AddChild(parent, Record, &reports);    // its own ancestor
  parent->RemoveChild(loose, Record, &reports);    // not a child
  parent->RemoveChild(nullptr, Record, &reports);  // null
  EXPECT_EQ(reports.results, (Results{0, 4, 4, 2, 3, 1, 1, 4, 6, 1}));
  EXPECT_TRUE(reports.parents[1] == loose && reports.children[1] == loose);
  // Under the tree a removal's outcome comes with the next Update.
  root->RemoveChild(loose, Record, &reports);
  EXPECT_EQ(reports.results.size(), 10u);
  EXPECT_EQ(UpdateOrder(), Ids{1});
  EXPECT_TRUE(reports.results.back() == 6 && reports.parents.back() == root);
  log.destroyed.clear();
  parent->Release();
  EXPECT_EQ(log.destroyed, (Ids{2, 3}));
  loose->Release();
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
  CTestNode* child = Node(2);
  hook->AddChild(child, Record, &reports);
  EXPECT_EQ(reports.results.size(), 1u);
  EXPECT_TRUE(hook->added.empty());
  tree->Update();
  EXPECT_EQ(reports.results, (Results{0, 0}));
  EXPECT_EQ(reports.parents[1], hook);
  EXPECT_EQ(hook->added, std::vector<CTSRenderTreeObject*>{child});
  CTestNode* loose = Node(3);
  loose->AddChild(child, Record, &reports);
  EXPECT_EQ(reports.results.back(), 2);  // added through the tree: a tree link
  child->Destroy();
  EXPECT_TRUE(log.destroyed.empty());
  tree->Update();
  EXPECT_EQ(log.destroyed, Ids{2});
  EXPECT_EQ(hook->removed, std::vector<CTSRenderTreeObject*>{child});
  loose->Destroy();
  EXPECT_EQ(log.destroyed, (Ids{2, 3}));
}

TEST_F(RenderTreeTest, QueuedChangesOfObjectsDestroyedMeanwhileReportOne) {
  CTSRenderTreeObject* root = tree->GetRoot();
  CTestNode* gone = Attach(1);
  root->RemoveChild(gone, Record, &reports);
  gone->Release();  // leaves the root's list as it goes
  tree->Update();
  // A parent removed first takes its child along; the child's own removal finds neither.
  CTestNode *parent = Attach(2), *child = Attach(3, parent), *late = Node(4);
  root->RemoveChild(parent, Record, &reports);
  parent->RemoveChild(child, Record, &reports);
  parent->AddChild(late, Record, &reports);
  tree->Update();
  EXPECT_EQ(reports.results, (Results{1, 0, 1, 1}));
  EXPECT_EQ(log.destroyed, (Ids{1, 2, 3}));
  late->Release();
  EXPECT_EQ(UpdateOrder(), Ids{});
}

TEST_F(RenderTreeTest, ANodeWaitingForItsReAddIsListedOnceAndLeavesWhenDestroyed) {
  CTestNode* moving = Attach(1);
  Attach(2);
  moving->SetPriority(7);
  moving->Destroy();
  EXPECT_EQ(log.destroyed, Ids{1});
  EXPECT_EQ(UpdateOrder(), Ids{2});
  // Adopted elsewhere while it waits: the re-add finds it parented.
  moving = Attach(3);
  CTestNode* other = Node(4);
  moving->SetPriority(3);
  other->AddChild(moving, Record, &reports);
  EXPECT_EQ(UpdateOrder(), Ids{2});
  other->Release();
  EXPECT_EQ(log.destroyed, (Ids{1, 4, 3}));
  // Nor can its own descendants adopt it while it waits.
  CTestNode *top = Attach(10), *below = Attach(11, top);
  top->SetPriority(4);
  below->AddChild(top, Record, &reports);
  tree->Update();
  EXPECT_EQ(reports.results, (Results{0, 4}));
  EXPECT_EQ(UpdateOrder(), (Ids{2, 10, 11}));
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
  Attach(10, silent), Attach(20, closed);
  silent->updateEnabled = false;
  closed->childrenEnabled = false;
  EXPECT_EQ(UpdateOrder(), (Ids{10, 2}));
}

TEST_F(RenderTreeTest, ChangesQueuedWhileChangesRunWaitForTheNextUpdate) {
  struct TSChain { CTSRenderTreeObject* root; CTestNode* next; TSReports* reports; } chain = {tree->GetRoot(), Node(2), &reports};
  auto queueNext = [](CTSRenderTreeObject* parent, CTSRenderTreeObject* child, void* data, INT result) {
    auto* chain = static_cast<TSChain*>(data);
    Record(parent, child, chain->reports, result);
    if (chain->next != nullptr) chain->root->AddChild(std::exchange(chain->next, nullptr), Record, chain->reports);
  };
  tree->GetRoot()->AddChild(Node(1), queueNext, &chain);
  EXPECT_EQ(UpdateOrder(), Ids{1});
  EXPECT_EQ(UpdateOrder(), (Ids{1, 2}));
  EXPECT_EQ(reports.results, (Results{0, 0}));
}

TEST_F(RenderTreeTest, ReleasingTheTreeReleasesTheWholeHierarchy) {
  // Nodes at several depths, an immediate subtree, a node waiting for its
  // re-add and an add still queued.
  CTestNode* a = Attach(1);
  Attach(4, Attach(3, a));
  CTestNode* d = Node(5);
  d->AddChild(Node(6), nullptr, nullptr);
  tree->GetRoot()->AddChild(d, nullptr, nullptr);
  tree->Update();
  a->SetPriority(9);
  tree->GetRoot()->AddChild(Node(7), nullptr, nullptr);
  tree->Release();
  tree = nullptr;
  std::sort(log.destroyed.begin(), log.destroyed.end());
  EXPECT_EQ(log.destroyed, (Ids{1, 3, 4, 5, 6, 7}));
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
  if (CTSRenderObjectRegistry::Live() != nullptr) GTEST_SKIP() << "the registry already exists in this process";
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
