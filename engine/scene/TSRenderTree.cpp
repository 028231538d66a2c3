#include "engine/scene/TSRenderTree.h"

#include <algorithm>
#include <climits>
#include <new>

#include "engine/object/TSCustomException.h"

namespace {

// Non-empty union equal to outer: inner adds nothing to it.
bool Covers(const RECT& outer, const RECT& inner) {
  RECT u;
  return UnionRect(&u, &outer, &inner) && EqualRect(&u, &outer);
}

// Taken in 64 bits: no overflow, whatever the rectangle.
LONGLONG Area(const RECT& r) { return (LONGLONG(r.bottom) - r.top) * (LONGLONG(r.right) - r.left); }

void Report(CTSRenderTreeObject* parent, CTSRenderTreeObject* child, TSRenderTreeCallback callback,
            void* userData, INT result) {
  if (callback != nullptr) callback(parent, child, userData, result);
}

// Commands queued in one frame, held without growing.
constexpr size_t kReservedCommands = 16;

}  // namespace

CTSRenderTree::CTSRenderTree(INT maxDirtyRects, bool enableDirtyRect)
    : m_capacity(maxDirtyRects > 0 ? maxDirtyRects : 1), m_dirtyRectEnabled(enableDirtyRect) {
  m_records.reset(new (std::nothrow) DirtyRecord[m_capacity]());
  m_reportBuffer.reset(new (std::nothrow) RECT[m_capacity]());
  if (!m_records || !m_reportBuffer)
    throw new (std::nothrow) Tessel::CTSCustomException("Dirty Rect Count too large!");
  m_root = new CTSRenderTreeObject;
  m_root->m_tree = this;
  m_commands.reserve(kReservedCommands);
  m_running.reserve(kReservedCommands);
  m_frameTimer.Reset();
}

CTSRenderTree::~CTSRenderTree() {
  RunCommands();
  // A node's destructor releases its children at once, so this takes the
  // whole hierarchy; anything queued meanwhile is dropped with the queue.
  m_root->Release();
}

void CTSRenderTree::Update() {
  RunCommands();
  double ms = std::clamp(m_frameTimer.GetElapsedSeconds() * 1000.0, 0.0, double(INT_MAX));
  UpdateNode(m_root, static_cast<INT>(ms));
}

void CTSRenderTree::RunCommands() {
  if (m_commands.empty()) return;
  // Commands queued while this batch runs wait for the next Update.
  m_running.swap(m_commands);
  for (const Command& command : m_running) Run(command);
  m_running.clear();
}

void CTSRenderTree::Run(const Command& command) {
  CTSRenderTreeObject* parent = command.parent;
  CTSRenderTreeObject* child = command.child;
  // Either may have been destroyed since the command was queued.
  if (!CTSRenderObject::IsRenderObject(parent) || !CTSRenderObject::IsRenderObject(child))
    return Report(parent, child, command.callback, command.userData, TS_TREE_NOT_RENDER_OBJECT);
  if (command.type == kRemove) return parent->ReleaseChild(child, command.callback, command.userData);
  INT result = parent->CheckAdoption(child);
  if (result != TS_TREE_DONE) return Report(parent, child, command.callback, command.userData, result);
  child->m_tree = parent->m_tree;
  parent->Adopt(child);
  Report(parent, child, command.callback, command.userData, TS_TREE_DONE);
  parent->OnChildAdded(child);
}

void CTSRenderTree::UpdateNode(CTSRenderTreeObject* node, INT elapsedMs) {
  if (node->IsUpdateEnabled()) node->Update(elapsedMs);
  if (!node->AreChildrenEnabled()) return;
  for (CTSRenderTreeObject* child : node->m_children) UpdateNode(child, elapsedMs);
}

void CTSRenderTree::Render(CTSGraphics* device) {
  if (device == nullptr) return;
  if (m_dirtyRectEnabled && !m_fullRedrawRequested) {
    m_recordCount = 0;
    if (Collect(m_root)) {
      for (INT i = 0; i < m_recordCount; ++i) {
        device->SetClipRect(&m_records[i].rect);
        device->Clear(m_clearColor);
      }
      DrawDirty(m_root, device);
      return;
    }
  }
  if (m_dirtyRectEnabled) {
    // Drawn in full: the whole target is what changed, and what the caller presents.
    m_fullRedrawRequested = false;
    RECT whole = {0, 0, device->GetWidth(), device->GetHeight()};
    m_records[0] = {Area(whole), whole};
    m_recordCount = 1;
  }
  device->SetClipRect(nullptr);
  device->Clear(m_clearColor);
  DrawFull(m_root, device);
}

bool CTSRenderTree::Collect(CTSRenderTreeObject* node) {
  if (node->IsVisible() && node->IsDirty()) {
    if (m_recordCount >= m_capacity) return false;
    // Never read past the buffer, whatever count the object returns.
    INT count = std::clamp(node->GetDirtyRects(m_reportBuffer.get(), m_capacity), 0, m_capacity);
    for (INT i = 0; i < count; ++i)
      if (!AddDirtyRect(m_reportBuffer[i])) return false;
  }
  if (!node->AreChildrenEnabled()) return true;
  for (CTSRenderTreeObject* child : node->m_children)
    if (!Collect(child)) return false;
  return true;
}

bool CTSRenderTree::AddDirtyRect(const RECT& rect) {
  for (INT i = 0; i < m_recordCount; ++i)
    if (Covers(m_records[i].rect, rect)) return true;
  INT last = m_recordCount++;
  m_records[last] = {Area(rect), rect};
  if (m_recordCount >= m_capacity) return false;
  // Larger areas first; equal areas keep their order of addition.
  INT place = 0;
  while (place < last && m_records[place].area >= m_records[last].area) ++place;
  if (place < last) {
    DirtyRecord moved = m_records[last];
    std::copy_backward(&m_records[place], &m_records[last], &m_records[last + 1]);
    m_records[place] = moved;
  }
  return true;
}

void CTSRenderTree::DrawFull(CTSRenderTreeObject* node, CTSGraphics* device) {
  if (node->IsVisible()) {
    // Without a bound the object may paint anywhere.
    RECT bound = {};
    device->SetClipRect(node->GetBoundRect(&bound) ? &bound : nullptr);
    node->Draw(device);
  }
  if (!node->AreChildrenEnabled()) return;
  for (CTSRenderTreeObject* child : node->m_children) DrawFull(child, device);
}

void CTSRenderTree::DrawDirty(CTSRenderTreeObject* node, CTSGraphics* device) {
  if (node->IsVisible()) {
    RECT bound = {};
    bool bounded = node->GetBoundRect(&bound);
    if (node->IsDirty()) {
      device->SetClipRect(bounded ? &bound : nullptr);
      node->Draw(device);
    } else if (bounded) {
      // Repaint an unchanged object within each record it meets, largest
      // first, until one holds it whole.
      for (INT i = FindOverlap(bound, 0); i < m_recordCount; i = FindOverlap(bound, i + 1)) {
        const RECT& record = m_records[i].rect;
        device->SetClipRect(&record);
        node->Draw(device);
        RECT overlap;
        IntersectRect(&overlap, &record, &bound);
        if (EqualRect(&overlap, &bound)) break;
      }
    }
  }
  if (!node->AreChildrenEnabled()) return;
  for (CTSRenderTreeObject* child : node->m_children) DrawDirty(child, device);
}

INT CTSRenderTree::FindOverlap(const RECT& rect, INT from) const {
  const RECT r = rect;
  const DirtyRecord* records = m_records.get();
  const INT count = m_recordCount;
  for (INT i = from; i < count; ++i) {
    const RECT& record = records[i].rect;
    // All four comparisons, then one branch: most records lie apart from the
    // object, and that branch is then well predicted.
    bool apart = (record.left >= r.right) | (r.left >= record.right) | (record.top >= r.bottom) |
                 (r.top >= record.bottom);
    if (!apart && !IsRectEmpty(&record) && !IsRectEmpty(&r)) return i;
  }
  return count;
}

RECT* CTSRenderTree::GetDirtyBounds(RECT* out) const {
  if (out == nullptr) return nullptr;
  RECT bounds = {};
  for (INT i = 0; i < m_recordCount; ++i) UnionRect(&bounds, &bounds, &m_records[i].rect);
  *out = bounds;
  return out;
}
