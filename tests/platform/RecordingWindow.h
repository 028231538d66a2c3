// A window whose procedure records the messages it receives.
#pragma once

#include <vector>

#include "platform/Platform.h"

struct RecordedMessage {
  UINT message;
  WPARAM wParam;
};

class RecordingWindow {
 public:
  // menu: a menu handle to attach, or null.
  explicit RecordingWindow(HMENU menu = nullptr);
  ~RecordingWindow();
  HWND Handle() const { return m_window; }
  // The recorded messages of one kind, in order.
  std::vector<RecordedMessage> Received(UINT message) const;
  void Clear();

 private:
  HWND m_window = nullptr;
};
