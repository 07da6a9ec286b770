#include "catalogue/baza.h"

#include <cstring>

#include "catalogue/entry_text.h"
#include "catalogue/file.h"
#include "catalogue/kodfile.h"
#include "text/cp1250.h"
#include "text/lines.h"
#include "text/number.h"
#include "text/path.h"

namespace catalogue {

namespace {

std::string ExtensionUpper(const std::filesystem::path& fileName) {
  // The file name's own last dot: one inside a folder name is no extension.
  const std::string name = text::PathTo1250(fileName.filename());
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return std::string();
  return text::UpperAscii(name.substr(dot));
}

std::string WrongFormat(const std::filesystem::path& path) {
  return "Wybrany plik: " + text::PathTo1250(path) + " ma niewłaściwy format";
}

// The lines of the inflated text, each from the third on cut at its first
// tab; from the fourth on, the text after the tab is that line's
// description. One pass, no line copied twice.
std::vector<std::string> SplitTreeAndDescriptions(std::string_view text, TOpisy& opisy) {
  std::vector<std::string> lines;
  text::ForEachLine(text, [&](std::string_view line) {
    const size_t i = lines.size();
    const size_t tab = i >= 2 ? line.find('\t') : std::string_view::npos;
    if (tab == std::string_view::npos) {
      lines.emplace_back(line);
      return;
    }
    lines.emplace_back(line.substr(0, tab));
    if (i >= 3) opisy.Add(CodeOf(line), std::string(line.substr(tab + 1)), lines.back());
  });
  return lines;
}
}  // namespace

std::string TBaza::Text() const { return text::JoinLinesCrLf(FLines); }

void TBaza::Load(const std::filesystem::path& fileName) {
  // Exact comparison of the text, as the name was given.
  if (fileName.native() == FFileName.native()) return;
  FFileName = fileName;
  if (!text::FileExists(FFileName)) {
    throw ECatalogueError("Nie znalazłem pliku: " + text::PathTo1250(FFileName) +
                          " !\nPrawdopodobnie został wykasowany lub przesunięty.");
  }
  std::string bytes;
  std::string error;
  if (!ReadWholeFile(FFileName, bytes, error)) {
    throw ECatalogueError("Cannot open file \"" + text::PathTo1250(text::FullPath(FFileName)) + "\". " + error);
  }

  if (ExtensionUpper(FFileName) != ".KOD") {
    FLines = text::SplitLines(bytes);
  } else if (bytes.size() >= kKodMagicSize && std::memcmp(bytes.data(), kKodMagic, kKodMagicSize) == 0) {
    std::string inflated;
    if (!InflateKod(std::string_view(bytes).substr(kKodMagicSize), inflated)) throw ECatalogueError("Error");
    bytes.clear();
    bytes.shrink_to_fit();
    std::vector<std::string> lines = SplitTreeAndDescriptions(inflated, FOpisy);
    FLines.swap(lines);
  }
  // A ".KOD" file without the magic loads nothing; the header check below reports it.

  ReadHeaders();
  if (FNaglowek.empty()) throw ECatalogueError(WrongFormat(FFileName));
}

void TBaza::ReadHeaders() {
  // Only the leading run of "@" lines are headers. Erasing from the front
  // one by one would be quadratic, so count them first.
  size_t done = 0;
  try {
    while (done < FLines.size() && !FLines[done].empty() && FLines[done][0] == '@') {
      const std::string& line = FLines[done];
      const size_t eq = line.find('=');
      const std::string name = eq == std::string::npos ? line : line.substr(0, eq);
      const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
      const int32_t number = text::StrToInt(name.substr(1, 10));
      switch (number & 0xFF) {
        case 1:
          FNaglowek = value;
          break;
        case 2:
          FTytul = value;
          break;
        case TCorrespondence::kRevisionsRecord:
        case TCorrespondence::kCodeRecord:
          FCorrespondence.ReadRecord(number & 0xFF, value);
          break;
        default:
          break;
      }
      ++done;
    }
  } catch (...) {
    FLines.erase(FLines.begin(), FLines.begin() + static_cast<std::ptrdiff_t>(done));
    throw;
  }
  FLines.erase(FLines.begin(), FLines.begin() + static_cast<std::ptrdiff_t>(done));
}

}  // namespace catalogue
