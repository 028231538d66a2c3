// The engine image over streams, the stream checksum, and the image manager
// on the software device.

#include "engine/graphics/TSGraphicsManager.h"
#include "engine/image/TSImageManager.h"
#include "tests/image/CodecTestSupport.h"
#include "tests/platform/RecordingWindow.h"

// A stream over a copy of the bytes, released with the holder.
static CTSUsePtr<CTSIOStream> StreamOver(const Bytes& bytes, uint32_t mode = CTSIOStream::kRead) {
  auto* copy = static_cast<uint8_t*>(std::malloc(bytes.size() + 1));
  std::copy(bytes.begin(), bytes.end(), copy);
  return CTSUsePtr<CTSIOStream>(new CTSIOStream(copy, int32_t(bytes.size()), mode, true));
}

// A 2 x 2, 24-bit BMP: top row red, blue; bottom row green, white.
const Bytes kTwoByTwo = MakeBmp(BmpSpec{
    .width = 2, .height = 2, .pixels = {0, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0}});

// Rows are top-down; codes 0 to 4 are BMP, JPEG, PNG, TGA and PCX both ways
// (read back here through the codec of that format); Save writes BMP for any
// other code, Load refuses it; alpha is kept where the format has it.
TEST(Image, SavesAndLoadsEachFormatCode) {
  TempFolder folder;
  CTSUsePtr<CTSImage> image(new CTSImage), back(new CTSImage);
  CDibImage decoded;
  ASSERT_TRUE(image->Load(StreamOver(kTwoByTwo).Get(), IMAGE_FORMAT_DETECT) && !image->HasAlpha());
  const DWORD expected[] = {0xFFFF0000u, 0xFF0000FFu, 0xFF00FF00u, 0xFFFFFFFFu};
  for (INT i = 0; i < 4; ++i) EXPECT_EQ(image->GetScanline(i / 2)[i % 2].GetARGB(), expected[i]);
  ASSERT_TRUE(image->Create(3, 2, true));
  for (INT i = 0; i < 6; ++i)
    image->GetScanline(i / 3)[i % 3] = CTSColor(DWORD(0x40 * (i + 1)) << 24 | 0x123456 * i);
  const std::tuple<INT, DWORD, bool> cases[] = {{0, 1, false}, {1, 3, false}, {2, 4, true},  {3, 6, true},
                                                {4, 7, false}, {7, 1, false}, {-1, 1, false}};
  for (const auto& [code, codec, alpha] : cases) {
    const std::string name = "saved" + std::to_string(code);
    ASSERT_TRUE(image->Save(
        CTSUsePtr<CTSIOStream>(new CTSIOStream(name.c_str(), CTSIOStream::kWrite, false)).Get(), code))
        << code;
    const Bytes file = ReadBytes(name);
    EXPECT_TRUE(DecodeBytes(decoded, file, codec)) << code;
    const INT load = code >= 0 && code <= 4 ? code : IMAGE_FORMAT_DETECT;
    ASSERT_TRUE(back->Load(StreamOver(file).Get(), load) && back->HasAlpha() == alpha) << code;
    for (INT i = 0, opaque = alpha ? 0 : 0xFF000000u; i < 6 && code != 1; ++i)
      EXPECT_EQ(back->GetScanline(i / 3)[i % 3].GetARGB(),
                image->GetScanline(i / 3)[i % 3].GetARGB() | opaque);
  }
  // Refusals leave the image empty; the codec's reason is kept.
  EXPECT_FALSE(back->Load(StreamOver(kTwoByTwo).Get(), 7) || back->Load(nullptr, IMAGE_FORMAT_DETECT) ||
               back->Load(StreamOver(kTwoByTwo, CTSIOStream::kWrite).Get(), IMAGE_FORMAT_DETECT) ||
               back->Load(StreamOver(kTwoByTwo).Get(), IMAGE_FORMAT_PNG));
  EXPECT_NE(back->GetLastError()[0], '\0');
  EXPECT_FALSE(back->IsValid() ||
               back->Save(StreamOver(Bytes(100), CTSIOStream::kWrite).Get(), IMAGE_FORMAT_BMP) ||
               image->Save(nullptr, IMAGE_FORMAT_BMP));
  for (auto [width, height] : {std::pair{0, 5}, {5, -1}, {1 << 20, 1 << 20}})
    EXPECT_FALSE(!image->Create(2, 2, true) || image->Create(width, height, true) || image->IsValid() ||
                 image->HasAlpha() || image->GetWidth() || image->GetHeight() || image->GetScanline(0));
}

// A path is cached under the CRC-32/MPEG-2 of its spelling; a cached texture
// gets one more use a load; key 0 is never cached; the manager releases its
// uses. The texture format follows the device and the image's alpha.
TEST(ImageManager, CachesTexturesByKeyAndCountsTheirUses) {
  auto check = StreamOver(Bytes{'1', '2', '3', '4', '5', '6', '7', '8', '9'});
  check->Seek(4, 0);
  EXPECT_EQ(GetStreamCRC(check.Get()), 0x0376E6E7u);  // the catalogued check value, the position kept
  EXPECT_EQ(std::tuple(check->Tell(), GetStreamCRC(StreamOver(Bytes()).Get()), GetStreamCRC(nullptr)),
            std::tuple(4, 0xFFFFFFFFu, 0u));
  TempFolder folder;
  RecordingWindow window;
  CTSGraphics* device = CTSGraphicsManager::Instance().CreateDevice(TS_GUID_GDI_GRAPHICS, window.Handle(), 64,
                                                                    64, false, false);
  ASSERT_NE(device, nullptr);
  WriteBytes("logo.bmp", kTwoByTwo);
  CTSTexture* kept;
  {
    CTSImageManager manager(device);
    CTSTexture* first = manager.LoadTexture("logo.bmp", CTSColor(0), -1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::pair(first->GetFormat(), first->GetPixel(0, 0).GetARGB()),
              std::pair(INT(TEXTURE_FORMAT_X1R5G5B5), DWORD(0xFFF80000u)));
    EXPECT_EQ(manager.LoadTexture("logo.bmp", CTSColor(0), -1), first);
    EXPECT_EQ(first->GetUseCount(), 2);
    first->Release();
    CTSIOStream name(const_cast<char*>("logo.bmp"), 8, CTSIOStream::kRead, false);
    EXPECT_EQ(std::pair(manager.FindTexture(GetStreamCRC(&name)), manager.FindTexture(0)),
              std::pair(first, static_cast<CTSTexture*>(nullptr)));
    CTSTexture* uncached = manager.LoadTexture("logo.bmp", CTSColor(0), 0, -1);
    EXPECT_NE(uncached, manager.LoadTexture("logo.bmp", CTSColor(0), 0, -1));
    EXPECT_EQ(uncached->GetUseCount(), 1);
    kept = manager.LoadTexture("logo.bmp", CTSColor(0), 5, -1);
    kept->AddRef();
    // Nothing for a missing file or path, nor for a format the device cannot make, and nothing cached.
    EXPECT_FALSE(manager.LoadTexture("missing.bmp", CTSColor(0), -1) ||
                 manager.LoadTexture(static_cast<const char*>(nullptr), CTSColor(0), -1) ||
                 manager.LoadTexture("logo.bmp", CTSColor(0), 9, TEXTURE_FORMAT_A8R8G8B8) ||
                 manager.FindTexture(9));
    CTSUsePtr<CTSImage> alpha(new CTSImage);
    ASSERT_TRUE(alpha->Create(1, 1, true));
    EXPECT_EQ(manager.ChooseTextureFormat(alpha.Get(), device), INT(TEXTURE_FORMAT_X1R5G5B5_ALPHA8));
  }
  EXPECT_EQ(kept->GetUseCount(), 1);
  kept->Release();
  device->Release();
}
