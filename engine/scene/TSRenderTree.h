// The scene: a root node, the structural changes waiting for the next Update,
// the frame timer and the dirty-rectangle repaint.
//
// Per frame: Update, then Render between the device's BeginScene and EndScene,
// then Present. In dirty-rect mode the caller presents GetDirtyBounds (as
// destination and source); when the tree had to draw such a frame in full,
// that rectangle is the whole target. With the mode off it presents the whole
// back buffer.
#pragma once

#include <memory>
#include <vector>

#include "engine/graphics/TSGraphics.h"
#include "engine/object/TSStopwatch.h"
#include "engine/object/TSUseCountObject.h"
#include "engine/scene/TSRenderTreeObject.h"

class CTSRenderTree : public CTSUseCountObject {
  TS_DECLARE_CLASS_IDENTITY(CTSUseCountObject, TS_GUID_RENDER_TREE)

 public:
  // Room for maxDirtyRects rectangles (at least 1). Throws the engine
  // exception "Dirty Rect Count too large!" when that room cannot be had.
  CTSRenderTree(INT maxDirtyRects, bool enableDirtyRect);
  // Runs the waiting changes, then releases the root and everything under it.
  ~CTSRenderTree() override;

  CTSRenderTreeObject* GetRoot() const { return m_root; }
  // Runs the waiting structural changes, then gives every node the whole
  // milliseconds since the previous Update (the first: since construction).
  void Update();
  // Paints one frame: everything with dirty-rect mode off; otherwise only
  // what lies in the rectangles that changed, or everything when they do not
  // fit in the room the tree has or a full redraw was requested.
  void Render(CTSGraphics* device);
  // Writes the union of the last dirty-mode frame's rectangles into out:
  // (0, 0, 0, 0) when nothing changed, the whole target when that frame was
  // drawn in full. Returns out.
  RECT* GetDirtyBounds(RECT* out) const;
  void EnableDirtyRect(bool enable) { m_dirtyRectEnabled = enable; }
  bool IsDirtyRectEnabled() const { return m_dirtyRectEnabled; }
  // Has the next dirty-mode frame drawn and reported in full, for a back
  // buffer that lost its content (a display mode change, a new device).
  void RequestFullRedraw() { m_fullRedrawRequested = true; }

 private:
  friend class CTSRenderTreeObject;

  enum CommandType : INT { kAdd = 1, kRemove = 2 };
  struct Command {
    INT type;
    CTSRenderTreeObject* parent;
    CTSRenderTreeObject* child;
    TSRenderTreeCallback callback;
    void* userData;
  };
  struct DirtyRecord {
    LONGLONG area;
    RECT rect;
  };

  void Queue(const Command& command) { m_commands.push_back(command); }
  void RunCommands();
  void Run(const Command& command);
  void UpdateNode(CTSRenderTreeObject* node, INT elapsedMs);
  // False when the record list filled up.
  bool Collect(CTSRenderTreeObject* node);
  bool AddDirtyRect(const RECT& rect);
  void DrawFull(CTSRenderTreeObject* node, CTSGraphics* device);
  void DrawDirty(CTSRenderTreeObject* node, CTSGraphics* device);
  // The first record from index from on whose intersection with rect is not
  // empty; the record count when there is none.
  INT FindOverlap(const RECT& rect, INT from) const;

  CTSRenderTreeObject* m_root = nullptr;
  std::vector<Command> m_commands;
  // The batch being run; swapped with m_commands so neither gives up its storage.
  std::vector<Command> m_running;
  std::unique_ptr<DirtyRecord[]> m_records;
  std::unique_ptr<RECT[]> m_reportBuffer;
  INT m_capacity;
  INT m_recordCount = 0;
  CTSStopwatch m_frameTimer;
  CTSColor m_clearColor = 0;
  bool m_dirtyRectEnabled;
  bool m_fullRedrawRequested = false;
};
