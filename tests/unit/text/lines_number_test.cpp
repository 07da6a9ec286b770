#include <gtest/gtest.h>

#include "text/errors.h"
#include "text/lines.h"
#include "text/number.h"

namespace {

using Lines = std::vector<std::string>;

TEST(SplitLines, AllThreeLineEndsAndEmptyLines) {
  EXPECT_EQ(text::SplitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(text::SplitLines("a\n\nb\r\r\nc"), (Lines{"a", "", "b", "", "c"}));
  EXPECT_EQ(text::SplitLines("\n\r"), (Lines{"", ""}));
  EXPECT_EQ(text::SplitLines("\n\r\n"), (Lines{"", ""}));
}

TEST(SplitLines, FinalBreakAddsNoLine) {
  EXPECT_EQ(text::SplitLines(""), Lines{});
  EXPECT_EQ(text::SplitLines("a\r\n"), Lines{"a"});
  EXPECT_EQ(text::SplitLines("a\r"), Lines{"a"});
  EXPECT_EQ(text::SplitLines("\r\n"), Lines{""});
}

TEST(SplitLines, NulEndsTheText) {
  EXPECT_EQ(text::SplitLines(std::string("a\nb\0c\nd", 7)), (Lines{"a", "b"}));
  EXPECT_EQ(text::SplitLines(std::string("\0abc", 4)), Lines{});
}

TEST(SplitLines, JoinRoundTrip) {
  const Lines lines{"@1=x", "", " A - B\tc"};
  EXPECT_EQ(text::JoinLinesCrLf(lines), "@1=x\r\n\r\n A - B\tc\r\n");
  EXPECT_EQ(text::SplitLines(text::JoinLinesCrLf(lines)), lines);
}

TEST(StrToInt, DecimalWithBlanksAndSign) {
  EXPECT_EQ(text::StrToInt("1"), 1);
  EXPECT_EQ(text::StrToInt("   257"), 257);
  EXPECT_EQ(text::StrToInt("-12"), -12);
  EXPECT_EQ(text::StrToInt("+7"), 7);
  EXPECT_EQ(text::StrToInt("0000000001"), 1);
  EXPECT_EQ(text::StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(text::StrToInt("-2147483648"), INT32_MIN);
}

TEST(StrToInt, HexadecimalPrefixesInEitherCase) {
  EXPECT_EQ(text::StrToInt("$1f"), 31);
  EXPECT_EQ(text::StrToInt("x1F"), 31);
  EXPECT_EQ(text::StrToInt("X10"), 16);
  EXPECT_EQ(text::StrToInt("0x101"), 257);
  EXPECT_EQ(text::StrToInt("0XfF"), 255);
  EXPECT_EQ(text::StrToInt(" -$10"), -16);
  // Hexadecimal may use all 32 bits without a sign; with a minus sign the
  // value must fit after negation, down to the least 32-bit integer.
  EXPECT_EQ(text::StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(text::StrToInt("+0x80000000"), INT32_MIN);
  EXPECT_EQ(text::StrToInt("-0x80000000"), INT32_MIN);
  EXPECT_EQ(text::StrToInt("-$7FFFFFFF"), -INT32_MAX);
}

TEST(StrToInt, InvalidTextsAndOverflowAreErrors) {
  for (const char* bad : {"", " ", "-", "$", "0x", "1q", "q", "1 ", "1.0", "2147483648", "-2147483649",
                          "$100000000", "99999999999999999999", "0x-1", "--1", "\t1", "-0x80000001",
                          "-$FFFFFFFF", "-x100000000"}) {
    int32_t v = 12345;
    EXPECT_FALSE(text::TryStrToInt(bad, v)) << bad;
    EXPECT_EQ(v, 12345) << "out-value written on failure for " << bad;
  }
  try {
    text::StrToInt("1q");
    FAIL() << "no exception";
  } catch (const text::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'1q' is not a valid integer value");
  }
}

}  // namespace
