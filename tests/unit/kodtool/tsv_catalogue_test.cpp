#include "kodtool/tsv_catalogue.h"

#include <gtest/gtest.h>

#include "catalogue/baza.h"
#include "catalogue/entry_text.h"
#include "catalogue/kodfile.h"
#include "support/temp_dir.h"
#include "text/cp1250.h"
#include "text/errors.h"

namespace {

using kodtool::BuildCatalogueText;
using testing_support::ReadAll;
using testing_support::TempDir;

const std::string kHead = "level\tcode\ttitle\tnotes\n";

// Literals here are Windows-1250; the data files are UTF-8.
std::string Utf8(const std::string& cp1250) { return text::Cp1250ToUtf8(cp1250); }

std::string BuildError(const std::string& tsv, const std::string& name = "x.tsv") {
  try {
    BuildCatalogueText(tsv, name, {});
  } catch (const text::Exception& e) {
    return e.what();
  }
  return "";
}

TEST(BuildCatalogueText, LinesHeadersAndNotes) {
  const std::string tsv = kHead +
                          "section\tA\tROLNICTWO\tSekcja obejmuje:\\n- uprawy\n"
                          "division\t01\tUprawy\t\n" +
                          Utf8("subclass\t01.11.Z\tUprawa zbóż\tPodklasa ") + "\xE2\x88\x92" + Utf8(" zboża\n");
  EXPECT_EQ(BuildCatalogueText(tsv, "pkd2025.tsv", {}),
            "@1=PKD 2025\r\n@2=Polska Klasyfikacja Działalności 2025\r\n@3=Źródło: GUS\r\n"
            "A - ROLNICTWO\tSekcja obejmuje:\xFF- uprawy\r\n"
            " 01 - Uprawy\r\n"
            "    01.11.Z - Uprawa zbóż\tPodklasa - zboża\r\n");
}

TEST(BuildCatalogueText, RevisionDefaultsAndOverrides) {
  const std::string v = kHead + "section\tV\tX\t\n";
  const std::string u = kHead + "section\tU\tX\t\n";
  EXPECT_EQ(BuildCatalogueText(v, "dane.tsv", {}).substr(0, 14), "@1=PKD 2025\r\n@");
  EXPECT_EQ(BuildCatalogueText(u, "dane.tsv", {}).substr(0, 14), "@1=PKD 2007\r\n@");
  EXPECT_NE(BuildCatalogueText(v, "pkd2007.tsv", {}).find("Działalności 2007\r\n"), std::string::npos);
  kodtool::BuildOptions o;
  o.naglowek = "Mój";
  o.tytul = "Tytuł okna";
  EXPECT_EQ(BuildCatalogueText(u, "x.tsv", o).rfind("@1=Mój\r\n@2=Tytuł okna\r\n@3=", 0), 0u);
}

TEST(BuildCatalogueText, CounterpartsInBothDirections) {
  kodtool::BuildOptions o;
  o.mapText = "code2007\tcode2025\n01.11.Z\t01.11.Z\n01.12.Z\t01.11.Z\n01.11.Z\t01.12.Z\n01.11.Z\t01.12.Z\n";
  const std::string y2025 = kHead + "subclass\t01.11.Z\tA\tNota\nsubclass\t01.12.Z\tB\t\nsubclass\t99.99.Z\tC\t\n";
  const std::string t = BuildCatalogueText(y2025, "pkd2025.tsv", o);
  EXPECT_NE(t.find("01.11.Z - A\tNota\xFFOdpowiedniki w PKD 2007: 01.11.Z, 01.12.Z\r\n"), std::string::npos) << t;
  EXPECT_NE(t.find("01.12.Z - B\tOdpowiedniki w PKD 2007: 01.11.Z\r\n"), std::string::npos) << t;
  EXPECT_NE(t.find("99.99.Z - C\r\n"), std::string::npos) << t;
  const std::string y2007 = kHead + "subclass\t01.11.Z\tA\t\n";
  EXPECT_NE(BuildCatalogueText(y2007, "pkd2007.tsv", o).find("A\tOdpowiedniki w PKD 2025: 01.11.Z, 01.12.Z\r\n"),
            std::string::npos);
}

TEST(BuildCatalogueText, BadInputNamesWhatIsWrong) {
  EXPECT_EQ(BuildError("code\ttitle\n"), "x.tsv: brak wiersza nagłówka \"level code title notes\"");
  EXPECT_EQ(BuildError(kHead), "x.tsv: brak wierszy klasyfikacji");
  EXPECT_EQ(BuildError(kHead + "sekcja\tA\tX\t\n"), "x.tsv:2: nieznany poziom \"sekcja\"");
  EXPECT_EQ(BuildError(kHead + "section\tA\n"), "x.tsv:2: oczekiwano 3 lub 4 kolumn, jest 2");
  EXPECT_EQ(BuildError(kHead + "section\t\tX\t\n"), "x.tsv:2: pusty kod");
  // A character without a Windows-1250 form stops the build, naming code and character.
  EXPECT_EQ(BuildError(kHead + "section\tA\tX\t\n" + "class\t01.11\tStrza\xC5\x82ka \xE2\x86\x92\t\n"),
            "kod 01.11 (nazwa): znak U+2192 nie ma postaci w Windows-1250");
  EXPECT_EQ(BuildError(kHead + "class\t01.11\tX\tz\xC3\n"),
            "kod 01.11 (opis): znak U+FFFD (niepoprawny UTF-8) nie ma postaci w Windows-1250");
}

// The real PKD data, through the writer and back through the loader the picker uses.
class RealData : public ::testing::Test {
 protected:
  void SetUp() override {
    tsv2025 = ReadAll(std::string(PKD_TEST_DATA_DIR) + "/pkd2025.tsv");
    tsv2007 = ReadAll(std::string(PKD_TEST_DATA_DIR) + "/pkd2007.tsv");
    map = ReadAll(std::string(PKD_TEST_DATA_DIR) + "/pkd2007_to_2025.tsv");
    // The data is always there: a build without it is a broken build.
    ASSERT_FALSE(tsv2025.empty() || tsv2007.empty() || map.empty()) << "no classification data in " PKD_TEST_DATA_DIR;
  }
  // Builds a catalogue with the correspondence, writes it and loads it as the picker does.
  void BuildAndLoad(const std::string& tsv, const std::string& name, catalogue::TBaza& b) {
    kodtool::BuildOptions o;
    o.mapText = map;
    const auto path = dir.Path(name + ".kod");
    catalogue::WriteKodFile(path, BuildCatalogueText(tsv, name + ".tsv", o));
    b.Load(path);
  }
  std::string tsv2025, tsv2007, map;
  TempDir dir;
};

TEST_F(RealData, Pkd2025RoundTrip) {
  catalogue::TBaza b;
  BuildAndLoad(tsv2025, "pkd2025", b);
  EXPECT_EQ(b.Count(), 1775u);
  EXPECT_EQ(b.Naglowek(), "PKD 2025");
  EXPECT_EQ(b.Tytul(), "Polska Klasyfikacja Działalności 2025");
  EXPECT_EQ(b.Line(0), "A - ROLNICTWO, LEŚNICTWO I RYBACTWO");
  EXPECT_EQ(b.Line(1), " 01 - Uprawy rolne, chów i hodowla zwierząt, łowiectwo, włączając działalność usługową");
  EXPECT_EQ(catalogue::TitleOf(b.Line(b.Count() - 1)).empty(), false);
  // The first section's note survives thanks to the third header record.
  EXPECT_EQ(b.Opisy().Opis("A").rfind("Sekcja ta obejmuje działalności związane z:\xFF- eksploatacją", 0), 0u);
  // A note with line breaks, ending with its counterparts in PKD 2007.
  const std::string note = b.Opisy().Opis("01.13.Z");
  EXPECT_NE(note.find('\xFF'), std::string::npos);
  EXPECT_NE(note.find("\xFFOdpowiedniki w PKD 2007: 01.13.Z, 01.19.Z, 01.28.Z"), std::string::npos) << note;
  // The data has no '?', so none may appear from a lost character; minus signs became hyphens.
  for (const auto& l : b.Lines()) EXPECT_EQ(l.find('?'), std::string::npos) << l;
  EXPECT_EQ(b.Opisy().Opis("66.30.Z").find('?'), std::string::npos);
  EXPECT_NE(b.Opisy().Opis("66.30.Z").find("na przykład:\xFF- zarządzanie fundusz"), std::string::npos);
  size_t subclasses = 0;
  for (const auto& l : b.Lines()) subclasses += l.rfind("    ", 0) == 0;
  EXPECT_EQ(subclasses, 728u);
}

TEST_F(RealData, Pkd2007RoundTrip) {
  catalogue::TBaza b;
  BuildAndLoad(tsv2007, "pkd2007", b);
  EXPECT_EQ(b.Count(), 1652u);
  EXPECT_EQ(b.Naglowek(), "PKD 2007");
  EXPECT_NE(b.Opisy().Opis("01.11.Z").find("Odpowiedniki w PKD 2025: 01.11.Z"), std::string::npos);
}

}  // namespace
