// A render tree node whose answers each test sets, and which records what the
// tree asks of it into logs the test shares between its nodes.
#pragma once

#include <algorithm>
#include <vector>

#include "engine/scene/TSRenderTreeObject.h"

struct TSNodeLog {
  std::vector<DWORD> updated;    // ids, in update order
  std::vector<INT> elapsed;      // what each Update was given
  std::vector<DWORD> destroyed;  // ids, in order of destruction
  std::vector<DWORD> asked;      // ids asked for their dirty rectangles
  std::vector<INT> askedMax;     // the max each was given
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
  // Draws in its id as colour, and is clean afterwards.
  void Draw(CTSGraphics* device) override {
    device->DrawSprite(nullptr, bound.left, bound.top, 0, 0, 0, 0, BLEND_ALPHA, FLIP_NONE, CTSColor(id));
    dirty = false;
  }
  INT GetDirtyRects(RECT* out, INT max) const override {
    m_log->asked.push_back(id);
    m_log->askedMax.push_back(max);
    INT count = std::min(INT(rects.size()), max);
    std::copy(rects.begin(), rects.begin() + count, out);
    return count;
  }
  bool GetBoundRect(RECT* out) const override {
    if (hasBound) *out = bound;
    return hasBound;
  }
  bool IsDirty() const override { return dirty; }
  bool AreChildrenEnabled() const override { return childrenEnabled; }

  void SetBound(const RECT& rect) {
    bound = rect;
    hasBound = true;
  }

  DWORD id;
  bool updateEnabled = true;
  bool visible = true;
  bool dirty = false;
  bool childrenEnabled = true;
  bool hasBound = false;
  RECT bound = {};
  std::vector<RECT> rects;  // reported by GetDirtyRects, at most max of them

 private:
  TSNodeLog* m_log;
};
