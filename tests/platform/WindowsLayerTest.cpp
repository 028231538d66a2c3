// What the platform layer adds on Windows, read back through the system's own
// query functions: menus, accelerators and icons built from the resource
// table, headless windows that are never shown, and replaced exports.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/Platform.h"

namespace {

const Platform::MenuItemResource kItems[] = {{101, "&Start"}, {102, "E&xit"}};
const Platform::MenuPopupResource kPopups[] = {{"&Game", kItems, 2}};
const Platform::MenuResource kMenus[] = {{50, kPopups, 1}};
const ACCEL kKeys[] = {{FVIRTKEY | FCONTROL, 'S', 101}, {FVIRTKEY, VK_ESCAPE, 102}};
const Platform::AcceleratorResource kAccelerators[] = {{60, kKeys, 2}};
const char* const kRows[] = {"rg", "b."};
const DWORD kPalette[] = {0xFFFF0000, 0xFF00FF00, 0x800000FF, 0};
const Platform::IconResource kIcons[] = {{70, 2, 2, kRows, "rgb.", kPalette}};
const Platform::ResourceTable kTable = {kMenus, 1, kAccelerators, 1, kIcons, 1};

std::string ItemText(HMENU menu, UINT position) {
  char text[32] = {};
  GetMenuStringA(menu, position, text, sizeof(text), MF_BYPOSITION);
  return text;
}

// The menu bar of the table's menu 50: its popup's title, item count, second item and its id.
std::tuple<int, std::string, int, std::string, UINT> Describe(HMENU bar) {
  HMENU popup = GetSubMenu(bar, 0);
  return {GetMenuItemCount(bar), ItemText(bar, 0), GetMenuItemCount(popup), ItemText(popup, 1),
          GetMenuItemID(popup, 1)};
}

TEST(WindowsLayer, TableResourcesAreRealObjectsAndOtherNamesGoToTheSystem) {
  Platform::SetResources(&kTable);
  HINSTANCE module = GetModuleHandleA(nullptr);
  const auto expected = std::tuple(1, std::string("&Game"), 2, std::string("E&xit"), 102u);
  HMENU bar = LoadMenuA(module, MAKEINTRESOURCEA(50));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(Describe(bar), expected);
  DestroyMenu(bar);
  EXPECT_EQ(LoadMenuA(module, MAKEINTRESOURCEA(51)), nullptr);

  ACCEL copied[3] = {};
  ASSERT_EQ(CopyAcceleratorTableA(LoadAcceleratorsA(module, MAKEINTRESOURCEA(60)), copied, 3), 2);
  for (int i = 0; i < 2; ++i)  // the top bit of the flags marks a table's last entry
    EXPECT_EQ(std::tuple(copied[i].fVirt & 0x7F, copied[i].key, copied[i].cmd),
              std::tuple(kKeys[i].fVirt, kKeys[i].key, kKeys[i].cmd));

  // The icon's colours keep their alpha; it is made once and shared.
  HICON icon = LoadIconA(module, MAKEINTRESOURCEA(70));
  EXPECT_EQ(LoadIconA(module, MAKEINTRESOURCEA(70)), icon);
  EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
  ICONINFO parts = {};
  ASSERT_TRUE(GetIconInfo(icon, &parts));
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 2;
  info.bmiHeader.biHeight = -2;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  DWORD pixels[4] = {};
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDIBits(screen, parts.hbmColor, 0, 2, pixels, &info, DIB_RGB_COLORS), 2);
  ReleaseDC(nullptr, screen);
  DeleteObject(parts.hbmColor);
  DeleteObject(parts.hbmMask);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(pixels[i], kPalette[i]) << i;

  // A class naming the table's menu gives its top-level windows that menu;
  // headless, ShowWindow leaves them hidden.
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = module;
  windowClass.lpszMenuName = MAKEINTRESOURCEA(50);
  windowClass.lpszClassName = "WindowsLayerTest";
  ASSERT_NE(RegisterClassExA(&windowClass), 0);
  for (bool headless : {true, false}) {
    Platform::SetHeadless(headless);
    HWND window = CreateWindowExA(0, "windowslayertest", "", WS_OVERLAPPEDWINDOW, 0, 0, 64, 48, nullptr,
                                  nullptr, module, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Describe(GetMenu(window)), expected);
    ShowWindow(window, SW_SHOW);
    EXPECT_EQ(IsWindowVisible(window) != FALSE, !headless);
    DestroyWindow(window);
  }
}

INT_PTR WINAPI Replacement() { return 7; }

TEST(WindowsLayer, ReplacedExportsAreGivenUntilRestored) {
  HMODULE direct3d = LoadLibraryA("d3d8.dll");
  ASSERT_NE(direct3d, nullptr);
  FARPROC own = GetProcAddress(direct3d, "Direct3DCreate8");
  FARPROC replacement = reinterpret_cast<FARPROC>(&Replacement);
  EXPECT_FALSE(Platform::SetModuleExport("d3d8.dll", "Direct3DCreate9", replacement));
  ASSERT_TRUE(Platform::SetModuleExport("d3d8.dll", "Direct3DCreate8", replacement));
  EXPECT_EQ(GetProcAddress(direct3d, "Direct3DCreate8"), replacement);
  ASSERT_TRUE(Platform::SetModuleExport("d3d8.dll", "Direct3DCreate8", nullptr));
  EXPECT_EQ(GetProcAddress(direct3d, "Direct3DCreate8"), own);
  FreeLibrary(direct3d);
}

}  // namespace
