// qarn on this platform: reads its options, then runs WinMain.
#include <cstdio>
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
  Platform::SetResources(&QarnResources());
  return RunReportingEngineErrors([&options] {
    CGameFrame::Instance().SetFrameLimit(static_cast<DWORD>(options.frames));
    char commandLine[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
  });
}
