// The demo's application object: owns the window, the graphics device, the
// render tree, the image manager and the frame timer, pumps messages and
// writes the log.
#pragma once

#include "app/FPSObject.h"
#include "app/FrameTimer.h"
#include "engine/graphics/TSGraphics.h"
#include "engine/image/TSImageManager.h"
#include "engine/object/TSSingleton.h"
#include "engine/scene/TSRenderTree.h"
#include "platform/Windows.h"

class CGameFrame : public CTSSingleton<CGameFrame> {
 public:
  // Truncates the log and writes the start banner.
  CGameFrame();
  // Releases the overlay, the render tree, the image manager and the device,
  // then writes the end banner.
  ~CGameFrame() override;

  bool CreateGameWindow(HINSTANCE instance, HACCEL accelerators);
  // Creates the device of the given kind on the window, sized to it, with the
  // render tree, the overlay and the image manager; true at once when a
  // device exists.
  bool CreateGraphicsDevice(const GUID& kind, INT width, INT height, bool fullScreen);
  // Handles at most one queued message; false when the queue was empty.
  bool PumpMessage();

  bool IsRunning() const { return m_running != 0; }
  bool IsMinimized() const { return m_minimized != 0; }
  void SetFrameTime(DWORD ms) { m_frameTime = ms; }
  DWORD GetFrameTime() const { return m_frameTime; }
  void BeginFrame() { m_frameTimer.Begin(); }
  // Ends the frame, sleeps out the frame time and, once the frame limit is
  // reached, chooses Exit from the menu.
  void EndFrame();
  DWORD GetFPS() const { return m_frameTimer.GetFPS(); }
  HWND GetWindow() const { return m_window; }
  CTSGraphics* GetDevice() const { return m_device; }
  CTSRenderTree* GetRenderTree() const { return m_renderTree; }
  CTSImageManager* GetImageManager() const { return m_imageManager; }

  // Saves the back buffer to a .bmp or .png file; false when it cannot.
  bool SaveScreenshot(const char* path) const;

  // Ends the run after this many frames, as the menu's Exit would; 0 = never.
  void SetFrameLimit(DWORD frames) { m_frameLimit = frames; }
  // The kind of graphics device WinMain creates; the software device unless set.
  void SetDeviceKind(const GUID& kind) { m_deviceKind = kind; }
  const GUID& GetDeviceKind() const { return m_deviceKind; }
  DWORD GetFramesDrawn() const { return m_framesDrawn; }

  // Appends one line to "QarnLog.txt"; a line that cannot be written is lost.
  static void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Empties the log and writes the separator and the start banner.
  static void StartLog();
  // Writes the end banner and the separator.
  static void EndLog();

  int m_running = 0;
  int m_minimized = 0;
  CFrameTimer m_frameTimer;
  DWORD m_frameTime = 33;
  HWND m_window = nullptr;
  HACCEL m_accelerators = nullptr;
  CTSGraphics* m_device = nullptr;         // one use held
  CTSRenderTree* m_renderTree = nullptr;  // one use held
  CFPSObject* m_sceneRoot = nullptr;      // the overlay, the tree root's first child
  CTSImageManager* m_imageManager = nullptr;
  DWORD m_frameLimit = 0;
  GUID m_deviceKind = TS_GUID_GDI_GRAPHICS;
  DWORD m_framesDrawn = 0;
};
