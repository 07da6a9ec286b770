#include "picker/code_search.h"

#include <gtest/gtest.h>

namespace {

using namespace picker;

const std::vector<std::string> kCodes = {"A", "01", "01.1", "01.11", "01.11.Z", "B", "10", "1", "c.1"};

TEST(Completion, FirstCodeInListOrderWithThePrefixIgnoringCase) {
  EXPECT_EQ(FindCodeByPrefix(kCodes, "0"), 1);
  EXPECT_EQ(FindCodeByPrefix(kCodes, "01.11."), 4);
  EXPECT_EQ(FindCodeByPrefix(kCodes, "1"), 6);  // "10" comes before "1" in the list
  EXPECT_EQ(FindCodeByPrefix(kCodes, "a"), 0);
  EXPECT_EQ(FindCodeByPrefix(kCodes, "C.1"), 8);
  EXPECT_EQ(FindCodeByPrefix(kCodes, "02"), -1);
  EXPECT_EQ(FindCodeByPrefix(kCodes, "01.11.Z9"), -1);  // longer than every code
  EXPECT_EQ(FindCodeByPrefix({}, "0"), -1);
}

TEST(Completion, KeepsTypedCaseAndSelectsTheCompletedRest) {
  TCompletion c = Complete(kCodes, "01.11.");
  ASSERT_TRUE(c.Found);
  EXPECT_EQ(c.Text, "01.11.Z");
  EXPECT_EQ(c.SelStart, 6u);
  EXPECT_EQ(c.SelLength, 1u);
  EXPECT_EQ(c.ItemIndex, 4);

  c = Complete({"01.11.Z"}, "01.11.z");
  ASSERT_TRUE(c.Found);
  EXPECT_EQ(c.Text, "01.11.z");  // the typed lower case stays
  EXPECT_EQ(c.SelLength, 0u);

  EXPECT_FALSE(Complete(kCodes, "9").Found);
}

TEST(Completion, ExactLookupIgnoresCaseAndNeedsTheWholeCode) {
  EXPECT_EQ(FindCodeExact(kCodes, "01.11.z"), 4);
  EXPECT_EQ(FindCodeExact(kCodes, "1"), 7);
  EXPECT_EQ(FindCodeExact(kCodes, "01.1"), 2);
  EXPECT_EQ(FindCodeExact(kCodes, "01.11.Z "), -1);
  EXPECT_EQ(FindCodeExact(kCodes, ""), -1);
}

TEST(MatchCode, PrefixOfEntryTextAsciiUpperCaseEarliestInFlatOrder) {
  TCodeTree t;
  t.Build({"A - Rolnictwo", " 01 - Uprawy", "  01.1 - Zboża", " 10 - Dziesięć", "B - b", " 1 - Jeden",
           "c.1 - mała litera", "Żółw - polska"});
  EXPECT_EQ(MatchCode(t, "01.1"), 2);
  EXPECT_EQ(MatchCode(t, "01"), 1);
  EXPECT_EQ(MatchCode(t, "1"), 3);  // the entry of code 10 comes first and wins
  EXPECT_EQ(MatchCode(t, "a"), 0);  // lower-case typing finds the upper-case code
  EXPECT_EQ(MatchCode(t, "C.1"), 6);  // entry text folded too
  EXPECT_EQ(MatchCode(t, "Żółw"), 7);  // non-ASCII letters compared as they are
  EXPECT_EQ(MatchCode(t, "żółw"), -1);
  EXPECT_EQ(MatchCode(t, "01.1 - Zboża i więcej"), -1);  // longer than the entry text
  EXPECT_EQ(MatchCode(t, "99"), -1);
}

// What a client that preset a code may take for found: only the entry of
// that very code, since a text that is no whole code starts no search and
// leaves whatever was selected before.
TEST(CodeSearchFound, TheSelectedEntryIsTheCodeSearched) {
  const struct {
    const char* code;
    const char* selected;
    bool found;
  } cases[] = {
      {"01.11.Z", "01.11.Z", true},   {"01.11.z", "01.11.Z", true},  // codes fold by ASCII rules
      {"01.11.", "01.11.Z", false},   // no whole code: the earlier selection stays
      {"0", "01.11.Z", false},        {"01.11", "01.11.Z", false},
      {"1", "10", false},             // the earlier entry the search picks is another code
      {"99.99", "01.11.Z", false},    // selected nothing: what stays selected is not found
      {"01.11.Z", "01.11", false},    {"01.12.Z", "01.11.Z", false},
      {"", "01.11.Z", false},         // no code, no search (words alone)
      {"01.11.Z", "", false},         // nothing selected
      {"Żółw", "żółw", false},        // non-ASCII letters compared as they are
  };
  for (const auto& c : cases) EXPECT_EQ(CodeSearchFound(c.code, c.selected), c.found) << c.code << " / " << c.selected;
}

}  // namespace
