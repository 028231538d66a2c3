// The file API, the IO buffers and stream against plain models, and the
// resource manager with its registry.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "engine/io/TSIOStream.h"
#include "engine/io/TSResourceManager.h"
#include "engine/io/TSResourceRegistry.h"
#include "tests/common/TempFolder.h"

namespace {

void Write(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}
bool Exists(const std::string& path) { return std::filesystem::exists(path); }
HANDLE Open(const char* name, DWORD access, DWORD disposition, DWORD flags = 0) {
  return CreateFileA(name, access, FILE_SHARE_READ, nullptr, disposition, flags, nullptr);
}
constexpr DWORD R = GENERIC_READ, W = GENERIC_WRITE, RW = GENERIC_READ | GENERIC_WRITE;

TEST(FileApi, DispositionsNamesAndFileKindsDecideWhatOpens) {
  TempFolder folder;
  Write("kept.txt", "kept");
  Write("cut.txt", "cut me");
  ASSERT_TRUE(mkdir("Font", 0755) == 0 && mkdir("folder", 0755) == 0 && mkfifo("pipe", 0644) == 0);
  Write("Font/glyphs.bin", "glyphs");
  const struct {
    const char* name;
    DWORD access, disposition;
    bool opens;
    const char* content;  // the file's afterwards; null: absent, "*": not looked at
  } kCases[] = {
      {"missing.txt", R, OPEN_EXISTING, false, nullptr},
      {"always.txt", R, OPEN_ALWAYS, true, ""},
      {"kept.txt", R, OPEN_ALWAYS, true, "kept"},
      {"kept.txt", W, CREATE_NEW, false, "kept"},
      {"new.txt", W, CREATE_NEW, true, ""},
      {"kept.txt", RW, CREATE_ALWAYS, true, ""},
      {"cut.txt", R, TRUNCATE_EXISTING, false, "cut me"},
      {"cut.txt", W, TRUNCATE_EXISTING, true, ""},
      {"absent.txt", W, TRUNCATE_EXISTING, false, nullptr},
      {"odd.txt", W, 9, false, nullptr},
      {"Font\\glyphs.bin", R, OPEN_EXISTING, true, "glyphs"},  // a backslash separates folders
      {"font\\glyphs.bin", R, OPEN_EXISTING, false, nullptr},  // letter case matters
      {"missing\\file.txt", W, OPEN_ALWAYS, false, nullptr},
      {"", R, OPEN_ALWAYS, false, "*"},
      {"folder", R, OPEN_EXISTING, false, "*"},
      {"folder", R, OPEN_ALWAYS, false, "*"},
      {"pipe", R, OPEN_EXISTING, false, "*"},  // a FIFO with no writer would block a plain open
  };
  for (const auto& c : kCases) {
    HANDLE file = Open(c.name, c.access, c.disposition);
    EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens) << &c - kCases;
    EXPECT_EQ(CloseHandle(file) != FALSE, c.opens);
    std::string disk = c.name;
    std::replace(disk.begin(), disk.end(), '\\', '/');
    if (c.content == nullptr || std::string(c.content) != "*") {
      EXPECT_EQ(Exists(disk) ? ReadWholeFile(disk) : "<absent>", c.content ? c.content : "<absent>")
          << &c - kCases;
    }
  }
  EXPECT_EQ(Open(nullptr, R, OPEN_ALWAYS), INVALID_HANDLE_VALUE);
}

TEST(FileApi, AccessPointerSizeAndHandlesBehaveAsOnWindows) {
  TempFolder folder;
  Write("rights.txt", "rights");
  char bytes[8];
  DWORD moved = 99;
  auto read = [&](HANDLE file, DWORD size) {
    return ReadFile(file, bytes, size, &moved, nullptr) ? static_cast<int>(moved)
                                                        : -1 - static_cast<int>(moved);
  };
  auto write = [&](HANDLE file, const char* text) {
    return WriteFile(file, text, static_cast<DWORD>(strlen(text)), &moved, nullptr)
               ? static_cast<int>(moved)
               : -1 - static_cast<int>(moved);
  };
  HANDLE reader = Open("rights.txt", R, OPEN_EXISTING), writer = Open("rights.txt", W, OPEN_EXISTING),
         none = Open("rights.txt", 0, OPEN_EXISTING);
  // Results: bytes moved, or -1 for a failure that moved nothing.
  EXPECT_EQ(std::vector<int>({write(reader, "x"), read(reader, 8), read(reader, 8), read(writer, 8),
                              write(writer, "RI"), read(none, 8), write(none, "x")}),
            std::vector<int>({-1, 6, 0, -1, 2, -1, -1}));
  EXPECT_EQ(GetFileSize(none, nullptr), 6u);
  EXPECT_TRUE(CloseHandle(reader) && CloseHandle(writer) && CloseHandle(none) && !CloseHandle(none));
  EXPECT_EQ(ReadWholeFile("rights.txt"), "RIghts");
  HANDLE file = Open("rights.txt", RW, OPEN_EXISTING);
  const struct {
    LONG distance, high;  // high -2: no high part given
    DWORD method, result;
    LONG highAfter;
  } kMoves[] = {{4, -2, FILE_BEGIN, 4, 0},
                {3, -2, FILE_CURRENT, 7, 0},
                {-2, -2, FILE_END, 4, 0},
                {-20, -2, FILE_CURRENT, INVALID_SET_FILE_POINTER, 0},
                {0, -2, FILE_CURRENT, 4, 0},  // unchanged by a failure
                {0, -2, 3, INVALID_SET_FILE_POINTER, 0},
                {9, -2, FILE_BEGIN, 9, 0},  // past the end is allowed
                {5, 1, FILE_BEGIN, 5, 1},
                {-3, -1, FILE_CURRENT, 2, 1},  // 64-bit distances and results
                {0, -2, FILE_CURRENT, INVALID_SET_FILE_POINTER, 0},
                {9, 0, FILE_BEGIN, 9, 0}};  // beyond 32 bits
  for (const auto& m : kMoves) {
    LONG high = m.high;
    EXPECT_EQ(SetFilePointer(file, m.distance, m.high == -2 ? nullptr : &high, m.method), m.result)
        << &m - kMoves;
    if (m.high != -2) {
      EXPECT_EQ(high, m.highAfter);
    }
  }
  EXPECT_EQ(write(file, "!"), 1);  // the gap is filled with zeros
  EXPECT_EQ(ReadWholeFile("rights.txt"), std::string("RIghts\0\0\0!", 10));
  LONG high = 1;
  ASSERT_EQ(SetFilePointer(file, 9, &high, FILE_BEGIN), 9u);
  ASSERT_EQ(write(file, "z"), 1);  // sparse up to 4 GiB + 10
  DWORD sizeHigh = 0;
  EXPECT_TRUE(GetFileSize(file, &sizeHigh) == 10 && sizeHigh == 1);
  EXPECT_TRUE(CloseHandle(file));
  for (HANDLE bad : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE, static_cast<HANDLE>(&moved), file})
    EXPECT_TRUE(!CloseHandle(bad) && read(bad, 1) == -1 && GetFileSize(bad, nullptr) == INVALID_FILE_SIZE &&
                SetFilePointer(bad, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER);
}

TEST(FileApi, DeleteOnCloseWaitsForTheLastHandleToThatFile) {
  TempFolder folder;
  HANDLE temporary = Open("temp.bin", RW, OPEN_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(temporary, "scratch", 7, &written, nullptr));
  HANDLE other = Open("temp.bin", R, OPEN_EXISTING), plain = Open("plain.bin", W, OPEN_ALWAYS);
  EXPECT_TRUE(CloseHandle(temporary) && Exists("temp.bin") && ReadWholeFile("temp.bin") == "scratch");
  EXPECT_TRUE(CloseHandle(other) && !Exists("temp.bin") && CloseHandle(plain) && Exists("plain.bin"));
  HANDLE doomed = Open("swap.bin", W, OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE);
  ASSERT_EQ(rename("swap.bin", "moved.bin"), 0);
  Write("swap.bin", "replacement");  // a name reused by another file is left alone
  CloseHandle(doomed);
  EXPECT_EQ(ReadWholeFile("swap.bin"), "replacement");
}

// Each kind of buffer against a plain string over random requests: reads and
// writes are clipped to [0, size), except that a file grows under writes.
TEST(IOBuffers, RequestsMatchAPlainModelOverRandomData) {
  TempFolder folder;
  std::mt19937 random(9);
  for (int round = 0; round < 40; ++round) {
    int kind = round % 4;  // memory, file, a window on memory, a window on a file
    std::string whole(random() % 200, '\0'), block;
    for (char& c : whole) c = static_cast<char>(random());
    block = whole;
    Write("data.bin", whole);
    int32_t size = static_cast<int32_t>(whole.size()), start = kind >= 2 ? random() % (size + 1) : 0;
    CTSIOBuffer* inner =
        kind % 2 ? static_cast<CTSIOBuffer*>(new CTSFileIOBuffer(Open("data.bin", RW, OPEN_EXISTING), true))
                 : new CTSMemoryIOBuffer(block.data(), size, false);
    CTSIOBuffer* buffer =
        kind >= 2 ? new CTSStreamIOBuffer(inner, start, random() % (size - start + 1)) : inner;
    if (kind >= 2) inner->Release();  // the window holds the only use now
    std::string view = whole.substr(start, buffer->GetSize());
    for (int step = 0; step < 100; ++step) {
      int32_t at = random() % (view.size() + 20) - 10, length = random() % 60 - 5;
      bool writing = random() % 2, grows = writing && kind == 1;
      int32_t fits = at < 0 || length < 1 || (at >= static_cast<int32_t>(view.size()) && !grows) ? 0
                     : grows                                                                     ? length
                             : std::min<int32_t>(length, view.size() - at);
      std::string bytes(60, '#');
      for (int i = 0; writing && i < length; ++i) bytes[i] = static_cast<char>(random());
      ASSERT_EQ(
          writing ? buffer->WriteAt(at, bytes.data(), length) : buffer->ReadAt(at, bytes.data(), length),
          fits);
      if (writing && fits > 0)
        view.resize(std::max<size_t>(view.size(), at + fits)), view.replace(at, fits, bytes, 0, fits);
      if (!writing) {
        ASSERT_EQ(bytes.substr(0, fits + 1), (fits ? view.substr(at, fits) : "") + '#');
      }
      ASSERT_EQ(buffer->GetSize(), static_cast<int32_t>(view.size()));
    }
    buffer->Release();
    whole.replace(start, kind == 1 ? whole.size() : view.size(), view);
    EXPECT_EQ(kind % 2 ? ReadWholeFile("data.bin") : block, whole) << round;
  }
}

TEST(IOBuffers, BadRequestsAndBuffersThatFailedToOpenGiveNothing) {
  TempFolder folder;
  char data[4] = {1, 2, 3, 4}, dest[16];
  void* owned = std::malloc(16);  // freed with its buffer: the leak checker would see it otherwise
  CTSIOBuffer* kBad[] = {new CTSMemoryIOBuffer(nullptr, 4, false), new CTSMemoryIOBuffer(data, -1, false),
                         new CTSFileIOBuffer(nullptr, true), new CTSFileIOBuffer(INVALID_HANDLE_VALUE, true),
                         new CTSStreamIOBuffer(nullptr, 0, 5)};
  for (CTSIOBuffer* bad : kBad) {
    EXPECT_TRUE(!bad->IsValid() && bad->ReadAt(0, dest, 4) == 0 && bad->WriteAt(0, dest, 4) == 0)
        << bad->GetClassName();
    bad->Release();
  }
  CTSMemoryIOBuffer memory(data, 4, false), block(owned, 16, true);
  EXPECT_TRUE(memory.ReadAt(0, nullptr, 2) == 0 && memory.WriteAt(0, nullptr, 1) == 0);
  EXPECT_EQ(memory.WriteAt(2, dest, INT_MAX), 2);  // no overflow of offset + size
  // Files of 5 GiB (sparse) report the largest size, and reads stop at the last offset an int32 names.
  int fd = open("big.bin", O_CREAT | O_WRONLY, 0644);
  bool sized = ftruncate(fd, (5LL << 30) + 100) == 0;
  close(fd);
  if (!sized) GTEST_SKIP() << "the file system refuses a sparse 5 GiB file";
  CTSFileIOBuffer big(Open("big.bin", R, OPEN_EXISTING), true);
  EXPECT_TRUE(big.GetSize() == INT_MAX && big.ReadAt(INT_MAX - 4, dest, 16) == 4);
}

TEST(IOBuffers, FileHandlesAreClosedWithTheLastUseWhenOwned) {
  TempFolder folder;
  Write("file.txt", "file");
  HANDLE owned = Open("file.txt", R, OPEN_EXISTING), shared = Open("file.txt", R, OPEN_EXISTING);
  CTSFileIOBuffer* buffers[] = {new CTSFileIOBuffer(owned, true), new CTSFileIOBuffer(shared, false)};
  buffers[0]->AddRef();
  for (CTSFileIOBuffer* buffer : buffers) buffer->Release();
  EXPECT_EQ(GetFileSize(owned, nullptr), 4u);  // still open while a use is held
  buffers[0]->Release();
  EXPECT_TRUE(GetFileSize(owned, nullptr) == INVALID_FILE_SIZE && GetFileSize(shared, nullptr) == 4 &&
              CloseHandle(shared));
}

TEST(Stream, SeekClampsAtBothEndsAndReadsAndWritesMoveThePosition) {
  char block[101] = {};
  CTSIOStream stream(block, 100, CTSIOStream::kRead | CTSIOStream::kWrite, false);
  const int32_t kSeeks[][3] = {
      {-5, 0, 0},     {5, 2, 100},   {-10, 2, 90},        {-30, 1, 60},      {0, 7, 60},  // unknown origin
      {1000, 0, 100}, {-1000, 1, 0}, {INT32_MAX, 2, 100}, {INT32_MIN, 1, 0}, {97, 0, 97}};
  for (const auto& seek : kSeeks)
    EXPECT_EQ(stream.Seek(seek[0], seek[1]), seek[2]) << seek[0] << "," << seek[1];
  EXPECT_EQ(stream.Write("12345", 5), 3);  // stops at the block's end
  EXPECT_EQ(stream.Write("4", 1) + stream.Tell() + stream.GetSize(), 200);
  EXPECT_EQ(std::string(block + 96, 5), std::string("\0"
                                                    "123\0",
                                                    5));
  EXPECT_EQ(stream.Seek(-4, 1), 96);
  char dest[16] = {};
  EXPECT_EQ(stream.Read(dest, 16), 4);  // a short read advances by what was read
  EXPECT_TRUE(stream.Tell() == 100 && stream.Read(dest, 16) == 0 &&
              std::string(dest, 4) == std::string("\0"
                                                  "123",
                                                  4));
  CTSIOStream closed(static_cast<CTSIOBuffer*>(nullptr), CTSIOStream::kRead);
  EXPECT_TRUE(closed.Seek(5, 0) == 0 && closed.GetSize() == 0 && !closed.CanRead());
}

TEST(Stream, AccessRightsGateReadsAndWritesAndTheStreamHoldsOneUse) {
  char data[] = "abcdef", dest[4] = {};
  CTSMemoryIOBuffer* buffer = new CTSMemoryIOBuffer(data, 6, false);
  {
    CTSIOStream writeOnly(buffer, CTSIOStream::kWrite), readOnly(buffer, CTSIOStream::kRead), none(buffer, 0);
    EXPECT_EQ(buffer->GetUseCount(), 4);
    EXPECT_TRUE(writeOnly.Read(dest, 4) == 0 && writeOnly.Tell() == 0 && writeOnly.Write("XY", 2) == 2);
    EXPECT_TRUE(readOnly.Write("zz", 2) == 0 && readOnly.Read(dest, 0) == 0 && readOnly.Read(dest, -1) == 0);
    EXPECT_TRUE(readOnly.Read(dest, 4) == 4 && std::string(dest, 4) == "XYcd");
    EXPECT_TRUE(!none.CanRead() && !none.CanWrite() && none.Read(dest, 4) == 0);
    // Re-opening the attached buffer keeps the position and mode; another replaces it.
    EXPECT_TRUE(readOnly.OpenBuffer(buffer, CTSIOStream::kWrite) && readOnly.Tell() == 4 &&
                !readOnly.CanWrite());
    EXPECT_TRUE(none.OpenBuffer(new CTSMemoryIOBuffer(data, 2, false), CTSIOStream::kWrite) &&
                none.CanWrite());
    EXPECT_EQ(buffer->GetUseCount(), 3);
    CTSMemoryIOBuffer invalid(nullptr, 4, false);
    EXPECT_FALSE(writeOnly.OpenBuffer(&invalid, CTSIOStream::kRead) || writeOnly.CanRead() ||
                 writeOnly.OpenBuffer(nullptr, 1));
    EXPECT_EQ(buffer->GetUseCount(), 2);  // the refused open closed the stream first
  }
  EXPECT_EQ(buffer->GetUseCount(), 1);
  buffer->Release();
}

TEST(Stream, FilesAndMemoryBlocksAreOpenedByName) {
  TempFolder folder;
  CTSIOStream stream("Settings.ini", CTSIOStream::kRead, false);  // a missing file is made, empty
  EXPECT_TRUE(stream.CanRead() && !stream.CanWrite() && stream.GetSize() == 0 && Exists("Settings.ini"));
  EXPECT_FALSE(stream.OpenFile("", CTSIOStream::kRead, false) ||
               stream.OpenFile(nullptr, CTSIOStream::kRead, false));
  EXPECT_TRUE(stream.CanRead());  // refused names leave an open stream as it was
  EXPECT_FALSE(stream.OpenFile("no\\such\\folder.txt", CTSIOStream::kRead, false) || stream.CanRead());
  char block[8] = "abcdefg";
  EXPECT_TRUE(stream.OpenMemory(block, 7, CTSIOStream::kRead, false) && stream.GetSize() == 7);
  EXPECT_FALSE(stream.OpenMemory(nullptr, 7, CTSIOStream::kRead, false) || !stream.CanRead());
  EXPECT_FALSE(stream.OpenMemory(block, -1, CTSIOStream::kRead, false) || stream.CanRead());
  (new CTSIOStream(std::malloc(16), 16, CTSIOStream::kRead, true))->Release();  // the owned block goes too
  {
    CTSIOStream temporary("scratch.tmp", CTSIOStream::kRead | CTSIOStream::kWrite, true);
    EXPECT_EQ(temporary.Write("hello world", 11), 11);
    CTSIOStream reader("scratch.tmp", CTSIOStream::kRead, false);
    temporary.Close();
    char dest[16] = {};
    EXPECT_TRUE(Exists("scratch.tmp") && reader.Seek(6, 0) == 6 && reader.Read(dest, 16) == 5 &&
                std::string(dest) == "world");
  }
  EXPECT_FALSE(Exists("scratch.tmp"));  // gone after its last close
}

// A pack serving named entries from memory, remembering what it was asked.
struct CTestPack : CTSResourcePack {
  std::map<std::string, std::string> entries;
  std::vector<std::string> asked;
  CTSIOBuffer* OpenEntry(const std::string& name) override {
    asked.push_back(name);
    auto it = entries.find(name);
    return it == entries.end()
               ? nullptr
               : new CTSMemoryIOBuffer(it->second.data(), static_cast<int32_t>(it->second.size()), false);
  }
};

std::string Contents(CTSIOStream* stream) {
  char bytes[64];
  std::string text = stream ? std::string(bytes, stream->Read(bytes, sizeof(bytes))) : "<none>";
  if (stream) stream->Release();
  return text;
}

TEST(Resources, SearchModesOrderPacksAndDisk) {
  TempFolder folder;
  CTSResourceManager& manager = CTSResourceManager::Instance();
  Write("both.txt", "from disk");
  Write("disk.txt", "disk only");
  ASSERT_EQ(mkdir("folder", 0755), 0);
  CTestPack* pack = new CTestPack;
  pack->entries = {{"both.txt", "from pack"}, {"pack.txt", "pack only"}};
  manager.AddPack(pack);
  const struct {
    int32_t mode;
    const char* name;
    const char* expected;
  } kCases[] = {{0, "both.txt", "from pack"},
                {0, "disk.txt", "disk only"},
                {0, "pack.txt", "pack only"},
                {1, "both.txt", "from disk"},
                {1, "pack.txt", "pack only"},
                {2, "both.txt", "from disk"},
                {2, "pack.txt", "<none>"},
                {3, "both.txt", "from pack"},
                {3, "disk.txt", "<none>"},
                {4, "both.txt", "<none>"},
                {-1, "disk.txt", "<none>"},
                {0, "absent.bmp", "<none>"},
                {0, "", "<none>"},
                {0, "folder", "<none>"},
                {0, nullptr, "<none>"}};
  for (const auto& c : kCases) {
    manager.SetSearchMode(c.mode);
    EXPECT_EQ(Contents(manager.OpenResource(c.name)), c.expected)
        << c.mode << ", " << (c.name ? c.name : "null");
  }
  EXPECT_EQ(pack->asked, (std::vector<std::string>{"both.txt", "disk.txt", "pack.txt", "pack.txt", "both.txt",
                                                   "disk.txt", "absent.bmp", "folder"}));
  EXPECT_FALSE(Exists("absent.bmp") || manager.OpenResourceBuffer(nullptr) || manager.OpenFromPacks(nullptr));
  EXPECT_EQ(pack->GetUseCount(), 2);
  manager.RemovePacks();
  EXPECT_EQ(pack->GetUseCount(), 1);
  pack->Release();
  manager.SetSearchMode(CTSResourceManager::kPacksThenDisk);
}

// The process's open file descriptors, to see that handles are closed.
int OpenDescriptors() {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

TEST(Resources, OpenResourcesAreSharedThroughTheRegistryUnderTheNameAsWritten) {
  TempFolder folder;
  CTSResourceManager& manager = CTSResourceManager::Instance();
  CTSResourceRegistry& registry = CTSResourceRegistry::Instance();
  ASSERT_EQ(mkdir("Font", 0755), 0);
  Write("Font/face.gfxFont", "glyph data");
  CTestPack* pack = new CTestPack;  // never asked while the file is open
  manager.AddPack(pack);
  pack->Release();
  int descriptors = OpenDescriptors();
  manager.SetSearchMode(CTSResourceManager::kDiskOnly);
  CTSIOStream* first = manager.OpenResource("Font\\face.gfxFont");
  CTSIOBuffer* shared = registry.Find("Font\\face.gfxFont");
  ASSERT_TRUE(first && shared && first->CanRead() && !first->CanWrite() && first->GetUseCount() == 1);
  manager.SetSearchMode(CTSResourceManager::kPacksThenDisk);
  CTSIOStream* second = manager.OpenResource("Font\\face.gfxFont");
  EXPECT_TRUE(shared->GetUseCount() == 2 && OpenDescriptors() == descriptors + 1 && pack->asked.empty());
  CTSIOStream* slash = manager.OpenResource("Font/face.gfxFont");  // another name, another entry
  EXPECT_TRUE(registry.Find("Font/face.gfxFont") != shared && !registry.Find("font/face.gfxFont"));
  first->Release();
  EXPECT_TRUE(Contents(second) == "glyph data" && Contents(slash) == "glyph data");
  EXPECT_TRUE(registry.Find("Font\\face.gfxFont") == nullptr && OpenDescriptors() == descriptors);
  manager.RemovePacks();
}

TEST(ResourceRegistry, KeepsTheFirstEntryOfANameAndForgetsByBuffer) {
  CTSResourceRegistry& registry = CTSResourceRegistry::Instance();
  char data[1];
  CTSMemoryIOBuffer first(data, 1, false), second(data, 1, false);
  for (auto [name, buffer] : {std::pair{"name", &first},
                              {"name", &second},
                              {"Name", &second},
                              {"alias", &first},
                              {nullptr, &first}})
    registry.Register(name, buffer);
  EXPECT_TRUE(registry.Find("name") == &first && registry.Find("Name") == &second && !registry.Find(nullptr));
  registry.Unregister(&first);  // the first entry in name order: "alias"
  EXPECT_TRUE(!registry.Find("alias") && registry.Find("name") == &first);
  registry.Unregister(&first);
  registry.Unregister(&second);
  EXPECT_TRUE(!registry.Find("name") && !registry.Find("Name"));
}

}  // namespace
