// The main window's menus: the copy commands from both menus and their
// shortcuts, and the About box with its version line, links and the
// devotional-text dialog.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "app/about_box.h"
#include "app/gui_helpers.h"
#include "app/main_window_fixture.h"
#include "app/psalm.h"
#include "app/tree_kodow.h"
#include "app/version_info.h"
#include "text/path.h"
#include "ui/clipboard.h"
#include "ui/wintext.h"

namespace {

using app::TMainMenus;
using guitest::WaitFor;

const std::vector<std::string> kLines = {"A - Rolnictwo", " 01 - Uprawy", "  01.11 - Uprawa zbóż", "bez kodu"};

std::string ClipboardText() {
  ui::TClipboard c(nullptr);
  return c.Text1250();
}
// The 8-bit text as it lies on the clipboard, not converted by the system.
std::string ClipboardBytes() {
  ui::TClipboard c(nullptr);
  const HANDLE data = GetClipboardData(CF_TEXT);
  if (!data) return "<none>";
  const std::string s = static_cast<const char*>(GlobalLock(data));
  GlobalUnlock(data);
  return s;
}
void SetClipboard(const std::string& s) {
  ui::TClipboard c(nullptr);
  ASSERT_TRUE(c.SetText1250(s));
}

std::string MenuText(HMENU menu, UINT id) {
  wchar_t buffer[128] = {};
  GetMenuStringW(menu, id, buffer, 128, MF_BYCOMMAND);
  return ui::Narrow(std::wstring(buffer));
}

// Ctrl + a letter, as the keyboard sends it to the focused control.
void PostCtrl(HWND wnd, WORD letter) {
  guitest::THeldKey ctrl(VK_CONTROL);
  guitest::PostKey(wnd, letter);
  guitest::PumpFor(30);
}

class Commands : public guitest::TMainWindowTest {
 protected:
  Commands() : TMainWindowTest("commands") {}
  void SetUp() override {
    TMainWindowTest::SetUp();
    OpenCatalogue("pkd.txt", "Kody", kLines);
    ASSERT_FALSE(HasFailure());  // the window was created
  }
};

TEST_F(Commands, MenusHoldTheCommandsInOrderAndTheClientAreaKeepsItsSize) {
  const HMENU bar = form->MainMenu1();
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 4);
  const UINT barIds[] = {TMainMenus::Kopiujkod2, TMainMenus::Kopiujtekst2,
                         TMainMenus::Kopiujkoditekst2, TMainMenus::Oprogramie1};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(GetMenuItemID(bar, i), barIds[i]);
    EXPECT_EQ(GetSubMenu(bar, i), nullptr);  // top-level commands
  }
  EXPECT_EQ(MenuText(bar, TMainMenus::Kopiujkod2), "K&opiuj kod");
  EXPECT_EQ(MenuText(bar, TMainMenus::Kopiujtekst2), "Ko&piuj tekst");
  EXPECT_EQ(MenuText(bar, TMainMenus::Kopiujkoditekst2), "Kopi&uj kod i tekst");
  const HMENU popup = form->PopupMenu1.Handle();
  ASSERT_EQ(GetMenuItemCount(popup), 3);
  EXPECT_EQ(MenuText(popup, TMainMenus::Kopiujkod1), "Kopiuj kod\tCtrl+K");
  EXPECT_EQ(MenuText(popup, TMainMenus::Kopiujtekst1), "Kopiuj tekst\tCtrl+T");
  EXPECT_EQ(MenuText(popup, TMainMenus::Kopiujkoditekst1), "Kopiuj kod i tekst\tCtrl+C");
  // The menu bar comes on top of the client area, which stays 476 x 376.
  RECT client;
  GetClientRect(form->Handle(), &client);
  EXPECT_EQ(client.right, form->S(476));
  EXPECT_EQ(client.bottom, form->S(376));
}

// The real catalogues of this build side by side, as the program ships them.
class Revisions : public guitest::TMainWindowTest {
 protected:
  Revisions() : TMainWindowTest("revisions") {}
  void SetUp() override {
    TMainWindowTest::SetUp();
    for (const char* name : {"pkd.kod", "pkd2007.kod"}) {
      std::string built = std::string(PKD_TEST_BINARY_DIR) + "/bin/" + name;
      for (char& c : built)
        if (c == '/') c = '\\';
      const std::filesystem::path from = text::PathFrom1250("Z:" + built);
      ASSERT_TRUE(text::FileExists(from)) << "no " << name << " in this build";
      std::filesystem::copy_file(from, dir.File(name));
    }
  }
  bool Checked(UINT id) { return (GetMenuState(form->MainMenu1(), id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
  std::string Stored() {
    std::string value;
    return form->Storage().ReadString("Klasyfikacja", value) ? value : "<none>";
  }
  std::string Caption() {
    wchar_t buffer[128] = {};
    GetWindowTextW(form->Handle(), buffer, 128);
    return ui::Narrow(std::wstring(buffer));
  }
  void Choose(UINT id) { SendMessageW(form->Handle(), WM_COMMAND, id, 0); }
};

TEST_F(Revisions, TheMenuSwitchesToPkd2007AndBackTheChoiceOutlivesARestartAndDdeGoesBackToPkd2025) {
  OpenPath(dir.File("pkd.kod"));
  const HMENU bar = form->MainMenu1();
  ASSERT_EQ(GetMenuItemCount(bar), 5);
  const HMENU revisions = GetSubMenu(bar, 4);
  ASSERT_NE(revisions, nullptr);
  wchar_t caption[32] = {};
  GetMenuStringW(bar, 4, caption, 32, MF_BYPOSITION);
  EXPECT_EQ(ui::Narrow(caption), "K&lasyfikacja");
  EXPECT_EQ(MenuText(revisions, TMainMenus::Pkd2025), "PKD 2025");
  EXPECT_EQ(MenuText(revisions, TMainMenus::Pkd2007), "PKD 2007");
  EXPECT_TRUE(Checked(TMainMenus::Pkd2025));
  EXPECT_EQ(form->Tree().Count(), 1775u);

  Choose(TMainMenus::Pkd2007);
  EXPECT_EQ(form->Tree().Count(), 1652u);
  EXPECT_EQ(Caption(), "Polska Klasyfikacja Działalności 2007");
  EXPECT_TRUE(Checked(TMainMenus::Pkd2007));
  EXPECT_FALSE(Checked(TMainMenus::Pkd2025));
  EXPECT_EQ(Stored(), "PKD 2007");
  // The old-code answer the other way: a PKD 2025 code that PKD 2007 lacks,
  // typed into the code box.
  form->szukaj_kod.SetFocus();
  for (const char c : std::string("01.48.Z")) guitest::PostChar(form->szukaj_kod.EditHandle(), c);
  ASSERT_TRUE(WaitFor([&] { return !form->Counterparts().Empty(); }));
  EXPECT_EQ(form->szukaj_kod.Text(), "01.48.Z");
  EXPECT_EQ(form->Counterparts().Title, "PKD 2025 01.48.Z » PKD 2007");
  ASSERT_EQ(form->Counterparts().Entries.size(), 2u);
  EXPECT_EQ(form->Counterparts().Entries[0].rfind("01.49.Z - ", 0), 0u);

  // A restart shows PKD 2007 again; a DDE command goes back to the catalogue
  // the program was started with (and its old-code answer works there), and
  // leaves the user's choice as it was.
  form.reset();
  OpenPath(dir.File("pkd.kod"));
  EXPECT_EQ(form->Tree().Count(), 1652u);
  EXPECT_TRUE(Checked(TMainMenus::Pkd2007));
  const std::string params[] = {"\"01.49.Z\"", "\"\""};
  ASSERT_TRUE(form->Dde()->Session().Execute("Find_PKD", params, 2));
  EXPECT_EQ(form->Tree().Count(), 1775u);
  EXPECT_EQ(form->Counterparts().Title, "PKD 2007 01.49.Z » PKD 2025");
  EXPECT_EQ(Caption(), "Polska Klasyfikacja Działalności 2025");
  EXPECT_TRUE(Checked(TMainMenus::Pkd2025));
  EXPECT_EQ(Stored(), "PKD 2007");

  Choose(TMainMenus::Pkd2007);
  Choose(TMainMenus::Pkd2025);
  EXPECT_EQ(form->Tree().Count(), 1775u);
  EXPECT_EQ(Stored(), "PKD 2025");
  form.reset();
  OpenPath(dir.File("pkd.kod"));
  EXPECT_EQ(form->Tree().Count(), 1775u);
}

TEST_F(Commands, BothMenusAndTheShortcutsCopyCodeTitleOrBoth) {
  SelectEntry(2);
  struct TCase {
    WORD id;
    std::string expected;
  } cases[] = {{TMainMenus::Kopiujkod1, "01.11"},
               {TMainMenus::Kopiujtekst1, "Uprawa zbóż"},
               {TMainMenus::Kopiujkoditekst1, "01.11 - Uprawa zbóż"},
               {TMainMenus::Kopiujkod2, "01.11"},
               {TMainMenus::Kopiujtekst2, "Uprawa zbóż"},
               {TMainMenus::Kopiujkoditekst2, "01.11 - Uprawa zbóż"}};
  for (const TCase& c : cases) {
    SetClipboard("stare");
    PostMessageW(form->Handle(), WM_COMMAND, c.id, 0);
    guitest::PumpFor(20);
    EXPECT_EQ(ClipboardText(), c.expected) << "command " << c.id;
    // The 8-bit text is the catalogue's Windows-1250 as it is.
    EXPECT_EQ(ClipboardBytes(), c.expected) << "command " << c.id;
  }

  // The shortcuts act also with the focus in a box: Ctrl+C there copies the
  // entry, not the box's selected text, and types nothing.
  form->szukaj_opis.SetText("słowa");
  form->szukaj_opis.SetFocus();
  SendMessageW(form->szukaj_opis.Handle(), EM_SETSEL, 0, -1);
  PostCtrl(form->szukaj_opis.Handle(), 'C');
  EXPECT_EQ(ClipboardText(), "01.11 - Uprawa zbóż");
  PostCtrl(form->szukaj_opis.Handle(), 'K');
  EXPECT_EQ(ClipboardText(), "01.11");
  EXPECT_EQ(form->szukaj_opis.Text(), "słowa");
  form->szukaj_kod.SetFocus();
  PostCtrl(form->szukaj_kod.EditHandle(), 'T');
  EXPECT_EQ(ClipboardText(), "Uprawa zbóż");
  EXPECT_EQ(form->szukaj_kod.Text(), "01.11");

  // An entry without " - ": empty code and title, the whole text for both.
  SelectEntry(3);
  PostCtrl(form->szukaj_kod.EditHandle(), 'K');
  EXPECT_EQ(ClipboardText(), "");
  PostCtrl(form->szukaj_kod.EditHandle(), 'C');
  EXPECT_EQ(ClipboardText(), "bez kodu");
}

TEST_F(Commands, WithoutSelectionNothingIsCopiedAndTheDescriptionEmpties) {
  SetClipboard("stare");
  form->m_opis.SetLines("coś");
  for (WORD id : {TMainMenus::Kopiujkod1, TMainMenus::Kopiujtekst2, TMainMenus::Kopiujkoditekst2})
    form->KopiujDoClipClick(id);
  EXPECT_EQ(ClipboardText(), "stare");
  EXPECT_EQ(form->m_opis.Text(), "");
}

TEST_F(Commands, AClipboardHeldElsewhereIsReportedAndKeepsItsContents) {
  SelectEntry(1);
  SetClipboard("stare");
  HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    OpenClipboard(nullptr);
    SetEvent(held);
    WaitForSingleObject(release, 10000);
    CloseClipboard();
  });
  WaitForSingleObject(held, 5000);
  {
    guitest::TBoxWatcher boxes;
    form->szukaj_kod.SetFocus();
    PostCtrl(form->szukaj_kod.EditHandle(), 'K');
    ASSERT_TRUE(WaitFor([&] { return boxes.Count() == 1; }));
    EXPECT_EQ(boxes.Seen()[0].Text, "Nie mogę otworzyć schowka.");
    EXPECT_EQ(boxes.Seen()[0].Caption, "Wendrak");
  }
  SetEvent(release);
  holder.join();
  CloseHandle(held);
  CloseHandle(release);
  EXPECT_EQ(ClipboardText(), "stare");
}

// ---- Version information and the About box

std::filesystem::path FixturePath() {
  std::string unixPath = PKD_VERSION_FIXTURE;
  for (char& c : unixPath)
    if (c == '/') c = '\\';
  return text::PathFrom1250("Z:" + unixPath);
}

TEST(VersionInfo, StringsFixedFallbacksDatesAndFilesWithout) {
  const app::TVersionInfo own(text::ExecutablePath());
  ASSERT_TRUE(own.Valid());
  EXPECT_EQ(own.TranslationCode(), "041504E2");
  EXPECT_EQ(own.ProductNameText(), PKD_PRODUCT_NAME);
  EXPECT_EQ(own.ProductVersionText(), PKD_PRODUCT_VERSION);
  EXPECT_EQ(own.FileVersionText(), PKD_FILE_VERSION);
  EXPECT_EQ(own.StringValue("NoSuchName"), "");

  // A program whose product version string is 1.2 and which has no file
  // version string, only the fixed version 1.2.0.7, dated 5 March 2004.
  guitest::TTempDir dir("version");
  const std::filesystem::path copy = dir.Path() / L"fixture.exe";
  ASSERT_TRUE(CopyFileW(FixturePath().c_str(), copy.c_str(), FALSE));
  {
    HANDLE f = CreateFileW(copy.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SYSTEMTIME st = {2004, 3, 0, 5, 12, 0, 0, 0};
    FILETIME local, utc;
    SystemTimeToFileTime(&st, &local);
    LocalFileTimeToFileTime(&local, &utc);
    SetFileTime(f, nullptr, nullptr, &utc);
    CloseHandle(f);
  }
  const app::TVersionInfo fixture(copy);
  EXPECT_EQ(fixture.StringValue("FileVersion"), "");
  EXPECT_EQ(fixture.FileVersionText(), "1.2.0.7");
  EXPECT_EQ(app::VersionLine(fixture), "1.2 (05-03-2004 1.2.0.7)");

  // A file without version resource; a file that does not exist.
  const std::filesystem::path plain = dir.Path() / L"plain.txt";
  CloseHandle(CreateFileW(plain.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  const app::TVersionInfo none(plain);
  EXPECT_FALSE(none.Valid());
  EXPECT_EQ(none.TranslationCode(), "");
  EXPECT_EQ(none.ProductNameText(), "");
  EXPECT_GT(none.FileDate(), 0);
  const app::TVersionInfo missing(dir.Path() / L"nie ma.exe");
  EXPECT_EQ(missing.FileDate(), 0);
  EXPECT_EQ(app::VersionLine(missing), " (30-12-1899 )");  // the null date

  EXPECT_EQ(app::FormatFixedVersion(0xFFFF0001u, 0x00020003u), "65535.1.2.3");
}

TEST_F(Commands, AboutBoxShowsTheVersionLineTheLinksAndUnderlinesTheAuthorLine) {
  app::TAboutBox box;
  std::vector<std::string> opened;
  box.OpenDocument = [&](const std::string& s) { opened.push_back(s); };
  ASSERT_TRUE(box.Create(form->Handle()));
  const app::TVersionInfo own(text::ExecutablePath());
  EXPECT_EQ(box.ProductName.Text(), PKD_PRODUCT_NAME);
  EXPECT_EQ(box.Version.Text(), std::string(PKD_PRODUCT_VERSION) + " (" + app::FormatDate(own.FileDate()) + " " +
                                    PKD_FILE_VERSION + ")");
  EXPECT_NE(box.ProgramIcon.Icon(), nullptr);
  EXPECT_EQ(box.Comments.Text(), std::string("e-mail: ") + app::kSupportAddress);
  EXPECT_EQ(box.Label1.Text(), "https://stat.gov.pl/Klasyfikacje/");
  EXPECT_EQ(box.Source.Text().rfind("Źródło: GUS", 0), 0u) << box.Source.Text();

  auto underlined = [](const ui::TControl& c) {
    LOGFONTW lf = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(c.Handle(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf.lfUnderline != 0;
  };
  EXPECT_TRUE(underlined(box.Comments));
  EXPECT_TRUE(underlined(box.Label1));
  EXPECT_FALSE(underlined(box.Copyright));
  SendMessageW(box.Copyright.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_TRUE(underlined(box.Copyright));
  SendMessageW(box.Copyright.Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(underlined(box.Copyright));

  // A click on a link opens it with the system; the mouse reaches the label.
  box.Show();
  // The credit is shown whole, inside the dialog.
  RECT source, client;
  GetWindowRect(box.Source.Handle(), &source);
  GetClientRect(box.Handle(), &client);
  MapWindowPoints(box.Handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
  EXPECT_TRUE(IsWindowVisible(box.Source.Handle()));
  EXPECT_LE(source.right, client.right);
  for (ui::TControl* link : {static_cast<ui::TControl*>(&box.Comments), static_cast<ui::TControl*>(&box.Label1)}) {
    PostMessageW(link->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(link->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  }
  ASSERT_TRUE(WaitFor([&] { return opened.size() == 2; }));
  EXPECT_EQ(opened[0], std::string("mailto:") + app::kSupportAddress);
  EXPECT_EQ(opened[1], "https://stat.gov.pl/Klasyfikacje/");

  // Enter is "OK", result 1.
  guitest::PostKey(box.OKButton.Handle(), VK_RETURN);
  EXPECT_EQ(box.ShowModal(), 1);
  EXPECT_TRUE(IsWindowEnabled(form->Handle()));
}

// Steps run one after the other from a thread timer while the modal loops
// pump; a step returns false to be tried again at the next tick.
std::vector<std::function<bool()>>* gSteps = nullptr;
size_t gNext = 0;
void CALLBACK RunSteps(HWND, UINT, UINT_PTR, DWORD) {
  if (gSteps && gNext < gSteps->size() && (*gSteps)[gNext]()) ++gNext;
}
template <class T>
T* ActiveDialog() {
  return dynamic_cast<T*>(ui::TWindow::FromHandle(GetActiveWindow()));
}
void PostClick(HWND wnd) {
  PostMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  PostMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

TEST_F(Commands, AboutCommandOpensTheBoxWhoseAuthorLineOpensThePsalm) {
  app::TAboutBox* about = nullptr;
  app::TPsalm* psalm = nullptr;
  bool ownerDisabled = false, closeButtonFocused = false, escapeKeptIt = false;
  std::string caption, text;
  DWORD escapeAt = 0;
  std::vector<std::function<bool()>> steps = {
      [&] {
        if (!(about = ActiveDialog<app::TAboutBox>())) return false;
        ownerDisabled = !IsWindowEnabled(form->Handle());
        PostClick(about->Copyright.Handle());
        return true;
      },
      [&] {
        if (!(psalm = ActiveDialog<app::TPsalm>())) return false;
        caption = ui::WindowText(psalm->Handle());
        text = psalm->Memo1.Text();
        closeButtonFocused = psalm->Button1.Focused();
        guitest::PostKey(GetFocus(), VK_ESCAPE);
        escapeAt = GetTickCount();
        return true;
      },
      [&] {
        if (GetTickCount() - escapeAt < 300) return false;
        escapeKeptIt = psalm->Visible();
        PostMessageW(psalm->Button1.Handle(), BM_CLICK, 0, 0);
        return true;
      },
      [&] {
        if (ActiveDialog<app::TAboutBox>() != about) return false;  // the psalm has closed
        PostMessageW(about->OKButton.Handle(), BM_CLICK, 0, 0);
        return true;
      }};
  gSteps = &steps;
  gNext = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, &RunSteps);
  PostMessageW(form->Handle(), WM_COMMAND, TMainMenus::Oprogramie1, 0);
  const bool done = WaitFor([&] { return gNext == steps.size() && IsWindowEnabled(form->Handle()); }, 15000);
  KillTimer(nullptr, timer);
  gSteps = nullptr;
  ASSERT_TRUE(done) << "stopped before step " << gNext + 1;
  EXPECT_TRUE(ownerDisabled);
  EXPECT_EQ(caption, " ...");
  EXPECT_EQ(text, app::kPsalmText);
  EXPECT_TRUE(closeButtonFocused);
  EXPECT_TRUE(escapeKeptIt);  // no cancel button: Escape does nothing
}

TEST_F(Revisions, APickShowsPkd2025AndTheSwitchIsGreyedUntilItEnds) {
  OpenPath(dir.File("pkd.kod"));
  Choose(TMainMenus::Pkd2007);
  ASSERT_EQ(form->Tree().Count(), 1652u);
  const auto greyed = [&] {
    SendMessageW(form->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(form->MainMenu1(), 4)), 4);
    return (GetMenuState(form->MainMenu1(), TMainMenus::Pkd2007, MF_BYCOMMAND) & MF_GRAYED) != 0;
  };
  size_t during = 0, afterChoice = 0;
  bool greyedDuring = false;
  std::vector<std::function<bool()>> steps = {[&] {
    if (!form->Picking()) return false;
    during = form->Tree().Count();
    greyedDuring = greyed();
    Choose(TMainMenus::Pkd2007);  // as a click that got through would
    afterChoice = form->Tree().Count();
    PostMessageW(form->b_OK.Handle(), BM_CLICK, 0, 0);
    return true;
  }};
  gSteps = &steps;
  gNext = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, &RunSteps);
  const std::string params[] = {"0", "\"01.49.Z\"", "\"\""};
  const bool chosen = form->Dde()->Session().Execute("Open_PKD", params, 3);
  KillTimer(nullptr, timer);
  gSteps = nullptr;
  EXPECT_TRUE(chosen);
  EXPECT_EQ(during, 1775u);
  EXPECT_TRUE(greyedDuring);
  EXPECT_EQ(afterChoice, 1775u);
  EXPECT_FALSE(greyed());
  EXPECT_EQ(Stored(), "PKD 2007");  // the user's choice, for the next start
}

}  // namespace
