#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/io/TSIOStream.h"
#include "tests/common/TempFolder.h"
#include "tests/io/IoTestSupport.h"

namespace {

TEST(Stream, OpeningAMissingFileForReadingCreatesItEmpty) {
  TempFolder folder;
  CTSIOStream stream("Settings.ini", CTSIOStream::kRead, false);
  EXPECT_TRUE(stream.CanRead());
  EXPECT_FALSE(stream.CanWrite());
  EXPECT_EQ(stream.GetSize(), 0);
  char byte;
  EXPECT_EQ(stream.Read(&byte, 1), 0);
  EXPECT_TRUE(FileExists("Settings.ini"));
  EXPECT_EQ(ReadWholeFile("Settings.ini"), "");
}

TEST(Stream, NullOrEmptyNamesAreRefused) {
  TempFolder folder;
  CTSIOStream stream(nullptr, CTSIOStream::kRead, false);
  EXPECT_FALSE(stream.CanRead());
  EXPECT_FALSE(stream.OpenFile("", CTSIOStream::kRead, false));
  EXPECT_FALSE(stream.CanRead());
  EXPECT_EQ(stream.GetSize(), 0);
  // Refused names leave an open stream as it was.
  WriteWholeFile("open.txt", "open");
  ASSERT_TRUE(stream.OpenFile("open.txt", CTSIOStream::kRead, false));
  EXPECT_FALSE(stream.OpenFile(nullptr, CTSIOStream::kWrite, false));
  EXPECT_TRUE(stream.CanRead());
  EXPECT_EQ(stream.GetSize(), 4);
  // A name that cannot be opened closes it.
  EXPECT_FALSE(stream.OpenFile("no\\such\\folder.txt", CTSIOStream::kRead, false));
  EXPECT_FALSE(stream.CanRead());
}

TEST(Stream, FilesAreReadAndWrittenThroughThePosition) {
  TempFolder folder;
  CTSIOStream* stream = new CTSIOStream("rw.bin", CTSIOStream::kRead | CTSIOStream::kWrite, false);
  ASSERT_TRUE(stream->CanRead() && stream->CanWrite());
  EXPECT_EQ(stream->Write("hello world", 11), 11);
  EXPECT_EQ(stream->Tell(), 11);
  EXPECT_EQ(stream->Seek(6, 0), 6);
  char dest[16] = {};
  EXPECT_EQ(stream->Read(dest, 16), 5);  // a short read advances by what was read
  EXPECT_STREQ(dest, "world");
  EXPECT_EQ(stream->Tell(), 11);
  EXPECT_EQ(stream->Read(dest, 16), 0);
  stream->Release();
  EXPECT_EQ(ReadWholeFile("rw.bin"), "hello world");
}

TEST(Stream, SeekClampsAtBothEnds) {
  std::string data(100, 'x');
  CTSIOStream stream(data.data(), 100, CTSIOStream::kRead, false);
  EXPECT_EQ(stream.Seek(-5, 0), 0);
  EXPECT_EQ(stream.Tell(), 0);
  EXPECT_EQ(stream.Seek(5, 2), 100);
  EXPECT_EQ(stream.Seek(-10, 2), 90);
  EXPECT_EQ(stream.Seek(-30, 1), 60);
  EXPECT_EQ(stream.Seek(0, 7), 60);  // unknown origin: position kept
  EXPECT_EQ(stream.Seek(1000, 0), 100);
  EXPECT_EQ(stream.Seek(-1000, 1), 0);
  EXPECT_EQ(stream.Seek(INT32_MAX, 2), 100);  // no overflow
  EXPECT_EQ(stream.Seek(INT32_MIN, 1), 0);

  CTSIOStream closed(static_cast<CTSIOBuffer*>(nullptr), CTSIOStream::kRead);
  EXPECT_EQ(closed.Seek(5, 0), 0);
  EXPECT_EQ(closed.GetSize(), 0);
}

TEST(Stream, AccessRightsGateReadsAndWrites) {
  bool destroyed = false;
  CSpyBuffer* buffer = new CSpyBuffer("abcdef", &destroyed);
  char dest[4] = {};
  {
    CTSIOStream writeOnly(buffer, CTSIOStream::kWrite);
    EXPECT_EQ(writeOnly.Read(dest, 4), 0);
    EXPECT_EQ(writeOnly.Tell(), 0);
    EXPECT_EQ(buffer->reads, 0);
    EXPECT_EQ(writeOnly.Write("XY", 2), 2);
    EXPECT_EQ(writeOnly.Tell(), 2);
  }
  {
    CTSIOStream readOnly(buffer, CTSIOStream::kRead);
    EXPECT_EQ(readOnly.Write("zz", 2), 0);
    EXPECT_EQ(buffer->writes, 1);
    EXPECT_EQ(readOnly.Read(dest, 0), 0);  // never reaches the buffer
    EXPECT_EQ(readOnly.Read(dest, -1), 0);
    EXPECT_EQ(buffer->reads, 0);
    EXPECT_EQ(readOnly.Read(dest, 4), 4);
    EXPECT_EQ(std::string(dest, 4), "XYcd");
  }
  CTSIOStream none(buffer, 0);
  EXPECT_FALSE(none.CanRead());
  EXPECT_FALSE(none.CanWrite());
  EXPECT_EQ(none.Read(dest, 4), 0);
  buffer->Release();
  EXPECT_FALSE(destroyed);  // the stream still holds a use
}

TEST(Stream, ReopeningTheAttachedBufferKeepsPositionAndMode) {
  bool destroyed = false;
  CSpyBuffer* buffer = new CSpyBuffer("0123456789", &destroyed);
  CTSIOStream stream(buffer, CTSIOStream::kRead);
  EXPECT_EQ(buffer->GetUseCount(), 2);
  stream.Seek(4, 0);
  EXPECT_TRUE(stream.OpenBuffer(buffer, CTSIOStream::kWrite));
  EXPECT_EQ(stream.Tell(), 4);
  EXPECT_TRUE(stream.CanRead());
  EXPECT_FALSE(stream.CanWrite());
  EXPECT_EQ(buffer->GetUseCount(), 2);

  // Another buffer replaces it: the old one loses the stream's use.
  bool otherDestroyed = false;
  CSpyBuffer* other = new CSpyBuffer("other", &otherDestroyed);
  EXPECT_TRUE(stream.OpenBuffer(other, CTSIOStream::kRead | CTSIOStream::kWrite));
  EXPECT_EQ(stream.Tell(), 0);
  EXPECT_TRUE(stream.CanWrite());
  EXPECT_EQ(buffer->GetUseCount(), 1);
  buffer->Release();
  EXPECT_TRUE(destroyed);
  other->Release();
  EXPECT_FALSE(otherDestroyed);
  stream.Close();
  EXPECT_TRUE(otherDestroyed);
  EXPECT_FALSE(stream.CanRead());
}

TEST(Stream, AnInvalidBufferIsRefusedAndTheCallerKeepsItsUse) {
  bool destroyed = false;
  CSpyBuffer* buffer = new CSpyBuffer("data", &destroyed);
  buffer->valid = false;
  CTSIOStream stream(buffer, CTSIOStream::kRead);
  EXPECT_FALSE(stream.CanRead());
  EXPECT_EQ(buffer->GetUseCount(), 1);
  EXPECT_FALSE(stream.OpenBuffer(nullptr, CTSIOStream::kRead));
  buffer->Release();
  EXPECT_TRUE(destroyed);
}

TEST(Stream, MemoryStreamsStayInsideTheirBlock) {
  char block[8] = "abcdefg";
  CTSIOStream stream(block, 7, CTSIOStream::kRead | CTSIOStream::kWrite, false);
  ASSERT_TRUE(stream.CanWrite());
  EXPECT_EQ(stream.Seek(5, 0), 5);
  EXPECT_EQ(stream.Write("123", 3), 2);
  EXPECT_EQ(stream.Tell(), 7);
  EXPECT_EQ(stream.Write("4", 1), 0);
  EXPECT_STREQ(block, "abcde12");
  EXPECT_EQ(stream.GetSize(), 7);

  EXPECT_FALSE(stream.OpenMemory(nullptr, 7, CTSIOStream::kRead, false));
  EXPECT_TRUE(stream.CanRead());  // left as it was
  EXPECT_FALSE(stream.OpenMemory(block, -1, CTSIOStream::kRead, false));
  EXPECT_FALSE(stream.CanRead());

  // An owned block is freed with the stream (the leak checker would see it otherwise).
  void* owned = std::malloc(16);
  std::memset(owned, 'o', 16);
  CTSIOStream* heap = new CTSIOStream(owned, 16, CTSIOStream::kRead, true);
  char byte = 0;
  EXPECT_EQ(heap->Read(&byte, 1), 1);
  EXPECT_EQ(byte, 'o');
  EXPECT_STREQ(heap->GetClassName(), "TS_GUID_IO_STREAM");
  heap->Release();
}

TEST(Stream, ATemporaryFileIsGoneAfterItsLastClose) {
  TempFolder folder;
  {
    CTSIOStream temporary("scratch.tmp", CTSIOStream::kRead | CTSIOStream::kWrite, true);
    ASSERT_TRUE(temporary.CanWrite());
    EXPECT_EQ(temporary.Write("temp", 4), 4);
    CTSIOStream reader("scratch.tmp", CTSIOStream::kRead, false);
    temporary.Close();
    EXPECT_TRUE(FileExists("scratch.tmp"));
    char dest[4];
    EXPECT_EQ(reader.Read(dest, 4), 4);
    EXPECT_EQ(std::string(dest, 4), "temp");
  }
  EXPECT_FALSE(FileExists("scratch.tmp"));

  CTSIOStream kept("kept.txt", CTSIOStream::kWrite, false);
  kept.Close();
  EXPECT_TRUE(FileExists("kept.txt"));
}

}  // namespace
