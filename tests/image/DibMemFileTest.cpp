// The codec layer's memory file: growth, seeking, reading whole items, and
// who owns the buffer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/image/codec/DibMemFile.h"

namespace {

// Capacity grows to the next multiple of 4096 strictly above the written end;
// a write past the end fills the gap with zeros.
TEST(DibMemFile, GrowsInStepsOf4096AndFillsGapsWithZeros) {
  CDibMemFile file;
  ASSERT_TRUE(file.Open());
  EXPECT_EQ(file.GetCapacity(), 1u);
  const std::vector<BYTE> block(8193, 7);
  const struct {
    long at;
    size_t bytes, capacity;
    long size;
  } steps[] = {{0, 5000, 8192, 5000},       {100, 3000, 8192, 5000},      {4096, 8192, 16384, 12288},
               {16383, 1, 16384, 16384},    {16384, 1, 20480, 16385},     {24000, 2, 24576, 24002}};
  for (const auto& step : steps) {
    ASSERT_TRUE(file.Seek(step.at, 0));
    EXPECT_EQ(file.Write(block.data(), step.bytes, 1), 1u);
    EXPECT_EQ(file.GetCapacity(), step.capacity) << step.at;
    EXPECT_EQ(file.Size(), step.size);
    EXPECT_EQ(file.Tell(), step.at + long(step.bytes));
  }
  const BYTE* buffer = file.DetachBuffer(false);
  for (long i = 16385; i < 24000; ++i) ASSERT_EQ(buffer[i], 0) << i;
  EXPECT_EQ(buffer[24001], 7);
}

TEST(DibMemFile, SeeksFromEachOriginAndReadsWholeItems) {
  std::vector<BYTE> data(100);
  for (size_t i = 0; i < data.size(); ++i) data[i] = BYTE(i == 99 ? 0xFF : i);
  CDibMemFile file(data.data(), data.size());
  const struct {
    long offset;
    int origin;
    long position;
  } seeks[] = {{-10, 0, 0}, {40, 0, 40}, {5, 1, 45}, {-3, 2, 97}, {-1000, 1, 0}, {150, 0, 150}};
  for (const auto& s : seeks) {
    EXPECT_TRUE(file.Seek(s.offset, s.origin));
    EXPECT_EQ(file.Tell(), s.position);
    EXPECT_EQ(file.GetByte(), s.position < 100 ? s.position : -1);
    EXPECT_EQ(file.Eof(), s.position >= 99);
    EXPECT_EQ(file.Error(), s.position > 100 ? 1 : 0);
    file.Seek(-1, 1);
  }
  EXPECT_FALSE(file.Seek(0, 3));
  BYTE buffer[8] = {};
  ASSERT_TRUE(file.Seek(94, 0));
  EXPECT_EQ(file.Read(buffer, 2, 2), 2u);
  EXPECT_EQ(buffer[3], 97);
  // Two bytes remain: no whole 3-byte item, but they are consumed.
  EXPECT_EQ(file.Read(buffer, 3, 1), 0u);
  EXPECT_EQ(file.Tell(), 100);
  file.Seek(-1, 2);
  EXPECT_EQ(file.GetByte(), 255);  // a 0xFF byte is not the end value
  EXPECT_EQ(file.Read(buffer, 0, 5), 0u);
}

TEST(DibMemFile, WithoutABufferEverythingFails) {
  CDibMemFile file;
  BYTE byte = 1;
  EXPECT_EQ(file.Write(&byte, 1, 1) + file.Read(&byte, 1, 1), 0u);
  EXPECT_FALSE(file.PutByte(1) || file.Seek(0, 0));
  EXPECT_EQ(file.Tell(), -1);
  EXPECT_EQ(file.Size(), -1);
  EXPECT_EQ(file.Error(), -1);
  EXPECT_EQ(file.GetByte(), -1);
  EXPECT_TRUE(file.Eof());
}

TEST(DibMemFile, AnAttachedBufferIsCopiedToGrowAndADetachedOneIsTheCallers) {
  std::vector<BYTE> data = {1, 2, 3, 4};
  BYTE* detached;
  {
    CDibMemFile file(data.data(), data.size());
    EXPECT_FALSE(file.Open());
    ASSERT_TRUE(file.Seek(0, 2));
    EXPECT_EQ(file.Write("\5\6\7", 1, 3), 3u);
    detached = file.DetachBuffer(true);
    EXPECT_NE(detached, data.data());
  }
  EXPECT_EQ(std::memcmp(detached, "\1\2\3\4\5\6\7", 7), 0);
  EXPECT_EQ(data, (std::vector<BYTE>{1, 2, 3, 4}));
  free(detached);
}

}  // namespace
