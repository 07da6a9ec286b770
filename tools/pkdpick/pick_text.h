// pkdpick without Windows: its arguments, the execute command it sends, what
// its exit status says and the result it prints.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "picker/pick_protocol.h"

namespace pkdpick {

inline constexpr const char* kDefaultService = picker::kPickService;

// The exit status: what happened, for scripts.
inline constexpr int kExitChosen = 0;       // "Wybierz", or --find found the code
inline constexpr int kExitCancelled = 1;    // "Anuluj"
inline constexpr int kExitError = 2;        // usage or any other error
inline constexpr int kExitBusy = 3;         // the picker waits for another program's pick
inline constexpr int kExitNotFound = 4;     // --find did not find the code
inline constexpr int kExitInterrupted = 130;  // Ctrl+C

enum TFormat { fmJson, fmText, fmEnv };

struct TOptions {
  std::string Code;   // Windows-1250; empty when not given
  std::string Words;  // Windows-1250; empty when not given
  std::string Service = kDefaultService;
  TFormat Format = fmJson;
  bool Find = false;
  bool NoStart = false;
  bool Help = false;
  bool Version = false;
};

// The arguments without the program's name: "--opt value" or "--opt=value";
// "--" ends the options (nothing may follow it). False with a message
// (Windows-1250) for an unknown option, a missing or unexpected value, or a
// value the command language cannot carry.
bool ParseArguments(const std::vector<std::u16string>& args, TOptions& options, std::string& error);

// The execute string: [Open_PKD(owner,"code","words")], or with Find
// [Find_PKD("code","words")]. An option not given empties its box.
std::string CommandText(const TOptions& options, uint64_t owner);

// How the picker answered the command.
enum TAnswer { paAcknowledged, paRefused, paBusy };

// The exit status after the command's answer and the three requests (read
// false when one failed), with the message for standard error (Windows-1250,
// empty when nothing is to be said); the result is printed only with 0 and 1.
struct TVerdict {
  int Status = kExitError;
  std::string Message;
  bool PrintResult() const { return Status == kExitChosen || Status == kExitCancelled; }
};
TVerdict Decide(const TOptions& options, TAnswer answer, bool read, const std::string& kod);

// The result in UTF-8 from the items' Windows-1250 texts: json, text (one
// line, the values separated by tabs) or env (KOD=, NAZWA=, OPIS= lines).
std::string FormatResult(TFormat format, const std::string& kod, const std::string& nazwa, const std::string& opis);

// {"KOD": "...", "NAZWA": "...", "OPIS": "..."} in UTF-8 from the items'
// Windows-1250 texts; the line marks (byte 0xFF) of the description become
// "\n".
std::string JsonResult(const std::string& kod, const std::string& nazwa, const std::string& opis);
// A JSON string literal, quotes included, from UTF-8 text.
std::string JsonString(std::string_view utf8);

// The help text (Windows-1250).
std::string HelpText();
// The message of a busy picker (Windows-1250).
std::string BusyText();

}  // namespace pkdpick
