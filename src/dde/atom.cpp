#include "dde/atom.h"

#include "dde/errors.h"

namespace dde {

bool IsValidDdeName(std::string_view name) {
  return name.size() <= kMaxDdeNameLength && name.find('\0') == std::string_view::npos;
}

void CheckDdeName(std::string_view name) {
  if (name.size() > kMaxDdeNameLength)
    throw EMorviaError("DDE name of " + std::to_string(name.size()) + " characters, at most " +
                       std::to_string(kMaxDdeNameLength) + " are allowed: " + std::string(name.substr(0, 40)) +
                       "...");
  if (name.find('\0') != std::string_view::npos) throw EMorviaError("DDE name holds a NUL character");
}

void TDDEMLAtom::SetName(TInstanceId instance, const std::string& name) {
  CheckDdeName(name);
  if (FInstance == 0) FInstance = instance;
  if (FHandle != 0) FPlatform.FreeStringHandle(FInstance, FHandle);
  FHandle = 0;
  FText = name;
  if (!FText.empty() && FInstance != 0) FHandle = FPlatform.CreateStringHandle(FInstance, FText);
}

void TDDEMLAtom::Bind(TInstanceId instance) {
  if (FHandle != 0 || FText.empty()) return;
  if (FInstance == 0) FInstance = instance;
  if (FInstance != 0) FHandle = FPlatform.CreateStringHandle(FInstance, FText);
}

bool TDDEMLAtom::SameHandle(THsz other) const {
  return FHandle != 0 && FPlatform.CompareStringHandles(FHandle, other) == 0;
}

void TDDEMLAtom::ReleaseHandle() {
  if (FHandle != 0) FPlatform.FreeStringHandle(FInstance, FHandle);
  FHandle = 0;
  FInstance = 0;
}

}  // namespace dde
