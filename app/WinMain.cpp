#include "app/WinMain.h"

#include "app/FrameLoop.h"
#include "app/GameFrame.h"
#include "app/Resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand) {
  (void)previousInstance;
  (void)commandLine;
  (void)showCommand;
  CGameFrame& frame = CGameFrame::Instance();
  HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_QARN));
  if (!frame.CreateGameWindow(instance, accelerators)) {
    MessageBoxA(nullptr, "Create Game Frame Failed!", "Error", MB_OK);
    return 0;
  }
  RunFrameLoop(frame);
  return 0;
}
