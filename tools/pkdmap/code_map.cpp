#include "pkdmap/code_map.h"

#include <map>

#include "catalogue/baza.h"
#include "catalogue/entry_text.h"
#include "text/errors.h"

namespace pkdmap {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A subclass code exactly as the catalogues write it.
bool IsSubclassCode(const std::string& code) {
  return code.size() == 7 && IsDigit(code[0]) && IsDigit(code[1]) && code[2] == '.' && IsDigit(code[3]) &&
         IsDigit(code[4]) && code[5] == '.' && code[6] >= 'A' && code[6] <= 'Z';
}

}  // namespace

const char* KindToken(TKind kind) {
  static const char* const kTokens[kcCount] = {"same", "changed", "split", "merged", "renamed", "unknown", "none", "empty"};
  return kTokens[kind];
}

const char* KindLabel(TKind kind) {
  static const char* const kLabels[kcCount] = {"bez zmian",    "zmiana znaczenia", "podział",           "połączenie",
                                               "zmiana kodu", "nieznany kod",     "brak odpowiednika", "pusty"};
  return kLabels[kind];
}

int32_t CodeKey(std::string_view written) {
  // Blanks anywhere, a dot after the division and after the class, either
  // letter case; a one-digit division only with its dot ("1.49.Z"), since
  // without dots the digits would not say where the division ends.
  char s[16];
  size_t n = 0;
  for (char c : written) {
    if (IsBlank(c)) continue;
    if (n == sizeof s) return -1;
    s[n++] = c;
  }
  size_t i = 0;
  int division = 0;
  if (n >= 2 && IsDigit(s[0]) && s[1] == '.') {
    division = s[0] - '0';
    i = 2;
  } else if (n >= 2 && IsDigit(s[0]) && IsDigit(s[1])) {
    division = (s[0] - '0') * 10 + (s[1] - '0');
    i = 2;
    if (i < n && s[i] == '.') ++i;
  } else {
    return -1;
  }
  if (i + 2 > n || !IsDigit(s[i]) || !IsDigit(s[i + 1])) return -1;
  const int klass = (s[i] - '0') * 10 + (s[i + 1] - '0');
  i += 2;
  if (i < n && s[i] == '.') ++i;
  if (i + 1 != n) return -1;
  const char letter = static_cast<char>(s[i] >= 'a' && s[i] <= 'z' ? s[i] - 'a' + 'A' : s[i]);
  if (letter < 'A' || letter > 'Z') return -1;
  return (division * 100 + klass) * 26 + (letter - 'A');
}

std::string KeyCode(int32_t key) {
  const int letter = key % 26;
  const int digits = key / 26;
  std::string code = "00.00.A";
  code[0] = static_cast<char>('0' + digits / 1000);
  code[1] = static_cast<char>('0' + digits / 100 % 10);
  code[3] = static_cast<char>('0' + digits / 10 % 10);
  code[4] = static_cast<char>('0' + digits % 10);
  code[6] = static_cast<char>('A' + letter);
  return code;
}

TCodeMap::TCodeMap(const catalogue::TBaza& source, const catalogue::TBaza& target)
    : FSource(source.Naglowek()), FTarget(target.Naglowek()) {
  const catalogue::TCorrespondence& corr = target.Correspondence();
  if (corr.Empty() || corr.OtherRevision() != FSource) {
    throw text::Exception("katalog " + FTarget + " nie zawiera odpowiedników kodów " + FSource);
  }
  std::map<std::string, std::string> targetTitles;
  for (const std::string& line : target.Lines()) {
    const std::string code = catalogue::CodeOf(line);
    if (IsSubclassCode(code)) targetTitles.emplace(code, catalogue::TitleOf(line));
  }
  std::vector<std::string> sourceCodes;
  for (const std::string& line : source.Lines()) {
    const std::string code = catalogue::CodeOf(line);
    if (IsSubclassCode(code)) sourceCodes.push_back(code);
  }
  // How many source codes name each target code, for merged against renamed.
  std::map<std::string, int> shared;
  for (const std::string& code : sourceCodes) {
    if (const auto* list = corr.Counterparts(code))
      for (const std::string& c : *list) ++shared[c];
  }

  FMappings.resize(2);
  FMappings[0].Kind = kcEmpty;
  FMappings[1].Kind = kcUnknown;
  FByKey.assign(kKeyCount, 1);
  for (const std::string& code : sourceCodes) {
    const int32_t key = CodeKey(code);
    if (FByKey[key] != 1) continue;  // a code listed twice keeps its first answer
    TMapping m;
    m.Code = code;
    if (const auto* list = corr.Counterparts(code)) {
      bool self = false;
      for (const std::string& c : *list) {
        const auto t = targetTitles.find(c);
        m.Counterparts.push_back({c, t == targetTitles.end() ? std::string() : t->second});
        self = self || c == code;
      }
      if (targetTitles.count(code) && !self) {
        m.Kind = kcChanged;
      } else if (list->size() > 1) {
        m.Kind = kcSplit;
      } else if (self) {
        m.Kind = kcSame;
      } else {
        m.Kind = shared[list->front()] > 1 ? kcMerged : kcRenamed;
      }
    } else {
      m.Kind = kcNone;
    }
    FByKey[key] = static_cast<uint32_t>(FMappings.size());
    FMappings.push_back(std::move(m));
  }
}

size_t TCodeMap::Find(std::string_view written) const {
  bool blank = true;
  for (char c : written) blank = blank && IsBlank(c);
  if (blank) return EmptyIndex();
  const int32_t key = CodeKey(written);
  return key < 0 ? UnknownIndex() : FByKey[static_cast<size_t>(key)];
}

}  // namespace pkdmap
