#include "picker/result_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue/baza.h"
#include "catalogue/entry_text.h"
#include "picker/word_search.h"
#include "text/path.h"

namespace {

using picker::TCodeTree;
using picker::TResultList;
using ::testing::ElementsAre;

// Each node as its text indented by its depth, "*" marking a group.
std::vector<std::string> Shape(const TResultList& list) {
  std::vector<std::string> out;
  for (size_t i = 0; i < list.Count(); ++i) {
    int depth = 0;
    for (int p = list.Node(i).Parent; p >= 0; p = list.Node(p).Parent) ++depth;
    out.push_back(std::string(2 * depth, ' ') + (list.Node(i).Group ? "*" : "") + list.Node(i).Text);
  }
  return out;
}

int Find(const TResultList& list, const std::string& text) {
  for (size_t i = 0; i < list.Count(); ++i)
    if (list.Node(i).Text == text) return static_cast<int>(i);
  return -1;
}

TEST(ResultText, GroupCodeGroupTitleAndNextField) {
  EXPECT_EQ(picker::GroupCode("  01.1 - a - b@@x"), "  01.1");
  EXPECT_EQ(picker::GroupCode("bez kodu"), "");
  EXPECT_EQ(picker::GroupTitle("01.1 - a - b@@01.11"), "a - b");
  EXPECT_EQ(picker::GroupTitle("bez kodu@@x"), "bez kodu");
  std::string s = "a\t\tb";
  EXPECT_EQ(picker::NextField(s), "a");
  EXPECT_EQ(picker::NextField(s), "");
  EXPECT_EQ(picker::NextField(s), "b");
  EXPECT_EQ(s, "");
}

// The main tree these rows come from.
TCodeTree MainTree() {
  TCodeTree t;
  t.Build({"01 - D", " 01.1 - G", "  01.11 - X", "   01.11.Z - X", "  01.12 - Y", "   01.12.Z - Y", "99 - E",
           " 99.99 - Q", "  99.99.Z - Y"});
  return t;
}

TEST(ResultList, HitsSharingATitleFormAGroupAndChainsOfSingleChildrenVanish) {
  TResultList list;
  list.FillResults({"01.11 - X\t01.1 - G\t01 - D", "01.11.Z - X\t01.11 - X\t01.1 - G\t01 - D", "01.12 - Y"});
  EXPECT_THAT(Shape(list), ElementsAre("Wyszukane opisy", "  *---- - X", "    01.11 - 01.1 - G",
                                       "    01.11.Z - 01.11 - X", "  01.12 - Y"));
  // Choosing a child selects its own code, a unique hit itself, a group nothing.
  const TCodeTree tree = MainTree();
  const auto selected = [&](const std::string& text) {
    const int entry = picker::SelectByPath(tree, list.ResultPath(Find(list, text)));
    return entry < 0 ? std::string("-") : tree.Entry(entry).Text;
  };
  EXPECT_EQ(list.ResultPath(Find(list, "01.11.Z - 01.11 - X")), "01.11.Z - 01.11 - X\t01.11.Z - X\t");
  EXPECT_EQ(selected("01.11.Z - 01.11 - X"), "01.11.Z - X");
  EXPECT_EQ(selected("01.11 - 01.1 - G"), "01.11 - X");
  EXPECT_EQ(selected("01.12 - Y"), "01.12 - Y");
  EXPECT_EQ(selected("---- - X"), "-");
  EXPECT_EQ(list.ResultPath(0), "");
  EXPECT_EQ(list.ResultPath(-1), "");
}

TEST(ResultList, CounterpartsGroupComesFirstAndItsChildrenSelectTheirEntries) {
  TResultList list;
  list.FillResults({"01.11 - X\t01.1 - G\t01 - D", "01.11.Z - X\t01.11 - X\t01.1 - G\t01 - D", "01.12 - Y"}, true);
  // Titles of counterparts may hold " - " themselves; their path is their own text alone.
  list.AddCounterparts("PKD 2007 01.49.Z » PKD 2025", {"01.12.Z - Y", "99.99 - Q - R"});
  EXPECT_THAT(Shape(list), ElementsAre("Wyszukane opisy (bez polskich liter)", "  *PKD 2007 01.49.Z » PKD 2025",
                                       "    01.12.Z - Y", "    99.99 - Q - R", "  *---- - X",
                                       "    01.11 - 01.1 - G", "    01.11.Z - 01.11 - X", "  01.12 - Y"));
  for (size_t i = 1; i < list.Count(); ++i) {
    const int parent = list.Node(i).Parent;
    ASSERT_GE(parent, 0);
    EXPECT_LT(static_cast<size_t>(parent), i);  // still in tree order
    EXPECT_THAT(list.Node(parent).Children, ::testing::Contains(static_cast<int>(i)));
  }
  EXPECT_EQ(list.ResultPath(2), "01.12.Z - Y\t");
  EXPECT_EQ(list.ResultPath(3), "99.99 - Q - R\t");
  const TCodeTree tree = MainTree();
  EXPECT_EQ(picker::SelectByPath(tree, list.ResultPath(1)), -1);  // the group itself selects nothing
  EXPECT_EQ(tree.Entry(picker::SelectByPath(tree, list.ResultPath(2))).Text, "01.12.Z - Y");
  EXPECT_EQ(list.ResultPath(Find(list, "01.11.Z - 01.11 - X")), "01.11.Z - 01.11 - X\t01.11.Z - X\t");  // unchanged

  TResultList alone;
  alone.FillResults({});
  alone.AddCounterparts("T", {"01.12.Z - Y"});
  EXPECT_THAT(Shape(alone), ElementsAre("Wyszukane opisy", "  *T", "    01.12.Z - Y"));
  alone.AddCounterparts("U", {});
  EXPECT_EQ(alone.Count(), 3u);
}

TEST(ResultList, HitsFoundOnlyWithoutPolishLettersFollowUnderTheirOwnHeading) {
  TResultList list;
  list.FillResults({"01.12 - Y"});
  // Grouped among themselves: the title X of an exact hit would not take them in.
  list.AddFolded({"01.11 - X\t01.1 - G\t01 - D", "01.11.Z - X\t01.11 - X\t01.1 - G\t01 - D", "99 - E"});
  list.AddCounterparts("T", {"99.99 - Q"});
  EXPECT_THAT(Shape(list), ElementsAre("Wyszukane opisy", "  *T", "    99.99 - Q", "  01.12 - Y",
                                       "  *Wyszukane bez polskich liter", "    *---- - X", "      01.11 - 01.1 - G",
                                       "      01.11.Z - 01.11 - X", "    99 - E"));
  for (size_t i = 1; i < list.Count(); ++i) {
    const int parent = list.Node(i).Parent;
    ASSERT_GE(parent, 0);
    EXPECT_LT(static_cast<size_t>(parent), i);
    EXPECT_THAT(list.Node(parent).Children, ::testing::Contains(static_cast<int>(i)));
  }
  const TCodeTree tree = MainTree();
  const auto selected = [&](const std::string& text) {
    const int entry = picker::SelectByPath(tree, list.ResultPath(Find(list, text)));
    return entry < 0 ? std::string("-") : tree.Entry(entry).Text;
  };
  EXPECT_EQ(list.ResultPath(Find(list, "Wyszukane bez polskich liter")), "");
  EXPECT_EQ(list.ResultPath(Find(list, "01.11.Z - 01.11 - X")), "01.11.Z - 01.11 - X\t01.11.Z - X\t");
  EXPECT_EQ(selected("01.11.Z - 01.11 - X"), "01.11.Z - X");
  EXPECT_EQ(selected("99 - E"), "99 - E");
  EXPECT_EQ(selected("---- - X"), "-");

  const size_t count = list.Count();
  list.AddFolded({});
  EXPECT_EQ(list.Count(), count);
}

TEST(ResultList, TitlesDecideNotCodesAndRowsWithoutParentAddNoChild) {
  TResultList list;
  // Same title and same parent title: one node, the first hit's.
  list.FillResults({"01.11.Z - X\t01.11 - P", "02.11.Z - X\t02.11 - P", "03 - X"});
  EXPECT_THAT(Shape(list), ElementsAre("Wyszukane opisy", "  01.11.Z - X"));
  list.FillResults({});
  EXPECT_THAT(Shape(list), ElementsAre("Wyszukane opisy"));
}

TEST(ResultList, AGroupChildNamesTheCodeOfItsOwnHitWhenTheTitleWasFoundChildless) {
  // The first hit has no parent line, so its node has no child when the
  // second hit, of the same title, arrives.
  TResultList list;
  list.FillResults({"01.12 - Y", "01.12.Z - Y\t01.12 - Y", "99.99.Z - Y\t99.99 - Q"});
  EXPECT_THAT(Shape(list),
              ElementsAre("Wyszukane opisy", "  *---- - Y", "    01.12.Z - 01.12 - Y", "    99.99.Z - 99.99 - Q"));
  const TCodeTree tree = MainTree();
  EXPECT_EQ(tree.Entry(picker::SelectByPath(tree, list.ResultPath(2))).Text, "01.12.Z - Y");
  EXPECT_EQ(tree.Entry(picker::SelectByPath(tree, list.ResultPath(3))).Text, "99.99.Z - Y");
}

TEST(ResultList, FindNodeFromAndSelectByPathSearchOnAfterEachFoundField) {
  const TCodeTree tree = MainTree();
  EXPECT_EQ(picker::FindNodeFrom(tree, "01.12 - Y", 0), 4);
  EXPECT_EQ(picker::FindNodeFrom(tree, "01.12 - Y", 5), -1);
  EXPECT_EQ(picker::FindNodeFrom(tree, "01 - D", 99), -1);
  EXPECT_EQ(picker::FindNodeFrom(tree, "01.12 - y", 0), -1);  // exact, case-sensitive
  EXPECT_EQ(picker::SelectByPath(tree, "99 - E\t01 - D\t"), -1);  // 01 - D only before 99 - E
  EXPECT_EQ(picker::SelectByPath(tree, "nic\t01 - D\t"), 0);      // not found: search again from the start
  EXPECT_EQ(picker::SelectByPath(tree, ""), -1);
}

std::filesystem::path RealCataloguePath() {
  std::string path = std::string(PKD_TEST_BINARY_DIR) + "/bin/pkd.kod";
#ifdef _WIN32
  for (char& c : path)
    if (c == '/') c = '\\';
  path = "Z:" + path;
#endif
  return text::PathFrom1250(path);
}

TEST(ResultListOnPkd2025, SharedTitleFormsOneGroupAndChoosingAChildSelectsItsCode) {
  const std::filesystem::path path = RealCataloguePath();
  ASSERT_TRUE(text::FileExists(path)) << "no pkd.kod in this build";
  catalogue::TBaza baza;
  baza.Load(path);
  TCodeTree tree;
  tree.Build(baza.Lines());
  TResultList list;
  list.FillResults(picker::TWordSearch(baza).Search("surówki"));
  const std::string title = "Produkcja surówki, żelazostopów, żeliwa i stali oraz wyrobów hutniczych";
  const int group = Find(list, "---- - " + title);
  ASSERT_GE(group, 0);
  EXPECT_EQ(Find(list, "24.10.Z - " + title), -1);  // the subclass shows only inside the group
  std::vector<std::string> chosen;
  for (const int child : list.Node(group).Children) {
    const int entry = picker::SelectByPath(tree, list.ResultPath(child));
    ASSERT_GE(entry, 0) << list.Node(child).Text;
    chosen.push_back(catalogue::CodeOf(list.Node(child).Text) + "=" + tree.Entry(entry).Text);
  }
  EXPECT_THAT(chosen, ElementsAre("24.1=24.1 - " + title, "24.10.Z=24.10.Z - " + title));
}

}  // namespace
