#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/graphics/TSPixelFormat.h"

namespace {

// The conversions written plainly from the format descriptions: the top n
// bits of each channel go to their bit positions; reads shift them back up.
DWORD Top(DWORD channel, int bits) { return channel >> (8 - bits); }

DWORD ReferenceStore(INT format, DWORD c) {
  DWORD a = c >> 24, r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
  switch (format) {
    case 0: return c;
    case 1: return (Top(a, 1) << 15) | (Top(r, 5) << 10) | (Top(g, 5) << 5) | Top(b, 5);
    case 2: return (Top(a, 4) << 12) | (Top(r, 4) << 8) | (Top(g, 4) << 4) | Top(b, 4);
    case 3: case 4: case 257: return (Top(r, 5) << 10) | (Top(g, 5) << 5) | Top(b, 5);
    case 256: return c | 0xFF000000;
    case 258: return (Top(r, 5) << 11) | (Top(g, 6) << 5) | Top(b, 5);
  }
  return 0;
}

DWORD ReferenceRead(INT format, DWORD p) {
  auto field = [p](int shift, int bits) { return (p >> shift) & ((1u << bits) - 1); };
  auto color = [](DWORD a, DWORD r, DWORD g, DWORD b) { return (a << 24) | (r << 16) | (g << 8) | b; };
  switch (format) {
    case 0: return p;
    case 1: return color(field(15, 1) ? 255 : 0, field(10, 5) << 3, field(5, 5) << 3, field(0, 5) << 3);
    case 2: return color(field(12, 4) << 4, field(8, 4) << 4, field(4, 4) << 4, field(0, 4) << 4);
    case 3: case 4: case 257: return color(255, field(10, 5) << 3, field(5, 5) << 3, field(0, 5) << 3);
    case 256: return p | 0xFF000000;
    case 258: return color(255, field(11, 5) << 3, field(5, 6) << 2, field(0, 5) << 3);
  }
  return 0;
}

TEST(PixelFormat, StoreAndReadMatchThePlainConversionsForRandomColours) {
  std::mt19937 random(7);
  for (INT format : {0, 1, 2, 3, 4, 256, 257, 258}) {
    const INT bytes = PixelFormatBytes(format);
    ASSERT_TRUE(bytes == 2 || bytes == 4) << format;
    for (int i = 0; i < 2000; ++i) {
      DWORD color = random();
      BYTE row[3 * 4] = {};
      BYTE alpha[3] = {};
      StorePixel(format, row, alpha, 1, CTSColor(color));
      DWORD stored = 0;
      std::memcpy(&stored, row + bytes, bytes);
      ASSERT_EQ(stored, ReferenceStore(format, color)) << format << " " << std::hex << color;
      EXPECT_EQ(row[0], 0);  // neighbours untouched
      EXPECT_EQ(row[2 * bytes], 0);
      DWORD expectedRead = ReferenceRead(format, stored);
      if (format == 3) expectedRead = (expectedRead & 0x00FFFFFF) | (color & 0xFF000000);
      ASSERT_EQ(ReadPixel(format, row, format == 3 ? alpha : nullptr, 1).GetARGB(), expectedRead) << format;
      EXPECT_EQ(alpha[1], format == 3 ? BYTE(color >> 24) : 0);
    }
  }
}

TEST(PixelFormat, ReadsDoNotReplicateHighBits) {
  WORD white = 0x7FFF;
  EXPECT_EQ(ReadPixel(4, &white, nullptr, 0).GetARGB(), 0xFFF8F8F8u);
  EXPECT_EQ(ReadPixel(257, &white, nullptr, 0).GetARGB(), 0xFFF8F8F8u);
  EXPECT_EQ(ReadX1R5G5B5(0x7FFF).GetARGB(), 0xFFF8F8F8u);
  WORD white565 = 0xFFFF;
  EXPECT_EQ(ReadPixel(258, &white565, nullptr, 0).GetARGB(), 0xFFF8FCF8u);
}

TEST(PixelFormat, UnknownFormatsConvertNothing) {
  DWORD row = 0x12345678;
  StorePixel(5, &row, nullptr, 0, CTSColor(0xFFFFFFFF));
  StorePixel(-1, &row, nullptr, 0, CTSColor(0xFFFFFFFF));
  EXPECT_EQ(row, 0x12345678u);
  EXPECT_EQ(ReadPixel(259, &row, nullptr, 0).GetARGB(), 0u);
  EXPECT_EQ(PixelFormatBytes(255), 0);
  EXPECT_TRUE(IsTextureFormat(4));
  EXPECT_FALSE(IsTextureFormat(256));
  EXPECT_TRUE(IsRenderTargetFormat(258));
  EXPECT_FALSE(IsRenderTargetFormat(4));
}

}  // namespace
