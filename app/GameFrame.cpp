#include "app/GameFrame.h"

#include "app/Resource.h"

CGameFrame::CGameFrame() { StartLog(); }

CGameFrame::~CGameFrame() {
  if (m_sceneRoot != nullptr) m_sceneRoot->Release();
  m_sceneRoot = nullptr;
  if (m_renderTree != nullptr) m_renderTree->Release();
  m_renderTree = nullptr;
  // The textures go before the device that made them.
  delete m_imageManager;
  m_imageManager = nullptr;
  if (m_device != nullptr) m_device->Release();
  m_device = nullptr;
  EndLog();
}

bool CGameFrame::PumpMessage() {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) return false;
  if (!GetMessageA(&msg, nullptr, 0, 0)) {
    m_running = 0;
    return true;
  }
  if (TranslateAcceleratorA(msg.hwnd, m_accelerators, &msg)) return true;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

void CGameFrame::EndFrame() {
  m_frameTimer.End();
  m_frameTimer.Wait(m_frameTime);
  ++m_framesDrawn;
  if (m_framesDrawn == m_frameLimit) PostMessageA(m_window, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
}
