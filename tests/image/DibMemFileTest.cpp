// The codec layer's memory file: growth, seeking, reading whole items, and
// who owns the buffer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/image/codec/DibMemFile.h"

namespace {

// Writes of {position, bytes} give {capacity, size}: the capacity grows to the
// next multiple of 4096 above the written end; a gap left by a seek past the
// end reads back as zeros. An attached buffer is copied to grow and left as
// it was; a detached buffer is the caller's.
TEST(DibMemFile, GrowsInStepsOf4096AndKeepsAttachedBuffers) {
  CDibMemFile file;
  ASSERT_TRUE(file.Open());
  const std::vector<BYTE> block(8193, 7);
  const long steps[][4] = {{0, 5000, 8192, 5000},    {100, 3000, 8192, 5000},  {4096, 8192, 16384, 12288},
                           {16383, 1, 16384, 16384}, {16384, 1, 20480, 16385}, {24000, 2, 24576, 24002}};
  for (auto [at, bytes, capacity, size] : steps) {
    ASSERT_TRUE(file.Seek(at, 0));
    EXPECT_EQ(file.Write(block.data(), size_t(bytes), 1), 1u);
    EXPECT_EQ(std::pair(long(file.GetCapacity()), file.Size()), std::pair(capacity, size)) << at;
  }
  const BYTE* buffer = file.DetachBuffer(false);
  EXPECT_EQ(std::vector<BYTE>(buffer + 16385, buffer + 24000), std::vector<BYTE>(24000 - 16385, 0));
  std::vector<BYTE> data = {1, 2, 3, 4};
  BYTE* detached;
  {
    CDibMemFile attached(data.data(), data.size());
    EXPECT_FALSE(attached.Open());
    ASSERT_TRUE(attached.Seek(0, 2));
    EXPECT_EQ(attached.Write("\5\6\7", 1, 3), 3u);
    detached = attached.DetachBuffer(true);
  }
  EXPECT_EQ(std::memcmp(detached, "\1\2\3\4\5\6\7", 7), 0);
  EXPECT_EQ(data, (std::vector<BYTE>{1, 2, 3, 4}));
  free(detached);
}

// {offset, origin, position}: seeks clamp at 0 and may pass the end, where
// nothing is read and the error flag is set; 0xFF is not the end value.
// Without a buffer everything fails.
TEST(DibMemFile, SeeksFromEachOriginAndReadsWholeItems) {
  std::vector<BYTE> data(100);
  for (size_t i = 0; i < data.size(); ++i) data[i] = BYTE(i == 99 ? 0xFF : i);
  CDibMemFile file(data.data(), data.size()), none;
  const long seeks[][3] = {{-10, 0, 0}, {40, 0, 40}, {5, 1, 45}, {-1, 2, 99}, {-1000, 1, 0}, {150, 0, 150}};
  for (auto [offset, origin, position] : seeks) {
    EXPECT_TRUE(file.Seek(offset, int(origin)));
    const long tell = file.Tell(), byte = file.GetByte(), eof = file.Eof(), error = file.Error();
    EXPECT_EQ(std::tuple(tell, byte, eof, error), std::tuple(position, position < 100 ? data[position] : -1L, long(position >= 99), long(position > 100)));
    file.Seek(position, 0);
  }
  BYTE buffer[8] = {};
  EXPECT_FALSE(file.Seek(0, 3) || !file.Seek(94, 0));
  EXPECT_EQ(file.Read(buffer, 2, 2), 2u);
  EXPECT_EQ(buffer[3], 97);
  EXPECT_EQ(file.Read(buffer, 3, 1) + file.Read(buffer, 0, 5), 0u);  // two bytes remain: no whole item, but consumed
  EXPECT_EQ(file.Tell(), 100);
  EXPECT_EQ(none.Write(buffer, 1, 1) + none.Read(buffer, 1, 1), 0u);
  EXPECT_FALSE(none.PutByte(1) || none.Seek(0, 0) || !none.Eof());
  EXPECT_EQ(std::vector<long>({none.Tell(), none.Size(), none.Error(), none.GetByte()}), std::vector<long>(4, -1));
}

}  // namespace
