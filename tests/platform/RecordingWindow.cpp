#include "tests/platform/RecordingWindow.h"

static std::vector<RecordedMessage> g_received;

static LRESULT CALLBACK RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_received.push_back({message, wParam});
  return DefWindowProcA(window, message, wParam, lParam);
}

RecordingWindow::RecordingWindow(HMENU menu) {
  WNDCLASSEXA kind{sizeof(kind), 0, RecordingProcedure, 0, 0, 0, 0, 0, 0, 0, "RecordingWindow", 0};
  RegisterClassExA(&kind);
  m_window = CreateWindowExA(0, "RecordingWindow", "test", WS_OVERLAPPED, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                             nullptr, menu, GetModuleHandleA(nullptr), nullptr);
}

RecordingWindow::~RecordingWindow() {
  if (IsWindow(m_window)) DestroyWindow(m_window);
  g_received.clear();
}

std::vector<RecordedMessage> RecordingWindow::Received(UINT message) const {
  std::vector<RecordedMessage> matching;
  for (const RecordedMessage& received : g_received)
    if (received.message == message) matching.push_back(received);
  return matching;
}

void RecordingWindow::Clear() { g_received.clear(); }
