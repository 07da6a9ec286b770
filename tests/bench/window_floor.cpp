// The floor of the start-up measurement: the picker's main window with the
// same set of windows (classes, styles, extended styles, menu bar, font,
// resources and manifest) placed where the picker places them, shown and
// painted, and after the first paint the hidden result list with its tree,
// owned by the main window. No catalogue, no subclassing, no settings, no
// DDE, no logic: what the picker costs above this is our own layers.
// Kept in step with Tform_TreeKodow::CreateControls, CreateMenus and
// Tform_spisOpisow::Create.
//   window_floor [--filled]
// With --filled the tree holds as many made-up entries as the PKD 2025 tree
// (1,775: 22 sections, the rest below them, collapsed), its section lines as
// long as the catalogue's: what the picker's data costs Wine to insert and
// paint (both scroll bars included), without the catalogue or our code.
#include <windows.h>
#include <commctrl.h>

namespace {

const wchar_t kClass[] = L"PkdWindow";
constexpr UINT kCreateList = WM_APP + 1;

HWND gList = nullptr;
HFONT gFont = nullptr;

LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_DESTROY:
      if (GetWindow(wnd, GW_OWNER) == nullptr && !(GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD)) PostQuitMessage(0);
      return 0;
    case kCreateList: {
      // The result list: a borderless pop-up owned by the main window, hidden, with a tree.
      gList = CreateWindowExW(WS_EX_CONTROLPARENT, kClass, L"", WS_POPUP | WS_CLIPCHILDREN, CW_USEDEFAULT,
                              CW_USEDEFAULT, 375, 241, wnd, nullptr, GetModuleHandleW(nullptr), nullptr);
      HWND tree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                                      TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_TRACKSELECT,
                                  1, 1, 373, 239, gList, reinterpret_cast<HMENU>(1), GetModuleHandleW(nullptr),
                                  nullptr);
      SendMessageW(tree, WM_SETFONT, reinterpret_cast<WPARAM>(gFont), FALSE);
      return 0;
    }
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

// The made-up tree: 22 collapsed sections, each line as long as the PKD 2025
// section's, and 1,753 entries below them.
void FillTree(HWND tree) {
  static const wchar_t kWords[] = L"DZIA\x0141" L"ALNO\x015A\x0106 ZWI\x0104ZANA Z PRZETW\x00D3RSTWEM, HANDLEM I US\x0141UGAMI ";
  const int wordsLength = lstrlenW(kWords);
  SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
  int inserted = 0;
  for (int section = 0; section < 22; ++section) {
    wchar_t text[200];
    int n = wsprintfW(text, L"%c - ", L'A' + section);
    static const int kLengths[22] = {35, 27, 28, 110, 93, 15, 31, 37, 70, 84, 179,
                                     43, 54, 51, 74, 82, 12, 38, 55, 34, 132, 41};
    const int length = kLengths[section];
    for (int i = 0; n < length && n < 190; ++i) text[n++] = kWords[i % wordsLength];
    text[n] = 0;
    TVINSERTSTRUCTW is = {};
    is.hParent = TVI_ROOT;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT | TVIF_PARAM;
    is.item.pszText = text;
    is.item.lParam = inserted++;
    const HTREEITEM root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&is)));
    const int children = (1775 - 22) / 22 + (section < (1775 - 22) % 22 ? 1 : 0);
    for (int c = 0; c < children; ++c) {
      wsprintfW(text, L" %02d.%02d.Z - Pozosta\x0142" L"a dzia\x0142" L"alno\x015B\x0107 nr %d", section + 1, c, c);
      is.hParent = root;
      is.item.lParam = inserted++;
      SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&is));
    }
  }
  SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
}

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, int id, int x, int y,
           int w, int h, HFONT font) {
  HWND c = CreateWindowExW(exStyle, cls, text, style | WS_CHILD, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return c;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  const bool filled = commandLine && lstrcmpA(commandLine, "--filled") == 0;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);

  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.lpszClassName = kClass;
  RegisterClassExW(&wc);

  // The menu bar: four top-level commands, and their shortcuts.
  HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_STRING, 211, L"K&opiuj kod");
  AppendMenuW(bar, MF_STRING, 212, L"Ko&piuj tekst");
  AppendMenuW(bar, MF_STRING, 213, L"Kopi&uj kod i tekst");
  AppendMenuW(bar, MF_STRING, 221, L"O p&rogramie");
  ACCEL accels[] = {{FVIRTKEY | FCONTROL, 'K', 211}, {FVIRTKEY | FCONTROL, 'T', 212}, {FVIRTKEY | FCONTROL, 'C', 213}};
  HACCEL table = CreateAcceleratorTableW(accels, 3);

  // 476 x 376 client, centred on the screen.
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, exStyle = WS_EX_CONTROLPARENT;
  RECT r = {0, 0, 476, 376};
  AdjustWindowRectEx(&r, style, TRUE, exStyle);
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  HWND wnd = CreateWindowExW(exStyle, kClass, L"Floor of the picker's window", style, x, y, w, h, nullptr, bar,
                             instance, nullptr);
  HFONT font = gFont = CreateFontW(-MulDiv(8, 96, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                           L"MS Sans Serif");

  // The search bar (49 high), the tree, the splitter (6), the note panel (143: caption 19, note).
  Child(wnd, L"STATIC", L"Szukaj &kod:", WS_VISIBLE | SS_LEFT, 0, -1, 11, 4, 120, 13, font);
  HWND code = Child(wnd, L"COMBOBOX", L"", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0,
                    100, 8, 21, 124, 221, font);
  Child(wnd, L"STATIC", L"Wpisz szukane &s\x0142owa (oddzielone spacj\x0105)", WS_VISIBLE | SS_LEFT, 0, -1, 135, 4,
        300, 13, font);
  Child(wnd, L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 101, 135, 21, w - 155, 21, font);
  HWND tree = Child(wnd, WC_TREEVIEWW, L"",
                    WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
                        TVS_TRACKSELECT | TVS_SINGLEEXPAND,
                    WS_EX_CLIENTEDGE, 102, 0, 49, 476, 178, font);
  SendMessageW(tree, TVM_SETINDENT, 19, 0);
  if (filled) FillTree(tree);
  CreateWindowExW(0, kClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 227, 476, 6, wnd, nullptr, instance,
                  nullptr);
  Child(wnd, L"STATIC", L" Dodatkowy opis", WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, 0, -1, 0, 233, 476,
        19, font);
  Child(wnd, L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 103,
        0, 252, 476, 124, font);
  Child(wnd, L"BUTTON", L"Wybierz", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 104, 8, 8, 75, 25, font);
  Child(wnd, L"BUTTON", L"Anuluj", WS_TABSTOP | BS_PUSHBUTTON, 0, 105, 96, 8, 75, 25, font);

  ShowWindow(wnd, SW_SHOW);
  SetFocus(code);
  RedrawWindow(wnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  PostMessageW(wnd, kCreateList, 0, 0);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorW(wnd, table, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  DestroyAcceleratorTable(table);
  DeleteObject(font);
  return 0;
}
