#include "dde/trace_window_win.h"

#include <commdlg.h>

#include <cstdio>
#include <memory>

#include "text/path.h"
#include "ui/wintext.h"

namespace dde {

namespace {

const wchar_t kClassName[] = L"TDDEMLDebugForm";
std::wstring gPositionOverride;

std::string DateTimeText() {
  char date[128] = "", time[128] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time);
  return std::string(date) + " " + time;
}

std::unique_ptr<IDebugWindow> MakeDebugForm(const void*, bool stayOnTop) {
  auto form = std::make_unique<TDDEMLDebugForm>(stayOnTop);
  form->Show();
  return form;
}

void RegisterClassOnce() {
  static bool done = false;
  if (done) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = TDDEMLDebugForm::WndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);
  done = true;
}

}  // namespace

void InstallWin32TraceServices() {
  SetTraceDateTimeSource(DateTimeText);
  SetDebugWindowFactory(MakeDebugForm);
}

std::wstring TDDEMLDebugForm::PositionFile() {
  if (!gPositionOverride.empty()) return gPositionOverride;
  return text::ExecutablePath().replace_extension(L".DFP").wstring();
}

void TDDEMLDebugForm::SetPositionFileOverride(const std::wstring& path) { gPositionOverride = path; }

TDDEMLDebugForm::TDDEMLDebugForm(bool stayOnTop) {
  RegisterClassOnce();
  DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_BORDER | WS_CLIPCHILDREN;
  DWORD exStyle = stayOnTop ? WS_EX_TOPMOST : 0;
  RECT r{0, 0, 414, 271};
  AdjustWindowRectEx(&r, style, FALSE, exStyle);
  FHwnd = CreateWindowExW(exStyle, kClassName, L"TDDEMLManager Debug Display ", style,
                          CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr,
                          nullptr, GetModuleHandleW(nullptr), this);
  if (!FHwnd) throw EInOutError("Cannot create the debug window");
  HDC dc = GetDC(FHwnd);
  int height = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(FHwnd, dc);
  FFont = CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
  CreateControls();
  LoadPosition();
  FReady = true;

  AskSaveFile = [this](std::wstring& fileName) {
    wchar_t buffer[MAX_PATH * 2] = L"";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = FHwnd;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = MAX_PATH * 2;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameW(&ofn) || buffer[0] == 0) return false;
    fileName = buffer;
    return true;
  };
  PrintOut = [this](const std::vector<std::string>& lines) {
    PRINTDLGW pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = FHwnd;
    pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS;
    if (!PrintDlgW(&pd) || !pd.hDC) return false;
    // The printer is released on every path.
    struct TPrinter {
      PRINTDLGW& pd;
      bool docStarted = false;
      ~TPrinter() {
        if (docStarted) EndDoc(pd.hDC);
        DeleteDC(pd.hDC);
        if (pd.hDevMode) GlobalFree(pd.hDevMode);
        if (pd.hDevNames) GlobalFree(pd.hDevNames);
      }
    } printer{pd};
    DOCINFOW di{};
    di.cbSize = sizeof di;
    di.lpszDocName = L"TDDEMLManager Debug Display";
    if (StartDocW(pd.hDC, &di) <= 0) throw EInOutError("Printing failed: cannot start the document");
    printer.docStarted = true;
    TEXTMETRICW tm{};
    GetTextMetricsW(pd.hDC, &tm);
    int lineHeight = tm.tmHeight + tm.tmExternalLeading;
    int pageHeight = GetDeviceCaps(pd.hDC, VERTRES);
    int y = 0;
    bool pageOpen = false;
    for (const std::string& line : lines) {
      if (!pageOpen) {
        if (StartPage(pd.hDC) <= 0) throw EInOutError("Printing failed: cannot start a page");
        pageOpen = true;
        y = 0;
      }
      std::wstring w = ui::Wide(line);
      TextOutW(pd.hDC, 0, y, w.c_str(), static_cast<int>(w.size()));
      y += lineHeight;
      if (y + lineHeight > pageHeight) {
        EndPage(pd.hDC);
        pageOpen = false;
      }
    }
    if (pageOpen) EndPage(pd.hDC);
    return true;
  };
  ShowError = [this](const std::string& message) {
    std::wstring w = ui::Wide(message);
    MessageBoxW(FHwnd, w.c_str(), L"TDDEMLManager Debug Display", MB_OK | MB_ICONERROR);
  };
}

TDDEMLDebugForm::~TDDEMLDebugForm() {
  if (FHwnd) {
    SetWindowLongPtrW(FHwnd, GWLP_USERDATA, 0);
    DestroyWindow(FHwnd);
  }
  if (FFont) DeleteObject(FFont);
}

void TDDEMLDebugForm::CreateControls() {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  auto make = [&](DWORD ex, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y,
                  int w, int h, int id) {
    HWND c = CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, FHwnd,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), FALSE);
    return c;
  };
  // Creation order is the tab order: memo, Close, Print, Save, Clear.
  HWND memo = make(WS_EX_CLIENTEDGE, L"EDIT", L"",
                   WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 16, 16,
                   385, 193, idMemo);
  SendMessageW(memo, EM_SETLIMITTEXT, 0, 0);  // 501 long lines pass the default limit
  make(0, L"BUTTON", L"&Close", WS_TABSTOP | BS_PUSHBUTTON, 20, 232, 73, 25, idClose);
  make(0, L"BUTTON", L"&Print", WS_TABSTOP | BS_PUSHBUTTON, 201, 232, 73, 25, idPrint);
  make(0, L"BUTTON", L"&Save", WS_TABSTOP | BS_PUSHBUTTON, 292, 232, 73, 25, idSave);
  make(0, L"BUTTON", L"Cle&ar", WS_TABSTOP | BS_PUSHBUTTON, 111, 232, 73, 25, idClear);
  // The frame lies under the memo.
  HWND bevel = make(0, L"STATIC", L"", SS_ETCHEDFRAME, 8, 8, 401, 209, idBevel);
  SetWindowPos(bevel, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TDDEMLDebugForm::LoadPosition() {
  std::wstring file = PositionFile();
  if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  RECT r;
  GetWindowRect(FHwnd, &r);
  int left = GetPrivateProfileIntW(L"Position", L"Left", r.left, file.c_str());
  int top = GetPrivateProfileIntW(L"Position", L"Top", r.top, file.c_str());
  int width = GetPrivateProfileIntW(L"Position", L"Width", r.right - r.left, file.c_str());
  int height = GetPrivateProfileIntW(L"Position", L"Height", r.bottom - r.top, file.c_str());
  // A window placed wholly off every monitor comes back to the nearest one.
  RECT wanted{left, top, left + width, top + height};
  HMONITOR mon = MonitorFromRect(&wanted, MONITOR_DEFAULTTONULL);
  if (!mon) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &mi);
    left = mi.rcWork.left;
    top = mi.rcWork.top;
  }
  SetWindowPos(FHwnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TDDEMLDebugForm::StorePosition() {
  RECT r;
  if (!GetWindowRect(FHwnd, &r)) return;
  std::wstring file = PositionFile();
  auto put = [&](const wchar_t* key, long v) {
    WritePrivateProfileStringW(L"Position", key, std::to_wstring(v).c_str(), file.c_str());
  };
  put(L"Left", r.left);
  put(L"Top", r.top);
  put(L"Width", r.right - r.left);
  put(L"Height", r.bottom - r.top);
}

void TDDEMLDebugForm::Show() {
  ShowWindow(FHwnd, SW_SHOW);
  SetFocus(Control(idClose));
}

void TDDEMLDebugForm::AddLine(const std::string& line) {
  HWND memo = Control(idMemo);
  bool hadLines = FLines.Count() > 0;
  // The first line's length is taken before the rule may drop it: the memo
  // wraps long lines, so its own line numbers are not the trace's lines.
  size_t firstLength = hadLines ? ui::Wide(FLines.Lines().front()).size() : 0;
  if (FLines.Add(line)) {
    SendMessageW(memo, EM_SETSEL, 0, static_cast<LPARAM>(firstLength + 2));
    SendMessageW(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
  }
  std::wstring w = (hadLines ? L"\r\n" : L"") + ui::Wide(line);
  int end = GetWindowTextLengthW(memo);
  SendMessageW(memo, EM_SETSEL, end, end);
  SendMessageW(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(w.c_str()));
}

void TDDEMLDebugForm::Clear() {
  FLines.Clear();
  SetWindowTextW(Control(idMemo), L"");
}

std::vector<std::string> TDDEMLDebugForm::PrintedLines() const {
  std::vector<std::string> out = {"", "VESTRA DDEML Manager Component - Debug Form Print",
                                  "As at " + DateTimeText(), ""};
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
  // Nothing may unwind through the window procedure.
  try {
    (this->*action)();
  } catch (const std::exception& e) {
    if (ShowError) ShowError(e.what());
  }
}

LRESULT CALLBACK TDDEMLDebugForm::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    auto* form = static_cast<TDDEMLDebugForm*>(cs->lpCreateParams);
    form->FHwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* self = reinterpret_cast<TDDEMLDebugForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->OnMessage(msg, wp, lp);
}

LRESULT TDDEMLDebugForm::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED) {
        switch (LOWORD(wp)) {
          case idClose:
            ShowWindow(FHwnd, SW_HIDE);
            return 0;
          case idClear:
            Clear();
            return 0;
          case idPrint:
            Run(&TDDEMLDebugForm::Print);
            return 0;
          case idSave:
            Run(&TDDEMLDebugForm::Save);
            return 0;
        }
      }
      break;
    case WM_CLOSE:
      // Closing hides: the window stays the thread's until the trace lets go.
      ShowWindow(FHwnd, SW_HIDE);
      return 0;
    case WM_MOVE:
      if (FReady) StorePosition();
      break;
    case WM_CTLCOLORSTATIC:
      // The read-only memo keeps a window background.
      if (reinterpret_cast<HWND>(lp) == Control(idMemo)) {
        SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
  }
  return DefWindowProcW(FHwnd, msg, wp, lp);
}

}  // namespace dde
