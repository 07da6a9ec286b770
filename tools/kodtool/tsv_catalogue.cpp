#include "kodtool/tsv_catalogue.h"

#include <cstdio>
#include <set>

#include "catalogue/correspondence.h"
#include "text/cp1250.h"
#include "text/errors.h"
#include "text/lines.h"

namespace kodtool {

namespace {

const char kLineBreakMark = '\xFF';

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> cols;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    cols.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return cols;
}

int DepthOf(const std::string& level) {
  if (level == "section") return 0;
  if (level == "division") return 1;
  if (level == "group") return 2;
  if (level == "class") return 3;
  if (level == "subclass") return 4;
  return -1;
}

std::string Utf8Of(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

// UTF-8 to Windows-1250; the minus sign becomes "-", anything else without a
// Windows-1250 form stops the build.
std::string Convert(const std::string& utf8, const std::string& code, const char* what) {
  std::string in;
  in.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8.compare(i, 3, "\xE2\x88\x92") == 0) {  // U+2212 MINUS SIGN
      in += '-';
      i += 2;
    } else {
      in += utf8[i];
    }
  }
  std::string out;
  char32_t bad = 0;
  if (!text::Utf8To1250Strict(in, out, bad)) {
    throw text::Exception("kod " + code + " (" + what + "): znak " + Utf8Of(bad) +
                          (bad == 0xFFFD ? " (niepoprawny UTF-8)" : "") + " nie ma postaci w Windows-1250");
  }
  return out;
}

// "\n" written as two characters in the notes becomes the catalogue's line-break mark.
std::string NoteToCatalogue(const std::string& note) {
  std::string out;
  out.reserve(note.size());
  for (size_t i = 0; i < note.size(); ++i) {
    if (note[i] == '\\' && i + 1 < note.size() && note[i + 1] == 'n') {
      out += kLineBreakMark;
      ++i;
    } else {
      out += note[i];
    }
  }
  return out;
}

struct Row {
  int depth;
  std::string code;
  std::string title;
  std::string note;
};

// The rows of a classification TSV; sectionV: the TSV has a section V.
std::vector<Row> ParseRows(const std::string& tsv, const std::string& sourceName, bool& sectionV) {
  const std::vector<std::string> lines = text::SplitLines(tsv);
  if (lines.empty() || lines[0].rfind("level\tcode\ttitle", 0) != 0)
    throw text::Exception(sourceName + ": brak wiersza nagłówka \"level code title notes\"");

  std::vector<Row> rows;
  sectionV = false;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const std::vector<std::string> cols = SplitTabs(lines[i]);
    const std::string lineNo = std::to_string(i + 1);
    if (cols.size() < 3 || cols.size() > 4)
      throw text::Exception(sourceName + ":" + lineNo + ": oczekiwano 3 lub 4 kolumn, jest " + std::to_string(cols.size()));
    const int depth = DepthOf(cols[0]);
    if (depth < 0) throw text::Exception(sourceName + ":" + lineNo + ": nieznany poziom \"" + text::Utf8To1250(cols[0]) + "\"");
    if (cols[1].empty()) throw text::Exception(sourceName + ":" + lineNo + ": pusty kod");
    const std::string code = Convert(cols[1], text::Utf8To1250(cols[1]), "kod");
    if (depth == 0 && code == "V") sectionV = true;
    rows.push_back({depth, code, Convert(cols[2], code, "nazwa"), cols.size() > 3 ? Convert(cols[3], code, "opis") : ""});
  }
  if (rows.empty()) throw text::Exception(sourceName + ": brak wierszy klasyfikacji");
  return rows;
}

std::set<std::string> SubclassCodes(const std::vector<Row>& rows) {
  std::set<std::string> codes;
  for (const Row& r : rows)
    if (r.depth == 4) codes.insert(r.code);
  return codes;
}

}  // namespace

std::string BuildCatalogueText(const std::string& tsv, const std::string& sourceName, const BuildOptions& options,
                               std::vector<std::string>* warnings) {
  bool hasSectionV = false;
  const std::vector<Row> rows = ParseRows(tsv, sourceName, hasSectionV);

  // The revision: from the file's name when it says, else by the sections
  // (only PKD 2025 has a section V).
  std::string revision;
  if (sourceName.find("2007") != std::string::npos) revision = "2007";
  else if (sourceName.find("2025") != std::string::npos) revision = "2025";
  else revision = hasSectionV ? "2025" : "2007";
  const std::string other = revision == "2025" ? "2007" : "2025";

  // A counterpart that a catalogue lacks would be offered to the user and
  // then found nowhere, so the map is checked against both revisions.
  const std::set<std::string> own = SubclassCodes(rows);
  std::set<std::string> others;
  if (!options.otherTsv.empty()) {
    bool unused = false;
    others = SubclassCodes(ParseRows(options.otherTsv, "PKD " + other, unused));
  }

  // The other revision's codes with their counterparts here, in the map's
  // order, without repeats; and this revision's codes that have any.
  std::map<std::string, std::vector<std::string>> records;
  std::set<std::string> mapped;
  auto addOnce = [](std::vector<std::string>& list, const std::string& code) {
    for (const auto& c : list)
      if (c == code) return;
    list.push_back(code);
  };
  if (!options.mapText.empty()) {
    const std::vector<std::string> mlines = text::SplitLines(options.mapText);
    for (size_t i = 1; i < mlines.size(); ++i) {
      if (mlines[i].empty()) continue;
      const std::vector<std::string> cols = SplitTabs(mlines[i]);
      const std::string where = "mapa:" + std::to_string(i + 1) + ": ";
      if (cols.size() != 2 || cols[0].empty() || cols[1].empty())
        throw text::Exception(where + "oczekiwano dwóch kodów");
      const std::string c2007 = Convert(cols[0], cols[0], "mapa");
      const std::string c2025 = Convert(cols[1], cols[1], "mapa");
      const std::string& from = revision == "2007" ? c2007 : c2025;
      const std::string& to = revision == "2007" ? c2025 : c2007;
      if (!own.count(from))
        throw text::Exception(where + "kodu " + from + " nie ma wśród podklas PKD " + revision);
      if (!options.otherTsv.empty() && !others.count(to))
        throw text::Exception(where + "kodu " + to + " nie ma wśród podklas PKD " + other);
      mapped.insert(from);
      addOnce(records[to], from);
    }
    if (warnings)
      for (const Row& r : rows)
        if (r.depth == 4 && !mapped.count(r.code))
          warnings->push_back("kod " + r.code + ": podklasa bez odpowiednika w PKD " + other);
  }

  const std::string naglowek = options.naglowek.empty() ? "PKD " + revision : options.naglowek;
  const std::string tytul =
      options.tytul.empty() ? "Polska Klasyfikacja Działalności " + revision : options.tytul;

  std::string out;
  out.reserve(tsv.size());
  out += "@1=" + naglowek + "\r\n";
  out += "@2=" + tytul + "\r\n";
  // A third header record: the loader never keeps the third line's
  // description, so without it the first tree line's note would be lost.
  out += "@3=Źródło: GUS\r\n";
  // The correspondence after the third record, which shields the first tree
  // line's note; a loader that does not know these records drops them.
  if (!records.empty()) {
    out += catalogue::TCorrespondence::RevisionsRecord("PKD " + other, "PKD " + revision) + "\r\n";
    for (const auto& [code, list] : records) out += catalogue::TCorrespondence::CodeRecord(code, list) + "\r\n";
  }
  for (const Row& r : rows) {
    out.append(static_cast<size_t>(r.depth), ' ');
    out += r.code;
    out += " - ";
    out += r.title;
    const std::string note = NoteToCatalogue(r.note);
    if (!note.empty()) {
      out += '\t';
      out += note;
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace kodtool
