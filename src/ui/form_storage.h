// A window's placement and chosen properties kept in the current user's
// registry, every value as text, under
// "Software\ZELNOR\<executable base name>\<section>".
#pragma once

#include <windows.h>

#include <string>

namespace ui {

class TFormStorage {
 public:
  // keyPath below HKEY_CURRENT_USER.
  explicit TFormStorage(std::string keyPath) : FKeyPath(std::move(keyPath)) {}
  // "Software\ZELNOR\" + the executable's file name without its extension + "\" + section.
  static std::string DefaultKeyPath(const std::string& section);
  const std::string& KeyPath() const { return FKeyPath; }

  bool ReadString(const std::string& name, std::string& value) const;
  bool ReadInt(const std::string& name, int& value) const;
  bool WriteString(const std::string& name, const std::string& value) const;
  bool WriteInt(const std::string& name, int value) const;

  // "FormVersion", "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos",
  // "NormPos" and "Visible" ("1" when written while the window is destroyed).
  void SavePlacement(HWND wnd, int pixelsPerInch, bool destroying) const;
  // Applies the stored placement when "NormPos" or "MinMaxPos" is there and
  // "PixelsPerInch" equals the current resolution; shows the window in the
  // stored state ("ShowCmd"). False when nothing was applied.
  bool RestorePlacement(HWND wnd, int pixelsPerInch) const;

 private:
  // The key, opened for reading; nullptr when it is not there.
  HKEY OpenForReading() const;
  static bool ReadString(HKEY key, const std::string& name, std::string& value);
  static bool ReadInt(HKEY key, const std::string& name, int& value);
  std::string FKeyPath;
};

// "%d,%d,%d,%d"; false unless the text holds exactly four integers.
bool ParseFourInts(const std::string& s, int out[4]);
std::string FormatFourInts(int a, int b, int c, int d);

}  // namespace ui
