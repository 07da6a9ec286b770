// The version resource of a file: the translation, the named strings and the
// fixed versions, and the file's date.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace app {

// A date and time as days since 30 December 1899 (the fraction is the time
// of day); 0 is the null date.
using TDateTime = double;

class TVersionInfo {
 public:
  // Keeps the name and reads the version block at once; a file without one
  // gives an object that is not valid. A failing allocation raises.
  explicit TVersionInfo(const std::filesystem::path& fileName);
  TVersionInfo(const TVersionInfo&) = delete;
  TVersionInfo& operator=(const TVersionInfo&) = delete;

  const std::filesystem::path& VersionFileName() const { return FFileName; }
  bool Valid() const { return FValid; }
  // The first translation as 8 upper-case hex digits, language first
  // ("041504E2" for Polish in Windows-1250); empty without one.
  std::string TranslationCode() const;
  // The named string for that translation (Windows-1250); empty when absent.
  std::string StringValue(const std::string& name) const;
  // The strings, falling back on the fixed versions ("%d.%d.%d.%d").
  std::string FileVersionText() const;
  std::string ProductVersionText() const;
  std::string ProductNameText() const { return StringValue("ProductName"); }
  // The last modification, local time; 0 when the file has no readable date.
  TDateTime FileDate() const;

 private:
  const VS_FIXEDFILEINFO* Fixed() const;
  std::filesystem::path FFileName;
  DWORD FHandle = 0;
  DWORD FSize = 0;
  std::vector<BYTE> FBuffer;
  bool FValid = false;
};

// The About box's version line: "ProductVersion (dd-MM-yyyy FileVersion)".
std::string VersionLine(const TVersionInfo& info);
// The four 16-bit parts of a fixed version, most significant first.
std::string FormatFixedVersion(DWORD ms, DWORD ls);
// "dd-MM-yyyy"; the null date reads 30-12-1899.
std::string FormatDate(TDateTime date);
TDateTime DateTimeFromFileTime(const FILETIME& local);

}  // namespace app
