// A recording double of Direct3D 8 for the device's tests: it forwards every
// call to the platform's own Direct3D and records the state changes and draws
// the device makes. It can also report chosen texture caps and a device that
// asks to be reset. Installed as "d3d8.dll"'s "Direct3DCreate8".
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Windows.h"

struct RecordedCall {
  enum Kind { kRenderState, kStageState, kSetTexture, kVertexShader, kDraw, kClear, kViewport, kReset };
  explicit RecordedCall(Kind kind, DWORD a = 0, DWORD b = 0, DWORD c = 0) : kind(kind), a(a), b(b), c(c) {}

  Kind kind;
  DWORD a = 0;                     // render state, stage, primitive type, vertex shader, rectangle count
  DWORD b = 0;                     // value, stage state type, primitive count, colour
  DWORD c = 0;                     // stage state value, vertex stride
  const void* texture = nullptr;   // kSetTexture
  std::vector<uint8_t> vertices;   // kDraw: the vertices the draw reads
  RECT rect{0, 0, 0, 0};           // kClear: the first rectangle; kViewport
  D3DPRESENT_PARAMETERS params{};  // kReset
};

// The float at byte offset of vertex i of a recorded draw.
float VertexFloat(const RecordedCall& draw, size_t i, size_t offset);
DWORD VertexColor(const RecordedCall& draw, size_t i);

namespace RecordingDirect3D {

// Puts the double in place of the layer's Direct3DCreate8, or the layer's own back.
void Install();
void Uninstall();

std::vector<RecordedCall>& Calls();
void ClearCalls();
// The recorded calls of one kind, in order.
std::vector<RecordedCall> CallsOf(RecordedCall::Kind kind);

// Devices made from now on report these texture caps instead of their own.
void ReportTextureCaps(bool enabled, DWORD textureCaps);
// TestCooperativeLevel answers D3DERR_DEVICENOTRESET this many times.
void ReportDeviceNotReset(int times);
// Direct3DCreate8 gives null (no Direct3D).
void RefuseCreation(bool refuse);

}  // namespace RecordingDirect3D
