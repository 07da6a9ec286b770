// The DDE transactions the manager's events report, and their mapping from
// DDEML transaction codes.
#pragma once

#include <cstdint>

namespace dde {

enum TDDEMLTransType : int {
  xtypError = 0,
  xtypAdvData = 1,
  xtypAdvReq = 2,
  xtypAdvStart = 3,
  xtypAdvStop = 4,
  xtypExecute = 5,
  xtypConnect = 6,
  xtypConnectConfirm = 7,
  xtypXACTComplete = 8,
  xtypPoke = 9,
  xtypRegister = 10,
  xtypRequest = 11,
  xtypDisconnect = 12,
  xtypUnregister = 13,
  xtypWildConnect = 14,
};

// xtypError for any code outside the table (XTYP_ERROR included).
TDDEMLTransType TransTypeOf(uint32_t ddemlCode);
// The DDEML code of a kind; 0 for xtypError.
uint32_t DdemlCodeOf(TDDEMLTransType type);
// The value's name as written in code, e.g. "xtypRequest".
const char* TransTypeName(TDDEMLTransType type);

}  // namespace dde
