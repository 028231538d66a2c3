// Windows, messages, the keyboard with menus and accelerators, window
// geometry, built-in modules, rectangles and the clocks.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "platform/Platform.h"
#include "platform/sdl/WindowImpl.h"
#include "tests/common/TestEvents.h"
#include "tests/platform/RecordingWindow.h"

namespace {

using Messages = std::vector<std::pair<UINT, WPARAM>>;

// What the window received of the given kinds, grouped by kind in that order.
Messages Got(const RecordingWindow& window, std::initializer_list<UINT> kinds) {
  Messages got;
  for (UINT kind : kinds)
    for (const RecordedMessage& m : window.Received(kind)) got.emplace_back(kind, m.wParam);
  return got;
}

TEST(Window, EventsBecomeTheMessagesOfItsLifeAndTheClientAreaIsTheWholeWindow) {
  RecordingWindow window;
  HWND handle = window.Handle();
  auto life = [&] { return Got(window, {WM_CREATE, WM_ACTIVATE, WM_PAINT, WM_CLOSE, WM_DESTROY}); };
  EXPECT_EQ(life(), (Messages{{WM_CREATE, 0}}));  // shown only when asked
  // The client area is the whole window, and the style is kept.
  RECT outer = {0, 0, 320, 200}, client, placed, area{};
  ASSERT_TRUE(AdjustWindowRectEx(&outer, WS_OVERLAPPED | WS_CAPTION, TRUE, 0));
  EXPECT_TRUE(
      SetWindowPos(handle, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top, SWP_NOMOVE) &&
      SetWindowPos(handle, 0, 40, 30, 0, 0, SWP_NOSIZE) && !SetWindowPos(handle, 0, 0, 0, 0, 9, 0));
  ASSERT_TRUE(GetClientRect(handle, &client) && GetWindowRect(handle, &placed) && !GetClientRect(0, &area));
  EXPECT_EQ(
      std::vector<LONG>({client.left, client.top, client.right, client.bottom, placed.right - placed.left,
                         placed.bottom - placed.top, SetWindowLongA(handle, GWL_STYLE, LONG(WS_POPUP)),
                         GetWindowLongA(handle, GWL_STYLE), GetWindowLongA(handle, GWL_EXSTYLE)}),
      std::vector<LONG>({0, 0, 320, 200, 320, 200, WS_OVERLAPPED, LONG(WS_POPUP), 0}));
  EXPECT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0) && area.right > area.left &&
              area.bottom > area.top && !SystemParametersInfoA(SPI_GETWORKAREA, 0, nullptr, 0) &&
              !SystemParametersInfoA(1, 0, &area, 0));
  const WPARAM active = MAKEWPARAM(WA_ACTIVE, 0), minimised = MAKEWPARAM(WA_INACTIVE, 1);
  // The events of each step (the first shows and paints the window) and what they bring.
  const std::tuple<std::vector<SDL_WindowEventID>, Messages, bool> kSteps[] = {
      {{}, {{WM_ACTIVATE, active}, {WM_PAINT, 0}}, false},
      {{}, {}, false},  // painted and validated: nothing more
      {{SDL_WINDOWEVENT_MINIMIZED}, {{WM_ACTIVATE, minimised}}, true},
      {{SDL_WINDOWEVENT_FOCUS_LOST}, {{WM_ACTIVATE, minimised}}, true},
      {{SDL_WINDOWEVENT_RESTORED}, {{WM_ACTIVATE, active}, {WM_PAINT, 0}}, false},
      {{SDL_WINDOWEVENT_FOCUS_GAINED}, {{WM_ACTIVATE, active}}, false},
      {{SDL_WINDOWEVENT_RESTORED}, {{WM_PAINT, 0}}, false},  // not minimised: just painted
      {{SDL_WINDOWEVENT_EXPOSED, SDL_WINDOWEVENT_EXPOSED}, {{WM_PAINT, 0}}, false},
      {{SDL_WINDOWEVENT_CLOSE}, {{WM_CLOSE, 0}, {WM_DESTROY, 0}}, false}};  // the default destroys it
  int step = 0;
  for (const auto& [events, expected, iconic] : kSteps) {
    window.Clear();
    if (step++ == 0) {
      ShowWindow(handle, SW_SHOW);
      UpdateWindow(handle);
    }
    for (SDL_WindowEventID id : events) {
      SDL_Event event = TestEvents::WindowEvent(handle, id);
      SDL_PushEvent(&event);
    }
    TestEvents::PumpAll(nullptr);
    EXPECT_TRUE(life() == expected && (IsIconic(handle) != FALSE) == iconic) << step;
  }
  EXPECT_EQ(Platform::GetSdlWindow(handle), nullptr);
  EXPECT_FALSE(IsWindow(handle) || PostMessageA(handle, WM_USER, 3, 0) || DestroyWindow(handle) ||
               DestroyWindow(nullptr) || ShowWindow(reinterpret_cast<HWND>(&window), SW_SHOW));
  EXPECT_FALSE(CreateWindowExA(0, "NoSuchClass", "x", 0, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr));
  // The record's size is checked.
  WNDCLASSEXA shortRecord{sizeof(WNDCLASSEXA) - 4, 0, DefWindowProcA, 0, 0, 0, 0, 0, 0, 0, "Short", 0};
  EXPECT_EQ(RegisterClassExA(&shortRecord) + RegisterClassExA(nullptr), 0);
}

TEST(MessageQueue, PostedMessagesComeInOrderThenQuitThenPaintAndOnTheVirtualClockWhenDue) {
  RecordingWindow window, doomed;
  ShowWindow(window.Handle(), SW_SHOW);  // the window now needs painting
  PostMessageA(doomed.Handle(), WM_USER, 9, 0);
  PostMessageA(window.Handle(), WM_USER, 1, 0);
  PostQuitMessage(7);
  PostMessageA(nullptr, WM_USER + 5, 2, 0);
  DestroyWindow(doomed.Handle());  // its messages go with it
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 6, WM_USER + 9, PM_REMOVE));
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 5, WM_USER + 5, PM_NOREMOVE) && msg.wParam == 2);
  EXPECT_TRUE(PeekMessageA(&msg, window.Handle(), 0, 0, PM_NOREMOVE) && msg.wParam == 1);
  Messages got;
  for (int n = 3; n--;) got.emplace_back(GetMessageA(&msg, nullptr, 0, 0) ? msg.message : 0, msg.wParam);
  for (int n = 2; n--;) got.emplace_back(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) ? msg.message : 0, 0);
  DispatchMessageA(&msg);  // painting validates the window
  got.emplace_back(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) ? msg.message : 0, 0);
  EXPECT_EQ(got, (Messages{{WM_USER, 1}, {WM_USER + 5, 2}, {0, 7}, {WM_PAINT, 0}, {WM_PAINT, 0}, {0, 0}}));
  EXPECT_EQ(SendMessageA(window.Handle(), WM_USER, 4, 0), 0);  // at once, not queued
  EXPECT_TRUE(Got(window, {WM_USER}) == (Messages{{WM_USER, 4}}) && !PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
  // On the virtual clock, events arrive when due and waiting jumps to the next.
  Platform::EnableVirtualClock(100, SYSTEMTIME{});
  SDL_Event user{SDL_USEREVENT};
  user.user.code = 1;
  Platform::PostEventAt(150, user);
  user.user.code = 2;
  Platform::PostEventAt(130, user);
  Platform::PostEventAt(5000, TestEvents::WindowEvent(window.Handle(), SDL_WINDOWEVENT_CLOSE));
  std::vector<int> arrived;  // the codes due after each sleep, 0 after each
  for (DWORD step : {29u, 1u, 19u, 1u}) {
    Sleep(step);
    while (SDL_PeepEvents(&user, 1, SDL_GETEVENT, SDL_USEREVENT, SDL_USEREVENT) == 1)
      arrived.push_back(user.user.code);
    arrived.push_back(0);
  }
  EXPECT_EQ(arrived, (std::vector<int>{0, 2, 0, 0, 1, 0}));
  PostMessageA(nullptr, WM_USER, 0, 0);
  WaitMessage();  // returns at once: a message is waiting
  EXPECT_TRUE(timeGetTime() == 150 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  WaitMessage();
  EXPECT_TRUE(timeGetTime() == 5000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) &&
              msg.message == WM_CLOSE);
  Platform::DisableVirtualClock();
}

constexpr Platform::MenuItemResource kFileItems[] = {{201, "&Open"}, {202, "E&xit"}};
constexpr Platform::MenuItemResource kHelpItems[] = {{203, "&About"}};
constexpr Platform::MenuPopupResource kPopups[] = {{"&File", kFileItems, 2}, {"&Help", kHelpItems, 1}};
constexpr Platform::MenuResource kMenus[] = {{50, kPopups, 2}};
constexpr ACCEL kAccelerators[] = {
    {FALT, '?', 301}, {FVIRTKEY | FCONTROL, 'S', 302}, {FVIRTKEY, VK_F1, 303}, {0, 'q', 304}};
constexpr Platform::AcceleratorResource kTables[] = {{60, kAccelerators, 4}};
constexpr Platform::ResourceTable kResources = {kMenus, 1, kTables, 1, nullptr, 0};

TEST(Keyboard, KeysBecomeKeyAndCharacterMessagesAndAcceleratorsAndMenuMnemonicsCommands) {
  // Key, modifiers, virtual key, character (0: none).
  const std::tuple<SDL_Keycode, Uint16, WPARAM, WPARAM> kKeys[] = {
      {SDLK_a, KMOD_NONE, 'A', 'a'},   {SDLK_z, KMOD_LSHIFT, 'Z', 'Z'},
      {SDLK_2, KMOD_RSHIFT, '2', '@'}, {SDLK_SLASH, KMOD_LSHIFT, VK_OEM_2, '?'},
      {SDLK_c, KMOD_LCTRL, 'C', 3},    {SDLK_F12, KMOD_NONE, VK_F1 + 11, 0},
      {SDLK_LEFT, 0, VK_LEFT, 0},      {SDLK_RETURN, KMOD_NONE, VK_RETURN, '\r'},
      {SDLK_x, KMOD_LALT, 'X', 'x'}};
  RecordingWindow window;
  for (const auto& [key, modifiers, virtualKey, character] : kKeys) {
    window.Clear();
    TestEvents::PressKey(window.Handle(), key, modifiers);
    TestEvents::PumpAll(nullptr);
    UINT alt = modifiers & KMOD_ALT ? WM_SYSKEYDOWN - WM_KEYDOWN : 0;  // the system kinds sit 4 above
    Messages expected = {{WM_KEYDOWN + alt, virtualKey}, {WM_KEYUP + alt, virtualKey}};
    if (character != 0) expected.insert(expected.begin() + 1, {WM_CHAR + alt, character});
    EXPECT_EQ(Got(window, {WM_KEYDOWN, WM_SYSKEYDOWN, WM_CHAR, WM_SYSCHAR, WM_KEYUP, WM_SYSKEYUP}), expected)
        << key;
  }
  Platform::SetResources(&kResources);
  HINSTANCE module = GetModuleHandleA(nullptr);
  const Uint16 alt = KMOD_LALT, shift = KMOD_LSHIFT, ctrl = KMOD_LCTRL, none = KMOD_NONE;
  const std::pair<std::vector<std::pair<SDL_Keycode, Uint16>>, std::vector<WPARAM>> kCases[] = {
      // Accelerators give 1 in the high word: '?' needs exactly its Alt state, virtual keys their modifiers.
      {{{SDLK_SLASH, alt | shift}, {SDLK_SLASH, shift}, {SDLK_SLASH, alt}, {SDLK_q, alt}}, {301 | 1 << 16}},
      {{{SDLK_q, none}, {SDLK_s, ctrl}, {SDLK_F1, none}, {SDLK_s, none}, {SDLK_s, ctrl | shift}},
       {304 | 1 << 16, 302 | 1 << 16, 303 | 1 << 16}},
      // The menu gives 0: Alt and the popup's mnemonic, then the item's, with Alt held or not; the choice,
      // Escape or another key closes it, and a mnemonic of the other popup chooses nothing.
      {{{SDLK_f, alt}, {SDLK_x, none}, {SDLK_x, none}, {SDLK_h, alt}, {SDLK_a, alt}}, {202, 203}},
      {{{SDLK_f, alt}, {SDLK_ESCAPE, none}, {SDLK_x, 0}, {SDLK_f, alt}, {SDLK_z, none}, {SDLK_x, none}}, {}},
      {{{SDLK_f, alt}, {SDLK_a, none}}, {}}};
  for (const auto& [keys, commands] : kCases) {
    RecordingWindow menued(LoadMenuA(module, MAKEINTRESOURCEA(50)));
    for (auto [key, modifiers] : keys) TestEvents::PressKey(menued.Handle(), key, modifiers);
    TestEvents::PumpAll(LoadAcceleratorsA(module, MAKEINTRESOURCEA(60)));
    std::vector<WPARAM> got;
    for (const RecordedMessage& command : menued.Received(WM_COMMAND)) got.push_back(command.wParam);
    EXPECT_EQ(got, commands) << &keys - &kCases[0].first;
  }
  // Resources are found only in the program's own module.
  EXPECT_EQ(LoadAcceleratorsA(module, MAKEINTRESOURCEA(61)), LoadAcceleratorsA(0, MAKEINTRESOURCEA(60)));
  EXPECT_TRUE(!LoadMenuA(module, "50") && !LoadIconA(module, MAKEINTRESOURCEA(107)) &&
              LoadCursorA(nullptr, IDC_ARROW));
  Platform::SetResources(nullptr);
}

TEST(Modules, DirectDrawIsBuiltInAndFoundByNameOnly) {
  HMODULE ddraw = LoadLibraryA("DDRAW.DLL");
  EXPECT_TRUE(ddraw && LoadLibraryA("ddraw.dll") == ddraw && !LoadLibraryA("user32.dll"));
  EXPECT_TRUE(GetProcAddress(ddraw, "DirectDrawCreate") && !GetProcAddress(ddraw, "DirectDrawCreateEx"));
  EXPECT_TRUE(FreeLibrary(ddraw) && FreeLibrary(ddraw) && !FreeLibrary(ddraw) &&  // loaded twice
              !GetProcAddress(ddraw, "DirectDrawCreate"));
  LPDIRECTDRAW directDraw = nullptr;
  ASSERT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK);
  EXPECT_TRUE(directDraw->SetDisplayMode(640, 480, 16) == DDERR_NOEXCLUSIVEMODE && !directDraw->Release() &&
              DirectDrawCreate(nullptr, nullptr, nullptr) == DDERR_INVALIDPARAMS);
}

TEST(Rect, UnionAndIntersectionMatchAPlainReference) {
  std::mt19937 random(5);
  auto empty = [](const RECT& r) { return r.right <= r.left || r.bottom <= r.top; };
  auto zeroed = [&](const RECT& r) { return empty(r) ? RECT{} : r; };  // empty results are all zeros
  RECT a, b, got, meet, join;
  for (int round = 0; round < 2000; ++round) {
    SetRect(&a, random() % 7, random() % 7, random() % 7, random() % 7);
    SetRect(&b, random() % 7, random() % 7, random() % 7, random() % 7);
    meet = zeroed({std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                   std::min(a.bottom, b.bottom)});
    join = zeroed(empty(a)   ? b
                  : empty(b) ? a
                             : RECT{std::min(a.left, b.left), std::min(a.top, b.top),
                                    std::max(a.right, b.right), std::max(a.bottom, b.bottom)});
    EXPECT_TRUE(IntersectRect(&got, &a, &b) == !empty(meet) && EqualRect(&got, &meet) &&
                IsRectEmpty(&a) == empty(a));
    EXPECT_TRUE(UnionRect(&got, &a, &b) == !empty(join) && EqualRect(&got, &join)) << round;
  }
  EXPECT_TRUE(IsRectEmpty(nullptr) && !EqualRect(&got, nullptr));
}

TEST(Clock, OnTheVirtualClockOnlySleepAndAdvanceMoveTimeAndTheDateRollsOver) {
  Platform::EnableVirtualClock(0xFFFFFFF0u, SYSTEMTIME{2006, 2, 0, 28, 23, 59, 58, 0});
  Sleep(0x18);
  Platform::AdvanceVirtualClock(2);
  EXPECT_EQ(timeGetTime(), 10u);  // wrapped
  Sleep(2500 - 0x1A);
  SYSTEMTIME t;
  GetLocalTime(&t);  // across midnight and the month's end, to a Wednesday
  EXPECT_EQ(std::vector<WORD>(
                {t.wYear, t.wMonth, t.wDay, t.wDayOfWeek, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds}),
            std::vector<WORD>({2006, 3, 1, 3, 0, 0, 0, 500}));
  Platform::DisableVirtualClock();
}

}  // namespace
