#include "dde/commands.h"

#include <cmath>
#include <cstdlib>

#include "dde/errors.h"
#include "dde/trace.h"
#include "text/cp1250.h"
#include "text/number.h"

namespace dde {

namespace {

bool IsAsciiLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The text strictly between the first open character and the first close
// character after it; false when either is missing. begin/end give the
// positions of the two delimiters.
bool Extract(std::string_view s, char open, char close, std::size_t& begin, std::size_t& end) {
  begin = s.find(open);
  if (begin == std::string_view::npos) return false;
  end = s.find(close, begin + 1);
  return end != std::string_view::npos;
}

void CheckDeclaration(const std::string& title, const std::string& params) {
  if (params.size() > static_cast<std::size_t>(kMaxCmdParams))
    throw EMorviaError("Command " + title + " declares " + std::to_string(params.size()) +
                        " parameters, at most " + std::to_string(kMaxCmdParams) + " are allowed");
}

}  // namespace

int TDDEMLCmd::RequiredParamCount() const {
  int n = 0;
  while (n < static_cast<int>(Params.size()) && !IsAsciiLower(Params[static_cast<std::size_t>(n)])) ++n;
  return n;
}

std::string TDDEMLParsedCmd::Param(int index) const {
  if (index < 0 || index >= ParamCount() || index >= static_cast<int>(ParamTypes.size())) return std::string();
  return ParamList[static_cast<std::size_t>(index)];
}

// ---------------------------------------------------------------------------

bool IsValidNumberParam(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  const std::size_t start = i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != s.size()) return false;
  // The value must fit an extended-precision float.
  std::string number(s.substr(start));
  long double v = std::strtold(number.c_str(), nullptr);
  return std::isfinite(v);
}

bool IsValidIntegerParam(std::string_view s) {
  int32_t v = 0;
  return !s.empty() && text::TryStrToInt(s, v);
}

bool IsValidParam(char typeLetter, std::string_view s) {
  switch (text::UpperCharAscii(typeLetter)) {
    case 'N':
      return IsValidNumberParam(s);
    case 'S':
      return !s.empty();
    default:
      return IsValidIntegerParam(s);
  }
}

// ---------------------------------------------------------------------------

bool TDDEMLCmdsList::AddCmd(const std::string& title, const std::string& params, bool enabled) {
  if (FindCmd(title)) return false;
  AppendCmd(title, params, enabled);
  return true;
}

void TDDEMLCmdsList::AppendCmd(const std::string& title, const std::string& params, bool enabled) {
  CheckDeclaration(title, params);
  FCmds.Add(std::make_unique<TDDEMLCmd>(title, params, enabled));
}

TDDEMLCmd* TDDEMLCmdsList::FindCmd(std::string_view name) const {
  for (int i = 0; i < FCmds.Count(); ++i) {
    TDDEMLCmd* cmd = FCmds.At(i);
    if (text::EqualNoCaseAscii(cmd->Title, name)) return cmd;
  }
  return nullptr;
}

void TDDEMLCmdsList::Assign(const TDDEMLCmdsList& other) {
  if (&other == this) return;
  Clear();
  for (int i = 0; i < other.Count(); ++i) {
    const TDDEMLCmd* cmd = other.Cmd(i);
    AddCmd(cmd->Title, cmd->Params, cmd->Enabled);
  }
}

bool TDDEMLCmdsList::ValidCmdLine(std::string_view line, TParsedCmdList* container) const {
  const std::size_t nul = line.find('\0');
  if (nul != std::string_view::npos) line = line.substr(0, nul);
  WriteTrace({"ValidCmdLine - start"});
  WriteTrace({"ValidCmdLine - step 1"});
  bool result = line.size() <= kMaxCmdLineLength;
  // The working text is what is left of the line once each bracketed part is
  // cut out. Text before an opening bracket holds no opening bracket, so it
  // is never consumed: it only has to be remembered (leftover) to make the
  // line invalid once the brackets run out. Walking a cursor keeps this
  // linear in the length of the line.
  std::size_t pos = 0;
  bool leftover = false;
  while (result && (leftover || pos < line.size())) {
    WriteTrace({"ValidCmdLine - step 2"});
    std::size_t begin = 0, end = 0;
    if (!Extract(line.substr(pos), CmdFirstCh, CmdLastCh, begin, end)) {
      result = false;
      break;
    }
    if (begin > 0) leftover = true;
    std::string_view command = line.substr(pos + begin + 1, end - begin - 1);
    pos += end + 1;
    WriteTrace({"ValidCmdLine - step 3"});
    auto parsed = std::make_unique<TDDEMLParsedCmd>();
    result = ParseCmd(command, *parsed);
    if (result && container) container->Add(std::move(parsed));
    WriteTrace({"ValidCmdLine - step 4"});
  }
  WriteTrace({"ValidCmdLine - end"});
  return result;
}

bool TDDEMLCmdsList::ParseCmd(std::string_view command, TDDEMLParsedCmd& parsed) const {
  const std::size_t open = command.find(CmdParamFirstCh);
  std::string_view name = open == std::string_view::npos ? command : command.substr(0, open);
  if (!FindCmd(name)) return false;
  parsed.CmdName = text::UpperAscii(name);
  std::size_t begin = 0, end = 0;
  // No (complete) parameter list: accepted with no parameters, whatever the
  // declaration requires.
  if (!Extract(command, CmdParamFirstCh, CmdParamLastCh, begin, end)) return true;
  return ValidateParams(name, command.substr(begin + 1, end - begin - 1), parsed);
}

bool TDDEMLCmdsList::ValidateParams(std::string_view name, std::string_view params,
                                    TDDEMLParsedCmd& parsed) const {
  const TDDEMLCmd* cmd = FindCmd(name);
  if (!cmd) return false;
  // An empty list has no fields, and no fields are refused even when every
  // parameter is optional.
  if (params.empty()) return false;
  std::vector<std::string> fields;
  std::size_t from = 0;
  for (;;) {
    std::size_t comma = params.find(',', from);
    if (comma == std::string_view::npos) {
      fields.emplace_back(params.substr(from));
      break;
    }
    fields.emplace_back(params.substr(from, comma - from));
    from = comma + 1;
    // More fields than any declaration can take: no need to split further.
    if (fields.size() > cmd->Params.size()) return false;
  }
  if (static_cast<int>(fields.size()) < cmd->RequiredParamCount() || fields.size() > cmd->Params.size())
    return false;
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (!IsValidParam(cmd->Params[i], fields[i])) return false;
  for (auto& f : fields) parsed.ParamList.push_back(std::move(f));
  parsed.ParamTypes = cmd->Params;
  return true;
}

}  // namespace dde
