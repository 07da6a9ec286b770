#include "ui/message_box.h"

#include "ui/wintext.h"

namespace ui {

namespace {
std::string& Title() {
  static std::string title;
  return title;
}
}  // namespace

void SetApplicationTitle(const std::string& title) { Title() = title; }
const std::string& ApplicationTitle() { return Title(); }

std::string ExceptionBoxText(const std::string& message) {
  // Compared as an unsigned byte: Polish letters are above 0x7F.
  if (!message.empty() && static_cast<unsigned char>(message.back()) > 0x2E) return message + ".";
  return message;
}

int ShowMessageBox(HWND owner, const std::string& message, const std::string& caption, UINT type) {
  return MessageBoxW(owner, Wide(message).c_str(), Wide(caption).c_str(), type);
}

void ShowException(const std::exception& e) {
  HWND owner = GetActiveWindow();
  ShowMessageBox(owner, ExceptionBoxText(e.what()), ApplicationTitle(), MB_OK | MB_ICONERROR);
}

}  // namespace ui
