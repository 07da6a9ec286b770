// The debug window of the trace (Windows): a fixed tool window with a memo of
// the latest trace lines and Close, Clear, Print and Save buttons. Its place
// on the screen is kept in an ini-format ".DFP" file beside the program.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "dde/trace.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace dde {

class TDDEMLDebugForm : public ui::TForm, public IDebugWindow {
 public:
  // Creates the window (hidden); Show() shows it with the focus on Close.
  explicit TDDEMLDebugForm(bool stayOnTop);
  ~TDDEMLDebugForm() override;

  void Show() override;
  void AddLine(const std::string& line) override;
  void Clear();
  // Prints / saves the memo's lines when there is at least one and the
  // dialog is confirmed. File and printer errors raise EInOutError.
  void Print();
  void Save();

  const TDebugMemoLines& Lines() const { return FLines; }
  // What Print sends to the printer: an empty line, the title, "As at " with
  // the date and time, an empty line, then the memo's lines.
  std::vector<std::string> PrintedLines() const;

  // Dialogs and the printer, replaceable (tests answer them without a user).
  std::function<bool(std::wstring& fileName)> AskSaveFile;
  std::function<bool(const std::vector<std::string>& lines)> PrintOut;
  // Where a failure of Print or Save is shown: the application's exception box.
  std::function<void(const std::string& message)> ShowError;

  // The ".DFP" position file: the program's path with its extension replaced.
  // A non-empty override (tests) is used instead.
  static std::wstring PositionFile();
  static void SetPositionFileOverride(const std::wstring& path);

  // Creation order is the Tab order: memo, Close, Print, Save, Clear.
  ui::TMemo TheMemo;
  ui::TButton TheCloseButton, ThePrintButton, TheSavebutton, TheClearButton;
  ui::TLabel Bevel1;  // the etched frame around the memo

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void DpiChanged(int oldDpi) override;

 private:
  void CreateControls();
  void PlaceControls();
  void LoadPosition();
  void StorePosition();
  // Runs a button's action; a failure is shown, never thrown on.
  void Run(void (TDDEMLDebugForm::*action)());

  bool FReady = false;  // position writes start once the window is placed
  TDebugMemoLines FLines;
};

// Installs the Windows debug window into the trace for the process.
void InstallWin32TraceServices();

}  // namespace dde
