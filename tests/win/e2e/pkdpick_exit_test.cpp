// pkdpick's exit status against the real pkd.exe: a picker that cannot start
// is an error at once, --find finds only what its search selected, and output
// that cannot be written is an error.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/gui_helpers.h"
#include "dde/win/dde_client_win.h"
#include "e2e_process.h"
#include "picker/pick_protocol.h"
#include "support/temp_dir.h"
#include "text/cp1250.h"
#include "ui/handles.h"
#include "ui/wintext.h"

namespace {

constexpr DWORD kLong = 30000;

std::wstring Built(const char* name) {
  std::string path = std::string(PKD_TEST_BINARY_DIR) + "/bin/" + name;
  for (char& c : path)
    if (c == '/') c = '\\';
  return ui::Wide("Z:" + path);
}

std::string Utf8(const std::string& cp1250) { return text::Cp1250ToUtf8(cp1250); }

struct TFind {
  std::wstring Exe;
  std::vector<DWORD> Pids;
};

BOOL CALLBACK AddPicker(HWND wnd, LPARAM lp) {
  TFind& f = *reinterpret_cast<TFind*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  const ui::TKernelHandle p(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  wchar_t path[MAX_PATH] = L"";
  DWORD size = MAX_PATH;
  if (p && QueryFullProcessImageNameW(p.Get(), 0, path, &size) && _wcsicmp(path, f.Exe.c_str()) == 0 &&
      std::find(f.Pids.begin(), f.Pids.end(), pid) == f.Pids.end())
    f.Pids.push_back(pid);
  return TRUE;
}

// The processes running the folder's pkd.exe.
std::vector<DWORD> PickersIn(const std::filesystem::path& folder) {
  TFind find{(folder / L"pkd.exe").wstring(), {}};
  EnumWindows(AddPicker, reinterpret_cast<LPARAM>(&find));
  return find.Pids;
}


void EndPickersIn(const std::filesystem::path& folder) {
  for (DWORD pid : PickersIn(folder)) {
    const ui::TKernelHandle p(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (p && TerminateProcess(p.Get(), 99)) WaitForSingleObject(p.Get(), 5000);
  }
}

class TFolder {
 public:
  // catalogue: the small one, "" for none, anything else written as pkd.kod.
  TFolder(const std::string& name, const char* catalogue) : FDir(name) {
    for (const char* exe : {"pkd.exe", "pkdpick.exe"})
      EXPECT_TRUE(CopyFileW(Built(exe).c_str(), Path(exe).c_str(), FALSE)) << exe;
    if (!catalogue) {
      guitest::WriteKodCatalogue(FDir.Path() / L"pkd.kod", "Kody testowe",
                                 {"A - Rolnictwo", " 01 - Uprawy rolne", "  01.1 - Uprawy inne niż wieloletnie",
                                  "   01.11.Z - Uprawa zbóż", "   01.12.Z - Uprawa ryżu"});
    } else if (*catalogue) {
      std::ofstream(FDir.Path() / L"pkd.kod", std::ios::binary) << catalogue;
    }
  }
  ~TFolder() { EndPickersIn(FDir.Path()); }
  std::wstring Path(const char* name) const { return FDir.File(name).wstring(); }
  const std::filesystem::path& Dir() const { return FDir.Path(); }

  struct TRun {
    DWORD Status = 99;
    DWORD Ms = 0;
    std::string Out, Err;
  };
  // pkdpick with the arguments until it ends; its standard output into a
  // file, or into out when one is given.
  TRun Pkdpick(const std::wstring& args, HANDLE out = nullptr) {
    TRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const std::filesystem::path outFile = FDir.Path() / L"out.txt", errFile = FDir.Path() / L"err.txt";
    ui::TKernelHandle ownOut;
    if (!out) {
      ownOut.Reset(CreateFileW(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
      out = ownOut.Get();
    }
    const ui::TKernelHandle err(
        CreateFileW(errFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    const DWORD start = GetTickCount();
    const e2e::TProcess pkdpick = e2e::Start(Path("pkdpick.exe"), args, out, err.Get());
    if (!pkdpick.Handle) {
      ADD_FAILURE() << "pkdpick did not start: " << GetLastError();
      return run;
    }
    guitest::WaitFor([&] { return !pkdpick.Running(); }, kLong);
    run.Ms = GetTickCount() - start;
    run.Status = pkdpick.ExitCode();
    if (ownOut) {
      ownOut.Reset(nullptr);
      run.Out = testing_support::ReadAll(outFile);
    }
    run.Err = testing_support::ReadAll(errFile);
    return run;
  }

 private:
  guitest::TTempDir FDir;
};

// A picker whose catalogue is missing or damaged shows its error and offers
// no service: pkdpick, which started it, says so at once, for a pick and for
// --find alike, instead of calling it busy or waiting a minute.
TEST(PkdpickExit, APickerThatCannotStartIsAnErrorAtOnce) {
  const struct {
    const char* name;
    const char* catalogue;
  } catalogues[] = {{"exit_no_catalogue", ""}, {"exit_damaged_catalogue", "to nie jest katalog"}};
  for (const auto& c : catalogues) {
    for (const wchar_t* args : {L"--code 01.11.Z", L"--find --code 01.11.Z"}) {
      SCOPED_TRACE(std::string(c.name) + " " + ui::Narrow(args));
      TFolder folder(c.name, c.catalogue);
      const TFolder::TRun run = folder.Pkdpick(args);
      EXPECT_EQ(run.Status, 2u) << run.Err;
      EXPECT_LT(run.Ms, 5000u);
      EXPECT_EQ(run.Err.rfind(Utf8("pkdpick: pkd.exe nie mógł się uruchomić: "), 0), 0u) << run.Err;
      EXPECT_EQ(run.Out, "");
      std::cout << ui::Narrow(args) << " on " << c.name << ": exit " << run.Status << " after " << run.Ms
                << " ms: " << run.Err;
    }
    // Started by hand, the picker shows its error and offers no service
    // meanwhile, so that a script is not told "busy" and does not try again.
    SCOPED_TRACE(c.name);
    TFolder folder(c.name, c.catalogue);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    const std::wstring exe = folder.Path("pkd.exe");
    std::wstring cmd = L"\"" + exe + L"\"";
    ASSERT_TRUE(CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(pi.hThread);
    const ui::TKernelHandle picker(pi.hProcess);
    EXPECT_TRUE(guitest::WaitFor([&] { return guitest::VisibleTopWindowOf(pi.dwProcessId, L"#32770") != nullptr; },
                                 kLong));
    guitest::PumpFor(1000);
    // Its System topic answers whenever the service is registered, busy or not.
    dde::TDdeClient client;
    ASSERT_TRUE(client.Ok());
    dde::TDdeConversation conv(client);
    EXPECT_FALSE(conv.Connect("PKD_ZEL", "System")) << "the service is registered";
  }
}

// --find is found only when the code search ran for the text given and
// selected its entry: a start of a code runs no search, and the entry the
// picker showed before proves nothing.
TEST(PkdpickExit, FindIsFoundOnlyByItsOwnSearch) {
  TFolder folder("exit_find", nullptr);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  const std::wstring exe = folder.Path("pkd.exe");
  std::wstring cmd = L"\"" + exe + L"\"";
  ASSERT_TRUE(CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  CloseHandle(pi.hThread);
  const ui::TKernelHandle picker(pi.hProcess);
  const struct {
    const wchar_t* args;
    DWORD status;
    const char* out;
    const char* err;
  } cases[] = {
      {L"--find --code 01.11.Z --format text", 0, "01.11.Z\tUprawa zbóż\t\n", ""},
      {L"--find --code 01.11. --format text", 4, "", "pkdpick: nie znaleziono kodu 01.11.\n"},
      {L"--find --code 0 --format text", 4, "", "pkdpick: nie znaleziono kodu 0\n"},
      {L"--find --code 01.1 --format text", 0, "01.1\tUprawy inne niż wieloletnie\t\n", ""},
      {L"--find --code 01.11.z --format text", 0, "01.11.Z\tUprawa zbóż\t\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ui::Narrow(c.args));
    const TFolder::TRun run = folder.Pkdpick(c.args);
    std::cout << ui::Narrow(c.args) << ": exit " << run.Status << " after " << run.Ms << " ms\n";
    EXPECT_EQ(run.Status, c.status) << run.Err;
    EXPECT_EQ(run.Out, Utf8(c.out));
    EXPECT_EQ(run.Err, Utf8(c.err));
  }
  EXPECT_EQ(WaitForSingleObject(picker.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));  // visible: it stays
}

// What cannot be written is not reported as done: standard output into a
// pipe nobody reads any more, and into a full device.
TEST(PkdpickExit, AnOutputThatCannotBeWrittenIsAnError) {
  TFolder folder("exit_write", nullptr);
  for (const wchar_t* args : {L"--version", L"--help", L"--find --code 01.11.Z"}) {
    for (const bool full : {false, true}) {
      SCOPED_TRACE(ui::Narrow(args) + (full ? " > /dev/full" : " | closed pipe"));
      SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
      ui::TKernelHandle out;
      if (full) {
        out.Reset(CreateFileW(L"Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr));
      } else {
        HANDLE read = nullptr, write = nullptr;
        ASSERT_TRUE(CreatePipe(&read, &write, &inherit, 0));
        CloseHandle(read);
        out.Reset(write);
      }
      ASSERT_TRUE(out && out.Get() != INVALID_HANDLE_VALUE) << GetLastError();
      const TFolder::TRun run = folder.Pkdpick(args, out.Get());
      EXPECT_EQ(run.Status, 2u) << run.Err;
      EXPECT_EQ(run.Err.rfind(Utf8("pkdpick: nie mogę zapisać na standardowe wyjście"), 0), 0u) << run.Err;
    }
  }
}

BOOL WINAPI Swallow(DWORD) { return TRUE; }

// Waits up to 20 s for a picker to be running on the desktop, or for none to be.
bool PickerRunningBecomes(bool running) {
  return guitest::WaitFor(
      [running] {
        const HANDLE mark = OpenEventA(SYNCHRONIZE, FALSE, picker::kPickerRunningMark);
        if (mark) CloseHandle(mark);
        return (mark != nullptr) == running;
      },
      20000);
}

// Ctrl+C is honoured at once whatever pkdpick is doing: waiting for the picker
// it started, or for the user's choice. The event goes through a console that
// both share; a test run from a pipe has none. The first moment is the
// picker's own start: a fixed delay could come before pkdpick has taken
// Ctrl+C up on a slow machine, where Wine's default ends it with status 0.
TEST(PkdpickExit, CtrlCIsHonouredAtOnce) {
  FreeConsole();
  ASSERT_TRUE(AllocConsole()) << GetLastError();
  SetConsoleCtrlHandler(Swallow, TRUE);
  const struct {
    const char* when;
    DWORD afterMs;  // after pkdpick started; 0: as soon as the picker runs
  } moments[] = {{"while the picker starts", 0}, {"while the pick waits", 6000}};
  for (const auto& m : moments) {
    SCOPED_TRACE(m.when);
    TFolder folder("exit_break", nullptr);
    ASSERT_TRUE(PickerRunningBecomes(false)) << "a picker from before is still running";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    const std::wstring exe = folder.Path("pkdpick.exe");
    std::wstring cmd = L"\"" + exe + L"\" --code 01.11.Z";
    ASSERT_TRUE(CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(pi.hThread);
    const ui::TKernelHandle process(pi.hProcess);
    if (m.afterMs == 0) ASSERT_TRUE(PickerRunningBecomes(true));
    else guitest::PumpFor(m.afterMs);
    ASSERT_EQ(WaitForSingleObject(process.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    const DWORD sent = GetTickCount();
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << GetLastError();
    const DWORD waited = WaitForSingleObject(process.Get(), 5000);
    const DWORD ms = GetTickCount() - sent;
    DWORD status = 99;
    GetExitCodeProcess(process.Get(), &status);
    std::cout << "Ctrl+C " << m.when << ": exit " << status << " after " << ms << " ms\n";
    EXPECT_EQ(waited, static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(status, 130u);
    EXPECT_LT(ms, 200u);
  }
  SetConsoleCtrlHandler(Swallow, FALSE);
}

}  // namespace
