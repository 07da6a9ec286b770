// Execute strings come from any DDE client: validating and parsing them must
// never crash, and whatever is accepted must fit its declaration.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dde/commands.h"

namespace {

dde::TDDEMLCmdsList& Table(bool quotes) {
  static dde::TDDEMLCmdsList* lists[2] = {nullptr, nullptr};
  dde::TDDEMLCmdsList*& list = lists[quotes ? 1 : 0];
  if (!list) {
    list = new dde::TDDEMLCmdsList;
    if (quotes) {
      list->CmdFirstCh = '"';
      list->CmdLastCh = '"';
      list->CmdParamFirstCh = '<';
      list->CmdParamLastCh = '<';
    }
    list->AddCmd("Open_PKD", "NSS");
    list->AddCmd("Find_PKD", "SS");
    list->AddCmd("Ns", "Ns");
    list->AddCmd("I", "I");
    list->AddCmd("opt", "ss");
    list->AddCmd("Max", "NSINSINSINSINSINSINSI");
    list->AddCmd("", "S");
  }
  return *list;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const dde::TDDEMLCmdsList& cmds = Table((data[0] & 1) != 0);
  const std::string line(reinterpret_cast<const char*>(data + 1), size - 1);

  dde::TParsedCmdList parsed;
  const bool valid = cmds.ValidCmdLine(line, &parsed);
  for (int i = 0; i < parsed.Count(); ++i) {
    const dde::TDDEMLParsedCmd* p = parsed.At(i);
    const dde::TDDEMLCmd* decl = cmds.FindCmd(p->CmdName);
    Check(decl != nullptr);
    Check(p->ParamCount() <= dde::kMaxCmdParams);
    if (p->ParamCount() == 0) continue;  // no parameter list written
    Check(p->ParamTypes == decl->Params);
    Check(p->ParamCount() >= decl->RequiredParamCount());
    Check(p->ParamCount() <= static_cast<int>(decl->Params.size()));
    for (int k = 0; k < p->ParamCount(); ++k) {
      Check(dde::IsValidParam(decl->Params[static_cast<size_t>(k)], p->Param(k)));
      Check(p->Param(k).find(',') == std::string::npos);
    }
  }
  if (valid) Check(line.find('\0') != std::string::npos || line.size() <= dde::kMaxCmdLineLength);

  // The same text as one command, without the outer brackets.
  dde::TDDEMLParsedCmd one;
  cmds.ParseCmd(line, one);
  Check(one.ParamCount() <= dde::kMaxCmdParams);
  return 0;
}
