#include "picker/code_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using picker::TCodeTree;
using ::testing::ElementsAre;

// "parent>text" for each entry, so a whole tree shape reads in one assertion.
std::vector<std::string> Shape(const TCodeTree& t) {
  std::vector<std::string> out;
  for (size_t i = 0; i < t.Count(); ++i) {
    const auto& e = t.Entry(i);
    out.push_back((e.Parent < 0 ? std::string("-") : t.Entry(e.Parent).Text) + ">" + e.Text);
  }
  return out;
}

TEST(CodeTree, DepthRulesSiblingsChildrenAndReturningUpSeveralLevels) {
  TCodeTree t;
  t.Build({"A - Rolnictwo", " 01 - Uprawy", "  01.1 - Zboża", "   01.11 - Pszenica", "  01.2 - Owoce",
           "B - Górnictwo", "\t05 - Węgiel", " \t05.1 - Kamienny"});
  EXPECT_THAT(Shape(t), ElementsAre("->A - Rolnictwo", "A - Rolnictwo>01 - Uprawy", "01 - Uprawy>01.1 - Zboża",
                                    "01.1 - Zboża>01.11 - Pszenica", "01 - Uprawy>01.2 - Owoce", "->B - Górnictwo",
                                    "B - Górnictwo>05 - Węgiel", "05 - Węgiel>05.1 - Kamienny"));
  EXPECT_EQ(t.Entry(3).Level, 3);
  // Sibling links in file order.
  EXPECT_EQ(t.Entry(0).NextSibling, 5);
  EXPECT_EQ(t.Entry(2).NextSibling, 4);
  EXPECT_EQ(t.Entry(1).FirstChild, 2);
  EXPECT_EQ(t.Entry(4).NextSibling, -1);
  EXPECT_THAT(t.PathTo(3), ElementsAre(0, 1, 2, 3));
  EXPECT_THAT(t.PathTo(5), ElementsAre(5));
}

TEST(CodeTree, FirstLineIsTopLevelWhateverItsDepth) {
  TCodeTree one;
  one.Build({" 01 - a", " 01.1 - b"});  // one blank each: the first is level 0, so one deeper
  EXPECT_THAT(Shape(one), ElementsAre("->01 - a", "01 - a>01.1 - b"));

  TCodeTree child;
  child.Build({"01 - a", " 01.1 - b"});
  EXPECT_THAT(Shape(child), ElementsAre("->01 - a", "01 - a>01.1 - b"));

  TCodeTree deep;
  deep.Build({"   X - a", " Y - b"});  // compared with the actual level 0 of the first entry
  EXPECT_THAT(Shape(deep), ElementsAre("->X - a", "X - a>Y - b"));
}

TEST(CodeTree, TwoLevelsDeeperStopsWithTheLevelAndTextKeepingEarlierEntries) {
  TCodeTree t;
  try {
    t.Build({"A - a", " 01 - b", "   01.11 - c", "B - d"});
    FAIL() << "no error";
  } catch (const picker::EInvalidLevel& e) {
    EXPECT_STREQ(e.what(), "Invalid level (3) for item \"01.11 - c\"");
  }
  EXPECT_THAT(Shape(t), ElementsAre("->A - a", "A - a>01 - b"));

  TCodeTree indentedFirst;  // two blanks on both: the second is two deeper than level 0
  EXPECT_THROW(indentedFirst.Build({"  01 - a", "  01.1 - b"}), picker::EInvalidLevel);
  EXPECT_EQ(indentedFirst.Count(), 1u);
}

TEST(CodeTree, EmptyLinesAndLinesWithoutSeparator) {
  TCodeTree t;
  t.Build({"A - a", " 01 - b", "", " bez kodu", "  01 - dup"});
  EXPECT_THAT(Shape(t), ElementsAre("->A - a", "A - a>01 - b", "->", ">bez kodu", "bez kodu>01 - dup"));
  // The entry without " - " has no code; duplicates stay, order is the file's.
  EXPECT_THAT(t.Codes(), ElementsAre("A", "01", "01"));
}

TEST(CodeTree, RebuildReplacesAndEmptyInputGivesNothing) {
  TCodeTree t;
  t.Build({"A - a", "B - b"});
  t.Build({});
  EXPECT_EQ(t.Count(), 0u);
  EXPECT_TRUE(t.Codes().empty());
}

}  // namespace
