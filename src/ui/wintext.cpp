#include "ui/wintext.h"

#include <vector>

#include "text/cp1250.h"

namespace ui {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

std::wstring Wide(const std::string& s) {
  const std::u16string u = text::Cp1250ToUtf16(s);
  return std::wstring(u.begin(), u.end());
}

std::string Narrow(const wchar_t* s, size_t length) {
  return text::Utf16To1250(std::u16string(reinterpret_cast<const char16_t*>(s), length));
}

std::string Narrow(const std::wstring& s) { return Narrow(s.data(), s.size()); }

std::string WindowText(HWND wnd) {
  const int length = GetWindowTextLengthW(wnd);
  if (length <= 0) return std::string();
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
  const int got = GetWindowTextW(wnd, buffer.data(), length + 1);
  return Narrow(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void SetWindowText1250(HWND wnd, const std::string& s) { SetWindowTextW(wnd, Wide(s).c_str()); }

}  // namespace ui
