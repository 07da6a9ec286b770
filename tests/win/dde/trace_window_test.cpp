// The trace's debug window, created for real under Wine and driven with
// button clicks.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "dde/trace.h"
#include "dde/trace_window_win.h"
#include "support/pump_win.h"

namespace dde {
namespace {

namespace fs = std::filesystem;

// What is waiting now, handled.
void Pump() { testing_support::PumpFor(0); }

std::wstring ControlText(HWND h) {
  int n = GetWindowTextLengthW(h);
  std::wstring s(n + 1, L'\0');
  GetWindowTextW(h, s.data(), n + 1);
  s.resize(n);
  return s;
}

std::wstring MemoLine(HWND memo, int index) {
  wchar_t buf[512];
  *reinterpret_cast<WORD*>(buf) = 511;
  LRESULT n = SendMessageW(memo, EM_GETLINE, index, reinterpret_cast<LPARAM>(buf));
  return std::wstring(buf, n);
}

RECT ChildRect(HWND parent, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
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

TEST_F(DebugFormTest, LayoutCaptionAndStyle) {
  TDDEMLDebugForm form(true);
  form.Show();
  Pump();
  HWND h = form.Handle();
  EXPECT_EQ(ControlText(h), L"TDDEMLManager Debug Display ");
  RECT client;
  GetClientRect(h, &client);
  EXPECT_EQ(client.right, 414);
  EXPECT_EQ(client.bottom, 271);
  EXPECT_TRUE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(GetWindowLongW(h, GWL_STYLE) & WS_THICKFRAME);
  EXPECT_FALSE(GetWindowLongW(h, GWL_STYLE) & WS_MAXIMIZEBOX);
  EXPECT_TRUE(GetWindowLongW(h, GWL_STYLE) & WS_MINIMIZEBOX);
  EXPECT_TRUE(GetWindowLongW(h, GWL_STYLE) & WS_SYSMENU);
  RECT memo = ChildRect(h, form.Control(TDDEMLDebugForm::idMemo));
  EXPECT_EQ(memo.left, 16);
  EXPECT_EQ(memo.top, 16);
  EXPECT_EQ(memo.right - memo.left, 385);
  EXPECT_EQ(memo.bottom - memo.top, 193);
  EXPECT_TRUE(GetWindowLongW(form.Control(TDDEMLDebugForm::idMemo), GWL_STYLE) & ES_READONLY);
  RECT save = ChildRect(h, form.Control(TDDEMLDebugForm::idSave));
  EXPECT_EQ(save.left, 292);
  EXPECT_EQ(save.top, 232);
  EXPECT_EQ(save.right - save.left, 73);
  EXPECT_EQ(ControlText(form.Control(TDDEMLDebugForm::idClear)), L"Cle&ar");
  EXPECT_EQ(ControlText(form.Control(TDDEMLDebugForm::idClose)), L"&Close");
  EXPECT_EQ(GetFocus(), form.Control(TDDEMLDebugForm::idClose));
  // Tab order: memo, Close, Print, Save, Clear.
  HWND order[] = {form.Control(TDDEMLDebugForm::idMemo), form.Control(TDDEMLDebugForm::idClose),
                  form.Control(TDDEMLDebugForm::idPrint), form.Control(TDDEMLDebugForm::idSave),
                  form.Control(TDDEMLDebugForm::idClear)};
  for (int i = 0; i + 1 < 5; ++i) EXPECT_EQ(GetNextDlgTabItem(h, order[i], FALSE), order[i + 1]) << i;

  TDDEMLDebugForm normal(false);
  EXPECT_FALSE(GetWindowLongW(normal.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(DebugFormTest, MemoKeepsAtMost501Lines) {
  TDDEMLDebugForm form(false);
  HWND memo = form.Control(TDDEMLDebugForm::idMemo);
  for (int i = 1; i <= 501; ++i) form.AddLine("line " + std::to_string(i) + " ąż");
  EXPECT_EQ(SendMessageW(memo, EM_GETLINECOUNT, 0, 0), 501);
  form.AddLine("line 502");
  EXPECT_EQ(SendMessageW(memo, EM_GETLINECOUNT, 0, 0), 501);
  EXPECT_EQ(MemoLine(memo, 0), L"line 2 \u0105\u017C");
  EXPECT_EQ(MemoLine(memo, 500), L"line 502");
  EXPECT_EQ(form.Lines().Count(), 501u);
}

TEST_F(DebugFormTest, LongWrappedLinesLeaveWhole) {
  TDDEMLDebugForm form(false);
  HWND memo = form.Control(TDDEMLDebugForm::idMemo);
  std::string longLine(300, 'w');
  for (int i = 1; i <= 501; ++i) form.AddLine(i == 1 ? longLine : "l" + std::to_string(i));
  form.AddLine("last");
  std::wstring text = ControlText(memo);
  EXPECT_EQ(text.substr(0, 4), L"l2\r\n");
  EXPECT_EQ(text.substr(text.size() - 6), L"\r\nlast");
  EXPECT_EQ(text.find(L'w'), std::wstring::npos);
}

TEST_F(DebugFormTest, CloseHidesClearEmpties) {
  TDDEMLDebugForm form(false);
  form.Show();
  form.AddLine("one");
  form.AddLine("two");
  SendMessageW(form.Control(TDDEMLDebugForm::idClear), BM_CLICK, 0, 0);
  EXPECT_EQ(ControlText(form.Control(TDDEMLDebugForm::idMemo)), L"");
  EXPECT_EQ(form.Lines().Count(), 0u);
  form.AddLine("three");
  EXPECT_EQ(ControlText(form.Control(TDDEMLDebugForm::idMemo)), L"three");
  SendMessageW(form.Control(TDDEMLDebugForm::idClose), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
  EXPECT_TRUE(IsWindow(form.Handle()));
  SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(form.Handle()));
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
  SendMessageW(form.Control(TDDEMLDebugForm::idSave), BM_CLICK, 0, 0);
  SendMessageW(form.Control(TDDEMLDebugForm::idPrint), BM_CLICK, 0, 0);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(printed, 0);

  form.AddLine("first");
  form.AddLine("żółw");
  SendMessageW(form.Control(TDDEMLDebugForm::idSave), BM_CLICK, 0, 0);
  EXPECT_EQ(asked, 1);
  std::ifstream in(fs::path(target), std::ios::binary);
  std::stringstream got;
  got << in.rdbuf();
  EXPECT_EQ(got.str(), "first\r\nżółw\r\n");

  SendMessageW(form.Control(TDDEMLDebugForm::idPrint), BM_CLICK, 0, 0);
  EXPECT_EQ(printed, 1);
  ASSERT_EQ(printedLines.size(), 6u);
  EXPECT_EQ(printedLines[0], "");
  EXPECT_EQ(printedLines[1], "VESTRA DDEML Manager Component - Debug Form Print");
  EXPECT_EQ(printedLines[2].rfind("As at ", 0), 0u);
  EXPECT_EQ(printedLines[3], "");
  EXPECT_EQ(printedLines[5], "żółw");

  // A dialog left without a name does nothing; a file that cannot be made is
  // reported, not thrown through the window.
  form.AskSaveFile = [](std::wstring&) { return false; };
  SendMessageW(form.Control(TDDEMLDebugForm::idSave), BM_CLICK, 0, 0);
  std::string error;
  form.ShowError = [&](const std::string& m) { error = m; };
  form.AskSaveFile = [&](std::wstring& name) {
    name = (dir / "no such folder" / "x.txt").wstring();
    return true;
  };
  SendMessageW(form.Control(TDDEMLDebugForm::idSave), BM_CLICK, 0, 0);
  EXPECT_NE(error.find("Cannot create"), std::string::npos) << error;
}

TEST_F(DebugFormTest, PositionIsWrittenOnMoveAndReadAtCreation) {
  {
    TDDEMLDebugForm form(false);
    SetWindowPos(form.Handle(), nullptr, 123, 77, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Pump();
  }
  ASSERT_TRUE(fs::exists(posFile));
  EXPECT_EQ(GetPrivateProfileIntW(L"Position", L"Left", -1, posFile.c_str()), 123);
  EXPECT_EQ(GetPrivateProfileIntW(L"Position", L"Top", -1, posFile.c_str()), 77);
  EXPECT_GT(GetPrivateProfileIntW(L"Position", L"Width", -1, posFile.c_str()), 414);

  WritePrivateProfileStringW(L"Position", L"Left", L"200", posFile.c_str());
  WritePrivateProfileStringW(L"Position", L"Top", L"150", posFile.c_str());
  TDDEMLDebugForm again(false);
  RECT r;
  GetWindowRect(again.Handle(), &r);
  EXPECT_EQ(r.left, 200);
  EXPECT_EQ(r.top, 150);
}

TEST_F(DebugFormTest, TraceUsesTheWindowOfItsThread) {
  InstallWin32TraceServices();
  int owner = 0;
  ApplyDebugSettings(&owner, dbForm, true, "");
  auto* form = dynamic_cast<TDDEMLDebugForm*>(ThreadDebugWindow());
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  WriteTracePrefixed("TDDEMLConversation", {"EndConversation - start ...."});
  EXPECT_EQ(ControlText(form->Control(TDDEMLDebugForm::idMemo)),
            L"TDDEMLConversation : EndConversation - start ....");
  HWND h = form->Handle();
  ApplyDebugSettings(&owner, dbNone, true, "");
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(DebugFormTest, LogHeaderUsesTheSystemsShortDate) {
  InstallWin32TraceServices();
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
}

}  // namespace
}  // namespace dde
