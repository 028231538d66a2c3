#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/image/codec/DibMemFile.h"

namespace {

TEST(DibMemFile, GrowsInStepsOf4096PastTheWrittenEnd) {
  CDibMemFile file;
  ASSERT_TRUE(file.Open());
  EXPECT_EQ(file.GetCapacity(), 1u);
  std::vector<BYTE> data(5000, 7);
  EXPECT_EQ(file.Write(data.data(), 1, data.size()), data.size());
  EXPECT_EQ(file.GetCapacity(), 8192u);
  EXPECT_EQ(file.Size(), 5000);
  // Writing within the capacity does not grow it.
  EXPECT_EQ(file.Write(data.data(), 100, 30), 30u);
  EXPECT_EQ(file.GetCapacity(), 8192u);
  // An exact multiple of 4096 still gets one more step.
  ASSERT_TRUE(file.Seek(0, 0));
  std::vector<BYTE> block(8193, 1);
  EXPECT_EQ(file.Write(block.data(), 8193, 1), 1u);
  EXPECT_EQ(file.GetCapacity(), 12288u);
  ASSERT_TRUE(file.Seek(12287, 0));
  EXPECT_TRUE(file.PutByte(9));
  EXPECT_EQ(file.GetCapacity(), 12288u);
  EXPECT_TRUE(file.PutByte(9));
  EXPECT_EQ(file.GetCapacity(), 16384u);
  EXPECT_EQ(file.Size(), 12289);
}

TEST(DibMemFile, SeeksFromEachOriginAndClampsAtZero) {
  std::vector<BYTE> data(100);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<BYTE>(i);
  CDibMemFile file(data.data(), data.size());
  EXPECT_TRUE(file.Seek(-10, 0));
  EXPECT_EQ(file.Tell(), 0);
  EXPECT_TRUE(file.Seek(40, 0));
  EXPECT_TRUE(file.Seek(5, 1));
  EXPECT_EQ(file.Tell(), 45);
  EXPECT_EQ(file.GetByte(), 45);
  EXPECT_TRUE(file.Seek(-3, 2));
  EXPECT_EQ(file.Tell(), 97);
  EXPECT_TRUE(file.Seek(-1000, 1));
  EXPECT_EQ(file.Tell(), 0);
  EXPECT_FALSE(file.Seek(0, 3));
  EXPECT_EQ(file.Tell(), 0);
  // Past the end nothing is read, and the error flag says so.
  EXPECT_TRUE(file.Seek(150, 0));
  EXPECT_TRUE(file.Eof());
  EXPECT_EQ(file.Error(), 1);
  EXPECT_EQ(file.GetByte(), -1);
  BYTE buffer[4];
  EXPECT_EQ(file.Read(buffer, 1, 4), 0u);
  EXPECT_EQ(file.Tell(), 150);
}

TEST(DibMemFile, ReadsWholeItemsUpToTheEnd) {
  std::vector<BYTE> data = {1, 2, 3, 4, 5, 6, 7, 0xFF};
  CDibMemFile file(data.data(), data.size());
  BYTE buffer[8] = {};
  EXPECT_EQ(file.Read(buffer, 3, 2), 2u);
  EXPECT_EQ(buffer[5], 6);
  // Two bytes remain: no whole 3-byte item, but the bytes are consumed.
  EXPECT_EQ(file.Read(buffer, 3, 1), 0u);
  EXPECT_EQ(file.Tell(), 8);
  EXPECT_TRUE(file.Eof());
  ASSERT_TRUE(file.Seek(7, 0));
  EXPECT_EQ(file.GetByte(), 255);  // a 0xFF byte is not the end value
  EXPECT_EQ(file.GetByte(), -1);
  EXPECT_EQ(file.Read(buffer, 0, 5), 0u);
}

TEST(DibMemFile, WithoutABufferEverythingFails) {
  CDibMemFile file;
  BYTE byte = 1;
  EXPECT_EQ(file.Write(&byte, 1, 1), 0u);
  EXPECT_FALSE(file.PutByte(1));
  EXPECT_FALSE(file.Seek(0, 0));
  EXPECT_EQ(file.Tell(), -1);
  EXPECT_EQ(file.Size(), -1);
  EXPECT_TRUE(file.Eof());
  EXPECT_EQ(file.Error(), -1);
  EXPECT_EQ(file.GetByte(), -1);
  EXPECT_EQ(file.Read(&byte, 1, 1), 0u);
}

TEST(DibMemFile, WritingPastTheEndFillsTheGapWithZeros) {
  CDibMemFile file;
  ASSERT_TRUE(file.Open());
  ASSERT_TRUE(file.PutByte(0xAA));
  ASSERT_TRUE(file.Seek(5000, 0));
  ASSERT_TRUE(file.PutByte(0xBB));
  EXPECT_EQ(file.Size(), 5001);
  const BYTE* buffer = file.DetachBuffer(false);
  EXPECT_EQ(buffer[0], 0xAA);
  for (int i = 1; i < 5000; ++i) ASSERT_EQ(buffer[i], 0) << i;
  EXPECT_EQ(buffer[5000], 0xBB);
}

TEST(DibMemFile, AnAttachedBufferIsCopiedWhenItMustGrowAndNeverFreed) {
  std::vector<BYTE> data = {1, 2, 3, 4};
  {
    CDibMemFile file(data.data(), data.size());
    EXPECT_FALSE(file.Open());
    ASSERT_TRUE(file.Seek(0, 2));
    BYTE more[3] = {5, 6, 7};
    EXPECT_EQ(file.Write(more, 1, 3), 3u);
    BYTE* grown = file.DetachBuffer(false);
    EXPECT_NE(grown, data.data());
    EXPECT_EQ(std::memcmp(grown, "\1\2\3\4\5\6\7", 7), 0);
  }
  EXPECT_EQ(data, (std::vector<BYTE>{1, 2, 3, 4}));
}

TEST(DibMemFile, DetachedBufferBelongsToTheCaller) {
  BYTE* buffer;
  {
    CDibMemFile file;
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.PutByte(42));
    buffer = file.DetachBuffer(true);
  }
  EXPECT_EQ(buffer[0], 42);
  free(buffer);
}

}  // namespace
