// The log: "QarnLog.txt" in the current directory, opened, appended to and
// closed for every line, so that it is complete up to the last line written.
#include <cstdarg>
#include <cstdio>

#include "app/GameFrame.h"

namespace {

constexpr const char* kLogFileName = "QarnLog.txt";
constexpr const char* kSeparator = "----------------------------------------------------------------------";
constexpr const char* kStartBanner =
    "----------------Qarn log Started at %4d,%02d,%02d,%2d:%2d:%02d---------------";
constexpr const char* kEndBanner =
    "-----------------Qarn log ended at %4d,%02d,%02d,%2d:%2d:%02d----------------";

void LogBanner(const char* format) {
  SYSTEMTIME now;
  GetLocalTime(&now);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  CGameFrame::Log(format, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
#pragma GCC diagnostic pop
}

}  // namespace

void CGameFrame::Log(const char* format, ...) {
  std::FILE* file = std::fopen(kLogFileName, "a");
  if (file == nullptr) return;
  char line[4096] = {};
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof(line), format, args);
  va_end(args);
  std::fputs(line, file);
  std::fputc('\n', file);
  std::fclose(file);
}

void CGameFrame::StartLog() {
  if (std::FILE* file = std::fopen(kLogFileName, "w")) std::fclose(file);
  Log("%s", kSeparator);
  LogBanner(kStartBanner);
}

void CGameFrame::EndLog() {
  LogBanner(kEndBanner);
  Log("%s", kSeparator);
}
