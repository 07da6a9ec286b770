// The words box of the main window and its result list: the delayed search,
// the list dropping down under the box without taking the focus, the keys
// shared by the box and the list, the preview and the choice.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "app/gui_helpers.h"
#include "app/main_window_fixture.h"
#include "app/spis_opisow.h"
#include "app/tree_kodow.h"
#include "catalogue/entry_text.h"
#include "picker/description.h"
#include "text/path.h"
#include "ui/wintext.h"

namespace {

using app::Tform_TreeKodow;
using guitest::PostChar;
using guitest::PostKey;
using guitest::WaitFor;

// Descriptions follow the tab; the first tree line never has one.
const std::vector<std::string> kLines = {
    "A - ROLNICTWO\t",
    " 01 - Uprawy rolne\tuprawy",
    "  01.1 - Uprawy zbóż\tzboża",
    "   01.11 - Uprawa zbóż\tpszenica i owies",
    "   01.12 - Uprawa ryżu\tryż",
    "  01.2 - Uprawy wieloletnie\tsady",
    "   01.21 - Uprawa zbóż\tzboża ozime",
    "B - GÓRNICTWO\t",
    " 05 - Wydobycie węgla\twęgiel kamienny",
};

class WordsBox : public guitest::TMainWindowTest {
 protected:
  WordsBox() : TMainWindowTest("words_box") {}
  virtual void OpenWindow() { OpenCatalogue("pkd.kod", "Kody", kLines); }
  void SetUp() override {
    TMainWindowTest::SetUp();
    OpenWindow();
    if (IsSkipped()) return;
    ASSERT_FALSE(HasFailure());  // the window was created
    form->PostCreateResultList();  // as the program does at start
    ASSERT_TRUE(WaitFor([&] { return form->ResultList() != nullptr; }));
    list = form->ResultList();
    box = form->szukaj_opis.Handle();
    form->szukaj_opis.SetFocus();
  }
  void Type(const std::string& s) {
    for (wchar_t c : ui::Wide(s)) PostChar(box, c);
    guitest::PumpFor(0);
  }
  bool Shown() { return list->Visible(); }
  // The list's nodes in tree order, each indented by its depth.
  std::string ListTexts() {
    std::string out;
    const HWND tree = list->tree_spis.Handle();
    std::function<void(HTREEITEM, int)> walk = [&](HTREEITEM item, int depth) {
      for (; item; item = TreeView_GetNextSibling(tree, item)) {
        out += std::string(depth, ' ') + list->tree_spis.ItemText(item) + "\n";
        walk(TreeView_GetChild(tree, item), depth + 1);
      }
    };
    walk(TreeView_GetRoot(tree), 0);
    return out;
  }
  std::string ListSelected() {
    const HTREEITEM s = list->tree_spis.Selected();
    return s ? list->tree_spis.ItemText(s) : "<none>";
  }
  // Shows the list for the words at once, as the DDE side's searches do.
  void Search(const std::string& words) {
    form->SetSearchWords(words);
    form->RunSearches();
    ASSERT_TRUE(Shown());
  }
  void Key(WORD vk) {
    PostKey(box, vk);
    guitest::PumpFor(0);
  }
  // A key typed in the code box.
  void CodeKey(WORD vk) {
    PostKey(form->szukaj_kod.EditHandle(), vk);
    guitest::PumpFor(0);
  }
  // What Find_PKD(code, "") does.
  void FindCode(const std::string& code) {
    form->SetSearchCode(code);
    form->RunSearches();
  }

  app::Tform_spisOpisow* list = nullptr;
  HWND box = nullptr;
};

TEST_F(WordsBox, ThreeCharactersShowTheGroupedHitsUnderTheBoxAndTheFocusStaysInIt) {
  Type("zb");
  guitest::PumpFor(400);
  EXPECT_FALSE(Shown());  // two characters search nothing
  Type("ó");
  guitest::PumpFor(150);
  Type("ż");  // within the delay: the search waits for the pause
  guitest::PumpFor(200);
  EXPECT_FALSE(Shown());
  ASSERT_TRUE(WaitFor([&] { return Shown(); }));
  EXPECT_EQ(ListTexts(),
            "Wyszukane opisy\n"
            " 01.1 - Uprawy zbóż\n"
            " ---- - Uprawa zbóż\n"
            "  01.11 - 01.1 - Uprawy zbóż\n"
            "  01.21 - 01.2 - Uprawy wieloletnie\n");
  // Under the box, left edges aligned; the size never changes; owned by the
  // main window; shown without taking the focus.
  RECT boxRect, listRect, client;
  GetWindowRect(box, &boxRect);
  GetWindowRect(list->Handle(), &listRect);
  GetClientRect(list->Handle(), &client);
  EXPECT_EQ(listRect.left, boxRect.left);
  EXPECT_EQ(listRect.top, boxRect.bottom);
  EXPECT_EQ(client.right, list->S(375));
  EXPECT_EQ(client.bottom, list->S(241));
  EXPECT_EQ(list->Owner(), form->Handle());
  EXPECT_TRUE(form->szukaj_opis.Focused());
  EXPECT_EQ(GetActiveWindow(), form->Handle());
  EXPECT_EQ(form->SelectedText(), "");  // the main tree is not touched by the search

  // Back to two characters: the list hides after the delay.
  Key(VK_BACK);
  Key(VK_BACK);
  ASSERT_TRUE(WaitFor([&] { return !Shown(); }));
}

TEST_F(WordsBox, DownFromTheBoxSelectsTheHeadingThenAHitTheTreeFollowsAndEnterTakesIt) {
  Search("zbóż");
  Key(VK_DOWN);
  EXPECT_EQ(ListSelected(), "Wyszukane opisy");
  Key(VK_DOWN);
  EXPECT_EQ(ListSelected(), "01.1 - Uprawy zbóż");
  EXPECT_TRUE(form->szukaj_opis.Focused());
  // 300 ms after the selection stops moving the main tree shows the hit.
  EXPECT_TRUE(list->Timer1.Enabled());
  EXPECT_EQ(form->SelectedText(), "");
  ASSERT_TRUE(WaitFor([&] { return form->SelectedText() == "01.1 - Uprawy zbóż"; }));
  EXPECT_TRUE(Shown());  // a preview leaves the list open
  ASSERT_TRUE(WaitFor([&] { return form->szukaj_kod.Text() == "01.1"; }));

  Key(VK_RETURN);
  EXPECT_FALSE(Shown());
  EXPECT_EQ(form->szukaj_opis.Text(), "");
  EXPECT_EQ(form->SelectedText(), "01.1 - Uprawy zbóż");
  // The empty box hides the list again later, harmlessly; the choice stays.
  guitest::PumpFor(400);
  EXPECT_FALSE(Shown());
  EXPECT_EQ(form->SelectedText(), "01.1 - Uprawy zbóż");
}

// In pick mode the list the user looks at takes Enter and Escape first: the
// buttons would answer with the entry selected before it.
TEST_F(WordsBox, InPickModeTheOpenListTakesEnterAndEscapeBeforeTheButtons) {
  form->SetButtonRowVisible(true);
  form->ModalResult = 0;
  Search("zbóż");
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(ListSelected(), "01.1 - Uprawy zbóż");
  Key(VK_RETURN);
  EXPECT_FALSE(Shown());
  EXPECT_EQ(form->SelectedText(), "01.1 - Uprawy zbóż");
  EXPECT_EQ(form->ModalResult, 0);
  Search("zbóż");
  Key(VK_ESCAPE);
  EXPECT_FALSE(Shown());
  EXPECT_EQ(form->ModalResult, 0);
  // With the list closed the keys are the buttons' again.
  Key(VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return form->ModalResult == 1; }));
}

TEST_F(WordsBox, EnterTogglesAGroupAChildSelectsItsCodeAndEscapeKeepsTheText) {
  Search("zbóż");
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_DOWN);
  ASSERT_EQ(ListSelected(), "---- - Uprawa zbóż");
  const HTREEITEM group = list->tree_spis.Selected();
  Key(VK_RETURN);  // expanded by the fill: collapses
  EXPECT_FALSE(list->tree_spis.Expanded(group));
  Key(VK_RETURN);
  EXPECT_TRUE(list->tree_spis.Expanded(group));
  // A group names nothing in the main tree: its preview selects nothing.
  guitest::PumpFor(400);
  EXPECT_EQ(form->SelectedText(), "");
  EXPECT_TRUE(Shown());

  Key(VK_DOWN);
  Key(VK_DOWN);
  ASSERT_EQ(ListSelected(), "01.21 - 01.2 - Uprawy wieloletnie");
  ASSERT_TRUE(WaitFor([&] { return form->SelectedText() == "01.21 - Uprawa zbóż"; }));
  // Keypad minus and plus from the box fold and open the selected group,
  // and type nothing into the box (which would start another search); Up
  // past the heading clears the selection.
  Key(VK_UP);
  Key(VK_UP);
  ASSERT_EQ(ListSelected(), "---- - Uprawa zbóż");
  Key(VK_SUBTRACT);
  EXPECT_FALSE(list->tree_spis.Expanded(group));
  Key(VK_ADD);
  EXPECT_TRUE(list->tree_spis.Expanded(group));
  EXPECT_EQ(form->szukaj_opis.Text(), "zbóż");
  EXPECT_FALSE(form->Timer2.Enabled());
  Key(VK_HOME);
  EXPECT_EQ(ListSelected(), "Wyszukane opisy");
  Key(VK_UP);
  EXPECT_EQ(ListSelected(), "<none>");

  Key(VK_ESCAPE);
  EXPECT_FALSE(Shown());
  EXPECT_EQ(form->szukaj_opis.Text(), "zbóż");
  EXPECT_EQ(form->SelectedText(), "01.21 - Uprawa zbóż");  // a cancel selects nothing new
}

TEST_F(WordsBox, PlusAndMinusAreTypedOnlyWhileTheListIsShownAndArrowsSteerTheTreeWhileHidden) {
  // Hidden: the code box's character filter and its navigation keys.
  Type("+-");
  PostChar(box, 11);  // Ctrl+K
  PostChar(box, 20);  // Ctrl+T
  guitest::PumpFor(20);
  EXPECT_EQ(form->szukaj_opis.Text(), "");
  form->SetSearchCode("05");
  form->RunSearches();
  form->szukaj_opis.SetFocus();
  Key(VK_UP);
  ASSERT_TRUE(WaitFor([&] { return form->SelectedText() == "B - GÓRNICTWO"; }));

  // Shown: the characters are typed (and the search runs again for the text).
  Search("węgiel");
  EXPECT_EQ(ListTexts(), "Wyszukane opisy\n 05 - Wydobycie węgla\n");
  SendMessageW(box, EM_SETSEL, 6, 6);
  Type("+-");
  PostChar(box, 20);
  guitest::PumpFor(20);
  EXPECT_EQ(form->szukaj_opis.Text(), "węgiel+-");
  // The Escape character alone closes the list too.
  PostChar(box, 27);
  ASSERT_TRUE(WaitFor([&] { return !Shown(); }));
  EXPECT_EQ(form->szukaj_opis.Text(), "węgiel+-");
}

TEST_F(WordsBox, InTheListsOwnTreeEnterChoosesAndADoubleClickOnAGroupSelectsNothing) {
  // Escape before the preview's delay has passed: the cancel moves nothing.
  Search("zbóż");
  Key(VK_DOWN);
  Key(VK_DOWN);
  ASSERT_TRUE(list->Timer1.Enabled());
  Key(VK_ESCAPE);
  guitest::PumpFor(400);
  EXPECT_EQ(form->SelectedText(), "");

  Search("zbóż");
  list->tree_spis.SetFocus();  // as a click into the list gives it
  list->tree_spis.Select(list->Nodes().Item(2));  // the group, as the first click selects it
  RECT r;
  ASSERT_TRUE(list->tree_spis.ItemRect(list->Nodes().Item(2), r));  // the group
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageW(list->tree_spis.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  guitest::PumpFor(400);
  EXPECT_TRUE(Shown());
  EXPECT_EQ(form->SelectedText(), "");  // the preview of the group selected nothing either

  list->tree_spis.Select(list->Nodes().Item(3));  // "01.11 - 01.1 - Uprawy zbóż"
  PostKey(list->tree_spis.Handle(), VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return !Shown(); }));
  EXPECT_EQ(form->SelectedText(), "01.11 - Uprawa zbóż");
  EXPECT_EQ(form->szukaj_opis.Text(), "");
  EXPECT_EQ(GetActiveWindow(), form->Handle());  // the main window comes to the front
}

TEST_F(WordsBox, WordsWithoutPolishLettersFindWhatTheExactSearchMissesAndTheHeadingSaysSo) {
  Search("zbóż");
  const std::string exact = ListTexts();
  ASSERT_EQ(exact.rfind("Wyszukane opisy\n ", 0), 0u);
  Search("zboz");
  EXPECT_EQ(ListTexts(), "Wyszukane opisy (bez polskich liter)" + exact.substr(std::string("Wyszukane opisy").size()));
  Search("zbóż");
  EXPECT_EQ(ListTexts(), exact);
}

// A catalogue that carries the correspondence with the other revision.
class OldCode : public WordsBox {
 protected:
  void OpenWindow() override {
    std::vector<std::string> lines = {"@3=x", "@4=PKD 2007=PKD 2025", "@5=01.19.Z=01.12,01.11"};
    lines.insert(lines.end(), kLines.begin(), kLines.end());
    OpenCatalogue("pkd.kod", "Kody", lines);
  }
};

TEST_F(OldCode, CounterpartsDropDownUnderTheWordsBoxAndTheCodeBoxKeysChooseOne) {
  FindCode("01.19.z");
  ASSERT_TRUE(Shown());
  EXPECT_EQ(ListTexts(),
            "Wyszukane opisy\n"
            " PKD 2007 01.19.Z » PKD 2025\n"
            "  01.12 - Uprawa ryżu\n"
            "  01.11 - Uprawa zbóż\n");
  const std::vector<std::string> steps = {"Wyszukane opisy", "PKD 2007 01.19.Z » PKD 2025", "01.12 - Uprawa ryżu"};
  for (const std::string& s : steps) {
    CodeKey(VK_DOWN);
    EXPECT_EQ(ListSelected(), s);
  }
  ASSERT_TRUE(WaitFor([&] { return form->SelectedText() == "01.12 - Uprawa ryżu"; }));  // the preview
  CodeKey(VK_DOWN);
  CodeKey(VK_RETURN);
  EXPECT_FALSE(Shown());
  EXPECT_EQ(form->SelectedText(), "01.11 - Uprawa zbóż");
  ASSERT_TRUE(WaitFor([&] { return form->szukaj_kod.Text() == "01.11"; }));

  // Escape closes it and leaves the tree as it was; with words, their hits follow the group.
  FindCode("01.19.Z");
  ASSERT_TRUE(Shown());
  CodeKey(VK_ESCAPE);
  EXPECT_FALSE(Shown());
  EXPECT_EQ(form->SelectedText(), "01.11 - Uprawa zbóż");
  form->SetSearchWords("ryżu");
  FindCode("01.19.Z");
  ASSERT_TRUE(Shown());
  EXPECT_EQ(ListTexts(),
            "Wyszukane opisy\n"
            " PKD 2007 01.19.Z » PKD 2025\n"
            "  01.12 - Uprawa ryżu\n"
            "  01.11 - Uprawa zbóż\n"
            " 01.12 - Uprawa ryżu\n");
  // A code of the catalogue itself is searched as ever, and the group goes.
  FindCode("01.2");
  EXPECT_EQ(form->SelectedText(), "01.2 - Uprawy wieloletnie");
  EXPECT_TRUE(form->Counterparts().Empty());
  EXPECT_EQ(ListTexts(), "Wyszukane opisy\n 01.12 - Uprawa ryżu\n");
}

// The real PKD 2025 catalogue of this build.
class RealPkd2025 : public WordsBox {
 protected:
  void OpenWindow() override {
    std::string built = std::string(PKD_TEST_BINARY_DIR) + "/bin/pkd.kod";
    for (char& c : built)
      if (c == '/') c = '\\';
    const std::filesystem::path from = text::PathFrom1250("Z:" + built);
    ASSERT_TRUE(text::FileExists(from)) << "no pkd.kod in this build";
    std::filesystem::copy_file(from, dir.File("pkd.kod"));
    OpenPath(dir.File("pkd.kod"));
  }
};

TEST_F(RealPkd2025, APkd2007CodeEndsOnItsCounterpartAndWordsWithoutPolishLettersFindTheNotes) {
  picker::TPickSession& session = form->Dde()->Session();
  const std::string params[] = {"\"01.49.Z\"", "\"\""};
  ASSERT_TRUE(session.Execute("Find_PKD", params, 2));
  ASSERT_TRUE(Shown());
  EXPECT_EQ(ListTexts(),
            "Wyszukane opisy\n"
            " PKD 2007 01.49.Z » PKD 2025\n"
            "  01.47.Z - Chów i hodowla drobiu\n"
            "  01.48.Z - Chów i hodowla pozostałych zwierząt\n");
  for (int i = 0; i < 4; ++i) CodeKey(VK_DOWN);
  EXPECT_EQ(ListSelected(), "01.48.Z - Chów i hodowla pozostałych zwierząt");
  CodeKey(VK_RETURN);
  EXPECT_FALSE(Shown());
  EXPECT_EQ(form->SelectedText(), "01.48.Z - Chów i hodowla pozostałych zwierząt");
  std::string kod;
  ASSERT_TRUE(session.Request("PKD", "KOD", kod));
  EXPECT_EQ(kod, "01.48.Z");
  ASSERT_TRUE(WaitFor([&] { return form->szukaj_kod.Text() == "01.48.Z"; }));

  // Every code "zbóż" finds, "zboz" finds as well (and more: "zboża", "zbożowy").
  auto codes = [&] {
    std::set<std::string> out;
    for (size_t i = 1; i < list->Results().Count(); ++i) out.insert(catalogue::CodeOf(list->Results().Node(i).Text));
    return out;
  };
  Search("zbóż");
  EXPECT_EQ(ListTexts().rfind("Wyszukane opisy\n", 0), 0u);
  const std::set<std::string> exact = codes();
  EXPECT_TRUE(exact.count("01.11.Z"));
  Search("zboz");
  EXPECT_EQ(ListTexts().rfind("Wyszukane opisy (bez polskich liter)\n", 0), 0u);
  const std::set<std::string> folded = codes();
  EXPECT_TRUE(std::includes(folded.begin(), folded.end(), exact.begin(), exact.end()));
  EXPECT_GT(folded.size(), exact.size());
}

TEST_F(RealPkd2025, ACodeThatChangedMeaningIsSelectedAndItsOldReadingDropsDown) {
  picker::TPickSession& session = form->Dde()->Session();
  const std::string params[] = {"\"25.40.Z\"", "\"\""};
  ASSERT_TRUE(session.Execute("Find_PKD", params, 2));
  EXPECT_EQ(catalogue::CodeOf(form->SelectedText()), "25.40.Z");
  ASSERT_TRUE(Shown());
  EXPECT_EQ(ListTexts(),
            "Wyszukane opisy\n"
            " PKD 2007 25.40.Z » PKD 2025\n"
            "  25.30.Z - Produkcja broni i amunicji\n");
  // A client taking the code unchanged gets what it got before.
  std::string kod, opis;
  ASSERT_TRUE(session.Request("PKD", "KOD", kod));
  EXPECT_EQ(kod, "25.40.Z");
  // The note is GUS's alone; the pane shows the counterparts apart, after it.
  const std::string params2[] = {"\"01.47.Z\"", "\"\""};
  ASSERT_TRUE(session.Execute("Find_PKD", params2, 2));
  ASSERT_TRUE(session.Request("PKD", "OPIS", opis));
  EXPECT_FALSE(opis.empty());
  EXPECT_EQ(opis.find("Odpowiedniki"), std::string::npos) << opis;
  ASSERT_TRUE(WaitFor([&] { return !form->TreeChange.Enabled() && !form->m_opis.Text().empty(); }));
  const std::string pane = form->m_opis.Text();
  EXPECT_EQ(pane.rfind(picker::DescriptionForDisplay(opis), 0), 0u);
  const std::string last = "\r\n\r\nOdpowiedniki w PKD 2007: 01.47.Z, 01.49.Z, 01.62.Z";
  ASSERT_GE(pane.size(), last.size());
  EXPECT_EQ(pane.substr(pane.size() - last.size()), last);
}

TEST_F(RealPkd2025, WordsWithoutPolishLettersListWhatThePolishOnesListAndMore) {
  auto codes = [&](size_t from, size_t to) {
    std::set<std::string> out;
    for (size_t i = from; i < to; ++i)
      if (!list->Results().Node(i).Heading) out.insert(catalogue::CodeOf(list->Results().Node(i).Text));
    return out;
  };
  const struct {
    const char* polish;
    const char* plain;
    bool more;  // codes only the plain words find: "lodzi" is also in "lodziarni" (ice-cream parlours)
  } cases[] = {{"dział", "dzial", false}, {"łodzi", "lodzi", true}};
  for (const auto& c : cases) {
    Search(c.polish);
    const std::set<std::string> polish = codes(1, list->Results().Count());
    Search(c.plain);
    // The hits as typed ("dziale", "odpowiedzialności") first, then the rest under a heading of their own.
    int heading = -1;
    for (size_t i = 0; i < list->Results().Count(); ++i)
      if (list->Results().Node(i).Heading) heading = static_cast<int>(i);
    ASSERT_GT(heading, 1) << c.plain;
    EXPECT_EQ(list->Results().Node(heading).Text, "Wyszukane bez polskich liter");
    EXPECT_EQ(list->Results().Node(heading).Parent, 0);
    const std::set<std::string> all = codes(1, list->Results().Count());
    EXPECT_TRUE(std::includes(all.begin(), all.end(), polish.begin(), polish.end())) << c.plain;
    if (c.more) {
      EXPECT_GT(all.size(), polish.size()) << c.plain;
    }
  }
  // A hit under the heading is previewed as any other.
  int heading = -1;
  for (size_t i = 0; i < list->Results().Count(); ++i)
    if (list->Results().Node(i).Heading) heading = static_cast<int>(i);
  int hit = -1;
  for (const int c : list->Results().Node(heading).Children)
    if (hit < 0 && list->Results().Node(c).Children.empty()) hit = c;
  ASSERT_GE(hit, 0);
  list->tree_spis.Select(list->Nodes().Item(hit));
  ASSERT_TRUE(WaitFor([&] { return form->SelectedText() == list->Results().Node(hit).Text; }));
}


// What a pick checks on the window while it waits, run from a thread timer
// inside the pick's own message loop.
std::function<void()>* gDuringPick = nullptr;
void CALLBACK DuringPick(HWND, UINT, UINT_PTR, DWORD) {
  if (gDuringPick) (*gDuringPick)();
}

// A pick on the hidden window (a picker started by pkdpick) shows the window
// once its presets are in: the box preset last has the focus, the selected
// entry is in view, and the result list its searches found drops down.
// Searches on the hidden window before the pick leave no list behind.
TEST_F(RealPkd2025, APickOnTheHiddenWindowShowsItWithItsPresetsFocusAndList) {
  picker::TPickSession& session = form->Dde()->Session();
  enum TFocus { fNone, fCode, fWords };
  const struct {
    std::vector<std::string> before;  // Find_PKD codes on the hidden window first
    std::vector<std::string> open;    // Open_PKD's parameters
    TFocus focus;
    std::string list;  // the list's first lines; empty: no list
    std::string selected;
  } cases[] = {
      {{}, {"0", "\"01.49.Z\""}, fCode, "Wyszukane opisy\n PKD 2007 01.49.Z » PKD 2025\n", ""},
      {{}, {"0", "\"47.91.Z\"", "\"zbóż\""}, fWords, "Wyszukane opisy\n", "47.91.Z"},
      // Empty words in quotes are a preset too: the words box gets the focus.
      {{}, {"0", "\"96.99.Z\"", "\"\""}, fWords, "", "96.99.Z"},
      {{"\"01.49.Z\"", "\"47.91.Z\""}, {"0"}, fNone, "", "47.91.Z"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.open.size() > 1 ? c.open[1] : c.before.back());
    form->Hide();
    for (const std::string& code : c.before) {
      const std::string params[] = {code, "\"\""};
      ASSERT_TRUE(session.Execute("Find_PKD", params, 2));
    }
    bool checked = false, visible = false, listShown = false, inView = false;
    HWND focus = nullptr;
    std::string listTexts, selected;
    std::function<void()> check = [&] {
      if (checked || !form->Picking()) return;
      checked = true;
      visible = IsWindowVisible(form->Handle()) != FALSE;
      focus = GetFocus();
      listShown = Shown();
      listTexts = ListTexts();
      selected = catalogue::CodeOf(form->SelectedText());
      RECT item = {}, client = {};
      GetClientRect(form->tree_kody.Handle(), &client);
      inView = form->tree_kody.Selected() && form->tree_kody.ItemRect(form->tree_kody.Selected(), item) &&
               item.top >= client.top && item.bottom <= client.bottom;
      PostMessageW(form->b_cancel.Handle(), BM_CLICK, 0, 0);
    };
    gDuringPick = &check;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &DuringPick);
    session.Execute("Open_PKD", c.open.data(), static_cast<int>(c.open.size()));
    KillTimer(nullptr, timer);
    gDuringPick = nullptr;
    ASSERT_TRUE(checked);
    EXPECT_TRUE(visible);
    if (c.focus == fCode) {
      EXPECT_TRUE(focus == form->szukaj_kod.Handle() || GetParent(focus) == form->szukaj_kod.Handle());
    } else if (c.focus == fWords) {
      EXPECT_EQ(focus, form->szukaj_opis.Handle());
    }
    EXPECT_EQ(listShown, !c.list.empty());
    if (!c.list.empty()) {
      EXPECT_EQ(listTexts.substr(0, c.list.size()), c.list);
    }
    if (!c.selected.empty()) {
      EXPECT_EQ(selected, c.selected);
      EXPECT_TRUE(inView);
    }
    EXPECT_FALSE(IsWindowVisible(form->Handle()));  // the pick hid it again
    EXPECT_FALSE(Shown());
  }
}

}  // namespace
