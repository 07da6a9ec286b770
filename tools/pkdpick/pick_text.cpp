#include "pkdpick/pick_text.h"

#include <cstdio>

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
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name;
    if (!To1250(args[i], name)) name = "?";
    if (name == "--help" || name == "-h" || name == "/?") {
      options.Help = true;
      continue;
    }
    if (name == "--find") {
      options.Find = true;
      continue;
    }
    std::string* value = name == "--code"      ? &options.Code
                         : name == "--words"   ? &options.Words
                         : name == "--service" ? &options.Service
                                               : nullptr;
    if (!value) {
      error = "nieznana opcja: " + name;
      return false;
    }
    if (i + 1 >= args.size()) {
      error = "brak wartości opcji " + name;
      return false;
    }
    if (!To1250(args[++i], *value)) {
      error = "wartość opcji " + name + " ma znak spoza strony kodowej Windows-1250";
      return false;
    }
    if (value != &options.Service && !picker::Sendable(*value)) {
      error = "wartość opcji " + name + " nie może zawierać przecinka ani znaków \")\" i \"]\"";
      return false;
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
  return "{\"KOD\": " + JsonString(text::Cp1250ToUtf8(kod)) + ", \"NAZWA\": " + JsonString(text::Cp1250ToUtf8(nazwa)) +
         ", \"OPIS\": " + JsonString(text::Cp1250ToUtf8(lines)) + "}\n";
}

std::string HelpText() {
  return "pkdpick: wybór kodu PKD w programie pkd.exe, przez DDE\n"
         "\n"
         "użycie: pkdpick [--code KOD] [--words SŁOWA] [--find] [--service NAZWA]\n"
         "\n"
         "  --code KOD       kod wpisany w pole \"Szukaj kod\" (np. 01.11.Z)\n"
         "  --words SŁOWA    słowa wpisane w pole wyszukiwania w opisach\n"
         "  --find           tylko ustawia wyszukiwanie (Find_PKD): okno się nie\n"
         "                   pokazuje i nic nie czeka\n"
         "  --service NAZWA  usługa DDE (domyślnie PKD_ZEL)\n"
         "  --help           ten opis\n"
         "\n"
         "Bez --find pokazuje okno z przyciskami \"Wybierz\" i \"Anuluj\" (Open_PKD) i czeka\n"
         "bez limitu czasu, aż użytkownik naciśnie jeden z nich. Pole, którego opcji nie\n"
         "podano, zostaje wyczyszczone. Gdy usługa PKD_ZEL nie działa, pkdpick uruchamia\n"
         "pkd.exe z własnego folderu.\n"
         "\n"
         "Wynik: jeden obiekt JSON w UTF-8 na standardowym wyjściu, z kodem, nazwą\n"
         "i dodatkowym opisem pozycji zaznaczonej w drzewie (wiersze opisu rozdziela \\n):\n"
         "  {\"KOD\": \"01.11.Z\", \"NAZWA\": \"...\", \"OPIS\": \"...\"}\n"
         "Kod wyjścia: 0 po \"Wybierz\" (i po --find), 1 po \"Anuluj\" (wynik mówi\n"
         "wtedy, co było zaznaczone), 2 przy błędzie, z opisem na standardowym wyjściu\n"
         "błędów; także wtedy, gdy program jest zajęty wyborem dla innego klienta.\n"
         "\n"
         "Polecenia DDE rozdzielają parametry przecinkami, więc KOD i SŁOWA nie mogą\n"
         "zawierać przecinka ani znaków \")\" i \"]\".\n";
}

}  // namespace pkdpick
