#include <gtest/gtest.h>

#include <string>

#include "engine/object/TSCustomException.h"

namespace {

TEST(CustomException, FormatsItsMessage) {
  Tessel::CTSCustomException exception("Dirty Rect Count too large! (%d)", 42);
  EXPECT_STREQ(exception.GetErrorMessage(), "Dirty Rect Count too large! (42)");
}

TEST(CustomException, NullFormatGivesAnEmptyMessage) {
  const char* format = nullptr;
  Tessel::CTSCustomException exception(format);
  EXPECT_STREQ(exception.GetErrorMessage(), "");
}

TEST(CustomException, LongTextIsCutAt4095Characters) {
  std::string longText(5000, 'x');
  for (size_t i = 0; i < longText.size(); ++i) longText[i] = static_cast<char>('a' + i % 26);
  Tessel::CTSCustomException exception("%s", longText.c_str());
  EXPECT_EQ(std::string(exception.GetErrorMessage()), longText.substr(0, 4095));
}

TEST(CustomException, IsThrownAsAHeapPointer) {
  try {
    throw new (std::nothrow) Tessel::CTSCustomException("Invalid Stream Handle");
  } catch (Tessel::CTSCustomException* exception) {
    ASSERT_NE(exception, nullptr);
    EXPECT_STREQ(exception->GetErrorMessage(), "Invalid Stream Handle");
    delete exception;
  }
}

}  // namespace
