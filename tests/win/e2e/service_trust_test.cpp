// The picker's DDE service under careless or hostile clients, end to end:
// the real pkd.exe in a folder of its own, and client processes (the script
// client of the manager's tests) that poke what is not theirs, link and
// leave. What one client sends must not change what the next one gets.
#define PSAPI_VERSION 2
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "support/pump_win.h"
#include "support/temp_dir.h"
#include "ui/handles.h"
#include "app/gui_helpers.h"
#include "e2e/e2e_process.h"

namespace {

using namespace e2e;

// pkd.exe in a folder of its own with a small catalogue, once its window
// shows (its service is registered before).
class TPicker {
 public:
  TPicker() : FDir("e2e_trust") {
    EXPECT_TRUE(CopyFileW(FromBinaryDir("bin/pkd.exe").c_str(), FDir.File("pkd.exe").wstring().c_str(), FALSE));
    guitest::WriteKodCatalogue(FDir.Path() / L"pkd.kod", "Kody testowe",
                               {"A - Rolnictwo", " 01 - Uprawy rolne", "  01.1 - Uprawy inne",
                                "   01.11.Z - Uprawa zbóż", "   01.12.Z - Uprawa ryżu"});
    Process = Start(FDir.File("pkd.exe").wstring(), L"");
    HWND main = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (main = MainWindowOf(Process.Id)) && IsWindowVisible(main); }));
  }
  TProcess Process;

 private:
  guitest::TTempDir FDir;
};

// The script client (dde_test_client) run to its end; gives its lines.
std::vector<std::string> RunClient(const std::vector<std::string>& script, DWORD ms = kLong) {
  testing_support::TempDir dir;
  std::string text;
  for (const std::string& line : script) text += line + "\n";
  dir.Write("script.txt", text);
  const std::wstring args = L"\"" + dir.Path("script.txt").wstring() + L"\" \"" + dir.Path("out.txt").wstring() + L"\"";
  TProcess client = Start(BesideThisTest(L"dde_test_client.exe"), args);
  EXPECT_TRUE(client.WaitExit(ms));
  EXPECT_EQ(0u, client.ExitCode());
  std::vector<std::string> lines;
  std::ifstream out(dir.Path("out.txt"));
  for (std::string line; std::getline(out, line);) lines.push_back(line);
  return lines;
}

// What the next client gets from the picker's service.
const std::vector<std::string> kNextClient = {
    "connect\tPKD_ZEL\tSystem", "request\tStatus", "request\tSysItems", "request\tItem7",
    "connect\tPKD_ZEL\tPKD",    "execute\t[Find_PKD(\"01.11.Z\",\"\")]", "poke\tKOD\t99.99.Z", "request\tKOD",
    "disconnect"};

// A client pokes System "Status" BUSY and 200 new item names, then leaves:
// the next client's Find_PKD is taken and the lists read as before. A poke
// of KOD changes nothing that KOD answers.
TEST(ServiceTrust, PokesOfAClientChangeNothingForTheNext) {
  TPicker picker;
  ASSERT_TRUE(picker.Process.Running());
  const std::vector<std::string> before = RunClient({"connect\tPKD_ZEL\tSystem", "request\tSysItems", "request\tStatus"});
  ASSERT_EQ(3u, before.size());

  std::vector<std::string> hostile = {"connect\tPKD_ZEL\tSystem", "poke\tStatus\tBUSY"};
  for (int i = 0; i < 200; ++i) hostile.push_back("poke\tItem" + std::to_string(i) + "\tx");
  hostile.push_back("disconnect");
  EXPECT_EQ(203u, RunClient(hostile).size());

  const std::vector<std::string> expected = {
      "connect PKD_ZEL/System = PKD_ZEL/System",
      before[2],  // Status, as the picker set it
      before[1],  // SysItems
      "request Item7 = failed DMLERR_NOTPROCESSED",
      "connect PKD_ZEL/PKD = PKD_ZEL/PKD",
      "execute = 0x8000",
      "poke KOD = 0x0000",
      "request KOD = 01.11.Z",
      "disconnect = ok"};
  EXPECT_EQ(expected, RunClient(kNextClient));
  EXPECT_EQ("request Status = READY", before[2]);
  EXPECT_TRUE(picker.Process.Running());
}

// 300 clients each try a link on KOD and leave: the picker takes none (it
// has no advise handler) and keeps nothing of theirs; its memory stays flat
// over the second and third hundred, and the next client is served.
TEST(ServiceTrust, ClientsThatLinkAndLeaveLeaveNothing) {
  TPicker picker;
  ASSERT_TRUE(picker.Process.Running());
  std::vector<std::string> batch;
  for (int i = 0; i < 100; ++i)
    for (const char* line : {"connect\tPKD_ZEL\tPKD", "advstart\tKOD", "request\tKOD"}) batch.push_back(line);
  batch.push_back("disconnect");
  std::vector<SIZE_T> memory;
  for (int round = 0; round < 3; ++round) {
    const std::vector<std::string> lines = RunClient(batch, 120000);
    ASSERT_EQ(301u, lines.size()) << round;
    EXPECT_EQ("advstart KOD = failed DMLERR_NOTPROCESSED", lines[1]) << round;
    memory.push_back(picker.Process.Memory());
  }
  std::printf("picker committed bytes after 100/200/300 clients: %lu %lu %lu\n", static_cast<unsigned long>(memory[0]),
              static_cast<unsigned long>(memory[1]), static_cast<unsigned long>(memory[2]));
  ASSERT_GT(memory[1], 0u) << "the picker's memory cannot be read";
  // Flat: the third hundred adds no more than a heap's page-level noise.
  EXPECT_LT(memory[2], memory[1] + 512 * 1024);
  const std::vector<std::string> next = RunClient(kNextClient);
  ASSERT_EQ(9u, next.size());
  EXPECT_EQ("execute = 0x8000", next[5]);
  EXPECT_EQ("request KOD = 01.11.Z", next[7]);
}

}  // namespace
