// pkd.exe as a process of its own: without pkd.kod beside it, it shows the
// notice and ends once the notice is dismissed; with it, it opens its window,
// from any folder. And the manifest it carries suits its own processor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
  const std::wstring exe = dir.File("pkd.exe").wstring();
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

// A user folder named in Cyrillic and Greek has no Windows-1250 form: the
// program's own folder must reach the file call unchanged.
TEST(PkdProcess, FindsItsCatalogueInAFolderNamedOutsideWindows1250) {
  guitest::TTempDir dir(L"Дом Ωμέγα");
  const std::wstring exe = (dir.Path() / L"pkd.exe").wstring();
  ASSERT_TRUE(CopyFileW(BuiltPkd().c_str(), exe.c_str(), FALSE)) << ui::Narrow(BuiltPkd());
  guitest::WriteKodCatalogue(dir.Path() / L"pkd.kod", "Katalog w obcym folderze", {"A - Sekcja", " 01 - Dział"});
  TChild child = Start(exe);
  ASSERT_TRUE(child.process);
  guitest::TBoxWatcher boxes(child.id);
  HWND main = nullptr;
  for (int i = 0; i < 1500 && !main; ++i) {
    if (boxes.Count() > 0) break;
    ASSERT_EQ(WaitForSingleObject(child.process.Get(), 20), static_cast<DWORD>(WAIT_TIMEOUT));
    main = guitest::VisibleTopWindowOf(child.id);
  }
  ASSERT_EQ(boxes.Count(), 0u) << boxes.Seen()[0].Text;
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(ui::WindowText(main), "Katalog w obcym folderze");
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(child.process.Get(), 20000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 99;
  GetExitCodeProcess(child.process.Get(), &code);
  EXPECT_EQ(code, 0u);
}

// Windows refuses to start a program whose manifest names another processor
// (Wine does not check), so read what the built program carries.
TEST(PkdProcess, ManifestNamesTheProcessorOfTheBuild) {
  HMODULE image = LoadLibraryExW(BuiltPkd().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(image, nullptr);
  HRSRC res = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(res, nullptr);
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(image, res)));
  const std::string manifest(bytes, SizeofResource(image, res));
  FreeLibrary(image);
#ifdef _WIN64
  const std::string expected = "amd64";
#else
  const std::string expected = "x86";
#endif
  std::vector<std::string> named;
  const std::string attribute = "processorArchitecture=\"";
  for (size_t at = manifest.find(attribute); at != std::string::npos; at = manifest.find(attribute, at + 1)) {
    const size_t start = at + attribute.size();
    named.push_back(manifest.substr(start, manifest.find('"', start) - start));
  }
  // The program's own identity and Common Controls 6.
  EXPECT_EQ(named, (std::vector<std::string>{expected, expected})) << manifest;
}

}  // namespace
