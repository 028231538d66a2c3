#include <gtest/gtest.h>

#include <SDL.h>

#include <iterator>

#include "platform/Platform.h"
#include "tests/common/TestEvents.h"
#include "tests/platform/RecordingWindow.h"

namespace {

constexpr Platform::MenuItemResource kFileItems[] = {{201, "&Open"}, {202, "E&xit"}};
constexpr Platform::MenuItemResource kHelpItems[] = {{203, "&About"}};
constexpr Platform::MenuPopupResource kPopups[] = {{"&File", kFileItems, 2}, {"&Help", kHelpItems, 1}};
constexpr Platform::MenuResource kMenus[] = {{50, kPopups, 2}};
constexpr ACCEL kAccelerators[] = {
    {FALT, '?', 301}, {FVIRTKEY | FCONTROL, 'S', 302}, {FVIRTKEY, VK_F1, 303}, {0, 'q', 304}};
constexpr Platform::AcceleratorResource kTables[] = {{60, kAccelerators, std::size(kAccelerators)}};
constexpr Platform::ResourceTable kResources = {kMenus, 1, kTables, 1, nullptr, 0};

class KeyboardTest : public testing::Test {
 protected:
  void SetUp() override { Platform::SetResources(&kResources); }
  void TearDown() override { Platform::SetResources(nullptr); }

  HINSTANCE Module() const { return GetModuleHandleA(nullptr); }

  std::vector<WPARAM> CommandsAfter(RecordingWindow& window, SDL_Keycode key, Uint16 modifiers) {
    window.Clear();
    TestEvents::PressKey(window.Handle(), key, modifiers);
    TestEvents::PumpAll(LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(60)));
    std::vector<WPARAM> commands;
    for (const RecordedMessage& command : window.Received(WM_COMMAND)) commands.push_back(command.wParam);
    return commands;
  }
};

TEST_F(KeyboardTest, KeysBecomeKeyAndCharacterMessages) {
  RecordingWindow window;
  TestEvents::PressKey(window.Handle(), SDLK_a, KMOD_NONE);
  TestEvents::PressKey(window.Handle(), SDLK_SLASH, KMOD_LSHIFT);
  TestEvents::PressKey(window.Handle(), SDLK_2, KMOD_RSHIFT);
  TestEvents::PressKey(window.Handle(), SDLK_x, KMOD_LALT);
  TestEvents::PumpAll(nullptr);
  auto keyDowns = window.Received(WM_KEYDOWN);
  ASSERT_EQ(keyDowns.size(), 3u);
  EXPECT_EQ(keyDowns[0].wParam, static_cast<WPARAM>('A'));
  EXPECT_EQ(keyDowns[1].wParam, static_cast<WPARAM>(VK_OEM_2));
  auto chars = window.Received(WM_CHAR);
  ASSERT_EQ(chars.size(), 3u);
  EXPECT_EQ(chars[0].wParam, static_cast<WPARAM>('a'));
  EXPECT_EQ(chars[1].wParam, static_cast<WPARAM>('?'));
  EXPECT_EQ(chars[2].wParam, static_cast<WPARAM>('@'));
  ASSERT_EQ(window.Received(WM_SYSKEYDOWN).size(), 1u);
  ASSERT_EQ(window.Received(WM_SYSCHAR).size(), 1u);
  EXPECT_EQ(window.Received(WM_SYSCHAR)[0].wParam, static_cast<WPARAM>('x'));
  EXPECT_EQ(window.Received(WM_KEYUP).size() + window.Received(WM_SYSKEYUP).size(), 4u);
}

TEST_F(KeyboardTest, CharacterAcceleratorsNeedExactlyTheirAltState) {
  RecordingWindow window;
  EXPECT_EQ(CommandsAfter(window, SDLK_SLASH, KMOD_LALT | KMOD_LSHIFT), std::vector<WPARAM>{MAKEWPARAM(301, 1)});
  EXPECT_TRUE(CommandsAfter(window, SDLK_SLASH, KMOD_LSHIFT).empty());  // '?' without Alt
  EXPECT_TRUE(CommandsAfter(window, SDLK_SLASH, KMOD_LALT).empty());    // Alt+'/' is not in this table
  EXPECT_EQ(CommandsAfter(window, SDLK_q, KMOD_NONE), std::vector<WPARAM>{MAKEWPARAM(304, 1)});
  EXPECT_TRUE(CommandsAfter(window, SDLK_q, KMOD_LALT).empty());
}

TEST_F(KeyboardTest, VirtualKeyAcceleratorsMatchTheirModifiers) {
  RecordingWindow window;
  EXPECT_EQ(CommandsAfter(window, SDLK_s, KMOD_LCTRL), std::vector<WPARAM>{MAKEWPARAM(302, 1)});
  EXPECT_TRUE(CommandsAfter(window, SDLK_s, KMOD_NONE).empty());
  EXPECT_TRUE(CommandsAfter(window, SDLK_s, KMOD_LCTRL | KMOD_LSHIFT).empty());
  EXPECT_EQ(CommandsAfter(window, SDLK_F1, KMOD_NONE), std::vector<WPARAM>{MAKEWPARAM(303, 1)});
}

TEST_F(KeyboardTest, TheMenuAnswersAltMnemonicThenItemMnemonic) {
  RecordingWindow window(LoadMenuA(Module(), MAKEINTRESOURCEA(50)));
  ASSERT_NE(GetMenu(window.Handle()), nullptr);
  EXPECT_TRUE(CommandsAfter(window, SDLK_f, KMOD_LALT).empty());
  EXPECT_EQ(CommandsAfter(window, SDLK_x, KMOD_NONE), std::vector<WPARAM>{MAKEWPARAM(202, 0)});
  // The popup closed with the choice: X alone does nothing now.
  EXPECT_TRUE(CommandsAfter(window, SDLK_x, KMOD_NONE).empty());
  // Holding Alt for the item works too.
  CommandsAfter(window, SDLK_h, KMOD_LALT);
  EXPECT_EQ(CommandsAfter(window, SDLK_a, KMOD_LALT), std::vector<WPARAM>{MAKEWPARAM(203, 0)});
}

TEST_F(KeyboardTest, EscapeOrAnotherKeyClosesTheMenuWithoutAChoice) {
  RecordingWindow window(LoadMenuA(Module(), MAKEINTRESOURCEA(50)));
  CommandsAfter(window, SDLK_f, KMOD_LALT);
  EXPECT_TRUE(CommandsAfter(window, SDLK_ESCAPE, KMOD_NONE).empty());
  EXPECT_TRUE(CommandsAfter(window, SDLK_x, KMOD_NONE).empty());
  CommandsAfter(window, SDLK_f, KMOD_LALT);
  EXPECT_TRUE(CommandsAfter(window, SDLK_z, KMOD_NONE).empty());
  EXPECT_TRUE(CommandsAfter(window, SDLK_x, KMOD_NONE).empty());
  // A mnemonic of the other popup does not choose from this one.
  CommandsAfter(window, SDLK_f, KMOD_LALT);
  EXPECT_TRUE(CommandsAfter(window, SDLK_a, KMOD_NONE).empty());
}

TEST_F(KeyboardTest, ResourcesAreFoundOnlyInTheProgramsOwnModule) {
  EXPECT_NE(LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(60)), nullptr);
  EXPECT_EQ(LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(61)), nullptr);
  EXPECT_EQ(LoadAcceleratorsA(nullptr, MAKEINTRESOURCEA(60)), nullptr);
  EXPECT_EQ(LoadMenuA(Module(), "50"), nullptr);
  EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
  EXPECT_EQ(LoadIconA(Module(), MAKEINTRESOURCEA(107)), nullptr);
}

}  // namespace
