// A DDE name held as a DDEML string handle of one instance. Services, topics
// and items keep their names only this way: every reading asks DDEML.
#pragma once

#include <string>

#include "dde/platform.h"

namespace dde {

class TDDEMLAtom {
 public:
  explicit TDDEMLAtom(IDdePlatform& platform) : FPlatform(platform) {}
  ~TDDEMLAtom() { ReleaseHandle(); }
  TDDEMLAtom(const TDDEMLAtom&) = delete;
  TDDEMLAtom& operator=(const TDDEMLAtom&) = delete;

  // Takes instance only when none is held yet; frees the current handle and
  // makes a new one for a non-empty text (an empty text, or no instance,
  // leaves none).
  void SetName(TInstanceId instance, const std::string& name);
  // Empty when there is no handle.
  std::string GetName() const;
  // DDEML's comparison, which ignores case.
  bool SameHandle(THsz other) const;
  // Frees the handle and forgets the instance.
  void ReleaseHandle();

  THsz Handle() const { return FHandle; }
  TInstanceId Instance() const { return FInstance; }
  IDdePlatform& Platform() const { return FPlatform; }

 private:
  IDdePlatform& FPlatform;
  TInstanceId FInstance = 0;
  THsz FHandle = 0;
};

}  // namespace dde
