// qarn on this platform: reads its options, then runs WinMain.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/EngineErrors.h"
#include "app/GameFrame.h"
#include "app/Options.h"
#include "app/Resources.h"
#include "app/WinMain.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
  QarnOptions options;
  std::string error;
  if (!ParseQarnOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "qarn: %s\n%s", error.c_str(), kQarnUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kQarnUsage, stdout);
    return 0;
  }
  Platform::SetHeadless(options.headless);
  // A headless run of a set number of frames draws the same frames on every
  // run and system: its time is the virtual clock's, which only the frame
  // limiter's sleeps move. The wall-clock date still stamps the log.
  if (options.headless && options.frames > 0) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    Platform::EnableVirtualClock(0, now);
  }
  Platform::SetResources(&QarnResources());
  return RunReportingEngineErrors([&options] {
    CGameFrame& frame = CGameFrame::Instance();
    frame.SetFrameLimit(static_cast<DWORD>(options.frames));
    frame.SetDeviceKind(options.device);
    char commandLine[] = "";
    int result = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    if (options.screenshot.empty()) return result;
    if (!frame.SaveScreenshot(options.screenshot.c_str())) {
      std::fprintf(stderr, "qarn: could not save the screenshot %s\n", options.screenshot.c_str());
      return 1;
    }
    std::printf("Screenshot saved to %s\n", std::filesystem::absolute(options.screenshot).string().c_str());
    return result;
  });
}
