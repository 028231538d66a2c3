// The object model: use counts and their holder, class identities, the
// per-class singleton, the engine exception and the stopwatch.
#include <gtest/gtest.h>

#include "engine/object/TSSingleton.h"
#include "engine/object/TSStopwatch.h"
#include "engine/object/TSUseCountObject.h"
#include "platform/Platform.h"

namespace {

int g_destroyed = 0;

// A counted class with an identity of its own, a subclass without one, and a plain object.
struct CTestCounted : CTSUseCountObject {
  TS_DECLARE_CLASS_IDENTITY(CTSUseCountObject, TS_GUID_IO_BUFFER)
  ~CTestCounted() override { ++g_destroyed; }
};
struct CTestLeaf : CTestCounted {};
struct CTestPlain : CTSUnknownObject {
  ~CTestPlain() override { ++g_destroyed; }
};

TEST(Object, TheLastReleaseDestroysQueryObjectWalksTheClassTreeAndGuidsCompareAllBytes) {
  (new CTestPlain)->Release();  // plain objects go with the first release
  auto *first = new CTestCounted, *second = new CTestCounted;
  EXPECT_TRUE(first->AddRef() == 2 && first->GetUseCount() == 2);
  first->Release();
  {
    CTSUsePtr<CTestCounted> holder(first);                                  // adopted, not added
    EXPECT_TRUE((holder = first)->GetUseCount() == 1 && g_destroyed == 1);  // the same object: kept
    holder = second;                                                        // replacing releases the old one
    EXPECT_TRUE(g_destroyed == 2 && second->AddRef() == 2);
  }
  CTSUsePtr<CTestCounted> holder(second);
  EXPECT_TRUE(holder.Detach() == second && !holder && second->GetUseCount() == 1);
  second->Release();
  EXPECT_EQ(g_destroyed, 3);
  // Identities: QueryObject walks the class tree.
  CTestPlain plain;
  CTestLeaf leaf;
  void *out = nullptr, *base = nullptr;
  EXPECT_TRUE(leaf.QueryObject(TS_GUID_IO_BUFFER, &out) && out == static_cast<CTestCounted*>(&leaf) &&
              leaf.QueryObject(TS_GUID_USE_COUNT_OBJECT, &base) &&
              base == static_cast<CTSUseCountObject*>(&leaf));
  out = &out;  // refusals leave it untouched
  EXPECT_FALSE(leaf.QueryObject(TS_GUID_UNKNOWN_OBJECT, &out) || leaf.QueryObject(TS_GUID_TEXTURE, &out) ||
               plain.QueryObject(TS_GUID_UNKNOWN_OBJECT, &out) ||
               leaf.QueryObject(TS_GUID_IO_BUFFER, nullptr) || out != &out);
  // A class without an identity of its own reports its base's.
  EXPECT_TRUE(std::string(leaf.GetClassName()) == "TS_GUID_IO_BUFFER" &&
              *leaf.GetClassGUID() == TS_GUID_IO_BUFFER && *plain.GetClassGUID() == TS_GUID_UNKNOWN_OBJECT);
  for (int bit = 0; bit < 128; ++bit) {
    GUID changed = TS_GUID_IO_BUFFER;
    reinterpret_cast<unsigned char*>(&changed)[bit / 8] ^= 1 << bit % 8;
    EXPECT_FALSE(changed == TS_GUID_IO_BUFFER) << bit;
  }
}

struct CTestManager : CTSSingleton<CTestManager> {};

using Tessel::CTSCustomException;

// The message of the engine exception `make` throws, or "none".
template <class Make>
std::string Thrown(Make make) {
  try {
    make();
  } catch (CTSCustomException* e) {
    std::string message = e->GetErrorMessage();
    delete e;
    return message;
  }
  return "none";
}

TEST(Singleton, ASecondLiveInstanceIsRefusedUntilTheFirstIsGoneWithAFormattedException) {
  const std::string refused = "Singleton Can't have more than one instance";
  EXPECT_EQ(Thrown([&] { CTestManager first, second; }), refused);
  EXPECT_EQ(Thrown([] { CTestManager again; }), "none");
  EXPECT_EQ(&CTestManager::Instance(), &CTestManager::Instance());
  EXPECT_EQ(Thrown([] { CTestManager second; }), refused);
  const std::string text(5000, 'x');
  EXPECT_EQ(Thrown([&] { throw new CTSCustomException("%s", text.c_str()); }), text.substr(0, 4095));
  EXPECT_EQ(Thrown([] { throw new CTSCustomException(static_cast<const char*>(nullptr)); }), "");
}

TEST(Stopwatch, MeasuresFromConstructionOrResetAndThenFromEachReading) {
  Platform::EnableVirtualClock(5000, SYSTEMTIME{});
  CTSStopwatch stopwatch;
  Sleep(250);
  const double first = stopwatch.GetElapsedSeconds();
  Sleep(999);  // dropped by the reset
  stopwatch.Reset();
  Sleep(16);
  EXPECT_TRUE(first == 0.25 && stopwatch.GetElapsedSeconds() == 0.016 && stopwatch.GetElapsedSeconds() == 0);
  Platform::DisableVirtualClock();
}

}  // namespace
