#include "engine/scene/TSRenderTreeObject.h"

#include <algorithm>
#include <vector>

#include "engine/scene/TSRenderTree.h"

CTSRenderTreeObject::~CTSRenderTreeObject() {
  // The children go with this node now: queued to the tree, their removals
  // would name a parent that no longer exists and never run.
  m_tree = nullptr;
  RemoveAllChildren(nullptr, nullptr);
  if (m_holder != nullptr) m_holder->Unlink(this);
}

void CTSRenderTreeObject::AddChild(CTSRenderTreeObject* child, TSRenderTreeCallback callback,
                                   void* userData) {
  if (child == this) return Report(child, callback, userData, TS_TREE_ADOPTS_ITSELF);
  if (!IsRenderObject(child)) return Report(child, callback, userData, TS_TREE_NOT_RENDER_OBJECT);
  INT result = CheckAdoption(child);
  if (result != TS_TREE_DONE) return Report(child, callback, userData, result);
  if (m_tree != nullptr) return m_tree->Queue({CTSRenderTree::kAdd, this, child, callback, userData});
  Adopt(child);
  Report(child, callback, userData, TS_TREE_DONE);
  OnChildAdded(child);
}

void CTSRenderTreeObject::RemoveChild(CTSRenderTreeObject* child, TSRenderTreeCallback callback,
                                      void* userData) {
  if (child == nullptr) return Report(child, callback, userData, TS_TREE_NOT_RENDER_OBJECT);
  if (m_tree != nullptr) return m_tree->Queue({CTSRenderTree::kRemove, this, child, callback, userData});
  ReleaseChild(child, callback, userData);
}

void CTSRenderTreeObject::RemoveAllChildren(TSRenderTreeCallback callback, void* userData) {
  // A copy: releasing a child changes the list.
  std::vector<CTSRenderTreeObject*> children(m_children.begin(), m_children.end());
  for (CTSRenderTreeObject* child : children) RemoveChild(child, callback, userData);
}

void CTSRenderTreeObject::SetPriority(INT priority) {
  m_priority = priority;
  CTSRenderTreeObject* parent = m_parent;
  if (parent == nullptr) return;
  m_parent = nullptr;
  m_tree = nullptr;
  parent->AddChild(this, nullptr, nullptr);
}

void CTSRenderTreeObject::Destroy() {
  // A node waiting for its re-add is still listed under its former parent,
  // whose list a walk of the tree may be reading: it leaves through that
  // node's queue too, after the re-add.
  CTSRenderTreeObject* holder = m_parent != nullptr ? m_parent : m_holder;
  if (holder != nullptr)
    holder->RemoveChild(this, nullptr, nullptr);
  else
    Release();
}

bool CTSRenderTreeObject::IsSelfOrAncestor(const CTSRenderTreeObject* node) const {
  for (const CTSRenderTreeObject* p = this; p != nullptr; p = p->m_holder)
    if (p == node) return true;
  return false;
}

INT CTSRenderTreeObject::CheckAdoption(CTSRenderTreeObject* child) const {
  if (child->m_tree != nullptr) return TS_TREE_IN_TREE;
  if (child->m_parent != nullptr) return TS_TREE_HAS_PARENT;
  // Adopting an ancestor (a detached top, or a node waiting for its re-add)
  // would close a cycle.
  if (IsSelfOrAncestor(child)) return TS_TREE_ADOPTS_ITSELF;
  return TS_TREE_DONE;
}

void CTSRenderTreeObject::Adopt(CTSRenderTreeObject* child) {
  if (child->m_holder != nullptr) child->m_holder->Unlink(child);
  child->m_parent = this;
  child->m_holder = this;
  auto it = m_children.begin();
  while (it != m_children.end() && (*it)->m_priority <= child->m_priority) ++it;
  m_children.insert(it, child);
}

void CTSRenderTreeObject::Unlink(CTSRenderTreeObject* child) {
  m_children.remove(child);
  child->m_holder = nullptr;
  child->m_parent = nullptr;
}

void CTSRenderTreeObject::ReleaseChild(CTSRenderTreeObject* child, TSRenderTreeCallback callback,
                                       void* userData) {
  if (std::find(m_children.begin(), m_children.end(), child) == m_children.end())
    return Report(child, callback, userData, TS_TREE_NOT_CHILD);
  OnChildRemoved(child);
  Report(child, callback, userData, TS_TREE_DONE);
  Unlink(child);
  child->Release();
}
