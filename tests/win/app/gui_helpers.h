// Helpers for GUI tests under Wine: catalogues written by the test, real
// input posted to the focused control, waiting by pumping messages, and a
// watcher that reads and dismisses message boxes.
#pragma once

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "text/path.h"

namespace guitest {

// A folder of its own under the working folder, removed with its files.
// name may hold any character (UTF-8 in the source); file names are Windows-1250.
class TTempDir {
 public:
  explicit TTempDir(const std::wstring& name);
  explicit TTempDir(const std::string& name);
  ~TTempDir();
  const std::filesystem::path& Path() const { return FPath; }
  std::filesystem::path File(const std::string& name) const { return FPath / text::PathFrom1250(name); }

 private:
  std::filesystem::path FPath;
};

// "@1=PKD", "@2=" + title, then the lines, CR LF after each, in plain form.
void WritePlainCatalogue(const std::filesystem::path& path, const std::string& title,
                         const std::vector<std::string>& lines);
// The same in the compressed form (lines may carry a tab and a description).
void WriteKodCatalogue(const std::filesystem::path& path, const std::string& title,
                       const std::vector<std::string>& lines);

// Handles messages until done() holds or ms pass.
bool WaitFor(const std::function<bool()>& done, DWORD ms = 5000);
// Handles messages for ms (to see that nothing happens meanwhile).
void PumpFor(DWORD ms);

// Key-down of a virtual key posted to a window, as the keyboard would; the
// dispatch translates it into its character where there is one.
void PostKey(HWND wnd, WORD vk);
// A typed character posted to a window.
void PostChar(HWND wnd, wchar_t ch);
// Holds Shift/Ctrl in the thread's keyboard state while alive.
class THeldKey {
 public:
  explicit THeldKey(BYTE vk);
  ~THeldKey();

 private:
  BYTE FVk;
};

// The first visible top-level window of a process, of the given class when
// one is named; null when there is none.
HWND VisibleTopWindowOf(DWORD pid, const wchar_t* className = nullptr);

struct TBoxSeen {
  std::string Caption;  // Windows-1250
  std::string Text;
  bool ErrorIcon = false;
};

// Watches the message boxes of one process from a thread of its own, records
// each one and presses its OK button.
class TBoxWatcher {
 public:
  explicit TBoxWatcher(DWORD processId = GetCurrentProcessId());
  ~TBoxWatcher();
  std::vector<TBoxSeen> Seen();
  size_t Count();

 private:
  void Run();
  DWORD FPid;
  std::atomic<bool> FStop{false};
  std::mutex FMutex;
  std::vector<TBoxSeen> FSeen;
  std::thread FThread;
};

// The name of this test program without folder and extension.
std::string ExeBaseName();
// Removes HKCU\Software\ZELNOR\<this program>.
void DeleteOurSettings();

}  // namespace guitest
