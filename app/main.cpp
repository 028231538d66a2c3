// qarn on this platform: reads its options, then runs WinMain. An engine
// exception that reaches here is logged, shown and ends the run with a
// non-zero status.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/GameFrame.h"
#include "app/Options.h"
#include "app/Resources.h"
#include "app/WinMain.h"
#include "engine/object/TSCustomException.h"
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
  try {
    CGameFrame::Instance().SetFrameLimit(static_cast<DWORD>(options.frames));
    char commandLine[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
  } catch (Tessel::CTSCustomException* exception) {
    const char* message = exception != nullptr ? exception->GetErrorMessage() : "out of memory";
    CGameFrame::Log("%s", message);
    std::fprintf(stderr, "qarn: %s\n", message);
    MessageBoxA(nullptr, message, "Error", MB_OK);
    delete exception;
    // The objects may be half-built: leave without running their destructors.
    std::fflush(nullptr);
    std::_Exit(EXIT_FAILURE);
  }
}
