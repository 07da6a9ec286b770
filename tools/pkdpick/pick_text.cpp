#include "pkdpick/pick_text.h"

#include <cstdio>

#include "picker/code_search.h"
#include "picker/pick_protocol.h"
#include "text/cp1250.h"

namespace pkdpick {

namespace {

bool To1250(std::u16string_view s, std::string& out) {
  out.clear();
  for (char16_t c : s) {
    char b = 0;
    // A surrogate half is no character of its own, and no pair has a
    // Windows-1250 form either.
    if ((c >= 0xD800 && c <= 0xDFFF) || !text::ByteFor1250(c, b) || b == '\0') return false;
    out += b;
  }
  return true;
}

}  // namespace

bool ParseArguments(const std::vector<std::u16string>& args, TOptions& options, std::string& error) {
  options = TOptions();
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg;
    if (!To1250(args[i], arg)) arg = "?";
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      error = "nieoczekiwany argument: " + arg;
      return false;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // --opt=value: the value is the rest, as written.
    const size_t eq = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    const std::string name = arg.substr(0, eq);
    const bool inlineValue = eq != std::string::npos;
    bool* flag = name == "--help" || name == "-h" || name == "/?" ? &options.Help
                 : name == "--version"                           ? &options.Version
                 : name == "--find"                              ? &options.Find
                 : name == "--no-start"                          ? &options.NoStart
                                                                 : nullptr;
    if (flag) {
      if (inlineValue) {
        error = "opcja " + name + " nie przyjmuje wartości";
        return false;
      }
      *flag = true;
      continue;
    }
    std::string format;
    std::string* value = name == "--code"      ? &options.Code
                         : name == "--words"   ? &options.Words
                         : name == "--service" ? &options.Service
                         : name == "--format"  ? &format
                                               : nullptr;
    if (!value) {
      error = "nieznana opcja: " + name;
      return false;
    }
    if (!inlineValue && i + 1 >= args.size()) {
      error = "brak wartości opcji " + name;
      return false;
    }
    std::u16string_view raw = inlineValue ? std::u16string_view(args[i]).substr(eq + 1) : std::u16string_view(args[++i]);
    if (!To1250(raw, *value)) {
      error = "wartość opcji " + name + " ma znak spoza strony kodowej Windows-1250";
      return false;
    }
    if ((value == &options.Code || value == &options.Words) && !picker::Sendable(*value)) {
      error = "wartość opcji " + name + " nie może zawierać przecinka ani znaków \")\" i \"]\"";
      return false;
    }
    if (value == &format) {
      if (format == "json") options.Format = fmJson;
      else if (format == "text") options.Format = fmText;
      else if (format == "env") options.Format = fmEnv;
      else {
        error = "nieznany format: " + format + " (json, text albo env)";
        return false;
      }
    }
  }
  if (options.Service.empty()) {
    error = "pusta nazwa usługi";
    return false;
  }
  return true;
}

std::string CommandText(const TOptions& options, uint64_t owner) {
  return options.Find ? picker::FindCommand(options.Code, options.Words)
                      : picker::OpenCommand(owner, options.Code, options.Words);
}

TVerdict Decide(const TOptions& options, TAnswer answer, bool read, const std::string& kod) {
  TVerdict v;
  // A picker busy with another pick refuses everything; Wine's DDEML does
  // not tell a busy execute from a refused one, the requests do.
  if (answer == paBusy || (answer == paRefused && !read)) {
    v.Status = kExitBusy;
    v.Message = BusyText();
  } else if (!read) {
    v.Message = "nie dostałem wartości z programu";
  } else if (!options.Find) {
    v.Status = answer == paAcknowledged ? kExitChosen : kExitCancelled;
  } else if (answer == paRefused) {
    v.Message = std::string("program nie wykonał polecenia ") + picker::kFindPkd;
  } else if (options.Code.empty()) {
    v.Status = kExitNotFound;
    v.Message = "bez --code nie ma czego znaleźć";
  } else if (!picker::CodeSearchFound(options.Code, kod)) {
    v.Status = kExitNotFound;
    v.Message = "nie znaleziono kodu " + options.Code;
  } else {
    v.Status = kExitChosen;
  }
  return v;
}

namespace {

// One line of text: the description's line marks read " / ", and no other
// control character breaks the line or the tab-separated fields.
std::string OneLine(const std::string& cp1250) {
  std::string out;
  for (char c : cp1250) {
    if (c == '\xFF') out += " / ";
    else out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  }
  return text::Cp1250ToUtf8(out);
}

}  // namespace

std::string FormatResult(TFormat format, const std::string& kod, const std::string& nazwa, const std::string& opis) {
  using picker::kPickItems;
  switch (format) {
    case fmText:
      return OneLine(kod) + "\t" + OneLine(nazwa) + "\t" + OneLine(opis) + "\n";
    case fmEnv:
      return std::string(kPickItems[0]) + "=" + OneLine(kod) + "\n" + kPickItems[1] + "=" + OneLine(nazwa) + "\n" +
             kPickItems[2] + "=" + OneLine(opis) + "\n";
    default:
      return JsonResult(kod, nazwa, opis);
  }
}

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    const unsigned char u = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (u < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string JsonResult(const std::string& kod, const std::string& nazwa, const std::string& opis) {
  std::string lines = opis;
  for (char& c : lines)
    if (c == '\xFF') c = '\n';
  // The keys are the request items the values came from.
  using picker::kPickItems;
  return "{" + JsonString(kPickItems[0]) + ": " + JsonString(text::Cp1250ToUtf8(kod)) + ", " + JsonString(kPickItems[1]) +
         ": " + JsonString(text::Cp1250ToUtf8(nazwa)) + ", " + JsonString(kPickItems[2]) + ": " +
         JsonString(text::Cp1250ToUtf8(lines)) + "}\n";
}

std::string BusyText() { return "program jest zajęty: czeka na wybór kodu dla innego programu"; }

std::string HelpText() {
  return std::string("pkdpick: wybór kodu PKD w programie pkd.exe, przez DDE\n"
         "\n"
         "użycie: pkdpick [--code KOD] [--words SŁOWA] [--find] [--format F]\n"
         "                [--service NAZWA] [--no-start] [--]\n"
         "\n"
         "  --code KOD       kod wpisany w pole \"Szukaj kod\" (np. 01.11.Z)\n"
         "  --words SŁOWA    słowa wpisane w pole wyszukiwania w opisach\n"
         "  --find           tylko ustawia wyszukiwanie (") + picker::kFindPkd + "): okno się nie\n"
         "                   pokazuje i nic nie czeka\n"
         "  --format F       json (domyślnie), text (KOD, NAZWA i OPIS w jednym\n"
         "                   wierszu, rozdzielone tabulatorem) albo env (wiersze KOD=,\n"
         "                   NAZWA=, OPIS= dla for /f w pliku wsadowym)\n"
         "  --service NAZWA  usługa DDE (domyślnie " + kDefaultService + ")\n"
         "  --no-start       nie uruchamia pkd.exe, gdy usługa nie działa (kod 2)\n"
         "  --version        wersja programu\n"
         "  --help           ten opis\n"
         "Opcje można pisać też jako --opcja=wartość; -- kończy opcje.\n"
         "\n"
         "Bez --find pokazuje okno z przyciskami \"Wybierz\" i \"Anuluj\" (" + picker::kOpenPkd + ") i czeka\n"
         "bez limitu czasu, aż użytkownik naciśnie jeden z nich; Ctrl+C kończy\n"
         "czekanie (okno zostaje dla użytkownika). Pole, którego opcji nie podano,\n"
         "zostaje wyczyszczone. Gdy usługa " + kDefaultService + " nie działa, pkdpick uruchamia\n"
         "pkd.exe z własnego folderu (bez okna, gdy wystarczy --find).\n"
         "\n"
         "Wynik: kod, nazwa i dodatkowy opis pozycji zaznaczonej w drzewie, np.\n"
         "  {\"KOD\": \"01.11.Z\", \"NAZWA\": \"...\", \"OPIS\": \"...\"}\n"
         "W json wiersze opisu rozdziela \\n, w text i env \" / \". Do konsoli pkdpick\n"
         "pisze jej znakami, a do pliku lub potoku w UTF-8 (w cmd.exe przed for /f:\n"
         "chcp 65001).\n"
         "\n"
         "Kod wyjścia:\n"
         "  0    \"Wybierz\"; po --find: kod znaleziony\n"
         "  1    \"Anuluj\" (wynik mówi, co było zaznaczone)\n"
         "  2    błąd użycia lub inny błąd\n"
         "  3    program jest zajęty wyborem kodu dla innego programu\n"
         "  4    --find nie znalazł kodu (nic na standardowym wyjściu)\n"
         "  130  przerwane przez Ctrl+C\n"
         "Przy kodach 2, 3, 4 i 130 opis jest na standardowym wyjściu błędów.\n"
         "\n"
         "Polecenia DDE rozdzielają parametry przecinkami, więc KOD i SŁOWA nie mogą\n"
         "zawierać przecinka ani znaków \")\" i \"]\".\n";
}

}  // namespace pkdpick
