// The windowing layer: handle owners, text at the API boundary, the
// exception box, stored settings, timers, layout, menus and the dispatch of
// keys (Tab, label accelerators, default and cancel buttons, shortcuts).
#include <gtest/gtest.h>

#include <type_traits>

#include "app/gui_helpers.h"
#include "text/errors.h"
#include "ui/controls.h"
#include "ui/dispatch.h"
#include "ui/form.h"
#include "ui/form_storage.h"
#include "ui/handles.h"
#include "ui/layout.h"
#include "ui/menu.h"
#include "ui/message_box.h"
#include "ui/wintext.h"

namespace {

struct TCountingTraits {
  using Handle = int;
  static std::vector<int> closed;
  static void Close(int h) { closed.push_back(h); }
};
std::vector<int> TCountingTraits::closed;

TEST(Handles, OwnersReleaseOnceAndMoveButNeverCopy) {
  using TOwner = ui::TOwned<TCountingTraits>;
  static_assert(!std::is_copy_constructible<TOwner>::value && !std::is_copy_assignable<TOwner>::value,
                "handle owners are not copyable");
  static_assert(!std::is_copy_constructible<ui::TRegKey>::value, "registry keys are not copyable");
  TCountingTraits::closed.clear();
  {
    TOwner a(7);
    TOwner b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.Get(), 7);
    TOwner c(9);
    c = std::move(b);  // 9 is closed, 7 moves over
    EXPECT_EQ(TCountingTraits::closed, std::vector<int>({9}));
    c.Reset(11);
    EXPECT_EQ(TCountingTraits::closed, std::vector<int>({9, 7}));
    EXPECT_EQ(c.Release(), 11);  // released, not closed
  }
  EXPECT_EQ(TCountingTraits::closed, std::vector<int>({9, 7}));

  // A real registry key handle is closed by its owner.
  ui::TRegKey key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\ZELNOR\\ui_test_key", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, key.Put(), nullptr),
            ERROR_SUCCESS);
  const HKEY raw = key.Get();
  key.Reset();
  EXPECT_NE(RegSetValueExW(raw, L"x", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"1"), 4), ERROR_SUCCESS);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZELNOR\\ui_test_key");
}

TEST(Text, Windows1250CrossesTheApiBoundaryWithPolishLetters) {
  const std::string polish = "Zażółć gęślą jaźń ŻÓŁW";
  EXPECT_EQ(ui::Wide(polish), L"Za\u017C\u00F3\u0142\u0107 g\u0119\u015Bl\u0105 ja\u017A\u0144 \u017B\u00D3\u0141W");
  EXPECT_EQ(ui::Narrow(ui::Wide(polish)), polish);
  HWND w = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ui::SetWindowText1250(w, polish);
  EXPECT_EQ(ui::WindowText(w), polish);
  DestroyWindow(w);
}

TEST(ExceptionBox, FullStopOnlyAfterCharactersAbove0x2E) {
  EXPECT_EQ(ui::ExceptionBoxText("Brak pliku"), "Brak pliku.");
  EXPECT_EQ(ui::ExceptionBoxText("Brak pliku !"), "Brak pliku !");
  EXPECT_EQ(ui::ExceptionBoxText("Koniec."), "Koniec.");
  EXPECT_EQ(ui::ExceptionBoxText("a-"), "a-");      // 0x2D
  EXPECT_EQ(ui::ExceptionBoxText("a/"), "a/.");     // 0x2F
  EXPECT_EQ(ui::ExceptionBoxText("item \"x\""), "item \"x\"");
  // A Polish letter is above 0x7F: a signed comparison would miss it.
  EXPECT_EQ(ui::ExceptionBoxText("Nie można otworzyć"), "Nie można otworzyć.");
  EXPECT_EQ(ui::ExceptionBoxText(""), "");
}

TEST(ExceptionBox, ShowsMessageWithApplicationTitleAndErrorIcon) {
  ui::SetApplicationTitle("Wendrak");
  guitest::TBoxWatcher boxes;
  ui::ShowException(text::Exception("Błąd odczytu"));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Seen()[0].Text, "Błąd odczytu.");
  EXPECT_EQ(boxes.Seen()[0].Caption, "Wendrak");
  EXPECT_TRUE(boxes.Seen()[0].ErrorIcon);
}

class Storage : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZELNOR\\ui_storage_test"); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZELNOR\\ui_storage_test"); }
  ui::TFormStorage s{"Software\\ZELNOR\\ui_storage_test\\Form"};
};

TEST_F(Storage, ValuesAreTextAndReadBack) {
  std::string v;
  EXPECT_FALSE(s.ReadString("Brak", v));
  EXPECT_TRUE(s.WriteString("Nazwa", "Łódź"));
  EXPECT_TRUE(s.ReadString("Nazwa", v));
  EXPECT_EQ(v, "Łódź");
  EXPECT_TRUE(s.WriteInt("Wysokosc", -12));
  // Stored as REG_SZ text, as other tools of the family read them.
  wchar_t raw[16] = {};
  DWORD size = sizeof raw, type = 0;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\ZELNOR\\ui_storage_test\\Form", L"Wysokosc", RRF_RT_ANY,
                         &type, raw, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(raw, L"-12");
  int n = 0;
  EXPECT_TRUE(s.ReadInt("Wysokosc", n));
  EXPECT_EQ(n, -12);
  s.WriteString("Zle", "12a");
  EXPECT_FALSE(s.ReadInt("Zle", n));
  EXPECT_EQ(n, -12);
}

TEST_F(Storage, FourIntegersParseStrictly) {
  int v[4];
  EXPECT_TRUE(ui::ParseFourInts("-32000,-32000,-1,-1", v));
  EXPECT_EQ(v[0], -32000);
  EXPECT_EQ(v[3], -1);
  EXPECT_FALSE(ui::ParseFourInts("1,2,3", v));
  EXPECT_FALSE(ui::ParseFourInts("1,2,3,4,5", v));
  EXPECT_FALSE(ui::ParseFourInts("1,,3,4", v));
  EXPECT_FALSE(ui::ParseFourInts("", v));
  EXPECT_EQ(ui::FormatFourInts(10, -20, 300, 4), "10,-20,300,4");
}

TEST_F(Storage, PlacementRoundTripAndResolutionGate) {
  HWND w = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 30, 40, 300, 200, nullptr, nullptr, nullptr,
                           nullptr);
  s.SavePlacement(w, 96, false);
  std::string v;
  ASSERT_TRUE(s.ReadString("NormPos", v));
  EXPECT_EQ(v, "30,40,330,240");
  ASSERT_TRUE(s.ReadString("Visible", v));
  EXPECT_EQ(v, "0");
  ASSERT_TRUE(s.ReadString("ShowCmd", v));
  EXPECT_EQ(v, std::to_string(SW_SHOWNORMAL));
  SetWindowPos(w, nullptr, 5, 6, 100, 100, SWP_NOZORDER);
  EXPECT_FALSE(s.RestorePlacement(w, 120));  // saved at another resolution
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 5);
  EXPECT_TRUE(s.RestorePlacement(w, 96));
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.bottom, 240);
  s.SavePlacement(w, 96, true);
  ASSERT_TRUE(s.ReadString("Visible", v));
  EXPECT_EQ(v, "1");
  DestroyWindow(w);
}

class TTestForm : public ui::TForm {
 public:
  std::vector<WORD> commands;

 protected:
  void MenuCommand(WORD id) override {
    commands.push_back(id);
    if (id == 666) throw text::Exception("Zły kod");
  }
};

TEST(ExceptionBox, AHandlersFailureIsShownAndTheProgramGoesOn) {
  ui::SetApplicationTitle("Wendrak");
  TTestForm f;
  ASSERT_TRUE(f.CreateForm("t", 100, 100));
  ui::TTimer timer(f, 10);
  timer.OnTimer = [] { throw text::Exception("Czas minął"); };
  guitest::TBoxWatcher boxes;
  PostMessageW(f.Handle(), WM_COMMAND, 666, 0);
  ASSERT_TRUE(ui::PumpUntil([&] { return boxes.Count() == 1; }, 5000));
  EXPECT_EQ(boxes.Seen()[0].Text, "Zły kod.");
  timer.Start();
  ASSERT_TRUE(ui::PumpUntil([&] { return boxes.Count() == 2; }, 5000));
  EXPECT_EQ(boxes.Seen()[1].Text, "Czas minął.");
  // The window still handles its messages.
  PostMessageW(f.Handle(), WM_COMMAND, 7, 0);
  ASSERT_TRUE(ui::PumpUntil([&] { return f.commands.size() == 2; }, 2000));
  EXPECT_EQ(f.commands[1], 7);
}

TEST(Timers, OneShotRestartAndStop) {
  TTestForm f;
  ASSERT_TRUE(f.CreateForm("t", 100, 100));
  ui::TTimer t(f, 30);
  int fired = 0;
  t.OnTimer = [&] { ++fired; };
  t.Start();
  EXPECT_TRUE(t.Enabled());
  ASSERT_TRUE(ui::PumpUntil([&] { return fired == 1; }, 2000));
  EXPECT_FALSE(t.Enabled());
  guitest::PumpFor(100);
  EXPECT_EQ(fired, 1);  // once, not every 30 ms
  t.Start();
  t.Stop();
  guitest::PumpFor(100);
  EXPECT_EQ(fired, 1);
  // Restarting pushes the expiry back.
  t.SetInterval(150);
  const DWORD start = GetTickCount();
  t.Start();
  guitest::PumpFor(100);
  t.Start();
  ASSERT_TRUE(ui::PumpUntil([&] { return fired == 2; }, 2000));
  EXPECT_GE(GetTickCount() - start, 240u);
}

TEST(Layout, TopBottomClientAndHiddenNodes) {
  ui::TLayoutNode root, top, bottom1, bottom2, client, hidden;
  top.Align = ui::alTop;
  top.Size = 10;
  bottom1.Align = ui::alBottom;
  bottom1.Size = 20;
  bottom2.Align = ui::alBottom;
  bottom2.Size = 5;
  hidden.Align = ui::alTop;
  hidden.Size = 50;
  hidden.Visible = false;
  client.Align = ui::alClient;
  root.Children = {&client, &hidden, &bottom1, &top, &bottom2};
  RECT placed = {};
  client.Place = [&](const RECT& r) { placed = r; };
  ui::Arrange(root, RECT{0, 0, 100, 100});
  EXPECT_EQ(top.Bounds.top, 0);
  EXPECT_EQ(top.Bounds.bottom, 10);
  EXPECT_EQ(bottom1.Bounds.top, 80);  // the first bottom strip lies lowest
  EXPECT_EQ(bottom2.Bounds.top, 75);
  EXPECT_EQ(placed.top, 10);
  EXPECT_EQ(placed.bottom, 75);
  // Too small: strips get what is left, the client nothing.
  ui::Arrange(root, RECT{0, 0, 100, 25});
  EXPECT_EQ(bottom1.Height(), 15);
  EXPECT_EQ(bottom2.Height(), 0);
  EXPECT_EQ(client.Height(), 0);
}

class Keys : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(f.CreateForm("klawisze", 300, 200));
    label.Create(f.Handle(), "&Kod:");
    combo.Create(f.Handle(), 1);
    edit.Create(f.Handle(), 2);
    ok.Create(f.Handle(), "OK", 3, true);
    cancel.Create(f.Handle(), "Anuluj", 4);
    combo.SetBounds(0, 20, 100, 200);
    edit.SetBounds(0, 50, 100, 20);
    ok.SetBounds(0, 80, 60, 20);
    cancel.SetBounds(70, 80, 60, 20);
    combo.AddItems({"01", "02"});
    f.AddLabelAccelerator("&Kod:", combo);
    f.SetDefaultButton(&ok);
    f.SetCancelButton(&cancel);
    ok.OnClick = [&] { f.ModalResult = ui::mrOk; };
    cancel.OnClick = [&] { f.ModalResult = ui::mrCancel; };
    ui::TMenu menu(false);
    menu.Add(501, "K&opiuj kod", ui::scCtrl | 'K');
    f.SetAccelerators(menu.CreateAccelerators());
    f.Show();
    edit.SetFocus();
  }
  TTestForm f;
  ui::TLabel label;
  ui::TComboBox combo;
  ui::TEdit edit;
  ui::TButton ok, cancel;
};

TEST_F(Keys, TabWalksTheControlsInCreationOrder) {
  guitest::PostKey(GetFocus(), VK_TAB);
  ASSERT_TRUE(ui::PumpUntil([&] { return ok.Focused(); }, 2000));
  {
    guitest::THeldKey shift(VK_SHIFT);
    guitest::PostKey(GetFocus(), VK_TAB);
    ASSERT_TRUE(ui::PumpUntil([&] { return edit.Focused(); }, 2000));
    guitest::PostKey(GetFocus(), VK_TAB);  // from the edit back to the combo box, not its inner edit's siblings
    ASSERT_TRUE(ui::PumpUntil([&] { return combo.Focused(); }, 2000));
  }
  guitest::PostKey(GetFocus(), VK_TAB);
  ASSERT_TRUE(ui::PumpUntil([&] { return edit.Focused(); }, 2000));
}

TEST_F(Keys, LabelAcceleratorFocusesItsControl) {
  PostMessageW(GetFocus(), WM_SYSCHAR, L'k', static_cast<LPARAM>(1u << 29));
  ASSERT_TRUE(ui::PumpUntil([&] { return combo.Focused(); }, 2000));
}

TEST_F(Keys, EnterAndEscapeAreTheDefaultAndCancelButtons) {
  guitest::PostKey(GetFocus(), VK_RETURN);
  ASSERT_TRUE(ui::PumpUntil([&] { return f.ModalResult == ui::mrOk; }, 2000));
  guitest::PostKey(GetFocus(), VK_ESCAPE);
  ASSERT_TRUE(ui::PumpUntil([&] { return f.ModalResult == ui::mrCancel; }, 2000));
  EXPECT_TRUE(edit.Focused());  // clicked without taking the focus
  // Enter on a focused button presses that one, not the default.
  cancel.SetFocus();
  f.ModalResult = ui::mrNone;
  guitest::PostKey(GetFocus(), VK_RETURN);
  ASSERT_TRUE(ui::PumpUntil([&] { return f.ModalResult == ui::mrCancel; }, 2000));
  // A hidden default button does nothing.
  edit.SetFocus();
  ok.SetVisible(false);
  f.ModalResult = ui::mrNone;
  guitest::PostKey(GetFocus(), VK_RETURN);
  guitest::PumpFor(50);
  EXPECT_EQ(f.ModalResult, ui::mrNone);
}

TEST_F(Keys, AButtonPressedByAKeyThatFailsIsShownAndTheLoopGoesOn) {
  // Enter presses the default button from the dispatch, outside any window
  // procedure: its failure must not leave the message loop.
  ui::SetApplicationTitle("Wendrak");
  ok.OnClick = [] { throw text::Exception("Nie wybrano"); };
  guitest::TBoxWatcher boxes;
  guitest::PostKey(GetFocus(), VK_RETURN);
  ASSERT_TRUE(ui::PumpUntil([&] { return boxes.Count() == 1; }, 5000));
  EXPECT_EQ(boxes.Seen()[0].Text, "Nie wybrano.");
  guitest::PostKey(GetFocus(), VK_ESCAPE);
  ASSERT_TRUE(ui::PumpUntil([&] { return f.ModalResult == ui::mrCancel; }, 2000));
}

TEST_F(Keys, AnOpenListKeepsEnterAndEscape) {
  combo.SetFocus();
  combo.SetDroppedDown(true);
  ASSERT_TRUE(combo.DroppedDown());
  guitest::PostKey(combo.EditHandle(), VK_ESCAPE);
  ASSERT_TRUE(ui::PumpUntil([&] { return !combo.DroppedDown(); }, 2000));
  EXPECT_EQ(f.ModalResult, ui::mrNone);
}

TEST_F(Keys, ShortcutsReachTheMenuCommandFromAnyControl) {
  EXPECT_EQ(ui::ShortcutText(16459), "Ctrl+K");
  EXPECT_EQ(ui::ShortcutText(ui::scCtrl | ui::scShift | 'T'), "Shift+Ctrl+T");
  {
    guitest::THeldKey ctrl(VK_CONTROL);
    guitest::PostKey(GetFocus(), 'K');
    ASSERT_TRUE(ui::PumpUntil([&] { return !f.commands.empty(); }, 2000));
  }
  EXPECT_EQ(f.commands, std::vector<WORD>({501}));
  EXPECT_EQ(edit.Text(), "");  // no character reached the edit
}

TEST_F(Keys, BulkUpdatesGiveTheKeyHooksBack) {
  // Filling in one batch (no redraw, thousands of messages) leaves the key hooks working.
  ui::TTreeView tree;
  tree.Create(f.Handle(), 5, TVS_HASBUTTONS);
  tree.SetBounds(150, 0, 100, 100);
  tree.BeginUpdate();
  for (int i = 0; i < 50; ++i) tree.Add(nullptr, "wpis " + std::to_string(i), i);
  tree.EndUpdate();
  std::string treeKeys, comboKeys;
  tree.OnKeyPress = [&](char& key) {
    treeKeys += key;
    return true;
  };
  combo.OnKeyPress = [&](char& key) {
    comboKeys += key;
    return true;
  };
  combo.AddItems({"03", "04"});
  EXPECT_EQ(combo.Count(), 4);
  guitest::PostChar(tree.Handle(), L'ż');
  guitest::PostChar(combo.EditHandle(), L'x');
  ASSERT_TRUE(ui::PumpUntil([&] { return !treeKeys.empty() && !comboKeys.empty(); }, 2000));
  EXPECT_EQ(treeKeys, "ż");
  EXPECT_EQ(comboKeys, "x");
}

}  // namespace

namespace {

TEST(Dialogs, TheCloseBoxCancelsAndTheOwnerIsDisabledOnlyWhileTheDialogIsShown) {
  TTestForm owner;
  ASSERT_TRUE(owner.CreateForm("właściciel", 200, 100));
  owner.Show();
  ui::TDialog dialog;
  ASSERT_TRUE(dialog.CreateDialogForm(owner.Handle(), "okno", 100, 80));
  EXPECT_EQ(dialog.Owner(), owner.Handle());
  bool ownerDisabled = false;
  ui::TTimer closer(dialog, 50);
  closer.OnTimer = [&] {
    ownerDisabled = !IsWindowEnabled(owner.Handle());
    PostMessageW(dialog.Handle(), WM_CLOSE, 0, 0);  // the close box
  };
  closer.Start();
  EXPECT_EQ(dialog.ShowModal(), ui::mrCancel);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
  EXPECT_FALSE(dialog.Visible());
}

TEST(WaitCursor, TheHourglassShowsWhileHeldAndThePointerComesBackAlsoAfterAnError) {
  const HCURSOR arrow = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  const HCURSOR wait = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT));
  SetCursor(arrow);
  try {
    ui::TWaitCursor hourglass;
    EXPECT_EQ(GetCursor(), wait);
    throw text::Exception("błąd");
  } catch (const text::Exception&) {
  }
  EXPECT_EQ(GetCursor(), arrow);
}

}  // namespace
