// pkdmap on the real catalogues the build makes: what a code becomes, the
// rows written back as read, the encodings and delimiters, the faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/baza.h"
#include "pkdmap/code_map.h"
#include "pkdmap/converter.h"
#include "pkdmap/encoding.h"
#include "pkdmap/options.h"
#include "text/cp1250.h"
#include "text/path.h"

namespace {

using namespace pkdmap;

std::filesystem::path BuiltCatalogue(const std::string& name) {
  std::string path = std::string(PKD_TEST_BINARY_DIR) + "/bin/" + name;
#ifdef _WIN32
  std::replace(path.begin(), path.end(), '/', '\\');
  path = "Z:" + path;
#endif
  return text::PathFrom1250(path);
}

struct TCatalogues {
  catalogue::TBaza kod2025, kod2007;
  std::unique_ptr<TCodeMap> from2007, from2025;
};

const TCatalogues& Catalogues() {
  static TCatalogues* c = [] {
    auto* r = new TCatalogues;
    r->kod2025.Load(BuiltCatalogue("pkd.kod"));
    r->kod2007.Load(BuiltCatalogue("pkd2007.kod"));
    r->from2007 = std::make_unique<TCodeMap>(r->kod2007, r->kod2025);
    r->from2025 = std::make_unique<TCodeMap>(r->kod2025, r->kod2007);
    return r;
  }();
  return *c;
}

// Hands the input out in pieces of at most step bytes, so that rows,
// quotes, line ends and UTF-16 characters fall across reads.
class TStringSource : public TByteSource {
 public:
  TStringSource(std::string data, size_t step) : FData(std::move(data)), FStep(step) {}
  size_t Read(char* buffer, size_t size) override {
    const size_t n = std::min({size, FStep, FData.size() - FPos});
    FData.copy(buffer, n, FPos);
    FPos += n;
    return n;
  }

 private:
  std::string FData;
  size_t FStep;
  size_t FPos = 0;
};

class TStringSink : public TByteSink {
 public:
  void Write(std::string_view bytes) override { Text.append(bytes); }
  std::string Text;
};

std::string Convert(const std::string& input, const TOptions& options, size_t step = 1 << 20,
                    TSummary* summary = nullptr) {
  const TCodeMap& map = options.From == 2007 ? *Catalogues().from2007 : *Catalogues().from2025;
  TStringSource source(input, step);
  TStringSink sink;
  TConverter converter(map, options);
  const TSummary s = converter.Run(source, sink);
  if (summary) *summary = s;
  return sink.Text;
}

std::string Utf16(const std::string& text1250) {
  std::string r;
  for (char16_t u : text::Cp1250ToUtf16(text1250)) {
    r += static_cast<char>(u & 0xFF);
    r += static_cast<char>(u >> 8);
  }
  return r;
}

TEST(PkdmapCodeKey, LooseFormsOfOneSubclass) {
  const struct {
    const char* written;
    const char* code;  // nullptr: no subclass code
  } cases[] = {
      {"01.49.Z", "01.49.Z"}, {"0149Z", "01.49.Z"},   {"01.49.z", "01.49.Z"}, {" 01 . 49 . Z ", "01.49.Z"},
      {"01.49Z", "01.49.Z"},  {"0149.Z", "01.49.Z"},  {"1.49.Z", "01.49.Z"},  {"\t85.32.c", "85.32.C"},
      {"01.49", nullptr},     {"149Z", nullptr},      {"01.49.ZZ", nullptr},  {"01..49.Z", nullptr},
      {"014.9Z", nullptr},    {"01.4.9Z", nullptr},   {"01.49.1", nullptr},   {"A", nullptr},
      {"01.49.Ł", nullptr},   {"", nullptr},          {"0 1 4 9 Z 0 0 0 0 0 0 0 0", nullptr},
  };
  for (const auto& k : cases) {
    const int32_t key = CodeKey(k.written);
    if (k.code) {
      ASSERT_GE(key, 0) << k.written;
      EXPECT_EQ(KeyCode(key), k.code) << k.written;
    } else {
      EXPECT_EQ(key, -1) << k.written;
    }
  }
}

TEST(PkdmapCodeMap, KindsOnTheRealCorrespondence) {
  const struct {
    int from;
    const char* code;
    TKind kind;
    std::vector<std::string> counterparts;
  } cases[] = {
      {2007, "01.11.Z", kcSame, {"01.11.Z"}},
      {2007, "01.41.Z", kcSame, {"01.41.Z"}},  // 01.42.Z's part joins it; the code stays
      {2007, "25.40.Z", kcChanged, {"25.30.Z"}},  // weapons: 2025's 25.40.Z is forging
      {2007, "85.32.C", kcChanged, {"85.32.D"}},
      {2007, "85.32.D", kcChanged, {"85.32.C"}},
      {2007, "01.49.Z", kcSplit, {"01.47.Z", "01.48.Z"}},
      {2007, "01.42.Z", kcSplit, {"01.41.Z", "01.42.Z"}},
      {2007, "13.10.A", kcMerged, {"13.10.Z"}},
      {2007, "14.12.Z", kcRenamed, {"14.23.Z"}},
      {2007, "01.48.Z", kcUnknown, {}},  // a PKD 2025 code only
      {2007, "01.49", kcUnknown, {}},    // a class: the correspondence is between subclasses
      {2007, " \t", kcEmpty, {}},
      {2025, "25.40.Z", kcChanged, {"25.50.Z"}},
      {2025, "01.47.Z", kcSplit, {"01.47.Z", "01.49.Z", "01.62.Z"}},
      {2025, "46.89.Z", kcNone, {}},
      {2025, "01.49.Z", kcUnknown, {}},
  };
  for (const auto& k : cases) {
    const TCodeMap& map = k.from == 2007 ? *Catalogues().from2007 : *Catalogues().from2025;
    const TMapping& m = map.Mappings()[map.Find(k.code)];
    std::vector<std::string> codes;
    for (const TCounterpart& c : m.Counterparts) {
      codes.push_back(c.Code);
      EXPECT_FALSE(c.Title.empty()) << c.Code;
    }
    EXPECT_EQ(KindToken(m.Kind), std::string(KindToken(k.kind))) << k.from << " " << k.code;
    EXPECT_EQ(codes, k.counterparts) << k.from << " " << k.code;
  }
  // Codes in both revisions that name different activities: 25 each way.
  for (const TCodeMap* map : {Catalogues().from2007.get(), Catalogues().from2025.get()}) {
    EXPECT_EQ(std::count_if(map->Mappings().begin(), map->Mappings().end(),
                            [](const TMapping& m) { return m.Kind == kcChanged; }),
              25)
        << map->SourceRevision();
  }
  // A target that carries no correspondence from the source's revision.
  EXPECT_THROW(TCodeMap(Catalogues().kod2025, Catalogues().kod2025), text::Exception);
}

// A contractors' list as Polish Excel saves it: semicolons, Windows-1250,
// a header, quoted fields (a delimiter, doubled quotes and a line break
// inside), codes written loosely, an empty code, no line end after the last.
TEST(PkdmapConverter, SemicolonCsvIn1250ByteForByte) {
  const std::string input =
      "Kontrahent;NIP;\"Kod PKD\";Uwagi\r\n"
      "\"Kowalski; Syn\";1234563218;0149Z;\"stary \"\"kod\"\"\"\r\n"
      "Nowak;5260001246; 01.49.z ;\r\n"
      "\"Żabka\r\nSp. z o.o.\";;25.40.Z;broń\r\n"
      "Łącki;;\"85.32.C\";\r\n"
      "Ogórek;;01 41 Z;\r\n"
      "Zięba;;;brak kodu\r\n"
      "Wójcik;;99.99.Z;\r\n"
      "Kądziołka;;13.10.a;\r\n"
      "Bąk;;14.12.Z";
  const std::string expected =
      "Kontrahent;NIP;\"Kod PKD\";Uwagi;PKD 2025;rodzaj zmiany;nazwa w PKD 2025\r\n"
      "\"Kowalski; Syn\";1234563218;0149Z;\"stary \"\"kod\"\"\";01.47.Z|01.48.Z;podział;"
      "Chów i hodowla drobiu|Chów i hodowla pozostałych zwierząt\r\n"
      "Nowak;5260001246; 01.49.z ;;01.47.Z|01.48.Z;podział;Chów i hodowla drobiu|Chów i hodowla pozostałych zwierząt\r\n"
      "\"Żabka\r\nSp. z o.o.\";;25.40.Z;broń;25.30.Z;zmiana znaczenia;Produkcja broni i amunicji\r\n"
      "Łącki;;\"85.32.C\";;85.32.D;zmiana znaczenia;Szkoły specjalne przysposabiające do pracy\r\n"
      "Ogórek;;01 41 Z;;01.41.Z;bez zmian;Chów i hodowla bydła mlecznego\r\n"
      "Zięba;;;brak kodu;;pusty;\r\n"
      "Wójcik;;99.99.Z;;;nieznany kod;\r\n"
      "Kądziołka;;13.10.a;;13.10.Z;połączenie;Przygotowanie i przędzenie włókien tekstylnych\r\n"
      "Bąk;;14.12.Z;14.23.Z;zmiana kodu;Produkcja odzieży roboczej";
  TOptions options;
  options.Column = "kod pkd";
  for (size_t step : {size_t(1), size_t(3), size_t(1) << 20}) {
    TSummary summary;
    EXPECT_EQ(Convert(input, options, step, &summary), expected) << "read by " << step;
    EXPECT_EQ(summary.Encoding, enCp1250);
    EXPECT_EQ(summary.Delimiter, ';');
    EXPECT_EQ(summary.Rows, 9u);
    EXPECT_EQ(summary.Kinds[kcSplit], 2u);
    EXPECT_EQ(summary.Kinds[kcChanged], 2u);
  }
}

// The same list in each encoding and with each delimiter comes back in the
// same encoding and delimiter, the rows as they were.
TEST(PkdmapConverter, EncodingsAndDelimitersKeepTheRows) {
  const struct {
    const char* input;
    const char* expected;
    int delimiter;
  } rows[] = {
      {"Firma,Kod\n\"Łódź, Sp.\",01.49.Z\n",
       "Firma,Kod,PKD 2025,rodzaj zmiany,nazwa w PKD 2025\n"
       "\"Łódź, Sp.\",01.49.Z,01.47.Z|01.48.Z,podział,Chów i hodowla drobiu|Chów i hodowla pozostałych zwierząt\n",
       ','},
      {"Firma\tKod\nŁódź\t25.40.Z\n",
       "Firma\tKod\tPKD 2025\trodzaj zmiany\tnazwa w PKD 2025\nŁódź\t25.40.Z\t25.30.Z\tzmiana znaczenia\tProdukcja broni i amunicji\n",
       '\t'},
      {"Kod (Łódź)\r\n0149Z\r\n\r\n",
       "Kod (Łódź);PKD 2025;rodzaj zmiany;nazwa w PKD 2025\r\n"
       "0149Z;01.47.Z|01.48.Z;podział;Chów i hodowla drobiu|Chów i hodowla pozostałych zwierząt\r\n;;pusty;\r\n",
       0},
      {"Łódź;Kod\r\nx;85.32.D\r\n", "Łódź;Kod;PKD 2025;rodzaj zmiany;nazwa w PKD 2025\r\nx;85.32.D;85.32.C;zmiana znaczenia;Branżowe szkoły II stopnia\r\n", ';'},
  };
  const struct {
    TEncoding encoding;
    std::string (*encode)(const std::string&);
  } encodings[] = {
      {enCp1250, [](const std::string& s) { return s; }},
      {enUtf8, [](const std::string& s) { return text::Cp1250ToUtf8(s); }},
      {enUtf8Bom, [](const std::string& s) { return "\xEF\xBB\xBF" + text::Cp1250ToUtf8(s); }},
      {enUtf16Le, [](const std::string& s) { return "\xFF\xFE" + Utf16(s); }},
  };
  TOptions options;
  options.Column = "2";
  for (const auto& r : rows) {
    for (const auto& e : encodings) {
      for (size_t step : {size_t(1), size_t(1) << 20}) {
        TSummary summary;
        TOptions o = options;
        o.Column = r.delimiter ? "2" : "1";
        EXPECT_EQ(Convert(e.encode(r.input), o, step, &summary), e.encode(r.expected))
            << EncodingName(e.encoding) << " " << r.input << " by " << step;
        EXPECT_EQ(summary.Encoding, e.encoding) << r.input;
        EXPECT_EQ(summary.Delimiter, r.delimiter) << r.input;
      }
    }
  }
  // Told otherwise: Windows-1250 in, UTF-8 out; UTF-8 named though the text
  // would pass for Windows-1250 too.
  TOptions o = options;
  o.OutputEncodingGiven = true;
  o.OutputEncoding = enUtf8;
  EXPECT_EQ(Convert(rows[3].input, o), text::Cp1250ToUtf8(rows[3].expected));
  o = options;
  o.EncodingGiven = true;
  o.Encoding = enUtf8;
  o.Header = hdNo;
  EXPECT_EQ(Convert("x;25.40.Z\n", o), text::Cp1250ToUtf8("x;25.40.Z;25.30.Z;zmiana znaczenia;Produkcja broni i amunicji\n"));
}

TEST(PkdmapConverter, ExplodeJsonAndTheOtherDirection) {
  const struct {
    int from;
    TFormat format;
    bool explode;
    const char* separator;
    const char* column;
    const char* input;
    const char* expected;
  } cases[] = {
      {2007, fmCsv, true, "|", "1", "01.49.Z;x\n99.99.Z;y",
       "01.49.Z;x;01.47.Z;podział;Chów i hodowla drobiu\n"
       "01.49.Z;x;01.48.Z;podział;Chów i hodowla pozostałych zwierząt\n"
       "99.99.Z;y;;nieznany kod;"},
      {2007, fmCsv, true, "|", "1", "01.49.Z",  // the last row has no line end: the file's own goes between
       "01.49.Z;01.47.Z;podział;Chów i hodowla drobiu\r\n01.49.Z;01.48.Z;podział;Chów i hodowla pozostałych zwierząt"},
      {2007, fmCsv, false, ", ", "1", "01.49.Z\n", "01.49.Z;01.47.Z, 01.48.Z;podział;Chów i hodowla drobiu, Chów i hodowla pozostałych zwierząt\n"},
      {2025, fmCsv, false, "|", "1", "46.89.Z\n01.48.Z\n",
       "46.89.Z;;brak odpowiednika;\n01.48.Z;01.49.Z|03.22.Z;podział;"
       "Chów i hodowla pozostałych zwierząt|Chów i hodowla ryb oraz pozostałych organizmów wodnych w wodach śródlądowych\n"},
      {2007, fmJson, false, "|", "Kod", "Firma;Kod\n\"A \"\"B\"\"\";01.49.z\nC;\n",
       "{\"line\":2,\"code\":\"01.49.z\",\"normalized\":\"01.49.Z\",\"kind\":\"split\",\"counterparts\":["
       "{\"code\":\"01.47.Z\",\"title\":\"Ch\xC3\xB3w i hodowla drobiu\"},"
       "{\"code\":\"01.48.Z\",\"title\":\"Ch\xC3\xB3w i hodowla pozosta\xC5\x82ych zwierz\xC4\x85t\"}],"
       "\"fields\":[\"A \\\"B\\\"\",\"01.49.z\"]}\n"
       "{\"line\":3,\"code\":\"\",\"normalized\":null,\"kind\":\"empty\",\"counterparts\":[],\"fields\":[\"C\",\"\"]}\n"},
  };
  for (const auto& k : cases) {
    TOptions o;
    o.From = k.from;
    o.Format = k.format;
    o.Explode = k.explode;
    o.Separator = k.separator;
    o.Column = k.column;
    EXPECT_EQ(Convert(k.input, o), k.expected) << k.input;
  }
}

TEST(PkdmapConverter, FaultsNameTheirLine) {
  const struct {
    std::string input;
    const char* column;
    size_t line;
    const char* message;
  } cases[] = {
      {"Kod\n01.49.Z\n\"01.11.Z\n01.12.Z\n", "1", 3, "nie został zamknięty"},
      {"a;01.11.Z\nb;\"01\"x;c\n", "2", 2, "po cudzysłowie"},
      {"a;\"x\ny\"z;01.11.Z\n", "3", 2, "po cudzysłowie"},  // the line the fault is on
      {"Firma;Kod\nx;01.11.Z\n", "Kod PKD", 1, "nie ma kolumny „Kod PKD”"},
      {std::string("\xFF\xFE", 2) + Utf16("01.11.Z\n0") + "1", "1", 2, "UTF-16"},
      {std::string("\xFF\xFE", 2) + "0", "1", 1, "UTF-16"},
      // Windows-1250 guessed from 64 KB of ASCII; UTF-8 comes later.
      {std::string(70000, 'x').replace(0, 1, "\n") + "\n" + text::Cp1250ToUtf8("Łódź;01.11.Z\n"), "2", 3, "--encoding"},
  };
  for (const auto& k : cases) {
    TOptions o;
    o.Column = k.column;
    try {
      Convert(k.input, o, 5);
      ADD_FAILURE() << "no fault in " << k.input;
    } catch (const EInputError& e) {
      EXPECT_EQ(e.Line(), k.line) << k.input;
      EXPECT_NE(e.Message().find(k.message), std::string::npos) << e.Message();
    }
  }
}

TEST(PkdmapOptions, WhatTheCommandLineSays) {
  TOptions o;
  std::string error;
  ASSERT_TRUE(ParseOptions({"--from=2025", "--column", "Kod PKD", "--format", "json", "--encoding", "UTF-8",
                            "--output-encoding=utf16", "--delimiter", "tab", "--no-header", "--pkd2025", "a.kod",
                            "-o", "wy.csv", "--", "-we.csv"},
                           o, error) == false);  // a name needs a header
  o = TOptions();
  ASSERT_TRUE(ParseOptions({"--from=2025", "--column", "3", "--format", "json", "--encoding", "UTF-8",
                            "--output-encoding=utf16", "--delimiter", "tab", "--no-header", "--pkd2025", "a.kod",
                            "-o", "wy.csv", "--", "-we.csv"},
                           o, error))
      << error;
  EXPECT_EQ(o.From, 2025);
  EXPECT_EQ(ColumnNumber(o.Column), 3);
  EXPECT_EQ(o.Format, fmJson);
  EXPECT_TRUE(o.EncodingGiven && o.Encoding == enUtf8);
  EXPECT_TRUE(o.OutputEncodingGiven && o.OutputEncoding == enUtf16Le);
  EXPECT_EQ(o.Delimiter, '\t');
  EXPECT_EQ(o.Header, hdNo);
  EXPECT_EQ(o.Kod2025, "a.kod");
  EXPECT_EQ(o.Output, "wy.csv");
  EXPECT_EQ(o.Input, "-we.csv");

  const std::vector<std::vector<std::string>> bad = {
      {"--from", "2008"}, {"--column", "0"},      {"--format", "xml"},          {"--encoding", "latin2"},
      {"--delimiter", "|"}, {"--column"},         {"--explode", "--format", "json"}, {"a.csv", "b.csv"},
      {"--frobnicate"},   {"--explode=tak"},
  };
  for (const auto& args : bad) {
    TOptions x;
    std::string e;
    EXPECT_FALSE(ParseOptions(args, x, e)) << args[0];
    EXPECT_FALSE(e.empty()) << args[0];
  }
}

}  // namespace
