#include "app/gui_helpers.h"

#include <cstdio>

#include "catalogue/kodfile.h"
#include "support/pump_win.h"
#include "text/lines.h"
#include "ui/dispatch.h"
#include "ui/wintext.h"

namespace guitest {

TTempDir::TTempDir(const std::wstring& name) {
  std::error_code ec;
  FPath = std::filesystem::current_path(ec) /
          (name + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(GetTickCount()));
  std::filesystem::create_directories(FPath, ec);
}

TTempDir::TTempDir(const std::string& name) : TTempDir(text::PathFrom1250(name).wstring()) {}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(FPath, ec);
}

static std::string CatalogueText(const std::string& title, const std::vector<std::string>& lines) {
  std::vector<std::string> all = {"@1=PKD", "@2=" + title};
  all.insert(all.end(), lines.begin(), lines.end());
  return text::JoinLinesCrLf(all);
}

void WritePlainCatalogue(const std::filesystem::path& path, const std::string& title,
                         const std::vector<std::string>& lines) {
  const std::string content = CatalogueText(title, lines);
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(f);
}

void WriteKodCatalogue(const std::filesystem::path& path, const std::string& title,
                       const std::vector<std::string>& lines) {
  catalogue::WriteKodFile(path, CatalogueText(title, lines));
}

bool WaitFor(const std::function<bool()>& done, DWORD ms) {
  return testing_support::PumpUntil(done, ms, ui::ProcessMessage);
}

void PumpFor(DWORD ms) { testing_support::PumpFor(ms, ui::ProcessMessage); }

void PostKey(HWND wnd, WORD vk) {
  const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  PostMessageW(wnd, WM_KEYDOWN, vk, static_cast<LPARAM>(1 | (scan << 16)));
  PostMessageW(wnd, WM_KEYUP, vk, static_cast<LPARAM>(1 | (scan << 16) | (3u << 30)));
}

void PostChar(HWND wnd, wchar_t ch) { PostMessageW(wnd, WM_CHAR, ch, 1); }

THeldKey::THeldKey(BYTE vk) : FVk(vk) {
  BYTE state[256];
  GetKeyboardState(state);
  state[FVk] |= 0x80;
  SetKeyboardState(state);
}

THeldKey::~THeldKey() {
  BYTE state[256];
  GetKeyboardState(state);
  state[FVk] &= 0x7F;
  SetKeyboardState(state);
}

TBoxWatcher::TBoxWatcher(DWORD processId) : FPid(processId), FThread([this] { Run(); }) {}

TBoxWatcher::~TBoxWatcher() {
  FStop = true;
  FThread.join();
}

std::vector<TBoxSeen> TBoxWatcher::Seen() {
  std::lock_guard<std::mutex> lock(FMutex);
  return FSeen;
}

size_t TBoxWatcher::Count() {
  std::lock_guard<std::mutex> lock(FMutex);
  return FSeen.size();
}

namespace {
struct TWindowSearch {
  DWORD pid;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND wnd, LPARAM lp) {
  auto* s = reinterpret_cast<TWindowSearch*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(wnd, &owner);
  if (owner != s->pid || !IsWindowVisible(wnd)) return TRUE;
  wchar_t cls[64] = {};
  if (s->className && (!GetClassNameW(wnd, cls, 64) || lstrcmpW(cls, s->className) != 0)) return TRUE;
  s->found = wnd;
  return FALSE;
}
}  // namespace

HWND VisibleTopWindowOf(DWORD pid, const wchar_t* className) {
  TWindowSearch search{pid, className, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void TBoxWatcher::Run() {
  while (!FStop) {
    // A message box is a dialog of the system's dialog class.
    if (const HWND found = VisibleTopWindowOf(FPid, L"#32770")) {
      TBoxSeen box;
      wchar_t buffer[2048] = {};
      GetWindowTextW(found, buffer, 2048);
      box.Caption = ui::Narrow(std::wstring(buffer));
      buffer[0] = 0;
      GetDlgItemTextW(found, 0xFFFF, buffer, 2048);  // the text of a message box
      box.Text = ui::Narrow(std::wstring(buffer));
      // The error icon is the system's hand icon in the box's icon control.
      HWND iconControl = GetDlgItem(found, 0x0440);
      box.ErrorIcon = iconControl && reinterpret_cast<HICON>(SendMessageW(iconControl, STM_GETICON, 0, 0)) ==
                                         LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_HAND));
      {
        std::lock_guard<std::mutex> lock(FMutex);
        FSeen.push_back(box);
      }
      PostMessageW(found, WM_COMMAND, IDOK, 0);
      // Until it is gone, so that one box is recorded once.
      for (int i = 0; i < 500 && IsWindow(found) && IsWindowVisible(found); ++i) Sleep(10);
    }
    Sleep(20);
  }
}

std::string ExeBaseName() { return text::PathTo1250(text::ExecutablePath().stem()); }

void DeleteOurSettings() {
  RegDeleteTreeW(HKEY_CURRENT_USER, ui::Wide("Software\\ZELNOR\\" + ExeBaseName()).c_str());
}

}  // namespace guitest
