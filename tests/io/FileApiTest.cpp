#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/Windows.h"
#include "tests/common/TempFolder.h"
#include "tests/io/IoTestSupport.h"

namespace {

HANDLE Open(const char* name, DWORD access, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  return CreateFileA(name, access, FILE_SHARE_READ, nullptr, disposition, flags, nullptr);
}

std::string ReadAll(HANDLE file) {
  char bytes[256];
  DWORD read = 0;
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) != 0 ||
      !ReadFile(file, bytes, sizeof(bytes), &read, nullptr))
    return "<failed>";
  return std::string(bytes, read);
}

TEST(FileApi, CreationDispositions) {
  TempFolder folder;
  EXPECT_EQ(Open("missing.txt", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(FileExists("missing.txt"));

  HANDLE created = Open("always.txt", GENERIC_READ, OPEN_ALWAYS);
  ASSERT_NE(created, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FileExists("always.txt"));
  EXPECT_EQ(GetFileSize(created, nullptr), 0u);
  EXPECT_TRUE(CloseHandle(created));

  WriteWholeFile("kept.txt", "kept");
  HANDLE kept = Open("kept.txt", GENERIC_READ, OPEN_ALWAYS);
  EXPECT_EQ(ReadAll(kept), "kept");
  CloseHandle(kept);

  EXPECT_EQ(Open("kept.txt", GENERIC_WRITE, CREATE_NEW), INVALID_HANDLE_VALUE);
  HANDLE fresh = Open("new.txt", GENERIC_WRITE, CREATE_NEW);
  EXPECT_NE(fresh, INVALID_HANDLE_VALUE);
  CloseHandle(fresh);

  HANDLE replaced = Open("kept.txt", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  EXPECT_EQ(GetFileSize(replaced, nullptr), 0u);
  CloseHandle(replaced);

  WriteWholeFile("cut.txt", "cut me");
  EXPECT_EQ(Open("cut.txt", GENERIC_READ, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
  HANDLE cut = Open("cut.txt", GENERIC_WRITE, TRUNCATE_EXISTING);
  EXPECT_EQ(GetFileSize(cut, nullptr), 0u);
  CloseHandle(cut);
  EXPECT_EQ(Open("absent.txt", GENERIC_WRITE, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open("odd.txt", GENERIC_WRITE, 9), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(FileExists("odd.txt"));
}

TEST(FileApi, BackslashSeparatesFolders) {
  TempFolder folder;
  ASSERT_EQ(mkdir("Font", 0755), 0);
  WriteWholeFile("Font/glyphs.bin", "glyphs");
  HANDLE file = Open("Font\\glyphs.bin", GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadAll(file), "glyphs");
  CloseHandle(file);
  // Names are otherwise unchanged: letter case matters.
  EXPECT_EQ(Open("font\\glyphs.bin", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
}

TEST(FileApi, RefusesBadNamesAndNonRegularFiles) {
  TempFolder folder;
  EXPECT_EQ(Open(nullptr, GENERIC_READ, OPEN_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open("", GENERIC_READ, OPEN_ALWAYS), INVALID_HANDLE_VALUE);
  ASSERT_EQ(mkdir("folder", 0755), 0);
  EXPECT_EQ(Open("folder", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open("folder", GENERIC_READ, OPEN_ALWAYS), INVALID_HANDLE_VALUE);
  // A FIFO with no writer would block a plain open.
  ASSERT_EQ(mkfifo("pipe", 0644), 0);
  EXPECT_EQ(Open("pipe", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open("missing\\file.txt", GENERIC_WRITE, OPEN_ALWAYS), INVALID_HANDLE_VALUE);
}

TEST(FileApi, AccessRightsGateReadsAndWrites) {
  TempFolder folder;
  WriteWholeFile("rights.txt", "rights");
  char bytes[8];
  DWORD moved = 99;
  HANDLE reader = Open("rights.txt", GENERIC_READ, OPEN_EXISTING);
  EXPECT_FALSE(WriteFile(reader, "x", 1, &moved, nullptr));
  EXPECT_EQ(moved, 0u);
  EXPECT_TRUE(ReadFile(reader, bytes, 8, &moved, nullptr));
  EXPECT_EQ(moved, 6u);  // a read past the end returns what there is
  EXPECT_TRUE(ReadFile(reader, bytes, 8, &moved, nullptr));
  EXPECT_EQ(moved, 0u);
  CloseHandle(reader);

  HANDLE writer = Open("rights.txt", GENERIC_WRITE, OPEN_EXISTING);
  EXPECT_FALSE(ReadFile(writer, bytes, 8, &moved, nullptr));
  EXPECT_EQ(moved, 0u);
  EXPECT_TRUE(WriteFile(writer, "RI", 2, &moved, nullptr));
  EXPECT_EQ(moved, 2u);
  CloseHandle(writer);
  EXPECT_EQ(ReadWholeFile("rights.txt"), "RIghts");

  HANDLE none = Open("rights.txt", 0, OPEN_EXISTING);
  ASSERT_NE(none, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(ReadFile(none, bytes, 8, &moved, nullptr));
  EXPECT_FALSE(WriteFile(none, "x", 1, &moved, nullptr));
  EXPECT_EQ(GetFileSize(none, nullptr), 6u);
  CloseHandle(none);
}

TEST(FileApi, FilePointerMovesAndRefusesNegativePositions) {
  TempFolder folder;
  WriteWholeFile("seek.txt", "0123456789");
  HANDLE file = Open("seek.txt", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
  EXPECT_EQ(SetFilePointer(file, 4, nullptr, FILE_BEGIN), 4u);
  EXPECT_EQ(SetFilePointer(file, 3, nullptr, FILE_CURRENT), 7u);
  EXPECT_EQ(SetFilePointer(file, -2, nullptr, FILE_END), 8u);
  char byte = 0;
  DWORD read = 0;
  EXPECT_TRUE(ReadFile(file, &byte, 1, &read, nullptr));
  EXPECT_EQ(byte, '8');
  EXPECT_EQ(SetFilePointer(file, -20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 9u);  // unchanged by the failure
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, 3), INVALID_SET_FILE_POINTER);

  // Past the end is allowed; a write there fills the gap with zeros.
  EXPECT_EQ(SetFilePointer(file, 12, nullptr, FILE_BEGIN), 12u);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "!", 1, &written, nullptr));
  EXPECT_EQ(GetFileSize(file, nullptr), 13u);
  EXPECT_EQ(ReadAll(file), std::string("0123456789\0\0!", 13));

  // With the high part the distance is 64 bits and so is the result.
  LONG high = 1;
  EXPECT_EQ(SetFilePointer(file, 5, &high, FILE_BEGIN), 5u);
  EXPECT_EQ(high, 1);
  high = -1;
  EXPECT_EQ(SetFilePointer(file, -3, &high, FILE_CURRENT), 2u);
  EXPECT_EQ(high, 1);
  // Without it a result beyond 32 bits fails.
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  CloseHandle(file);
}

TEST(FileApi, SizeReportsTheHighPart) {
  TempFolder folder;
  HANDLE file = Open("size.bin", GENERIC_WRITE, CREATE_ALWAYS);
  LONG high = 1;
  ASSERT_EQ(SetFilePointer(file, 9, &high, FILE_BEGIN), 9u);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, "z", 1, &written, nullptr));  // sparse up to 4 GiB + 10
  DWORD sizeHigh = 0;
  EXPECT_EQ(GetFileSize(file, &sizeHigh), 10u);
  EXPECT_EQ(sizeHigh, 1u);
  CloseHandle(file);
}

TEST(FileApi, HandlesAreCheckedAndClosedOnce) {
  TempFolder folder;
  HANDLE file = Open("once.txt", GENERIC_READ, OPEN_ALWAYS);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_FALSE(CloseHandle(file));
  int notAHandle = 0;
  char byte;
  DWORD read = 5;
  EXPECT_FALSE(CloseHandle(&notAHandle));
  EXPECT_FALSE(CloseHandle(nullptr));
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(ReadFile(&notAHandle, &byte, 1, &read, nullptr));
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(GetFileSize(INVALID_HANDLE_VALUE, nullptr), INVALID_FILE_SIZE);
  EXPECT_EQ(SetFilePointer(nullptr, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
}

TEST(FileApi, DeleteOnCloseWaitsForTheLastHandle) {
  TempFolder folder;
  HANDLE temporary = Open("temp.bin", GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
  ASSERT_NE(temporary, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(temporary, "scratch", 7, &written, nullptr));
  HANDLE other = Open("temp.bin", GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(temporary));
  EXPECT_TRUE(FileExists("temp.bin"));
  EXPECT_EQ(ReadAll(other), "scratch");
  EXPECT_TRUE(CloseHandle(other));
  EXPECT_FALSE(FileExists("temp.bin"));

  // Without the flag nothing is deleted; a name reused by another file is left alone.
  HANDLE plain = Open("plain.bin", GENERIC_WRITE, OPEN_ALWAYS);
  CloseHandle(plain);
  EXPECT_TRUE(FileExists("plain.bin"));
  HANDLE doomed = Open("swap.bin", GENERIC_WRITE, OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE);
  ASSERT_EQ(rename("swap.bin", "moved.bin"), 0);
  WriteWholeFile("swap.bin", "replacement");
  CloseHandle(doomed);
  EXPECT_EQ(ReadWholeFile("swap.bin"), "replacement");
}

}  // namespace
