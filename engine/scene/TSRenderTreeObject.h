// A render object that is also a node of the render tree: a priority, a
// parent, children in ascending priority (equal priorities in order of
// insertion) and the tree whose queue takes its structural changes.
#pragma once

#include <list>

#include "engine/scene/TSRenderObject.h"

class CTSRenderTree;
class CTSRenderTreeObject;

// Outcome of a structural change.
constexpr INT TS_TREE_DONE = 0;
constexpr INT TS_TREE_NOT_RENDER_OBJECT = 1;  // child (or a command's parent) is not live; null child
constexpr INT TS_TREE_IN_TREE = 2;            // child already has a tree link
constexpr INT TS_TREE_HAS_PARENT = 3;         // child already has a parent
constexpr INT TS_TREE_ADOPTS_ITSELF = 4;      // child is the parent or one of its ancestors
constexpr INT TS_TREE_NOT_CHILD = 6;          // RemoveChild: not among the children

// Reports the outcome of AddChild or RemoveChild; a null callback means no report.
typedef void (*TSRenderTreeCallback)(CTSRenderTreeObject* parent, CTSRenderTreeObject* child, void* userData,
                                     INT result);

class CTSRenderTreeObject : public CTSRenderObject {
  TS_DECLARE_CLASS_IDENTITY(CTSRenderObject, TS_GUID_RENDER_TREE_OBJECT)

 public:
  CTSRenderTreeObject() = default;
  // Releases every child at once, and leaves the list of the node holding it.
  ~CTSRenderTreeObject() override;

  // False makes every traversal skip this node's children.
  virtual bool AreChildrenEnabled() const { return true; }
  // Called after a child was inserted.
  virtual void OnChildAdded(CTSRenderTreeObject* /*child*/) {}
  // Called before a child is released.
  virtual void OnChildRemoved(CTSRenderTreeObject* /*child*/) {}

  // Takes ownership of child. Under a node with a tree link the change waits
  // for the tree's next Update, and so does the report.
  void AddChild(CTSRenderTreeObject* child, TSRenderTreeCallback callback, void* userData);
  // Releases child. Under a node with a tree link it waits for the next Update.
  void RemoveChild(CTSRenderTreeObject* child, TSRenderTreeCallback callback, void* userData);
  void RemoveAllChildren(TSRenderTreeCallback callback, void* userData);
  // A node that has a parent is re-added under it to move to its new place:
  // at once, or at the next Update when the parent has a tree link; until then
  // it has no parent but stays listed (and drawn) where it was.
  void SetPriority(INT priority);
  INT GetPriority() const { return m_priority; }
  // Removes the node through the node whose list holds it (within a tree, at
  // the next Update, so a walk may call it), or releases it when none does.
  void Destroy();

 private:
  friend class CTSRenderTree;

  bool IsSelfOrAncestor(const CTSRenderTreeObject* node) const;
  // Checks a live child for codes 2, 3 and 4; TS_TREE_DONE when it may be adopted.
  INT CheckAdoption(CTSRenderTreeObject* child) const;
  // Lists child in priority order and makes this its parent.
  void Adopt(CTSRenderTreeObject* child);
  void Unlink(CTSRenderTreeObject* child);
  // Finds child in the list: hook, report 0, unlink and release; or reports 6.
  void ReleaseChild(CTSRenderTreeObject* child, TSRenderTreeCallback callback, void* userData);
  void Report(CTSRenderTreeObject* child, TSRenderTreeCallback callback, void* userData, INT result) {
    if (callback != nullptr) callback(this, child, userData, result);
  }

  INT m_priority = 0;
  std::list<CTSRenderTreeObject*> m_children;
  CTSRenderTreeObject* m_parent = nullptr;
  CTSRenderTree* m_tree = nullptr;
  // The node whose list holds this one: the parent, or the former parent
  // while a priority change waits for its re-add.
  CTSRenderTreeObject* m_holder = nullptr;
};
