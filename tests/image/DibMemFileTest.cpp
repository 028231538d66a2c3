// The codec layer's memory file: growth, seeking, reading whole items, and
// who owns the buffer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/image/codec/DibMemFile.h"

namespace {

// Writes at {position, bytes}: the capacity grows to the next multiple of 4096
// strictly above the written end; the size is the furthest end written; a gap
// left by a seek past the end reads back as zeros.
TEST(DibMemFile, GrowsInStepsOf4096AndFillsGapsWithZeros) {
  CDibMemFile file;
  ASSERT_TRUE(file.Open());
  const std::vector<BYTE> block(8193, 7);
  const long steps[][4] = {{0, 5000, 8192, 5000},       {100, 3000, 8192, 5000},     {4096, 8192, 16384, 12288},
                           {16383, 1, 16384, 16384},    {16384, 1, 20480, 16385},    {24000, 2, 24576, 24002}};
  for (auto [at, bytes, capacity, size] : steps) {
    ASSERT_TRUE(file.Seek(at, 0));
    EXPECT_EQ(file.Write(block.data(), size_t(bytes), 1), 1u);
    EXPECT_EQ(std::pair(long(file.GetCapacity()), file.Size()), std::pair(capacity, size)) << at;
  }
  const BYTE* buffer = file.DetachBuffer(false);
  EXPECT_EQ(std::vector<BYTE>(buffer + 16385, buffer + 24000), std::vector<BYTE>(24000 - 16385, 0));
  EXPECT_EQ(buffer[24001], 7);
}

// {offset, origin, position}: seeks clamp at 0 and may pass the end, where
// nothing is read and the error flag is set; the last byte, 0xFF, is not the end value.
TEST(DibMemFile, SeeksFromEachOriginAndReadsWholeItems) {
  std::vector<BYTE> data(100);
  for (size_t i = 0; i < data.size(); ++i) data[i] = BYTE(i == 99 ? 0xFF : i);
  CDibMemFile file(data.data(), data.size());
  const long seeks[][3] = {{-10, 0, 0}, {40, 0, 40}, {5, 1, 45}, {-1, 2, 99}, {-1000, 1, 0}, {150, 0, 150}};
  for (auto [offset, origin, position] : seeks) {
    EXPECT_TRUE(file.Seek(offset, int(origin)));
    EXPECT_EQ(file.Tell(), position);
    EXPECT_EQ(file.GetByte(), position < 100 ? data[position] : -1);
    EXPECT_EQ(file.Eof(), position >= 99);
    EXPECT_EQ(file.Error(), position > 100 ? 1 : 0);
    file.Seek(position, 0);
  }
  EXPECT_FALSE(file.Seek(0, 3));
  BYTE buffer[8] = {};
  ASSERT_TRUE(file.Seek(94, 0));
  EXPECT_EQ(file.Read(buffer, 2, 2), 2u);
  EXPECT_EQ(buffer[3], 97);
  EXPECT_EQ(file.Read(buffer, 3, 1), 0u);  // two bytes remain: no whole item, but they are consumed
  EXPECT_EQ(file.Tell(), 100);
  EXPECT_EQ(file.Read(buffer, 0, 5), 0u);
}

TEST(DibMemFile, WithoutABufferEverythingFails) {
  CDibMemFile file;
  BYTE byte = 1;
  EXPECT_EQ(file.Write(&byte, 1, 1) + file.Read(&byte, 1, 1), 0u);
  EXPECT_FALSE(file.PutByte(1) || file.Seek(0, 0) || !file.Eof());
  EXPECT_EQ(std::vector<long>({file.Tell(), file.Size(), file.Error(), file.GetByte()}), std::vector<long>(4, -1));
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
  }
  EXPECT_EQ(std::memcmp(detached, "\1\2\3\4\5\6\7", 7), 0);
  EXPECT_EQ(data, (std::vector<BYTE>{1, 2, 3, 4}));
  free(detached);
}

}  // namespace
