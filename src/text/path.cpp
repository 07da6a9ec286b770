#include "text/path.h"

#include "text/cp1250.h"

namespace text {

std::filesystem::path PathFrom1250(std::string_view s) {
#ifdef _WIN32
  const std::u16string u = Cp1250ToUtf16(s);
  return std::filesystem::path(std::wstring(u.begin(), u.end()));
#else
  return std::filesystem::path(Cp1250ToUtf8(s));
#endif
}

std::string PathTo1250(const std::filesystem::path& p) {
#ifdef _WIN32
  const std::wstring& w = p.native();
  return Utf16To1250(std::u16string(w.begin(), w.end()));
#else
  return Utf8To1250(p.native());
#endif
}

bool FileExists(const std::filesystem::path& p) {
  std::error_code ec;
  return !p.empty() && std::filesystem::is_regular_file(p, ec);
}

std::filesystem::path FullPath(const std::filesystem::path& p) {
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(p, ec);
  return ec ? p : full.lexically_normal();
}

std::filesystem::path ExecutableFolder() { return ExecutablePath().parent_path(); }

#ifndef _WIN32
std::filesystem::path ExecutablePath() {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec);
}
#endif

}  // namespace text
