#include "dde/storedform.h"

#include <cctype>
#include <cstdint>
#include <memory>
#include <vector>

#include "text/cp1250.h"

namespace dde {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '_';
}

// One value of a stored list.
struct TValue {
  enum Kind { vkString, vkBoolean, vkInteger } kind;
  std::string text;
  bool boolean = false;
  long long integer = 0;
};

// Reads the values of one list, "(" values ")", with nothing but blanks
// after it. Every step checks the bounds of the text; malformed text raises
// EStoredFormError naming the offset.
class TListReader {
 public:
  explicit TListReader(std::string_view s) : FText(s) {}

  std::vector<TValue> ReadList() {
    SkipBlanks();
    Expect('(');
    std::vector<TValue> values;
    for (;;) {
      SkipBlanks();
      if (AtEnd()) Fail("missing ')'");
      if (Peek() == ')') {
        ++FPos;
        break;
      }
      values.push_back(ReadValue());
    }
    SkipBlanks();
    if (!AtEnd()) Fail("text after the list");
    return values;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw EStoredFormError("Invalid stored list: " + what + " at offset " + std::to_string(FPos));
  }
  bool AtEnd() const { return FPos >= FText.size(); }
  char Peek() const { return FText[FPos]; }
  void SkipBlanks() {
    while (!AtEnd() && IsBlank(Peek())) ++FPos;
  }
  void Expect(char c) {
    if (AtEnd() || Peek() != c) Fail(std::string("'") + c + "' expected");
    ++FPos;
  }

  TValue ReadValue() {
    const char c = Peek();
    if (c == '\'' || c == '#') return ReadString();
    if (c == '-' || c == '+' || c == '$' || IsDigit(c)) return ReadInteger();
    if (IsIdentChar(c)) return ReadIdent();
    Fail("unexpected character");
  }

  // Quoted parts and #n codes, joined directly or across "+" and blanks.
  TValue ReadString() {
    TValue v{TValue::vkString, std::string()};
    for (;;) {
      if (!AtEnd() && Peek() == '\'') {
        ++FPos;
        for (;;) {
          if (AtEnd()) Fail("unterminated string");
          const char c = Peek();
          if (c == '\r' || c == '\n') Fail("line break in string");
          ++FPos;
          if (c != '\'') {
            v.text += c;
            continue;
          }
          if (!AtEnd() && Peek() == '\'') {
            v.text += '\'';
            ++FPos;
            continue;
          }
          break;
        }
      } else if (!AtEnd() && Peek() == '#') {
        ++FPos;
        long code = 0;
        std::size_t digits = 0;
        if (!AtEnd() && Peek() == '$') {
          ++FPos;
          while (!AtEnd() && std::isxdigit(static_cast<unsigned char>(Peek())) && code <= 0xFF) {
            const char h = Peek();
            code = code * 16 + (IsDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
            ++FPos, ++digits;
          }
        } else {
          while (!AtEnd() && IsDigit(Peek()) && code <= 0xFF) {
            code = code * 10 + (Peek() - '0');
            ++FPos, ++digits;
          }
        }
        if (digits == 0) Fail("character code expected");
        if (code > 0xFF) Fail("character code above 255");
        v.text += static_cast<char>(code);
      } else {
        break;
      }
      // A "+" between blanks continues the string with the next part.
      std::size_t save = FPos;
      SkipBlanks();
      if (!AtEnd() && Peek() == '+') {
        ++FPos;
        SkipBlanks();
        if (AtEnd() || (Peek() != '\'' && Peek() != '#')) Fail("string expected after '+'");
      } else {
        FPos = save;
        if (!AtEnd() && Peek() != '\'' && Peek() != '#') break;
      }
    }
    return v;
  }

  TValue ReadInteger() {
    TValue v{TValue::vkInteger, std::string()};
    bool negative = false;
    if (Peek() == '-' || Peek() == '+') {
      negative = Peek() == '-';
      ++FPos;
    }
    bool hex = false;
    if (!AtEnd() && Peek() == '$') {
      hex = true;
      ++FPos;
    }
    unsigned long long n = 0;
    std::size_t digits = 0;
    while (!AtEnd() && (hex ? std::isxdigit(static_cast<unsigned char>(Peek())) != 0 : IsDigit(Peek()))) {
      const char h = Peek();
      n = n * (hex ? 16 : 10) + static_cast<unsigned>(IsDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
      if (n > 0xFFFFFFFFull) Fail("integer out of range");
      ++FPos, ++digits;
    }
    if (digits == 0) Fail("digits expected");
    if (!AtEnd() && !IsBlank(Peek()) && Peek() != ')') Fail("bad integer");
    v.integer = negative ? -static_cast<long long>(n) : static_cast<long long>(n);
    return v;
  }

  TValue ReadIdent() {
    const std::size_t start = FPos;
    while (!AtEnd() && IsIdentChar(Peek())) ++FPos;
    std::string_view word = FText.substr(start, FPos - start);
    TValue v{TValue::vkBoolean, std::string()};
    if (text::EqualNoCaseAscii(word, "True")) {
      v.boolean = true;
    } else if (text::EqualNoCaseAscii(word, "False")) {
      v.boolean = false;
    } else {
      FPos = start;
      Fail("True or False expected");
    }
    return v;
  }

  std::string_view FText;
  std::size_t FPos = 0;
};

[[noreturn]] void Bad(const std::string& what) { throw EStoredFormError("Invalid stored list: " + what); }

const TValue& Take(const std::vector<TValue>& values, std::size_t& i, TValue::Kind kind, const char* what) {
  if (i >= values.size()) Bad(std::string(what) + " missing at entry end");
  const TValue& v = values[i];
  if (v.kind != kind) Bad(std::string(what) + " expected as value " + std::to_string(i + 1));
  ++i;
  return v;
}

std::string Bool(bool b) { return b ? "True" : "False"; }

}  // namespace

std::string StoredString(std::string_view s) {
  std::string out;
  bool quoted = false;
  for (char c : s) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127) {
      if (quoted) out += '\'';
      quoted = false;
      out += '#';
      out += std::to_string(u);
      continue;
    }
    if (!quoted) out += '\'';
    quoted = true;
    out += c;
    if (c == '\'') out += '\'';
  }
  if (quoted) out += '\'';
  if (out.empty()) out = "''";
  return out;
}

std::string WriteCmdList(const TDDEMLCmdsList& list) {
  std::string out = "(";
  for (int i = 0; i < list.Count(); ++i) {
    const TDDEMLCmd* cmd = list.Cmd(i);
    if (i > 0) out += ' ';
    out += Bool(cmd->Enabled) + " " + StoredString(cmd->Params) + " " + StoredString(cmd->Title);
  }
  return out + ")";
}

void ReadCmdList(std::string_view value, TDDEMLCmdsList& list) {
  const std::vector<TValue> values = TListReader(value).ReadList();
  struct TTriple {
    bool enabled;
    std::string params, title;
  };
  std::vector<TTriple> triples;
  for (std::size_t i = 0; i < values.size();) {
    TTriple t;
    t.enabled = Take(values, i, TValue::vkBoolean, "Enabled").boolean;
    t.params = Take(values, i, TValue::vkString, "Params").text;
    t.title = Take(values, i, TValue::vkString, "Title").text;
    if (t.params.size() > static_cast<std::size_t>(kMaxCmdParams))
      Bad("command " + t.title + " has more than " + std::to_string(kMaxCmdParams) + " parameters");
    triples.push_back(std::move(t));
  }
  list.Clear();
  for (const TTriple& t : triples) list.AppendCmd(t.title, t.params, t.enabled);
}

std::string WriteServicesList(const TDDEMLServicesList& list) {
  std::string out = "(";
  for (int i = 0; i < list.Count(); ++i) {
    const TDDEMLService* service = list.At(i);
    if (i > 0) out += ' ';
    out += StoredString(service->ServiceName()) + " " + Bool(service->Enabled) + " " +
           std::to_string(service->Strings.size());
    for (const std::string& s : service->Strings) out += " " + StoredString(s);
  }
  return out + ")";
}

void ReadServicesList(std::string_view value, TDDEMLServicesList& list) {
  const std::vector<TValue> values = TListReader(value).ReadList();
  std::vector<std::unique_ptr<TDDEMLService>> services;
  for (std::size_t i = 0; i < values.size();) {
    auto service = std::make_unique<TDDEMLService>(list.Platform(), Take(values, i, TValue::vkString, "name").text);
    service->Enabled = Take(values, i, TValue::vkBoolean, "enabled flag").boolean;
    const long long count = Take(values, i, TValue::vkInteger, "string count").integer;
    if (count < 0 || static_cast<unsigned long long>(count) > values.size() - i) Bad("string count out of range");
    for (long long k = 0; k < count; ++k) service->Strings.push_back(Take(values, i, TValue::vkString, "string").text);
    services.push_back(std::move(service));
  }
  list.Clear();
  for (auto& service : services) list.Add(std::move(service));
}

std::string StoredPropertyLine(std::string_view path, std::string_view value) {
  return std::string(path) + " = " + std::string(value);
}

bool SplitStoredPropertyLine(std::string_view line, std::string& path, std::string& value) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  auto trim = [](std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return std::string(s);
  };
  path = trim(line.substr(0, eq));
  value = trim(line.substr(eq + 1));
  return true;
}

}  // namespace dde
