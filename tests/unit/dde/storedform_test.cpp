#include "dde/storedform.h"

#include <gtest/gtest.h>

#include <string>

#include "support/fake_platform.h"

namespace dde {
namespace {

using ddetest::TFakePlatform;

// The commands as "Enabled:Params:Title;" for comparisons.
std::string Dump(const TDDEMLCmdsList& list) {
  std::string s;
  for (int i = 0; i < list.Count(); ++i)
    s += std::string(list.Cmd(i)->Enabled ? "T" : "F") + ":" + list.Cmd(i)->Params + ":" + list.Cmd(i)->Title + ";";
  return s;
}

std::string Dump(const TDDEMLServicesList& list) {
  std::string s;
  for (int i = 0; i < list.Count(); ++i) {
    const TDDEMLService* svc = list.At(i);
    s += svc->ServiceName() + (svc->Enabled ? "+" : "-");
    for (const auto& str : svc->Strings) s += "[" + str + "]";
    s += ";";
  }
  return s;
}

TEST(StoredCmdList, PickerValueIsWrittenAsTheFormFileHoldsIt) {
  TDDEMLCmdsList cmds;
  cmds.AddCmd("Open_PKD", "NSS", true);
  cmds.AddCmd("Find_PKD", "SS", true);
  EXPECT_EQ("ExecCmds.CmdList = (True 'NSS' 'Open_PKD' True 'SS' 'Find_PKD')",
            StoredPropertyLine(kCmdListProperty, WriteCmdList(cmds)));
  TDDEMLCmdsList empty;
  EXPECT_EQ("()", WriteCmdList(empty));
}

TEST(StoredCmdList, ReadingReplacesTheTableWithoutDuplicateCheck) {
  TDDEMLCmdsList cmds;
  cmds.AddCmd("Old", "S");
  ReadCmdList("(True 'NSS' 'Open_PKD' False 'ss' 'Find_PKD' True '' 'open_pkd')", cmds);
  EXPECT_EQ("T:NSS:Open_PKD;F:ss:Find_PKD;T::open_pkd;", Dump(cmds));
  // Multi-line lists, as a form file also writes them, read the same.
  ReadCmdList("(\r\n      True\r\n      'NSS'\r\n      'Open_PKD')", cmds);
  EXPECT_EQ("T:NSS:Open_PKD;", Dump(cmds));
  ReadCmdList("()", cmds);
  EXPECT_EQ(0, cmds.Count());
}

TEST(StoredCmdList, RoundTripKeepsAwkwardTexts) {
  TDDEMLCmdsList cmds;
  cmds.AddCmd("It's", "N", false);
  cmds.AddCmd(std::string("tab\there\r\n"), "Ss", true);
  cmds.AddCmd("Zażółć", "", true);  // Windows-1250 bytes above 0x7F
  cmds.AddCmd("''", std::string(21, 'I'), true);
  const std::string stored = WriteCmdList(cmds);
  EXPECT_NE(std::string::npos, stored.find("'It''s'"));
  EXPECT_NE(std::string::npos, stored.find("'tab'#9'here'#13#10"));
  TDDEMLCmdsList back;
  ReadCmdList(stored, back);
  EXPECT_EQ(Dump(cmds), Dump(back));
  EXPECT_EQ(stored, WriteCmdList(back));
}

TEST(StoredCmdList, StringSyntaxOfFormFiles) {
  TDDEMLCmdsList cmds;
  ReadCmdList("(true 'a'#39'b' + \r\n 'c' 'T1' FALSE #65#$42 'x')", cmds);
  EXPECT_EQ("T:a'bc:T1;F:AB:x;", Dump(cmds));
}

TEST(StoredCmdList, MalformedTextIsAnErrorAndLeavesTheTable) {
  TDDEMLCmdsList cmds;
  cmds.AddCmd("Keep", "S");
  for (const char* bad : {
           "",
           "(",
           ")",
           "True 'S' 'A'",
           "(True 'S' 'A'",
           "(True 'S' 'A'))",
           "(True 'S' 'A') x",
           "(True 'S')",             // incomplete triple
           "('S' True 'A')",         // wrong order
           "(Yes 'S' 'A')",          // not a boolean
           "(True 1 'A')",           // not a string
           "(True 'S 'A')",          // unterminated
           "(True 'S\n' 'A')",       // line break inside quotes
           "(True #256 'A')",        // code too big
           "(True # 'A')",
           "(True #99999999999999999999 'A')",
           "(True 'a' + )",
           "(True 'a' + 5 'b')",
           "(True 'SSSSSSSSSSSSSSSSSSSSSS' 'A')",  // 22 parameters
           "(True 'S' 'A' @)",
       }) {
    EXPECT_THROW(ReadCmdList(bad, cmds), EStoredFormError) << bad;
    EXPECT_EQ("T:S:Keep;", Dump(cmds)) << bad;
  }
}

class StoredServices : public ::testing::Test {
 protected:
  TFakePlatform fake;
};

TEST_F(StoredServices, EmptyListAndRoundTrip) {
  TDDEMLServicesList list(fake);
  EXPECT_EQ("Services.ServicesList = ()", StoredPropertyLine(kServicesListProperty, WriteServicesList(list)));

  list.Add("PKD_ZEL")->Enabled = true;
  TDDEMLService* other = list.Add("Other");
  other->Strings = {"one", "it's", ""};
  const std::string stored = WriteServicesList(list);
  EXPECT_EQ("('Other' False 3 'one' 'it''s' '' 'PKD_ZEL' True 0)", stored);

  TDDEMLServicesList back(fake);
  back.Add("Gone");
  ReadServicesList(stored, back);
  EXPECT_EQ("Other-[one][it's][];PKD_ZEL+;", Dump(back));
  EXPECT_FALSE(back.Find("PKD_ZEL")->Registered());
  EXPECT_EQ(stored, WriteServicesList(back));
}

TEST_F(StoredServices, ReadServicesReportThroughTheList) {
  struct TSink : IErrorSink {
    bool SetError(int code, const std::string&) override {
      last = code;
      return false;
    }
    int last = 0;
  } sink;
  TDDEMLServicesList list(fake);
  list.SetErrorSink(&sink);
  ReadServicesList("('A' False 0)", list);
  TInstanceId instance = 0;
  list.Find("A")->Register(instance, false);  // not registered: -12 reaches the sink
  EXPECT_EQ(errNotRegistered, sink.last);
}

TEST_F(StoredServices, MalformedTextIsAnErrorAndLeavesTheList) {
  TDDEMLServicesList list(fake);
  list.Add("Keep");
  for (const char* bad : {
           "('A')",
           "('A' True)",
           "('A' True 2 'x')",  // fewer strings than counted
           "('A' True -1)",
           "('A' True 4294967296)",
           "('A' True 1 5)",
           "(True 'A' 0)",
           "('A' True 0x1)",
           "('A' True 1",
       }) {
    EXPECT_THROW(ReadServicesList(bad, list), EStoredFormError) << bad;
    EXPECT_EQ("Keep-;", Dump(list)) << bad;
  }
  // A count in hexadecimal is still an integer.
  ReadServicesList("('A' True $1 'x')", list);
  EXPECT_EQ("A+[x];", Dump(list));
}

TEST(StoredProperty, SplitsLines) {
  std::string path, value;
  ASSERT_TRUE(SplitStoredPropertyLine("  ExecCmds.CmdList = (True 'S' 'A=B')  ", path, value));
  EXPECT_EQ("ExecCmds.CmdList", path);
  EXPECT_EQ("(True 'S' 'A=B')", value);
  EXPECT_FALSE(SplitStoredPropertyLine("no equals sign", path, value));
}

}  // namespace
}  // namespace dde
