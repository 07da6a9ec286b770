#include "ui/message_box.h"

#include "ui/wintext.h"

#include <utility>

namespace ui {

namespace {
std::string& Title() {
  static std::string title;
  return title;
}

int gOpenBoxes = 0;
std::function<void(int)>& Observer() {
  static std::function<void(int)> observer;
  return observer;
}

void Tell() {
  if (Observer()) Observer()(gOpenBoxes);
}

}  // namespace

int OpenMessageBoxes() { return gOpenBoxes; }
void SetMessageBoxObserver(std::function<void(int open)> observer) { Observer() = std::move(observer); }

void SetApplicationTitle(const std::string& title) { Title() = title; }
const std::string& ApplicationTitle() { return Title(); }

std::string ExceptionBoxText(const std::string& message) {
  // Compared as an unsigned byte: Polish letters are above 0x7F.
  if (!message.empty() && static_cast<unsigned char>(message.back()) > 0x2E) return message + ".";
  return message;
}

int ShowMessageBox(HWND owner, const std::string& message, const std::string& caption, UINT type) {
  // The count goes down on every path: the box's own loop may run a handler
  // that throws past it.
  struct TOpen {
    TOpen() {
      ++gOpenBoxes;
      Tell();
    }
    ~TOpen() {
      --gOpenBoxes;
      Tell();
    }
  } open;
  return MessageBoxW(owner, Wide(message).c_str(), Wide(caption).c_str(), type);
}

void ShowException(const std::exception& e) {
  HWND owner = GetActiveWindow();
  ShowMessageBox(owner, ExceptionBoxText(e.what()), ApplicationTitle(), MB_OK | MB_ICONERROR);
}

}  // namespace ui
