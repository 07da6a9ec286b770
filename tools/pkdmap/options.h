// pkdmap's command line: what it says, and the usage text.
#pragma once

#include <string>
#include <vector>

#include "pkdmap/encoding.h"

namespace pkdmap {

enum THeader { hdAuto, hdYes, hdNo };
enum TFormat { fmCsv, fmJson };

struct TOptions {
  int From = 2007;                 // the revision of the stored codes
  std::string Column = "1";        // a number from 1, or a header's name (UTF-8)
  TFormat Format = fmCsv;
  bool Explode = false;            // a row per counterpart
  std::string Separator = "|";     // between counterparts in one field (UTF-8)
  bool EncodingGiven = false;
  TEncoding Encoding = enCp1250;
  bool OutputEncodingGiven = false;
  TEncoding OutputEncoding = enCp1250;
  int Delimiter = 0;               // 0: detected; else ';', ',' or '\t'
  THeader Header = hdAuto;
  std::string Input;               // UTF-8 path; empty or "-": standard input
  std::string Output;              // UTF-8 path; empty or "-": standard output
  std::string Kod2025;             // UTF-8 paths; empty: beside the program
  std::string Kod2007;
  bool Help = false;
  bool Version = false;
};

// Arguments (UTF-8, without the program's name); false with a Polish
// message (Windows-1250) on a mistake.
bool ParseOptions(const std::vector<std::string>& args, TOptions& options, std::string& error);

// The column as a number from 1, or 0 when it is a header's name.
int ColumnNumber(const std::string& column);

// --help, Windows-1250.
std::string UsageText();

}  // namespace pkdmap
