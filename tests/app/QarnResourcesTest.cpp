// The program's accelerator table and menu reach a window procedure as the
// commands About (104) and Exit (105).
#include <gtest/gtest.h>

#include <vector>

#include "app/Resource.h"
#include "app/Resources.h"
#include "tests/common/TestEvents.h"

namespace {

std::vector<WPARAM> g_commands;

LRESULT CALLBACK CommandRecorder(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) g_commands.push_back(wParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

class QarnResourcesTest : public testing::Test {
 protected:
  void SetUp() override {
    Platform::SetResources(&QarnResources());
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = CommandRecorder;
    windowClass.hInstance = instance;
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDC_QARN);
    windowClass.lpszClassName = "CommandRecorder";
    RegisterClassExA(&windowClass);
    m_window = CreateWindowExA(0, "CommandRecorder", "", 0, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr,
                               instance, nullptr);
    m_accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_QARN));
    g_commands.clear();
  }
  void TearDown() override { DestroyWindow(m_window); }

  std::vector<WPARAM> CommandsAfter(std::vector<std::pair<SDL_Keycode, Uint16>> keys) {
    g_commands.clear();
    for (auto [key, modifiers] : keys) TestEvents::PressKey(m_window, key, modifiers);
    TestEvents::PumpAll(m_accelerators);
    return g_commands;
  }

  HWND m_window = nullptr;
  HACCEL m_accelerators = nullptr;
};

TEST_F(QarnResourcesTest, AltQuestionMarkAndAltSlashChooseAbout) {
  ASSERT_NE(m_accelerators, nullptr);
  EXPECT_EQ(CommandsAfter({{SDLK_SLASH, KMOD_LALT | KMOD_LSHIFT}}), std::vector<WPARAM>{MAKEWPARAM(IDM_ABOUT, 1)});
  EXPECT_EQ(CommandsAfter({{SDLK_SLASH, KMOD_RALT}}), std::vector<WPARAM>{MAKEWPARAM(IDM_ABOUT, 1)});
  EXPECT_TRUE(CommandsAfter({{SDLK_SLASH, KMOD_NONE}}).empty());
}

TEST_F(QarnResourcesTest, TheMenuGivesExitAndAboutFromTheKeyboard) {
  EXPECT_EQ(CommandsAfter({{SDLK_f, KMOD_LALT}, {SDLK_x, KMOD_NONE}}), std::vector<WPARAM>{MAKEWPARAM(IDM_EXIT, 0)});
  EXPECT_EQ(CommandsAfter({{SDLK_h, KMOD_LALT}, {SDLK_a, KMOD_NONE}}),
            std::vector<WPARAM>{MAKEWPARAM(IDM_ABOUT, 0)});
  EXPECT_TRUE(CommandsAfter({{SDLK_x, KMOD_NONE}}).empty());
}

TEST_F(QarnResourcesTest, TheIconsAreTheProgramsOwn) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  EXPECT_NE(LoadIconA(instance, MAKEINTRESOURCEA(IDI_QARN)), nullptr);
  EXPECT_NE(LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL)), nullptr);
  EXPECT_EQ(LoadIconA(instance, MAKEINTRESOURCEA(110)), nullptr);
}

}  // namespace
