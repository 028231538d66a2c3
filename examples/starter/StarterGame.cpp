#include "StarterGame.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "engine/graphics/TSGraphicsManager.h"
#include "engine/image/TSImage.h"
#include "engine/io/TSIOStream.h"
#include "engine/text/TSFontLoader.h"
#include "engine/text/TSTextRegistry.h"

namespace {

constexpr const char* kWindowClass = "TesselStarter";
constexpr DWORD kFontId = 0;
constexpr const char* kHelp = "Arrow keys move the ball. Esc quits.";

// The game whose window procedure runs: there is one window per process.
StarterGame* g_game = nullptr;

// Fills the whole window with two bands of colour. It never changes, so the
// tree repaints it only where something above it moved: within the device's
// clip rectangle, which the software device's rectangles do not heed by
// themselves.
class Backdrop : public CTSRenderTreeObject {
 public:
  void Draw(CTSGraphics* device) override {
    RECT clip;
    device->GetClipRect(&clip);
    FillWithin(device, clip, {0, 0, StarterGame::kWidth, StarterGame::kHeight / 2}, CTSColor(0xFF203050));
    FillWithin(device, clip, {0, StarterGame::kHeight / 2, StarterGame::kWidth, StarterGame::kHeight},
               CTSColor(0xFF304020));
  }
  bool GetBoundRect(RECT* out) const override {
    *out = {0, 0, StarterGame::kWidth, StarterGame::kHeight};
    return true;
  }

 private:
  static void FillWithin(CTSGraphics* device, const RECT& clip, const RECT& band, CTSColor color) {
    RECT part;
    if (IntersectRect(&part, &clip, &band))
      device->DrawRect(part.left, part.top, part.right, part.bottom, color, true);
  }
};

// A line of text in the registry's font kFontId; dirty until first drawn.
class Label : public CTSRenderTreeObject {
 public:
  Label(INT x, INT y, const char* text) : m_text(text) {
    m_bounds = {x, y, x + 8 * static_cast<INT>(std::strlen(text)), y + 16};
  }
  void Draw(CTSGraphics* device) override {
    CTSTextRegistry::Instance().DrawText(kFontId, device, m_bounds.left, m_bounds.top, CTSColor(0xFFFFFFFF),
                                         m_text, -1, -1);
    m_drawn = true;
  }
  INT GetDirtyRects(RECT* out, INT max) const override {
    if (max < 1) return 0;
    out[0] = m_bounds;
    return 1;
  }
  bool GetBoundRect(RECT* out) const override {
    *out = m_bounds;
    return true;
  }
  bool IsDirty() const override { return !m_drawn; }

 private:
  const char* m_text;
  RECT m_bounds;
  bool m_drawn = false;
};

}  // namespace

// A texture drawn whole with its alpha at a position. After a move it reports
// where it was and where it is, so that both get repainted.
class StarterSprite : public CTSRenderTreeObject {
 public:
  // Takes a use of the texture, given up when the sprite is released.
  explicit StarterSprite(CTSTexture* texture) : m_texture(texture) { texture->AddRef(); }
  void MoveBy(INT dx, INT dy) {
    m_x += dx;
    m_y += dy;
  }
  void Draw(CTSGraphics* device) override {
    device->DrawSprite(m_texture.Get(), m_x, m_y, 0, 0, m_texture->GetWidth(), m_texture->GetHeight(),
                       BLEND_ALPHA, FLIP_NONE, CTSColor(0xFFFFFFFF));
    m_drawn = Bounds();
  }
  INT GetDirtyRects(RECT* out, INT max) const override {
    INT count = 0;
    if (count < max) out[count++] = m_drawn;
    if (count < max) out[count++] = Bounds();
    return count;
  }
  bool GetBoundRect(RECT* out) const override {
    *out = Bounds();
    return true;
  }
  bool IsDirty() const override {
    RECT now = Bounds();
    return !EqualRect(&now, &m_drawn);
  }

 private:
  RECT Bounds() const { return {m_x, m_y, m_x + m_texture->GetWidth(), m_y + m_texture->GetHeight()}; }

  CTSUsePtr<CTSTexture> m_texture;
  INT m_x = StarterGame::kWidth / 2 - 16;
  INT m_y = StarterGame::kHeight / 2 - 16;
  RECT m_drawn = {0, 0, 0, 0};  // where the last Draw put it
};

StarterGame::~StarterGame() {
  // The scene holds uses of textures, which go before the device that made them.
  if (m_tree != nullptr) m_tree->Release();
  delete m_images;
  if (m_device != nullptr) m_device->Release();
  if (m_window != nullptr && IsWindow(m_window)) DestroyWindow(m_window);
  g_game = nullptr;
}

bool StarterGame::Open() {
  g_game = this;
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExA(&windowClass);
  m_window =
      CreateWindowExA(0, kWindowClass, "Tessel starter", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                      CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (m_window == nullptr) {
    std::fputs("starter: cannot open the window\n", stderr);
    return false;
  }
  ShowWindow(m_window, SW_SHOW);
  m_running = true;

  // The software device draws into a back buffer of the size asked for, and
  // resizes the window to fit it.
  m_device = CTSGraphicsManager::Instance().CreateDevice(TS_GUID_GDI_GRAPHICS, m_window, kWidth, kHeight,
                                                         false, true);
  if (m_device == nullptr) {
    std::fputs("starter: cannot create the software device\n", stderr);
    return false;
  }
  m_images = new CTSImageManager(m_device);
  // The manager keeps the texture's one use; the sprite takes its own.
  CTSTexture* ball = m_images->LoadTexture("sprite.png", CTSColor(0), -1);
  if (ball == nullptr) {
    std::fputs("starter: cannot load sprite.png\n", stderr);
    return false;
  }
  // The registry takes a use of the font; ours goes at once. Without the
  // font the text is simply not drawn.
  if (CTSFont* font = CTSFontLoader::Instance().LoadFont(TS_GUID_POINT_FONT, "Font\\starter16.gfxFont")) {
    CTSTextRegistry::Instance().AddFont(kFontId, font);
    font->Release();
  }

  // The tree owns what is added under its root, drawn in ascending priority.
  m_tree = new CTSRenderTree(64, true);
  CTSRenderTreeObject* root = m_tree->GetRoot();
  auto* backdrop = new Backdrop;
  backdrop->SetPriority(0);
  root->AddChild(backdrop, nullptr, nullptr);
  m_sprite = new StarterSprite(ball);
  m_sprite->SetPriority(1);
  root->AddChild(m_sprite, nullptr, nullptr);
  auto* label = new Label(8, 8, kHelp);
  label->SetPriority(2);
  root->AddChild(label, nullptr, nullptr);
  return true;
}

bool StarterGame::Frame() {
  MSG msg;
  while (m_running && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      m_running = false;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (!m_running) return false;
  m_device->BeginScene();
  m_tree->Update();
  m_tree->Render(m_device);
  m_device->EndScene();
  // Only the rectangles that changed go to the window.
  RECT changed;
  m_tree->GetDirtyBounds(&changed);
  m_device->Present(nullptr, &changed, &changed);
  return true;
}

bool StarterGame::SaveScreenshot(const char* path) const {
  CTSUsePtr<CTSImage> image(new (std::nothrow) CTSImage);
  if (!image || m_device == nullptr || !m_device->GetRenderTarget()->CopyToImage(image.Get())) return false;
  size_t length = std::strlen(path);
  bool png = length > 4 && std::strcmp(path + length - 4, ".png") == 0;
  // A longer file left from before would keep its tail.
  std::remove(path);
  CTSUsePtr<CTSIOStream> file(new (std::nothrow) CTSIOStream(path, CTSIOStream::kWrite, false));
  return file && file->CanWrite() && image->Save(file.Get(), png ? IMAGE_FORMAT_PNG : IMAGE_FORMAT_BMP);
}

void StarterGame::OnKeyDown(WPARAM key) {
  switch (key) {
    case VK_LEFT:
      m_sprite->MoveBy(-kStep, 0);
      break;
    case VK_RIGHT:
      m_sprite->MoveBy(kStep, 0);
      break;
    case VK_UP:
      m_sprite->MoveBy(0, -kStep);
      break;
    case VK_DOWN:
      m_sprite->MoveBy(0, kStep);
      break;
    case VK_ESCAPE:
      DestroyWindow(m_window);
      break;
  }
}

LRESULT CALLBACK StarterGame::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      if (g_game != nullptr && g_game->m_sprite != nullptr) g_game->OnKeyDown(wParam);
      return 0;
    case WM_PAINT: {
      // A window uncovered gets the whole back buffer again.
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      if (g_game != nullptr && g_game->m_device != nullptr)
        g_game->m_device->Present(window, nullptr, nullptr);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      if (g_game != nullptr) g_game->m_window = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
