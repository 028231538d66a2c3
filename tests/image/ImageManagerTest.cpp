// The engine image over streams, the stream adapter of the codecs, the stream
// checksum, and the image manager on the software device.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/graphics/TSGraphicsManager.h"
#include "engine/image/DibStreamFile.h"
#include "engine/image/TSImageManager.h"
#include "tests/common/TempFolder.h"
#include "tests/image/CodecTestSupport.h"
#include "tests/platform/RecordingWindow.h"

namespace {

// A stream over a copy of the bytes, released with the holder.
CTSUsePtr<CTSIOStream> StreamOver(const Bytes& bytes, uint32_t mode = CTSIOStream::kRead) {
  void* copy = std::malloc(bytes.size() + 1);
  if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
  return CTSUsePtr<CTSIOStream>(new CTSIOStream(copy, int32_t(bytes.size()), mode, true));
}

// A 2 x 2, 24-bit BMP: top row red, blue; bottom row green, white.
Bytes TwoByTwo() {
  return MakeBmp(BmpSpec{.width = 2, .height = 2, .pixels = {0, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0, 0,  // bottom-up
                                                             0, 0, 0xFF, 0xFF, 0, 0, 0, 0}});
}

TEST(StreamCrc, IsCrc32Mpeg2AndKeepsThePosition) {
  auto stream = StreamOver(Bytes{'1', '2', '3', '4', '5', '6', '7', '8', '9'});
  stream->Seek(4, 0);
  EXPECT_EQ(GetStreamCRC(stream.Get()), 0x0376E6E7u);  // the catalogued check value
  EXPECT_EQ(stream->Tell(), 4);
  EXPECT_EQ(GetStreamCRC(StreamOver(Bytes()).Get()), 0xFFFFFFFFu);
  EXPECT_EQ(GetStreamCRC(nullptr), 0u);
  EXPECT_EQ(GetStreamCRC(StreamOver(Bytes{1, 2}, CTSIOStream::kWrite).Get()), 0u);
}

TEST(DibStreamFile, ReadsWholeItemsAndEndsWithMinusOne) {
  auto stream = StreamOver(Bytes{1, 2, 3, 4, 5});
  CDibStreamFile file(stream.Get());
  BYTE buffer[8] = {};
  EXPECT_EQ(file.Read(buffer, 2, 4), 2u);  // 4 of 5 bytes make two whole items
  EXPECT_EQ(file.Tell(), 5);
  EXPECT_TRUE(file.Eof());
  EXPECT_EQ(file.GetByte(), -1);
  file.Seek(-1, 2);
  EXPECT_EQ(file.GetByte(), 5);
  EXPECT_EQ(file.Size(), 5);
  try {
    CDibStreamFile invalid(nullptr);
    ADD_FAILURE() << "no exception";
  } catch (Tessel::CTSCustomException* exception) {
    EXPECT_STREQ(exception->GetErrorMessage(), "Invalid Stream Handle");
    delete exception;
  }
}

TEST(Image, CreateGivesRowsTopDownAndRefusesImpossibleSizes) {
  CTSUsePtr<CTSImage> image(new CTSImage);
  EXPECT_EQ(image->GetScanline(0), nullptr);
  ASSERT_TRUE(image->Create(5, 3, true));
  EXPECT_TRUE(image->HasAlpha());
  EXPECT_EQ(image->GetScanline(2) - image->GetScanline(0), 10);
  EXPECT_EQ(image->GetScanline(-1), nullptr);
  EXPECT_EQ(image->GetScanline(3), nullptr);
  for (auto [width, height] : {std::pair{0, 5}, {5, -1}, {1 << 20, 1 << 20}}) {
    ASSERT_TRUE(image->Create(2, 2, true));
    EXPECT_FALSE(image->Create(width, height, true));
    EXPECT_FALSE(image->IsValid() || image->HasAlpha() || image->GetWidth() || image->GetHeight());
  }
}

// Codes 0 to 4 are BMP, JPEG, PNG, TGA and PCX both ways; Save writes BMP
// for any other code, Load refuses it. Rows are top-down, alpha kept where
// the format has it.
TEST(Image, SavesAndLoadsEachFormatCode) {
  TempFolder folder;
  CTSUsePtr<CTSImage> image(new CTSImage), back(new CTSImage);
  ASSERT_TRUE(image->Load(StreamOver(TwoByTwo()).Get(), IMAGE_FORMAT_DETECT));
  const DWORD expected[] = {0xFFFF0000u, 0xFF0000FFu, 0xFF00FF00u, 0xFFFFFFFFu};
  for (INT i = 0; i < 4; ++i) EXPECT_EQ(image->GetScanline(i / 2)[i % 2].GetARGB(), expected[i]);
  EXPECT_FALSE(image->HasAlpha());
  ASSERT_TRUE(image->Create(3, 2, true));
  for (INT i = 0; i < 6; ++i) image->GetScanline(i / 3)[i % 3] = CTSColor(DWORD(0x40 * (i + 1)) << 24 | 0x123456 * i);
  const struct {
    INT code;
    DWORD codec;
    bool alpha;
  } cases[] = {{0, 1, false}, {2, 4, true}, {3, 6, true}, {4, 7, false}, {7, 1, false}, {-1, 1, false}};
  for (const auto& c : cases) {
    std::string name = "saved" + std::to_string(c.code);
    {
      CTSUsePtr<CTSIOStream> file(new CTSIOStream(name.c_str(), CTSIOStream::kWrite, false));
      ASSERT_TRUE(image->Save(file.Get(), c.code)) << c.code;
    }
    std::string text = ReadWholeFile(name);
    Bytes bytes(text.begin(), text.end());
    CDibImage decoded;
    EXPECT_TRUE(DecodeBytes(decoded, bytes, c.codec)) << c.code;
    ASSERT_TRUE(back->Load(StreamOver(bytes).Get(), c.code >= 0 && c.code <= 4 ? c.code : IMAGE_FORMAT_DETECT));
    EXPECT_EQ(back->HasAlpha(), c.alpha);
    for (INT i = 0; i < 6; ++i)
      EXPECT_EQ(back->GetScanline(i / 3)[i % 3].GetARGB(),
                image->GetScanline(i / 3)[i % 3].GetARGB() | (c.alpha ? 0 : 0xFF000000u));
  }
  CTSUsePtr<CTSImage> jpeg(new CTSImage);
  CTSUsePtr<CTSIOStream> file(new CTSIOStream("saved.jpg", CTSIOStream::kWrite, false));
  ASSERT_TRUE(image->Save(file.Get(), IMAGE_FORMAT_JPEG));
  std::string text = ReadWholeFile("saved.jpg");
  EXPECT_TRUE(jpeg->Load(StreamOver(Bytes(text.begin(), text.end())).Get(), IMAGE_FORMAT_JPEG));

  // Refusals leave the image empty.
  EXPECT_FALSE(back->Load(StreamOver(TwoByTwo()).Get(), 7));
  EXPECT_FALSE(back->Load(StreamOver(TwoByTwo()).Get(), IMAGE_FORMAT_PNG));
  EXPECT_NE(back->GetLastError()[0], '\0');  // the codec's reason
  EXPECT_FALSE(back->Load(nullptr, IMAGE_FORMAT_DETECT));
  EXPECT_FALSE(back->Load(StreamOver(TwoByTwo(), CTSIOStream::kWrite).Get(), IMAGE_FORMAT_DETECT));
  EXPECT_FALSE(back->IsValid());
  EXPECT_FALSE(back->Save(StreamOver(Bytes(100), CTSIOStream::kWrite).Get(), IMAGE_FORMAT_BMP));
  EXPECT_FALSE(image->Save(nullptr, IMAGE_FORMAT_BMP));
}

class ImageManagerTest : public testing::Test {
 protected:
  void SetUp() override {
    m_device = CTSGraphicsManager::Instance().CreateDevice(TS_GUID_GDI_GRAPHICS, m_window.Handle(), 64, 64,
                                                           false, false);
    ASSERT_NE(m_device, nullptr);
    Bytes bmp = TwoByTwo();
    std::FILE* file = std::fopen("logo.bmp", "wb");
    std::fwrite(bmp.data(), 1, bmp.size(), file);
    std::fclose(file);
  }
  void TearDown() override { m_device->Release(); }

  TempFolder m_folder;
  RecordingWindow m_window;
  CTSGraphics* m_device = nullptr;
};

// A path is cached under the checksum of its spelling; a cached texture gets
// one more use per load; key 0 is never cached; the manager releases its own uses.
TEST_F(ImageManagerTest, CachesTexturesByKeyAndCountsTheirUses) {
  CTSTexture* kept;
  {
    CTSImageManager manager(m_device);
    CTSTexture* first = manager.LoadTexture("logo.bmp", CTSColor(0), -1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetFormat(), TEXTURE_FORMAT_X1R5G5B5);
    EXPECT_EQ(first->GetPixel(0, 0).GetARGB(), 0xFFF80000u);
    EXPECT_EQ(manager.LoadTexture("logo.bmp", CTSColor(0), -1), first);
    EXPECT_EQ(first->GetUseCount(), 2);
    first->Release();
    std::string path = "logo.bmp";
    CTSIOStream name(path.data(), int32_t(path.size()), CTSIOStream::kRead, false);
    EXPECT_EQ(manager.FindTexture(GetStreamCRC(&name)), first);
    EXPECT_EQ(manager.FindTexture(0), nullptr);
    CTSTexture* a = manager.LoadTexture("logo.bmp", CTSColor(0), 0, -1);
    EXPECT_NE(a, manager.LoadTexture("logo.bmp", CTSColor(0), 0, -1));
    EXPECT_EQ(a->GetUseCount(), 1);
    kept = manager.LoadTexture("logo.bmp", CTSColor(0), 5, -1);
    kept->AddRef();
    EXPECT_EQ(manager.LoadTexture("missing.bmp", CTSColor(0), -1), nullptr);
    EXPECT_EQ(manager.LoadTexture(static_cast<const char*>(nullptr), CTSColor(0), -1), nullptr);
    // A format the device cannot make gives no texture and caches nothing.
    EXPECT_EQ(manager.LoadTexture("logo.bmp", CTSColor(0), 9, TEXTURE_FORMAT_A8R8G8B8), nullptr);
    EXPECT_EQ(manager.FindTexture(9), nullptr);
  }
  EXPECT_EQ(kept->GetUseCount(), 1);
  kept->Release();
}

TEST_F(ImageManagerTest, TextureFormatsFollowTheDeviceAndTheImagesAlpha) {
  CTSImageManager manager(m_device);
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(image->Create(1, 1, true));
  EXPECT_EQ(manager.ChooseTextureFormat(image.Get(), m_device), TEXTURE_FORMAT_X1R5G5B5_ALPHA8);
  ASSERT_TRUE(image->Create(1, 1, false));
  EXPECT_EQ(manager.ChooseTextureFormat(image.Get(), m_device), TEXTURE_FORMAT_X1R5G5B5);
  EXPECT_EQ(manager.ChooseTextureFormat(image.Get(), nullptr), -1);
  EXPECT_EQ(manager.ChooseTextureFormat(nullptr, m_device), -1);
}

}  // namespace
