// The trace's debug window, created for real under Wine and driven with keys
// through the program's own message dispatch.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/gui_helpers.h"
#include "dde/trace.h"
#include "dde/win/platform_win.h"
#include "dde/win/trace_window_win.h"
#include "ui/wintext.h"

namespace dde {
namespace {

namespace fs = std::filesystem;
using guitest::PostKey;
using guitest::WaitFor;

RECT ChildRect(HWND parent, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Alt + a letter as the keyboard gives it: the dispatch translates the
// system key into its WM_SYSCHAR.
void PostAltKey(HWND wnd, WORD vk) {
  const LPARAM data = static_cast<LPARAM>(1 | (MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16) | (1u << 29));
  PostMessageW(wnd, WM_SYSKEYDOWN, vk, data);
  PostMessageW(wnd, WM_SYSKEYUP, vk, data | static_cast<LPARAM>(3u << 30));
}

// The controls' places and the client size at 96 DPI, scaled to dpi, and the
// form's bold 8-point font on every control.
void ExpectLayout(TDDEMLDebugForm& form, int dpi) {
  SCOPED_TRACE("dpi " + std::to_string(dpi));
  auto s = [dpi](int v) { return MulDiv(v, dpi, 96); };
  RECT client;
  GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, s(414));
  EXPECT_EQ(client.bottom, s(271));
  const struct {
    const char* name;
    ui::TControl& control;
    int x, y, w, h;
  } places[] = {
      {"Bevel1", form.Bevel1, 8, 8, 401, 209},          {"TheMemo", form.TheMemo, 16, 16, 385, 193},
      {"Close", form.TheCloseButton, 20, 232, 73, 25},  {"Clear", form.TheClearButton, 111, 232, 73, 25},
      {"Print", form.ThePrintButton, 201, 232, 73, 25}, {"Save", form.TheSavebutton, 292, 232, 73, 25},
  };
  LOGFONTW font{};
  ASSERT_TRUE(GetObjectW(form.Font(), sizeof font, &font));
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_EQ(font.lfHeight, -MulDiv(8, dpi, 72));
  for (const auto& p : places) {
    RECT r = ChildRect(form.Handle(), p.control.Handle());
    EXPECT_EQ(r.left, s(p.x)) << p.name;
    EXPECT_EQ(r.top, s(p.y)) << p.name;
    EXPECT_EQ(r.right - r.left, s(p.w)) << p.name;
    EXPECT_EQ(r.bottom - r.top, s(p.h)) << p.name;
    if (&p.control == &form.Bevel1) continue;  // a frame keeps no font
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(p.control.Handle(), WM_GETFONT, 0, 0)), form.Font()) << p.name;
  }
}

class DebugFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / "pkd_dde_debugform_test";
    fs::create_directories(dir);
    posFile = (dir / "test.DFP").wstring();
    fs::remove(posFile);
    TDDEMLDebugForm::SetPositionFileOverride(posFile);
  }
  void TearDown() override {
    ApplyDebugSettings(nullptr, dbNone, false, "");
    TDDEMLDebugForm::SetPositionFileOverride(L"");
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  fs::path dir;
  std::wstring posFile;
};

TEST_F(DebugFormTest, OpensAsDesignedAndScalesWithTheResolution) {
  TDDEMLDebugForm form(true);
  form.Show();
  const HWND h = form.Handle();
  EXPECT_EQ(ui::WindowText(h), "TDDEMLManager Debug Display ");
  const LONG style = GetWindowLongW(h, GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
  ASSERT_EQ(form.Dpi(), 96);
  ExpectLayout(form, 96);
  EXPECT_TRUE(GetWindowLongW(form.TheMemo.Handle(), GWL_STYLE) & ES_READONLY);
  EXPECT_EQ(form.TheCloseButton.Text(), "&Close");
  EXPECT_EQ(form.TheClearButton.Text(), "Cle&ar");
  EXPECT_EQ(form.ThePrintButton.Text(), "&Print");
  EXPECT_EQ(form.TheSavebutton.Text(), "&Save");
  EXPECT_TRUE(form.TheCloseButton.Focused());
  TDDEMLDebugForm normal(false);
  EXPECT_FALSE(GetWindowLongW(normal.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);

  // On a 144-DPI monitor the system suggests the client scaled, framed.
  RECT r, frame = {0, 0, MulDiv(414, 144, 96), MulDiv(271, 144, 96)};
  GetWindowRect(h, &r);
  AdjustWindowRectEx(&frame, style, FALSE, GetWindowLongW(h, GWL_EXSTYLE));
  RECT suggested = {r.left, r.top, r.left + frame.right - frame.left, r.top + frame.bottom - frame.top};
  SendMessageW(h, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  ASSERT_EQ(form.Dpi(), 144);
  ExpectLayout(form, 144);
}

TEST_F(DebugFormTest, TabAndShiftTabWalkMemoClosePrintSaveClear) {
  TDDEMLDebugForm form(false);
  form.Show();
  const HWND order[] = {form.TheMemo.Handle(), form.TheCloseButton.Handle(), form.ThePrintButton.Handle(),
                        form.TheSavebutton.Handle(), form.TheClearButton.Handle()};
  ASSERT_EQ(GetFocus(), order[1]);
  for (int step = 1; step <= 5; ++step) {
    PostKey(GetFocus(), VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return GetFocus() == order[(1 + step) % 5]; }, 2000)) << "Tab " << step;
  }
  guitest::THeldKey shift(VK_SHIFT);
  for (int step = 1; step <= 5; ++step) {
    PostKey(GetFocus(), VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return GetFocus() == order[(1 - step + 5) % 5]; }, 2000)) << "Shift+Tab " << step;
  }
}

// Each key sequence on a new window holding "one" and "two", focus on Close;
// what the window shows afterwards and which dialog was asked for.
TEST_F(DebugFormTest, KeysPressTheRightButton) {
  auto tabs = [](int n) {
    for (int i = 0; i < n; ++i) {
      const HWND before = GetFocus();
      PostKey(before, VK_TAB);
      WaitFor([&] { return GetFocus() != before; }, 2000);
    }
  };
  const std::string both = "one\r\ntwo";
  const struct {
    const char* keys;
    std::function<void(TDDEMLDebugForm&)> press;
    bool visible;
    std::string memo;
    int printed, asked;
  } cases[] = {
      {"Alt+C", [](TDDEMLDebugForm&) { PostAltKey(GetFocus(), 'C'); }, false, both, 0, 0},
      {"Alt+A", [](TDDEMLDebugForm&) { PostAltKey(GetFocus(), 'A'); }, true, "", 0, 0},
      {"Alt+P", [](TDDEMLDebugForm&) { PostAltKey(GetFocus(), 'P'); }, true, both, 1, 0},
      {"Alt+S", [](TDDEMLDebugForm&) { PostAltKey(GetFocus(), 'S'); }, true, both, 0, 1},
      {"Alt+F4", [](TDDEMLDebugForm&) { PostAltKey(GetFocus(), VK_F4); }, false, both, 0, 0},
      // Enter presses the focused button: the third Tab from Close is Clear.
      {"Tab Tab Tab Enter",
       [&](TDDEMLDebugForm&) {
         tabs(3);
         PostKey(GetFocus(), VK_RETURN);
       },
       true, "", 0, 0},
      {"Enter on Close", [](TDDEMLDebugForm&) { PostKey(GetFocus(), VK_RETURN); }, false, both, 0, 0},
      // No default and no cancel button: in the memo both keys do nothing.
      {"Enter and Escape in the memo",
       [](TDDEMLDebugForm& f) {
         f.TheMemo.SetFocus();
         PostKey(GetFocus(), VK_RETURN);
         PostKey(GetFocus(), VK_ESCAPE);
       },
       true, both, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    int printed = 0, asked = 0;
    TDDEMLDebugForm form(false);
    form.PrintOut = [&](const std::vector<std::string>&) { return ++printed > 0; };
    form.AskSaveFile = [&](std::wstring&) { return ++asked < 0; };
    form.Show();
    form.AddLine("one");
    form.AddLine("two");
    ASSERT_TRUE(form.TheCloseButton.Focused());
    auto state = [](bool visible, const std::string& memo, int p, int a) {
      return "visible " + std::to_string(visible) + ", memo [" + memo + "], printed " + std::to_string(p) +
             ", asked " + std::to_string(a);
    };
    const std::string want = state(c.visible, c.memo, c.printed, c.asked);
    auto now = [&] { return state(form.Visible(), form.TheMemo.Text(), printed, asked); };
    c.press(form);
    WaitFor([&] { return now() == want; }, 2000);
    guitest::PumpFor(50);  // and nothing more happens
    EXPECT_EQ(now(), want);
    EXPECT_TRUE(IsWindow(form.Handle()));  // closing only hides it
  }
}

TEST_F(DebugFormTest, MemoKeepsAtMost501LinesAndDropsTheFirstWhole) {
  TDDEMLDebugForm form(false);
  const HWND memo = form.TheMemo.Handle();
  // A first line that the memo wraps, and one the memo cuts at its zero.
  form.AddLine(std::string(300, 'w'));
  form.AddLine(std::string("zero\0cut", 8));
  for (int i = 3; i <= 501; ++i) form.AddLine("line " + std::to_string(i) + " ąż");
  form.AddLine("line 502");
  EXPECT_EQ(form.Lines().Count(), 501u);
  EXPECT_EQ(form.TheMemo.Text().substr(0, 6), "zero\r\n");
  form.AddLine("last");
  const std::string text = form.TheMemo.Text();
  EXPECT_EQ(text.substr(0, 11), "line 3 ąż\r\n");
  EXPECT_EQ(text.substr(text.size() - 6), "\r\nlast");
  EXPECT_EQ(text.find('w'), std::string::npos);
  EXPECT_EQ(SendMessageW(memo, EM_GETLINECOUNT, 0, 0), 501);
  EXPECT_EQ(form.Lines().Count(), 501u);
}

TEST_F(DebugFormTest, PrintAndSaveNeedLinesAndAConfirmedDialog) {
  TDDEMLDebugForm form(false);
  int asked = 0, printed = 0;
  std::vector<std::string> printedLines;
  std::wstring target = (dir / "saved.txt").wstring();
  fs::remove(target);
  form.AskSaveFile = [&](std::wstring& name) {
    ++asked;
    name = target;
    return true;
  };
  form.PrintOut = [&](const std::vector<std::string>& lines) {
    ++printed;
    printedLines = lines;
    return true;
  };
  SendMessageW(form.TheSavebutton.Handle(), BM_CLICK, 0, 0);
  SendMessageW(form.ThePrintButton.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(printed, 0);

  form.AddLine("first");
  form.AddLine("żółw");
  SendMessageW(form.TheSavebutton.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(asked, 1);
  std::ifstream in(fs::path(target), std::ios::binary);
  std::stringstream got;
  got << in.rdbuf();
  EXPECT_EQ(got.str(), "first\r\nżółw\r\n");

  SendMessageW(form.ThePrintButton.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(printed, 1);
  ASSERT_EQ(printedLines.size(), 6u);
  EXPECT_EQ(printedLines[2].rfind("As at ", 0), 0u);
  printedLines[2] = "As at ";  // the date and time of the print
  EXPECT_EQ(printedLines, std::vector<std::string>({"", "VESTRA DDEML Manager Component - Debug Form Print",
                                                    "As at ", "", "first", "żółw"}));

  // A dialog left without a name does nothing; a file that cannot be made is
  // reported, not thrown through the window.
  form.AskSaveFile = [](std::wstring&) { return false; };
  SendMessageW(form.TheSavebutton.Handle(), BM_CLICK, 0, 0);
  std::string error;
  form.ShowError = [&](const std::string& m) { error = m; };
  form.AskSaveFile = [&](std::wstring& name) {
    name = (dir / "no such folder" / "x.txt").wstring();
    return true;
  };
  SendMessageW(form.TheSavebutton.Handle(), BM_CLICK, 0, 0);
  EXPECT_NE(error.find("Cannot create"), std::string::npos) << error;
}

TEST_F(DebugFormTest, PositionIsWrittenOnMoveAndReadAtCreation) {
  int width = 0, height = 0;
  {
    TDDEMLDebugForm form(false);
    SetWindowPos(form.Handle(), nullptr, 123, 77, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT r;
    GetWindowRect(form.Handle(), &r);
    width = r.right - r.left;
    height = r.bottom - r.top;
  }
  ASSERT_TRUE(fs::exists(posFile));
  EXPECT_EQ(GetPrivateProfileIntW(L"Position", L"Left", -1, posFile.c_str()), 123);
  EXPECT_EQ(GetPrivateProfileIntW(L"Position", L"Top", -1, posFile.c_str()), 77);
  EXPECT_EQ(GetPrivateProfileIntW(L"Position", L"Width", -1, posFile.c_str()), width);
  EXPECT_EQ(GetPrivateProfileIntW(L"Position", L"Height", -1, posFile.c_str()), height);
  EXPECT_GT(width, 414);

  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const struct {
    const wchar_t *left, *top, *width;
    LONG wantLeft, wantTop, wantWidth;
  } cases[] = {
      {L"200", L"150", L"500", 200, 150, 500},
      // Wholly off every monitor: back to the nearest one's corner.
      {L"-30000", L"-30000", nullptr, work.left, work.top, width},
      // A damaged size keeps the window's own.
      {L"40", L"50", L"0", 40, 50, width},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << ui::Narrow(c.left) << "," << ui::Narrow(c.top));
    WritePrivateProfileStringW(L"Position", L"Left", c.left, posFile.c_str());
    WritePrivateProfileStringW(L"Position", L"Top", c.top, posFile.c_str());
    WritePrivateProfileStringW(L"Position", L"Width", c.width, posFile.c_str());
    TDDEMLDebugForm again(false);
    RECT r;
    GetWindowRect(again.Handle(), &r);
    EXPECT_EQ(r.left, c.wantLeft);
    EXPECT_EQ(r.top, c.wantTop);
    EXPECT_EQ(r.right - r.left, c.wantWidth);
    EXPECT_EQ(r.bottom - r.top, height);
  }
}

TEST_F(DebugFormTest, TraceUsesTheWindowOfItsThread) {
  InstallWin32TraceServices();
  int owner = 0;
  ApplyDebugSettings(&owner, dbForm, true, "");
  auto* form = dynamic_cast<TDDEMLDebugForm*>(ThreadDebugWindow());
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->Visible());
  EXPECT_TRUE(form->TheCloseButton.Focused());
  WriteTracePrefixed("TDDEMLConversation", {"EndConversation - start ...."});
  EXPECT_EQ(form->TheMemo.Text(), "TDDEMLConversation : EndConversation - start ....");
  const HWND h = form->Handle();
  ApplyDebugSettings(&owner, dbNone, true, "");
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(ThreadDebugWindow(), nullptr);
}

TEST_F(DebugFormTest, LogHeaderUsesTheSystemsShortDate) {
  // The Windows platform's host gives the date, as a manager on it sets it.
  TWin32Platform platform;
  SetTraceHost(&platform.Host());
  fs::path log = dir / "trace.log";
  char date[64] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
  ApplyDebugSettings(this, dbFile, false, log.string());
  WriteTrace({"x"});
  std::ifstream in(log, std::ios::binary);
  std::stringstream got;
  got << in.rdbuf();
  std::string expected = std::string("\r\n\r\nAs at ") + date + " ";
  EXPECT_EQ(got.str().substr(0, expected.size()), expected) << got.str();
  EXPECT_EQ(got.str().substr(got.str().size() - 7), "\r\n\r\nx\r\n");
  SetTraceHost(nullptr);
}

}  // namespace
}  // namespace dde
