// The main window, created in-process on catalogues written by the tests and
// driven with real input: start-up, tree, selection, layout, settings, pick buttons.
#include <cstdio>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/gui_helpers.h"
#include "app/main_window_fixture.h"
#include "app/tree_kodow.h"
#include "catalogue/entry_text.h"
#include "text/path.h"
#include "ui/form_storage.h"
#include "ui/wintext.h"

namespace {

// Mouse coordinates in an LPARAM: two 16-bit words, so that a point above the
// window (a negative y) reads back negative on 32- and 64-bit builds alike.
LPARAM MousePoint(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }


using app::Tform_TreeKodow;
using guitest::TBoxWatcher;
using guitest::WaitFor;

const std::vector<std::string> kSmall = {
    "A - Rolnictwo",     " 01 - Uprawy",  "  01.1 - Zboża",     "   01.11 - Pszenica\tOpis pszenicy\xFF\xFFi dalej",
    "  01.2 - Owoce",    "B - Górnictwo", " 05 - Węgiel\tOpis węgla", "bez kodu",
    "",                  "C - Przetwórstwo"};

class MainWindow : public guitest::TMainWindowTest {
 protected:
  MainWindow() : TMainWindowTest("main_window") {}
  Tform_TreeKodow& Open(const std::vector<std::string>& lines, const char* name = "pkd.kod") {
    return OpenCatalogue(name, "Klasyfikacja testowa", lines);
  }
  std::string TopLevelTexts() {
    std::string out;
    for (HTREEITEM i = TreeView_GetRoot(form->tree_kody.Handle()); i;
         i = TreeView_GetNextSibling(form->tree_kody.Handle(), i))
      out += form->tree_kody.ItemText(i) + "|";
    return out;
  }
  // The texts of every item, in display order, with every item expanded:
  // children go into the view when their parent first opens.
  std::vector<std::string> ExpandedTexts() {
    const HWND tree = form->tree_kody.Handle();
    std::vector<std::string> out;
    ui::TTreeUpdate batch(form->tree_kody);
    std::function<void(HTREEITEM)> walk = [&](HTREEITEM first) {
      for (HTREEITEM i = first; i; i = TreeView_GetNextSibling(tree, i)) {
        out.push_back(form->tree_kody.ItemText(i));
        TreeView_Expand(tree, i, TVE_EXPAND);
        walk(TreeView_GetChild(tree, i));
      }
    };
    walk(TreeView_GetRoot(tree));
    return out;
  }
};

TEST_F(MainWindow, StartUpFillsTreeCodeListAndCaptionInFileOrder) {
  Tform_TreeKodow& w = Open(kSmall);
  EXPECT_EQ(ui::WindowText(w.Handle()), "Klasyfikacja testowa");
  // Only the top level is in the view at first; every entry is there once opened.
  EXPECT_EQ(TreeView_GetCount(w.tree_kody.Handle()), 5u);
  EXPECT_THAT(ExpandedTexts(), ::testing::ElementsAre("A - Rolnictwo", "01 - Uprawy", "01.1 - Zboża", "01.11 - Pszenica",
                                                      "01.2 - Owoce", "B - Górnictwo", "05 - Węgiel", "bez kodu", "",
                                                      "C - Przetwórstwo"));
  // The empty line and the line without " - " are top-level entries; nothing is sorted.
  EXPECT_EQ(TopLevelTexts(), "A - Rolnictwo|B - Górnictwo|bez kodu||C - Przetwórstwo|");
  // The code list is filled once the loop runs, after the first paint and before any input.
  ASSERT_TRUE(WaitFor([&] { return w.szukaj_kod.Count() > 0; }));
  std::vector<std::string> codes;
  for (int i = 0; i < w.szukaj_kod.Count(); ++i) codes.push_back(w.szukaj_kod.Item(i));
  EXPECT_THAT(codes, ::testing::ElementsAre("A", "01", "01.1", "01.11", "01.2", "B", "05", "C"));
  // Browse mode: the code field has the focus, the button row is hidden.
  EXPECT_TRUE(w.szukaj_kod.Focused());
  EXPECT_FALSE(w.b_OK.Visible());
  EXPECT_FALSE(w.P_btn.Visible);
  EXPECT_EQ(w.szukaj_kod.Text(), "");
}

TEST_F(MainWindow, SelectionShowsCodeAndDescriptionWithBreaksAfterTheDelay) {
  Tform_TreeKodow& w = Open(kSmall);
  w.tree_kody.Select(w.ItemOf(3));
  // The reaction waits 100 ms after the last change.
  EXPECT_TRUE(w.TreeChange.Enabled());
  EXPECT_EQ(w.szukaj_kod.Text(), "");
  ASSERT_TRUE(WaitFor([&] { return w.szukaj_kod.Text() == "01.11"; }));
  // Two 0xFF marks give an empty line between the parts.
  EXPECT_EQ(w.m_opis.Text(), "Opis pszenicy\r\n\r\ni dalej");
  int start = -1, end = -1;
  w.szukaj_kod.GetSel(start, end);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 5);  // the whole code is selected
  // Writing the code started no search.
  EXPECT_FALSE(w.Timer1.Enabled());

  // An entry without " - " empties the code field and the description.
  SelectEntry(7);
  EXPECT_EQ(w.szukaj_kod.Text(), "");
  EXPECT_EQ(w.m_opis.Text(), "");
  SelectEntry(6);
  EXPECT_EQ(w.m_opis.Text(), "Opis węgla");
  SelectEntry(0);  // a code without description
  EXPECT_EQ(w.m_opis.Text(), "");
}

TEST_F(MainWindow, MouseSelectionWritesTheCodeAndStartsNoSearch) {
  Tform_TreeKodow& w = Open(kSmall);
  RECT r;
  ASSERT_TRUE(w.tree_kody.ItemRect(w.ItemOf(5), r));  // "B - Górnictwo", a top-level entry
  const LPARAM at = MousePoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageW(w.tree_kody.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(w.tree_kody.Handle(), WM_LBUTTONUP, 0, at);
  ASSERT_TRUE(WaitFor([&] { return w.szukaj_kod.Text() == "B"; }));
  EXPECT_FALSE(w.Timer1.Enabled());
  EXPECT_EQ(w.SelectedText(), "B - Górnictwo");
  // Single-expand: the entry selected with the mouse opens.
  EXPECT_TRUE(w.tree_kody.Expanded(w.ItemOf(5)));
}

TEST_F(MainWindow, TabOrderAndLabelAccelerators) {
  Tform_TreeKodow& w = Open(kSmall);
  ASSERT_TRUE(w.szukaj_kod.Focused());
  guitest::PostKey(GetFocus(), VK_TAB);
  ASSERT_TRUE(WaitFor([&] { return w.szukaj_opis.Focused(); }));
  guitest::PostKey(GetFocus(), VK_TAB);
  ASSERT_TRUE(WaitFor([&] { return w.tree_kody.Focused(); }));
  guitest::PostKey(GetFocus(), VK_TAB);
  ASSERT_TRUE(WaitFor([&] { return w.m_opis.Focused(); }));
  // Alt+K and Alt+S (the letter of "&słowa").
  PostMessageW(GetFocus(), WM_SYSCHAR, L'k', static_cast<LPARAM>(1u << 29));
  ASSERT_TRUE(WaitFor([&] { return w.szukaj_kod.Focused(); }));
  PostMessageW(GetFocus(), WM_SYSCHAR, L's', static_cast<LPARAM>(1u << 29));
  ASSERT_TRUE(WaitFor([&] { return w.szukaj_opis.Focused(); }));
}

TEST_F(MainWindow, SearchWordsRestartItsDelayAndTakeTheFocus) {
  Tform_TreeKodow& w = Open(kSmall);
  w.SetSearchWords("zboże pszenica");
  EXPECT_EQ(w.szukaj_opis.Text(), "zboże pszenica");
  EXPECT_TRUE(w.Timer2.Enabled());
  EXPECT_TRUE(w.szukaj_opis.Focused());
  w.SetSearchCode("01.1");
  EXPECT_TRUE(w.szukaj_kod.Focused());
  w.RunSearches();  // both searches at once: the delays end
  EXPECT_FALSE(w.Timer2.Enabled());
  EXPECT_EQ(w.SelectedText(), "01.1 - Zboża");
}

TEST_F(MainWindow, InvalidLevelIsShownAndKeepsTheEntriesBuiltBefore) {
  TBoxWatcher boxes;
  Tform_TreeKodow& w = Open({"A - a", " 01 - b", "   01.11 - c", "B - d"}, "levels.txt");
  ASSERT_EQ(boxes.Count(), 1u);
  const guitest::TBoxSeen box = boxes.Seen()[0];
  // The message ends with a quote (0x22), so no full stop is added.
  EXPECT_EQ(box.Text, "Invalid level (3) for item \"01.11 - c\"");
  EXPECT_EQ(box.Caption, "Wendrak");
  EXPECT_TRUE(box.ErrorIcon);
  // The window opens all the same: partial tree, empty code list, no caption.
  EXPECT_TRUE(w.Visible());
  EXPECT_THAT(ExpandedTexts(), ::testing::ElementsAre("A - a", "01 - b"));
  EXPECT_EQ(w.szukaj_kod.Count(), 0);
  EXPECT_EQ(ui::WindowText(w.Handle()), "");
  ASSERT_NE(w.Baza(), nullptr);  // the catalogue stays attached
}

TEST_F(MainWindow, UnusableCatalogueIsShownWithAFullStopAndTheWindowOpensEmpty) {
  const std::filesystem::path path = dir.File("pkd.kod");
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, "not a catalogue", 15, &written, nullptr);
  CloseHandle(f);
  TBoxWatcher boxes;
  Tform_TreeKodow& w = OpenPath(path);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Seen()[0].Text, "Wybrany plik: " + text::PathTo1250(path) + " ma niewłaściwy format.");
  EXPECT_TRUE(w.Visible());
  EXPECT_EQ(w.Baza(), nullptr);
  EXPECT_EQ(TreeView_GetCount(w.tree_kody.Handle()), 0u);
  EXPECT_EQ(w.szukaj_kod.Count(), 0);
}

TEST_F(MainWindow, MissingCatalogueNoticeThenTheWindowCloses) {
  TBoxWatcher boxes;
  Tform_TreeKodow& w = OpenPath(dir.File("pkd.kod"));
  w.IsMainForm = true;  // as the program's loop makes it
  EXPECT_TRUE(w.Visible());
  ASSERT_TRUE(WaitFor([&] { return w.ReleaseRequested(); }));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Seen()[0].Text, "Niestety nie znalazłem pliku \"pkd.kod\" z definicją kodów PKD !");
  EXPECT_EQ(boxes.Seen()[0].Caption, "Wendrak");
  EXPECT_TRUE(boxes.Seen()[0].ErrorIcon);
}

TEST_F(MainWindow, EnterInTheTreeTogglesInBrowseModeAndConfirmsInPickMode) {
  Tform_TreeKodow& w = Open(kSmall);
  SelectEntry(0);
  w.tree_kody.Collapse(w.ItemOf(0));
  w.tree_kody.SetFocus();
  guitest::PostKey(w.tree_kody.Handle(), VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return w.tree_kody.Expanded(w.ItemOf(0)); }));
  guitest::PostKey(w.tree_kody.Handle(), VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return !w.tree_kody.Expanded(w.ItemOf(0)); }));
  EXPECT_EQ(w.ModalResult, 0);

  // Pick mode: the row is shown, Enter is "Wybierz" and the tree does not see it.
  w.SetButtonRowVisible(true);
  guitest::PostKey(w.tree_kody.Handle(), VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return w.ModalResult != 0; }));
  EXPECT_EQ(w.ModalResult, 1);
  guitest::PumpFor(50);
  EXPECT_FALSE(w.tree_kody.Expanded(w.ItemOf(0)));

  w.ModalResult = 0;
  guitest::PostKey(w.tree_kody.Handle(), VK_ESCAPE);
  ASSERT_TRUE(WaitFor([&] { return w.ModalResult != 0; }));
  EXPECT_EQ(w.ModalResult, 2);
  // Neither button hides the window by itself.
  EXPECT_TRUE(w.Visible());
}

TEST_F(MainWindow, ModalShowShowsTheButtonsAndReturnsTheButtonsResult) {
  Tform_TreeKodow& w = Open(kSmall);
  w.Hide();
  PostMessageW(w.b_OK.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(w.ShowModal(), 1);
  EXPECT_TRUE(w.P_btn.Visible);
  PostMessageW(w.b_cancel.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(w.ShowModal(), 2);
  // The row lies at the bottom of Panel2, below the description, buttons at 8,8 and 96,8.
  EXPECT_EQ(w.P_btn.Bounds.bottom, w.Panel2.Bounds.bottom);
  EXPECT_EQ(w.P_btn.Height(), w.S(41));
  EXPECT_EQ(w.p_opis.Bounds.bottom, w.P_btn.Bounds.top);
  RECT ok, cancel;
  GetWindowRect(w.b_OK.Handle(), &ok);
  GetWindowRect(w.b_cancel.Handle(), &cancel);
  MapWindowPoints(nullptr, w.Handle(), reinterpret_cast<POINT*>(&ok), 2);
  MapWindowPoints(nullptr, w.Handle(), reinterpret_cast<POINT*>(&cancel), 2);
  EXPECT_EQ(ok.left, w.S(8));
  EXPECT_EQ(ok.top, w.P_btn.Bounds.top + w.S(8));
  EXPECT_EQ(ok.right - ok.left, w.S(75));
  EXPECT_EQ(ok.bottom - ok.top, w.S(25));
  EXPECT_EQ(cancel.left, w.S(96));
}

TEST_F(MainWindow, ShrinkingTheWindowShrinksPanel2SoTheTreeKeeps50Pixels) {
  Tform_TreeKodow& w = Open(kSmall);
  const int panel2 = w.Panel2.Size;
  EXPECT_EQ(panel2, w.S(143));
  RECT r;
  GetWindowRect(w.Handle(), &r);
  RECT client;
  GetClientRect(w.Handle(), &client);
  const int frame = (r.bottom - r.top) - client.bottom;
  // A client 30 pixels too short for the tree's 50.
  const int clientHeight = w.S(49) + w.S(6) + panel2 + w.S(50) - 30;
  SetWindowPos(w.Handle(), nullptr, 0, 0, r.right - r.left, clientHeight + frame, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(w.TreeNode.Height(), w.S(50));
  EXPECT_EQ(w.Panel2.Size, panel2 - 30);
  RECT tree;
  GetWindowRect(w.tree_kody.Handle(), &tree);
  EXPECT_EQ(tree.bottom - tree.top, w.S(50));
  // The words field follows the window's width.
  SetWindowPos(w.Handle(), nullptr, 0, 0, 600, 400, SWP_NOMOVE | SWP_NOZORDER);
  RECT words;
  GetWindowRect(w.szukaj_opis.Handle(), &words);
  EXPECT_EQ(words.right - words.left, 600 - w.S(135) - w.S(20));
  // The description panel keeps 50 pixels, and the window has its minimum size.
  SetWindowPos(w.Handle(), nullptr, 0, 0, 300, 100, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_GE(w.p_opis.Height(), w.S(50));
  MINMAXINFO mmi = {};
  SendMessageW(w.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  EXPECT_EQ(mmi.ptMinTrackSize.x, w.S(300));
  EXPECT_EQ(mmi.ptMinTrackSize.y, w.S(240));
}

TEST_F(MainWindow, SplitterDragResizesPanel2Live) {
  Tform_TreeKodow& w = Open(kSmall);
  const int panel2 = w.Panel2.Size;
  const HWND bar = w.Splitter1.Handle();
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MousePoint(10, 2));
  SendMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, MousePoint(10, 2 - 40));  // 40 up
  EXPECT_EQ(w.Panel2.Size, panel2 + 40);
  // Dragged far down: the description keeps its 50 pixels.
  SendMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, MousePoint(10, 2000));
  EXPECT_EQ(w.Panel2.Size, w.S(50));
  // Dragged far up: the tree keeps its 50 pixels.
  SendMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, MousePoint(10, -2000));
  EXPECT_EQ(w.TreeNode.Height(), w.S(50));
  SendMessageW(bar, WM_LBUTTONUP, 0, MousePoint(10, -2000));
}

std::string Stored(const ui::TFormStorage& s, const char* name) {
  std::string v;
  return s.ReadString(name, v) ? v : std::string("<none>");
}

TEST_F(MainWindow, SettingsAreWrittenOnCloseAndReadBackOnTheNextShow) {
  {
    Tform_TreeKodow& w = Open(kSmall);
    SetWindowPos(w.Handle(), nullptr, 40, 50, 520, 460, SWP_NOZORDER);
    w.Panel2.Size = w.S(120);
    SendMessageW(w.Handle(), WM_SIZE, 0, 0);
    // Nothing is written while the window stays open.
    EXPECT_EQ(Stored(w.Storage(), "NormPos"), "<none>");
    w.Close();
    const ui::TFormStorage s = w.Storage();
    EXPECT_EQ(s.KeyPath(), "Software\\ZELNOR\\" + guitest::ExeBaseName() + "\\MainForm");
    EXPECT_EQ(Stored(s, "FormVersion"), "0");
    EXPECT_EQ(Stored(s, "NormPos"), "40,50,560,510");
    EXPECT_EQ(Stored(s, "ShowCmd"), "1");
    EXPECT_EQ(Stored(s, "PixelsPerInch"), std::to_string(w.Dpi()));
    EXPECT_EQ(Stored(s, "Panel2_Height"), std::to_string(w.S(120)));
    EXPECT_EQ(Stored(s, "Visible"), "0");
    int four[4];
    EXPECT_TRUE(ui::ParseFourInts(Stored(s, "MinMaxPos"), four));
    int flags = -1;
    EXPECT_TRUE(s.ReadInt("Flags", flags));
    // Written on close, so the destroy does not write again.
    form.reset();
    EXPECT_EQ(Stored(s, "Visible"), "0");
  }
  Tform_TreeKodow& again = Open(kSmall);
  RECT r;
  GetWindowRect(again.Handle(), &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right, 560);
  EXPECT_EQ(r.bottom, 510);
  EXPECT_EQ(again.Panel2.Size, again.S(120));
}

TEST_F(MainWindow, DestroyWithoutCloseWritesVisibleOneAndOtherResolutionKeepsCentring) {
  {
    Tform_TreeKodow& w = Open(kSmall);
    SetWindowPos(w.Handle(), nullptr, 10, 20, 500, 440, SWP_NOZORDER);
    form.reset();
  }
  ui::TFormStorage s(ui::TFormStorage::DefaultKeyPath("MainForm"));
  EXPECT_EQ(Stored(s, "Visible"), "1");
  EXPECT_EQ(Stored(s, "NormPos"), "10,20,510,460");
  // Saved at another resolution: the placement is not applied.
  s.WriteInt("PixelsPerInch", 300);
  s.WriteString("Panel2_Height", "77");
  Tform_TreeKodow& again = Open(kSmall);
  RECT r;
  GetWindowRect(again.Handle(), &r);
  EXPECT_NE(r.left, 10);
  EXPECT_EQ(again.Panel2.Size, 77);  // the panel height is read all the same
}

TEST_F(MainWindow, StoredPanelTallerThanTheWindowLeavesTheTree50Pixels) {
  ui::TFormStorage s(ui::TFormStorage::DefaultKeyPath("MainForm"));
  s.WriteString("Panel2_Height", "5000");
  Tform_TreeKodow& w = Open(kSmall);
  EXPECT_EQ(w.TreeNode.Height(), w.S(50));
  EXPECT_LT(w.Panel2.Size, 5000);
}

TEST_F(MainWindow, ANewResolutionScalesTheLayoutAndThePanel) {
  Tform_TreeKodow& w = Open(kSmall);
  ASSERT_EQ(w.Dpi(), 96);
  const int panel2 = w.Panel2.Size;
  RECT r;
  GetWindowRect(w.Handle(), &r);
  RECT suggested = {r.left, r.top, r.left + (r.right - r.left) * 3 / 2, r.top + (r.bottom - r.top) * 3 / 2};
  SendMessageW(w.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(w.Dpi(), 144);
  EXPECT_EQ(w.Panel2.Size, MulDiv(panel2, 144, 96));
  EXPECT_EQ(w.Panel1.Height(), 74);  // 49 at 96 DPI
  RECT button;
  GetWindowRect(w.szukaj_opis.Handle(), &button);
  EXPECT_EQ(button.bottom - button.top, MulDiv(21, 144, 96));
  GetWindowRect(w.Handle(), &r);
  EXPECT_EQ(r.right - r.left, suggested.right - suggested.left);
}

TEST_F(MainWindow, DamagedStoredValuesAreIgnored) {
  ui::TFormStorage s(ui::TFormStorage::DefaultKeyPath("MainForm"));
  s.WriteString("NormPos", "1,2,x");
  s.WriteString("MinMaxPos", "");
  s.WriteString("Panel2_Height", "wysoko");
  s.WriteInt("PixelsPerInch", 96);
  Tform_TreeKodow& w = Open(kSmall);
  EXPECT_TRUE(w.Visible());
  EXPECT_EQ(w.Panel2.Size, w.S(143));
  RECT r;
  GetWindowRect(w.Handle(), &r);
  EXPECT_GT(r.right - r.left, 0);
}

// Posts a double click at character pos of the note pane, scrolled into view
// as the reader would have it.
void DoubleClickNoteAt(Tform_TreeKodow& w, size_t pos) {
  SendMessageW(w.m_opis.Handle(), EM_SETSEL, pos, pos);
  SendMessageW(w.m_opis.Handle(), EM_SCROLLCARET, 0, 0);
  const LRESULT at = SendMessageW(w.m_opis.Handle(), EM_POSFROMCHAR, pos, 0);
  const LPARAM point = MousePoint(static_cast<short>(LOWORD(at)) + 2, static_cast<short>(HIWORD(at)) + 4);
  PostMessageW(w.m_opis.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, point);
  PostMessageW(w.m_opis.Handle(), WM_LBUTTONUP, 0, point);
}

// Alt with an arrow key, as the keyboard sends it to the focused window.
void PostAltKey(WORD vk) {
  const HWND focus = GetFocus();
  const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  PostMessageW(focus, WM_SYSKEYDOWN, vk, static_cast<LPARAM>(1 | (scan << 16) | (1u << 29)));
  PostMessageW(focus, WM_SYSKEYUP, vk, static_cast<LPARAM>(1 | (scan << 16) | (1u << 29) | (3u << 30)));
}

TEST_F(MainWindow, CodesInTheNoteAreFollowedAndAltArrowsGoBackAndForward) {
  Tform_TreeKodow& w = Open({"X - Pierwsza", "A - Rolnictwo",
                             " 01 - Uprawy\tPodklasa ta nie obejmuje:\xFF- prac sklasyfikowanych w 98.10.Z.\xFF"
                             "Zob. sekcji B oraz 01.11, 2025 r.",
                             "  01.11 - Pszenica", "B - Gospodarstwa", " 98 - Domowe", "  98.10.Z - Na potrzeby własne"});
  const auto selected = [&] { return catalogue::CodeOf(w.SelectedText()); };
  const auto noteShown = [&](const char* code) {
    return WaitFor([&] { return !w.TreeChange.Enabled() && w.szukaj_kod.Text() == code; });
  };
  w.SetSearchCode("01");
  w.RunSearches();
  ASSERT_TRUE(noteShown("01"));
  const std::string note = w.m_opis.Text();
  ASSERT_NE(note.find("98.10.Z"), std::string::npos) << note;

  DoubleClickNoteAt(w, note.find("98.10.Z") + 3);
  ASSERT_TRUE(WaitFor([&] { return selected() == "98.10.Z"; }));
  ASSERT_TRUE(noteShown("98.10.Z"));
  PostAltKey(VK_LEFT);
  ASSERT_TRUE(WaitFor([&] { return selected() == "01"; }));
  PostAltKey(VK_RIGHT);
  ASSERT_TRUE(WaitFor([&] { return selected() == "98.10.Z"; }));
  PostAltKey(VK_RIGHT);  // nothing ahead
  guitest::PumpFor(50);
  EXPECT_EQ(selected(), "98.10.Z");

  // Enter with the caret in a section letter; a word or a year names nothing.
  PostAltKey(VK_LEFT);
  ASSERT_TRUE(noteShown("01"));
  for (const char* none : {"sklasyfikowanych", "2025"}) {
    DoubleClickNoteAt(w, note.find(none) + 1);
    guitest::PumpFor(50);
    EXPECT_EQ(selected(), "01") << none;
  }
  w.m_opis.SetFocus();
  const int b = static_cast<int>(note.find("sekcji B") + 7);
  SendMessageW(w.m_opis.Handle(), EM_SETSEL, b, b);
  guitest::PostKey(w.m_opis.Handle(), VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return selected() == "B"; }));
  PostAltKey(VK_LEFT);
  ASSERT_TRUE(WaitFor([&] { return selected() == "01"; }));

  // In pick mode Enter on a code follows it and presses no button.
  ASSERT_TRUE(noteShown("01"));
  w.SetButtonRowVisible(true);
  w.m_opis.SetFocus();
  const int c = static_cast<int>(note.find("01.11"));
  SendMessageW(w.m_opis.Handle(), EM_SETSEL, c, c);
  guitest::PostKey(w.m_opis.Handle(), VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return selected() == "01.11"; }));
  guitest::PumpFor(50);
  EXPECT_EQ(w.ModalResult, 0);

  // A search by code is a jump as well.
  w.SetSearchCode("98");
  w.RunSearches();
  ASSERT_TRUE(noteShown("98"));
  PostAltKey(VK_LEFT);
  ASSERT_TRUE(WaitFor([&] { return selected() == "01.11"; }));
}

TEST_F(MainWindow, RealCatalogueOpensWithTheWholeTreeAndFindsASubclass) {
  std::string unixPath = std::string(PKD_TEST_BINARY_DIR) + "/bin/pkd.kod";
  for (char& c : unixPath)
    if (c == '/') c = '\\';
  const std::string path = "Z:" + unixPath;
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ui::Wide(path).c_str())) << "no pkd.kod in this build";
  LARGE_INTEGER f, t0, t1;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t0);
  Tform_TreeKodow& w = OpenPath(path);
  QueryPerformanceCounter(&t1);
  std::printf("window created, filled and shown in %.1f ms\n", double(t1.QuadPart - t0.QuadPart) * 1000 / f.QuadPart);
  ASSERT_NE(w.Baza(), nullptr);
  EXPECT_EQ(ui::WindowText(w.Handle()), w.Baza()->Tytul());
  ASSERT_TRUE(WaitFor([&] { return w.szukaj_kod.Count() > 0; }));  // after the first paint
  EXPECT_EQ(static_cast<size_t>(w.szukaj_kod.Count()), w.Tree().Codes().size());
  w.SetSearchCode("47.91.z");
  w.RunSearches();
  EXPECT_EQ(catalogue::CodeOf(w.SelectedText()), "47.91.Z");
  // The jump four levels down is drawn once, at its end: the tree is
  // visible again, and shows the hit.
  EXPECT_TRUE(IsWindowVisible(w.tree_kody.Handle()));
  RECT hit, client;
  ASSERT_TRUE(w.tree_kody.ItemRect(w.tree_kody.Selected(), hit));
  GetClientRect(w.tree_kody.Handle(), &client);
  EXPECT_GE(hit.top, client.top);
  EXPECT_LE(hit.bottom, client.bottom);
  ASSERT_TRUE(WaitFor([&] { return !w.TreeChange.Enabled(); }));
  EXPECT_EQ(w.szukaj_kod.Text(), "47.91.Z");
  EXPECT_FALSE(w.m_opis.Text().empty());

  // Section A's note names 98.10.Z: a double click follows it, Alt+Left returns.
  w.SetSearchCode("A");
  w.RunSearches();
  ASSERT_TRUE(WaitFor([&] { return !w.TreeChange.Enabled() && w.szukaj_kod.Text() == "A"; }));
  const std::string note = w.m_opis.Text();
  ASSERT_NE(note.find("98.10.Z"), std::string::npos);
  DoubleClickNoteAt(w, note.find("98.10.Z") + 1);
  ASSERT_TRUE(WaitFor([&] { return catalogue::CodeOf(w.SelectedText()) == "98.10.Z"; }));
  PostAltKey(VK_LEFT);
  ASSERT_TRUE(WaitFor([&] { return catalogue::CodeOf(w.SelectedText()) == "A"; }));

  // Opened all the way, the tree shows every entry, in file order, once:
  // those put in by the jumps above as well as the rest.
  const std::vector<std::string> texts = ExpandedTexts();
  ASSERT_EQ(texts.size(), w.Tree().Count());
  for (size_t i = 0; i < texts.size(); ++i) ASSERT_EQ(texts[i], w.Tree().Entry(i).Text) << i;
}

}  // namespace
