#include <gtest/gtest.h>

#include <cstring>

#include "tests/common/WindowReadback.h"
#include "tests/platform/RecordingWindow.h"

namespace {

BITMAPINFO Header16(LONG width, LONG height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 16;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// The X1R5G5B5 pixel a window pixel shows: whatever the window widened the
// channels to, their top five bits are the pixel's.
WORD Narrow(DWORD rgb) {
  return static_cast<WORD>((((rgb >> 19) & 31) << 10) | (((rgb >> 11) & 31) << 5) | ((rgb >> 3) & 31));
}

WORD WindowPixel(HWND window, int x, int y) { return Narrow(WindowReadback::Pixel(window, x, y)); }

class DeviceContextTest : public testing::Test {
 protected:
  void SetUp() override {
    ShowWindow(m_window.Handle(), SW_SHOW);
    RECT client;
    GetClientRect(m_window.Handle(), &client);
    m_width = client.right;
    m_height = client.bottom;
    BITMAPINFO info = Header16(m_width, -m_height);
    m_memory = CreateCompatibleDC(nullptr);
    m_bitmap = CreateDIBSection(m_memory, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
    ASSERT_NE(m_bitmap, nullptr);
    SelectObject(m_memory, m_bitmap);
    // A distinct pixel everywhere: red from x, green from y, blue from both.
    for (int y = 0; y < m_height; ++y)
      for (int x = 0; x < m_width; ++x) m_bits[y * m_width + x] = Pixel(x, y);
    WindowReadback::Fill(m_window.Handle(), 0x123456);
  }

  void TearDown() override {
    DeleteDC(m_memory);
    DeleteObject(m_bitmap);
  }

  static WORD Pixel(int x, int y) { return static_cast<WORD>(((x & 31) << 10) | ((y & 31) << 5) | ((x + y) & 31)); }

  RecordingWindow m_window;
  int m_width = 0;
  int m_height = 0;
  HDC m_memory = nullptr;
  HBITMAP m_bitmap = nullptr;
  WORD* m_bits = nullptr;
};

TEST_F(DeviceContextTest, TheSectionIsPlainTopDownMemoryWithRowsOfWidthTimesTwo) {
  ASSERT_EQ(m_width % 2, 0);
  // Writing through the bits pointer is what the copy reads: row y at y * width.
  HDC window = GetDC(m_window.Handle());
  ASSERT_TRUE(BitBlt(window, 0, 0, m_width, m_height, m_memory, 0, 0, SRCCOPY));
  ReleaseDC(m_window.Handle(), window);
  for (int y : {0, 1, m_height / 2, m_height - 1})
    for (int x : {0, 1, 33, m_width - 1})
      EXPECT_EQ(WindowPixel(m_window.Handle(), x, y), Pixel(x, y)) << x << "," << y;
}

TEST_F(DeviceContextTest, BitBltCopiesJustItsRectangle) {
  HDC window = GetDC(m_window.Handle());
  ASSERT_TRUE(BitBlt(window, 100, 50, 20, 10, m_memory, 300, 200, SRCCOPY));
  ReleaseDC(m_window.Handle(), window);
  for (int y = 45; y < 65; ++y) {
    for (int x = 95; x < 125; ++x) {
      bool inside = x >= 100 && x < 120 && y >= 50 && y < 60;
      if (inside)
        ASSERT_EQ(WindowPixel(m_window.Handle(), x, y), Pixel(x + 200, y + 150)) << x << "," << y;
      else
        ASSERT_EQ(WindowReadback::Pixel(m_window.Handle(), x, y), 0x123456u) << x << "," << y;
    }
  }
}

TEST_F(DeviceContextTest, StretchBltScalesToTheNearestPixel) {
  HDC window = GetDC(m_window.Handle());
  ASSERT_TRUE(StretchBlt(window, 10, 10, 40, 20, m_memory, 0, 0, 20, 10, SRCCOPY));
  ReleaseDC(m_window.Handle(), window);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(WindowPixel(m_window.Handle(), 10 + x, 10 + y), Pixel(x / 2, y / 2)) << x << "," << y;
  EXPECT_EQ(WindowReadback::Pixel(m_window.Handle(), 50, 10), 0x123456u);
  EXPECT_EQ(WindowReadback::Pixel(m_window.Handle(), 9, 9), 0x123456u);
}

TEST_F(DeviceContextTest, EmptyAndMirroredCopiesWriteNothing) {
  HDC window = GetDC(m_window.Handle());
  EXPECT_TRUE(BitBlt(window, 0, 0, 0, 10, m_memory, 0, 0, SRCCOPY));
  EXPECT_TRUE(StretchBlt(window, 0, 0, -10, 10, m_memory, 0, 0, 10, 10, SRCCOPY));
  EXPECT_FALSE(BitBlt(window, 0, 0, 10, 10, m_memory, 0, 0, 0x00EE0086));  // only SRCCOPY
  ReleaseDC(m_window.Handle(), window);
  EXPECT_EQ(WindowReadback::Pixel(m_window.Handle(), 0, 0), 0x123456u);
}

TEST_F(DeviceContextTest, OnlyTopDown16BitSectionsAreMade) {
  void* bits = &bits;
  BITMAPINFO bottomUp = Header16(8, 8);
  EXPECT_EQ(CreateDIBSection(m_memory, &bottomUp, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(bits, nullptr);
  BITMAPINFO wide = Header16(8, -8);
  wide.bmiHeader.biBitCount = 24;
  EXPECT_EQ(CreateDIBSection(m_memory, &wide, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  BITMAPINFO empty = Header16(0, -8);
  EXPECT_EQ(CreateDIBSection(m_memory, &empty, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  BITMAPINFO huge = Header16(100000, -100000);
  EXPECT_EQ(CreateDIBSection(m_memory, &huge, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(CreateDIBSection(m_memory, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST_F(DeviceContextTest, ASelectedBitmapCannotBeDeleted) {
  EXPECT_FALSE(DeleteObject(m_bitmap));
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, m_bitmap), nullptr);  // already selected elsewhere
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_TRUE(DeleteDC(m_memory));
  EXPECT_TRUE(DeleteObject(m_bitmap));
  EXPECT_FALSE(DeleteObject(m_bitmap));
  m_memory = nullptr;
  m_bitmap = nullptr;
  EXPECT_EQ(GetDC(nullptr), nullptr);
}

}  // namespace
