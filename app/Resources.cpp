#include "app/Resources.h"

#include <iterator>

#include "app/Resource.h"

namespace {

// Menu texts in the program's code page (GB2312): "文件(&F)", "退出(&X)",
// "帮助(&H)", "关于(&A)...".
constexpr Platform::MenuItemResource kFileItems[] = {{IDM_EXIT, "\xCD\xCB\xB3\xF6(&X)"}};
constexpr Platform::MenuItemResource kHelpItems[] = {{IDM_ABOUT, "\xB9\xD8\xD3\xDA(&A)..."}};
constexpr Platform::MenuPopupResource kPopups[] = {
    {"\xCE\xC4\xBC\xFE(&F)", kFileItems, std::size(kFileItems)},
    {"\xB0\xEF\xD6\xFA(&H)", kHelpItems, std::size(kHelpItems)},
};
constexpr Platform::MenuResource kMenus[] = {{IDC_QARN, kPopups, std::size(kPopups)}};

// Alt+"?" and Alt+"/" (character keys) choose About.
constexpr ACCEL kAccelerators[] = {{FALT, '?', IDM_ABOUT}, {FALT, '/', IDM_ABOUT}};
constexpr Platform::AcceleratorResource kAcceleratorTables[] = {
    {IDC_QARN, kAccelerators, std::size(kAccelerators)}};

// A tile of four coloured squares under a dark frame.
constexpr const char* kIconRows[16] = {
    "################", "#rrrrrr##gggggg#", "#rrrrrr##gggggg#", "#rrrrrr##gggggg#",
    "#rrrrrr##gggggg#", "#rrrrrr##gggggg#", "#rrrrrr##gggggg#", "################",
    "################", "#bbbbbb##yyyyyy#", "#bbbbbb##yyyyyy#", "#bbbbbb##yyyyyy#",
    "#bbbbbb##yyyyyy#", "#bbbbbb##yyyyyy#", "#bbbbbb##yyyyyy#", "################",
};
constexpr const char* kIconKeys = "#rgby";
constexpr DWORD kIconPalette[] = {0xFF202830, 0xFFE04040, 0xFF40C060, 0xFF4070E0, 0xFFF0C030};
constexpr Platform::IconResource kIcons[] = {
    {IDI_QARN, 16, 16, kIconRows, kIconKeys, kIconPalette},
    {IDI_SMALL, 16, 16, kIconRows, kIconKeys, kIconPalette},
};

constexpr Platform::ResourceTable kResources = {
    kMenus, std::size(kMenus), kAcceleratorTables, std::size(kAcceleratorTables), kIcons, std::size(kIcons)};

}  // namespace

const Platform::ResourceTable& QarnResources() { return kResources; }
