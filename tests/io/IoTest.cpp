// The file API, the IO buffers and stream against plain models, and the
// resource manager with its registry.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "engine/io/TSIOStream.h"
#include "engine/io/TSResourceManager.h"
#include "engine/io/TSResourceRegistry.h"
#include "tests/common/TempFolder.h"

namespace {

constexpr DWORD R = GENERIC_READ, W = GENERIC_WRITE, RW = R | W;
void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
bool Exists(const std::string& path) { return std::filesystem::exists(path); }
HANDLE Open(const char* name, DWORD access, DWORD disposition, DWORD flags = 0) {
  return CreateFileA(name, access, FILE_SHARE_READ, nullptr, disposition, flags, nullptr);
}
// The process's open file descriptors, to see that handles are closed.
int Descriptors() { return int(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {})); }

TEST(FileApi, OperationsGiveWhatWindowsGives) {
  TempFolder folder;
  ASSERT_TRUE(mkdir("Font", 0755) == 0 && mkdir("dir", 0755) == 0 && mkfifo("pipe", 0644) == 0);
  Put("kept.txt", "kept");
  Put("cut.txt", "cut me");
  Put("Font/glyphs.bin", "glyphs");
  // Whether each open works, then what the file holds afterwards. A backslash separates folders, and
  // letter case matters.
  const std::tuple<const char*, DWORD, DWORD, const char*> kOpens[] = {
      {"missing.txt", R, OPEN_EXISTING, "refused, absent"},
      {"always.txt", R, OPEN_ALWAYS, "opened: "},
      {"kept.txt", R, OPEN_ALWAYS, "opened: kept"},
      {"kept.txt", W, CREATE_NEW, "refused: kept"},
      {"new.txt", W, CREATE_NEW, "opened: "},
      {"kept.txt", RW, CREATE_ALWAYS, "opened: "},
      {"cut.txt", R, TRUNCATE_EXISTING, "refused: cut me"},
      {"cut.txt", W, TRUNCATE_EXISTING, "opened: "},
      {"absent.txt", W, TRUNCATE_EXISTING, "refused, absent"},
      {"odd.txt", W, 9, "refused, absent"},
      {"Font\\glyphs.bin", R, OPEN_EXISTING, "opened: glyphs"},
      {"font\\glyphs.bin", R, OPEN_EXISTING, "refused, absent"},
      {"no\\such.txt", W, OPEN_ALWAYS, "refused, absent"}};
  for (auto [name, access, disposition, expected] : kOpens) {
    std::string disk = name, got = CloseHandle(Open(name, access, disposition)) ? "opened" : "refused";
    std::replace(disk.begin(), disk.end(), '\\', '/');
    EXPECT_EQ(got + (Exists(disk) ? ": " + ReadWholeFile(disk) : ", absent"), expected) << name;
  }
  for (const char* name : {static_cast<const char*>(nullptr), "", "dir", "pipe"})  // a FIFO would block
    EXPECT_TRUE(!CloseHandle(Open(name, R, OPEN_EXISTING)) && !CloseHandle(Open(name, R, OPEN_ALWAYS)));
  char bytes[8];
  DWORD moved = 99;  // the results: bytes moved, or -1 for a failure that moved nothing
  auto read = [&](HANDLE f) { return ReadFile(f, bytes, 8, &moved, nullptr) ? int(moved) : -1 - int(moved); };
  auto write = [&](HANDLE f) { return WriteFile(f, "!", 1, &moved, nullptr) ? int(moved) : -1 - int(moved); };
  Put("f.txt", "rights");
  HANDLE reader = Open("f.txt", R, OPEN_EXISTING), writer = Open("f.txt", W, OPEN_EXISTING),
         none = Open("f.txt", 0, OPEN_EXISTING);
  EXPECT_EQ(std::vector<int>({write(reader), read(reader), read(reader), read(writer), write(writer),
                              read(none), write(none), int(GetFileSize(none, nullptr))}),
            std::vector<int>({-1, 6, 0, -1, 1, -1, -1, 6}));
  EXPECT_TRUE(CloseHandle(reader) && CloseHandle(writer) && CloseHandle(none) && !CloseHandle(none));
  HANDLE file = Open("f.txt", RW, OPEN_EXISTING);
  // Distance, upper half (-2: none given), method (3: none such), result (-1: failed), upper half after;
  // past the end is allowed.
  const LONG kMoves[][5] = {{4, -2, FILE_BEGIN, 4, -2},    {3, -2, FILE_CURRENT, 7, -2},
                            {-2, -2, FILE_END, 4, -2},     {-20, -2, FILE_CURRENT, -1, -2},
                            {0, -2, FILE_CURRENT, 4, -2},  {0, -2, 3, -1, -2},
                            {5, 1, FILE_BEGIN, 5, 1},      {-3, -1, FILE_CURRENT, 2, 1},
                            {0, -2, FILE_CURRENT, -1, -2}, {9, 0, FILE_BEGIN, 9, 0}};
  LONG high;
  for (const auto& m : kMoves)
    EXPECT_TRUE(SetFilePointer(file, m[0], (high = m[1]) == -2 ? nullptr : &high, m[2]) == DWORD(m[3]) &&
                high == m[4])
        << &m - kMoves;
  EXPECT_TRUE(write(file) == 1 && ReadWholeFile("f.txt") == std::string("!ights\0\0\0!", 10));  // a zero gap
  EXPECT_TRUE(SetFilePointer(file, 9, &(high = 1), FILE_BEGIN) == 9 && write(file) == 1);       // 4 GiB + 10
  EXPECT_TRUE(GetFileSize(file, &moved) == 10 && moved == 1 && CloseHandle(file));
  for (HANDLE bad : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE, static_cast<HANDLE>(&moved), file})
    EXPECT_TRUE(!CloseHandle(bad) && read(bad) == -1 && GetFileSize(bad, nullptr) == INVALID_FILE_SIZE &&
                SetFilePointer(bad, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER);
  CTSFileIOBuffer big(Open("f.txt", R, OPEN_EXISTING), true);  // offsets past INT32_MAX cannot be named
  EXPECT_TRUE(big.GetSize() == INT_MAX && big.ReadAt(INT_MAX - 4, bytes, 8) == 4);
  // Delete-on-close waits for the last handle to that file, and spares a file that took over the name.
  HANDLE temporary = Open("temp.bin", RW, OPEN_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
  HANDLE other = Open("temp.bin", R, OPEN_EXISTING),
         doomed = Open("swap.bin", W, OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE);
  EXPECT_TRUE(CloseHandle(temporary) && Exists("temp.bin") && CloseHandle(other) && !Exists("temp.bin"));
  ASSERT_EQ(rename("swap.bin", "moved.bin"), 0);
  Put("swap.bin", "replacement");
  EXPECT_TRUE(CloseHandle(doomed) && ReadWholeFile("swap.bin") == "replacement" && Exists("f.txt"));
}

// Each kind of buffer against a plain string over random requests: reads and
// writes are clipped to [0, size), except that a file grows under writes.
TEST(IOBuffers, RequestsMatchAPlainModelOverRandomData) {
  TempFolder folder;
  std::mt19937 random(9);
  int descriptors = Descriptors();
  for (int round = 0; round < 40; ++round) {
    int kind = round % 4;  // memory, file, a window on memory, a window on a file
    std::string whole(random() % 200, '\0'), block;
    for (char& c : whole) c = static_cast<char>(random());
    Put("data.bin", block = whole);
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
      ASSERT_EQ(writing ? buffer->WriteAt(at, &bytes[0], length) : buffer->ReadAt(at, &bytes[0], length),
                fits);
      if (writing && fits > 0) {
        view.resize(std::max<size_t>(view.size(), at + fits));
        view.replace(at, fits, bytes, 0, fits);
      }
      ASSERT_TRUE(writing || bytes.substr(0, fits + 1) == (fits ? view.substr(at, fits) : "") + '#');
      ASSERT_EQ(buffer->GetSize(), static_cast<int32_t>(view.size()));
    }
    buffer->Release();  // an owned file handle is closed with the last use
    whole.replace(start, kind == 1 ? whole.size() : view.size(), view);
    EXPECT_EQ(kind % 2 ? ReadWholeFile("data.bin") : block, whole) << round;
  }
  EXPECT_EQ(Descriptors(), descriptors);
  char data[4], dest[16];
  CTSIOBuffer* kBad[] = {
      new CTSMemoryIOBuffer(nullptr, 4, false), new CTSMemoryIOBuffer(data, -1, false),
      new CTSFileIOBuffer(nullptr, true),       new CTSFileIOBuffer(INVALID_HANDLE_VALUE, true),
      new CTSStreamIOBuffer(nullptr, 0, 5),     new CTSMemoryIOBuffer(data, 4, false)};
  for (CTSIOBuffer* bad : kBad)  // the last is valid, with bad pointers
    EXPECT_TRUE(bad->IsValid() == (bad == kBad[5]) && !bad->ReadAt(0, bad == kBad[5] ? nullptr : dest, 4) &&
                !bad->WriteAt(0, bad == kBad[5] ? nullptr : dest, 4))
        << bad->GetClassName();
  EXPECT_EQ(kBad[5]->WriteAt(2, dest, INT_MAX), 2);  // no overflow of offset + size
  for (CTSIOBuffer* bad : kBad) bad->Release();
  (new CTSMemoryIOBuffer(std::malloc(16), 16, true))->Release();  // the leak checker sees an owned block stay
}

TEST(Stream, SeekClampsAtBothEndsAndRightsAndTheBlockBoundReadsAndWrites) {
  char block[100] = "abcdef", dest[16] = {};
  CTSMemoryIOBuffer* buffer = new CTSMemoryIOBuffer(block, 100, false);
  CTSIOStream stream(buffer, CTSIOStream::kRead | CTSIOStream::kWrite), readOnly(buffer, CTSIOStream::kRead),
      writeOnly(buffer, CTSIOStream::kWrite), none(buffer, 0), closed(nullptr, 0, 1, false);
  // Offset, origin (7: none such), position after.
  const int32_t kSeeks[][3] = {{-5, 0, 0},        {5, 2, 100},    {-10, 2, 90},  {-30, 1, 60},
                               {0, 7, 60},        {1000, 0, 100}, {-1000, 1, 0}, {INT32_MAX, 2, 100},
                               {INT32_MIN, 1, 0}, {97, 0, 97}};
  for (const auto& s : kSeeks) EXPECT_EQ(stream.Seek(s[0], s[1]), s[2]) << s[0] << "," << s[1];
  EXPECT_TRUE(stream.Write("12345", 5) == 3 && stream.Write("4", 1) == 0 && stream.Tell() == 100);
  EXPECT_TRUE(stream.Seek(-4, 1) == 96 && stream.Read(dest, 16) == 4 && stream.Tell() == 100);  // short read
  EXPECT_TRUE(stream.Read(dest, 16) == 0 && dest[0] == 0 && std::string(dest + 1, 3) == "123");
  EXPECT_TRUE(buffer->GetUseCount() == 5 && writeOnly.Read(dest, 4) == 0 && writeOnly.Write("XY", 2) == 2);
  EXPECT_TRUE(readOnly.Write("zz", 2) == 0 && readOnly.Read(dest, 0) == 0 && readOnly.Read(dest, -1) == 0);
  EXPECT_TRUE(readOnly.Read(dest, 4) == 4 && std::string(dest, 4) == "XYcd" && none.Read(dest, 4) == 0);
  // Re-opening the attached buffer keeps the position and mode; another replaces it.
  EXPECT_TRUE(readOnly.OpenBuffer(buffer, CTSIOStream::kWrite) && readOnly.Tell() == 4 &&
              !readOnly.CanWrite());
  CTSUsePtr<CTSIOBuffer> other(new CTSMemoryIOBuffer(block, 2, false));
  EXPECT_TRUE(none.OpenBuffer(other.Get(), 2) && buffer->GetUseCount() == 4 && other->GetUseCount() == 2);
  CTSMemoryIOBuffer invalid(nullptr, 4, false);
  EXPECT_FALSE(writeOnly.OpenBuffer(&invalid, 1) || writeOnly.CanRead() || writeOnly.OpenBuffer(nullptr, 1));
  EXPECT_EQ(buffer->GetUseCount(), 3);  // the refused open closed the stream first
  EXPECT_TRUE(closed.Seek(5, 0) == 0 && closed.GetSize() == 0 && !closed.CanRead() && !closed.CanWrite());
  buffer->Release();
}

TEST(Stream, FilesAndMemoryBlocksAreOpenedByName) {
  TempFolder folder;
  CTSIOStream stream("Settings.ini", CTSIOStream::kRead, false);  // a missing file is made, empty
  EXPECT_TRUE(stream.CanRead() && !stream.CanWrite() && stream.GetSize() == 0 && Exists("Settings.ini"));
  EXPECT_FALSE(stream.OpenFile("", 1, false) || stream.OpenFile(nullptr, 1, false) || !stream.CanRead());
  EXPECT_FALSE(stream.OpenFile("no\\such\\folder.txt", 1, false) || stream.CanRead());  // this one closes it
  char block[8] = "abcdefg", dest[16] = {};
  EXPECT_TRUE(stream.OpenMemory(block, 7, 1, false) && stream.GetSize() == 7);
  EXPECT_FALSE(stream.OpenMemory(nullptr, 7, 1, false) || !stream.CanRead());  // a null block changes nothing
  EXPECT_FALSE(stream.OpenMemory(block, -1, 1, false) || stream.CanRead());
  (new CTSIOStream(std::malloc(16), 16, CTSIOStream::kRead, true))->Release();  // the owned block goes too
  CTSIOStream* temporary = new CTSIOStream("scratch.tmp", CTSIOStream::kRead | CTSIOStream::kWrite, true);
  EXPECT_EQ(temporary->Write("hello world", 11), 11);
  stream.OpenFile("scratch.tmp", CTSIOStream::kRead, false);
  temporary->Release();
  EXPECT_TRUE(Exists("scratch.tmp") && stream.Seek(6, 0) == 6 && stream.Read(dest, 16) == 5);
  stream.Close();
  EXPECT_TRUE(!Exists("scratch.tmp") && dest == std::string("world"));  // gone after its last close
}

// A pack serving named entries from memory, remembering what it was asked.
struct CTestPack : CTSResourcePack {
  std::map<std::string, std::string> entries = {{"both.txt", "pack"}, {"pack.txt", "pack"}};
  std::vector<std::string> asked;
  CTSIOBuffer* OpenEntry(const std::string& name) override {
    asked.push_back(name);
    auto it = entries.find(name);
    return it == entries.end() ? nullptr
                               : new CTSMemoryIOBuffer(it->second.data(), int32_t(it->second.size()), false);
  }
};

std::string Contents(CTSIOStream* stream) {
  char bytes[64];
  CTSUsePtr<CTSIOStream> adopted(stream);  // released on return
  return stream ? std::string(bytes, stream->Read(bytes, sizeof(bytes))) : "-";
}

TEST(Resources, SearchModesOrderPacksAndDiskAndOpenResourcesAreSharedUnderTheNameAsWritten) {
  TempFolder folder;
  CTSResourceManager& manager = CTSResourceManager::Instance();
  CTSResourceRegistry& registry = CTSResourceRegistry::Instance();
  Put("both.txt", "disk");
  Put("disk.txt", "disk");
  ASSERT_EQ(mkdir("folder", 0755), 0);
  CTestPack* pack = new CTestPack;
  manager.AddPack(pack);
  // What each search mode (and two unknown ones) finds of both.txt, disk.txt and pack.txt.
  const std::pair<int32_t, const char*> kModes[] = {{0, "pack disk pack"}, {1, "disk disk pack"},
                                                    {2, "disk disk -"},    {3, "pack - pack"},
                                                    {4, "- - -"},          {-1, "- - -"}};
  for (auto [mode, expected] : kModes) {
    manager.SetSearchMode(mode);
    std::string found = Contents(manager.OpenResource("both.txt"));
    for (const char* name : {"disk.txt", "pack.txt"}) found += " " + Contents(manager.OpenResource(name));
    EXPECT_EQ(found, expected) << mode;
  }
  manager.SetSearchMode(CTSResourceManager::kPacksThenDisk);
  for (const char* name : {"absent.bmp", "", "folder", static_cast<const char*>(nullptr)})
    EXPECT_EQ(Contents(manager.OpenResource(name)), "-") << (name ? name : "null");
  EXPECT_EQ(pack->asked, (std::vector<std::string>{"both.txt", "disk.txt", "pack.txt", "pack.txt", "both.txt",
                                                   "disk.txt", "pack.txt", "absent.bmp", "folder"}));
  EXPECT_FALSE(Exists("absent.bmp") || manager.OpenResourceBuffer(nullptr) || manager.OpenFromPacks(nullptr));
  // An open resource is served from the registry: one buffer, one file descriptor, no pack asked.
  int descriptors = Descriptors();
  manager.SetSearchMode(CTSResourceManager::kDiskOnly);
  CTSIOStream* first = manager.OpenResource("folder\\..\\both.txt");
  CTSIOBuffer* shared = registry.Find("folder\\..\\both.txt");
  ASSERT_TRUE(first && shared && first->CanRead() && !first->CanWrite() && first->GetUseCount() == 1);
  manager.SetSearchMode(CTSResourceManager::kPacksThenDisk);
  pack->asked.clear();
  CTSIOStream* second = manager.OpenResource("folder\\..\\both.txt");
  EXPECT_TRUE(shared->GetUseCount() == 2 && Descriptors() == descriptors + 1 && pack->asked.empty());
  CTSIOStream* slash = manager.OpenResource("folder/../both.txt");  // another name, another entry
  EXPECT_TRUE(registry.Find("folder/../both.txt") != shared && !registry.Find("Folder\\..\\both.txt"));
  first->Release();
  EXPECT_EQ(Contents(second) + "|" + Contents(slash), "disk|disk");
  EXPECT_TRUE(registry.Find("folder\\..\\both.txt") == nullptr && Descriptors() == descriptors);
  manager.RemovePacks();
  EXPECT_EQ(pack->GetUseCount(), 1);
  pack->Release();
  // The registry keeps the first entry of a name and forgets by buffer, first name first.
  char data[1];
  CTSMemoryIOBuffer a(data, 1, false), b(data, 1, false);
  for (auto [name, it] : {std::pair{"name", &a}, {"name", &b}, {"Name", &b}, {"alias", &a}, {nullptr, &a}})
    registry.Register(name, it);
  EXPECT_TRUE(registry.Find("name") == &a && registry.Find("Name") == &b && !registry.Find(nullptr));
  registry.Unregister(&a);
  EXPECT_TRUE(!registry.Find("alias") && registry.Find("name") == &a);
  for (CTSIOBuffer* gone : {&a, &b}) registry.Unregister(gone);
  EXPECT_TRUE(!registry.Find("name") && !registry.Find("Name"));
}

}  // namespace
