#include "app/EngineErrors.h"

#include <cstdio>
#include <cstdlib>

#include "app/GameFrame.h"
#include "engine/object/TSCustomException.h"

int RunReportingEngineErrors(const std::function<int()>& body) {
  try {
    return body();
  } catch (Tessel::CTSCustomException* exception) {
    const char* message = exception != nullptr ? exception->GetErrorMessage() : "out of memory";
    CGameFrame::Log("%s", message);
    std::fprintf(stderr, "qarn: %s\n", message);
    MessageBoxA(nullptr, message, "Error", MB_OK);
    delete exception;
    std::fflush(nullptr);
    std::_Exit(EXIT_FAILURE);
  }
}
