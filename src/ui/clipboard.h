// The clipboard, opened for the life of one object and closed on every path.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

class TClipboard {
 public:
  // Opening fails while another window or thread holds the clipboard.
  explicit TClipboard(HWND owner) : FOpen(OpenClipboard(owner) != FALSE) {}
  ~TClipboard() {
    if (FOpen) CloseClipboard();
  }
  TClipboard(const TClipboard&) = delete;
  TClipboard& operator=(const TClipboard&) = delete;

  bool Opened() const { return FOpen; }
  // Replaces the contents by s (Windows-1250): as CF_TEXT, the bytes as they
  // are (what DDE peers and old programs read), and as CF_UNICODETEXT
  // converted from 1250, so that a program on a system whose ANSI code page
  // is not 1250 still gets the Polish letters; CF_LOCALE says Polish, so the
  // system converts the 8-bit text by code page 1250 where it must. False
  // when the contents could not be replaced.
  bool SetText1250(const std::string& s);
  // The CF_UNICODETEXT contents as Windows-1250; empty when there are none.
  std::string Text1250() const;

 private:
  bool FOpen;
};

}  // namespace ui
