#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "dde/errors.h"
#include "dde/trace.h"
#include "support/fake_platform.h"

namespace dde {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& name, const std::string& bytes) {
  std::ofstream(name, std::ios::binary) << bytes;
}


// Each test traces into a fresh folder and leaves the thread untraced.
class TraceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / "pkd_dde_trace_test" /
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir);
    fs::create_directories(dir);
    log = (dir / "DDEMNGR.LOG").string();
    host.dateTime = "07.12.2026 21:05:00";
    SetTraceHost(&host);
  }
  void TearDown() override {
    ApplyDebugSettings(nullptr, dbNone, false, "");
    SetDebugWindowFactory(nullptr);
    SetTraceHost(nullptr);
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  ddetest::TFakeHost host;
  fs::path dir;
  std::string log;
};

TEST(TracePieceTest, EachKindAsText) {
  EXPECT_EQ(BuildTraceLine({"n=", -42, " u=", 4000000000u, " b=", true, "/", false}),
            "n=-42 u=4000000000 b=TRUE/FALSE");
  EXPECT_EQ(BuildTraceLine({3.14159}), "      3.14");
  EXPECT_EQ(BuildTraceLine({-2.5, '|', 1234567.891}), "     -2.50|1234567.89");
  EXPECT_EQ(BuildTraceLine({'x', std::string("yz"), std::string_view("!"), TTracePiece()}), "xyz!");
}

TEST_F(TraceTest, OffWritesNothingAndTouchesNoFile) {
  SetDebugSettingsQuietly(dbNone, log);
  EXPECT_FALSE(TracingOn());
  WriteTrace({"line"});
  WriteTracePrefixed("TDDEMLManager", {"x"});
  EXPECT_FALSE(fs::exists(log));
}

TEST_F(TraceTest, NewLogStartsWithTheHeaderThenOneLinePerTrace) {
  ApplyDebugSettings(this, dbFile, true, log);
  EXPECT_TRUE(TracingOn());
  WriteTracePrefixed("TDDEMLService", {"Register - Calling DdeNameService"});
  WriteTrace({"Count = ", 2});
  EXPECT_EQ(ReadFile(log),
            "\r\n\r\nAs at 07.12.2026 21:05:00\r\n\r\n\r\n"
            "TDDEMLService : Register - Calling DdeNameService\r\n"
            "Count = 2\r\n");
}

TEST_F(TraceTest, SwitchingToFileSetsAnOldLogAside) {
  WriteFile(log, "old\r\n");
  WriteFile((dir / "DDEMNGR.001").string(), "older\r\n");
  ApplyDebugSettings(this, dbFile, false, log);
  EXPECT_FALSE(fs::exists(log));
  EXPECT_EQ(ReadFile((dir / "DDEMNGR.002").string()), "old\r\n");
  EXPECT_EQ(ReadFile((dir / "DDEMNGR.001").string()), "older\r\n");
  WriteTrace({"fresh"});
  EXPECT_EQ(ReadFile(log).substr(0, 2), "\r\n");
  EXPECT_NE(ReadFile(log).find("fresh\r\n"), std::string::npos);
}

TEST_F(TraceTest, WithAllNumbersTakenTheOldLogIsAppendedTo) {
  WriteFile(log, "old\r\n");
  for (int n = 1; n <= 999; ++n) WriteFile(NumberedLogName(log, n), "");
  ApplyDebugSettings(this, dbFile, false, log);
  WriteTrace({"more"});
  EXPECT_EQ(ReadFile(log), "old\r\nmore\r\n");
}

TEST_F(TraceTest, EmptyFileNameMeansTheDefaultLog) {
  ApplyDebugSettings(this, dbFile, false, "");
  EXPECT_EQ(ThreadDebugFileName(), "C:\\DDEMNGR.LOG");
  // Storing quietly keeps the name as given.
  SetDebugSettingsQuietly(dbFile, "x.log");
  EXPECT_EQ(ThreadDebugFileName(), "x.log");
  EXPECT_EQ(ThreadDebugState(), dbFile);
}

TEST(NumberedLogNameTest, ReplacesOnlyTheLastExtension) {
  EXPECT_EQ(NumberedLogName("C:\\DDEMNGR.LOG", 1), "C:\\DDEMNGR.001");
  EXPECT_EQ(NumberedLogName("C:\\a.b\\log", 12), "C:\\a.b\\log.012");
  EXPECT_EQ(NumberedLogName("x.tar.gz", 999), "x.tar.999");
}

TEST_F(TraceTest, FileErrorsReachTheCaller) {
  std::string bad = (dir / "missing" / "x.log").string();
  SetDebugSettingsQuietly(dbFile, bad);
  EXPECT_THROW(WriteTrace({"x"}), EInOutError);
}

struct TRecordingWindow : IDebugWindow {
  explicit TRecordingWindow(std::vector<std::string>* sink, int* alive) : sink(sink), alive(alive) {
    ++*alive;
  }
  ~TRecordingWindow() override { --*alive; }
  void AddLine(const std::string& line) override { sink->push_back(line); }
  std::vector<std::string>* sink;
  int* alive;
};

std::vector<std::string> gLines;
int gAlive = 0;
bool gStayOnTop = false;
std::unique_ptr<IDebugWindow> MakeRecorder(const void*, bool stayOnTop) {
  gStayOnTop = stayOnTop;
  return std::make_unique<TRecordingWindow>(&gLines, &gAlive);
}

TEST_F(TraceTest, FormStateSendsLinesToTheThreadsWindow) {
  gLines.clear();
  SetDebugWindowFactory(MakeRecorder);
  int owner = 0;
  ApplyDebugSettings(&owner, dbForm, true, log);
  EXPECT_EQ(gAlive, 1);
  EXPECT_TRUE(gStayOnTop);
  IDebugWindow* w = ThreadDebugWindow();
  ApplyDebugSettings(&owner, dbForm, false, log);  // an existing window is kept
  EXPECT_EQ(ThreadDebugWindow(), w);
  EXPECT_EQ(gAlive, 1);
  WriteTracePrefixed("TDDEMLManager", {"InitDDEML : ", "start  ...."});
  EXPECT_EQ(gLines, std::vector<std::string>{"TDDEMLManager : InitDDEML : start  ...."});
  EXPECT_FALSE(fs::exists(log));

  // Going quiet stops the lines but leaves the window.
  SetDebugSettingsQuietly(dbNone, log);
  WriteTrace({"dropped"});
  EXPECT_EQ(gLines.size(), 1u);
  EXPECT_EQ(gAlive, 1);

  // Another manager's end does not free it; its owner's end does.
  int stranger = 0;
  ReleaseDebugWindow(&stranger);
  EXPECT_EQ(gAlive, 1);
  ReleaseDebugWindow(&owner);
  EXPECT_EQ(gAlive, 0);
  SetDebugSettingsQuietly(dbForm, log);
  WriteTrace({"no window"});  // dropped, no crash
  EXPECT_EQ(gLines.size(), 1u);

  ApplyDebugSettings(&owner, dbForm, true, log);
  EXPECT_EQ(gAlive, 1);
  ApplyDebugSettings(&owner, dbFile, true, log);  // the file state frees the window
  EXPECT_EQ(gAlive, 0);
}

TEST_F(TraceTest, SettingsBelongToTheThread) {
  ApplyDebugSettings(this, dbFile, false, log);
  TDDEMLDebugState other = dbForm;
  std::thread t([&] {
    other = ThreadDebugState();
    WriteTrace({"from another thread"});
  });
  t.join();
  EXPECT_EQ(other, dbNone);
  EXPECT_FALSE(fs::exists(log));
}

TEST_F(TraceTest, SetErrorLeavesFourLines) {
  ApplyDebugSettings(this, dbFile, false, log);
  EXPECT_FALSE(TraceSetError(-17, 0x4009, "PKD_ZEL/PKD"));
  EXPECT_TRUE(TraceSetError(1, 0, ""));
  std::string text = ReadFile(log);
  EXPECT_NE(text.find("   SetError : \r\n"
                      "         Mngr Error  = DdeDisconnect function failed\r\n"
                      "         DDEML Error = DMLERR_NOTPROCESSED\r\n"
                      "         Message     = PKD_ZEL/PKD\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Mngr Error  = Ok\r\n"), std::string::npos);
}

TEST(DebugMemoLinesTest, TheLineAfterFiveHundredAndOneRemovesTheFirst) {
  TDebugMemoLines memo;
  for (int i = 1; i <= 501; ++i) EXPECT_FALSE(memo.Add("line " + std::to_string(i)));
  EXPECT_EQ(memo.Count(), 501u);
  EXPECT_TRUE(memo.Add("line 502"));
  EXPECT_EQ(memo.Count(), 501u);
  EXPECT_EQ(memo.Lines().front(), "line 2");
  EXPECT_EQ(memo.Lines().back(), "line 502");
  memo.Clear();
  EXPECT_EQ(memo.Count(), 0u);
}

}  // namespace
}  // namespace dde
