#include "app/psalm.h"

namespace app {

// Psalm 23 in the Gdańsk Bible's translation (public domain).
const char kPsalmText[] =
    "Soli Deo gloria\r\n"
    "\r\n"
    "Psalm 23, 1-6\r\n"
    "\r\n"
    "Psalm Dawidowy.\r\n"
    "\r\n"
    "Pan jest pasterzem moim,\r\n"
    "    na niczem mi nie zejdzie.\r\n"
    "Na pastwiskach zielonych pasie mię;\r\n"
    "    prowadzi mię nad wody spokojne.\r\n"
    "Duszę moję posila, prowadzi mię\r\n"
    "    ścieszkami sprawiedliwości\r\n"
    "    dla imienia swego.\r\n"
    "Choćbym chodził doliną cienia śmierci,\r\n"
    "    nie będę się bał złego;\r\n"
    "    boś ty ze mną, laska twoja\r\n"
    "    i kij twój, te mię cieszą.\r\n"
    "Gotujesz przedemną stół\r\n"
    "    przeciw nieprzyjaciołom moim;\r\n"
    "    namazujesz olejkiem głowę moję,\r\n"
    "    kielich mój opływa.\r\n"
    "Zaiste dobroć i miłosierdzie pójdą za mną\r\n"
    "    po wszystkie dni żywota mego,\r\n"
    "    a mieszkać będę w domu Pańskim\r\n"
    "    na długie czasy.\r\n"
    "\r\n"
    "(Biblia Gdańska)";

namespace {

// Times New Roman CE at a height in pixels at 96 DPI (the name the system
// maps to Times New Roman with Central European letters).
HFONT TimesFont(int pixels, bool italic, int dpi) {
  return CreateFontW(-MulDiv(pixels, dpi, 96), 0, 0, 0, FW_NORMAL, italic, FALSE, FALSE, EASTEUROPE_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_ROMAN,
                     L"Times New Roman CE");
}

constexpr int kPanelLeft = 5, kPanelTop = 4, kPanelWidth = 322, kPanelHeight = 418;

}  // namespace

bool TPsalm::Create(HWND owner) {
  if (!CreateDialogForm(owner, " ...", 332, 462)) return false;
  Memo1.CreateFlat(Handle(), 1);
  Button1.Create(Handle(), "Zamknij", 2);
  FTextFont.Reset(TimesFont(13, true, Dpi()));
  FButtonFont.Reset(TimesFont(15, false, Dpi()));
  Memo1.SetFont(FTextFont.Get());
  Button1.SetFont(FButtonFont.Get());
  Memo1.SetBounds(S(kPanelLeft + 5), S(kPanelTop + 5), S(311), S(410));
  Button1.SetBounds(S(119), S(429), S(95), S(28));
  Memo1.SetLines(kPsalmText);
  // No cancel button: Escape does nothing; the close box and "Zamknij" close.
  Button1.OnClick = [this] { Button1Click(); };
  CenterOnScreen();
  return true;
}

void TPsalm::Show() {
  ui::TDialog::Show();
  Button1.SetFocus();
}

void TPsalm::Button1Click() { ModalResult = ui::mrCancel; }

LRESULT TPsalm::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    ui::PaintBevelPanel(Handle(), RECT{S(kPanelLeft), S(kPanelTop), S(kPanelLeft + kPanelWidth),
                                       S(kPanelTop + kPanelHeight)});
    return 0;
  }
  return ui::TDialog::WndProc(msg, wp, lp);
}

}  // namespace app
