// A render tree node for the tests: a solid block of its colour at its bound,
// drawn through the device (so the clip rectangle holds it); while dirty it
// reports the rectangles queued in rects; it logs what the tree does to it.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/graphics/software/TSGDITexture.h"
#include "engine/scene/TSRenderTreeObject.h"

inline bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != 0; }

struct TSNodeLog {
  std::vector<DWORD> updated;    // ids, in update order
  std::vector<INT> elapsed;      // what each Update was given
  std::vector<DWORD> destroyed;  // ids, in order of destruction
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
    for (size_t i = size_t(count); i < rects.size(); ++i) UnionRect(&out[count - 1], &out[count - 1], &rects[i]);
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
    if (!block) {
      block = new CTSGDITexture;
      block->Allocate(bound.right - bound.left, bound.bottom - bound.top, TEXTURE_FORMAT_X1R5G5B5, 0);
    }
    block->ClearRect(CTSColor(color), nullptr);
  }

  DWORD id;
  bool updateEnabled = true, visible = true, dirty = false, childrenEnabled = true, hasBound = true;
  RECT bound = {};
  std::vector<RECT> rects;
  CTSUsePtr<CTSGDITexture> block;
  CTestNode* parentNode = nullptr;  // kept by the test that builds random scenes

 private:
  TSNodeLog* m_log;
};
