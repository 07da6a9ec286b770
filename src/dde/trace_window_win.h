// The debug window of the trace (Windows): a fixed tool window with a memo of
// the latest trace lines and Close, Clear, Print and Save buttons. Its place
// on the screen is kept in an ini-format ".DFP" file beside the program.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "dde/trace.h"

namespace dde {

class TDDEMLDebugForm : public IDebugWindow {
 public:
  enum : int { idMemo = 100, idClose = 101, idClear = 102, idPrint = 103, idSave = 104, idBevel = 105 };

  // Creates the window (hidden); Show() shows it.
  explicit TDDEMLDebugForm(bool stayOnTop);
  ~TDDEMLDebugForm() override;
  TDDEMLDebugForm(const TDDEMLDebugForm&) = delete;
  TDDEMLDebugForm& operator=(const TDDEMLDebugForm&) = delete;

  void Show();
  void AddLine(const std::string& line) override;
  void Clear();
  // Prints / saves the memo's lines when there is at least one and the
  // dialog is confirmed. File and printer errors raise EInOutError.
  void Print();
  void Save();

  HWND Handle() const { return FHwnd; }
  HWND Control(int id) const { return GetDlgItem(FHwnd, id); }
  const TDebugMemoLines& Lines() const { return FLines; }
  // What Print sends to the printer: an empty line, the title, "As at " with
  // the date and time, an empty line, then the memo's lines.
  std::vector<std::string> PrintedLines() const;

  // Dialogs and the printer, replaceable (tests answer them without a user).
  std::function<bool(std::wstring& fileName)> AskSaveFile;
  std::function<bool(const std::vector<std::string>& lines)> PrintOut;
  // Where a failure of Print or Save is shown.
  std::function<void(const std::string& message)> ShowError;

  // The ".DFP" position file: the program's path with its extension replaced.
  // A non-empty override (tests) is used instead.
  static std::wstring PositionFile();
  static void SetPositionFileOverride(const std::wstring& path);

 public:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
 private:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  void CreateControls();
  void LoadPosition();
  void StorePosition();
  void Run(void (TDDEMLDebugForm::*action)());

  HWND FHwnd = nullptr;
  HFONT FFont = nullptr;
  bool FReady = false;  // position writes start once the window is placed
  TDebugMemoLines FLines;
};

// Installs the Windows debug window and the system's date and time formats
// into the trace for the process.
void InstallWin32TraceServices();

}  // namespace dde
