#include "dde/xltable.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dde/errors.h"
#include "dde/formats.h"
#include "text/cp1250.h"
#include "text/number.h"

namespace dde {

namespace {

constexpr size_t kMaxRecordBytes = 0xFFFF;   // a record's byte count is 16-bit
constexpr size_t kMaxStringValue = 255;      // a string carries its length in one byte

// Splits at sep; empty parts count, also one after a final separator.
std::vector<std::string_view> Split(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    size_t at = s.find(sep, start);
    if (at == std::string_view::npos) {
      parts.push_back(s.substr(start));
      return parts;
    }
    parts.push_back(s.substr(start, at - start));
    start = at + 1;
  }
}

bool WholeNumber(std::string_view s, int32_t& out) { return text::TryStrToInt(s, out); }

// Optional sign, digits with an optional "." fraction, optional exponent;
// blanks around are allowed. The value must be finite.
bool DecimalNumber(std::string_view s, double& out) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  std::string t(s.substr(b, e - b));
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t digits = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != t.size()) return false;
  // The text holds only ASCII digits, sign, '.' and exponent: strtod in the
  // C locale reads it exactly.
  double v = std::strtod(t.c_str(), nullptr);
  if (!std::isfinite(v)) return false;
  out = v;
  return true;
}

bool Logical(std::string_view s, uint16_t& out) {
  static const char* const kWords[][2] = {{"No", "Yes"}, {"0", "1"}, {"False", "True"},
                                          {"F", "T"},   {"N", "Y"}, {"Off", "On"}};
  for (const auto& pair : kWords) {
    for (int v = 0; v < 2; ++v) {
      if (text::EqualNoCaseAscii(s, pair[v])) {
        out = static_cast<uint16_t>(v);
        return true;
      }
    }
  }
  return false;
}

class TWriter {
 public:
  void Word(uint32_t v) {
    FOut.push_back(static_cast<uint8_t>(v & 0xFF));
    FOut.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  }
  void Double(double d) {
    uint64_t bits;
    static_assert(sizeof bits == sizeof d, "IEEE double");
    std::memcpy(&bits, &d, sizeof bits);
    for (int i = 0; i < 8; ++i) FOut.push_back(static_cast<uint8_t>((bits >> (8 * i)) & 0xFF));
  }
  void ShortString(std::string_view s) {
    FOut.push_back(static_cast<uint8_t>(s.size()));
    FOut.insert(FOut.end(), s.begin(), s.end());
  }
  void Header(uint16_t type, size_t count) {
    if (count > kMaxRecordBytes)
      throw EMorviaError("Invalid XlTable data - record longer than 65535 bytes");
    Word(type);
    Word(static_cast<uint32_t>(count));
  }
  std::vector<uint8_t>& Bytes() { return FOut; }

 private:
  std::vector<uint8_t> FOut;
};

void CheckStringValue(std::string_view s) {
  if (s.size() > kMaxStringValue)
    throw EMorviaError("Invalid XlTable data - string longer than 255 characters");
}

// One side of an R1C1:R2C3 name: "R" row "C" column.
bool Cell(std::string_view s, int32_t& row, int32_t& column) {
  const TDDEExcelInfo& x = DDEExcelInfo();
  if (s.size() < 2 || s[0] != x.Row) return false;
  size_t c = s.find(x.Column, 1);
  if (c == std::string_view::npos) return false;
  return WholeNumber(s.substr(1, c - 1), row) && WholeNumber(s.substr(c + 1), column);
}

bool Fits16(int64_t v) { return v >= 0 && v <= 0xFFFF; }

bool DimensionsFromName(std::string_view itemName, int32_t& rows, int32_t& columns) {
  std::string name = text::UpperAscii(itemName);
  size_t colon = name.find(':');
  if (colon == std::string::npos) {
    rows = 1;
    columns = 1;
    return true;
  }
  int32_t r1, c1, r2, c2;
  if (!Cell(std::string_view(name).substr(0, colon), r1, c1) ||
      !Cell(std::string_view(name).substr(colon + 1), r2, c2))
    return false;
  if (r2 < r1 || c2 < c1) return false;
  int64_t r = int64_t(r2) - r1 + 1, c = int64_t(c2) - c1 + 1;
  if (!Fits16(r) || !Fits16(c)) return false;
  rows = static_cast<int32_t>(r);
  columns = static_cast<int32_t>(c);
  return true;
}

struct TTypedPiece {
  char letter = 0;
  int32_t count = 0;
  std::vector<std::string_view> values;
};

bool TypedRecord(std::string_view piece, TTypedPiece& out) {
  std::vector<std::string_view> fields = Split(piece, ',');
  if (fields.size() < 2 || fields[0].size() != 1) return false;
  char letter = text::UpperCharAscii(fields[0][0]);
  const TDDEExcelInfo& x = DDEExcelInfo();
  const char letters[] = {x.Float, x.String, x.Logical, x.Blank, x.Error, x.Integer, x.Skip};
  bool known = false;
  for (char l : letters) known = known || l == letter;
  if (!known) return false;
  int32_t count;
  if (!WholeNumber(fields[1], count) || !Fits16(count)) return false;
  bool valued = letter != x.Blank && letter != x.Skip;
  if (valued && fields.size() != static_cast<size_t>(count) + 2) return false;
  out.letter = letter;
  out.count = count;
  out.values.assign(fields.begin() + 2, fields.end());
  return true;
}

void WriteTyped(TWriter& w, const TTypedPiece& p) {
  const TDDEExcelInfo& x = DDEExcelInfo();
  if (p.letter == x.Float) {
    w.Header(tdtFloat, 8 * p.values.size());
    for (std::string_view v : p.values) {
      double d;
      if (!DecimalNumber(v, d)) throw EMorviaError("Invalid XlTable data - not a double");
      w.Double(d);
    }
  } else if (p.letter == x.String) {
    size_t count = 0;
    for (std::string_view v : p.values) {
      CheckStringValue(v);
      count += v.size() + 1;
    }
    w.Header(tdtString, count);
    for (std::string_view v : p.values) w.ShortString(v);
  } else if (p.letter == x.Logical) {
    w.Header(tdtBool, 2 * p.values.size());
    for (std::string_view v : p.values) {
      uint16_t b;
      if (!Logical(v, b)) throw EMorviaError("Invalid XlTable data - not a boolean");
      w.Word(b);
    }
  } else if (p.letter == x.Error || p.letter == x.Integer) {
    w.Header(p.letter == x.Error ? tdtError : tdtInt, 2 * p.values.size());
    for (std::string_view v : p.values) {
      int32_t n;
      if (!WholeNumber(v, n) || n < -32768 || n > 32767)
        throw EMorviaError("Invalid XlTable data - not a 16-bit integer");
      w.Word(static_cast<uint16_t>(static_cast<int16_t>(n)));
    }
  } else if (p.letter == x.Blank || p.letter == x.Skip) {
    w.Header(p.letter == x.Blank ? tdtBlank : tdtSkip, 2);
    w.Word(static_cast<uint32_t>(p.count));
  } else {
    throw EMorviaError("Invalid XlTable data");
  }
}

}  // namespace

std::vector<uint8_t> WriteXlTable(std::string_view text, std::string_view itemName) {
  std::string_view rest = text;
  int32_t rows = 0, columns = 0;
  bool haveSize = false;
  bool stated = false;  // the size the text gives for itself
  if (!rest.empty() && rest[0] == '{') {
    size_t close = rest.find('}', 1);
    if (close != std::string_view::npos) {
      std::vector<std::string_view> dims = Split(rest.substr(1, close - 1), ',');
      int32_t c, r;
      if (dims.size() == 2 && WholeNumber(dims[0], c) && WholeNumber(dims[1], r) && Fits16(c) &&
          Fits16(r)) {
        columns = c;
        rows = r;
        haveSize = stated = true;
      }
      rest = rest.substr(close + 1);
    }
  }
  if (!haveSize) haveSize = DimensionsFromName(itemName, rows, columns);
  if (!haveSize) throw EMorviaError("No XlTable related Column/Row info detected");

  if (rest.empty()) throw EMorviaError("Invalid XlTable data value");
  std::vector<std::string_view> pieces = Split(rest, ';');

  TWriter w;
  w.Header(tdtTable, 4);
  w.Word(static_cast<uint32_t>(rows));
  w.Word(static_cast<uint32_t>(columns));

  // A table the text sizes itself holds exactly its cells: Excel reads a
  // table of no cells, or one whose cells run short or over, as garbage.
  auto checkCells = [&](int64_t cells) {
    if (stated && (rows == 0 || columns == 0 || cells != int64_t(rows) * columns))
      throw EMorviaError("Invalid XlTable data - cells do not fill the table");
  };
  TTypedPiece typed;
  if (pieces.size() == 1 && !TypedRecord(pieces[0], typed)) {
    checkCells(1);
    double d;
    if (DecimalNumber(pieces[0], d)) {
      w.Header(tdtFloat, 8);
      w.Double(d);
    } else {
      CheckStringValue(pieces[0]);
      w.Header(tdtString, pieces[0].size() + 1);
      w.ShortString(pieces[0]);
    }
    return std::move(w.Bytes());
  }
  std::vector<TTypedPiece> records(pieces.size());
  int64_t cells = 0;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (!TypedRecord(pieces[i], records[i])) throw EMorviaError("Xltable Invalid data");
    const char letter = records[i].letter;
    const bool counted = letter == DDEExcelInfo().Blank || letter == DDEExcelInfo().Skip;
    cells += counted ? records[i].count : static_cast<int64_t>(records[i].values.size());
  }
  checkCells(cells);
  for (const TTypedPiece& p : records) WriteTyped(w, p);
  return std::move(w.Bytes());
}

}  // namespace dde
