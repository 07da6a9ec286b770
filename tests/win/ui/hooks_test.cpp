// Where the windowing layer is subtle: the table of hooked windows when a
// handler destroys its own control or sends its window another key, the key
// stages that consume or change a key, and nested tree updates.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/form.h"

namespace {

class Hooks : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }
  // A new window with an edit in it.
  void Open() {
    edit.reset();
    f = std::make_unique<ui::TForm>();
    ASSERT_TRUE(f->CreateForm("haki", 300, 200));
    edit = std::make_unique<ui::TEdit>();
    edit->SetBounds(0, 0, 200, 20);
    edit->Create(f->Handle(), 1);
    hwnd = edit->Handle();
    ASSERT_NE(hwnd, nullptr);
  }
  // The edit's text read from the window itself: the control may be gone.
  std::string WindowText() const {
    wchar_t buffer[64] = {};
    GetWindowTextW(hwnd, buffer, 64);
    return IsWindow(hwnd) ? std::string(buffer, buffer + lstrlenW(buffer)) : "<none>";
  }
  void Char(wchar_t c) { SendMessageW(hwnd, WM_CHAR, c, 1); }
  DWORD Caret() const {
    DWORD start = 0;
    SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    return start;
  }

  std::unique_ptr<ui::TForm> f;
  std::unique_ptr<ui::TEdit> edit;
  HWND hwnd = nullptr;
};

TEST_F(Hooks, KeyStagesConsumeChangeOrPassTheKey) {
  const struct {
    const char* name;
    bool consumeDown;     // the key-down stage takes VK_LEFT
    char from, to;        // the character stage turns from into to...
    bool consumeChar;     // ...or takes it
    DWORD caretAfterLeft;
    const char* text;
  } cases[] = {
      {"both stages pass", false, 'a', 'a', false, 1, "xa"},
      {"the character changed", false, 'a', 'b', false, 1, "xb"},
      {"both consumed", true, 'a', 'a', true, 2, "x"},
  };
  for (const auto& c : cases) {
    SetWindowTextW(hwnd, L"x");
    SendMessageW(hwnd, EM_SETSEL, 1, 1);
    edit->OnKeyDown = [&](WORD key, unsigned) { return key == VK_LEFT && c.consumeDown; };
    edit->OnKeyPress = [&](char& key) {
      if (key == c.from) key = c.to;
      return c.consumeChar;
    };
    Char('a');
    SendMessageW(hwnd, WM_KEYDOWN, VK_END, 0);
    const DWORD before = Caret();
    SendMessageW(hwnd, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(WindowText(), c.text) << c.name;
    EXPECT_EQ(Caret(), c.consumeDown ? before : c.caretAfterLeft) << c.name;
  }
}

TEST_F(Hooks, AHandlerMayDestroyItsControlOrSendItsWindowAnotherKey) {
  enum TWhat { wDestroyWindow, wDestroyObject, wReenter, wReenterThenDestroyWindow };
  const struct {
    const char* name;
    TWhat what;
    std::vector<char> seen;  // the characters the handler saw, in the order it was called
    const char* text;
  } cases[] = {
      // The window goes inside its handler: the character goes on to the
      // control's own procedure, and the control forgets its window.
      {"window destroyed", wDestroyWindow, {'a'}, "<none>"},
      // The object goes while its handler runs: the window keeps its text
      // and gets the character; later keys reach no handler.
      {"object destroyed", wDestroyObject, {'a'}, "aa"},
      // A handler that sends its own window a key is called again inside.
      {"re-entered", wReenter, {'a', 'b'}, "ba"},
      {"re-entered, then destroyed inside", wReenterThenDestroyWindow, {'a', 'b'}, "<none>"},
  };
  for (const auto& c : cases) {
    Open();
    std::vector<char> seen;
    edit->OnKeyPress = [&, what = c.what](char& key) {
      seen.push_back(key);
      if (key != 'a') {
        if (what == wReenterThenDestroyWindow) DestroyWindow(hwnd);
        return false;
      }
      switch (what) {
        case wDestroyWindow:
          DestroyWindow(hwnd);
          break;
        case wDestroyObject:
          edit.reset();  // this very function with it: nothing captured is used after
          break;
        case wReenter:
        case wReenterThenDestroyWindow:
          Char('b');
          break;
      }
      return false;
    };
    Char('a');
    if (c.what == wDestroyObject) Char('a');  // no handler left to see it
    EXPECT_EQ(seen, c.seen) << c.name;
    EXPECT_EQ(WindowText(), c.text) << c.name;
    if (edit && !IsWindow(hwnd)) {
      EXPECT_EQ(edit->Handle(), nullptr) << c.name;
    }
  }
}

TEST(TreeUpdate, NestedUpdatesDrawOnceAtTheOutermostEnd) {
  for (const bool shown : {true, false}) {
    ui::TForm f;
    ASSERT_TRUE(f.CreateForm("drzewo", 300, 200));
    ui::TTreeView tree;
    tree.SetBounds(0, 0, 200, 150);
    tree.Create(f.Handle(), 1, TVS_HASBUTTONS);
    tree.SetVisible(shown);
    const auto visibleStyle = [&] { return (GetWindowLongW(tree.Handle(), GWL_STYLE) & WS_VISIBLE) != 0; };
    {
      ui::TTreeUpdate outer(tree);
      // The system's redraw switch clears the visible style of a shown tree.
      EXPECT_FALSE(visibleStyle()) << shown;
      {
        ui::TTreeUpdate inner(tree);
        tree.Add(nullptr, "wpis", 0);
      }
      EXPECT_FALSE(visibleStyle()) << "the inner end drew already; shown " << shown;
    }
    EXPECT_EQ(visibleStyle(), shown) << "a hidden tree stays hidden";
    EXPECT_EQ(TreeView_GetCount(tree.Handle()), 1u);
  }
}

}  // namespace
