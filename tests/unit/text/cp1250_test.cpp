#include "text/cp1250.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp1250Case, PolishLettersFoldBothWays) {
  const std::string lower = "ąćęłńóśźż";
  const std::string upper = "ĄĆĘŁŃÓŚŹŻ";
  EXPECT_EQ(text::Upper1250(lower), upper);
  EXPECT_EQ(text::Lower1250(upper), lower);
  // The other letters of the page: Czech, Slovak, Hungarian, Romanian.
  EXPECT_EQ(text::Upper1250("šťžľŕăĺčěďđňřůűţőşáéíúýäöüâîôç"), "ŠŤŽĽŔĂĹČĚĎĐŇŘŮŰŢŐŞÁÉÍÚÝÄÖÜÂÎÔÇ");
  EXPECT_EQ(text::Lower1250("ŠŤŽĽŔĂĹČĚĎĐŇŘŮŰŢŐŞÁÉÍÚÝÄÖÜÂÎÔÇ"), "šťžľŕăĺčěďđňřůűţőşáéíúýäöüâîôç");
}

TEST(Cp1250Case, NonLettersAndCaselessLettersStay) {
  // ß and µ have no single upper-case form in the page; 0xFF (dot above) is the
  // catalogue's line-break mark and must survive upper-casing.
  EXPECT_EQ(text::Upper1250("ß µ \xFF 0-9 ,.;"), "ß µ \xFF 0-9 ,.;");
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    // Folding is idempotent and never maps a letter onto a different letter's fold.
    EXPECT_EQ(text::UpperChar1250(text::UpperChar1250(c)), text::UpperChar1250(c)) << b;
    EXPECT_EQ(text::UpperChar1250(text::LowerChar1250(c)), text::UpperChar1250(c)) << b;
  }
}

TEST(Cp1250Case, PolishLettersFoldToTheirBaseLettersOnly) {
  EXPECT_EQ(text::FoldPolish1250("ąćęłńóśźż ĄĆĘŁŃÓŚŹŻ"), "acelnoszz ACELNOSZZ");
  EXPECT_EQ(text::FoldPolish1250("ZBÓŻ, środki transportu"), "ZBOZ, srodki transportu");
  // Every other byte stays, the other accented letters of the page included.
  const std::string polish = "ąćęłńóśźżĄĆĘŁŃÓŚŹŻ";
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    if (polish.find(c) == std::string::npos) {
      EXPECT_EQ(text::FoldPolishChar1250(c), c) << b;
    }
    // Folding and upper-casing commute, so either may come first.
    EXPECT_EQ(text::FoldPolishChar1250(text::UpperChar1250(c)), text::UpperChar1250(text::FoldPolishChar1250(c))) << b;
  }
}

TEST(Cp1250Case, AsciiFoldingLeavesPolishLettersAlone) {
  EXPECT_EQ(text::UpperAscii("01.11.z ąb"), "01.11.Z ąB");
  EXPECT_EQ(text::LowerAscii("PKD_ZEL Ą"), "pkd_zel Ą");
  EXPECT_TRUE(text::EqualNoCaseAscii("Open_PKD", "OPEN_pkd"));
  EXPECT_FALSE(text::EqualNoCaseAscii("ą", "Ą"));
  EXPECT_TRUE(text::StartsWithNoCaseAscii("01.11.Z", "01.1"));
  EXPECT_FALSE(text::StartsWithNoCaseAscii("01", "01.1"));
}

TEST(Cp1250Case, ComparisonsOrderAndFold) {
  EXPECT_EQ(text::CompareNoCase1250("żółw", "ŻÓŁW"), 0);
  EXPECT_LT(text::CompareNoCase1250("abc", "abd"), 0);
  EXPECT_GT(text::CompareNoCase1250("abcd", "ABC"), 0);
  EXPECT_LT(text::CompareNoCase1250("", "a"), 0);
  EXPECT_NE(text::CompareNoCaseAscii("ż", "Ż"), 0);
  EXPECT_EQ(text::CompareNoCaseAscii("a.B", "A.b"), 0);
}

TEST(Cp1250Conversion, KnownCodePoints) {
  EXPECT_EQ(text::CodePointOf1250(0xB9), U'ą');
  EXPECT_EQ(text::CodePointOf1250(0xA5), U'Ą');
  EXPECT_EQ(text::CodePointOf1250(0x80), U'€');
  EXPECT_EQ(text::CodePointOf1250(0x84), U'„');
  EXPECT_EQ(text::CodePointOf1250(0xFF), U'˙');
  EXPECT_EQ(text::Cp1250ToUtf8("Źródło"), "\xC5\xB9r\xC3\xB3" "d\xC5\x82o");
  EXPECT_EQ(text::Utf8To1250("\xC5\xB9r\xC3\xB3" "d\xC5\x82o"), "Źródło");
}

TEST(Cp1250Conversion, EveryByteRoundTripsThroughUtf16AndUtf8) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(text::Utf16To1250(text::Cp1250ToUtf16(all)), all);
  EXPECT_EQ(text::Utf8To1250(text::Cp1250ToUtf8(all)), all);
  std::string strict;
  char32_t bad = 0;
  EXPECT_TRUE(text::Utf8To1250Strict(text::Cp1250ToUtf8(all), strict, bad));
  EXPECT_EQ(strict, all);
}

TEST(Cp1250Conversion, CharactersOutsideThePage) {
  // U+2212 minus, U+2192 arrow, a surrogate pair (U+1F600) and broken UTF-8.
  EXPECT_EQ(text::Utf8To1250("a\xE2\x88\x92" "b"), "a?b");
  EXPECT_EQ(text::Utf16To1250(u"x\u2192y\U0001F600z"), "x?y?z");
  EXPECT_EQ(text::Utf8To1250("\xC5"), "?");      // cut short
  EXPECT_EQ(text::Utf8To1250("\xC0\xAF"), "??");  // overlong
  std::string out;
  char32_t bad = 0;
  EXPECT_FALSE(text::Utf8To1250Strict("ok \xE2\x86\x92", out, bad));
  EXPECT_EQ(bad, 0x2192u);
  EXPECT_FALSE(text::Utf8To1250Strict("\xFF", out, bad));
  EXPECT_EQ(bad, 0xFFFDu);
}

}  // namespace
