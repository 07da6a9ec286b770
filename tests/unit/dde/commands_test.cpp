#include "dde/commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dde/errors.h"

namespace {

using dde::TDDEMLCmdsList;
using dde::TDDEMLParsedCmd;
using dde::TParsedCmdList;

// The picker's table.
class PickerCommands : public ::testing::Test {
 protected:
  PickerCommands() {
    cmds.AddCmd("Open_PKD", "NSS", true);
    cmds.AddCmd("Find_PKD", "SS", true);
  }
  bool Valid(const std::string& line) { return cmds.ValidCmdLine(line, nullptr); }
  // The parsed commands of a valid line as "NAME|p1|p2...".
  std::vector<std::string> Parsed(const std::string& line) {
    TParsedCmdList out;
    EXPECT_TRUE(cmds.ValidCmdLine(line, &out)) << line;
    std::vector<std::string> result;
    for (int i = 0; i < out.Count(); ++i) {
      std::string s = out.At(i)->CmdName;
      for (const auto& p : out.At(i)->ParamList) s += "|" + p;
      result.push_back(s);
    }
    return result;
  }
  TDDEMLCmdsList cmds;
};

TEST_F(PickerCommands, ValidStringsAndTheirParsedForm) {
  EXPECT_EQ((std::vector<std::string>{"OPEN_PKD|1234|A|B"}), Parsed("[Open_PKD(1234,A,B)]"));
  EXPECT_EQ((std::vector<std::string>{"OPEN_PKD|1|a|b"}), Parsed("[open_pkd(1,a,b)]"));
  EXPECT_EQ((std::vector<std::string>{"FIND_PKD|a|b", "OPEN_PKD|1|c|d"}),
            Parsed("[Find_PKD(a,b)][Open_PKD(1,c,d)]"));
  // Without a (closed) parameter list the command has no parameters.
  EXPECT_EQ((std::vector<std::string>{"OPEN_PKD"}), Parsed("[Open_PKD]"));
  EXPECT_EQ((std::vector<std::string>{"OPEN_PKD"}), Parsed("[Open_PKD(1,a,b]"));
  // Parameters are kept exactly: blanks, quotes, and a quoted comma splits.
  EXPECT_EQ((std::vector<std::string>{"OPEN_PKD|1| \"x\"|\"y z\""}), Parsed("[Open_PKD(1, \"x\",\"y z\")]"));
  EXPECT_EQ((std::vector<std::string>{"FIND_PKD|\"a|b\""}), Parsed("[Find_PKD(\"a,b\")]"));
  // What follows the closing parenthesis inside the brackets is ignored.
  EXPECT_EQ((std::vector<std::string>{"FIND_PKD|a|b"}), Parsed("[Find_PKD(a,b)junk]"));
  EXPECT_TRUE(Valid(""));
  EXPECT_TRUE(Parsed("").empty());
}

TEST_F(PickerCommands, InvalidStrings) {
  for (const char* line : {
           "[Open_PKD()]",         // no fields
           "[Open_PKD(1,a)]",      // too few
           "[Open_PKD(1,a,b,c)]",  // too many
           "[Open_PKD(x,a,b)]",    // x is no number
           "[Open_PKD(1,,b)]",     // empty S field
           "[Open_PKD(1,a,)]",     // trailing empty field
           "[Find_PKD(a,b)] ",     // anything outside the brackets
           " [Find_PKD(a,b)]",
           "[Find_PKD(a,b)]\r\n",
           "[Find_PKD(a,b)] [Open_PKD(1,c,d)]",
           "[Find_PKD (a,b)]",  // the blank belongs to the name
           "[Unknown(1)]",
           "[Find_PKD(a,b)",  // no closing bracket
           "Find_PKD(a,b)",
           "[]",
           "][",
       }) {
    EXPECT_FALSE(Valid(line)) << line;
  }
}

TEST_F(PickerCommands, CommandsBeforeAFailureStayInTheContainer) {
  TParsedCmdList out;
  EXPECT_FALSE(cmds.ValidCmdLine("[Find_PKD(a,b)][Open_PKD(1)][Find_PKD(c,d)]", &out));
  ASSERT_EQ(1, out.Count());
  EXPECT_EQ("FIND_PKD", out.At(0)->CmdName);

  // Text before a bracket makes the line invalid only once the brackets run
  // out, so the commands after it are still parsed.
  TParsedCmdList out2;
  EXPECT_FALSE(cmds.ValidCmdLine("x[Find_PKD(a,b)][Find_PKD(c,d)]", &out2));
  EXPECT_EQ(2, out2.Count());
}

TEST_F(PickerCommands, StringEndsAtItsFirstNulAndTheLengthIsCapped) {
  std::string withNul("[Find_PKD(a,b)]\0garbage", 23);
  EXPECT_TRUE(Valid(withNul));

  // Exactly at the limit still parses; one command more is refused.
  const std::string one = "[Find_PKD(a,b)]";
  std::string atLimit;
  int commands = 0;
  while (atLimit.size() + one.size() <= dde::kMaxCmdLineLength - 30) atLimit += one, ++commands;
  atLimit += "[Find_PKD(" + std::string(dde::kMaxCmdLineLength - atLimit.size() - 14, 'q') + ",b)]";
  ++commands;
  ASSERT_EQ(dde::kMaxCmdLineLength, atLimit.size());
  TParsedCmdList out;
  EXPECT_TRUE(cmds.ValidCmdLine(atLimit, &out));
  EXPECT_EQ(commands, out.Count());
  EXPECT_FALSE(Valid(atLimit + "[Find_PKD(a,b)]"));
}

TEST_F(PickerCommands, ParsedParameterAccessIsBoundedByTypes) {
  TDDEMLParsedCmd parsed;
  ASSERT_TRUE(cmds.ParseCmd("Open_PKD(1,a,b)", parsed));
  EXPECT_EQ(3, parsed.ParamCount());
  EXPECT_EQ("NSS", parsed.ParamTypes);
  EXPECT_EQ("b", parsed.Param(2));
  EXPECT_EQ("", parsed.Param(3));
  EXPECT_EQ("", parsed.Param(-1));

  TDDEMLParsedCmd bare;
  ASSERT_TRUE(cmds.ParseCmd("Open_PKD", bare));
  EXPECT_EQ("", bare.ParamTypes);
  EXPECT_EQ(0, bare.ParamCount());
}

TEST(CommandTable, AddFindAssign) {
  TDDEMLCmdsList a;
  EXPECT_TRUE(a.AddCmd("Open_PKD", "NSS", true));
  EXPECT_FALSE(a.AddCmd("OPEN_pkd", "S", false));  // same title: nothing happens
  EXPECT_EQ(1, a.Count());
  EXPECT_EQ("NSS", a.FindCmd("open_PKD")->Params);
  EXPECT_EQ(nullptr, a.FindCmd("Open"));
  EXPECT_EQ(nullptr, a.Cmd(1));
  a.AddCmd("Off", "", false);

  TDDEMLCmdsList b;
  b.CmdFirstCh = '{';
  b.AddCmd("Old", "S");
  b.Assign(a);
  ASSERT_EQ(2, b.Count());
  EXPECT_EQ("Open_PKD", b.Cmd(0)->Title);
  EXPECT_FALSE(b.Cmd(1)->Enabled);
  EXPECT_EQ(nullptr, b.FindCmd("Old"));
  EXPECT_EQ('{', b.CmdFirstCh);  // delimiters are not copied

  // A disabled command is accepted like an enabled one.
  EXPECT_TRUE(b.ValidCmdLine("{Off]", nullptr));
}

TEST(CommandTable, MoreThanTwentyOneParametersCannotBeDeclared) {
  TDDEMLCmdsList list;
  EXPECT_TRUE(list.AddCmd("Max", std::string(21, 'S')));
  EXPECT_THROW(list.AddCmd("TooMany", std::string(22, 'S')), dde::EMorviaError);
  EXPECT_THROW(list.AppendCmd("TooMany", std::string(22, 's'), true), dde::EMorviaError);
  EXPECT_EQ(1, list.Count());
  TParsedCmdList out;
  std::string line = "[Max(";
  for (int i = 0; i < 21; ++i) line += (i ? "," : "") + std::to_string(i);
  EXPECT_TRUE(list.ValidCmdLine(line + ")]", &out));
  EXPECT_EQ(21, out.At(0)->ParamCount());
  EXPECT_FALSE(list.ValidCmdLine(line + ",21)]", nullptr));
}

TEST(CommandTable, RequiredAndOptionalParameters) {
  TDDEMLCmdsList list;
  list.AddCmd("Ns", "Ns");
  list.AddCmd("Low", "ss");
  list.AddCmd("Mix", "SsS");  // the required run ends at the first lower-case letter
  EXPECT_EQ(1, list.FindCmd("Ns")->RequiredParamCount());
  EXPECT_EQ(0, list.FindCmd("Low")->RequiredParamCount());
  EXPECT_EQ(1, list.FindCmd("Mix")->RequiredParamCount());

  EXPECT_TRUE(list.ValidCmdLine("[Ns(2.5)]", nullptr));
  EXPECT_TRUE(list.ValidCmdLine("[Ns(2.5,x)]", nullptr));
  EXPECT_FALSE(list.ValidCmdLine("[Ns(2.5,x,y)]", nullptr));
  EXPECT_TRUE(list.ValidCmdLine("[Low(a)]", nullptr));
  EXPECT_TRUE(list.ValidCmdLine("[Low]", nullptr));
  EXPECT_FALSE(list.ValidCmdLine("[Low()]", nullptr));  // no fields, even when all are optional
  EXPECT_TRUE(list.ValidCmdLine("[Mix(a)]", nullptr));
  EXPECT_TRUE(list.ValidCmdLine("[Mix(a,b,c)]", nullptr));
}

TEST(CommandTable, IntegerParameters) {
  TDDEMLCmdsList list;
  list.AddCmd("Cmd", "I");
  list.AddCmd("Any", "Q");  // any other letter is an integer too
  for (const char* ok : {"[Cmd( 12)]", "[Cmd($1F)]", "[Cmd(x1f)]", "[Cmd(0X10)]", "[Cmd(-2147483648)]",
                         "[Cmd(+7)]", "[Any(3)]"})
    EXPECT_TRUE(list.ValidCmdLine(ok, nullptr)) << ok;
  for (const char* bad : {"[Cmd(12 )]", "[Cmd(2147483648)]", "[Cmd(1.5)]", "[Cmd( )]", "[Cmd($)]", "[Cmd(1e3)]",
                          "[Any(a)]"})
    EXPECT_FALSE(list.ValidCmdLine(bad, nullptr)) << bad;
}

TEST(CommandTable, NumberParameters) {
  for (const char* ok : {"1", "-2.5", "+.5", "3.", "  1e10", "1E-3", "6.02e+23", "0"})
    EXPECT_TRUE(dde::IsValidNumberParam(ok)) << ok;
  for (const char* bad : {"", " ", ".", "-", "1e", "1e+", "1,5", "1.5 ", "0x10", "$10", "1e99999", "inf", "nan",
                          "1.2.3", "e5"})
    EXPECT_FALSE(dde::IsValidNumberParam(bad)) << bad;
  EXPECT_TRUE(dde::IsValidParam('n', "4"));
  EXPECT_FALSE(dde::IsValidParam('s', ""));
  EXPECT_TRUE(dde::IsValidParam('s', " "));
}

TEST(CommandTable, OtherDelimiters) {
  TDDEMLCmdsList list;
  list.CmdFirstCh = '"';
  list.CmdLastCh = '"';
  list.CmdParamFirstCh = '<';
  list.CmdParamLastCh = '>';
  list.CmdParamSep = ';';  // reported only: parameters still split at ','
  list.AddCmd("Go", "SS");
  TParsedCmdList out;
  EXPECT_TRUE(list.ValidCmdLine("\"Go<a,b>\"\"Go<c,d>\"", &out));
  EXPECT_EQ(2, out.Count());
  EXPECT_FALSE(list.ValidCmdLine("\"Go<a;b>\"", nullptr));
}

}  // namespace
