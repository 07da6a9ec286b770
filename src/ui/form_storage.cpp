#include "ui/form_storage.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "text/number.h"
#include "text/path.h"
#include "ui/handles.h"
#include "ui/wintext.h"

namespace ui {

std::string TFormStorage::DefaultKeyPath(const std::string& section) {
  return "Software\\ZELNOR\\" + text::PathTo1250(text::ExecutablePath().stem()) + "\\" + section;
}

HKEY TFormStorage::OpenForReading() const {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(FKeyPath).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

bool TFormStorage::ReadString(HKEY key, const std::string& name, std::string& value) {
  const std::wstring wname = Wide(name);
  // One query for the usual short value; a longer one is asked for its size.
  std::vector<wchar_t> buffer(64, L'\0');
  DWORD type = 0, size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
  LONG status = RegQueryValueExW(key, wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
  if (status == ERROR_MORE_DATA) {
    buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
    status = RegQueryValueExW(key, wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
  }
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  buffer[size / sizeof(wchar_t)] = L'\0';  // stored strings need not end with a NUL
  value = Narrow(std::wstring(buffer.data()));
  return true;
}

bool TFormStorage::ReadInt(HKEY key, const std::string& name, int& value) {
  std::string s;
  int32_t v = 0;
  if (!ReadString(key, name, s) || !text::TryStrToInt(s, v)) return false;
  value = v;
  return true;
}

bool TFormStorage::ReadString(const std::string& name, std::string& value) const {
  TRegKey key(OpenForReading());
  return key && ReadString(key.Get(), name, value);
}

bool TFormStorage::ReadInt(const std::string& name, int& value) const {
  TRegKey key(OpenForReading());
  return key && ReadInt(key.Get(), name, value);
}

bool TFormStorage::WriteString(const std::string& name, const std::string& value) const {
  TRegKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(FKeyPath).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Put(),
                      nullptr) != ERROR_SUCCESS)
    return false;
  const std::wstring w = Wide(value);
  return RegSetValueExW(key.Get(), Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(w.c_str()),
                        static_cast<DWORD>((w.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool TFormStorage::WriteInt(const std::string& name, int value) const {
  return WriteString(name, std::to_string(value));
}

void TFormStorage::SavePlacement(HWND wnd, int pixelsPerInch, bool destroying) const {
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof wp;
  if (!GetWindowPlacement(wnd, &wp)) return;
  WriteString("FormVersion", "0");
  WriteInt("Flags", static_cast<int>(wp.flags));
  WriteInt("ShowCmd", static_cast<int>(wp.showCmd));
  WriteInt("PixelsPerInch", pixelsPerInch);
  WriteString("MinMaxPos", FormatFourInts(wp.ptMinPosition.x, wp.ptMinPosition.y, wp.ptMaxPosition.x,
                                          wp.ptMaxPosition.y));
  WriteString("NormPos", FormatFourInts(wp.rcNormalPosition.left, wp.rcNormalPosition.top,
                                        wp.rcNormalPosition.right, wp.rcNormalPosition.bottom));
  WriteString("Visible", destroying ? "1" : "0");
}

bool TFormStorage::RestorePlacement(HWND wnd, int pixelsPerInch) const {
  TRegKey key(OpenForReading());  // once for all the values
  if (!key) return false;
  std::string normText, minMaxText;
  const bool haveNorm = ReadString(key.Get(), "NormPos", normText);
  const bool haveMinMax = ReadString(key.Get(), "MinMaxPos", minMaxText);
  int storedPpi = 0;
  if (!(haveNorm || haveMinMax) || !ReadInt(key.Get(), "PixelsPerInch", storedPpi) || storedPpi != pixelsPerInch)
    return false;
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof wp;
  if (!GetWindowPlacement(wnd, &wp)) return false;
  const WINDOWPLACEMENT current = wp;
  int v[4];
  // A damaged value leaves that part of the placement as it is.
  if (haveNorm && ParseFourInts(normText, v) && v[2] > v[0] && v[3] > v[1])
    wp.rcNormalPosition = RECT{v[0], v[1], v[2], v[3]};
  if (haveMinMax && ParseFourInts(minMaxText, v)) {
    wp.ptMinPosition = POINT{v[0], v[1]};
    wp.ptMaxPosition = POINT{v[2], v[3]};
  }
  int flags = 0;
  if (ReadInt(key.Get(), "Flags", flags)) wp.flags = static_cast<UINT>(flags) & (WPF_SETMINPOSITION | WPF_RESTORETOMAXIMIZED);
  int showCmd = SW_SHOWNORMAL;
  ReadInt(key.Get(), "ShowCmd", showCmd);
  wp.showCmd = showCmd == SW_SHOWMINIMIZED || showCmd == SW_SHOWMAXIMIZED ? static_cast<UINT>(showCmd) : SW_SHOWNORMAL;
  // A hidden window already where the placement puts it (as at every start
  // when the window was last closed where it opens) is only to be shown:
  // setting the placement costs several rounds of monitor look-ups more.
  const bool same = EqualRect(&wp.rcNormalPosition, &current.rcNormalPosition) &&
                    wp.ptMinPosition.x == current.ptMinPosition.x && wp.ptMinPosition.y == current.ptMinPosition.y &&
                    wp.ptMaxPosition.x == current.ptMaxPosition.x && wp.ptMaxPosition.y == current.ptMaxPosition.y &&
                    wp.flags == current.flags;
  if (same && wp.showCmd == SW_SHOWNORMAL && !IsWindowVisible(wnd) && !IsIconic(wnd) && !IsZoomed(wnd)) {
    ShowWindow(wnd, SW_SHOWNORMAL);
    return true;
  }
  return SetWindowPlacement(wnd, &wp) != FALSE;
}

bool ParseFourInts(const std::string& s, int out[4]) {
  size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t comma = i < 3 ? s.find(',', pos) : s.size();
    if (comma == std::string::npos) return false;
    int32_t v = 0;
    if (!text::TryStrToInt(s.substr(pos, comma - pos), v)) return false;
    out[i] = v;
    pos = comma + 1;
  }
  return true;
}

std::string FormatFourInts(int a, int b, int c, int d) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d,%d,%d,%d", a, b, c, d);
  return buffer;
}

}  // namespace ui
