#include "dde/atom.h"

namespace dde {

void TDDEMLAtom::SetName(TInstanceId instance, const std::string& name) {
  if (FInstance == 0) FInstance = instance;
  if (FHandle != 0) FPlatform.FreeStringHandle(FInstance, FHandle);
  FHandle = 0;
  // Without an instance DDEML can hold no name: the name stays empty.
  if (!name.empty() && FInstance != 0) FHandle = FPlatform.CreateStringHandle(FInstance, name);
}

std::string TDDEMLAtom::GetName() const {
  if (FHandle == 0) return std::string();
  return FPlatform.QueryStringText(FInstance, FHandle);
}

bool TDDEMLAtom::SameHandle(THsz other) const { return FPlatform.CompareStringHandles(FHandle, other) == 0; }

void TDDEMLAtom::ReleaseHandle() {
  if (FHandle != 0) FPlatform.FreeStringHandle(FInstance, FHandle);
  FHandle = 0;
  FInstance = 0;
}

}  // namespace dde
