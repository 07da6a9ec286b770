#include "dde/manager_types.h"

namespace dde {

namespace {

const uint32_t kFailFlags[] = {0x1000, 0x2000, 0x4000, 0x8000, 0x10000, 0x20000, 0x3F000};
const uint32_t kSkipFlags[] = {0x40000, 0x80000, 0x100000, 0x200000, 0x3C0000};

}  // namespace

uint32_t FailFlags(const TDDEMLFailOptions& options) {
  uint32_t flags = 0;
  for (int i = cbfFailSelfConnections; i <= cbfFailAllSvrXActions; ++i)
    if (options.Contains(static_cast<TDDEMLFailType>(i))) flags |= kFailFlags[i];
  return flags;
}

uint32_t SkipFlags(const TDDEMLSkipOptions& options) {
  uint32_t flags = 0;
  for (int i = cbfSkipConnectConfirms; i <= cbfSkipAllNotifications; ++i)
    if (options.Contains(static_cast<TDDEMLSkipType>(i))) flags |= kSkipFlags[i];
  return flags;
}

}  // namespace dde
