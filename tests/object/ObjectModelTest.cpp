#include <gtest/gtest.h>

#include <cstring>

#include "engine/object/TSUseCountObject.h"

namespace {

// A counted class with an identity of its own, and a subclass without one.
class CTestCounted : public CTSUseCountObject {
  TS_DECLARE_CLASS_IDENTITY(CTSUseCountObject, TS_GUID_IO_BUFFER)

 public:
  explicit CTestCounted(int* destroyed) : m_destroyed(destroyed) {}
  ~CTestCounted() override { ++*m_destroyed; }

 private:
  int* m_destroyed;
};

class CTestCountedLeaf : public CTestCounted {
 public:
  using CTestCounted::CTestCounted;
};

class CTestPlain : public CTSUnknownObject {
 public:
  explicit CTestPlain(int* destroyed) : m_destroyed(destroyed) {}
  ~CTestPlain() override { ++*m_destroyed; }

 private:
  int* m_destroyed;
};

TEST(UseCount, ReleaseDestroysWhenTheLastUseIsGivenUp) {
  int destroyed = 0;
  auto* object = new CTestCounted(&destroyed);
  EXPECT_EQ(object->GetUseCount(), 1);
  EXPECT_EQ(object->AddRef(), 2);
  EXPECT_EQ(object->GetUseCount(), 2);
  object->Release();
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(object->GetUseCount(), 1);
  object->Release();
  EXPECT_EQ(destroyed, 1);
}

TEST(UseCount, PlainObjectsAreDestroyedByTheFirstRelease) {
  int destroyed = 0;
  CTSUnknownObject* object = new CTestPlain(&destroyed);
  object->Release();
  EXPECT_EQ(destroyed, 1);
}

TEST(UseCount, UsePtrAdoptsAndReleasesTheUseItHolds) {
  int destroyed = 0;
  auto* first = new CTestCounted(&destroyed);
  auto* second = new CTestCounted(&destroyed);
  {
    CTSUsePtr<CTestCounted> holder(first);
    EXPECT_EQ(first->GetUseCount(), 1);  // adopted, not added
    holder = second;                     // replacing releases the old one
    EXPECT_EQ(destroyed, 1);
    second->AddRef();
  }
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(second->GetUseCount(), 1);
  CTSUsePtr<CTestCounted> holder(second);
  CTestCounted* detached = holder.Detach();
  EXPECT_FALSE(holder);
  detached->Release();
  EXPECT_EQ(destroyed, 2);
}

TEST(Identity, QueryObjectWalksTheClassTree) {
  int destroyed = 0;
  auto* object = new CTestCountedLeaf(&destroyed);
  void* out = nullptr;
  EXPECT_TRUE(object->QueryObject(TS_GUID_IO_BUFFER, &out));
  EXPECT_EQ(out, static_cast<void*>(static_cast<CTestCounted*>(object)));
  out = nullptr;
  EXPECT_TRUE(object->QueryObject(TS_GUID_USE_COUNT_OBJECT, &out));
  EXPECT_EQ(out, static_cast<void*>(static_cast<CTSUseCountObject*>(object)));
  out = &destroyed;
  EXPECT_FALSE(object->QueryObject(TS_GUID_UNKNOWN_OBJECT, &out));
  EXPECT_EQ(out, &destroyed);  // untouched
  EXPECT_FALSE(object->QueryObject(TS_GUID_TEXTURE, &out));
  EXPECT_FALSE(object->QueryObject(TS_GUID_IO_BUFFER, nullptr));
  // A class without an identity of its own reports its base's.
  EXPECT_STREQ(object->GetClassName(), "TS_GUID_IO_BUFFER");
  EXPECT_EQ(*object->GetClassGUID(), TS_GUID_IO_BUFFER);
  object->Release();
}

TEST(Identity, TheRootAnswersNoQuery) {
  int destroyed = 0;
  CTestPlain plain(&destroyed);
  void* out = nullptr;
  EXPECT_FALSE(plain.QueryObject(TS_GUID_UNKNOWN_OBJECT, &out));
  EXPECT_EQ(out, nullptr);
  EXPECT_STREQ(plain.GetClassName(), "TS_GUID_UNKNOWN_OBJECT");
  EXPECT_EQ(*plain.GetClassGUID(), TS_GUID_UNKNOWN_OBJECT);
}

TEST(Identity, GuidsCompareAllSixteenBytes) {
  GUID changed = TS_GUID_GDI_GRAPHICS;
  EXPECT_EQ(changed, TS_GUID_GDI_GRAPHICS);
  for (int byte = 0; byte < 16; ++byte) {
    changed = TS_GUID_GDI_GRAPHICS;
    reinterpret_cast<unsigned char*>(&changed)[byte] ^= 0x01;
    EXPECT_NE(changed, TS_GUID_GDI_GRAPHICS) << "byte " << byte;
  }
  static_assert(sizeof(GUID) == 16);
  // The text form {55905283-E445-49F7-9FE1-D7F362D382C0} in the platform layout.
  const unsigned char expected[16] = {0x83, 0x52, 0x90, 0x55, 0x45, 0xE4, 0xF7, 0x49,
                                      0x9F, 0xE1, 0xD7, 0xF3, 0x62, 0xD3, 0x82, 0xC0};
  EXPECT_EQ(std::memcmp(&TS_GUID_GDI_GRAPHICS, expected, 16), 0);
}

}  // namespace
