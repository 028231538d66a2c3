// The codec layer's memory file: growth, seeking, reading whole items, and
// who owns the buffer.
#include "tests/image/CodecTestSupport.h"

// Writes of {position, bytes} give {capacity, size}: the capacity grows to the
// next multiple of 4096 above the written end; a gap left by a seek past the
// end reads back as zeros. Seeks clamp at 0; past the end nothing is read and
// the error flag is set; reads give whole items but consume what remains.
// An attached buffer is copied to grow and left as it was.
TEST(DibMemFile, GrowsInStepsOf4096SeeksAndReadsWholeItems) {
  CDibMemFile file;
  ASSERT_TRUE(file.Open());
  const std::vector<BYTE> block(8193, 7);
  const long steps[][4] = {{0, 5000, 8192, 5000},    {100, 3000, 8192, 5000},  {4096, 8192, 16384, 12288},
                           {16383, 1, 16384, 16384}, {16384, 1, 20480, 16385}, {24000, 2, 24576, 24002}};
  for (auto [at, bytes, capacity, size] : steps) {
    ASSERT_TRUE(file.Seek(at, 0) && file.Write(block.data(), size_t(bytes), 1) == 1);
    EXPECT_EQ(std::pair(long(file.GetCapacity()), file.Size()), std::pair(capacity, size)) << at;
  }
  EXPECT_EQ(std::vector<BYTE>(file.DetachBuffer(false) + 16385, file.DetachBuffer(false) + 24000),
            std::vector<BYTE>(24000 - 16385, 0));
  const long seeks[][3] = {{-10, 0, 0},    {40, 0, 40},     {5, 1, 46},
                           {-1, 2, 24001}, {-100000, 1, 0}, {30000, 0, 30000}};
  for (auto [offset, origin, position] : seeks) {
    EXPECT_TRUE(file.Seek(offset, int(origin)));
    const long tell = file.Tell(), byte = file.GetByte(), eof = file.Eof(), error = file.Error();
    EXPECT_EQ(std::tuple(tell, byte, eof, error),
              std::tuple(position, position < 24002 ? 7L * (position < 5000 || position >= 24000) : -1L,
                         long(position >= 24001), long(position > 24002)));
  }
  BYTE buffer[8] = {};
  EXPECT_FALSE(file.Seek(0, 3) || !file.Seek(23997, 0) || file.Read(buffer, 2, 2) != 2 ||
               file.Read(buffer, 3, 1) + file.Read(buffer, 0, 5) != 0);
  EXPECT_EQ(std::pair(file.Tell(), buffer[3]), std::pair(24002L, BYTE(7)));
  std::vector<BYTE> data = {1, 2, 3, 4};
  CDibMemFile attached(data.data(), data.size());
  EXPECT_FALSE(attached.Open() || !attached.Seek(0, 2) || attached.Write("\5\6\7", 1, 3) != 3);
  BYTE* detached = attached.DetachBuffer(true);
  EXPECT_EQ(std::memcmp(detached, "\1\2\3\4\5\6\7", 7) + (data != std::vector<BYTE>{1, 2, 3, 4}), 0);
  attached.Close();
  free(detached);
}
