#include "dde/storedform.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
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
  enum Kind { vkString, vkBoolean, vkInteger, vkIdent, vkFloat } kind;
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

  // One value making up the whole text (blanks around it allowed).
  TValue ReadSingle() {
    SkipBlanks();
    if (AtEnd()) Fail("value expected");
    TValue v = ReadValue();
    SkipBlanks();
    if (!AtEnd()) Fail("text after the value");
    return v;
  }

  // "[" identifiers separated by "," "]".
  std::vector<std::string> ReadSet() {
    SkipBlanks();
    Expect('[');
    std::vector<std::string> names;
    SkipBlanks();
    if (!AtEnd() && Peek() == ']') {
      ++FPos;
    } else {
      for (;;) {
        SkipBlanks();
        const std::size_t start = FPos;
        while (!AtEnd() && IsIdentChar(Peek())) ++FPos;
        if (FPos == start) Fail("name expected in set");
        names.emplace_back(FText.substr(start, FPos - start));
        SkipBlanks();
        if (!AtEnd() && Peek() == ',') {
          ++FPos;
          continue;
        }
        Expect(']');
        break;
      }
    }
    SkipBlanks();
    if (!AtEnd()) Fail("text after the set");
    return names;
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

  // A whole number (decimal, or hexadecimal after $), or a decimal number
  // with a fraction or exponent as the form writes floating-point values.
  TValue ReadInteger() {
    TValue v{TValue::vkInteger, std::string()};
    const std::size_t start = FPos;
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
    bool tooBig = false;
    while (!AtEnd() && (hex ? std::isxdigit(static_cast<unsigned char>(Peek())) != 0 : IsDigit(Peek()))) {
      const char h = Peek();
      n = n * (hex ? 16 : 10) + static_cast<unsigned>(IsDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
      if (n > 0xFFFFFFFFull) tooBig = true, n = 0xFFFFFFFFull;
      ++FPos, ++digits;
    }
    if (digits == 0) Fail("digits expected");
    if (!hex && !AtEnd() && (Peek() == '.' || Peek() == 'E' || Peek() == 'e')) {
      if (Peek() == '.') {
        ++FPos;
        while (!AtEnd() && IsDigit(Peek())) ++FPos;
      }
      if (!AtEnd() && (Peek() == 'E' || Peek() == 'e')) {
        ++FPos;
        if (!AtEnd() && (Peek() == '-' || Peek() == '+')) ++FPos;
        std::size_t expDigits = 0;
        while (!AtEnd() && IsDigit(Peek())) ++FPos, ++expDigits;
        if (expDigits == 0) Fail("exponent expected");
      }
      v.kind = TValue::vkFloat;
      v.text = std::string(FText.substr(start, FPos - start));
    } else if (tooBig) {
      Fail("integer out of range");
    }
    if (!AtEnd() && !IsBlank(Peek()) && Peek() != ')') Fail("bad number");
    v.integer = negative ? -static_cast<long long>(n) : static_cast<long long>(n);
    return v;
  }

  // True and False are booleans; any other word is an identifier (an
  // enumeration value), which lists do not hold.
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
      v.kind = TValue::vkIdent;
      v.text = std::string(word);
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

// ---------------------------------------------------------------------------
// Single values and whole objects

namespace {

TValue Single(std::string_view value, TValue::Kind kind, const char* what) {
  TValue v = TListReader(value).ReadSingle();
  if (v.kind != kind && !(kind == TValue::vkFloat && v.kind == TValue::vkInteger))
    Bad(std::string(what) + " expected: " + std::string(value.substr(0, 40)));
  return v;
}

// Whether a value that opens a list or set (or ends in the + of a continued
// string) goes on over the next line. Quoted strings are skipped.
bool ValueIsOpen(std::string_view value) {
  int depth = 0;
  bool quoted = false;
  for (char c : value) {
    if (c == '\'') quoted = !quoted;
    if (quoted) continue;
    if (c == '(' || c == '[') ++depth;
    if (c == ')' || c == ']') --depth;
  }
  if (depth > 0) return true;
  // A string continued with + on the next line.
  std::size_t end = value.size();
  while (end > 0 && IsBlank(value[end - 1])) --end;
  return !quoted && end > 0 && value[end - 1] == '+';
}

std::string Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return std::string(s);
}

}  // namespace

std::string ReadStoredString(std::string_view value) { return Single(value, TValue::vkString, "String").text; }

bool ReadStoredBoolean(std::string_view value) { return Single(value, TValue::vkBoolean, "True or False").boolean; }

std::string ReadStoredIdent(std::string_view value) { return Single(value, TValue::vkIdent, "Name").text; }

long long ReadStoredInteger(std::string_view value) { return Single(value, TValue::vkInteger, "Integer").integer; }

double ReadStoredFloat(std::string_view value) {
  TValue v = Single(value, TValue::vkFloat, "Number");
  if (v.kind == TValue::vkInteger) return static_cast<double>(v.integer);
  // The text is digits, '.', sign and exponent only: the C library reads it
  // the same in every locale that uses '.'; read it by hand to be sure.
  double mantissa = 0, scale = 1;
  std::size_t i = 0;
  const std::string& t = v.text;
  bool negative = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  for (; i < t.size() && IsDigit(t[i]); ++i) mantissa = mantissa * 10 + (t[i] - '0');
  if (i < t.size() && t[i] == '.')
    for (++i; i < t.size() && IsDigit(t[i]); ++i) mantissa += (t[i] - '0') * (scale /= 10);
  long exponent = 0;
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) exponent = std::strtol(t.c_str() + i + 1, nullptr, 10);
  if (exponent > 4000) exponent = 4000;
  if (exponent < -4000) exponent = -4000;
  double result = mantissa;
  for (; exponent > 0; --exponent) result *= 10;
  for (; exponent < 0; ++exponent) result /= 10;
  return negative ? -result : result;
}

std::vector<std::string> ReadStoredSet(std::string_view value) { return TListReader(value).ReadSet(); }

TStoredObject SplitStoredObject(std::string_view text) {
  TStoredObject object;
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from <= text.size()) {
    std::size_t nl = text.find('\n', from);
    if (nl == std::string_view::npos) nl = text.size();
    std::string line = Trim(text.substr(from, nl - from));
    if (!line.empty()) lines.push_back(line);
    from = nl + 1;
  }
  std::size_t i = 0, last = lines.size();
  if (!lines.empty() && text::StartsWithNoCaseAscii(lines[0], "object ")) {
    // object Name: TClass ... end
    std::string header = Trim(std::string_view(lines[0]).substr(7));
    const std::size_t colon = header.find(':');
    if (colon == std::string::npos) Bad("object header without ':'");
    object.Name = Trim(std::string_view(header).substr(0, colon));
    object.ClassName = Trim(std::string_view(header).substr(colon + 1));
    if (lines.size() < 2 || !text::EqualNoCaseAscii(lines.back(), "end")) Bad("object without 'end'");
    i = 1;
    last = lines.size() - 1;
  }
  while (i < last) {
    TStoredProperty p;
    if (!SplitStoredPropertyLine(lines[i], p.Path, p.Value) || p.Path.empty())
      Bad("property line expected: " + lines[i].substr(0, 40));
    for (const char c : p.Path)
      if (!IsIdentChar(c) && c != '.') Bad("bad property name: " + p.Path.substr(0, 40));
    ++i;
    while (ValueIsOpen(p.Value)) {
      if (i >= last) Bad("value of " + p.Path + " not closed");
      p.Value += "\n" + lines[i++];
    }
    object.Properties.push_back(std::move(p));
  }
  return object;
}

}  // namespace dde
