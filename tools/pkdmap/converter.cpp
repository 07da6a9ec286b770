#include "pkdmap/converter.h"

#include <algorithm>
#include <cstring>

#include "text/cp1250.h"

namespace pkdmap {

namespace {

constexpr size_t kChunk = 256u << 10;
constexpr size_t kDetectBytes = 64u << 10;
constexpr size_t kFlushBytes = 1u << 20;

// The delimiter of a file from its first line: the most frequent of ';',
// TAB and ',' outside quotes (in that order on a tie); 0 for none.
int FirstLineDelimiter(std::string_view buf) {
  size_t semicolons = 0, tabs = 0, commas = 0;
  bool quoted = false;
  for (char c : buf) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n') break;
    semicolons += c == ';';
    tabs += c == '\t';
    commas += c == ',';
  }
  if (semicolons && semicolons >= tabs && semicolons >= commas) return ';';
  if (tabs && tabs >= commas) return '\t';
  return commas ? ',' : 0;
}

// A header names its columns in words; a code, however loosely written,
// never holds two letters in a row.
bool LooksLikeHeader(std::string_view value) {
  bool previous = false;
  for (char c : value) {
    const unsigned char u = static_cast<unsigned char>(c);
    const bool letter = (u | 0x20) >= 'a' && (u | 0x20) <= 'z' ? true : u >= 0x80;
    if (letter && previous) return true;
    previous = letter;
  }
  return false;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

void JsonString(std::string_view utf8, std::string& out) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  for (char c : utf8) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (u < 0x20 || u == 0x7F) {
      out += "\\u00";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  out += '"';
}

}  // namespace

TConverter::TConverter(const TCodeMap& map, const TOptions& options) : FMap(map), FOptions(options) {}

std::string TConverter::Internal(const std::string& text1250) const {
  return IsUnicode(FInEnc) ? text::Cp1250ToUtf8(text1250) : text1250;
}

std::string TConverter::CsvField(const std::string& internal) const {
  const int od = FDelim ? FDelim : ';';
  bool quote = false;
  for (char c : internal) quote = quote || c == od || c == '"' || c == '\r' || c == '\n';
  if (!quote) return internal;
  std::string r = "\"";
  for (char c : internal) {
    if (c == '"') r += '"';
    r += c;
  }
  return r + '"';
}

void TConverter::OddUtf16() const {
  size_t line = FLine;
  for (size_t k = FPos; k < FBuf.size(); ++k) line += FBuf[k] == '\n';
  throw EInputError(line, "plik UTF-16 kończy się w połowie znaku (nieparzysta liczba bajtów)");
}

bool TConverter::Fill(size_t atLeast) {
  if (FEof) return false;
  FBuf.erase(0, FPos);
  FPos = 0;
  const size_t want = atLeast > kChunk ? atLeast : kChunk;
  const size_t start = FBuf.size();
  if (FRead.size() < want) FRead.resize(want);
  while (!FEof && FBuf.size() - start < want) {
    const size_t n = FIn->Read(&FRead[0], want);
    FEof = n == 0;
    if (FDecode16) {
      if (n) FDecoder.Feed(std::string_view(FRead.data(), n), FBuf);
      if (FEof && !FDecoder.Finish(FBuf)) OddUtf16();
    } else {
      FBuf.append(FRead.data(), n);
    }
  }
  return FBuf.size() > start;
}

bool TConverter::SplitRow(size_t& length, size_t& lineEnd) {
  enum { sStart, sPlain, sQuoted, sQuoteSeen } st = sStart;
  FFields.clear();
  const char* const b = FBuf.data();
  const size_t size = FBuf.size();
  const int delim = FDelim ? FDelim : 256;  // 256: no byte is the delimiter
  size_t fieldStart = FPos;
  size_t newlines = 0;
  size_t quoteLine = FLine;
  size_t i = FPos;
  const auto endRow = [&](size_t end, size_t le) {
    FFields.push_back({fieldStart, end, st == sQuoteSeen});
    length = end - FPos;
    lineEnd = le;
    return true;
  };
  while (i < size) {
    const char c = b[i];
    switch (st) {
      case sStart:
        if (c == '"') {
          st = sQuoted;
          quoteLine = FLine + newlines;
          ++i;
          continue;
        }
        st = sPlain;
        [[fallthrough]];
      case sPlain:
      case sQuoteSeen:
        if (static_cast<unsigned char>(c) == delim) {
          FFields.push_back({fieldStart, i, st == sQuoteSeen});
          fieldStart = ++i;
          st = sStart;
          continue;
        }
        if (c == '\n') return endRow(i, 1);
        if (c == '\r') {
          if (i + 1 < size && b[i + 1] == '\n') return endRow(i, 2);
          if (i + 1 == size && !FEof) return false;
        }
        if (st == sQuoteSeen) {
          throw EInputError(FLine + newlines,
                            "po cudzysłowie zamykającym pole może stać tylko separator albo koniec wiersza");
        }
        ++i;
        break;
      case sQuoted: {
        // The body of a quoted field up to the next quote, in one look.
        const void* q = std::memchr(b + i, '"', size - i);
        const size_t end = q ? static_cast<size_t>(static_cast<const char*>(q) - b) : size;
        for (size_t k = i; k < end; ++k) newlines += b[k] == '\n';
        i = end;
        if (q) {
          if (end + 1 < size && b[end + 1] == '"') {
            i = end + 2;
          } else if (end + 1 == size && !FEof) {
            return false;  // a doubled quote may be cut by the buffer's end
          } else {
            st = sQuoteSeen;
            i = end + 1;
          }
        }
        break;
      }
    }
    if (i - FPos > kMaxRowBytes) throw EInputError(FLine, "wiersz dłuższy niż 16 MiB (może niezamknięty cudzysłów)");
  }
  if (!FEof) return false;
  if (st == sQuoted) throw EInputError(quoteLine, "cudzysłów otwarty w tym wierszu nie został zamknięty do końca pliku");
  if (FPos == size) {
    length = lineEnd = 0;
    FFields.clear();
    return false;
  }
  return endRow(size, 0);
}

std::string TConverter::FieldValue(const TField& f) const {
  if (!f.Quoted) return FBuf.substr(f.Begin, f.End - f.Begin);
  std::string r;
  for (size_t k = f.Begin + 1; k + 1 < f.End; ++k) {
    r += FBuf[k];
    if (FBuf[k] == '"') ++k;
  }
  return r;
}

void TConverter::Prepare() {
  const std::string od(1, static_cast<char>(FDelim ? FDelim : ';'));
  const std::string sep = IsUnicode(FInEnc) ? FOptions.Separator : text::Utf8To1250(FOptions.Separator);
  const auto& mappings = FMap.Mappings();
  FAdded.clear();
  FExploded.clear();
  for (const TMapping& m : mappings) {
    const std::string label = CsvField(Internal(KindLabel(m.Kind)));
    std::string codes, titles;
    std::vector<std::string> rows;
    for (size_t k = 0; k < m.Counterparts.size(); ++k) {
      const TCounterpart& c = m.Counterparts[k];
      codes += (k ? sep : std::string()) + c.Code;
      titles += (k ? sep : std::string()) + Internal(c.Title);
      rows.push_back(od + CsvField(c.Code) + od + label + od + CsvField(Internal(c.Title)));
    }
    if (rows.empty()) rows.push_back(od + od + label + od);
    FAdded.push_back(od + CsvField(codes) + od + label + od + CsvField(titles));
    FExploded.push_back(std::move(rows));
  }
  FJsonTail.clear();
  for (const TMapping& m : mappings) {
    std::string o = ",\"normalized\":";
    if (m.Code.empty()) {
      o += "null";
    } else {
      JsonString(m.Code, o);
    }
    o += ",\"kind\":\"";
    o += KindToken(m.Kind);
    o += "\",\"counterparts\":[";
    for (size_t k = 0; k < m.Counterparts.size(); ++k) {
      o += k ? ",{\"code\":" : "{\"code\":";
      JsonString(m.Counterparts[k].Code, o);
      o += ",\"title\":";
      JsonString(text::Cp1250ToUtf8(m.Counterparts[k].Title), o);
      o += '}';
    }
    o += ']';
    FJsonTail.push_back(std::move(o));
  }
  const std::string target = FMap.TargetRevision();
  FHeaderAdded = od + CsvField(Internal(target)) + od + CsvField(Internal("rodzaj zmiany")) + od +
                 CsvField(Internal("nazwa w " + target));
}

void TConverter::Emit(std::string_view internal) {
  if (FOutEnc == FInEnc && FOutEnc != enUtf16Le) {
    FOutBuf.append(internal);
  } else {
    Encode(internal, FInEnc, FOutEnc, FOutBuf);
  }
}

void TConverter::Flush(bool all) {
  if (FOutBuf.empty() || (!all && FOutBuf.size() < kFlushBytes)) return;
  FOut->Write(FOutBuf);
  FOutBuf.clear();
}

void TConverter::WriteCsvRow(std::string_view row, std::string_view lineEnd, size_t mapping, bool header) {
  if (!lineEnd.empty()) FLastLineEnd = std::string(lineEnd);
  if (header || !FOptions.Explode) {
    Emit(row);
    Emit(header ? FHeaderAdded : FAdded[mapping]);
    Emit(lineEnd);
    return;
  }
  const std::vector<std::string>& rows = FExploded[mapping];
  for (size_t k = 0; k < rows.size(); ++k) {
    Emit(row);
    Emit(rows[k]);
    Emit(k + 1 < rows.size() && lineEnd.empty() ? std::string_view(FLastLineEnd) : lineEnd);
  }
}

void TConverter::WriteJsonRow(std::string_view code, size_t mapping) {
  std::string& o = FOutBuf;
  o += "{\"line\":";
  o += std::to_string(FLine);
  o += ",\"code\":";
  JsonString(ToValidUtf8(code, FInEnc), o);
  o += FJsonTail[mapping];
  o += ",\"fields\":[";
  for (size_t k = 0; k < FFields.size(); ++k) {
    if (k) o += ',';
    JsonString(ToValidUtf8(FieldValue(FFields[k]), FInEnc), o);
  }
  o += "]}\n";
}

void TConverter::CheckGuess(std::string_view row) {
  // Windows-1250 was only a guess from plain ASCII; the first row with other
  // bytes confirms it, or shows UTF-8, whose rows would then get added
  // columns in another encoding than their own.
  if (std::none_of(row.begin(), row.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) return;
  FGuessed = false;
  if (DetectEncoding(row, true) != enCp1250) {
    throw EInputError(FLine, "pierwsze znaki spoza ASCII są w UTF-8, a początek pliku wskazywał Windows-1250: "
                             "podaj --encoding utf8 albo --encoding cp1250");
  }
}

TSummary TConverter::Run(TByteSource& in, TByteSink& out) {
  FIn = &in;
  FOut = &out;
  TSummary summary;

  // The encoding from the first bytes, then the rest read through it.
  FRead.resize(kDetectBytes);
  while (!FEof && FRaw.size() < kDetectBytes) {
    const size_t n = FIn->Read(&FRead[0], kDetectBytes - FRaw.size());
    FRaw.append(FRead.data(), n);
    FEof = n == 0;
  }
  FInEnc = DetectEncoding(FRaw, FEof);
  FGuessed = !FOptions.EncodingGiven && FInEnc == enCp1250 &&
             std::all_of(FRaw.begin(), FRaw.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (FOptions.EncodingGiven) {
    const TEncoding given = FOptions.Encoding;
    const bool bom8 = FInEnc == enUtf8Bom, bom16 = FInEnc == enUtf16Le;
    FInEnc = given == enUtf8 || given == enUtf8Bom ? (bom8 ? enUtf8Bom : enUtf8) : given;
    if (given == enUtf16Le && !bom16) FRaw.insert(0, Bom(enUtf16Le));
  }
  FRaw.erase(0, Bom(FInEnc).size());
  FOutEnc = FOptions.OutputEncodingGiven ? FOptions.OutputEncoding : FInEnc;
  summary.Encoding = FInEnc;
  if (FInEnc == enUtf16Le) {
    FDecode16 = true;
    FDecoder.Feed(FRaw, FBuf);
    if (FEof && !FDecoder.Finish(FBuf)) OddUtf16();
  } else {
    FBuf.swap(FRaw);
  }
  FRaw.clear();
  FRaw.shrink_to_fit();
  FOut->Begin(FOptions.Format == fmJson ? enUtf8 : FOutEnc);
  if (FOptions.Format == fmCsv) FOutBuf.append(Bom(FOutEnc));

  FDelim = FOptions.Delimiter ? FOptions.Delimiter : FirstLineDelimiter(FBuf);
  summary.Delimiter = FDelim;
  Prepare();

  const int number = ColumnNumber(FOptions.Column);
  FColumn = number ? static_cast<size_t>(number - 1) : 0;
  bool first = true;
  size_t length = 0, lineEnd = 0;
  for (;;) {
    if (!SplitRow(length, lineEnd)) {
      if (Fill(FBuf.size() - FPos)) continue;
      if (!SplitRow(length, lineEnd)) break;
    }
    const std::string_view row(FBuf.data() + FPos, length);
    const std::string_view le(FBuf.data() + FPos + length, lineEnd);
    if (FGuessed) CheckGuess(row);
    bool header = false;
    if (first) {
      first = false;
      if (number == 0) {
        header = true;
        const std::string wanted = text::Utf8To1250(FOptions.Column);
        bool found = false;
        for (size_t k = 0; k < FFields.size() && !found; ++k) {
          std::string name = Trim(FieldValue(FFields[k]));
          if (IsUnicode(FInEnc)) name = text::Utf8To1250(name);
          if (text::CompareNoCase1250(name, Trim(wanted)) == 0) {
            FColumn = k;
            found = true;
          }
        }
        if (!found) throw EInputError(FLine, "w nagłówku nie ma kolumny „" + wanted + "”");
      } else {
        header = FOptions.Header == hdYes ||
                 (FOptions.Header == hdAuto && FColumn < FFields.size() && LooksLikeHeader(FieldValue(FFields[FColumn])));
      }
    }
    size_t mapping = 0;
    std::string code;
    if (!header) {
      if (FColumn < FFields.size()) code = FieldValue(FFields[FColumn]);
      mapping = FMap.Find(code);
      ++summary.Rows;
      ++summary.Kinds[FMap.Mappings()[mapping].Kind];
    }
    if (FOptions.Format == fmJson) {
      if (!header) WriteJsonRow(code, mapping);
    } else {
      WriteCsvRow(row, le, mapping, header);
    }
    for (const char* p = row.data(); (p = static_cast<const char*>(std::memchr(p, '\n', row.data() + row.size() - p)));
         ++p)
      ++FLine;
    FLine += lineEnd ? 1 : 0;
    FPos += length + lineEnd;
    Flush(false);
  }
  Flush(true);
  return summary;
}

std::string SummaryText(const TCodeMap& map, const TSummary& summary) {
  std::string s = "pkdmap: " + map.SourceRevision() + " » " + map.TargetRevision() +
                  ", wierszy z kodem: " + std::to_string(summary.Rows) + "\n";
  for (int k = 0; k < kcCount; ++k)
    s += std::string("  ") + KindLabel(static_cast<TKind>(k)) + ": " + std::to_string(summary.Kinds[k]) + "\n";
  return s;
}

}  // namespace pkdmap
