#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/io/TSIOBuffer.h"
#include "tests/common/TempFolder.h"
#include "tests/io/IoTestSupport.h"

namespace {

HANDLE OpenForReading(const char* name) {
  return CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

HANDLE OpenForWriting(const char* name) {
  return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(MemoryBuffer, ReadsStopAtTheEndOfTheBlock) {
  char data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  CTSMemoryIOBuffer* buffer = new CTSMemoryIOBuffer(data, 10, false);
  char dest[8];
  std::memset(dest, 0x55, sizeof(dest));
  EXPECT_EQ(buffer->ReadAt(8, dest, 5), 2);
  EXPECT_EQ(dest[0], 8);
  EXPECT_EQ(dest[1], 9);
  EXPECT_EQ(dest[2], 0x55);
  EXPECT_EQ(buffer->ReadAt(10, dest, 1), 0);
  EXPECT_EQ(buffer->ReadAt(0, dest, 4), 4);
  EXPECT_EQ(std::memcmp(dest, data, 4), 0);
  EXPECT_EQ(buffer->GetSize(), 10);
  EXPECT_TRUE(buffer->IsValid());
  buffer->Release();
}

TEST(MemoryBuffer, WritesStopAtTheEndAndNeverGrowTheBlock) {
  char data[12] = "abcdefghij";  // 10 bytes in use, a guard byte after them
  data[10] = '#';
  CTSMemoryIOBuffer buffer(data, 10, false);
  EXPECT_EQ(buffer.WriteAt(7, "XYZWV", 5), 3);
  EXPECT_EQ(std::string(data, 11), "abcdefgXYZ#");
  EXPECT_EQ(buffer.WriteAt(10, "Q", 1), 0);
  EXPECT_EQ(buffer.GetSize(), 10);
}

TEST(MemoryBuffer, RefusesBadArguments) {
  char data[4] = {1, 2, 3, 4};
  char dest[4] = {};
  CTSMemoryIOBuffer buffer(data, 4, false);
  EXPECT_EQ(buffer.ReadAt(-1, dest, 2), 0);
  EXPECT_EQ(buffer.ReadAt(5, dest, 1), 0);
  EXPECT_EQ(buffer.ReadAt(0, dest, -3), 0);
  EXPECT_EQ(buffer.ReadAt(0, nullptr, 2), 0);
  EXPECT_EQ(buffer.WriteAt(2, dest, INT_MAX), 2);  // no overflow of offset + size
  EXPECT_EQ(buffer.WriteAt(-2, dest, 4), 0);
  EXPECT_EQ(buffer.WriteAt(0, nullptr, 1), 0);

  CTSMemoryIOBuffer empty(nullptr, 4, false);
  EXPECT_FALSE(empty.IsValid());
  EXPECT_EQ(empty.ReadAt(0, dest, 4), 0);
  CTSMemoryIOBuffer negative(data, -1, false);
  EXPECT_FALSE(negative.IsValid());
  EXPECT_EQ(negative.ReadAt(0, dest, 4), 0);
}

TEST(MemoryBuffer, AnOwnedBlockGoesWithTheBuffer) {
  // The leak checker of the sanitizer build reports the block if it stays.
  void* block = std::malloc(64);
  std::memset(block, 7, 64);
  CTSMemoryIOBuffer* buffer = new CTSMemoryIOBuffer(block, 64, true);
  char byte = 0;
  EXPECT_EQ(buffer->ReadAt(63, &byte, 1), 1);
  EXPECT_EQ(byte, 7);
  buffer->Release();
}

TEST(FileBuffer, ReadsAndWritesAtTheGivenOffsets) {
  TempFolder folder;
  WriteWholeFile("data.bin", CountingBytes(300));
  HANDLE file = OpenForWriting("data.bin");
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CTSFileIOBuffer* buffer = new CTSFileIOBuffer(file, true);
  EXPECT_TRUE(buffer->IsValid());
  EXPECT_EQ(buffer->GetSize(), 300);
  unsigned char dest[10];
  EXPECT_EQ(buffer->ReadAt(250, dest, 10), 10);
  EXPECT_EQ(dest[0], 250);
  EXPECT_EQ(dest[9], 3);  // 259 & 0xFF
  EXPECT_EQ(buffer->ReadAt(295, dest, 10), 5);
  EXPECT_EQ(dest[4], 299 & 0xFF);
  EXPECT_EQ(buffer->ReadAt(300, dest, 10), 0);
  EXPECT_EQ(buffer->ReadAt(-1, dest, 10), 0);
  EXPECT_EQ(buffer->WriteAt(298, "WXYZ", 4), 4);
  EXPECT_EQ(buffer->GetSize(), 302);
  buffer->Release();
  std::string content = ReadWholeFile("data.bin");
  EXPECT_EQ(content.substr(296), std::string("\x28\x29WXYZ", 6));
}

TEST(FileBuffer, AFailedOpenIsNeverUsed) {
  char dest[4];
  for (HANDLE handle : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
    CTSFileIOBuffer* buffer = new CTSFileIOBuffer(handle, true);
    EXPECT_FALSE(buffer->IsValid());
    EXPECT_EQ(buffer->ReadAt(0, dest, 4), 0);
    EXPECT_EQ(buffer->WriteAt(0, "abcd", 4), 0);
    EXPECT_EQ(buffer->GetSize(), 0);
    buffer->Release();
  }
}

TEST(FileBuffer, AnOwnedHandleIsClosedWithTheLastUse) {
  TempFolder folder;
  WriteWholeFile("owned.txt", "owned");
  HANDLE file = OpenForReading("owned.txt");
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CTSFileIOBuffer* buffer = new CTSFileIOBuffer(file, true);
  buffer->AddRef();
  buffer->Release();
  DWORD size = GetFileSize(file, nullptr);
  EXPECT_EQ(size, 5u);  // still open while a use is held
  buffer->Release();
  EXPECT_EQ(GetFileSize(file, nullptr), INVALID_FILE_SIZE);
  EXPECT_FALSE(CloseHandle(file));
}

TEST(FileBuffer, AnUnownedHandleStaysOpen) {
  TempFolder folder;
  WriteWholeFile("shared.txt", "shared");
  HANDLE file = OpenForReading("shared.txt");
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CTSFileIOBuffer* buffer = new CTSFileIOBuffer(file, false);
  char dest[6];
  EXPECT_EQ(buffer->ReadAt(0, dest, 6), 6);
  buffer->Release();
  DWORD read = 0;
  ASSERT_EQ(SetFilePointer(file, 2, nullptr, FILE_BEGIN), 2u);
  EXPECT_TRUE(ReadFile(file, dest, 4, &read, nullptr));
  EXPECT_EQ(std::string(dest, read), "ared");
  EXPECT_TRUE(CloseHandle(file));
}

TEST(FileBuffer, FilesBeyondTheInt32RangeReportTheLargestSize) {
  TempFolder folder;
  int fd = open("big.bin", O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  bool sized = ftruncate(fd, (5LL << 30) + 100) == 0;  // sparse: takes no space
  close(fd);
  if (!sized) GTEST_SKIP() << "the file system refuses a sparse 5 GiB file";
  CTSFileIOBuffer* buffer = new CTSFileIOBuffer(OpenForReading("big.bin"), true);
  EXPECT_EQ(buffer->GetSize(), INT_MAX);
  char dest[16];
  // The last bytes an int32 offset names: the read never runs past INT_MAX.
  EXPECT_EQ(buffer->ReadAt(INT_MAX - 4, dest, 16), 4);
  buffer->Release();
}

TEST(WindowBuffer, ReadsTheInnerBytesAtItsOffsetAndStopsAtItsEnd) {
  TempFolder folder;
  WriteWholeFile("window.bin", CountingBytes(400));
  CTSFileIOBuffer* file = new CTSFileIOBuffer(OpenForReading("window.bin"), true);
  CTSStreamIOBuffer* window = new CTSStreamIOBuffer(file, 100, 50);
  file->Release();  // the window holds the only use now
  EXPECT_TRUE(window->IsValid());
  EXPECT_EQ(window->GetSize(), 50);
  unsigned char dest[20];
  EXPECT_EQ(window->ReadAt(0, dest, 10), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(dest[i], 100 + i);
  std::memset(dest, 0, sizeof(dest));
  EXPECT_EQ(window->ReadAt(45, dest, 20), 5);
  EXPECT_EQ(dest[0], 145);
  EXPECT_EQ(dest[4], 149);
  EXPECT_EQ(dest[5], 0);
  EXPECT_EQ(window->ReadAt(50, dest, 1), 0);
  EXPECT_EQ(window->ReadAt(-1, dest, 1), 0);
  window->Release();
}

TEST(WindowBuffer, WritesNeverReachPastTheWindow) {
  bool destroyed = false;
  CSpyBuffer* inner = new CSpyBuffer(std::string(20, '.'), &destroyed);
  CTSStreamIOBuffer* window = new CTSStreamIOBuffer(inner, 5, 10);
  EXPECT_EQ(window->WriteAt(8, "abcdef", 6), 2);
  EXPECT_EQ(inner->lastOffset, 13);
  EXPECT_EQ(inner->lastSize, 2);
  EXPECT_EQ(inner->Content(), ".............ab.....");
  EXPECT_EQ(window->WriteAt(10, "x", 1), 0);
  EXPECT_EQ(inner->writes, 1);  // a request outside the window never reaches the inner buffer
  inner->Release();
  window->Release();
  EXPECT_TRUE(destroyed);
}

TEST(WindowBuffer, ReleasingTheWindowReleasesItsInnerBuffer) {
  bool destroyed = false;
  CSpyBuffer* inner = new CSpyBuffer("inner", &destroyed);
  CTSStreamIOBuffer* window = new CTSStreamIOBuffer(inner, 0, 5);
  EXPECT_EQ(inner->GetUseCount(), 2);
  inner->Release();
  EXPECT_FALSE(destroyed);
  window->Release();
  EXPECT_TRUE(destroyed);

  CTSStreamIOBuffer empty(nullptr, 0, 5);
  char dest[4];
  EXPECT_FALSE(empty.IsValid());
  EXPECT_EQ(empty.ReadAt(0, dest, 4), 0);
}

TEST(IOBuffers, ReportTheirOwnIdentities) {
  char data[1] = {};
  CTSMemoryIOBuffer* memory = new CTSMemoryIOBuffer(data, 1, false);
  CTSFileIOBuffer* file = new CTSFileIOBuffer(nullptr, false);
  CTSStreamIOBuffer* window = new CTSStreamIOBuffer(memory, 0, 1);
  void* out = nullptr;
  for (CTSIOBuffer* buffer : {static_cast<CTSIOBuffer*>(memory), static_cast<CTSIOBuffer*>(file),
                              static_cast<CTSIOBuffer*>(window)}) {
    EXPECT_TRUE(buffer->QueryObject(TS_GUID_IO_BUFFER, &out));
    EXPECT_EQ(out, buffer);
  }
  EXPECT_STREQ(memory->GetClassName(), "TS_GUID_MEMORY_IO_BUFFER");
  EXPECT_STREQ(file->GetClassName(), "TS_GUID_FILE_IO_BUFFER");
  EXPECT_STREQ(window->GetClassName(), "TS_GUID_STREAM_IO_BUFFER");
  EXPECT_FALSE(memory->QueryObject(TS_GUID_FILE_IO_BUFFER, &out));
  window->Release();
  file->Release();
  memory->Release();
}

}  // namespace
