// Window and memory device contexts: 16-bit DIB sections copied and scaled
// into a window, read back from the window's pixels.
#include <gtest/gtest.h>

#include "tests/common/WindowReadback.h"
#include "tests/platform/RecordingWindow.h"

namespace {

constexpr DWORD kBackground = 0x123456;

BITMAPINFO Header16(LONG width, LONG height) {
  return {{sizeof(BITMAPINFOHEADER), width, height, 1, 16, BI_RGB, 0, 0, 0, 0, 0}, {}};
}

// A distinct X1R5G5B5 pixel everywhere: red from x, green from y, blue from both.
WORD Pixel(int x, int y) { return static_cast<WORD>(((x & 31) << 10) | ((y & 31) << 5) | ((x + y) & 31)); }

TEST(DeviceContext, OnlyTopDown16BitSectionsAreMadeAndOnlyPlainCopiesAreDone) {
  BITMAPINFO kBad[] = {Header16(8, 8), Header16(8, -8), Header16(0, -8), Header16(100000, -100000)};
  kBad[1].bmiHeader.biBitCount = 24;
  void* out;  // nulled on failure
  for (BITMAPINFO& bad : kBad)
    EXPECT_TRUE(!CreateDIBSection(0, &bad, DIB_RGB_COLORS, &(out = &bad), nullptr, 0) && !out) << &bad - kBad;
  EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  RecordingWindow window;
  HWND handle = window.Handle();
  RECT client;
  ShowWindow(handle, SW_SHOW);
  GetClientRect(handle, &client);
  BITMAPINFO info = Header16(client.right, -client.bottom);
  WORD* bits = nullptr;
  HDC memory = CreateCompatibleDC(nullptr), other = CreateCompatibleDC(nullptr);
  HBITMAP section =
      CreateDIBSection(memory, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
  ASSERT_TRUE(section && SelectObject(memory, section) && client.right % 2 == 0);
  // Plain top-down memory, rows of width times two bytes.
  for (int i = 0; i < client.right * client.bottom; ++i) bits[i] = Pixel(i % client.right, i / client.right);
  // srcWidth 0: BitBlt. A mirrored copy draws nothing; only plain copies are done. (The software device's
  // Present makes whole and scaled copies.)
  struct Copy {
    int x, y, width, height, srcX, srcY, srcWidth, srcHeight;
    DWORD rop;
    bool ok;
  };
  const Copy kCopies[] = {{100, 50, 20, 10, 300, 200, 0, 0, SRCCOPY, true},
                          {0, 0, 0, 10, 0, 0, 0, 0, SRCCOPY, true},
                          {20, 0, -10, 10, 0, 0, 10, 10, SRCCOPY, true},
                          {0, 0, 10, 10, 0, 0, 0, 0, 0xEE0086, false}};
  for (const auto& c : kCopies) {
    WindowReadback::Fill(handle, kBackground);
    HDC dc = GetDC(handle);
    bool done = c.srcWidth ? StretchBlt(dc, c.x, c.y, c.width, c.height, memory, c.srcX, c.srcY, c.srcWidth,
                                        c.srcHeight, c.rop)
                           : BitBlt(dc, c.x, c.y, c.width, c.height, memory, c.srcX, c.srcY, c.rop);
    EXPECT_TRUE(done == c.ok && ReleaseDC(handle, dc));
    for (int i = 0; i < client.right * client.bottom; ++i) {
      int x = i % client.right, y = i / client.right, dx = x - c.x, dy = y - c.y;
      DWORD rgb = WindowReadback::Pixel(handle, x, y), want = kBackground;
      // Whatever the window widened the channels to, their top five bits are the pixel's.
      WORD got = static_cast<WORD>(((rgb >> 19) & 31) << 10 | ((rgb >> 11) & 31) << 5 | ((rgb >> 3) & 31));
      const bool copied = dx >= 0 && dx < c.width && dy >= 0 && dy < c.height && c.ok;
      if (copied) want = Pixel(c.srcX + dx, c.srcY + dy);
      ASSERT_EQ(copied ? got : rgb, want) << &c - kCopies << ": " << x << "," << y;
    }
  }
  // A selected bitmap cannot be deleted nor selected elsewhere.
  EXPECT_TRUE(!DeleteObject(section) && !SelectObject(other, section) && DeleteDC(other) && DeleteDC(memory));
  EXPECT_TRUE(DeleteObject(section) && !DeleteObject(section) && !GetDC(nullptr));
}

}  // namespace
