#include <windows.h>

#include <vector>

#include "text/path.h"

namespace text {

std::filesystem::path ExecutablePath() {
  // MAX_PATH is no limit for a long-path folder: grow until the name fits.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::filesystem::path();
    if (n < buffer.size()) return std::filesystem::path(std::wstring(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace text
