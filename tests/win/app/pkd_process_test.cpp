// pkd.exe as a process of its own: without pkd.kod beside it, it shows the
// notice and ends once the notice is dismissed; with it, it opens its window.
#include <gtest/gtest.h>

#include <string>

#include "app/gui_helpers.h"
#include "ui/handles.h"
#include "ui/wintext.h"

namespace {

// The build's pkd.exe, as Wine sees the Unix path.
std::wstring BuiltPkd() {
  std::string unixPath = std::string(PKD_TEST_BINARY_DIR) + "/bin/pkd.exe";
  for (char& c : unixPath)
    if (c == '/') c = '\\';
  return ui::Wide("Z:" + unixPath);
}

struct TChild {
  ui::TKernelHandle process;
  DWORD id = 0;
};

TChild Start(const std::wstring& exe) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = L"\"" + exe + L"\"";
  TChild child;
  if (CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(pi.hThread);
    child.process.Reset(pi.hProcess);
    child.id = pi.dwProcessId;
  }
  return child;
}

TEST(PkdProcess, WithoutCatalogueShowsTheNoticeAndEndsAfterIt) {
  guitest::TTempDir dir("no_catalogue");
  const std::wstring exe = ui::Wide(dir.File("pkd.exe"));
  ASSERT_TRUE(CopyFileW(BuiltPkd().c_str(), exe.c_str(), FALSE)) << ui::Narrow(BuiltPkd());
  TChild child = Start(exe);
  ASSERT_TRUE(child.process);
  {
    guitest::TBoxWatcher boxes(child.id);
    // The process keeps running until its notice is dismissed.
    for (int i = 0; i < 1500 && boxes.Count() == 0; ++i)
      ASSERT_EQ(WaitForSingleObject(child.process.Get(), 20), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Seen()[0].Text, "Niestety nie znalazłem pliku \"pkd.kod\" z definicją kodów PKD !");
    EXPECT_EQ(boxes.Seen()[0].Caption, "Wendrak");
    // The icon handle of another process cannot be compared with ours; the
    // in-process window tests check the icon of this same box.
  }
  ASSERT_EQ(WaitForSingleObject(child.process.Get(), 20000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 99;
  GetExitCodeProcess(child.process.Get(), &code);
  EXPECT_EQ(code, 0u);
  DeleteFileW(exe.c_str());
}

}  // namespace
