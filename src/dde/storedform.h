// The textual stored form of the manager's services list and declared
// commands, as a form file holds them:
//   Services.ServicesList = ('PKD_ZEL' True 0)
//   ExecCmds.CmdList = (True 'NSS' 'Open_PKD' True 'SS' 'Find_PKD')
// A list is "(" values ")"; values are separated by blanks or line breaks;
// strings are quoted with ' (doubled inside), may hold #n character codes
// ('a'#9'b') and may be continued with + on the next line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dde/commands.h"
#include "dde/services.h"
#include "text/errors.h"

namespace dde {

inline constexpr const char* kServicesListProperty = "Services.ServicesList";
inline constexpr const char* kCmdListProperty = "ExecCmds.CmdList";

// Bad stored text. The message names what was expected and where.
class EStoredFormError : public text::Exception {
 public:
  using text::Exception::Exception;
};

// A string as the form file writes it.
std::string StoredString(std::string_view s);

// The value of CmdList: a list of (Enabled, Params, Title) triples.
std::string WriteCmdList(const TDDEMLCmdsList& list);
// Replaces the table by the stored triples, in order, without the duplicate
// check. Bad text raises EStoredFormError and leaves the table as it was.
void ReadCmdList(std::string_view value, TDDEMLCmdsList& list);

// The value of ServicesList: per service its name, enabled flag, the number
// of its strings and the strings. Topics and items are not stored.
std::string WriteServicesList(const TDDEMLServicesList& list);
// Replaces the services by the stored ones (not registered, error relay
// set). Bad text raises EStoredFormError and leaves the list as it was.
void ReadServicesList(std::string_view value, TDDEMLServicesList& list);

// "path = value"
std::string StoredPropertyLine(std::string_view path, std::string_view value);
// Splits "path = value" (blanks around both trimmed); false without "=".
bool SplitStoredPropertyLine(std::string_view line, std::string& path, std::string& value);

// Single property values, each making up the whole value text. Bad text
// raises EStoredFormError.
std::string ReadStoredString(std::string_view value);   // 'text'#9'more'
bool ReadStoredBoolean(std::string_view value);         // True / False
std::string ReadStoredIdent(std::string_view value);    // ddeServerOnly
long long ReadStoredInteger(std::string_view value);    // 12, -3, $1F
double ReadStoredFloat(std::string_view value);         // 1.000000000000000000
std::vector<std::string> ReadStoredSet(std::string_view value);  // [a, b]

struct TStoredProperty {
  std::string Path;   // "DefaultTimeOut", "ExecCmds.CmdList"
  std::string Value;  // as written; a list or string continued over lines is joined
};
struct TStoredObject {
  std::string Name;       // from "object Name: TClass"; empty without a header
  std::string ClassName;
  std::vector<TStoredProperty> Properties;
};
// Splits a component's stored text, with or without its "object ... end"
// lines, into its property assignments in order.
TStoredObject SplitStoredObject(std::string_view text);

}  // namespace dde
