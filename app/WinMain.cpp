#include "app/WinMain.h"

#include "app/DemoScene.h"
#include "app/FrameLoop.h"
#include "app/GameFrame.h"
#include "app/IniFile.h"
#include "app/Resource.h"
#include "engine/io/TSIOStream.h"

namespace {

// Reads "Settings.ini" (a missing file reads as empty) and applies the
// dirty-rectangle mode and the frame lock.
void ApplySettings(CGameFrame& frame) {
  CIniFile settings;
  {
    CTSUsePtr<CTSIOStream> stream(new CTSIOStream("Settings.ini", CTSIOStream::kRead, false));
    settings.Parse(stream.Get());
  }
  settings.SelectSection("Settting");
  frame.GetRenderTree()->EnableDirtyRect(settings.GetInt("EnableDirtyRect", 1) != 0);
  frame.SetFrameTime(settings.GetInt("LockFPS", 1) != 0 ? 30 : 0);
}

}  // namespace

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
  if (!frame.CreateGraphicsDevice(frame.GetDeviceKind(), 640, 480, false)) {
    MessageBoxA(nullptr, "Unable to Create Graphics Device!", "Error", MB_OK);
    return 0;
  }
  ApplySettings(frame);
  CTSTexture* logo = frame.GetImageManager()->LoadTexture("Background\\logo.bmp", CTSColor(0), -1);
  if (logo == nullptr) {
    MessageBoxA(nullptr, "Unable to Load Background\\logo.bmp", "Error", MB_OK);
    return 0;
  }
  DemoScene scene = BuildDemoScene(*frame.GetRenderTree(), logo);
  RunFrameLoop(frame, &scene);
  return 0;
}
