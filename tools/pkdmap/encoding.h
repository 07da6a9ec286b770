// The encodings of stored-code files: which one a file is in, and the moves
// between them. Inside the converter a row is 8-bit text: Windows-1250 bytes
// for a Windows-1250 file, UTF-8 for the others (UTF-16 is turned into UTF-8
// on the way in and back on the way out, losslessly).
#pragma once

#include <string>
#include <string_view>

namespace pkdmap {

enum TEncoding { enCp1250, enUtf8, enUtf8Bom, enUtf16Le };

// "cp1250"/"1250"/"windows-1250", "utf8"/"utf-8", "utf8bom"/"utf-8-bom",
// "utf16"/"utf-16"/"utf-16le" in any letter case; false for another name.
bool ParseEncoding(std::string_view name, TEncoding& out);
const char* EncodingName(TEncoding e);

// The byte-order mark a file in e starts with (empty for cp1250 and utf8).
std::string_view Bom(TEncoding e);
// True when rows in e are handled as UTF-8 inside the converter.
inline bool IsUnicode(TEncoding e) { return e != enCp1250; }

// The encoding of a file from its first bytes (complete when atEnd): the
// byte-order mark; else UTF-8 when the bytes above 0x7F there are all valid
// UTF-8 (a sequence cut by the end of the prefix counts as valid); else
// Windows-1250. A prefix of ASCII only is taken for Windows-1250, as Polish
// Excel writes its CSV files.
TEncoding DetectEncoding(std::string_view prefix, bool atEnd);

// UTF-16 LE to UTF-8 by pieces of any size. An unpaired surrogate becomes
// its three-byte form, so that the way back gives the same bytes.
class TUtf16Decoder {
 public:
  void Feed(std::string_view bytes, std::string& out);
  // False when the input ended inside a character (an odd byte).
  bool Finish(std::string& out);

 private:
  void Put(char32_t cp, std::string& out);
  unsigned char FOdd = 0;
  bool FHasOdd = false;
  char16_t FHigh = 0;  // a high surrogate waiting for its low half
};

// Row text of the converter (Windows-1250 when from is enCp1250, else UTF-8)
// written in encoding to. Invalid UTF-8 becomes U+FFFD (a character without
// a Windows-1250 form, '?').
void Encode(std::string_view rowText, TEncoding from, TEncoding to, std::string& out);

// Converter text made UTF-8, for JSON: Windows-1250 converted, UTF-8 with
// its invalid bytes and surrogate forms replaced by U+FFFD.
std::string ToValidUtf8(std::string_view rowText, TEncoding from);

}  // namespace pkdmap
