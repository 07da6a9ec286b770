#include "catalogue/baza.h"

#include <gtest/gtest.h>

#include "catalogue/kodfile.h"
#include "support/temp_dir.h"
#include "text/errors.h"
#include "text/path.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using catalogue::ECatalogueError;
using catalogue::TBaza;
using testing_support::TempDir;
using Lines = std::vector<std::string>;

using Path = std::filesystem::path;

std::string WrongFormat(const Path& path) { return "Wybrany plik: " + text::PathTo1250(path) + " ma niewłaściwy format"; }

// Loads and returns the failure message, or "" when the load succeeded.
std::string LoadError(TBaza& b, const Path& path) {
  try {
    b.Load(path);
  } catch (const text::Exception& e) {
    return e.what();
  }
  return "";
}

class BazaTest : public ::testing::Test {
 protected:
  TempDir dir;
  Path Plain(const std::string& text) { return dir.Write("cat.txt", text); }
  Path Kod(const std::string& text, const std::string& name = "cat.kod") {
    return dir.Write(name, catalogue::MakeKodBytes(text));
  }
};

TEST_F(BazaTest, PlainFormKeepsTabsAndStoresNoDescriptions) {
  TBaza b;
  b.Load(Plain("@1=PKD\r\n@2=Tytuł\nA - Sekcja\tz opisem\r 01 - Dział\r\n"));
  EXPECT_EQ(b.Naglowek(), "PKD");
  EXPECT_EQ(b.Tytul(), "Tytuł");
  EXPECT_EQ(b.Lines(), (Lines{"A - Sekcja\tz opisem", " 01 - Dział"}));
  EXPECT_EQ(b.Opisy().Count(), 0u);
  EXPECT_EQ(b.Text(), "A - Sekcja\tz opisem\r\n 01 - Dział\r\n");
}

TEST_F(BazaTest, CorrespondenceRecordsAreHeadersTheTreeNeverSees) {
  TBaza b;
  b.Load(Kod("@1=PKD 2025\r\n@2=T\r\n@3=x\r\n@4=PKD 2007=PKD 2025\r\n@5=01.49.Z=01.47.Z,01.48.Z\r\n"
             "@261=01.11.z=01.11.Z\r\n@5=bez-rownosci\r\n@5=99.99.Z=\r\n"
             "A - Sekcja\topis A\r\n 01 - Dział\topis 01\r\n"));
  EXPECT_EQ(b.Lines(), (Lines{"A - Sekcja", " 01 - Dział"}));
  EXPECT_EQ(b.Opisy().Opis("A"), "opis A");  // not the third line any more: kept
  EXPECT_EQ(b.Opisy().Opis("01"), "opis 01");
  const catalogue::TCorrespondence& c = b.Correspondence();
  EXPECT_EQ(c.OtherRevision(), "PKD 2007");
  EXPECT_EQ(c.ThisRevision(), "PKD 2025");
  ASSERT_NE(c.Counterparts("01.49.z"), nullptr);
  EXPECT_EQ(*c.Counterparts("01.49.z"), (Lines{"01.47.Z", "01.48.Z"}));
  ASSERT_NE(c.Counterparts("01.11.Z"), nullptr);  // 261 acts as 5
  EXPECT_EQ(*c.Counterparts("01.11.Z"), Lines{"01.11.Z"});
  EXPECT_EQ(c.Counterparts("99.99.Z"), nullptr);  // malformed records name nothing
  EXPECT_EQ(c.Count(), 2u);

  TBaza without;
  without.Load(Kod("@1=PKD\r\n@2=T\r\n@3=x\r\nA - Sekcja\r\n", "bez.kod"));
  EXPECT_TRUE(without.Correspondence().Empty());
  EXPECT_EQ(without.Correspondence().Counterparts("01.49.Z"), nullptr);
}

TEST_F(BazaTest, HeaderNumbersUseTheLowEightBitsAndLaterLinesOverwrite) {
  TBaza b;
  b.Load(Plain("@257=Pierwszy\n@3=pominięty\n@ 0x2=T1\n@$102=T2 \n@1=Drugi=z=równością\nX - x\n"));
  EXPECT_EQ(b.Naglowek(), "Drugi=z=równością");
  EXPECT_EQ(b.Tytul(), "T2 ");  // value kept exactly, blanks included
  EXPECT_EQ(b.Lines(), Lines{"X - x"});
}

TEST_F(BazaTest, OnlyTheLeadingRunOfAtLinesIsHeader) {
  TBaza b;
  b.Load(Plain("@1=N\nA - a\n@2=nie nagłówek\n"));
  EXPECT_EQ(b.Tytul(), "");
  EXPECT_EQ(b.Lines(), (Lines{"A - a", "@2=nie nagłówek"}));
}

TEST_F(BazaTest, HeaderNumberIsAtMostTenCharacters) {
  // "@00000000001": characters 2..11 are ten zeros, record 0, dropped.
  TBaza b;
  const Path p = Plain("@00000000001=N\nA - a\n");
  EXPECT_EQ(LoadError(b, p), WrongFormat(p));
}

TEST_F(BazaTest, BadHeaderNumberNamesItsTextAndKeepsEarlierHeaders) {
  TBaza b;
  const Path p = Plain("@2=Tytuł\n@1q=x\n@1=N\nA - a\n");
  EXPECT_EQ(LoadError(b, p), "'1q' is not a valid integer value");
  EXPECT_EQ(b.Tytul(), "Tytuł");
  EXPECT_EQ(b.Lines(), (Lines{"@1q=x", "@1=N", "A - a"}));
}

TEST_F(BazaTest, MissingOrEmptyRecordOneIsWrongFormat) {
  {
    TBaza b;
    const Path p = dir.Write("a.txt", "@1\nA - a\n");  // no "=": empty value
    EXPECT_EQ(LoadError(b, p), WrongFormat(p));
    EXPECT_EQ(b.Lines(), Lines{"A - a"});  // lines stay loaded
  }
  {
    TBaza b;
    const Path p = dir.Write("b.txt", "@1=");
    EXPECT_EQ(LoadError(b, p), WrongFormat(p));
  }
  {
    TBaza b;
    const Path p = dir.Write("c.txt", "@2=Tytuł\n");
    EXPECT_EQ(LoadError(b, p), WrongFormat(p));
    EXPECT_EQ(b.Tytul(), "Tytuł");
  }
  {
    TBaza b;  // a bare "@1" after "@1=X" empties the value again
    const Path p = dir.Write("e.txt", "@1=X\n@1\nA - a\n");
    EXPECT_EQ(LoadError(b, p), WrongFormat(p));
    EXPECT_EQ(b.Naglowek(), "");
  }
  {
    TBaza b;
    b.Load(dir.Write("d.txt", "@1=X"));
    EXPECT_EQ(b.Naglowek(), "X");
    EXPECT_EQ(b.Count(), 0u);
  }
}

TEST_F(BazaTest, CompressedFormSplitsDescriptionsFromTheFourthLine) {
  TBaza b;
  b.Load(Kod("@1=PKD\t1\n@2=T\tx\nA - Sekcja\topis A\n 01 - Dział\topis\xFF" "01\n 02 - Bez opisu\n  02.1 - G - x\tg\r\n"
             "  02.2 - H\tz\tdrugim tabem\n"));
  EXPECT_EQ(b.Naglowek(), "PKD\t1");  // the first two lines are never cut
  EXPECT_EQ(b.Tytul(), "T\tx");
  EXPECT_EQ(b.Lines(), (Lines{"A - Sekcja", " 01 - Dział", " 02 - Bez opisu", "  02.1 - G - x", "  02.2 - H"}));
  EXPECT_EQ(b.Opisy().Opis("A"), "");  // the third line's description is dropped
  EXPECT_EQ(b.Opisy().Opis("01"), "opis\xFF" "01");
  EXPECT_EQ(b.Opisy().Opis("02.1"), "g");
  EXPECT_EQ(b.Opisy().SearchText("02.1"), "  02.1 - G - X G");
  EXPECT_EQ(b.Opisy().Opis("02.2"), "z\tdrugim tabem");  // from the first tab to the end of the line
  EXPECT_EQ(b.Opisy().Count(), 3u);
}

TEST_F(BazaTest, CompressedDescriptionCodeComesFromTheWholeLine) {
  TBaza b;
  // No " - " before the tab: the code is cut at the " - " inside the description,
  // and a line without any " - " files its description under the empty code.
  b.Load(Kod("@1=N\n@2=T\n@3=x\nBEZ\tKOD - opis\nNIC\tnic\n"));
  EXPECT_EQ(b.Lines(), (Lines{"BEZ", "NIC"}));
  EXPECT_EQ(b.Opisy().Opis("BEZ\tKOD"), "KOD - opis");
  EXPECT_EQ(b.Opisy().Opis(""), "nic");
}

TEST_F(BazaTest, DuplicateCodesStayAndTheLaterDescriptionWins) {
  TBaza b;
  b.Load(Kod("@1=N\n@2=T\n@3=x\n01 - a\tpierwszy\n01 - b\tdrugi\n"));
  EXPECT_EQ(b.Lines(), (Lines{"01 - a", "01 - b"}));
  EXPECT_EQ(b.Opisy().Count(), 2u);
  EXPECT_EQ(b.Opisy().Opis("01"), "drugi");
}

TEST_F(BazaTest, ExtensionDecidesTheFormInAnyLetterCase) {
  for (const char* name : {"a.kod", "b.KOD", "c.Kod"}) {
    TBaza b;
    b.Load(Kod("@1=N\n@2=T\n@3=x\nA - a\tdesc\n", name));
    EXPECT_EQ(b.Lines(), Lines{"A - a"}) << name;
  }
  // Plain text under ".kod" lacks the magic: nothing loads, wrong format.
  TBaza b;
  const Path p = dir.Write("plain.kod", "@1=N\nA - a\n");
  EXPECT_EQ(LoadError(b, p), WrongFormat(p));
  EXPECT_EQ(b.Count(), 0u);
  // A compressed file under another extension is read as (binary) plain text.
  TBaza c;
  const Path q = dir.Write("packed.dat", catalogue::MakeKodBytes("@1=N\n"));
  EXPECT_EQ(LoadError(c, q), WrongFormat(q));
}

TEST_F(BazaTest, ShortKodFileLoadsNothing) {
  for (const std::string& bytes : {std::string(), std::string("\x01\x02\x03\x04ZELZIP"), std::string("@1=N\n")}) {
    TBaza b;
    const Path p = dir.Write("short.kod", bytes);
    EXPECT_EQ(LoadError(b, p), WrongFormat(p));
    EXPECT_EQ(b.Count(), 0u);
  }
}

TEST_F(BazaTest, MissingFileMessageAndState) {
  TBaza b;
  const Path p = dir.Path("nie_ma.kod");
  EXPECT_EQ(LoadError(b, p), "Nie znalazłem pliku: " + text::PathTo1250(p) +
                                 " !\nPrawdopodobnie został wykasowany lub przesunięty.");
  EXPECT_EQ(b.FileName(), p);
  // A folder is not a catalogue file either.
  TBaza c;
  const Path folder = dir.Path("");
  EXPECT_EQ(LoadError(c, folder).rfind("Nie znalazłem pliku: ", 0), 0u);
}

TEST_F(BazaTest, SamePathLoadsOnlyOnce) {
  TBaza b;
  const Path p = Plain("@1=N\nA - a\n");
  b.Load(p);
  Plain("@1=M\nB - b\nC - c\n");
  b.Load(p);
  EXPECT_EQ(b.Naglowek(), "N");
  EXPECT_EQ(b.Lines(), Lines{"A - a"});
  TBaza empty;
  empty.Load(Path());  // equal to the empty FileName of a new catalogue: nothing happens
  EXPECT_EQ(empty.Count(), 0u);
}

TEST_F(BazaTest, DamagedStreamFailsWithErrorAndLeavesLinesUnchanged) {
  const std::string good = catalogue::MakeKodBytes("@1=N\n@2=T\n@3=x\nA - a\tdesc\n" + std::string(5000, 'z') + "\n");
  std::string flipped = good;
  flipped[40] = static_cast<char>(flipped[40] ^ 0x55);
  const std::string truncated = good.substr(0, good.size() - 9);
  std::string noTrailer = good.substr(0, good.size() - 4);  // Adler-32 missing
  std::string badHeader = good;
  badHeader[11] = 0x00;
  for (const std::string& bytes : {flipped, truncated, noTrailer, badHeader}) {
    TBaza b;
    b.Load(Plain("@1=N\nold - line\n"));
    const Path p = dir.Write("bad.kod", bytes);
    EXPECT_EQ(LoadError(b, p), "Error");
    EXPECT_EQ(b.Lines(), Lines{"old - line"});
    EXPECT_EQ(b.Opisy().Count(), 0u);
  }
}

TEST_F(BazaTest, StreamInflatingPastTheLimitIsDamaged) {
  const std::string bomb(catalogue::kMaxInflatedSize + 1, '\n');
  const Path p = dir.Write("bomb.kod", catalogue::MakeKodBytes(bomb));
  TBaza b;
  EXPECT_EQ(LoadError(b, p), "Error");
  EXPECT_EQ(b.Count(), 0u);
}

TEST_F(BazaTest, TextAfterNulAndBytesAfterTheStreamAreIgnored) {
  TBaza b;
  std::string bytes = catalogue::MakeKodBytes(std::string("@1=N\n@2=T\n@3=x\nA - a\0B - b\n", 26));
  bytes += "trailing garbage";
  b.Load(dir.Write("zero_byte.kod", bytes));
  EXPECT_EQ(b.Lines(), Lines{"A - a"});
}

#ifdef _WIN32
TEST_F(BazaTest, FileThatCannotBeOpenedNamesItsFullPath) {
  const Path p = Plain("@1=N\nA - a\n");
  HANDLE h = CreateFileW(p.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  TBaza b;
  const std::string msg = LoadError(b, p);
  CloseHandle(h);
  EXPECT_EQ(msg.rfind("Cannot open file \"", 0), 0u) << msg;
  EXPECT_NE(msg.find("cat.txt\". "), std::string::npos) << msg;
  EXPECT_EQ(b.Count(), 0u);
}
#endif

}  // namespace
