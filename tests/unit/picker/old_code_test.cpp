#include "picker/old_code.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue/baza.h"
#include "text/path.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(FindCounterparts, ForACodeTheCatalogueLacksOrReadsOtherwise) {
  catalogue::TCorrespondence c;
  c.ReadRecord(4, "PKD 2007=PKD 2025");
  c.ReadRecord(5, "01.49.Z=01.48.Z,01.47.Z");
  c.ReadRecord(5, "01.11.Z=01.11.Z");
  c.ReadRecord(5, "02.00.Z=77.77.Z");  // a counterpart the tree does not have
  c.ReadRecord(5, "01.47.Z=01.47.Z,77.77.Z");
  c.ReadRecord(5, "01.48.Z=01.47.Z");  // a namesake that changed meaning
  picker::TCodeTree tree;
  tree.Build({"01 - Rolnictwo", " 01.11.Z - Uprawa zbóż", " 01.47.Z - Drób", " 01.48.Z - Pozostałe - inne"});
  const std::vector<std::string> codes = tree.Codes();

  const picker::TCounterpartGroup g = picker::FindCounterparts(c, tree, codes, "01.49.z");
  EXPECT_EQ(g.Title, "PKD 2007 01.49.Z » PKD 2025");
  EXPECT_THAT(g.Entries, ElementsAre("01.48.Z - Pozostałe - inne", "01.47.Z - Drób"));  // the correspondence's order

  const struct {
    const char* code;
    size_t entries;
  } cases[] = {
      {"01.11.Z", 0},  // the catalogue has it, with the same meaning
      {"01.47.z", 0},  // the same, in lower case, also among other counterparts
      {"01.48.z", 1},  // the catalogue has it, but the old code meant 01.47.Z
      {"02.00.Z", 0},  // no counterpart in the tree
      {"03.00.Z", 0},  // not in the correspondence
      {"01.49", 0},    // only the start of an old code
      {"", 0},
  };
  for (const auto& k : cases) EXPECT_EQ(picker::FindCounterparts(c, tree, codes, k.code).Entries.size(), k.entries) << k.code;
  EXPECT_TRUE(picker::FindCounterparts(catalogue::TCorrespondence(), tree, codes, "01.49.Z").Empty());
}

std::filesystem::path BuiltCatalogue(const std::string& name) {
  std::string path = std::string(PKD_TEST_BINARY_DIR) + "/bin/" + name;
#ifdef _WIN32
  for (char& ch : path)
    if (ch == '/') ch = '\\';
  path = "Z:" + path;
#endif
  return text::PathFrom1250(path);
}

// The built catalogues, both ways: an old code on PKD 2025, a new one on PKD 2007.
TEST(FindCounterpartsOnRealCatalogues, BothDirections) {
  const struct {
    const char* file;
    const char* code;
    const char* title;
    std::vector<std::string> codes;
  } cases[] = {
      {"pkd.kod", "01.49.Z", "PKD 2007 01.49.Z » PKD 2025", {"01.47.Z", "01.48.Z"}},
      {"pkd2007.kod", "01.48.Z", "PKD 2025 01.48.Z » PKD 2007", {"01.49.Z", "03.22.Z"}},
      {"pkd.kod", "01.47.Z", "", {}},  // in both revisions, mapped to itself: the catalogue's own
      // In both revisions with different meanings.
      {"pkd.kod", "25.40.Z", "PKD 2007 25.40.Z » PKD 2025", {"25.30.Z"}},
      {"pkd.kod", "85.32.C", "PKD 2007 85.32.C » PKD 2025", {"85.32.D"}},
      {"pkd2007.kod", "25.40.Z", "PKD 2025 25.40.Z » PKD 2007", {"25.50.Z"}},
  };
  for (const auto& k : cases) {
    const std::filesystem::path path = BuiltCatalogue(k.file);
    ASSERT_TRUE(text::FileExists(path)) << "no " << k.file << " in this build";
    catalogue::TBaza baza;
    baza.Load(path);
    picker::TCodeTree tree;
    tree.Build(baza.Lines());
    const picker::TCounterpartGroup g = picker::FindCounterparts(baza.Correspondence(), tree, tree.Codes(), k.code);
    EXPECT_EQ(g.Title, k.title) << k.file;
    std::vector<std::string> codes;
    for (const std::string& e : g.Entries) codes.push_back(e.substr(0, e.find(" - ")));
    EXPECT_EQ(codes, k.codes) << k.file << " " << k.code;
  }
}

}  // namespace
