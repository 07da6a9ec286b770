// The picker end to end: the real pkd.exe in a folder of its own with a
// catalogue, driven over DDE by client processes (the script client of the
// manager's tests, and pkdpick), its buttons pressed with BM_CLICK while a
// pick waits. This process only watches and presses.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "app/gui_helpers.h"
#include "e2e/e2e_process.h"
#include "app/version_info.h"
#include "catalogue/baza.h"
#include "catalogue/entry_text.h"
#include "picker/code_tree.h"
#include "pkdpick/pick_text.h"
#include "support/pump_win.h"
#include "support/temp_dir.h"
#include "text/cp1250.h"
#include "ui/handles.h"
#include "ui/wintext.h"

namespace {

using namespace e2e;

const char kExecuteNoTimeOut[] = "\t600000";

// ---- The picker's windows, seen from outside

bool PickWaits(HWND main) {
  const HWND ok = ChildWithText(main, L"Wybierz");
  return IsWindowVisible(main) && ok && IsWindowVisible(ok);
}

// A visible top-level window of pid other than main (the result list).
HWND OtherVisibleWindowOf(DWORD pid, HWND main) {
  for (HWND wnd : Windows())
    if (ProcessOf(wnd) == pid && wnd != main && IsWindowVisible(wnd)) return wnd;
  return nullptr;
}

// A control's text, through the control (another process's window).
std::string ControlText(HWND control) {
  wchar_t text[512] = L"";
  SendMessageW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return ui::Narrow(text);
}

HWND DirectChildOfClass(HWND parent, const wchar_t* cls) {
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t name[32] = L"";
    GetClassNameW(c, name, 32);
    if (_wcsicmp(name, cls) == 0) return c;
  }
  return nullptr;
}

// The picker pkdpick started, once its pick waits.
TProcess PickerOnceItPicks(HWND& main) {
  TProcess picker;
  main = nullptr;
  if (!WaitFor([&] { return (main = MainWindowOf(0)) && PickWaits(main); })) {
    main = nullptr;
    return picker;
  }
  picker.Id = ProcessOf(main);
  picker.Handle.Reset(
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, picker.Id));
  return picker;
}

void Press(HWND main, const wchar_t* caption) {
  const HWND button = ChildWithText(main, caption);
  ASSERT_NE(button, nullptr);
  PostMessageW(button, BM_CLICK, 0, 0);
}

// Real input, as the user gives it: through the system's input queue to
// whatever window is under the pointer or has the focus.
void SendKeys(std::initializer_list<std::pair<WORD, bool>> keys) {  // key, down
  std::vector<INPUT> in;
  for (const auto& k : keys) {
    INPUT i = {};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = k.first;
    i.ki.dwFlags = k.second ? 0 : KEYEVENTF_KEYUP;
    in.push_back(i);
  }
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

void ClickAt(POINT screen, bool right = false) {
  SetCursorPos(screen.x, screen.y);
  guitest::PumpFor(100);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
}

POINT CentreOf(HWND wnd) {
  RECT r = {};
  GetWindowRect(wnd, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The thread of main runs a menu loop (a popup menu, or the menu bar
// entered by the keyboard).
bool InMenuLoop(HWND main) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info) && (info.flags & GUI_INMENUMODE);
}

// A popup menu of pid on the screen.
HWND VisibleMenuOf(DWORD pid) {
  for (HWND wnd : Windows()) {
    wchar_t name[16] = L"";
    GetClassNameW(wnd, name, 16);
    if (ProcessOf(wnd) == pid && IsWindowVisible(wnd) && std::wstring(name) == L"#32768") return wnd;
  }
  return nullptr;
}

// ---- The picker's folder and its clients

const std::vector<std::string> kLines = {
    "A - Rolnictwo",
    " 01 - Uprawy rolne",
    "  01.1 - Uprawy inne niż wieloletnie",
    "   01.11.Z - Uprawa zbóż\tPodklasa obejmuje:\xFF- uprawę zbóż \"ozimych\"\xFF\xFF- uprawę roślin",
    "   01.12.Z - Uprawa ryżu",
};
const char kOpis0111[] = "Podklasa obejmuje:\xFF- uprawę zbóż \"ozimych\"\xFF\xFF- uprawę roślin";

class TPickerFolder {
 public:
  // With kodFile empty, the small catalogue above.
  explicit TPickerFolder(const std::string& name, const std::wstring& kodFile = std::wstring()) : FDir(name) {
    for (const char* exe : {"pkd.exe", "pkdpick.exe"})
      EXPECT_TRUE(CopyFileW(FromBinaryDir(std::string("bin/") + exe).c_str(), Path(exe).c_str(), FALSE)) << exe;
    if (kodFile.empty())
      guitest::WriteKodCatalogue(FDir.Path() / L"pkd.kod", "Kody testowe", kLines);
    else
      EXPECT_TRUE(CopyFileW(kodFile.c_str(), Path("pkd.kod").c_str(), FALSE));
  }
  std::wstring Path(const std::string& name) const { return FDir.File(name).wstring(); }

  // pkd.exe, once its window shows (its service is registered before).
  TProcess StartPicker(HWND& main) {
    TProcess p = Start(Path("pkd.exe"), L"");
    main = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (main = MainWindowOf(p.Id)) && IsWindowVisible(main); }));
    return p;
  }

  struct TPick {
    TProcess Process;
    std::string Out, Err;  // as written: UTF-8
    bool Finish(DWORD ms = kLong) {
      const bool done = Process.WaitExit(ms);
      if (FPipe) {
        ReadPipeToEnd(1000);
      } else {
        Out = testing_support::ReadAll(FOut);
      }
      Err = testing_support::ReadAll(FErr);
      return done;
    }
    // Reads the output pipe until every writer has closed it (true), or for
    // ms at most (false).
    bool ReadPipeToEnd(DWORD ms) {
      const DWORD start = GetTickCount();
      for (;;) {
        DWORD n = 0;
        if (!PeekNamedPipe(FPipe.Get(), nullptr, 0, nullptr, &n, nullptr)) return GetLastError() == ERROR_BROKEN_PIPE;
        if (n) {
          std::string chunk(n, '\0');
          if (!ReadFile(FPipe.Get(), &chunk[0], n, &n, nullptr)) return GetLastError() == ERROR_BROKEN_PIPE;
          Out.append(chunk, 0, n);
        } else if (GetTickCount() - start >= ms) {
          return false;
        } else {
          guitest::PumpFor(20);
        }
      }
    }
    std::filesystem::path FOut, FErr;
    ui::TKernelHandle FPipe;  // the read end, when the output is a pipe
  };

  // pkdpick with the arguments, its output into files of the folder, or its
  // standard output into a pipe, as a shell's $(...) reads it.
  TPick StartPkdpick(const std::wstring& args, bool pipe = false, DWORD flags = 0) {
    TPick pick;
    pick.FOut = FDir.Path() / (L"out" + std::to_wstring(++FRuns) + L".txt");
    pick.FErr = FDir.Path() / (L"err" + std::to_wstring(FRuns) + L".txt");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    ui::TKernelHandle out;
    if (pipe) {
      HANDLE read = nullptr, write = nullptr;
      EXPECT_TRUE(CreatePipe(&read, &write, &inherit, 0));
      SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
      pick.FPipe.Reset(read);
      out.Reset(write);
    } else {
      out.Reset(CreateFileW(pick.FOut.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    }
    ui::TKernelHandle err(
        CreateFileW(pick.FErr.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    pick.Process = Start(Path("pkdpick.exe"), args, out.Get(), err.Get(), flags);
    EXPECT_TRUE(pick.Process.Handle);
    return pick;
  }

 private:
  guitest::TTempDir FDir;
  int FRuns = 0;
};

// The script client (dde_test_client) in a process of its own; its lines
// can be read while it runs.
class TClient {
 public:
  explicit TClient(const std::vector<std::string>& script) {
    std::string text;
    for (const std::string& line : script) text += line + "\n";
    FDir.Write("script.txt", text);
    const std::wstring args =
        L"\"" + FDir.Path("script.txt").wstring() + L"\" \"" + FDir.Path("out.txt").wstring() + L"\"";
    FProcess = Start(BesideThisTest(L"dde_test_client.exe"), args);
    EXPECT_TRUE(FProcess.Handle);
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::ifstream out(FDir.Path("out.txt"));
    for (std::string line; std::getline(out, line);) lines.push_back(line);
    return lines;
  }
  bool WaitLines(size_t n, DWORD ms = kLong) const {
    return WaitFor([&] { return Lines().size() >= n; }, ms);
  }
  // All its lines, once it has ended (with exit status 0).
  std::vector<std::string> Finish() {
    EXPECT_TRUE(FProcess.WaitExit());
    EXPECT_EQ(FProcess.ExitCode(), 0u);
    return Lines();
  }
  bool Running() const { return FProcess.Running(); }
  void Kill() { TerminateProcess(FProcess.Handle.Get(), 9); }

 private:
  testing_support::TempDir FDir;
  TProcess FProcess;
};

std::string Utf8(const std::string& cp1250) { return text::Cp1250ToUtf8(cp1250); }

// ---- Tests

// One client after another on one picker: what a client may ask without a
// pick (and a visible window outlives it), a pick cancelled, searches preset
// on the hidden window, and a pick during which the window is asked to close.
TEST(PickerEndToEnd, AnswersRequestsAndPicksAndEndsWhenLeftHidden) {
  TPickerFolder folder("e2e_requests");
  HWND main = nullptr;
  TProcess picker = folder.StartPicker(main);
  ASSERT_NE(main, nullptr);

  struct TStep {
    std::string command, result;
  };
  const std::vector<TStep> steps = {
      {"connect\tPKD_ZEL\tSystem", "connect PKD_ZEL/System = PKD_ZEL/System"},
      {"request\tTopics", "request Topics = PKD"},
      {"request\tFormats", "request Formats = Text"},
      {"request\tSysItems", "request SysItems = Status\tTopics\tFormats"},
      {"request\tStatus", "request Status = READY"},
      {"request\tKOD", "request KOD = failed DMLERR_NOTPROCESSED"},
      {"connect\tpkd_zel\tpkd", "connect pkd_zel/pkd = PKD_ZEL/pkd"},
      {"request\tTopicItemList", "request TopicItemList = KOD\tNAZWA\tOPIS"},
      {"request\tFormats", "request Formats = Text"},
      {"execute\t[Open_PKD(x,\"01.11.Z\",\"\")]", "execute = 0x0000"},  // refused by the parser
      {"execute\t[Find_PKD(\"01.11.Z\")]", "execute = 0x0000"},
      {"execute\t[find_pkd(\"01.12.Z\",\"\")]", "execute = 0x8000"},
      {"request\tkod", "request kod = 01.12.Z"},
      {"request\tOPIS", "request OPIS = "},  // no description: empty, and no failure
      {"execute\t[Find_PKD(\"01.11.Z\",\"\")]", "execute = 0x8000"},
      {"request\tNAZWA", "request NAZWA = Uprawa zbóż"},
      {"request\tOPIS", std::string("request OPIS = ") + kOpis0111},     // line marks as stored
      // Unicode text for a client that asks for it (this client prints up to
      // the first zero byte: the high byte of "0"); other formats get nothing.
      {"request\tKOD\t13", "request KOD = 0"},
      {"request\tKOD\t2", "request KOD = failed DMLERR_NOTPROCESSED"},
      {"request\tNAZWY", "request NAZWY = failed DMLERR_NOTPROCESSED"},
      {"connect\tPKD_ZEL\tXYZ", "connect PKD_ZEL/XYZ = PKD_ZEL/XYZ"},
      {"request\tKOD", "request KOD = failed DMLERR_NOTPROCESSED"},
      {"disconnect", "disconnect = ok"},
  };
  std::vector<std::string> script, expected;
  for (const TStep& s : steps) script.push_back(s.command), expected.push_back(s.result);
  EXPECT_EQ(TClient(script).Finish(), expected);

  // pkdpick --find on the running picker: the window neither shows its
  // buttons nor hides, and stays after the client has gone.
  TPickerFolder::TPick find = folder.StartPkdpick(L"--find --code 01.12.Z");
  ASSERT_TRUE(find.Finish());
  EXPECT_EQ(find.Process.ExitCode(), 0u) << find.Err;
  EXPECT_EQ(find.Out, Utf8("{\"KOD\": \"01.12.Z\", \"NAZWA\": \"Uprawa ryżu\", \"OPIS\": \"\"}\n"));
  EXPECT_FALSE(picker.WaitExit(1000));
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_FALSE(PickWaits(main));

  // A pick owned by a window of ours, cancelled: the code stays readable.
  // Then a pick during which the window is asked to close: the close waits
  // for the button and the answer, and ends the program while the client is
  // still connected.
  ui::TOwned<ui::TWindowTraits> owner(
      CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr));
  const std::string ownerNumber = std::to_string(reinterpret_cast<uintptr_t>(owner.Get()));
  TClient client({"connect\tPKD_ZEL\tPKD",
                  "execute\t[Open_PKD(" + ownerNumber + ",\"01.11.Z\",\"uprawę \"\"ozimych\"\"\")]" + kExecuteNoTimeOut,
                  "wait\t2000", "request\tKOD", "execute\t[Find_PKD(\"01.12.Z\",\"uprawę\")]", "wait\t2000",
                  "execute\t[Open_PKD(0,\"01.12.Z\",\"\")]" + std::string(kExecuteNoTimeOut), "wait\t2000",
                  "request\tNAZWA", "disconnect", "wait\t15000"});
  // The buttons show before the owner is set; the boxes' texts (asked of
  // the picker's thread) come once it waits.
  ASSERT_TRUE(WaitFor([&] { return PickWaits(main); }));
  EXPECT_TRUE(WaitFor([&] { return GetWindow(main, GW_OWNER) == owner.Get(); }));
  EXPECT_EQ(ControlText(DirectChildOfClass(main, L"ComboBox")), "01.11.Z");
  EXPECT_EQ(ControlText(DirectChildOfClass(main, L"Edit")), "uprawę \"ozimych\"");
  EXPECT_TRUE(WaitFor([&] { return OtherVisibleWindowOf(picker.Id, main) != nullptr; }));  // the result list
  guitest::PumpFor(500);
  EXPECT_EQ(client.Lines().size(), 1u);  // no answer before a button
  Press(main, L"Anuluj");
  ASSERT_TRUE(client.WaitLines(2));
  EXPECT_EQ(client.Lines()[1], "execute = 0x0000");
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_EQ(OtherVisibleWindowOf(picker.Id, main), nullptr);  // the list went with the window
  EXPECT_EQ(GetWindow(main, GW_OWNER), nullptr);
  EXPECT_FALSE(IsWindowVisible(ChildWithText(main, L"Wybierz")));
  ASSERT_TRUE(client.WaitLines(3));
  EXPECT_EQ(client.Lines()[2], "request KOD = 01.11.Z");
  // Searches preset on the hidden window show nothing, not even the list.
  ASSERT_TRUE(client.WaitLines(4));
  EXPECT_EQ(client.Lines()[3], "execute = 0x8000");
  guitest::PumpFor(500);
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_EQ(OtherVisibleWindowOf(picker.Id, main), nullptr);

  ASSERT_TRUE(WaitFor([&] { return PickWaits(main); }));  // not refused: the busy mark went with the pick
  PostMessageW(main, WM_CLOSE, 0, 0);
  guitest::PumpFor(1000);
  EXPECT_TRUE(PickWaits(main));
  EXPECT_EQ(client.Lines().size(), 4u);
  Press(main, L"Wybierz");
  ASSERT_TRUE(client.WaitLines(5));
  EXPECT_EQ(client.Lines()[4], "execute = 0x8000");
  // The close waits for the client to take the values and go.
  EXPECT_FALSE(picker.WaitExit(1000));
  ASSERT_TRUE(client.WaitLines(7));
  EXPECT_EQ(client.Lines()[5], "request NAZWA = Uprawa ryżu");
  EXPECT_EQ(client.Lines()[6], "disconnect = ok");
  ASSERT_TRUE(picker.WaitExit());
  EXPECT_TRUE(client.Running());
  EXPECT_EQ(picker.ExitCode(), 0u);
}

// While a pick waits, other clients are told "busy" and change nothing; the
// pick's own client gets its answer, and the picker, hidden and left, ends.
TEST(PickerEndToEnd, OtherClientsAreBusyWhileAPickWaits) {
  TPickerFolder folder("e2e_busy");
  HWND main = nullptr;
  TProcess picker = folder.StartPicker(main);
  ASSERT_NE(main, nullptr);
  TPickerFolder::TPick first = folder.StartPkdpick(L"--code 01.11.Z");
  ASSERT_TRUE(WaitFor([&] { return PickWaits(main); }));

  // The waiting client leaves other programs' connections alone.
  TClient second({"connect\tPKD_ZEL\tPKD", "execute\t[Open_PKD(0,\"01.12.Z\",\"\")]",
                  "execute\t[Find_PKD(\"01.12.Z\",\"\")]", "request\tKOD", "disconnect"});
  EXPECT_EQ(second.Finish(),
            (std::vector<std::string>{"connect PKD_ZEL/PKD = PKD_ZEL/PKD", "execute = 0x4000", "execute = 0x4000",
                                      "request KOD = failed DMLERR_NOTPROCESSED", "disconnect = ok"}));
  for (const wchar_t* args : {L"--code 01.12.Z", L"--find --code 01.12.Z"}) {
    TPickerFolder::TPick busy = folder.StartPkdpick(args);
    ASSERT_TRUE(busy.Finish());
    EXPECT_EQ(busy.Process.ExitCode(), 3u) << ui::Narrow(args);
    EXPECT_EQ(busy.Err, Utf8("pkdpick: program jest zajęty: czeka na wybór kodu dla innego programu\n"));
    EXPECT_EQ(busy.Out, "");
  }
  // The first pick goes on untouched.
  EXPECT_TRUE(PickWaits(main));
  EXPECT_EQ(ControlText(DirectChildOfClass(main, L"ComboBox")), "01.11.Z");
  EXPECT_TRUE(first.Process.Running());

  Press(main, L"Wybierz");
  ASSERT_TRUE(first.Finish());
  EXPECT_EQ(first.Process.ExitCode(), 0u) << first.Err;
  EXPECT_EQ(first.Out, pkdpick::JsonResult("01.11.Z", "Uprawa zbóż", kOpis0111));
  ASSERT_TRUE(picker.WaitExit());
  EXPECT_EQ(picker.ExitCode(), 0u);
}

// pkdpick from a shell: starts pkd.exe beside itself, waits for the user and
// prints the entry chosen, on the test catalogue and on the real one, whose
// longest description must arrive whole.
TEST(PickerEndToEnd, PkdpickStartsThePickerAndPrintsTheChoice) {
  struct TCase {
    const char* name;
    std::wstring kod;   // empty: the test catalogue
    std::string words;  // a search that finds the same entry first, or none
  };
  const std::wstring real = FromBinaryDir("bin/pkd.kod");
  const TCase cases[] = {{"e2e_pkdpick_small", L"", "uprawę \"ozimych\""}, {"e2e_pkdpick_real", real, ""}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.kod.empty() && GetFileAttributesW(c.kod.c_str()) == INVALID_FILE_ATTRIBUTES) {
      ADD_FAILURE() << "the real catalogue was not built";
      continue;
    }
    TPickerFolder folder(c.name, c.kod);
    catalogue::TBaza baza;
    baza.Load(std::filesystem::path(folder.Path("pkd.kod")));
    std::string line, opis;  // the entry with the longest description
    for (const std::string& l : baza.Lines()) {
      const std::string o = baza.Opisy().Opis(catalogue::CodeOf(l));
      if (o.size() > opis.size()) line = l, opis = o;
    }
    const std::string code = catalogue::CodeOf(line);
    std::wstring args = L"--code " + ui::Wide(code);
    if (!c.words.empty()) {
      // A quote inside a quoted argument is written \" on a command line.
      std::string quoted;
      for (char ch : c.words) quoted += ch == '"' ? std::string("\\\"") : std::string(1, ch);
      args += L" --words \"" + ui::Wide(quoted) + L"\"";
    }
    ASSERT_EQ(MainWindowOf(0), nullptr) << "a picker is running already";
    TPickerFolder::TPick pick = folder.StartPkdpick(args);
    HWND main = nullptr;
    TProcess picker = PickerOnceItPicks(main);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ControlText(DirectChildOfClass(main, L"Edit")), c.words);
    // Started hidden, the picker fills its code list when the list first opens.
    const HWND codeBox = DirectChildOfClass(main, L"ComboBox");
    ASSERT_NE(codeBox, nullptr);
    picker::TCodeTree tree;
    tree.Build(baza.Lines());
    SendMessageW(codeBox, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_EQ(SendMessageW(codeBox, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(tree.Codes().size()));
    SendMessageW(codeBox, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_TRUE(pick.Process.Running());
    Press(main, L"Wybierz");
    ASSERT_TRUE(pick.Finish());
    EXPECT_EQ(pick.Process.ExitCode(), 0u) << pick.Err;
    EXPECT_GT(opis.size(), c.kod.empty() ? 0u : 4000u);
    EXPECT_EQ(pick.Out, pkdpick::JsonResult(code, catalogue::TitleOf(line), opis));
    EXPECT_TRUE(picker.WaitExit());  // hidden, and left by its only client
  }
}

// pkdpick refuses what it cannot send, and never hangs on a picker that dies.
TEST(PickerEndToEnd, PkdpickReportsErrors) {
  TPickerFolder folder("e2e_pkdpick_errors");
  struct TCase {
    const wchar_t* args;
    DWORD status;
    const char* out;  // found in the output (UTF-8 of the text)
    const char* err;
  };
  const TCase cases[] = {
      {L"--help", 0, "przecinka", ""},  // the help says what cannot be sent
      {L"--code 01,11", 2, "", "nie może zawierać przecinka"},
      {L"--service NIE_MA_TAKIEJ", 2, "", "usługa DDE NIE_MA_TAKIEJ nie działa"},
      {L"--no-start --code=01.11.Z", 2, "", "usługa DDE PKD_ZEL nie działa"},
      {L"--find -- --code 01.11.Z", 2, "", "nieoczekiwany argument: --code"},
  };

  for (const TCase& c : cases) {
    SCOPED_TRACE(ui::Narrow(c.args));
    TPickerFolder::TPick pick = folder.StartPkdpick(c.args);
    ASSERT_TRUE(pick.Finish());
    EXPECT_EQ(pick.Process.ExitCode(), c.status);
    EXPECT_NE(pick.Out.find(Utf8(c.out)), std::string::npos) << pick.Out;
    EXPECT_NE(pick.Err.find(Utf8(c.err)), std::string::npos) << pick.Err;
    EXPECT_EQ(pick.Out.empty(), c.status != 0);
  }
  EXPECT_EQ(MainWindowOf(0), nullptr);  // none of them started the picker

  // --version reads the version resource, made from the project's version
  // as pkd.exe's.
  TPickerFolder::TPick version = folder.StartPkdpick(L"--version");
  ASSERT_TRUE(version.Finish());
  EXPECT_EQ(version.Process.ExitCode(), 0u);
  const app::TVersionInfo own(folder.Path("pkdpick.exe")), picker(folder.Path("pkd.exe"));
  ASSERT_TRUE(own.Valid());
  EXPECT_EQ(own.FileVersionText(), picker.FileVersionText());
  EXPECT_EQ(version.Out, "pkdpick " + own.FileVersionText() + "\n");

  TPickerFolder::TPick pick = folder.StartPkdpick(L"--code 01.11.Z");
  HWND main = nullptr;
  TProcess pkd = PickerOnceItPicks(main);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(TerminateProcess(pkd.Handle.Get(), 3));
  ASSERT_TRUE(pick.Finish());
  EXPECT_EQ(pick.Process.ExitCode(), 2u);
  // Either the process or the conversation is seen to end first.
  EXPECT_NE(pick.Err.find(Utf8("zanim odpowiedział")), std::string::npos) << pick.Err;
  EXPECT_EQ(pick.Out, "");
}

// pkdpick --find with no picker running: the picker it starts shows no
// window and is gone once pkdpick has left; the exit status tells whether
// the code search found the code, by its own rules (only a code of the
// catalogue is searched; the entry whose text begins with it is selected).
// Standard output is a pipe, read to its end as a shell's $(...) reads it.
TEST(PickerEndToEnd, PkdpickFindLeavesNothingBehind) {
  TPickerFolder folder("e2e_pkdpick_find");
  const struct {
    const wchar_t* args;
    DWORD status;
    std::string out;
    const char* err;
  } cases[] = {
      {L"--find --code 01.12.Z --format text", 0, Utf8("01.12.Z\tUprawa ryżu\t\n"), ""},
      {L"--find --code=01.1 --format=env", 0, Utf8("KOD=01.1\nNAZWA=Uprawy inne niż wieloletnie\nOPIS=\n"), ""},
      {L"--find --code 99.99", 4, "", "pkdpick: nie znaleziono kodu 99.99\n"},
      // No code "01.11" in this catalogue: the search does not run.
      {L"--find --code 01.11", 4, "", "pkdpick: nie znaleziono kodu 01.11\n"},
      {L"--find --words uprawę", 4, "", "pkdpick: bez --code nie ma czego znaleźć\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ui::Narrow(c.args));
    ASSERT_EQ(MainWindowOf(0), nullptr) << "a picker is running already";
    TPickerFolder::TPick pick = folder.StartPkdpick(c.args, true);
    bool shown = false;
    EXPECT_TRUE(WaitFor([&] {
      const HWND main = MainWindowOf(0);
      shown = shown || (main && IsWindowVisible(main));
      return !pick.Process.Running();
    }));
    // Read to its end at once: nothing else holds the pipe.
    EXPECT_TRUE(pick.ReadPipeToEnd(5000));
    ASSERT_TRUE(pick.Finish());
    EXPECT_EQ(pick.Process.ExitCode(), c.status) << pick.Err;
    EXPECT_EQ(pick.Out, c.out);
    EXPECT_EQ(pick.Err, Utf8(c.err));
    EXPECT_FALSE(shown);
    EXPECT_TRUE(WaitFor([] { return MainWindowOf(0) == nullptr; }, 5000)) << "the picker still runs";
  }
}

// pkdpick's standard output reaches its end with pkdpick, even while the
// picker it started lives on: killed during a pick, nothing of it is left
// open in the picker, which waits on for its user.
TEST(PickerEndToEnd, PkdpickLeavesNoHandleWithThePicker) {
  TPickerFolder folder("e2e_pkdpick_pipe");
  ASSERT_EQ(MainWindowOf(0), nullptr) << "a picker is running already";
  TPickerFolder::TPick pick = folder.StartPkdpick(L"--code 01.11.Z", true);
  HWND main = nullptr;
  TProcess picker = PickerOnceItPicks(main);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(TerminateProcess(pick.Process.Handle.Get(), 9));
  EXPECT_TRUE(pick.ReadPipeToEnd(10000));
  EXPECT_TRUE(picker.Running());
  EXPECT_TRUE(PickWaits(main));
  Press(main, L"Anuluj");
}

BOOL WINAPI Swallow(DWORD) { return TRUE; }

// Ctrl+C while a pick waits: pkdpick ends its conversation and leaves with
// 130; the pick stays up for its user, and the picker ends once answered.
TEST(PickerEndToEnd, PkdpickInterruptedLeavesThePickToItsUser) {
  // The event goes through a console that both share; a test run from a
  // pipe has none.
  FreeConsole();
  ASSERT_TRUE(AllocConsole()) << GetLastError();
  TPickerFolder folder("e2e_pkdpick_break");
  ASSERT_EQ(MainWindowOf(0), nullptr) << "a picker is running already";
  // The test lets it pass.
  SetConsoleCtrlHandler(Swallow, TRUE);
  TPickerFolder::TPick pick = folder.StartPkdpick(L"--code 01.11.Z");
  HWND main = nullptr;
  TProcess picker = PickerOnceItPicks(main);
  ASSERT_NE(main, nullptr);
  // To the whole console: the picker that pkdpick started is no part of it.
  ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << GetLastError();
  ASSERT_TRUE(pick.Finish());
  EXPECT_EQ(pick.Process.ExitCode(), 130u);
  EXPECT_EQ(pick.Out, "");
  EXPECT_EQ(pick.Err, "pkdpick: przerwane\n");
  guitest::PumpFor(500);
  EXPECT_TRUE(PickWaits(main));
  Press(main, L"Wybierz");
  EXPECT_TRUE(picker.WaitExit());
  SetConsoleCtrlHandler(Swallow, FALSE);
}

// What integrators met: a pick arriving over the About box, clients coming and
// going on every topic during a pick, and the pick's own client killed. The
// program answers every one and stays usable.
TEST(PickerEndToEnd, APickIsNeverAHangAndStaysBusyToTheEnd) {
  TPickerFolder folder("e2e_hardened");
  HWND main = nullptr;
  TProcess picker = folder.StartPicker(main);
  ASSERT_NE(main, nullptr);

  // The About box holds the window disabled in its own loop; the pick closes it.
  PostMessageW(main, WM_COMMAND, 221, 0);  // "O programie"
  ASSERT_TRUE(WaitFor([&] { return OtherVisibleWindowOf(picker.Id, main) && !IsWindowEnabled(main); }));
  TPickerFolder::TPick first = folder.StartPkdpick(L"--code 01.11.Z");
  ASSERT_TRUE(WaitFor([&] { return PickWaits(main); }));
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(OtherVisibleWindowOf(picker.Id, main), nullptr);

  // The last System conversation ending takes no busy mark with it.
  TClient other({"connect\tPKD_ZEL\tSystem", "request\tStatus", "disconnect", "connect\tPKD_ZEL\tPKD",
                 "request\tKOD", "execute\t[Find_PKD(\"01.12.Z\",\"\")]", "connect\tPKD_ZEL\tSystem",
                 "request\tStatus", "disconnect"});
  EXPECT_EQ(other.Finish(),
            (std::vector<std::string>{"connect PKD_ZEL/System = PKD_ZEL/System", "request Status = BUSY",
                                      "disconnect = ok", "connect PKD_ZEL/PKD = PKD_ZEL/PKD",
                                      "request KOD = failed DMLERR_NOTPROCESSED", "execute = 0x4000",
                                      "connect PKD_ZEL/System = PKD_ZEL/System", "request Status = BUSY",
                                      "disconnect = ok"}));
  EXPECT_EQ(ControlText(DirectChildOfClass(main, L"ComboBox")), "01.11.Z");
  Press(main, L"Wybierz");
  ASSERT_TRUE(first.Finish());
  EXPECT_EQ(first.Process.ExitCode(), 0u) << first.Err;
  EXPECT_EQ(first.Out, pkdpick::JsonResult("01.11.Z", "Uprawa zbóż", kOpis0111));

  ASSERT_TRUE(picker.WaitExit());  // hidden, and left by its client

  // Its client killed mid-pick: the button ends the pick and, hidden and
  // left, the picker ends (an error box would hold it), and the next client
  // is served.
  TPickerFolder::TPick killed = folder.StartPkdpick(L"--code 01.12.Z");
  TProcess second = PickerOnceItPicks(main);
  ASSERT_NE(main, nullptr);
  TerminateProcess(killed.Process.Handle.Get(), 9);
  guitest::PumpFor(500);
  EXPECT_TRUE(PickWaits(main));
  Press(main, L"Anuluj");
  ASSERT_TRUE(second.WaitExit());
  EXPECT_EQ(second.ExitCode(), 0u);
  TPickerFolder::TPick next = folder.StartPkdpick(L"--find --code 01.12.Z");
  ASSERT_TRUE(next.Finish());
  EXPECT_EQ(next.Process.ExitCode(), 0u) << next.Err;
  EXPECT_NE(next.Out.find("01.12.Z"), std::string::npos) << next.Out;
  // The picker that --find started, hidden and left by its client, ends too.
  EXPECT_TRUE(WaitFor([] { return MainWindowOf(0) == nullptr; }));
}

// The user closes the picker while pkdpick's pick waits, then answers it:
// pkdpick still gets its values (with "Anuluj" too: it is not told busy),
// and the picker ends after it, by whichever way the close was asked.
TEST(PickerEndToEnd, AClosedPickerLetsItsClientTakeTheChoice) {
  TPickerFolder folder("e2e_close_during_pick");
  const struct {
    const char* close;
    const wchar_t* button;
    DWORD status;
  } cases[] = {
      {"WM_CLOSE", L"Wybierz", 0},
      {"Alt+F4", L"Anuluj", 1},
      {"system menu", L"Wybierz", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.close);
    ASSERT_EQ(MainWindowOf(0), nullptr) << "a picker is running already";
    TPickerFolder::TPick pick = folder.StartPkdpick(L"--code 01.11.Z");
    HWND main = nullptr;
    TProcess picker = PickerOnceItPicks(main);
    ASSERT_NE(main, nullptr);
    if (std::string(c.close) == "WM_CLOSE") {
      PostMessageW(main, WM_CLOSE, 0, 0);
    } else if (std::string(c.close) == "Alt+F4") {
      SetForegroundWindow(main);
      ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == main; }, 5000));
      SendKeys({{VK_MENU, true}, {VK_F4, true}, {VK_F4, false}, {VK_MENU, false}});
    } else {
      PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    guitest::PumpFor(1000);
    ASSERT_TRUE(PickWaits(main));
    Press(main, c.button);
    ASSERT_TRUE(pick.Finish());
    EXPECT_EQ(pick.Process.ExitCode(), c.status) << pick.Err;
    EXPECT_EQ(pick.Out, pkdpick::JsonResult("01.11.Z", "Uprawa zbóż", kOpis0111));
    EXPECT_TRUE(picker.WaitExit());
    EXPECT_EQ(picker.ExitCode(), 0u);
  }
}

// A pick arriving while the user has a menu open: the menu closes, and
// "Wybierz" clicked with the mouse takes the pick. The tree's context menu
// opened by a right click, and the menu bar entered with F10.
TEST(PickerEndToEnd, APickOverAnOpenMenuClosesIt) {
  TPickerFolder folder("e2e_menu");
  for (const char* menu : {"context menu", "menu bar"}) {
    SCOPED_TRACE(menu);
    HWND main = nullptr;
    TProcess picker = folder.StartPicker(main);
    ASSERT_NE(main, nullptr);
    const HWND tree = DirectChildOfClass(main, L"SysTreeView32");
    ASSERT_NE(tree, nullptr);
    SetForegroundWindow(main);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == main; }, 5000));
    if (std::string(menu) == "context menu") {
      ClickAt(CentreOf(tree), true);
    } else {
      SendKeys({{VK_F10, true}, {VK_F10, false}});
    }
    ASSERT_TRUE(WaitFor([&] { return InMenuLoop(main); }, 5000));

    TPickerFolder::TPick pick = folder.StartPkdpick(L"--code 01.11.Z");
    ASSERT_TRUE(WaitFor([&] { return PickWaits(main) && !InMenuLoop(main) && !VisibleMenuOf(picker.Id); }));
    guitest::PumpFor(500);
    ClickAt(CentreOf(ChildWithText(main, L"Wybierz")));
    ASSERT_TRUE(pick.Finish());
    EXPECT_EQ(pick.Process.ExitCode(), 0u) << pick.Err;
    EXPECT_EQ(pick.Out, pkdpick::JsonResult("01.11.Z", "Uprawa zbóż", kOpis0111));
    // Hidden after the pick, it ends with its client.
    ASSERT_TRUE(picker.WaitExit());
  }
}

// A client that dies says no goodbye. A picker started hidden whose only
// client was killed after Find_PKD ends; one whose client lives stays.
TEST(PickerEndToEnd, AHiddenPickerLeftByAKilledClientEnds) {
  TPickerFolder folder("e2e_killed_client");
  TProcess picker = Start(folder.Path("pkd.exe"), L"", nullptr, nullptr, 0, true);
  HWND main = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (main = MainWindowOf(picker.Id)) != nullptr; }));
  const std::vector<std::string> script = {"connect\tPKD_ZEL\tPKD", "execute\t[Find_PKD(\"01.12.Z\",\"\")]",
                                           "wait\t60000"};
  TClient client(script);
  ASSERT_TRUE(client.WaitLines(2));
  EXPECT_EQ(client.Lines()[1], "execute = 0x8000");
  EXPECT_FALSE(picker.WaitExit(3000));  // its client lives
  EXPECT_FALSE(IsWindowVisible(main));
  client.Kill();
  EXPECT_TRUE(picker.WaitExit(10000));
}

}  // namespace
