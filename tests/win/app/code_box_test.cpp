// The code field of the main window: completion, the delayed search, the
// keys it hands to the tree and the characters it drops.
#include <gtest/gtest.h>

#include "app/gui_helpers.h"
#include "app/main_window_fixture.h"
#include "app/tree_kodow.h"

namespace {

using app::Tform_TreeKodow;
using guitest::PostChar;
using guitest::PostKey;
using guitest::WaitFor;

const std::vector<std::string> kCodes = {
    "A - Rolnictwo",   " 01 - Uprawy",       "  01.1 - Zboża",     "   01.11 - Pszenica", "   01.12 - Ryż",
    "  01.2 - Owoce",  " 02 - Leśnictwo",    "B - Górnictwo",      " 05 - Węgiel",        "  05.1 - Kamienny",
    "C - Przetwórstwo", " 10 - Żywność",     " 1 - Jedynka",       "d.1 - Mała litera"};

class CodeBox : public guitest::TMainWindowTest {
 protected:
  CodeBox() : TMainWindowTest("code_box") {}
  void SetUp() override {
    TMainWindowTest::SetUp();
    OpenCatalogue("codes.txt", "Kody", kCodes);
    ASSERT_FALSE(HasFailure());  // the window was created
    ASSERT_TRUE(form->szukaj_kod.Focused());
    edit = form->szukaj_kod.EditHandle();
  }
  void Type(const std::string& s) {
    for (char c : s) PostChar(edit, static_cast<unsigned char>(c));
    guitest::PumpFor(0);
  }
  // Waits until the search and the selection reaction have both run.
  bool Settled() {
    return WaitFor([&] { return !form->Timer1.Enabled() && !form->TreeChange.Enabled(); });
  }
  std::string Selected() { return form->SelectedText(); }
  bool ExpandedEntry(int i) { return form->tree_kody.Expanded(form->ItemOf(i)); }

  HWND edit = nullptr;
};

TEST_F(CodeBox, TypingCompletesAndSelectsTheCodeAfterTheDelay) {
  Type("0");
  // Completed to the first code with that start, the added rest selected.
  EXPECT_EQ(form->szukaj_kod.Text(), "01");
  int start, end;
  form->szukaj_kod.GetSel(start, end);
  EXPECT_EQ(start, 1);
  EXPECT_EQ(end, 2);
  EXPECT_TRUE(form->Timer1.Enabled());
  Type("1.11");
  EXPECT_EQ(form->szukaj_kod.Text(), "01.11");
  ASSERT_TRUE(Settled());
  EXPECT_EQ(Selected(), "01.11 - Pszenica");
  // The path was expanded level by level.
  EXPECT_TRUE(ExpandedEntry(0));
  EXPECT_TRUE(ExpandedEntry(1));
  EXPECT_TRUE(ExpandedEntry(2));
  EXPECT_EQ(form->szukaj_kod.Text(), "01.11");
}

TEST_F(CodeBox, LowerCaseCodeIsFound) {
  Type("d");
  EXPECT_EQ(form->szukaj_kod.Text(), "d.1");  // the typed letter keeps its case
  ASSERT_TRUE(Settled());
  EXPECT_EQ(Selected(), "d.1 - Mała litera");
  Type("b");
  ASSERT_TRUE(Settled());
  EXPECT_EQ(Selected(), "B - Górnictwo");
  EXPECT_EQ(form->szukaj_kod.Text(), "B");  // the reaction writes the entry's own code
}

TEST_F(CodeBox, TextMatchingNoCodeLeavesTheTree) {
  Type("b");
  ASSERT_TRUE(Settled());
  ASSERT_EQ(Selected(), "B - Górnictwo");
  // After End the code is no longer selected; "9" completes nothing and is
  // inserted; the text is no code, so no search.
  PostKey(edit, VK_END);
  Type("9");
  EXPECT_EQ(form->szukaj_kod.Text(), "B9");
  ASSERT_TRUE(Settled());
  EXPECT_EQ(Selected(), "B - Górnictwo");
  EXPECT_EQ(form->szukaj_kod.Text(), "B9");
  // Only the start of a code selects nothing by itself, though entries begin with it.
  form->SetSearchCode("01.");
  form->RunSearches();
  EXPECT_EQ(Selected(), "B - Górnictwo");
}

TEST_F(CodeBox, Code10BeforeCode1WinsTheSearchFor1) {
  form->SetSearchCode("1");
  EXPECT_FALSE(form->Timer1.Enabled());  // a write by the window starts nothing
  form->RunSearches();
  EXPECT_EQ(Selected(), "10 - Żywność");
}

TEST_F(CodeBox, SearchCollapsesTheTreeWhenTheTargetBranchIsClosed) {
  form->SetSearchCode("01.12");
  form->RunSearches();
  ASSERT_EQ(Selected(), "01.12 - Ryż");
  ASSERT_TRUE(Settled());
  // "B" is collapsed, so the tree is collapsed first: branch A closes.
  form->SetSearchCode("05.1");
  form->RunSearches();
  EXPECT_EQ(Selected(), "05.1 - Kamienny");
  EXPECT_FALSE(ExpandedEntry(1));
  EXPECT_FALSE(ExpandedEntry(0));
  EXPECT_TRUE(ExpandedEntry(7));
  EXPECT_TRUE(ExpandedEntry(8));
}

TEST_F(CodeBox, KeysWithoutModifiersSteerTheTree) {
  form->SetSearchCode("05");
  form->RunSearches();
  ASSERT_TRUE(Settled());
  ASSERT_EQ(Selected(), "05 - Węgiel");
  PostKey(edit, VK_UP);
  ASSERT_TRUE(WaitFor([&] { return Selected() == "B - Górnictwo"; }));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(form->szukaj_kod.Text(), "B");  // the field follows the tree
  PostKey(edit, VK_DOWN);
  ASSERT_TRUE(WaitFor([&] { return Selected() == "05 - Węgiel"; }));
  // Keypad - and + collapse and expand; Enter toggles.
  PostKey(edit, VK_SUBTRACT);
  ASSERT_TRUE(WaitFor([&] { return !ExpandedEntry(8); }));
  PostKey(edit, VK_ADD);
  ASSERT_TRUE(WaitFor([&] { return ExpandedEntry(8); }));
  PostKey(edit, VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return !ExpandedEntry(8); }));
  EXPECT_TRUE(form->szukaj_kod.Focused());  // the keys went over, the focus stayed
}

TEST_F(CodeBox, ShiftUpIsNotHandedToTheTree) {
  form->SetSearchCode("05");
  form->RunSearches();
  ASSERT_TRUE(Settled());
  {
    guitest::THeldKey shift(VK_SHIFT);
    PostKey(edit, VK_UP);
    guitest::PumpFor(150);
  }
  EXPECT_EQ(Selected(), "05 - Węgiel");
  PostKey(edit, VK_UP);
  ASSERT_TRUE(WaitFor([&] { return Selected() == "B - Górnictwo"; }));
}

TEST_F(CodeBox, PlusMinusAndControlCharactersAreDroppedWhileTheListIsClosed) {
  Type("+-");
  PostChar(edit, 11);  // Ctrl+K
  PostChar(edit, 20);  // Ctrl+T
  PostChar(edit, 3);   // Ctrl+C
  guitest::PumpFor(20);
  EXPECT_EQ(form->szukaj_kod.Text(), "");
  EXPECT_FALSE(form->Timer1.Enabled());
  // With the list open, "-" is an ordinary character; Ctrl+K still is not.
  form->szukaj_kod.SetDroppedDown(true);
  ASSERT_TRUE(form->szukaj_kod.DroppedDown());
  Type("-");
  PostChar(edit, 11);
  guitest::PumpFor(20);
  EXPECT_EQ(form->szukaj_kod.Text(), "-");
  form->szukaj_kod.SetDroppedDown(false);
}

TEST_F(CodeBox, ChoosingFromTheOpenListSelectsTheEntryLater) {
  form->szukaj_kod.SetDroppedDown(true);
  ASSERT_TRUE(form->szukaj_kod.DroppedDown());
  // With the list open the arrows move in the list, not in the tree.
  PostKey(edit, VK_DOWN);
  PostKey(edit, VK_DOWN);
  ASSERT_TRUE(WaitFor([&] { return form->szukaj_kod.ItemIndex() == 1; }));
  EXPECT_TRUE(form->Timer1.Enabled());
  EXPECT_EQ(Selected(), "");
  PostKey(edit, VK_RETURN);  // closes the list
  ASSERT_TRUE(WaitFor([&] { return !form->szukaj_kod.DroppedDown(); }));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(Selected(), "01 - Uprawy");
}

TEST_F(CodeBox, BackspaceIsAChangeAndRestartsTheDelay) {
  Type("05");
  ASSERT_TRUE(Settled());
  ASSERT_EQ(Selected(), "05 - Węgiel");
  PostKey(edit, VK_END);
  PostKey(edit, VK_BACK);
  ASSERT_TRUE(WaitFor([&] { return form->szukaj_kod.Text() == "0"; }));
  EXPECT_TRUE(form->Timer1.Enabled());
  ASSERT_TRUE(Settled());
  EXPECT_EQ(Selected(), "05 - Węgiel");  // "0" is no whole code
}

}  // namespace

namespace {

TEST_F(CodeBox, ASecondChangeWithinTheDelayPostponesTheSearchWhichRunsOncePerPause) {
  std::vector<std::string> selections;
  const auto react = form->tree_kody.OnChange;
  form->tree_kody.OnChange = [&] {
    selections.push_back(Selected());
    react();
  };
  Type("01");  // "01", a whole code: searched 300 ms later unless changed
  ASSERT_EQ(form->szukaj_kod.Text(), "01");
  guitest::PumpFor(150);
  Type(".");  // "01.1": another list item, so a change that restarts the delay
  EXPECT_EQ(form->szukaj_kod.Text(), "01.1");
  guitest::PumpFor(200);  // 350 ms after the first change, 200 after the second
  EXPECT_TRUE(selections.empty());
  EXPECT_TRUE(form->Timer1.Enabled());
  ASSERT_TRUE(Settled());
  EXPECT_EQ(selections, std::vector<std::string>({"01.1 - Zboża"}));
}

TEST_F(CodeBox, ArrowsWithCtrlOrAltStayInTheBox) {
  form->SetSearchCode("05");
  form->RunSearches();
  ASSERT_TRUE(Settled());
  // Handed to the tree, the key would move its selection at once; kept, it
  // is the box's own (its list's item, a change searched only later).
  struct TCase {
    BYTE modifier;
    WORD key;
  } cases[] = {{VK_CONTROL, VK_UP}, {VK_MENU, VK_DOWN}};
  for (const TCase& c : cases) {
    {
      guitest::THeldKey held(c.modifier);
      PostKey(edit, c.key);
      guitest::PumpFor(50);
    }
    EXPECT_EQ(Selected(), "05 - Węgiel") << "modifier " << int(c.modifier);
    EXPECT_TRUE(form->szukaj_kod.Focused());
    form->szukaj_kod.SetDroppedDown(false);
    form->Timer1.Stop();
  }
}

// In pick mode Enter and Escape belong to "Wybierz" and "Anuluj" before the
// box's own keys: the code box would otherwise toggle the tree on Enter.
TEST_F(CodeBox, EnterAndEscapeInPickModeGoToTheButtonsFromBothBoxes) {
  form->SetSearchCode("05");
  form->RunSearches();
  ASSERT_TRUE(Settled());
  ASSERT_TRUE(ExpandedEntry(8));
  form->SetButtonRowVisible(true);
  struct TCase {
    HWND box;
    WORD key;
    int result;
  } cases[] = {{edit, VK_RETURN, 1},
               {edit, VK_ESCAPE, 2},
               {form->szukaj_opis.Handle(), VK_RETURN, 1},
               {form->szukaj_opis.Handle(), VK_ESCAPE, 2}};
  for (const TCase& c : cases) {
    form->ModalResult = 0;
    SetFocus(c.box);
    PostKey(c.box, c.key);
    ASSERT_TRUE(WaitFor([&] { return form->ModalResult != 0; })) << "key " << c.key;
    EXPECT_EQ(form->ModalResult, c.result);
    guitest::PumpFor(50);
    EXPECT_TRUE(ExpandedEntry(8)) << "the tree saw the key " << c.key;
    EXPECT_EQ(Selected(), "05 - Węgiel");
  }
  // An open list keeps Enter to close itself.
  form->ModalResult = 0;
  form->szukaj_kod.SetFocus();
  form->szukaj_kod.SetDroppedDown(true);
  PostKey(edit, VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return !form->szukaj_kod.DroppedDown(); }));
  EXPECT_EQ(form->ModalResult, 0);
}

}  // namespace
