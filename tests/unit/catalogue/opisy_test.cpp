#include "catalogue/opisy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using catalogue::TOpisy;

TEST(TOpisy, MissingCodeGivesEmptyTexts) {
  TOpisy o;
  EXPECT_EQ(o.Opis("01"), "");
  EXPECT_EQ(o.SearchText("01"), "");
  o.Add("01", "opis", " 01 - Tytuł");
  EXPECT_EQ(o.Opis("02"), "");
  EXPECT_EQ(o.Opis(""), "");
  EXPECT_EQ(o.Opis("0"), "");
  EXPECT_EQ(o.Opis("011"), "");
}

TEST(TOpisy, SearchTextIsUpperLineBlankUpperDescription) {
  TOpisy o;
  o.Add("01.11.Z", "uprawa zbóż\xFFi roślin", "    01.11.Z - Uprawa żyta");
  EXPECT_EQ(o.Opis("01.11.Z"), "uprawa zbóż\xFFi roślin");  // 0xFF marks kept as they are
  EXPECT_EQ(o.SearchText("01.11.Z"), "    01.11.Z - UPRAWA ŻYTA UPRAWA ZBÓŻ\xFFI ROŚLIN");
}

TEST(TOpisy, LatestOfEqualCodesWinsIgnoringCase) {
  TOpisy o;
  o.Add("A", "first", "A - x");
  o.Add("B", "other", "B - y");
  o.Add("a", "second", "a - z");
  o.Add("A", "third", "A - w");
  EXPECT_EQ(o.Count(), 4u);
  EXPECT_EQ(o.Opis("A"), "third");
  EXPECT_EQ(o.Opis("a"), "third");
  EXPECT_EQ(o.SearchText("a"), "A - W THIRD");
  EXPECT_EQ(o.Opis("b"), "other");
}

TEST(TOpisy, NewestFirstHoldsAcrossLookUpsBetweenAdds) {
  // Entries added after a look-up are sorted in before the older equal keys.
  TOpisy o;
  o.Add("B", "b1", "");
  o.Add("A", "a1", "");
  EXPECT_EQ(o.Opis("a"), "a1");
  o.Add("a", "a2", "");
  o.Add("C", "c1", "");
  o.Add("A", "a3", "");
  EXPECT_EQ(o.Opis("A"), "a3");
  o.Add("A", "a4", "");
  ASSERT_EQ(o.Count(), 6u);
  std::vector<std::string> order;
  for (size_t i = 0; i < o.Count(); ++i) order.push_back(o.Key(i) + "=" + o.Record(i).Opis);
  EXPECT_EQ(order, (std::vector<std::string>{"A=a4", "A=a3", "a=a2", "A=a1", "B=b1", "C=c1"}));
}

TEST(TOpisy, PolishLettersFoldInKeys) {
  TOpisy o;
  o.Add("ŻÓŁĆ", "tak", "");
  EXPECT_EQ(o.Opis("żółć"), "tak");
}

TEST(TOpisy, EmptyCodeIsAKeyLikeAnyOther) {
  TOpisy o;
  o.Add("", "bez kodu", "linia bez kodu");
  o.Add("1", "jeden", "1 - x");
  EXPECT_EQ(o.Opis(""), "bez kodu");
  EXPECT_EQ(o.Opis("1"), "jeden");
}

TEST(TOpisy, ManyKeysInRandomOrderAreAllFound) {
  std::vector<std::string> codes;
  for (int i = 0; i < 2000; ++i) codes.push_back(std::to_string(i * 7919 % 10007));
  std::mt19937 rng(42);
  std::shuffle(codes.begin(), codes.end(), rng);
  TOpisy o;
  for (const auto& c : codes) o.Add(c, "d" + c, c + " - t");
  for (size_t i = 1; i < o.Count(); ++i) EXPECT_LE(o.Key(i - 1), o.Key(i));
  for (const auto& c : codes) ASSERT_EQ(o.Opis(c), "d" + c);
}

}  // namespace
