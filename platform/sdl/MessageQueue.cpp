// The thread's message queue: posted messages (SDL events are translated into
// them as they are read), then the quit message, then WM_PAINT for windows
// that need painting.
#include <SDL.h>

#include <deque>

#include "platform/Platform.h"
#include "platform/sdl/Keyboard.h"
#include "platform/sdl/Video.h"
#include "platform/common/VirtualClock.h"
#include "platform/sdl/WindowImpl.h"

namespace Platform {
namespace {

struct QueueState {
  std::deque<MSG> posted;
  bool quitPosted = false;
  int quitCode = 0;
};

QueueState& Queue() {
  static QueueState queue;
  return queue;
}

MSG MakeMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = handle;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = timeGetTime();
  return msg;
}

void Post(Window* window, UINT message, WPARAM wParam, LPARAM lParam) {
  Queue().posted.push_back(MakeMessage(ToHandle(window), message, wParam, lParam));
}

void TranslateWindowEvent(const SDL_WindowEvent& event) {
  Window* window = FindWindowBySdlId(event.windowID);
  if (window == nullptr) return;
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
      Post(window, WM_CLOSE, 0, 0);
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      window->minimized = true;
      Post(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
      break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
      if (window->minimized) {
        window->minimized = false;
        Post(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
      }
      window->needsPaint = true;
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      window->needsPaint = true;
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      Post(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, window->minimized ? 1 : 0), 0);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      Post(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, window->minimized ? 1 : 0), 0);
      break;
    default:
      break;
  }
}

void TranslateKeyEvent(const SDL_KeyboardEvent& event) {
  Window* window = FindWindowBySdlId(event.windowID);
  if (window == nullptr) window = FindWindowBySdlId(SDL_GetWindowID(SDL_GetKeyboardFocus()));
  if (window == nullptr) return;
  WPARAM virtualKey = VirtualKeyFromSdl(event.keysym.sym);
  if (virtualKey == 0) return;
  LPARAM lParam = KeyMessageParam(event);
  bool alt = (lParam & (LPARAM(1) << 29)) != 0;
  UINT message = event.state == SDL_PRESSED ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
  Post(window, message, virtualKey, lParam);
}

// Reads every pending SDL event into the queue.
void PumpEvents() {
  if (!EnsureVideo()) return;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (event.type == SDL_WINDOWEVENT) TranslateWindowEvent(event.window);
    else if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) TranslateKeyEvent(event.key);
  }
}

bool Matches(const MSG& msg, HWND filter, UINT filterMin, UINT filterMax) {
  if (filter != nullptr && msg.hwnd != filter) return false;
  if (filterMin == 0 && filterMax == 0) return true;
  return msg.message >= filterMin && msg.message <= filterMax;
}

bool HasPendingMessage() { return !Queue().posted.empty() || Queue().quitPosted || FindWindowNeedingPaint(nullptr); }

// Blocks until an SDL event has been read into the queue. On the virtual
// clock, time first jumps to the next scheduled event.
void WaitForEvents() {
  if (!EnsureVideo()) return;
  while (!HasPendingMessage()) {
    if (IsVirtualClockEnabled() && AdvanceToNextEvent()) {
      PumpEvents();
      continue;
    }
    SDL_Event event;
    if (!SDL_WaitEvent(&event)) return;
    SDL_PushEvent(&event);
    PumpEvents();
  }
}

}  // namespace

void DiscardMessagesFor(HWND handle) {
  auto& posted = Queue().posted;
  for (auto it = posted.begin(); it != posted.end();) it = it->hwnd == handle ? posted.erase(it) : it + 1;
}

void PostCharMessage(HWND handle, UINT message, WPARAM character, LPARAM lParam) {
  Queue().posted.push_front(MakeMessage(handle, message, character, lParam));
}

}  // namespace Platform

using namespace Platform;

void PostQuitMessage(int exitCode) {
  Queue().quitPosted = true;
  Queue().quitCode = exitCode;
}

BOOL PostMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (handle != nullptr && FindLiveWindow(handle) == nullptr) return FALSE;
  Queue().posted.push_back(MakeMessage(handle, message, wParam, lParam));
  return TRUE;
}

LRESULT SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindLiveWindow(handle);
  if (window == nullptr) return 0;
  return window->procedure(handle, message, wParam, lParam);
}

BOOL PeekMessageA(LPMSG msg, HWND filter, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (msg == nullptr) return FALSE;
  PumpEvents();
  QueueState& queue = Queue();
  for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
    if (!Matches(*it, filter, filterMin, filterMax)) continue;
    *msg = *it;
    if ((removeFlags & PM_REMOVE) != 0) queue.posted.erase(it);
    return TRUE;
  }
  if (queue.quitPosted && Matches(MakeMessage(filter, WM_QUIT, 0, 0), filter, filterMin, filterMax)) {
    *msg = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
    if ((removeFlags & PM_REMOVE) != 0) queue.quitPosted = false;
    return TRUE;
  }
  // WM_PAINT stays pending until the window is validated (BeginPaint).
  HWND paint = FindWindowNeedingPaint(filter);
  if (paint != nullptr && Matches(MakeMessage(paint, WM_PAINT, 0, 0), filter, filterMin, filterMax)) {
    *msg = MakeMessage(paint, WM_PAINT, 0, 0);
    return TRUE;
  }
  return FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND filter, UINT filterMin, UINT filterMax) {
  if (msg == nullptr) return -1;
  while (!PeekMessageA(msg, filter, filterMin, filterMax, PM_REMOVE)) WaitForEvents();
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (msg == nullptr) return 0;
  return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WaitMessage() {
  WaitForEvents();
  return TRUE;
}
