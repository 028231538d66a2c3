// The in-memory picture of the codec layer: its layout, pixel access,
// palettes and alpha; the format dispatch of Decode and Encode; and the
// layout of the ICO and PCX encoders' files.
#include "tests/image/CodecTestSupport.h"

// Depths become 1, 4, 8 or 24 bits; rows are padded to 4 bytes; the palette
// starts black. Empty sizes and sizes past the memory cap (rows, or a byte a
// pixel for alpha, without overflow) are refused and leave the image empty.
TEST(DibImage, CreateNormalisesTheDepthCapsTheMemoryAndPixelsStayInside) {
  for (DWORD bits = 0; bits <= 32; ++bits)
    for (DWORD width = 1; width <= 70; ++width) {
      CDibImage image;
      const WORD expected = bits <= 1 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : 24;
      ASSERT_NE(image.Create(width, 3, bits, CDibImage::FORMAT_PCX), nullptr);
      const DWORD row = (width * expected + 31) / 32 * 4, colors = expected == 24 ? 0u : 1u << expected;
      ASSERT_EQ(std::tuple(image.GetBitsPerPixel(), image.GetNumColors(), image.GetEffWidth(),
                           image.GetHeader().biSizeImage, image.GetBits(2) - image.GetBits(0),
                           image.GetBits(3), image.GetType()),
                std::tuple(expected, colors, row, 3 * row, 2L * row, static_cast<BYTE*>(nullptr),
                           DWORD(CDibImage::FORMAT_PCX)))
          << width << " x " << bits;
      for (DWORD i = 0; i < image.GetNumColors(); ++i) ASSERT_EQ(Argb(image.GetPaletteColor(BYTE(i))), 0u);
    }
  const char *empty = "CDibImage::Create : width and height must be greater than zero",
             *tooLarge = "DIBIMAGE_MAX_MEMORY exceeded";
  // Width, height and bits of two empty sizes, five past the cap and two at it (9238 x 9238 x 24 bits
  // are 256,040,408 bytes of rows).
  const DWORD sizes[] = {0,          5,          24, 5,           0,     1, 100000, 100000, 24,
                         0xFFFFFFFF, 0xFFFFFFFF, 32, 0x80000000u, 1,     1, 16001,  16000,  1,
                         9238,       9238,       24, 16000,       16000, 1, 9237,   9237,   24};
  for (size_t i = 0; i < 9; ++i) {
    const DWORD width = sizes[3 * i], height = sizes[3 * i + 1], bits = sizes[3 * i + 2];
    const char* message = i < 2 ? empty : i < 7 ? tooLarge : "";
    CDibImage image;
    EXPECT_EQ(image.Create(2, 2, 24, 0) && image.Create(width, height, bits, 0), *message == 0) << width;
    EXPECT_EQ(std::pair(std::string(image.GetLastError()), image.GetWidth()),
              std::pair(std::string(message), *message == 0 ? width : 0));
  }
  // Paletted images store the nearest palette entry; outside the picture reads
  // give the first pixel and writes do nothing; re-created, an image with alpha
  // gets it back opaque.
  CDibImage image;
  ASSERT_TRUE(image.Create(3, 2, 4, 0) && image.CreateAlphaChannel());
  for (BYTE i = 0; i < 16; ++i) image.SetPaletteColor(i, RGBQUAD{BYTE(17 * i), BYTE(255 - 17 * i), 0, 0});
  const long xs[] = {0, 1, 2, 0, 1, 2, -1, 3, 0, 0}, ys[] = {0, 0, 0, 1, 1, 1, 0, 0, -1, 2};
  for (long i = 0; i < 10; ++i)
    image.WritePixel(xs[i], ys[i], RGBQUAD{BYTE(17 * i + 8), BYTE(247 - 17 * i), 9, BYTE(i)}, true);
  for (long i = 0; i < 6; ++i)
    EXPECT_EQ(std::pair(image.GetPixelIndex(i % 3, i / 3), image.GetAlphaAt(i % 3, i / 3)),
              std::pair(BYTE(i), BYTE(i)));
  EXPECT_EQ(std::tuple(Argb(image.ReadPixel(5, 1, true)), image.GetPixelIndex(3, 0), image.GetAlphaAt(0, 2)),
            std::tuple(Argb(RGBQUAD{0, 255, 0, 0}), BYTE(0), BYTE(0)));
  ASSERT_NE(image.Create(5, 2, 8, 0), nullptr);
  EXPECT_EQ(std::pair(image.GetAlphaAt(4, 1), image.GetAlphaAt(0, 0)), std::pair(BYTE(255), BYTE(255)));
}

// The contract test reads every encoder's files back; here the layout of the
// ICO directory (a 24-bit image with alpha is a 32-bit icon) and of PCX files:
// lines of an even length whose runs stop at each plane's end (1-bit images
// in one plane, 4-bit ones in four, 8-bit ones in one and the map at the end,
// 24-bit ones in red, green and blue), with the resolution. Then what the
// encoders refuse.
TEST(DibImage, IconAndPcxFilesDescribeTheirImageAndDecodeKeepsThePictureOnFailure) {
  std::mt19937 random(15);
  for (DWORD format : {CDibImage::FORMAT_ICO, CDibImage::FORMAT_PCX})
    for (WORD bits : {1, 4, 8, 24})
      for (bool alpha : {false, true})
        for (uint32_t width : {1u, 13u, 100u}) {
          CDibImage source;
          ASSERT_TRUE(source.Create(width, 3, bits, 0) && (!alpha || source.CreateAlphaChannel()));
          FillRandom(source, random);
          source.SetXDpi(200);
          source.SetYDpi(120);
          const Bytes file = EncodeBytes(source, format);
          // An icon of one image: its size, colours, one plane, depth, length and place.
          const BYTE colors = BYTE(bits <= 4 ? 1 << bits : 0), depth = BYTE(alpha && bits == 24 ? 32 : bits);
          Bytes directory = {0, 0, 1, 0, 1, 0, BYTE(width), 3, colors, 0, 1, 0, depth, 0};
          for (uint32_t field : {uint32_t(file.size() - 22), 22u}) PutLe32(directory, field);
          EXPECT_TRUE(format != CDibImage::FORMAT_ICO || Bytes(file.begin(), file.begin() + 22) == directory);
          if (format != CDibImage::FORMAT_PCX) continue;
          const DWORD planes = 1 + 3 * (bits == 4) + 2 * (bits == 24),
                      planeBits = bits * planes == 24 ? 8 : bits / planes,
                      lineBytes = (width * planeBits + 15) / 16 * 2;
          EXPECT_EQ(Bytes(file.begin(), file.begin() + 16),
                    (Bytes{10, 5, 1, BYTE(planeBits), 0, 0, 0, 0, BYTE(width - 1), 0, 2, 0, 200, 0, 120, 0}));
          EXPECT_EQ(Bytes(file.begin() + 65, file.begin() + 68), (Bytes{BYTE(planes), BYTE(lineBytes), 0}));
          size_t at = 128;
          for (size_t line = 0; line < planes * 3; ++line)
            for (size_t filled = 0, count = 0; filled < lineBytes; filled += count, ++at) {
              count = at < file.size() && file[at] >= 0xC0 ? file[at++] & 0x3F : 1;
              ASSERT_TRUE(at < file.size() && filled + count <= lineBytes) << bits << " bits, line " << line;
            }
          EXPECT_EQ(file.size() - at, bits == 8 ? 769u : 0u);  // 8-bit files end with the map
        }
  // What they refuse; the contract test sees the depths TGA and WBMP refuse, and WMF.
  const std::tuple<DWORD, DWORD, DWORD, const char*> refused[] = {
      {CDibImage::FORMAT_TGA, 70000, 24, "Image too large for TGA"},
      {CDibImage::FORMAT_PCX, 70000, 1, "Image too large for PCX"},
      {CDibImage::FORMAT_ICO, 257, 8, "Can't save this image as icon"},
      {10, 3, 24, "Encode: Unknown format"}};
  for (const auto& [format, width, bits, message] : refused) {
    CDibImage image;
    ASSERT_NE(image.Create(width, 1, bits, 0), nullptr);
    EXPECT_TRUE(EncodeBytes(image, format).empty() && std::string(image.GetLastError()) == message)
        << message << ": " << image.GetLastError();
  }
  CDibImage icon;  // a directory byte of 0 stands for 256
  EXPECT_EQ(icon.Create(256, 1, 8, 0) ? EncodeBytes(icon, CDibImage::FORMAT_ICO).at(6) : -1, 0);
  CDibImage image;
  const Bytes bmp = MakeBmp(BmpSpec{.width = 1, .height = 1, .bits = 24, .pixels = {1, 2, 3, 0}});
  for (DWORD id : {10u, 12u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(DecodeBytes(image, bmp, id)) << id;
    EXPECT_STREQ(image.GetLastError(), "Decode: Unknown or wrong format");
  }
  ASSERT_TRUE(DecodeBytes(image, bmp, CDibImage::FORMAT_BMP));
  EXPECT_FALSE(image.Decode(nullptr, CDibImage::FORMAT_BMP) ||
               DecodeBytes(image, Bytes{'B', 'M', 1, 2}, CDibImage::FORMAT_BMP));
  EXPECT_EQ(image.ReadPixel(0, 0).rgbRed, 3);
}
