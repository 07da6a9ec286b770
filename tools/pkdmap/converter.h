// The conversion itself: rows in, the same rows with the counterparts out,
// streamed (memory follows the longest row, not the input).
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "pkdmap/code_map.h"
#include "pkdmap/encoding.h"
#include "pkdmap/options.h"
#include "text/errors.h"

namespace pkdmap {

class TByteSource {
 public:
  virtual ~TByteSource() = default;
  // Up to size bytes; 0 at the end. Throws text::Exception on a read error.
  virtual size_t Read(char* buffer, size_t size) = 0;
};

class TByteSink {
 public:
  virtual ~TByteSink() = default;
  // Before the first write: the encoding of what follows (a console shows
  // it in its own characters).
  virtual void Begin(TEncoding /*written*/) {}
  // Throws text::Exception on a write error.
  virtual void Write(std::string_view bytes) = 0;
};

// A fault of the input, with the line it is on (from 1).
class EInputError : public text::Exception {
 public:
  EInputError(size_t line, const std::string& message) : text::Exception(message), FLine(line) {}
  size_t Line() const { return FLine; }

 private:
  size_t FLine;
};

struct TSummary {
  size_t Rows = 0;  // rows with a code field, the header not counted
  std::array<size_t, kcCount> Kinds{};
  TEncoding Encoding = enCp1250;  // of the input, as read
  int Delimiter = 0;              // 0 when the input had one field a row
};

// A row longer than this is taken for a broken file (an unclosed quote).
constexpr size_t kMaxRowBytes = 16u << 20;

class TConverter {
 public:
  TConverter(const TCodeMap& map, const TOptions& options);
  // Throws EInputError for a fault of the input, text::Exception for others.
  TSummary Run(TByteSource& in, TByteSink& out);

 private:
  struct TField {
    size_t Begin, End;  // in FBuf, the quotes included
    bool Quoted;
  };
  bool Fill(size_t atLeast);
  [[noreturn]] void OddUtf16() const;
  // The row at FPos: its length without the line end, and the line end's;
  // false when the buffer holds no complete row and more can come.
  bool SplitRow(size_t& length, size_t& lineEnd);
  std::string FieldValue(const TField& f) const;
  void CheckGuess(std::string_view row);
  void Prepare();
  void Emit(std::string_view internal);
  void WriteCsvRow(std::string_view row, std::string_view lineEnd, size_t mapping, bool header);
  void WriteJsonRow(std::string_view code, size_t mapping);
  std::string Internal(const std::string& text1250) const;
  std::string CsvField(const std::string& internal) const;
  void Flush(bool all);

  const TCodeMap& FMap;
  TOptions FOptions;
  TByteSource* FIn = nullptr;
  TByteSink* FOut = nullptr;
  TEncoding FInEnc = enCp1250;
  TEncoding FOutEnc = enCp1250;
  bool FEof = false;
  bool FGuessed = false;  // Windows-1250 taken for a file that began in ASCII
  bool FDecode16 = false;
  TUtf16Decoder FDecoder;
  std::string FRaw;   // the first bytes, for the encoding
  std::string FRead;  // one read
  std::string FBuf;
  size_t FPos = 0;
  size_t FLine = 1;
  int FDelim = 0;  // 0: one field a row
  size_t FColumn = 0;  // from 0
  std::vector<TField> FFields;
  std::string FOutBuf;
  std::string FLastLineEnd = "\r\n";
  // Per answer of the map, in the converter's text: the added fields of one
  // row, and of each row of --explode.
  std::vector<std::string> FAdded;
  std::vector<std::vector<std::string>> FExploded;
  std::string FHeaderAdded;
  std::vector<std::string> FJsonTail;  // from "normalized" to the counterparts' end
};

// The summary for standard error (Windows-1250).
std::string SummaryText(const TCodeMap& map, const TSummary& summary);

}  // namespace pkdmap
