// The game window: its class, creation and window procedure, and the
// graphics device made on it.

#include "app/GameFrame.h"
#include "app/Resource.h"
#include "engine/graphics/TSGraphicsManager.h"
#include "engine/text/TSFontLoader.h"
#include "engine/text/TSTextRegistry.h"

namespace {

constexpr const char* kWindowClassName = "Qarn-Tessel,by Morvin";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr INT kDirtyRectCount = 128;

}  // namespace

bool CGameFrame::CreateGameWindow(HINSTANCE instance, HACCEL accelerators) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_QARN));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDC_QARN);
  windowClass.lpszClassName = kWindowClassName;
  windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL));
  RegisterClassExA(&windowClass);

  HWND window = CreateWindowExA(0, kWindowClassName, kWindowClassName, kWindowStyle, CW_USEDEFAULT, 0,
                                CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return false;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  m_window = window;
  m_accelerators = accelerators;
  Log("Game Window Created OK!");
  m_running = 1;
  // Without its font the overlay draws no text; that is not an error.
  if (CTSFont* font = CTSFontLoader::Instance().LoadFont(TS_GUID_POINT_FONT, "Font\\songti16.gfxFont")) {
    CTSTextRegistry::Instance().AddFont(0, font);
    font->Release();
  }
  return true;
}

bool CGameFrame::CreateGraphicsDevice(const GUID& kind, INT width, INT height, bool fullScreen) {
  if (m_device != nullptr) return true;
  m_device = CTSGraphicsManager::Instance().CreateDevice(kind, m_window, width, height, fullScreen, true);
  const char* screen = fullScreen ? "True" : "False";
  if (m_device == nullptr) {
    Log("Create Graphics Device With %d x %d, FullScreen = %s Failed!", width, height, screen);
    return false;
  }
  Log("Create Graphics Device With %d x %d, FullScreen = %s OK!", width, height, screen);
  m_renderTree = new CTSRenderTree(kDirtyRectCount, true);
  m_sceneRoot = new CFPSObject;
  m_sceneRoot->SetPriority(0x7FFFFFFF);
  m_renderTree->GetRoot()->AddChild(m_sceneRoot, nullptr, nullptr);
  m_imageManager = new CTSImageManager(m_device);
  return true;
}

LRESULT CALLBACK CGameFrame::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CGameFrame& frame = Instance();
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_ACTIVATE:
      frame.m_minimized = HIWORD(wParam);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      if (frame.m_device != nullptr) frame.m_device->Present(window, nullptr, nullptr);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
    case WM_ACTIVATEAPP:
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDM_ABOUT:
          return 0;
        case IDM_EXIT:
          DestroyWindow(window);
          return 0;
        default:
          return DefWindowProcA(window, message, wParam, lParam);
      }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
