// A DDE name held as a DDEML string handle of one instance, together with
// its text. The text makes a name findable from the moment it is made: a
// topic or item made before its service is registered has no instance to
// make a handle with, and gets its handle once the instance is known (Bind).
#pragma once

#include <string>
#include <string_view>

#include "dde/platform.h"

namespace dde {

// DDEML keeps names as atoms: at most this many characters, no NUL.
constexpr std::size_t kMaxDdeNameLength = 255;

// Raises EMorviaError for a name DDEML cannot hold as a string handle: one
// longer than 255 characters, or one holding a NUL byte. Such names would
// otherwise alias each other, or leave their owner with no handle.
void CheckDdeName(std::string_view name);
bool IsValidDdeName(std::string_view name);

class TDDEMLAtom {
 public:
  explicit TDDEMLAtom(IDdePlatform& platform) : FPlatform(platform) {}
  ~TDDEMLAtom() { ReleaseHandle(); }
  TDDEMLAtom(const TDDEMLAtom&) = delete;
  TDDEMLAtom& operator=(const TDDEMLAtom&) = delete;

  // Takes instance only when none is held yet; frees the current handle,
  // keeps the text and makes a new handle for a non-empty text when an
  // instance is held. A name DDEML cannot hold raises EMorviaError and
  // changes nothing.
  void SetName(TInstanceId instance, const std::string& name);
  // Makes the handle that a name set without an instance still lacks.
  void Bind(TInstanceId instance);
  // Only the text, never a handle: for search keys.
  void SetKeyName(std::string_view name) { FText = name; }
  // The name as set (the handle holds the same name, ignoring case).
  const std::string& GetName() const { return FText; }
  // DDEML's comparison, which ignores case; false without a handle.
  bool SameHandle(THsz other) const;
  // Frees the handle and forgets the instance; the text stays, so that a
  // later Bind can name it again.
  void ReleaseHandle();

  THsz Handle() const { return FHandle; }
  TInstanceId Instance() const { return FInstance; }
  IDdePlatform& Platform() const { return FPlatform; }

 private:
  IDdePlatform& FPlatform;
  TInstanceId FInstance = 0;
  THsz FHandle = 0;
  std::string FText;
};

}  // namespace dde
