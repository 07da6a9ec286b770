// The execute-command language: the table of declared commands, the parsed
// form of one command, and the validation of a whole execute string such as
// [Open_PKD(1234,"code","words")][Find_PKD(a,b)].
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dde/containers.h"

namespace dde {

// The execute event hands parameters over in a fixed array of this many
// slots, so no command may declare more parameter letters.
constexpr int kMaxCmdParams = 21;
// The text buffer the execute string is read into holds at most this many
// characters; longer strings are answered as invalid.
constexpr std::size_t kMaxCmdLineLength = 65500;

// One declared command.
class TDDEMLCmd {
 public:
  TDDEMLCmd() = default;
  TDDEMLCmd(std::string title, std::string params, bool enabled)
      : Enabled(enabled), Params(std::move(params)), Title(std::move(title)) {}

  // Stored and copied; parsing does not look at it.
  bool Enabled = true;
  // One type letter per parameter: N number, S string, I (or any other
  // letter) integer; the leading run of letters that are not lower case is
  // required, the rest optional.
  std::string Params;
  // The name as clients write it.
  std::string Title;

  int RequiredParamCount() const;
};

// One command of an execute string, as validated.
class TDDEMLParsedCmd {
 public:
  // The name as written, ASCII upper case.
  std::string CmdName;
  // The parameter texts exactly as written (no trimming, quotes kept).
  std::vector<std::string> ParamList;
  // Params of the matched declared command; empty when the command came
  // without a parameter list.
  std::string ParamTypes;

  int ParamCount() const { return static_cast<int>(ParamList.size()); }
  // Empty for an index outside both the list and ParamTypes.
  std::string Param(int index) const;
};

using TParsedCmdList = TDDEMLObjectList<TDDEMLParsedCmd>;

class TDDEMLCmdsList {
 public:
  TDDEMLCmdsList() = default;
  TDDEMLCmdsList(const TDDEMLCmdsList&) = delete;
  TDDEMLCmdsList& operator=(const TDDEMLCmdsList&) = delete;

  // Appends a command unless one of that title exists (ASCII case ignored);
  // gives true when it was appended. Raises EMorviaError for more than 21
  // parameter letters.
  bool AddCmd(const std::string& title, const std::string& params, bool enabled = true);
  // Appends without the duplicate check, as the stored form is read.
  // Raises EMorviaError for more than 21 parameter letters.
  void AppendCmd(const std::string& title, const std::string& params, bool enabled);
  // The first command whose title equals name, ASCII case ignored.
  TDDEMLCmd* FindCmd(std::string_view name) const;
  int Count() const { return FCmds.Count(); }
  // nullptr for an index outside the list.
  TDDEMLCmd* Cmd(int index) const { return FCmds.At(index); }
  void Clear() { FCmds.Clear(); }
  // Empties the table and adds every command of other; the delimiters stay.
  void Assign(const TDDEMLCmdsList& other);

  char CmdFirstCh = '[';
  char CmdLastCh = ']';
  char CmdParamFirstCh = '(';
  char CmdParamLastCh = ')';
  // Stored and reported only: parameters are always split at ','.
  char CmdParamSep = ',';

  // Validates a whole execute string (up to its first NUL). When container
  // is given, each valid command is appended to it; commands appended before
  // a failure stay there.
  bool ValidCmdLine(std::string_view line, TParsedCmdList* container) const;
  // One command, the text between the command brackets.
  bool ParseCmd(std::string_view command, TDDEMLParsedCmd& parsed) const;
  // The text between the parameter brackets of the command name.
  bool ValidateParams(std::string_view name, std::string_view params, TDDEMLParsedCmd& parsed) const;

 private:
  TDDEMLObjectList<TDDEMLCmd> FCmds;
};

// The parameter checks, by type letter.
bool IsValidNumberParam(std::string_view s);
bool IsValidIntegerParam(std::string_view s);
bool IsValidParam(char typeLetter, std::string_view s);

}  // namespace dde
