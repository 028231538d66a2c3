// The engine image over streams, the stream adapter of the codecs, and the
// image manager on the software device.
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
  void* copy = std::malloc(bytes.empty() ? 1 : bytes.size());
  if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
  return CTSUsePtr<CTSIOStream>(new CTSIOStream(copy, int32_t(bytes.size()), mode, true));
}

// A 2 x 2, 24-bit BMP: top row red, blue; bottom row green, white.
Bytes TwoByTwo() {
  BmpSpec spec;
  spec.width = 2;
  spec.height = 2;
  // Bottom-up rows of BGR triples, padded to 4 bytes.
  spec.pixels = {0x00, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0, 0,  // green, white
                 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0, 0};  // red, blue
  return MakeBmp(spec);
}

TEST(StreamCrc, IsCrc32Mpeg2AndKeepsThePosition) {
  std::string text = "123456789";
  auto stream = StreamOver(Bytes(text.begin(), text.end()));
  stream->Seek(4, 0);
  EXPECT_EQ(GetStreamCRC(stream.Get()), 0x0376E6E7u);
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
  EXPECT_EQ(file.Read(buffer, 0, 3), 0u);
  EXPECT_EQ(file.Size(), 5);
  Tessel::CTSCustomException* caught = nullptr;
  try {
    CDibStreamFile invalid(nullptr);
  } catch (Tessel::CTSCustomException* exception) {
    caught = exception;
  }
  ASSERT_NE(caught, nullptr);
  EXPECT_STREQ(caught->GetErrorMessage(), "Invalid Stream Handle");
  delete caught;
}

TEST(ImageLoad, A24BitBmpLoadsOpaqueAndTopRowFirst) {
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(image->Load(StreamOver(TwoByTwo()).Get(), IMAGE_FORMAT_DETECT));
  EXPECT_FALSE(image->HasAlpha());
  EXPECT_EQ(image->GetScanline(0)[0].GetARGB(), 0xFFFF0000u);
  EXPECT_EQ(image->GetScanline(0)[1].GetARGB(), 0xFF0000FFu);
  EXPECT_EQ(image->GetScanline(1)[0].GetARGB(), 0xFF00FF00u);
  EXPECT_EQ(image->GetScanline(1)[1].GetARGB(), 0xFFFFFFFFu);
  EXPECT_TRUE(image->Load(StreamOver(TwoByTwo()).Get(), IMAGE_FORMAT_BMP));
}

TEST(ImageLoad, UnknownCodesBadStreamsAndBadDataLeaveItEmpty) {
  CTSUsePtr<CTSImage> image(new CTSImage);
  EXPECT_FALSE(image->Load(StreamOver(TwoByTwo()).Get(), 7));
  EXPECT_FALSE(image->Load(StreamOver(TwoByTwo()).Get(), IMAGE_FORMAT_PNG));
  EXPECT_FALSE(image->Load(nullptr, IMAGE_FORMAT_DETECT));
  EXPECT_FALSE(image->Load(StreamOver(TwoByTwo(), CTSIOStream::kWrite).Get(), IMAGE_FORMAT_DETECT));
  Bytes cut = TwoByTwo();
  cut.resize(30);
  EXPECT_FALSE(image->Load(StreamOver(cut).Get(), IMAGE_FORMAT_DETECT));
  EXPECT_FALSE(image->IsValid());
}

TEST(ImageSave, UnknownCodesWriteBmpAndAlphaSurvivesPng) {
  CTSUsePtr<CTSImage> image(new CTSImage);
  ASSERT_TRUE(image->Create(3, 2, true));
  for (INT y = 0; y < 2; ++y)
    for (INT x = 0; x < 3; ++x) image->GetScanline(y)[x] = CTSColor(DWORD(0x40 * (x + 1)) << 24 | (y ? 0xFF : 0xFF00));
  for (INT code : {IMAGE_FORMAT_BMP, 7, -1}) {
    TempFolder folder;
    CTSUsePtr<CTSIOStream> file(new CTSIOStream("saved.img", CTSIOStream::kRead | CTSIOStream::kWrite, false));
    ASSERT_TRUE(image->Save(file.Get(), code)) << code;
    file->Seek(0, 0);
    char magic[2] = {};
    ASSERT_EQ(file->Read(magic, 2), 2);
    EXPECT_EQ(std::string(magic, 2), "BM");
  }
  TempFolder folder;
  CTSUsePtr<CTSIOStream> png(new CTSIOStream("saved.png", CTSIOStream::kRead | CTSIOStream::kWrite, false));
  ASSERT_TRUE(image->Save(png.Get(), IMAGE_FORMAT_PNG));
  png->Seek(0, 0);
  CTSUsePtr<CTSImage> back(new CTSImage);
  ASSERT_TRUE(back->Load(png.Get(), IMAGE_FORMAT_DETECT));
  ASSERT_TRUE(back->HasAlpha());
  for (INT y = 0; y < 2; ++y)
    for (INT x = 0; x < 3; ++x) EXPECT_EQ(back->GetScanline(y)[x].GetARGB(), image->GetScanline(y)[x].GetARGB());
  CTSUsePtr<CTSImage> empty(new CTSImage);
  EXPECT_FALSE(empty->Save(png.Get(), IMAGE_FORMAT_BMP));
  EXPECT_FALSE(image->Save(nullptr, IMAGE_FORMAT_BMP));
}

class ImageManagerTest : public testing::Test {
 protected:
  void SetUp() override {
    m_device = CTSGraphicsManager::Instance().CreateDevice(TS_GUID_GDI_GRAPHICS, m_window.Handle(), 64, 64, false,
                                                           false);
    ASSERT_NE(m_device, nullptr);
    std::FILE* file = std::fopen("logo.bmp", "wb");
    Bytes bmp = TwoByTwo();
    std::fwrite(bmp.data(), 1, bmp.size(), file);
    std::fclose(file);
  }
  void TearDown() override { m_device->Release(); }

  TempFolder m_folder;
  RecordingWindow m_window;
  CTSGraphics* m_device = nullptr;
};

TEST_F(ImageManagerTest, TheSamePathGivesTheSameTextureWithOneMoreUse) {
  CTSImageManager manager(m_device);
  CTSTexture* first = manager.LoadTexture("logo.bmp", CTSColor(0), -1);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetUseCount(), 1);
  EXPECT_EQ(first->GetFormat(), TEXTURE_FORMAT_X1R5G5B5);
  EXPECT_EQ(first->GetPixel(0, 0).GetARGB(), 0xFFF80000u);
  CTSTexture* second = manager.LoadTexture("logo.bmp", CTSColor(0), -1);
  EXPECT_EQ(second, first);
  EXPECT_EQ(first->GetUseCount(), 2);
  second->Release();
  std::string path = "logo.bmp";
  CTSIOStream name(path.data(), int32_t(path.size()), CTSIOStream::kRead, false);
  EXPECT_EQ(manager.FindTexture(GetStreamCRC(&name)), first);
  // Another spelling of the path is another key.
  EXPECT_EQ(manager.FindTexture(0), nullptr);
  EXPECT_EQ(manager.LoadTexture("missing.bmp", CTSColor(0), -1), nullptr);
  EXPECT_EQ(manager.LoadTexture(static_cast<const char*>(nullptr), CTSColor(0), -1), nullptr);
}

TEST_F(ImageManagerTest, KeyZeroIsNeverCachedAndTheManagerReleasesEverything) {
  CTSTexture* kept;
  {
    CTSImageManager manager(m_device);
    CTSTexture* a = manager.LoadTexture("logo.bmp", CTSColor(0), 0, -1);
    CTSTexture* b = manager.LoadTexture("logo.bmp", CTSColor(0), 0, -1);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    kept = manager.LoadTexture("logo.bmp", CTSColor(0), 5, -1);
    kept->AddRef();
    EXPECT_EQ(kept->GetUseCount(), 2);
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
  // A format the device cannot make gives no texture and caches nothing.
  EXPECT_EQ(manager.LoadTexture("logo.bmp", CTSColor(0), 9, TEXTURE_FORMAT_A8R8G8B8), nullptr);
  EXPECT_EQ(manager.FindTexture(9), nullptr);
}

}  // namespace
