#include "dde/win/trace_window_win.h"

#include <commdlg.h>

#include <cstdio>
#include <memory>

#include "text/path.h"
#include "ui/handles.h"
#include "ui/message_box.h"
#include "ui/system_library.h"
#include "ui/wintext.h"

namespace dde {

namespace {

enum : int { idMemo = 100, idClose, idClear, idPrint, idSave };

const char kCaption[] = "TDDEMLManager Debug Display ";
// Client size and control places at 96 DPI.
constexpr int kClientWidth = 414, kClientHeight = 271;
constexpr int kButtonTop = 232, kButtonWidth = 73, kButtonHeight = 25;

std::wstring gPositionOverride;

std::unique_ptr<IDebugWindow> MakeDebugForm(const void*, bool stayOnTop) {
  auto form = std::make_unique<TDDEMLDebugForm>(stayOnTop);
  form->Show();
  return form;
}

bool AskSaveFileName(HWND owner, std::wstring& fileName) {
  wchar_t buffer[MAX_PATH * 2] = L"";
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFile = buffer;
  ofn.nMaxFile = MAX_PATH * 2;
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  static const auto save = ui::SystemFunction<decltype(&GetSaveFileNameW)>(L"comdlg32.dll", "GetSaveFileNameW");
  if (!save || !save(&ofn) || buffer[0] == 0) return false;
  fileName = buffer;
  return true;
}

// The printer as a text device: the lines one under another in its own font,
// a new page when one is full. False when the print dialog was cancelled.
bool PrintOnPrinter(HWND owner, const std::vector<std::string>& lines) {
  PRINTDLGW pd{};
  pd.lStructSize = sizeof pd;
  pd.hwndOwner = owner;
  pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS;
  static const auto printDialog = ui::SystemFunction<decltype(&PrintDlgW)>(L"comdlg32.dll", "PrintDlgW");
  const BOOL chosen = printDialog && printDialog(&pd);
  ui::TDeviceContext dc(pd.hDC);
  ui::TGlobalMemory devMode(pd.hDevMode), devNames(pd.hDevNames);
  if (!chosen || !dc) return false;
  DOCINFOW di{};
  di.cbSize = sizeof di;
  di.lpszDocName = L"TDDEMLManager Debug Display";
  if (StartDocW(dc.Get(), &di) <= 0) throw EInOutError("Printing failed: cannot start the document");
  // The printer output is closed on every path, as a text file would be.
  struct TDocument {
    HDC dc;
    bool pageOpen = false;
    ~TDocument() {
      if (pageOpen) EndPage(dc);
      EndDoc(dc);
    }
  } doc{dc.Get()};
  TEXTMETRICW tm{};
  GetTextMetricsW(dc.Get(), &tm);
  const int lineHeight = tm.tmHeight + tm.tmExternalLeading;
  const int pageHeight = GetDeviceCaps(dc.Get(), VERTRES);
  int y = 0;
  for (const std::string& line : lines) {
    if (!doc.pageOpen) {
      if (StartPage(dc.Get()) <= 0) throw EInOutError("Printing failed: cannot start a page");
      doc.pageOpen = true;
      y = 0;
    }
    const std::wstring w = ui::Wide(line);
    TextOutW(dc.Get(), 0, y, w.c_str(), static_cast<int>(w.size()));
    y += lineHeight;
    if (y + lineHeight > pageHeight) {
      doc.pageOpen = false;
      if (EndPage(dc.Get()) <= 0) throw EInOutError("Printing failed: cannot print a page");
    }
  }
  return true;
}

}  // namespace

void InstallWin32TraceServices() {
  SetDebugWindowFactory(MakeDebugForm);
}

std::wstring TDDEMLDebugForm::PositionFile() {
  if (!gPositionOverride.empty()) return gPositionOverride;
  return text::ExecutablePath().replace_extension(L".DFP").wstring();
}

void TDDEMLDebugForm::SetPositionFileOverride(const std::wstring& path) { gPositionOverride = path; }

TDDEMLDebugForm::TDDEMLDebugForm(bool stayOnTop) {
  ui::TFormOptions options;
  // Fixed size: a single border, the system menu and the minimise button only.
  options.Style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_BORDER | WS_CLIPCHILDREN;
  options.ExStyle = stayOnTop ? WS_EX_TOPMOST : 0;
  options.FontWeight = FW_BOLD;
  if (!CreateForm(kCaption, kClientWidth, kClientHeight, options))
    throw EInOutError("Cannot create the debug window");
  CreateControls();
  ApplyFont();
  PlaceControls();
  LoadPosition();
  FReady = true;

  AskSaveFile = [this](std::wstring& fileName) { return AskSaveFileName(Handle(), fileName); };
  PrintOut = [this](const std::vector<std::string>& lines) { return PrintOnPrinter(Handle(), lines); };
  ShowError = [this](const std::string& message) {
    ui::ShowMessageBox(Handle(), ui::ExceptionBoxText(message), ui::ApplicationTitle(), MB_OK | MB_ICONERROR);
  };
}

TDDEMLDebugForm::~TDDEMLDebugForm() {
  // Destroyed here, while this class still handles its own messages.
  Destroy();
}

void TDDEMLDebugForm::CreateControls() {
  const HWND h = Handle();
  TheMemo.Create(h, idMemo, WS_EX_CLIENTEDGE);
  TheCloseButton.Create(h, "&Close", idClose);
  ThePrintButton.Create(h, "&Print", idPrint);
  TheSavebutton.Create(h, "&Save", idSave);
  TheClearButton.Create(h, "Cle&ar", idClear);
  // Made last, so it lies under the memo.
  Bevel1.Create(h, "", SS_ETCHEDFRAME);

  TheCloseButton.OnClick = [this] { Close(); };
  TheClearButton.OnClick = [this] { Clear(); };
  ThePrintButton.OnClick = [this] { Run(&TDDEMLDebugForm::Print); };
  TheSavebutton.OnClick = [this] { Run(&TDDEMLDebugForm::Save); };
}

void TDDEMLDebugForm::PlaceControls() {
  struct TPlace {
    ui::TControl& control;
    int x, y, w, h;
  };
  const TPlace places[] = {
      {Bevel1, 8, 8, 401, 209},
      {TheMemo, 16, 16, 385, 193},
      {TheCloseButton, 20, kButtonTop, kButtonWidth, kButtonHeight},
      {TheClearButton, 111, kButtonTop, kButtonWidth, kButtonHeight},
      {ThePrintButton, 201, kButtonTop, kButtonWidth, kButtonHeight},
      {TheSavebutton, 292, kButtonTop, kButtonWidth, kButtonHeight},
  };
  for (const TPlace& p : places) p.control.SetBounds(S(p.x), S(p.y), S(p.w), S(p.h));
}

void TDDEMLDebugForm::DpiChanged(int) { PlaceControls(); }

void TDDEMLDebugForm::LoadPosition() {
  const std::wstring file = PositionFile();
  if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  RECT r;
  GetWindowRect(Handle(), &r);
  const int left = GetPrivateProfileIntW(L"Position", L"Left", r.left, file.c_str());
  const int top = GetPrivateProfileIntW(L"Position", L"Top", r.top, file.c_str());
  int width = GetPrivateProfileIntW(L"Position", L"Width", r.right - r.left, file.c_str());
  int height = GetPrivateProfileIntW(L"Position", L"Height", r.bottom - r.top, file.c_str());
  // A damaged size would leave no window to see.
  if (width <= 0) width = r.right - r.left;
  if (height <= 0) height = r.bottom - r.top;
  RECT wanted{left, top, left + width, top + height};
  POINT place{left, top};
  // A window placed wholly off every monitor comes back to the nearest one.
  if (!MonitorFromRect(&wanted, MONITOR_DEFAULTTONULL)) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &mi);
    place = {mi.rcWork.left, mi.rcWork.top};
  }
  SetWindowPos(Handle(), nullptr, place.x, place.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TDDEMLDebugForm::StorePosition() {
  RECT r;
  if (!GetWindowRect(Handle(), &r)) return;
  const std::wstring file = PositionFile();
  auto put = [&](const wchar_t* key, long v) {
    WritePrivateProfileStringW(L"Position", key, std::to_wstring(v).c_str(), file.c_str());
  };
  put(L"Left", r.left);
  put(L"Top", r.top);
  put(L"Width", r.right - r.left);
  put(L"Height", r.bottom - r.top);
}

void TDDEMLDebugForm::Show() {
  ui::TForm::Show();
  TheCloseButton.SetFocus();
}

void TDDEMLDebugForm::AddLine(const std::string& traced) {
  // The memo ends a text at a zero character; the lines kept must match it
  // character for character, or dropping the first line would cut another.
  const std::string line = traced.substr(0, traced.find('\0'));
  const bool hadLines = FLines.Count() > 0;
  // The first line's length is taken before the rule may drop it: the memo
  // wraps long lines, so its own line numbers are not the trace's lines.
  const size_t firstLength = hadLines ? FLines.Lines().front().size() : 0;
  if (FLines.Add(line)) TheMemo.RemoveStart(firstLength + 2);
  TheMemo.Append(hadLines ? "\r\n" + line : line);
}

void TDDEMLDebugForm::Clear() {
  FLines.Clear();
  TheMemo.Clear();
}

std::vector<std::string> TDDEMLDebugForm::PrintedLines() const {
  std::vector<std::string> out = {"", "VESTRA DDEML Manager Component - Debug Form Print",
                                  "As at " + TraceDateTimeText(), ""};
  out.insert(out.end(), FLines.Lines().begin(), FLines.Lines().end());
  return out;
}

void TDDEMLDebugForm::Print() {
  if (FLines.Count() == 0 || !PrintOut) return;
  PrintOut(PrintedLines());
}

void TDDEMLDebugForm::Save() {
  if (FLines.Count() == 0 || !AskSaveFile) return;
  std::wstring name;
  if (!AskSaveFile(name) || name.empty()) return;
  std::FILE* f = _wfopen(name.c_str(), L"wb");
  if (!f) throw EInOutError("Cannot create the file " + ui::Narrow(name));
  bool ok = true;
  for (const std::string& line : FLines.Lines()) {
    ok = ok && std::fwrite(line.data(), 1, line.size(), f) == line.size();
    ok = ok && std::fwrite("\r\n", 1, 2, f) == 2;
  }
  if (std::fclose(f) != 0) ok = false;
  if (!ok) throw EInOutError("Cannot write the file " + ui::Narrow(name));
}

void TDDEMLDebugForm::Run(void (TDDEMLDebugForm::*action)()) {
  // A button pressed by Enter or Alt+letter runs from the dispatch, outside
  // any window procedure: nothing may unwind from here.
  try {
    (this->*action)();
  } catch (const std::exception& e) {
    if (ShowError) ShowError(e.what());
  }
}

LRESULT TDDEMLDebugForm::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MOVE:
      if (FReady) StorePosition();
      break;
    case WM_CTLCOLORSTATIC:
      if (const LRESULT brush = TheMemo.FieldColours(wp, lp)) return brush;
      break;
  }
  return ui::TForm::WndProc(msg, wp, lp);
}

}  // namespace dde
