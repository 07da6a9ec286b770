// What a stored code of one revision becomes in the other: its counterparts
// with their titles and the kind of change, from the two catalogues the
// package ships (the target's correspondence records and both code lists).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue {
class TBaza;
}

namespace pkdmap {

// How a code changes, decided in this order (the first that holds):
//   kcEmpty     the field holds nothing but blanks;
//   kcUnknown   not a subclass code of the source revision;
//   kcNone      a subclass of the source revision with no counterpart;
//   kcChanged   the target revision has a namesake, but the correspondence
//               does not map the code to it (PKD 2007 25.40.Z is 25.30.Z);
//   kcSplit     several counterparts;
//   kcSame      one counterpart, the code itself;
//   kcMerged    one counterpart, another code, which other codes share;
//   kcRenamed   one counterpart, another code, which is its alone.
enum TKind { kcSame, kcChanged, kcSplit, kcMerged, kcRenamed, kcUnknown, kcNone, kcEmpty, kcCount };

// "split" and so on, for programs (JSON).
const char* KindToken(TKind kind);
// "podział" and so on (Windows-1250), for people (CSV, the summary).
const char* KindLabel(TKind kind);

// A subclass code written loosely ("0149Z", "01.49.z", " 01 49 Z",
// "1.49.Z") as a number 0..kKeyCount-1; -1 when it is no subclass code.
constexpr int32_t kKeyCount = 100 * 100 * 26;
int32_t CodeKey(std::string_view written);
// The key's code as the catalogues write it ("01.49.Z").
std::string KeyCode(int32_t key);

struct TCounterpart {
  std::string Code;   // "01.47.Z"
  std::string Title;  // Windows-1250; empty when the target catalogue lacks the code
};

struct TMapping {
  TKind Kind = kcUnknown;
  std::string Code;  // the source code, normalised; empty for kcUnknown and kcEmpty
  std::vector<TCounterpart> Counterparts;
};

class TCodeMap {
 public:
  // source: the catalogue of the stored codes' revision; target: the other,
  // whose correspondence names counterparts for the source's codes. Throws
  // text::Exception (Polish) when target carries no correspondence from
  // source's revision.
  TCodeMap(const catalogue::TBaza& source, const catalogue::TBaza& target);

  const std::string& SourceRevision() const { return FSource; }  // "PKD 2007"
  const std::string& TargetRevision() const { return FTarget; }  // "PKD 2025"

  // Every distinct answer, the empty and unknown ones included; an answer's
  // index is stable, so callers can prepare their text per answer once.
  const std::vector<TMapping>& Mappings() const { return FMappings; }
  // The index of the answer for a written code.
  size_t Find(std::string_view written) const;
  size_t EmptyIndex() const { return 0; }
  size_t UnknownIndex() const { return 1; }

 private:
  std::string FSource;
  std::string FTarget;
  std::vector<TMapping> FMappings;
  std::vector<uint32_t> FByKey;  // kKeyCount entries: answer index
};

}  // namespace pkdmap
