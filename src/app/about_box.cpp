#include "app/about_box.h"

#include <shellapi.h>

#include "app/psalm.h"
#include "app/version_info.h"
#include "text/path.h"
#include "ui/system_library.h"
#include "ui/wintext.h"

namespace app {

const char kSupportAddress[] = "wendrak.pkd@example.org";
const char kWebAddress[] = "https://stat.gov.pl/Klasyfikacje/";
const char kAuthorLine[] = "© Zespół programu Wendrak (wybór kodu PKD)";
const char kSourceLine[] = "Źródło: GUS (klasyfikacja PKD, jej objaśnienia i tabela powiązań)";

namespace {
// The panel's place; the controls on it are placed relative to it.
constexpr int kPanelLeft = 8, kPanelTop = 8, kPanelWidth = 385, kPanelHeight = 377;
}  // namespace

void ShellOpen(const std::string& what) {
  static const auto shellExecute =
      ui::SystemFunction<decltype(&ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
  if (shellExecute) shellExecute(nullptr, L"open", ui::Wide(what).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

TAboutBox::TAboutBox() : OpenDocument(&ShellOpen) {}

bool TAboutBox::Create(HWND owner) {
  if (!CreateDialogForm(owner, "O programie", 402, 430)) return false;
  const HWND h = Handle();
  ProgramIcon.Create(h);
  ProductName.Create(h, "Nazwa", SS_NOPREFIX);
  Version.Create(h, "Wersja", SS_NOPREFIX);
  Copyright.Create(h, kAuthorLine);
  Comments.Create(h, std::string("e-mail: ") + kSupportAddress);
  Label1.Create(h, kWebAddress);
  Source.Create(h, kSourceLine, SS_NOPREFIX);
  OKButton.Create(h, "OK", IDOK, true);
  ApplyFont();

  // The links: blue (WndProc), underlined, with the hand pointer.
  LOGFONTW lf = {};
  GetObjectW(Font(), sizeof lf, &lf);
  lf.lfUnderline = TRUE;
  FUnderlined.Reset(CreateFontIndirectW(&lf));
  const HCURSOR hand = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND));
  Comments.SetFont(FUnderlined.Get());
  Label1.SetFont(FUnderlined.Get());
  Comments.Cursor = hand;
  Label1.Cursor = hand;

  const int px = kPanelLeft, py = kPanelTop;
  ProgramIcon.SetBounds(S(px + 11), S(py + 10), S(62), S(55));
  ProductName.SetBounds(S(px + 88), S(py + 15), S(kPanelWidth - 88 - 8), S(16));
  Version.SetBounds(S(px + 88), S(py + 39), S(kPanelWidth - 88 - 8), S(16));
  Copyright.SetBounds(S(px + 8), S(py + 88), S(1), S(16));
  Comments.SetBounds(S(px + 8), S(py + 117), S(1), S(16));
  Label1.SetBounds(S(px + 8), S(py + 133), S(1), S(16));
  Source.SetBounds(S(px + 8), S(py + 165), S(kPanelWidth - 16), S(16));
  // The mouse labels are as wide as their text, so that only the text is a link.
  Copyright.AutoSize();
  Comments.AutoSize();
  Label1.AutoSize();
  OKButton.SetBounds(S(159), S(396), S(75), S(25));
  SetDefaultButton(&OKButton);

  OKButton.OnClick = [this] { ModalResult = ui::mrOk; };
  Comments.OnClick = [this] { CommentsClick(); };
  Label1.OnClick = [this] { Label1Click(&Label1); };
  Copyright.OnClick = [this] { CopyrightClick(); };
  Copyright.OnMouseEnter = [this] { CopyrightMouseEnter(); };
  Copyright.OnMouseLeave = [this] { CopyrightMouseLeave(); };
  CenterOnScreen();
  FormCreate();
  return true;
}

void TAboutBox::Show() {
  ui::TDialog::Show();
  OKButton.SetFocus();
}

void TAboutBox::FormCreate() {
  const std::filesystem::path exe = text::ExecutablePath();
  {
    const TVersionInfo info(exe);
    ProductName.SetText(info.ProductNameText());
    Version.SetText(VersionLine(info));
  }
  // ExtractIcon gives 1 for a file that is no program, and nothing without icons.
  static const auto extractIcon = ui::SystemFunction<decltype(&ExtractIconW)>(L"shell32.dll", "ExtractIconW");
  const HICON icon = extractIcon ? extractIcon(GetModuleHandleW(nullptr), exe.c_str(), 0) : nullptr;
  if (reinterpret_cast<ULONG_PTR>(icon) > 1) FIcon.Reset(icon);
  ProgramIcon.SetIcon(FIcon.Get());
}

void TAboutBox::CommentsClick() {
  if (OpenDocument) OpenDocument(std::string("mailto:") + kSupportAddress);
}

void TAboutBox::Label1Click(ui::TControl* sender) {
  if (dynamic_cast<ui::TLabel*>(sender) && OpenDocument) OpenDocument(sender->Text());
}

void TAboutBox::CopyrightClick() {
  TPsalm psalm;
  if (psalm.Create(Handle())) psalm.ShowModal();
}

void TAboutBox::CopyrightMouseEnter() {
  Copyright.SetFont(FUnderlined.Get());
  InvalidateRect(Copyright.Handle(), nullptr, TRUE);
}

void TAboutBox::CopyrightMouseLeave() {
  Copyright.SetFont(Font());
  InvalidateRect(Copyright.Handle(), nullptr, TRUE);
}

LRESULT TAboutBox::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      ui::PaintBevelPanel(Handle(), RECT{S(kPanelLeft), S(kPanelTop), S(kPanelLeft + kPanelWidth),
                                         S(kPanelTop + kPanelHeight)});
      return 0;
    case WM_CTLCOLORSTATIC: {
      const HWND control = reinterpret_cast<HWND>(lp);
      if (control == Comments.Handle() || control == Label1.Handle()) {
        const HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, RGB(0, 0, 255));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
  }
  return ui::TDialog::WndProc(msg, wp, lp);
}

}  // namespace app
