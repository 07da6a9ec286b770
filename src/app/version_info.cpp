#include "app/version_info.h"

#include <cmath>
#include <cstdio>

#include "ui/system_library.h"
#include "ui/wintext.h"

namespace app {

namespace {
// Days from 1 January 1601, where FILETIME counts from, to 30 December 1899.
constexpr double kDaysTo1899 = 109205.0;
constexpr double kTicksPerDay = 864000000000.0;  // 100-ns ticks
// version.dll, loaded when a version is first read.
DWORD InfoSize(const wchar_t* file, DWORD* handle) {
  static const auto f =
      ui::SystemFunction<DWORD(WINAPI*)(LPCWSTR, LPDWORD)>(L"version.dll", "GetFileVersionInfoSizeW");
  return f ? f(file, handle) : 0;
}
BOOL Info(const wchar_t* file, DWORD handle, DWORD size, void* data) {
  static const auto f =
      ui::SystemFunction<BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID)>(L"version.dll", "GetFileVersionInfoW");
  return f ? f(file, handle, size, data) : FALSE;
}
BOOL Query(const void* block, const wchar_t* path, void** value, UINT* length) {
  static const auto f =
      ui::SystemFunction<BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT)>(L"version.dll", "VerQueryValueW");
  return f ? f(block, path, value, length) : FALSE;
}

}  // namespace

TVersionInfo::TVersionInfo(const std::filesystem::path& fileName) : FFileName(fileName) {
  FSize = InfoSize(FFileName.c_str(), &FHandle);
  if (FSize == 0) return;
  FBuffer.resize(FSize);
  FValid = Info(FFileName.c_str(), FHandle, FSize, FBuffer.data()) != FALSE;
}

std::string TVersionInfo::TranslationCode() const {
  if (!FValid) return std::string();
  void* value = nullptr;
  UINT length = 0;
  if (!Query(FBuffer.data(), L"\\VarFileInfo\\Translation", &value, &length) || length < sizeof(DWORD))
    return std::string();
  const DWORD w = *static_cast<const DWORD*>(value);
  char code[9];
  std::snprintf(code, sizeof code, "%04X%04X", static_cast<unsigned>(LOWORD(w)), static_cast<unsigned>(HIWORD(w)));
  return code;
}

std::string TVersionInfo::StringValue(const std::string& name) const {
  const std::string translation = TranslationCode();
  if (translation.empty()) return std::string();
  const std::wstring path = ui::Wide("\\StringFileInfo\\" + translation + "\\" + name);
  void* value = nullptr;
  UINT length = 0;
  if (!Query(FBuffer.data(), path.c_str(), &value, &length) || !value) return std::string();
  return ui::Narrow(std::wstring(static_cast<const wchar_t*>(value)));
}

const VS_FIXEDFILEINFO* TVersionInfo::Fixed() const {
  if (!FValid) return nullptr;
  void* value = nullptr;
  UINT length = 0;
  if (!Query(FBuffer.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return nullptr;
  return static_cast<const VS_FIXEDFILEINFO*>(value);
}

std::string TVersionInfo::FileVersionText() const {
  std::string s = StringValue("FileVersion");
  if (s.empty())
    if (const VS_FIXEDFILEINFO* f = Fixed()) s = FormatFixedVersion(f->dwFileVersionMS, f->dwFileVersionLS);
  return s;
}

std::string TVersionInfo::ProductVersionText() const {
  std::string s = StringValue("ProductVersion");
  if (s.empty())
    if (const VS_FIXEDFILEINFO* f = Fixed()) s = FormatFixedVersion(f->dwProductVersionMS, f->dwProductVersionLS);
  return s;
}

TDateTime TVersionInfo::FileDate() const {
  WIN32_FILE_ATTRIBUTE_DATA data;
  FILETIME local;
  if (!GetFileAttributesExW(FFileName.c_str(), GetFileExInfoStandard, &data) ||
      !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local))
    return 0;
  return DateTimeFromFileTime(local);
}

std::string VersionLine(const TVersionInfo& info) {
  return info.ProductVersionText() + " (" + FormatDate(info.FileDate()) + " " + info.FileVersionText() + ")";
}

std::string FormatFixedVersion(DWORD ms, DWORD ls) {
  char s[48];
  std::snprintf(s, sizeof s, "%u.%u.%u.%u", static_cast<unsigned>(HIWORD(ms)), static_cast<unsigned>(LOWORD(ms)),
                static_cast<unsigned>(HIWORD(ls)), static_cast<unsigned>(LOWORD(ls)));
  return s;
}

TDateTime DateTimeFromFileTime(const FILETIME& local) {
  const ULONGLONG ticks = (static_cast<ULONGLONG>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
  return static_cast<double>(ticks) / kTicksPerDay - kDaysTo1899;
}

std::string FormatDate(TDateTime date) {
  const double ticks = std::floor((date + kDaysTo1899) * kTicksPerDay + 0.5);
  FILETIME ft = {};
  SYSTEMTIME st = {};
  if (ticks >= 0) {
    const ULONGLONG t = static_cast<ULONGLONG>(ticks);
    ft.dwLowDateTime = static_cast<DWORD>(t & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
  }
  if (!FileTimeToSystemTime(&ft, &st)) return std::string();
  char s[16];
  std::snprintf(s, sizeof s, "%02u-%02u-%04u", static_cast<unsigned>(st.wDay), static_cast<unsigned>(st.wMonth),
                static_cast<unsigned>(st.wYear));
  return s;
}

}  // namespace app
