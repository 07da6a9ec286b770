#include "dde/transtype.h"

#include "dde/platform.h"

namespace dde {

namespace {

struct TTransEntry {
  TDDEMLTransType type;
  uint32_t code;
  const char* name;
};

const TTransEntry kTransTable[] = {
    {xtypError, 0, "xtypError"},
    {xtypAdvData, ddeml::kXtypAdvData, "xtypAdvData"},
    {xtypAdvReq, ddeml::kXtypAdvReq, "xtypAdvReq"},
    {xtypAdvStart, ddeml::kXtypAdvStart, "xtypAdvStart"},
    {xtypAdvStop, ddeml::kXtypAdvStop, "xtypAdvStop"},
    {xtypExecute, ddeml::kXtypExecute, "xtypExecute"},
    {xtypConnect, ddeml::kXtypConnect, "xtypConnect"},
    {xtypConnectConfirm, ddeml::kXtypConnectConfirm, "xtypConnectConfirm"},
    {xtypXACTComplete, ddeml::kXtypXactComplete, "xtypXACTComplete"},
    {xtypPoke, ddeml::kXtypPoke, "xtypPoke"},
    {xtypRegister, ddeml::kXtypRegister, "xtypRegister"},
    {xtypRequest, ddeml::kXtypRequest, "xtypRequest"},
    {xtypDisconnect, ddeml::kXtypDisconnect, "xtypDisconnect"},
    {xtypUnregister, ddeml::kXtypUnregister, "xtypUnregister"},
    {xtypWildConnect, ddeml::kXtypWildConnect, "xtypWildConnect"},
};

}  // namespace

TDDEMLTransType TransTypeOf(uint32_t ddemlCode) {
  if (ddemlCode == 0) return xtypError;
  for (const auto& e : kTransTable)
    if (e.code == ddemlCode) return e.type;
  return xtypError;
}

uint32_t DdemlCodeOf(TDDEMLTransType type) {
  for (const auto& e : kTransTable)
    if (e.type == type) return e.code;
  return 0;
}

const char* TransTypeName(TDDEMLTransType type) {
  for (const auto& e : kTransTable)
    if (e.type == type) return e.name;
  return "";
}

}  // namespace dde
