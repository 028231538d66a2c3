#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

#include "engine/io/TSResourceManager.h"
#include "engine/io/TSResourceRegistry.h"
#include "tests/common/TempFolder.h"
#include "tests/io/IoTestSupport.h"

namespace {

// A pack serving named entries from memory.
class CTestPack : public CTSResourcePack {
 public:
  explicit CTestPack(std::map<std::string, std::string> entries) : m_entries(std::move(entries)) {}

  CTSIOBuffer* OpenEntry(const std::string& name) override {
    asked.push_back(name);
    auto it = m_entries.find(name);
    return it == m_entries.end() ? nullptr : new CSpyBuffer(it->second, nullptr);
  }

  std::vector<std::string> asked;

 private:
  std::map<std::string, std::string> m_entries;
};

std::string ReadStream(CTSIOStream* stream) {
  char bytes[256];
  stream->Seek(0, 0);
  return std::string(bytes, stream->Read(bytes, sizeof(bytes)));
}

// Each test starts from the manager's own state: no packs, search mode 0.
class Resources : public testing::Test {
 protected:
  void TearDown() override {
    CTSResourceManager::Instance().RemovePacks();
    CTSResourceManager::Instance().SetSearchMode(CTSResourceManager::kPacksThenDisk);
  }

  CTSResourceManager& manager = CTSResourceManager::Instance();
  CTSResourceRegistry& registry = CTSResourceRegistry::Instance();
};

TEST_F(Resources, TwoStreamsOfOneResourceShareOneBuffer) {
  TempFolder folder;
  ASSERT_EQ(mkdir("Font", 0755), 0);
  WriteWholeFile("Font/face.gfxFont", "glyph data");
  int descriptors = OpenDescriptorCount();

  CTSIOStream* first = manager.OpenResource("Font\\face.gfxFont");
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->CanRead());
  EXPECT_FALSE(first->CanWrite());
  EXPECT_EQ(first->GetUseCount(), 1);
  CTSIOBuffer* shared = registry.Find("Font\\face.gfxFont");
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(OpenDescriptorCount(), descriptors + 1);

  CTSIOStream* second = manager.OpenResource("Font\\face.gfxFont");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(registry.Find("Font\\face.gfxFont"), shared);
  EXPECT_EQ(shared->GetUseCount(), 2);                // one use per stream
  EXPECT_EQ(OpenDescriptorCount(), descriptors + 1);  // the disk is not opened again
  EXPECT_STREQ(shared->GetClassName(), "TS_GUID_STREAM_IO_BUFFER");

  first->Release();
  EXPECT_EQ(ReadStream(second), "glyph data");
  EXPECT_EQ(registry.Find("Font\\face.gfxFont"), shared);
  second->Release();
  EXPECT_EQ(registry.Find("Font\\face.gfxFont"), nullptr);
  EXPECT_EQ(OpenDescriptorCount(), descriptors);  // the file handle is closed
}

TEST_F(Resources, NamesAreRegisteredExactlyAsWritten) {
  TempFolder folder;
  ASSERT_EQ(mkdir("Background", 0755), 0);
  WriteWholeFile("Background/logo.bmp", "BM");
  CTSIOStream* backslash = manager.OpenResource("Background\\logo.bmp");
  CTSIOStream* slash = manager.OpenResource("Background/logo.bmp");
  ASSERT_NE(backslash, nullptr);
  ASSERT_NE(slash, nullptr);
  CTSIOBuffer* first = registry.Find("Background\\logo.bmp");
  CTSIOBuffer* second = registry.Find("Background/logo.bmp");
  EXPECT_NE(first, nullptr);
  EXPECT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(registry.Find("background/logo.bmp"), nullptr);
  EXPECT_EQ(ReadStream(slash), "BM");
  backslash->Release();
  slash->Release();
}

TEST_F(Resources, AMissingResourceGivesNullAndCreatesNoFile) {
  TempFolder folder;
  EXPECT_EQ(manager.OpenResource("absent.bmp"), nullptr);
  EXPECT_FALSE(FileExists("absent.bmp"));
  EXPECT_EQ(registry.Find("absent.bmp"), nullptr);
  EXPECT_EQ(manager.OpenResource(nullptr), nullptr);
  EXPECT_EQ(manager.OpenResourceBuffer(nullptr), nullptr);
  EXPECT_EQ(manager.OpenResource(""), nullptr);
  EXPECT_EQ(manager.OpenFromPacks(""), nullptr);
  EXPECT_EQ(manager.OpenFromPacks(nullptr), nullptr);
  ASSERT_EQ(mkdir("folder", 0755), 0);
  EXPECT_EQ(manager.OpenResource("folder"), nullptr);
}

TEST_F(Resources, SearchModesOrderPacksAndDisk) {
  TempFolder folder;
  WriteWholeFile("both.txt", "from disk");
  WriteWholeFile("disk.txt", "disk only");
  CTestPack* pack = new CTestPack({{"both.txt", "from pack"}, {"pack.txt", "pack only"}});
  manager.AddPack(pack);
  EXPECT_EQ(pack->GetUseCount(), 2);

  struct Case {
    int32_t mode;
    const char* name;
    const char* expected;  // null: not found
  };
  const Case cases[] = {
      {0, "both.txt", "from pack"}, {0, "disk.txt", "disk only"}, {0, "pack.txt", "pack only"},
      {1, "both.txt", "from disk"}, {1, "pack.txt", "pack only"}, {2, "both.txt", "from disk"},
      {2, "pack.txt", nullptr},     {3, "both.txt", "from pack"}, {3, "disk.txt", nullptr},
      {4, "both.txt", nullptr},     {-1, "disk.txt", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", " << c.name);
    manager.SetSearchMode(c.mode);
    CTSIOStream* stream = manager.OpenResource(c.name);
    if (c.expected == nullptr) {
      EXPECT_EQ(stream, nullptr);
      continue;
    }
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(ReadStream(stream), c.expected);
    stream->Release();
  }
  EXPECT_EQ(pack->asked.front(), "both.txt");
  manager.SetSearchMode(CTSResourceManager::kDiskOnly);
  size_t asked = pack->asked.size();
  manager.OpenResource("disk.txt")->Release();
  EXPECT_EQ(pack->asked.size(), asked);  // disk only never asks the packs

  manager.RemovePacks();
  EXPECT_EQ(pack->GetUseCount(), 1);
  pack->Release();
}

TEST_F(Resources, AnOpenResourceIsServedFromTheRegistryOnly) {
  TempFolder folder;
  WriteWholeFile("shared.txt", "disk");
  CTestPack* pack = new CTestPack({{"shared.txt", std::string("pack")}});
  manager.AddPack(pack);
  pack->Release();  // the manager holds the only use
  manager.SetSearchMode(CTSResourceManager::kDiskThenPacks);
  CTSIOStream* first = manager.OpenResource("shared.txt");
  ASSERT_NE(first, nullptr);
  manager.SetSearchMode(CTSResourceManager::kPacksThenDisk);
  CTSIOStream* second = manager.OpenResource("shared.txt");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(ReadStream(second), "disk");
  EXPECT_TRUE(pack->asked.empty());
  first->Release();
  second->Release();
}

TEST_F(Resources, PackEntriesAreReleasedWithTheirLastStream) {
  bool destroyed = false;
  class COnePack : public CTSResourcePack {
   public:
    explicit COnePack(bool* destroyed) : m_destroyed(destroyed) {}
    CTSIOBuffer* OpenEntry(const std::string& name) override {
      return name == "entry" ? new CSpyBuffer("entry bytes", m_destroyed) : nullptr;
    }

   private:
    bool* m_destroyed;
  };
  COnePack* pack = new COnePack(&destroyed);
  manager.AddPack(pack);
  pack->Release();
  CTSIOBuffer* buffer = manager.OpenResourceBuffer("entry");
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(buffer->GetSize(), 11);
  EXPECT_EQ(buffer->GetUseCount(), 1);
  EXPECT_EQ(registry.Find("entry"), buffer);
  buffer->Release();
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(registry.Find("entry"), nullptr);
}

TEST(ResourceRegistry, KeepsTheFirstEntryOfANameAndForgetsByBuffer) {
  CTSResourceRegistry& registry = CTSResourceRegistry::Instance();
  CSpyBuffer* first = new CSpyBuffer("1", nullptr);
  CSpyBuffer* second = new CSpyBuffer("2", nullptr);
  registry.Register("name", first);
  registry.Register("name", second);
  registry.Register("Name", second);
  registry.Register("alias", first);
  registry.Register(nullptr, first);
  EXPECT_EQ(registry.Find("name"), first);
  EXPECT_EQ(registry.Find("Name"), second);
  EXPECT_EQ(registry.Find(nullptr), nullptr);
  registry.Unregister(first);  // the first entry in name order: "alias"
  EXPECT_EQ(registry.Find("alias"), nullptr);
  EXPECT_EQ(registry.Find("name"), first);
  registry.Unregister(first);
  registry.Unregister(second);
  EXPECT_EQ(registry.Find("name"), nullptr);
  EXPECT_EQ(registry.Find("Name"), nullptr);
  first->Release();
  second->Release();
}

}  // namespace
