// pkdpick's texts without Windows: its arguments, the execute command it
// sends and the JSON object it prints.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "picker/pick_protocol.h"

namespace pkdpick {

inline constexpr const char* kDefaultService = picker::kPickService;

struct TOptions {
  std::string Code;   // Windows-1250; empty when not given
  std::string Words;  // Windows-1250; empty when not given
  std::string Service = kDefaultService;
  bool Find = false;
  bool Help = false;
};

// The arguments without the program's name. False with a message
// (Windows-1250) for an unknown option, a missing value, or a value the
// command language cannot carry.
bool ParseArguments(const std::vector<std::u16string>& args, TOptions& options, std::string& error);

// The execute string: [Open_PKD(owner,"code","words")], or with Find
// [Find_PKD("code","words")]. An option not given empties its box.
std::string CommandText(const TOptions& options, uint64_t owner);

// {"KOD": "...", "NAZWA": "...", "OPIS": "..."} in UTF-8 from the items'
// Windows-1250 texts; the line marks (byte 0xFF) of the description become
// "\n".
std::string JsonResult(const std::string& kod, const std::string& nazwa, const std::string& opis);
// A JSON string literal, quotes included, from UTF-8 text.
std::string JsonString(std::string_view utf8);

// The help text (Windows-1250).
std::string HelpText();

}  // namespace pkdpick
