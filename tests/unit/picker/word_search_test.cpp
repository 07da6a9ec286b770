#include "picker/word_search.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "catalogue/kodfile.h"
#include "support/temp_dir.h"

namespace {

using picker::SearchByWords;
using picker::SplitWords;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(SplitWords, OnlyTheFirstSeparatorInOrderThatOccursSplits) {
  const struct {
    const char* typed;
    std::vector<std::string> words;
  } cases[] = {
      {"zboże owies", {"ZBOŻE", "OWIES"}},
      {"zboże,owies ryż", {"ZBOŻE,OWIES", "RYŻ"}},
      {"zboże,owies", {"ZBOŻE", "OWIES"}},
      {"a;b+c", {"A", "B+C"}},
      {"x+y", {"X", "Y"}},
      {"zboże   owies ", {"ZBOŻE", "OWIES"}},  // blanks after a separator are dropped
      {" zboże", {"", "ZBOŻE"}},             // a leading separator gives an empty first word
      {",", {""}},
      {"żółć", {"ŻÓŁĆ"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitWords(c.typed), c.words) << c.typed;
}

// A small compressed catalogue: its lines carry descriptions after a TAB.
class WordSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string text =
        "@1=PKD\r\n@2=Test\r\n@3=x\r\n"
        "A - ROLNICTWO\tzboże w sekcji\r\n"
        " 01 - Uprawy rolne\tuprawy\r\n"
        "  01.1 - Uprawy zbóż\tZboże i rośliny\r\n"
        "   01.11 - Uprawa zbóż\tpszenica\r\n"
        "    01.11.Z - Uprawa zbóż\tzboże: owies, żyto\r\n"
        "   01.12 - Uprawa ryżu\tryż; zboże\r\n"
        "    01.12.Z - Uprawa ryżu\tryż\r\n"
        " 02 - Leśnictwo\tlas\r\n"
        "  02.1 - Gospodarka leśna\tlas\r\n"
        "  02.2 - Pozyskiwanie drewna\tdrewno i zboże\r\n"
        "B - GÓRNICTWO\r\n"
        " 05 - Wydobycie węgla\r\n"
        " 06 - Ryzyko\tryzyko\r\n";
    baza.Load(dir.Write("cat.kod", catalogue::MakeKodBytes(text)));
  }
  std::vector<std::string> Search(const std::string& words, bool* folded = nullptr) const {
    return picker::TWordSearch(baza).Search(words, folded);
  }
  testing_support::TempDir dir;
  catalogue::TBaza baza;
};

TEST_F(WordSearch, RowsInFileOrderWithTheAncestorsTheBackwardWalkTakes) {
  EXPECT_THAT(Search("zboże"),
              ElementsAre("A - ROLNICTWO",  // no indentation: found, but never anyone's ancestor
                          "01.1 - Uprawy zbóż\t01 - Uprawy rolne",
                          "01.11.Z - Uprawa zbóż\t01.11 - Uprawa zbóż\t01.1 - Uprawy zbóż\t01 - Uprawy rolne",
                          "01.12 - Uprawa ryżu",  // the walk ends at the deeper 01.11.Z
                          "02.2 - Pozyskiwanie drewna\t02 - Leśnictwo"));  // passes the sibling 02.1
}

TEST_F(WordSearch, FurtherWordsFilterByTitleAndAncestorLinesOnly) {
  EXPECT_THAT(Search("zboże uprawy"), ElementsAre("01.1 - Uprawy zbóż\t01 - Uprawy rolne",
                                                  "01.11.Z - Uprawa zbóż\t01.11 - Uprawa zbóż\t01.1 - "
                                                  "Uprawy zbóż\t01 - Uprawy rolne"));
  // The found line's own code is not part of its title; an ancestor's code is.
  EXPECT_THAT(Search("zboże 01.1"), ElementsAre("01.11.Z - Uprawa zbóż\t01.11 - Uprawa zbóż\t01.1 - Uprawy zbóż\t01 - "
                                                "Uprawy rolne"));
  EXPECT_EQ(Search("zboże a"), Search("zboże"));  // a word of one letter filters nothing
  EXPECT_THAT(Search("zboże OWIES"), IsEmpty());  // a description does not count for further words
}

TEST_F(WordSearch, LetterCaseSeparatorsAndLinesWithoutDescription) {
  EXPECT_EQ(Search("ZBOŻE"), Search("zBoŻe"));
  EXPECT_THAT(Search(" zboże"), IsEmpty());         // empty first word
  EXPECT_THAT(Search("wydobycie"), IsEmpty());      // matches the title, but the line has no description
  EXPECT_THAT(Search("01.12.z"), ElementsAre("01.12.Z - Uprawa ryżu\t01.12 - Uprawa ryżu"));  // the line is searched too
  EXPECT_EQ(Search("zboże,uprawy"), Search("zboże uprawy"));
  EXPECT_THAT(SearchByWords(nullptr, "zboże"), IsEmpty());
  EXPECT_THAT(SearchByWords(&baza, ""), IsEmpty());
  EXPECT_EQ(SearchByWords(&baza, "zboże"), Search("zboże"));
}

TEST_F(WordSearch, WithoutPolishLettersOnlyWhenTheExactSearchFindsNothing) {
  const struct {
    const char* typed;
    const char* sameAs;  // typed with its Polish letters
    bool folded;
  } cases[] = {
      {"zboze", "zboże", true},
      {"ZBOZE uprawy", "zboże uprawy", true},
      {"uprawa zboz", "uprawa zbóż", true},  // the first word hits; the further one filters all out
      {"ryzu", "ryżu", true},
      {"lesn", "leśn", true},  // only letters that folding touches
      {"zbóż", "zbóż", false},
      {"zboże", "zboże", false},
  };
  const picker::TWordSearch search(baza);
  for (const auto& c : cases) {
    bool folded = !c.folded;
    const std::vector<std::string> rows = search.Search(c.typed, &folded);
    EXPECT_FALSE(rows.empty()) << c.typed;
    EXPECT_EQ(rows, search.Search(c.sameAs)) << c.typed;
    EXPECT_EQ(folded, c.folded) << c.typed;
  }
  // An exact hit puts the folded ones apart: "ryz" also finds the lines of "ryż".
  bool folded = true;
  EXPECT_THAT(search.Search("ryz", &folded), ElementsAre("06 - Ryzyko"));
  EXPECT_FALSE(folded);
  EXPECT_THAT(search.Search("qqq", &folded), IsEmpty());
  EXPECT_FALSE(folded);  // nothing found either way: no note in the heading
  EXPECT_THAT(search.Search(" zboze", &folded), IsEmpty());
}

TEST_F(WordSearch, SearchAllGivesTheHitsAsTypedThenThoseFoundOnlyWithoutPolishLetters) {
  const picker::TWordSearch search(baza);
  const struct {
    const char* typed;
    std::vector<std::string> exact, folded;
  } cases[] = {
      {"ryz", {"06 - Ryzyko"}, {"01.12 - Uprawa ryżu", "01.12.Z - Uprawa ryżu\t01.12 - Uprawa ryżu"}},
      // Without Polish letters: "ZBOZ" as typed nowhere, "ZBÓŻ" and "ZBOŻE" folded.
      {"zboz", {}, {"A - ROLNICTWO", "01.1 - Uprawy zbóż\t01 - Uprawy rolne",
                    "01.11 - Uprawa zbóż\t01.1 - Uprawy zbóż\t01 - Uprawy rolne",
                    "01.11.Z - Uprawa zbóż\t01.11 - Uprawa zbóż\t01.1 - Uprawy zbóż\t01 - Uprawy rolne",
                    "01.12 - Uprawa ryżu", "02.2 - Pozyskiwanie drewna\t02 - Leśnictwo"}},
      // With a Polish letter the words mean it: "ZBOŻE" is not added to "ZBÓŻ".
      {"zbóż",
       {"01.1 - Uprawy zbóż\t01 - Uprawy rolne", "01.11 - Uprawa zbóż\t01.1 - Uprawy zbóż\t01 - Uprawy rolne",
        "01.11.Z - Uprawa zbóż\t01.11 - Uprawa zbóż\t01.1 - Uprawy zbóż\t01 - Uprawy rolne"},
       {}},
      // A further word that filters every line as typed lets one through folded.
      {"zboże ryzu", {}, {"01.12 - Uprawa ryżu"}},
      {"zboże ryżu", {"01.12 - Uprawa ryżu"}, {}},
      {"uprawy zboz", {}, {"01.1 - Uprawy zbóż\t01 - Uprawy rolne"}},  // the further word folded
      // A line found both ways stands once, as typed.
      {"uprawa", {"01.11 - Uprawa zbóż\t01.1 - Uprawy zbóż\t01 - Uprawy rolne",
                  "01.11.Z - Uprawa zbóż\t01.11 - Uprawa zbóż\t01.1 - Uprawy zbóż\t01 - Uprawy rolne",
                  "01.12 - Uprawa ryżu", "01.12.Z - Uprawa ryżu\t01.12 - Uprawa ryżu"}, {}},
      {"zboze", {}, search.Search("zboże")},
      {"lesn", {}, {"02 - Leśnictwo", "02.1 - Gospodarka leśna\t02 - Leśnictwo"}},  // no byte folding leaves alone
      {"qqq", {}, {}},
  };
  for (const auto& c : cases) {
    const picker::TWordHits hits = search.SearchAll(c.typed);
    EXPECT_EQ(hits.Exact, c.exact) << c.typed;
    EXPECT_EQ(hits.Folded, c.folded) << c.typed;
  }
}

}  // namespace
