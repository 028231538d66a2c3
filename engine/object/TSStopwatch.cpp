#include "engine/object/TSStopwatch.h"

namespace {

LONGLONG ReadCounter() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

LONGLONG ReadFrequency() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

// Read once, before the entry point runs.
const LONGLONG g_counterFrequency = ReadFrequency();

}  // namespace

CTSStopwatch::CTSStopwatch() : m_lastRead(ReadCounter()) {}

void CTSStopwatch::Reset() { m_lastRead = ReadCounter(); }

double CTSStopwatch::GetElapsedSeconds() {
  LONGLONG now = ReadCounter();
  double seconds = static_cast<double>(now - m_lastRead) / static_cast<double>(g_counterFrequency);
  m_lastRead = now;
  return seconds;
}
