// Headless windows and the resource table on Windows. A menu, accelerator
// table or icon whose id the table holds is built as a real object; other
// names go to the system. A class menu named by such an id is built when a
// top-level window of the class is made, since the system would look for it
// among the module's compiled resources.
#include "platform/windows/User.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/windows/Resources.h"

// The system's own functions, not the layer's names for them.
#undef ShowWindow
#undef UpdateWindow
#undef LoadMenuA
#undef LoadAcceleratorsA
#undef LoadIconA
#undef RegisterClassExA
#undef CreateWindowExA

namespace Platform {
namespace {

bool IsTopLevel(HWND window) { return (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) == 0; }

// The table's entry with the id `name` gives, or null for a name the system resolves.
template <typename Resource>
const Resource* Find(HINSTANCE instance, LPCSTR name, const Resource* entries, size_t count) {
  if (instance == nullptr || !IS_INTRESOURCE(name)) return nullptr;
  for (size_t i = 0; i < count; ++i)
    if (entries[i].id == LOWORD(reinterpret_cast<ULONG_PTR>(name))) return &entries[i];
  return nullptr;
}

HMENU BuildMenu(const MenuResource& resource) {
  HMENU bar = CreateMenu();
  if (bar == nullptr) return nullptr;
  for (size_t i = 0; i < resource.popupCount; ++i) {
    const MenuPopupResource& popup = resource.popups[i];
    HMENU items = CreatePopupMenu();
    bool added = items != nullptr;
    for (size_t j = 0; added && j < popup.itemCount; ++j)
      added = AppendMenuA(items, MF_STRING, popup.items[j].id, popup.items[j].text);
    if (!added || !AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(items), popup.text)) {
      if (items != nullptr) DestroyMenu(items);
      DestroyMenu(bar);
      return nullptr;
    }
  }
  return bar;
}

// A 32-bit colour image with its alpha, and a mask set where a pixel is fully
// transparent.
HICON BuildIcon(const IconResource& resource) {
  const int width = resource.width, height = resource.height;
  if (width <= 0 || height <= 0) return nullptr;
  const std::string keys = resource.paletteKeys;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const size_t maskStride = (static_cast<size_t>(width) + 15) / 16 * 2;  // rows padded to 16 bits
  std::vector<BYTE> maskBits(maskStride * height, 0);
  for (int y = 0; color != nullptr && y < height; ++y) {
    const char* text = resource.rows[y];
    bool ended = false;
    for (int x = 0; x < width; ++x) {
      ended = ended || text[x] == '\0';
      size_t index = ended ? std::string::npos : keys.find(text[x]);
      DWORD argb = index == std::string::npos ? 0 : resource.palette[index];
      static_cast<DWORD*>(bits)[static_cast<size_t>(y) * width + x] = argb;
      if ((argb >> 24) == 0) maskBits[y * maskStride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
    }
  }
  HBITMAP mask = CreateBitmap(width, height, 1, 1, maskBits.data());
  HICON icon = nullptr;
  if (color != nullptr && mask != nullptr) {
    ICONINFO parts = {TRUE, 0, 0, mask, color};
    icon = CreateIconIndirect(&parts);
  }
  if (color != nullptr) DeleteObject(color);
  if (mask != nullptr) DeleteObject(mask);
  return icon;
}

// Icons are shared, as the system's loaded icons are: one per id, kept.
std::map<WORD, HICON>& Icons() {
  static std::map<WORD, HICON> icons;
  return icons;
}

// Class names (lower-cased) whose menu the table holds.
std::map<std::string, const MenuResource*>& ClassMenus() {
  static std::map<std::string, const MenuResource*> menus;
  return menus;
}

std::string ClassKey(LPCSTR name) {
  if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name));
  std::string key = name;
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return key;
}

}  // namespace

BOOL UserShowWindow(HWND window, int command) {
  // Never shown, a headless window was not visible before either.
  if (IsHeadless() && IsTopLevel(window)) return FALSE;
  return ShowWindow(window, command);
}

BOOL UserUpdateWindow(HWND window) {
  if (IsHeadless() && IsTopLevel(window)) return IsWindow(window);
  return UpdateWindow(window);
}

HMENU UserLoadMenuA(HINSTANCE instance, LPCSTR name) {
  const ResourceTable* table = Resources();
  if (table != nullptr)
    if (const MenuResource* menu = Find(instance, name, table->menus, table->menuCount))
      return BuildMenu(*menu);
  return LoadMenuA(instance, name);
}

HACCEL UserLoadAcceleratorsA(HINSTANCE instance, LPCSTR name) {
  const ResourceTable* table = Resources();
  if (table != nullptr) {
    if (const AcceleratorResource* accelerators =
            Find(instance, name, table->accelerators, table->acceleratorCount)) {
      std::vector<ACCEL> entries(accelerators->entries, accelerators->entries + accelerators->entryCount);
      return CreateAcceleratorTableA(entries.data(), static_cast<int>(entries.size()));
    }
  }
  return LoadAcceleratorsA(instance, name);
}

HICON UserLoadIconA(HINSTANCE instance, LPCSTR name) {
  const ResourceTable* table = Resources();
  const IconResource* resource =
      table != nullptr ? Find(instance, name, table->icons, table->iconCount) : nullptr;
  if (resource == nullptr) return LoadIconA(instance, name);
  HICON& icon = Icons()[resource->id];
  if (icon == nullptr) icon = BuildIcon(*resource);
  return icon;
}

ATOM UserRegisterClassExA(const WNDCLASSEXA* windowClass) {
  const ResourceTable* table = Resources();
  const MenuResource* menu = nullptr;
  if (windowClass != nullptr && table != nullptr)
    menu = Find(windowClass->hInstance, windowClass->lpszMenuName, table->menus, table->menuCount);
  if (menu == nullptr) return RegisterClassExA(windowClass);
  WNDCLASSEXA withoutMenu = *windowClass;
  withoutMenu.lpszMenuName = nullptr;
  ATOM atom = RegisterClassExA(&withoutMenu);
  if (atom != 0) {
    ClassMenus()[ClassKey(windowClass->lpszClassName)] = menu;
    ClassMenus()[ClassKey(MAKEINTATOM(atom))] = menu;
  }
  return atom;
}

HWND UserCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width,
                         int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter) {
  HMENU built = nullptr;
  if (menu == nullptr && (style & WS_CHILD) == 0 && className != nullptr) {
    auto found = ClassMenus().find(ClassKey(className));
    if (found != ClassMenus().end()) menu = built = BuildMenu(*found->second);
  }
  HWND window = CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menu, instance,
                                parameter);
  if (window == nullptr && built != nullptr) DestroyMenu(built);
  return window;
}

}  // namespace Platform
