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

TEST(BuildCatalogueText, CorrespondenceInRecordsNotesAsPublished) {
  kodtool::BuildOptions o;
  o.mapText = "code2007\tcode2025\n01.11.Z\t01.11.Z\n01.12.Z\t01.11.Z\n01.11.Z\t01.12.Z\n01.11.Z\t01.12.Z\n";
  o.otherTsv = kHead + "subclass\t01.11.Z\tA\t\nsubclass\t01.12.Z\tB\t\n";
  const std::string y2025 = kHead + "subclass\t01.11.Z\tA\tNota\nsubclass\t01.12.Z\tB\t\nsubclass\t99.99.Z\tC\t\n";
  std::vector<std::string> warnings;
  const std::string t = BuildCatalogueText(y2025, "pkd2025.tsv", o, &warnings);
  // The notes stay as published; the correspondence is only in the records,
  // keyed by the other revision's codes, right after the third record.
  EXPECT_NE(t.find("@3=Źródło: GUS\r\n@4=PKD 2007=PKD 2025\r\n@5=01.11.Z=01.11.Z,01.12.Z\r\n@5=01.12.Z=01.11.Z\r\n"
                   "    01.11.Z - A\tNota\r\n    01.12.Z - B\r\n    99.99.Z - C\r\n"),
            std::string::npos) << t;
  EXPECT_EQ(t.find("Odpowiedniki"), std::string::npos);
  EXPECT_EQ(warnings, (std::vector<std::string>{"kod 99.99.Z: podklasa bez odpowiednika w PKD 2007"}));
  warnings.clear();
  const std::string t2007 = BuildCatalogueText(kHead + "subclass\t01.11.Z\tA\t\nsubclass\t01.12.Z\tB\t\n", "pkd2007.tsv",
                                               {"", "", o.mapText, ""}, &warnings);
  EXPECT_NE(t2007.find("@4=PKD 2025=PKD 2007\r\n@5=01.11.Z=01.11.Z,01.12.Z\r\n@5=01.12.Z=01.11.Z\r\n    01.11.Z - A\r\n"),
            std::string::npos) << t2007;
  EXPECT_TRUE(warnings.empty());
}

TEST(BuildCatalogueText, MapNamingAMissingSubclassFails) {
  const std::string y2025 = kHead + "subclass\t01.11.Z\tA\t\n";
  const std::string y2007 = kHead + "subclass\t01.11.Z\tA\t\nclass\t01.12\tK\t\n";
  struct Case {
    std::string map, other, error;
  } cases[] = {
      {"h\n01.11.Z\t01.11.Z\n", y2007, ""},
      // A code of this revision that this catalogue lacks.
      {"h\n01.11.Z\t01.11.Z\n01.11.Z\t02.22.Z\n", y2007, "mapa:3: kodu 02.22.Z nie ma wśród podklas PKD 2025"},
      // A code of the other revision that its TSV lacks (a class is no subclass).
      {"h\n01.12\t01.11.Z\n", y2007, "mapa:2: kodu 01.12 nie ma wśród podklas PKD 2007"},
      // Without the other TSV its codes cannot be checked.
      {"h\n01.12\t01.11.Z\n", "", ""},
  };
  for (const Case& c : cases) {
    std::string error;
    try {
      BuildCatalogueText(y2025, "pkd2025.tsv", {"", "", c.map, c.other});
    } catch (const text::Exception& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.error) << c.map;
  }
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
    o.otherTsv = name == "pkd2025" ? tsv2007 : tsv2025;
    const auto path = dir.Path(name + ".kod");
    warnings.clear();
    catalogue::WriteKodFile(path, BuildCatalogueText(tsv, name + ".tsv", o, &warnings));
    b.Load(path);
  }
  std::string tsv2025, tsv2007, map;
  std::vector<std::string> warnings;
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
  // A note with line breaks, as GUS published it: no line of ours.
  const std::string note = b.Opisy().Opis("01.13.Z");
  EXPECT_NE(note.find('\xFF'), std::string::npos);
  for (const std::string& l : b.Lines())
    EXPECT_EQ(b.Opisy().Opis(catalogue::CodeOf(l)).find("Odpowiedniki"), std::string::npos) << l;
  // The data has no '?', so none may appear from a lost character; minus signs became hyphens.
  for (const auto& l : b.Lines()) EXPECT_EQ(l.find('?'), std::string::npos) << l;
  EXPECT_EQ(b.Opisy().Opis("66.30.Z").find('?'), std::string::npos);
  EXPECT_NE(b.Opisy().Opis("66.30.Z").find("na przykład:\xFF- zarządzanie fundusz"), std::string::npos);
  size_t subclasses = 0;
  for (const auto& l : b.Lines()) subclasses += l.rfind("    ", 0) == 0;
  EXPECT_EQ(subclasses, 728u);
  // Every PKD 2007 subclass of the correspondence, with its PKD 2025 counterparts.
  EXPECT_EQ(b.Correspondence().Count(), 656u);
  EXPECT_EQ(b.Correspondence().OtherRevision(), "PKD 2007");
  ASSERT_NE(b.Correspondence().Counterparts("01.49.Z"), nullptr);
  EXPECT_EQ(*b.Correspondence().Counterparts("01.49.Z"), (std::vector<std::string>{"01.47.Z", "01.48.Z"}));
  EXPECT_EQ(b.Correspondence().Sources("01.47.Z"), (std::vector<std::string>{"01.47.Z", "01.49.Z", "01.62.Z"}));
  // The one PKD 2025 subclass the correspondence leaves out.
  EXPECT_EQ(warnings, (std::vector<std::string>{"kod 46.89.Z: podklasa bez odpowiednika w PKD 2007"}));
}

TEST_F(RealData, Pkd2007RoundTrip) {
  catalogue::TBaza b;
  BuildAndLoad(tsv2007, "pkd2007", b);
  EXPECT_EQ(b.Count(), 1652u);
  EXPECT_EQ(b.Naglowek(), "PKD 2007");
  EXPECT_TRUE(warnings.empty());  // every PKD 2007 subclass has a counterpart
  EXPECT_EQ(b.Correspondence().Count(), 727u);  // the PKD 2025 subclasses the correspondence names
  EXPECT_EQ(b.Correspondence().ThisRevision(), "PKD 2007");
  ASSERT_NE(b.Correspondence().Counterparts("01.47.Z"), nullptr);
  EXPECT_EQ(*b.Correspondence().Counterparts("01.47.Z"), (std::vector<std::string>{"01.47.Z", "01.49.Z", "01.62.Z"}));
}

}  // namespace
