#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

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

// The text form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} of a GUID in the
// platform layout: one 32-bit, two 16-bit and eight 8-bit fields.
std::string GuidText(const GUID& guid) {
  char text[40];
  std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2,
                guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4],
                guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

TEST(Identity, EveryClassHasItsPublishedIdentity) {
  const struct {
    const GUID* identity;
    const char* text;
  } kIdentities[] = {
    {&TS_GUID_UNKNOWN_OBJECT, "{714747FE-930C-4D1B-A9FB-150B112EF64E}"},
    {&TS_GUID_USE_COUNT_OBJECT, "{E190AF42-8269-441F-BDC4-9EB37B2C346D}"},
    {&TS_GUID_RENDER_OBJECT, "{963ABBEF-7D47-417B-B2A2-268E2938A572}"},
    {&TS_GUID_RENDER_TREE_OBJECT, "{7B0D29F1-5896-413F-9471-BC9B14CD92A8}"},
    {&TS_GUID_RENDER_TREE, "{82FC0F59-A7DC-4D5C-B597-6A4064241942}"},
    {&TS_GUID_IO_STREAM, "{91FD1D58-7A87-491F-B2F0-BE1BA7C90D84}"},
    {&TS_GUID_IO_BUFFER, "{2B49058C-51CB-43B5-820F-FD5533901291}"},
    {&TS_GUID_FILE_IO_BUFFER, "{20055005-CAE6-46DE-8504-D49808D43EC7}"},
    {&TS_GUID_MEMORY_IO_BUFFER, "{8BB97340-9157-414F-BA6A-E632BD3544F5}"},
    {&TS_GUID_STREAM_IO_BUFFER, "{6275547E-3477-4D10-9DE8-41B7CEA1696A}"},
    {&TS_GUID_FONT, "{63A3624E-C5FF-4413-9D33-9C53763F0E52}"},
    {&TS_GUID_POINT_FONT, "{D542C578-F06F-4C88-89E4-533E466362DC}"},
    {&TS_GUID_IMAGE, "{DE695A64-4699-40C5-BF19-1A1FDD2178FC}"},
    {&TS_GUID_GRAPHICS, "{670D6419-550D-4CBC-9C9C-6A532F00F9F6}"},
    {&TS_GUID_GDI_GRAPHICS, "{55905283-E445-49F7-9FE1-D7F362D382C0}"},
    {&TS_GUID_D3D8_GRAPHICS, "{B67A2A8C-1A2E-4AF1-B654-5CEFF5B61027}"},
    {&TS_GUID_RENDER_TARGET, "{1A266791-2FC3-424E-B88B-EAF89527D714}"},
    {&TS_GUID_GDI_RENDER_TARGET, "{380B0570-3623-44F9-9A82-796FBD827B39}"},
    {&TS_GUID_D3D8_RENDER_TARGET, "{BA3B1B13-E02A-4E7B-8BBD-0CDB73C821B8}"},
    {&TS_GUID_TEXTURE, "{D136C562-DDE9-464B-AA0E-D31C11B2EAF5}"},
    {&TS_GUID_GDI_TEXTURE, "{E0186EAF-5A3E-499D-9794-29C6F7374F15}"},
    {&TS_GUID_D3D8_TEXTURE, "{0A02D49C-5F98-4C0E-BB20-1B59C496D763}"},
  };
  for (const auto& entry : kIdentities) EXPECT_EQ(GuidText(*entry.identity), entry.text);
  for (const auto& a : kIdentities)
    for (const auto& b : kIdentities) EXPECT_EQ(*a.identity == *b.identity, a.identity == b.identity);
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
