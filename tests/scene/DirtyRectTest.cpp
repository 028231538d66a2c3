#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "engine/object/TSCustomException.h"
#include "engine/scene/TSRenderTree.h"
#include "platform/Platform.h"
#include "tests/scene/RecordingGraphics.h"
#include "tests/scene/TestNode.h"

#ifdef __SANITIZE_ADDRESS__
// Lets the allocator refuse an impossible request instead of ending the process.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace {

using Events = std::vector<TSDeviceEvent>;
using Ids = std::vector<DWORD>;

constexpr RECT kWhole = {0, 0, 640, 480};

TSDeviceEvent Clip(const RECT& rect) { return {TSDeviceEvent::kClip, 0, rect}; }
TSDeviceEvent Clear(const RECT& rect) { return {TSDeviceEvent::kClear, 0, rect}; }
TSDeviceEvent Draw(DWORD id, const RECT& clip) { return {TSDeviceEvent::kDraw, id, clip}; }

// What a dirty-mode frame clears first: each record, in order.
Events Clears(const std::vector<RECT>& records) {
  Events events;
  for (const RECT& rect : records) {
    events.push_back(Clip(rect));
    events.push_back(Clear(rect));
  }
  return events;
}

Events Concat(Events first, const Events& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

class DirtyRectTest : public testing::Test {
 protected:
  void SetUp() override {
    Platform::EnableVirtualClock(1000, SYSTEMTIME{});
    UseTree(128);
  }
  void TearDown() override {
    tree->Release();
    Platform::DisableVirtualClock();
  }

  void UseTree(INT capacity) {
    if (tree != nullptr) tree->Release();
    tree = new CTSRenderTree(capacity, true);
  }
  // A node under the root (added at once to the root's list by the next Update).
  CTestNode* Add(DWORD id, const RECT& bound, CTSRenderTreeObject* parent = nullptr) {
    auto* node = new CTestNode(id, &log);
    node->SetBound(bound);
    (parent != nullptr ? parent : tree->GetRoot())->AddChild(node, nullptr, nullptr);
    tree->Update();
    return node;
  }
  // Renders one frame and returns what reached the device.
  Events Frame() {
    device.events.clear();
    tree->Render(&device);
    return device.events;
  }
  RECT Bounds() const {
    RECT bounds = {1, 2, 3, 4};
    EXPECT_EQ(tree->GetDirtyBounds(&bounds), &bounds);
    return bounds;
  }

  TSNodeLog log;
  CRecordingGraphics device{640, 480};
  CTSRenderTree* tree = nullptr;
};

TEST_F(DirtyRectTest, ModeOffClearsEverythingAndDrawsEveryVisibleObject) {
  tree->EnableDirtyRect(false);
  EXPECT_FALSE(tree->IsDirtyRectEnabled());
  CTestNode* hidden = Add(1, {0, 0, 10, 10});
  hidden->visible = false;
  Add(2, {5, 5, 20, 20}, hidden);
  CTestNode* closed = Add(3, {30, 30, 60, 60});
  closed->childrenEnabled = false;
  Add(4, {0, 0, 1, 1}, closed);
  CTestNode* unbounded = Add(5, {});
  unbounded->hasBound = false;
  Add(6, {-20, 470, 700, 500});

  EXPECT_EQ(Frame(),
            (Events{Clip(kWhole), Clear(kWhole), Clip(kWhole), Clip({5, 5, 20, 20}), Draw(2, {5, 5, 20, 20}),
                    Clip({30, 30, 60, 60}), Draw(3, {30, 30, 60, 60}), Clip(kWhole), Draw(5, kWhole),
                    Clip({0, 470, 640, 480}), Draw(6, {0, 470, 640, 480})}));
}

TEST_F(DirtyRectTest, AFrameWithNothingDirtyClearsAndPaintsNothing) {
  Add(1, {0, 0, 100, 100});
  CTestNode* invisible = Add(2, {50, 50, 60, 60});
  invisible->visible = false;
  invisible->dirty = true;
  invisible->rects = {{50, 50, 60, 60}};
  EXPECT_EQ(Frame(), Events{});
  EXPECT_EQ(Bounds(), (RECT{0, 0, 0, 0}));
  EXPECT_EQ(log.asked, Ids{});
}

TEST_F(DirtyRectTest, ADirtyObjectWithoutRectanglesIsPaintedInFullWithNothingCleared) {
  Add(1, {0, 0, 100, 100});
  CTestNode* dirty = Add(2, {40, 40, 80, 80});
  dirty->dirty = true;
  EXPECT_EQ(Frame(), (Events{Clip({40, 40, 80, 80}), Draw(2, {40, 40, 80, 80})}));
  EXPECT_EQ(Bounds(), (RECT{0, 0, 0, 0}));
  EXPECT_EQ(log.asked, Ids{2});
  EXPECT_EQ(log.askedMax, std::vector<INT>{128});
  // Drawing made it clean.
  EXPECT_EQ(Frame(), Events{});
}

TEST_F(DirtyRectTest, DuplicateAndContainedRectanglesAddNothing) {
  CTestNode* object = Add(1, {});
  object->hasBound = false;
  object->dirty = true;
  RECT big = {10, 10, 110, 110};
  RECT inside = {20, 20, 30, 30};
  object->rects = {big, big, inside, {10, 10, 110, 60}};
  CTestNode* other = Add(2, {});
  other->hasBound = false;
  other->dirty = true;
  other->rects = {big, {0, 0, 0, 0}};
  Events frame = Frame();
  EXPECT_EQ(Events(frame.begin(), frame.begin() + 2), Clears({big}));
  EXPECT_EQ(Bounds(), big);

  // A rectangle holding an earlier one is added before it; the earlier one stays.
  object->dirty = true;
  object->rects = {inside, big};
  frame = Frame();
  EXPECT_EQ(Events(frame.begin(), frame.begin() + 4), Clears({big, inside}));
}

TEST_F(DirtyRectTest, RecordsAreSortedByAreaWithEqualAreasInOrderOfAddition) {
  CTestNode* object = Add(1, {});
  object->hasBound = false;
  object->dirty = true;
  RECT small1 = {0, 0, 10, 10}, large1 = {100, 100, 120, 120}, small2 = {50, 0, 60, 10},
       large2 = {200, 0, 210, 40}, middle = {300, 300, 315, 315};
  object->rects = {small1, large1, small2, large2, middle};
  Events frame = Frame();
  EXPECT_EQ(Events(frame.begin(), frame.end() - 2), Clears({large1, large2, middle, small1, small2}));
  EXPECT_EQ(Events(frame.end() - 2, frame.end()), (Events{Clip(kWhole), Draw(1, kWhole)}));
  EXPECT_EQ(Bounds(), (RECT{0, 0, 315, 315}));

  // The first rectangle of a frame is added even when empty; an unchanged
  // object around it is not repainted; an empty rectangle after a non-empty
  // one adds nothing.
  Add(2, {0, 0, 10, 10});
  object->dirty = true;
  object->rects = {{5, 5, 5, 5}};
  Events paintObject = {Clip(kWhole), Draw(1, kWhole)};
  EXPECT_EQ(Frame(), Concat(Clears({{5, 5, 5, 5}}), paintObject));
  EXPECT_EQ(Bounds(), (RECT{0, 0, 0, 0}));
  object->dirty = true;
  object->rects = {small1, {5, 5, 5, 5}};
  EXPECT_EQ(Frame(), Concat(Concat(Clears({small1}), paintObject), Events{Clip(small1), Draw(2, small1)}));
}

TEST_F(DirtyRectTest, AnUnchangedObjectIsRepaintedWithinEachRecordItMeetsUntilOneHoldsIt) {
  RECT r1 = {10, 10, 30, 30}, r2 = {100, 100, 150, 150}, r3 = {140, 140, 160, 160};
  Add(1, {0, 0, 200, 200});      // meets all three
  Add(2, {141, 141, 149, 149});  // inside the largest, meets a later one
  Add(3, {20, 20, 120, 120});    // meets two disjoint records, lies in neither
  Add(4, {300, 300, 310, 310});  // meets none
  Add(5, {})->hasBound = false;  // unchanged and without bound
  CTestNode* mover = Add(6, {12, 12, 28, 28});
  mover->dirty = true;
  mover->rects = {r1, r2, r3};

  EXPECT_EQ(Frame(), Concat(Clears({r2, r1, r3}),
                            Events{Clip(r2), Draw(1, r2), Clip(r1), Draw(1, r1), Clip(r3), Draw(1, r3),
                                   Clip(r2), Draw(2, r2), Clip(r2), Draw(3, r2), Clip(r1), Draw(3, r1),
                                   Clip({12, 12, 28, 28}), Draw(6, {12, 12, 28, 28})}));
  EXPECT_EQ(Bounds(), (RECT{10, 10, 160, 160}));
  EXPECT_EQ(tree->GetDirtyBounds(nullptr), nullptr);
}

TEST_F(DirtyRectTest, CollectionVisitsChildrenOfHiddenAndCleanNodesButNotOfClosedOnes) {
  CTestNode* hidden = Add(1, {0, 0, 10, 10});
  hidden->visible = false;
  hidden->dirty = true;
  CTestNode* clean = Add(2, {0, 0, 10, 10});
  CTestNode* closed = Add(3, {0, 0, 10, 10});
  closed->childrenEnabled = false;
  for (CTestNode* parent : {hidden, clean, closed}) Add(parent->id * 10, {0, 0, 5, 5}, parent)->dirty = true;
  Frame();
  EXPECT_EQ(log.asked, (Ids{10, 20}));
}

TEST_F(DirtyRectTest, TheListHoldsAtMostCapacityLessOneRecords) {
  UseTree(4);
  CTestNode* object = Add(1, {});
  object->hasBound = false;
  CTestNode* later = Add(2, {0, 0, 50, 50});
  std::vector<RECT> three = {{0, 0, 30, 30}, {100, 0, 120, 20}, {200, 0, 210, 10}};
  object->dirty = true;
  object->rects = three;
  Events frame = Frame();
  EXPECT_EQ(Events(frame.begin(), frame.begin() + 6), Clears(three));
  EXPECT_EQ(log.askedMax, std::vector<INT>{4});

  // The fourth record fills the list: the rest is not asked, and the frame is
  // drawn and reported in full.
  log.asked.clear();
  object->dirty = true;
  object->rects.push_back({300, 0, 305, 5});
  later->dirty = true;
  later->rects = {{0, 0, 50, 50}};
  EXPECT_EQ(Frame(), (Events{Clip(kWhole), Clear(kWhole), Clip(kWhole), Clip(kWhole), Draw(1, kWhole),
                             Clip({0, 0, 50, 50}), Draw(2, {0, 0, 50, 50})}));
  EXPECT_EQ(log.asked, Ids{1});
  EXPECT_EQ(Bounds(), kWhole);
  EXPECT_FALSE(later->dirty);

  // The next frame collects anew.
  EXPECT_EQ(Frame(), Events{});
  EXPECT_EQ(Bounds(), (RECT{0, 0, 0, 0}));
}

TEST_F(DirtyRectTest, ACapacityOfZeroOrLessBecomesOne) {
  for (INT capacity : {0, -7, INT_MIN}) {
    UseTree(capacity);
    log.askedMax.clear();
    CTestNode* object = Add(1, {0, 0, 10, 10});
    object->dirty = true;
    EXPECT_EQ(Frame(), (Events{Clip({0, 0, 10, 10}), Draw(1, {0, 0, 10, 10})}));
    EXPECT_EQ(log.askedMax, std::vector<INT>{1});
    object->dirty = true;
    object->rects = {{0, 0, 10, 10}};
    EXPECT_EQ(Frame().at(1), Clear(kWhole));
    EXPECT_EQ(Bounds(), kWhole);
  }
}

TEST_F(DirtyRectTest, ModeOffKeepsTheLastDirtyFramesRecords) {
  CTestNode* object = Add(1, {0, 0, 40, 40});
  object->dirty = true;
  object->rects = {{0, 0, 40, 40}};
  Frame();
  tree->EnableDirtyRect(false);
  object->dirty = true;
  object->rects = {{100, 100, 140, 140}};
  EXPECT_EQ(Frame().at(1), Clear(kWhole));
  EXPECT_EQ(Bounds(), (RECT{0, 0, 40, 40}));
  EXPECT_EQ(log.asked, Ids{1});

  tree->EnableDirtyRect(true);
  EXPECT_TRUE(tree->IsDirtyRectEnabled());
  EXPECT_EQ(Frame(), Events{});
  EXPECT_EQ(Bounds(), (RECT{0, 0, 0, 0}));
}

TEST_F(DirtyRectTest, ARequestedFullRedrawDrawsAndReportsTheWholeTargetOnce) {
  CTestNode* object = Add(1, {0, 0, 40, 40});
  object->dirty = true;
  object->rects = {{0, 0, 40, 40}};
  tree->RequestFullRedraw();
  EXPECT_EQ(Frame(), (Events{Clip(kWhole), Clear(kWhole), Clip(kWhole), Clip({0, 0, 40, 40}),
                             Draw(1, {0, 0, 40, 40})}));
  EXPECT_EQ(log.asked, Ids{});
  EXPECT_EQ(Bounds(), kWhole);
  EXPECT_EQ(Frame(), Events{});
}

TEST_F(DirtyRectTest, RoomThatCannotBeHadThrowsTheEngineException) {
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
