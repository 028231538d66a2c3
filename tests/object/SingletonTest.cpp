#include <gtest/gtest.h>

#include <memory>

#include "engine/object/TSSingleton.h"

namespace {

class CTestManager : public CTSSingleton<CTestManager> {
 public:
  int value = 7;
};

TEST(Singleton, ASecondLiveInstanceIsRefused) {
  auto first = std::make_unique<CTestManager>();
  Tessel::CTSCustomException* caught = nullptr;
  try {
    CTestManager second;
  } catch (Tessel::CTSCustomException* exception) {
    caught = exception;
  }
  ASSERT_NE(caught, nullptr);
  EXPECT_STREQ(caught->GetErrorMessage(), "Singleton Can't have more than one instance");
  delete caught;
  EXPECT_EQ(first->value, 7);
}

TEST(Singleton, ANewInstanceCanBeMadeAfterTheOldOneIsDestroyed) {
  auto first = std::make_unique<CTestManager>();
  first.reset();
  EXPECT_NO_THROW(CTestManager second);
}

TEST(Singleton, InstanceConstructsOnceAndThenGuards) {
  CTestManager& instance = CTestManager::Instance();
  EXPECT_EQ(&instance, &CTestManager::Instance());
  Tessel::CTSCustomException* caught = nullptr;
  try {
    CTestManager second;
  } catch (Tessel::CTSCustomException* exception) {
    caught = exception;
  }
  ASSERT_NE(caught, nullptr);
  delete caught;
}

}  // namespace
