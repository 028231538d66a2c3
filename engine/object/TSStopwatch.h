// High-resolution interval timer over the performance counter.
#pragma once

#include "platform/Windows.h"

class CTSStopwatch {
 public:
  CTSStopwatch();
  void Reset();
  // Seconds since the previous reading (or construction, or Reset).
  double GetElapsedSeconds();

 private:
  LONGLONG m_lastRead;
};
