#include "pkdmap/options.h"

#include "text/cp1250.h"

namespace pkdmap {

int ColumnNumber(const std::string& column) {
  if (column.empty() || column.size() > 6) return 0;
  int n = 0;
  for (char c : column) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

bool ParseOptions(const std::vector<std::string>& args, TOptions& o, std::string& error) {
  std::vector<std::string> positional;
  bool optionsEnd = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    if (optionsEnd || a.size() < 2 || a[0] != '-' || a == "-") {
      positional.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnd = true;
      continue;
    }
    std::string value;
    bool hasValue = false;
    const size_t eq = a.find('=');
    if (eq != std::string::npos) {
      value = a.substr(eq + 1);
      a = a.substr(0, eq);
      hasValue = true;
    }
    const auto flag = [&](bool& target) {
      if (hasValue) return error = "opcja " + a + " nie przyjmuje wartości", false;
      target = true;
      return true;
    };
    if (a == "--help" || a == "-h") {
      if (!flag(o.Help)) return false;
      continue;
    }
    if (a == "--version") {
      if (!flag(o.Version)) return false;
      continue;
    }
    if (a == "--explode") {
      if (!flag(o.Explode)) return false;
      continue;
    }
    if (a == "--header" || a == "--no-header") {
      bool set = false;
      if (!flag(set)) return false;
      o.Header = a == "--header" ? hdYes : hdNo;
      continue;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) return error = "opcja " + a + " wymaga wartości", false;
      value = args[++i];
    }
    if (a == "--from") {
      if (value != "2007" && value != "2025") return error = "--from: 2007 albo 2025, nie „" + text::Utf8To1250(value) + "”", false;
      o.From = value == "2007" ? 2007 : 2025;
    } else if (a == "--column" || a == "-c") {
      if (value.empty()) return error = "--column: pusta nazwa kolumny", false;
      if (value.find_first_not_of("0123456789") == std::string::npos && ColumnNumber(value) == 0)
        return error = "--column: kolumny liczy się od 1", false;
      o.Column = value;
    } else if (a == "--format") {
      if (value == "csv") {
        o.Format = fmCsv;
      } else if (value == "json") {
        o.Format = fmJson;
      } else {
        return error = "--format: csv albo json", false;
      }
    } else if (a == "--separator") {
      o.Separator = value;
    } else if (a == "--encoding" || a == "--output-encoding") {
      const bool in = a == "--encoding";
      if (!ParseEncoding(value, in ? o.Encoding : o.OutputEncoding))
        return error = a + ": cp1250, utf8, utf8bom albo utf16, nie „" + text::Utf8To1250(value) + "”", false;
      (in ? o.EncodingGiven : o.OutputEncodingGiven) = true;
    } else if (a == "--delimiter") {
      if (value == ";" || value == ",") {
        o.Delimiter = value[0];
      } else if (value == "tab" || value == "\t") {
        o.Delimiter = '\t';
      } else {
        return error = "--delimiter: ; , albo tab", false;
      }
    } else if (a == "--output" || a == "-o") {
      o.Output = value;
    } else if (a == "--pkd2025") {
      o.Kod2025 = value;
    } else if (a == "--pkd2007") {
      o.Kod2007 = value;
    } else {
      return error = "nieznana opcja " + text::Utf8To1250(a), false;
    }
  }
  if (positional.size() > 1) return error = "za dużo plików: podaj jeden plik wejściowy (wynik: --output)", false;
  if (!positional.empty()) o.Input = positional[0];
  if (o.Format == fmJson && o.Explode) return error = "--explode dotyczy tylko --format csv", false;
  if (o.Header == hdNo && ColumnNumber(o.Column) == 0) return error = "kolumnę z nazwy można wskazać tylko w pliku z nagłówkiem", false;
  return true;
}

std::string UsageText() {
  return "użycie: pkdmap [opcje] [PLIK]\n"
         "Zamienia zapisane kody PKD na odpowiedniki w drugiej wersji klasyfikacji.\n"
         "Czyta PLIK (albo standardowe wejście): jeden kod w wierszu albo CSV/TSV;\n"
         "każdy wiersz wypisuje bez zmian z dodanymi kolumnami: odpowiedniki, rodzaj\n"
         "zmiany, nazwy odpowiedników.\n"
         "  --from 2007|2025       wersja zapisanych kodów (domyślnie 2007)\n"
         "  --column N|NAZWA       kolumna z kodem: numer od 1 albo nazwa z nagłówka (domyślnie 1)\n"
         "  --header, --no-header  pierwszy wiersz jest / nie jest nagłówkiem\n"
         "                         (domyślnie: jest, gdy zawiera słowo zamiast kodu)\n"
         "  --delimiter ;|,|tab    separator pól (domyślnie wykrywany)\n"
         "  --encoding E           kodowanie wejścia: cp1250, utf8, utf8bom, utf16 (domyślnie wykrywane)\n"
         "  --output-encoding E    kodowanie wyniku (domyślnie jak wejście)\n"
         "  --format csv|json      wynik: wiersze wejścia z kolumnami albo JSON, obiekt w wierszu\n"
         "  --explode              osobny wiersz dla każdego odpowiednika\n"
         "  --separator TEKST      między odpowiednikami w jednym polu (domyślnie |)\n"
         "  --output PLIK, -o      wynik do pliku (domyślnie standardowe wyjście)\n"
         "  --pkd2025 PLIK, --pkd2007 PLIK   katalogi (domyślnie pkd.kod i pkd2007.kod obok programu)\n"
         "Rodzaje zmian: bez zmian, zmiana znaczenia, podział, połączenie, zmiana kodu,\n"
         "nieznany kod, brak odpowiednika, pusty. Podsumowanie idzie na standardowe wyjście błędów.\n"
         "Kod wyjścia: 0 gdy przeczytano wszystkie wiersze, 2 przy błędzie.\n";
}

}  // namespace pkdmap
