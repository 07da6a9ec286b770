#include <gtest/gtest.h>

#include "dde/errors.h"

namespace dde {
namespace {

TEST(ErrorTextTest, FixedTextsAtTheEndsAndInTheMiddleOfTheTable) {
  EXPECT_EQ(ErrorText(1), "Ok");
  EXPECT_EQ(ErrorText(0), "False");
  EXPECT_EQ(ErrorText(-1), "DDE server detected a null service string in XTyp_Connect action");
  EXPECT_EQ(ErrorText(errDdeDisconnect), "DdeDisconnect function failed");
  EXPECT_EQ(ErrorText(-38),
            "Server related method called by Morvia component only set for CLIENT scope");
  EXPECT_EQ(ErrorText(-41),
            "Re-entrancy problem : cannot start a new transaction until procesing on the current "
            "is completed");
  EXPECT_EQ(ErrorText(-46), "Asynchronous Request failed - server returned NULL data");
}

TEST(ErrorTextTest, CodesOutsideTheTableAreUnknown) {
  EXPECT_EQ(ErrorText(-47), "Unknown (-47)");
  EXPECT_EQ(ErrorText(2), "Unknown (2)");
  EXPECT_EQ(ErrorText(-2147483647 - 1), "Unknown (-2147483648)");
}

TEST(ErrorTextTest, EveryCodeOfTheTableHasItsOwnText) {
  for (int code = -46; code <= 1; ++code) {
    EXPECT_EQ(ErrorText(code).rfind("Unknown (", 0), std::string::npos) << code;
    for (int other = code + 1; other <= 1; ++other) EXPECT_NE(ErrorText(code), ErrorText(other));
  }
}

TEST(DdemlErrorNameTest, NamesFromAdvAckTimeoutToUnfoundQueueId) {
  EXPECT_EQ(DdemlErrorName(0x4000), "DMLERR_ADVACKTIMEOUT");
  EXPECT_EQ(DdemlErrorName(0x4009), "DMLERR_NOTPROCESSED");
  EXPECT_EQ(DdemlErrorName(0x4011), "DMLERR_UNFOUND_QUEUE_ID");
  EXPECT_EQ(DdemlErrorName(0), "Unknown (0)");
  EXPECT_EQ(DdemlErrorName(0x4012), "Unknown (16402)");
}

TEST(MorviaExceptionsTest, CarryTheirMessageAndDeriveFromTheProgramBase) {
  try {
    throw EMorviaScopeError(ErrorText(errNotServerScope));
  } catch (const text::Exception& e) {
    EXPECT_EQ(e.Message(), ErrorText(-38));
    EXPECT_NE(dynamic_cast<const EMorviaScopeError*>(&e), nullptr);
    EXPECT_EQ(dynamic_cast<const EMorviaError*>(&e), nullptr);
  }
}

}  // namespace
}  // namespace dde
