// The file API, the IO buffers and stream against plain models, and the
// resource manager with its registry.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <vector>

#ifdef _WIN32
#include <winternl.h>
#endif

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
// The process's open file descriptors, to see that handles are closed. On Windows its handles, counted
// in the system's handle table, since GetProcessHandleCount gives 0 under Wine 8.0.
#ifdef _WIN32
int Descriptors() {
  std::vector<char> table(1 << 16);
  while (NtQuerySystemInformation(SystemHandleInformation, table.data(), ULONG(table.size()), nullptr) < 0)
    table.resize(table.size() * 2);
  auto* info = reinterpret_cast<SYSTEM_HANDLE_INFORMATION*>(table.data());
  return int(std::count_if(info->Handle, info->Handle + info->Count, [](const SYSTEM_HANDLE_ENTRY& entry) {
    return entry.OwnerPid == GetCurrentProcessId();
  }));
}
#else
int Descriptors() { return int(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {})); }
#endif

// The file layer over POSIX: names are case-sensitive and a FIFO is refused, where Windows folds case
// and has no FIFOs, so this runs only there.
#ifndef _WIN32
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
      {"kept.txt", W, CREATE_NEW, "refused: kept"},
      {"new.txt", W, CREATE_NEW, "opened: "},
      {"kept.txt", RW, CREATE_ALWAYS, "opened: "},
      {"cut.txt", R, TRUNCATE_EXISTING, "refused: cut me"},
      {"cut.txt", W, TRUNCATE_EXISTING, "opened: "},
      {"absent.txt", W, TRUNCATE_EXISTING, "refused, absent"},
      {"odd.txt", W, 9, "refused, absent"},
      {"Font\\glyphs.bin", R, OPEN_EXISTING, "opened: glyphs"},
      {"font\\glyphs.bin", R, OPEN_EXISTING, "refused, absent"}};
  for (auto [name, access, disposition, expected] : kOpens) {
    std::string disk = name, got = CloseHandle(Open(name, access, disposition)) ? "opened" : "refused";
    std::replace(disk.begin(), disk.end(), '\\', '/');
    EXPECT_EQ(got + (Exists(disk) ? ": " + ReadWholeFile(disk) : ", absent"), expected) << name;
  }
  for (const char* name : {static_cast<const char*>(nullptr), "", "dir", "pipe"})  // a FIFO would block
    EXPECT_TRUE(!CloseHandle(Open(name, R, OPEN_EXISTING)) && !CloseHandle(Open(name, R, OPEN_ALWAYS)));
  // Delete-on-close removes the name only while it names the same file.
  HANDLE doomed = Open("doomed.txt", W, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE);
  std::filesystem::rename("doomed.txt", "moved.txt");
  Put("doomed.txt", "another");
  EXPECT_TRUE(CloseHandle(doomed) && ReadWholeFile("doomed.txt") == "another" && Exists("moved.txt"));
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
  const LONG kMoves[][5] = {
      {4, -2, FILE_BEGIN, 4, -2},      {3, -2, FILE_CURRENT, 7, -2}, {-2, -2, FILE_END, 4, -2},
      {-20, -2, FILE_CURRENT, -1, -2}, {0, -2, 3, -1, -2},           {5, 1, FILE_BEGIN, 5, 1},
      {0, -2, FILE_CURRENT, -1, -2},   {9, 0, FILE_BEGIN, 9, 0}};
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
                GetLastError() == ERROR_INVALID_HANDLE &&
                SetFilePointer(bad, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER);
  CTSFileIOBuffer big(Open("f.txt", R, OPEN_EXISTING), true);  // offsets past INT32_MAX cannot be named
  EXPECT_TRUE(big.GetSize() == INT_MAX && big.ReadAt(INT_MAX - 4, bytes, 8) == 4);
  std::filesystem::resize_file("f.txt", 0xFFFFFFFFu);  // the size word of a failure, without one
  EXPECT_EQ(CTSFileIOBuffer(Open("f.txt", R, OPEN_EXISTING), true).GetSize(), INT_MAX);
}
#endif

// Each kind of buffer, directly and through a stream with each set of rights,
// against a plain string over random requests: reads and writes are clipped
// to [0, size), except that a file grows under writes; the stream's position
// stays within [0, size] and moves by what it read or wrote.
TEST(BuffersAndStreams, RequestsMatchAPlainModelAndStreamsOpenFilesAndMemoryBlocks) {
  TempFolder folder;
  std::mt19937 random(9);
  int descriptors = Descriptors();
  for (int round = 0; round < 48; ++round) {
    int kind = round % 4;                   // memory, file, a window on memory, a window on a file
    const uint32_t rights = round / 4 % 4;  // none, read, write, both
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
    CTSIOStream stream(buffer, rights);
    std::string view = whole.substr(start, buffer->GetSize());
    int64_t position = 0;
    for (int step = 0; step < 150; ++step) {
      int32_t at = random() % (view.size() + 20) - 10, length = random() % 60 - 5;
      const int how = random() % 3;  // at an offset, through the stream, a stream seek
      if (how == 2) {
        const int32_t origin = random() % 4, offset = step % 10 ? at : step % 20 ? INT32_MAX : INT32_MIN;
        const int64_t base[] = {0, position, int64_t(view.size()), position};  // an unknown origin: no move
        position = std::clamp<int64_t>(base[origin] + (origin == 3 ? 0 : offset), 0, view.size());
        ASSERT_EQ(stream.Seek(offset, origin), position) << round << "/" << step;
        continue;
      }
      bool writing = random() % 2, grows = writing && kind == 1;
      if (how == 1) at = int32_t(position);
      if (how == 1 && !(rights & (writing ? CTSIOStream::kWrite : CTSIOStream::kRead))) length = 0;
      int32_t fits = at < 0 || length < 1 || (at >= static_cast<int32_t>(view.size()) && !grows) ? 0
                     : grows                                                                     ? length
                             : std::min<int32_t>(length, view.size() - at);
      std::string bytes(60, '#');
      for (int i = 0; writing && i < length; ++i) bytes[i] = static_cast<char>(random());
      if (how == 1)
        ASSERT_EQ(writing ? stream.Write(&bytes[0], length) : stream.Read(&bytes[0], length), fits);
      else
        ASSERT_EQ(writing ? buffer->WriteAt(at, &bytes[0], length) : buffer->ReadAt(at, &bytes[0], length),
                  fits);
      if (writing && fits > 0) {
        view.resize(std::max<size_t>(view.size(), at + fits));
        view.replace(at, fits, bytes, 0, fits);
      }
      ASSERT_TRUE(writing || bytes.substr(0, fits + 1) == (fits ? view.substr(at, fits) : "") + '#');
      ASSERT_EQ(buffer->GetSize(), static_cast<int32_t>(view.size()));
      position += how == 1 ? fits : 0;
      ASSERT_EQ(stream.Tell(), position);
    }
    stream.Close();
    buffer->Release();  // an owned file handle is closed with the last use
    whole.replace(start, kind == 1 ? whole.size() : view.size(), view);
    EXPECT_EQ(kind % 2 ? ReadWholeFile("data.bin") : block, whole) << round;
  }
  EXPECT_EQ(Descriptors(), descriptors);
  char data[4], dest[16] = {};
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
  // Streams by name and over memory.
  CTSIOStream stream("Settings.ini", CTSIOStream::kRead, false);  // a missing file is made, empty
  EXPECT_TRUE(stream.CanRead() && !stream.CanWrite() && stream.GetSize() == 0 && Exists("Settings.ini"));
  EXPECT_FALSE(stream.OpenFile("", 1, false) || stream.OpenFile(nullptr, 1, false) || !stream.CanRead());
  char block[8] = "abcdefg";
  CTSUsePtr<CTSIOBuffer> memory(new CTSMemoryIOBuffer(block, 7, false));
  // Re-opening the attached buffer keeps the position and mode; a refused open closes the stream.
  EXPECT_TRUE(stream.OpenBuffer(memory.Get(), CTSIOStream::kRead) && stream.Seek(3, 0) == 3 &&
              stream.OpenBuffer(memory.Get(), CTSIOStream::kWrite) && stream.Tell() == 3 &&
              !stream.CanWrite() && memory->GetUseCount() == 2);
  EXPECT_FALSE(stream.OpenMemory(nullptr, 7, 1, false) || !stream.CanRead());  // a null block changes nothing
  EXPECT_FALSE(stream.OpenFile("no\\such\\folder.txt", 1, false) || stream.CanRead() || stream.Seek(5, 0) ||
               memory->GetUseCount() != 1);
  CTSIOStream* temporary = new CTSIOStream("scratch.tmp", CTSIOStream::kRead | CTSIOStream::kWrite, true);
  EXPECT_EQ(temporary->Write("hello world", 11), 11);
  stream.OpenFile("scratch.tmp", CTSIOStream::kRead, false);
  temporary->Release();
  EXPECT_TRUE(Exists("scratch.tmp") && stream.Seek(6, 0) == 6 && stream.Read(dest, 16) == 5);
  stream.Close();
  EXPECT_TRUE(!Exists("scratch.tmp") && dest == std::string("world"));  // gone after its last close
}

// A pack serving named entries from memory.
struct CTestPack : CTSResourcePack {
  std::map<std::string, std::string> entries = {{"both.txt", "pack"}, {"pack.txt", "pack"}};
  CTSIOBuffer* OpenEntry(const std::string& name) override {
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
  ASSERT_TRUE(std::filesystem::create_directory("folder"));
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
  EXPECT_FALSE(Exists("absent.bmp") || manager.OpenResourceBuffer(nullptr) || manager.OpenFromPacks(nullptr));
  // An open resource is served from the registry: one buffer, one file descriptor.
  int descriptors = Descriptors();
  manager.SetSearchMode(CTSResourceManager::kDiskOnly);
  CTSIOStream* first = manager.OpenResource("folder\\..\\both.txt");
  CTSIOBuffer* shared = registry.Find("folder\\..\\both.txt");
  ASSERT_TRUE(first && shared && first->CanRead() && !first->CanWrite() && first->GetUseCount() == 1);
  manager.SetSearchMode(CTSResourceManager::kPacksThenDisk);
  CTSIOStream* second = manager.OpenResource("folder\\..\\both.txt");
  EXPECT_TRUE(shared->GetUseCount() == 2 && Descriptors() == descriptors + 1);
  CTSIOStream* slash = manager.OpenResource("folder/../both.txt");  // another name, another entry
  EXPECT_TRUE(registry.Find("folder/../both.txt") != shared && !registry.Find("Folder\\..\\both.txt"));
  first->Release();
  EXPECT_EQ(Contents(second) + "|" + Contents(slash), "disk|disk");
  EXPECT_TRUE(registry.Find("folder\\..\\both.txt") == nullptr && Descriptors() == descriptors);
  manager.RemovePacks();
  EXPECT_EQ(pack->GetUseCount(), 1);
  pack->Release();
}

}  // namespace
