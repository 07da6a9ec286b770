// kodtool: builds a compressed catalogue from the classification's TSV data,
// and dumps a catalogue back to text exactly as the picker loads it.
//   kodtool build IN.tsv OUT.kod [--map MAP.tsv [--other OTHER.tsv]] [--title TEXT] [--name TEXT]
//   kodtool dump FILE
// With --map, build names each subclass without a counterpart on stderr and
// fails on a map row naming a subclass that IN.tsv, or OTHER.tsv (the other
// revision) when given, lacks.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/baza.h"
#include "catalogue/entry_text.h"
#include "catalogue/file.h"
#include "catalogue/kodfile.h"
#include "kodtool/tsv_catalogue.h"
#include "text/cp1250.h"
#include "text/errors.h"
#include "text/path.h"

namespace {

const std::string kArrow = " \xBB ";  // " » " in Windows-1250

// Arguments as given, and as Windows-1250 text for titles.
struct Arg {
  std::filesystem::path path;  // as the system gave it, for opening files
  std::string text;  // Windows-1250
};

void Out(const std::string& cp1250) {
  const std::string u = text::Cp1250ToUtf8(cp1250);
  std::fwrite(u.data(), 1, u.size(), stdout);
}

void Err(const std::string& cp1250) {
  const std::string u = text::Cp1250ToUtf8("kodtool: " + cp1250 + "\n");
  std::fwrite(u.data(), 1, u.size(), stderr);
}

int Usage() {
  Err("użycie:\n  kodtool build WE.tsv WY.kod [--map MAPA.tsv [--other DRUGA.tsv]] [--title TYTUŁ] [--name NAGŁÓWEK]\n  kodtool dump PLIK");
  return 2;
}

std::string ReadOrThrow(const std::filesystem::path& path) {
  std::string bytes, error;
  if (!catalogue::ReadWholeFile(path, bytes, error))
    throw text::Exception("Cannot open file \"" + text::PathTo1250(text::FullPath(path)) + "\". " + error);
  return bytes;
}

int Build(const std::vector<Arg>& args) {
  if (args.size() < 2) return Usage();
  kodtool::BuildOptions options;
  std::filesystem::path mapPath, otherPath;
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& a = args[i].text;
    if (i + 1 >= args.size()) return Usage();
    if (a == "--map") mapPath = args[++i].path;
    else if (a == "--other") otherPath = args[++i].path;
    else if (a == "--title") options.tytul = args[++i].text;
    else if (a == "--name") options.naglowek = args[++i].text;
    else return Usage();
  }
  const std::string tsv = ReadOrThrow(args[0].path);
  if (!mapPath.empty()) {
    options.mapText = ReadOrThrow(mapPath);
    if (options.mapText.empty()) throw text::Exception(text::PathTo1250(mapPath) + ": pusty plik mapy");
  }
  if (!otherPath.empty()) {
    if (mapPath.empty()) return Usage();
    options.otherTsv = ReadOrThrow(otherPath);
  }
  std::vector<std::string> warnings;
  const std::string catalogueText =
      kodtool::BuildCatalogueText(tsv, text::PathTo1250(args[0].path.filename()), options, &warnings);
  for (const std::string& w : warnings) Err("uwaga: " + w);
  catalogue::WriteKodFile(args[1].path, catalogueText);
  return 0;
}

int Dump(const std::vector<Arg>& args) {
  if (args.size() != 1) return Usage();
  catalogue::TBaza baza;
  try {
    baza.Load(args[0].path);
  } catch (const std::exception& e) {
    // The picker's own message, as the user would see it.
    const std::string u = text::Cp1250ToUtf8(e.what()) + "\n";
    std::fwrite(u.data(), 1, u.size(), stderr);
    return 1;
  }
  std::string out;
  out += "Naglowek: " + baza.Naglowek() + "\n";
  out += "Tytul: " + baza.Tytul() + "\n";
  out += "Linie: " + std::to_string(baza.Count()) + "\n";
  for (const std::string& line : baza.Lines()) {
    out += line;
    out += '\n';
    const std::string opis = baza.Opisy().Opis(catalogue::CodeOf(line));
    if (opis.empty()) continue;
    out += '\t';
    for (char c : opis) {
      if (c == '\xFF') out += "\n\t";
      else out += c;
    }
    out += '\n';
  }
  // The correspondence, as the old-code answer reads it.
  const catalogue::TCorrespondence& map = baza.Correspondence();
  if (!map.Empty()) {
    out += "Odpowiedniki: " + map.OtherRevision() + kArrow + map.ThisRevision() + " (" +
           std::to_string(map.Count()) + ")\n";
    for (const auto& [code, list] : map.All()) {
      out += code + " =";
      for (size_t k = 0; k < list.size(); ++k) out += (k ? ", " : " ") + list[k];
      out += '\n';
    }
  }
  Out(out);
  return 0;
}

int Run(const std::vector<Arg>& args) {
  if (args.empty()) return Usage();
  const std::vector<Arg> rest(args.begin() + 1, args.end());
  try {
    if (args[0].text == "build") return Build(rest);
    if (args[0].text == "dump") return Dump(rest);
  } catch (const std::exception& e) {
    Err(e.what());
    return 1;
  }
  return Usage();
}

}  // namespace

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

int wmain(int argc, wchar_t** argv) {
  // The same bytes as on Linux: no LF to CR LF translation.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<Arg> args;
  for (int i = 1; i < argc; ++i) {
    const std::wstring w(argv[i]);
    args.push_back({std::filesystem::path(w), text::Utf16To1250(std::u16string(w.begin(), w.end()))});
  }
  return Run(args);
}
#else
int main(int argc, char** argv) {
  std::vector<Arg> args;
  for (int i = 1; i < argc; ++i) args.push_back({std::filesystem::path(argv[i]), text::Utf8To1250(argv[i])});
  return Run(args);
}
#endif
