// pkdpick's arguments, the command it sends (read back by the manager's own
// parser with the picker's table), its exit status and what it prints.
#include <gtest/gtest.h>

#include "dde/commands.h"
#include "pkdpick/pick_text.h"
#include "text/cp1250.h"

namespace {

using pkdpick::TOptions;

TEST(PkdpickText, ArgumentsAreCheckedBeforeAnythingIsSent) {
  TOptions o;
  std::string error;
  ASSERT_TRUE(pkdpick::ParseArguments({u"--words", u"zbóż \"ozimych\"", u"--find", u"--code", u"01.11.Z"}, o, error));
  EXPECT_EQ(o.Code, "01.11.Z");
  EXPECT_EQ(o.Words, "zbóż \"ozimych\"");  // Windows-1250, as the picker takes it
  EXPECT_TRUE(o.Find && !o.Help && !o.Version && !o.NoStart);
  EXPECT_EQ(o.Service, "PKD_ZEL");
  EXPECT_EQ(o.Format, pkdpick::fmJson);

  // --opt=value keeps everything after the first "=", "=" and "-" included.
  ASSERT_TRUE(pkdpick::ParseArguments({u"--code=01.1=", u"--words=-x", u"--format=env", u"--no-start", u"--version",
                                       u"--service=Inny", u"--"},
                                      o, error))
      << error;
  EXPECT_EQ(o.Code, "01.1=");
  EXPECT_EQ(o.Words, "-x");
  EXPECT_EQ(o.Format, pkdpick::fmEnv);
  EXPECT_TRUE(o.NoStart && o.Version && !o.Find);
  EXPECT_EQ(o.Service, "Inny");
  ASSERT_TRUE(pkdpick::ParseArguments({u"--format", u"text", u"--words", u"--find"}, o, error));
  EXPECT_EQ(o.Format, pkdpick::fmText);
  EXPECT_EQ(o.Words, "--find");  // a value, not an option
  EXPECT_FALSE(o.Find);

  const struct {
    std::vector<std::u16string> args;
    const char* error;
  } bad[] = {
      {{u"--code", u"01,11"}, "wartość opcji --code nie może zawierać przecinka ani znaków \")\" i \"]\""},
      {{u"--words=a)b"}, "wartość opcji --words nie może zawierać przecinka"},
      {{u"--words", u"a]"}, "wartość opcji --words nie może zawierać przecinka"},
      {{u"--words", u"strzałka →"}, "wartość opcji --words ma znak spoza strony kodowej Windows-1250"},
      {{u"--words", u"\U0001F600"}, "wartość opcji --words ma znak spoza"},
      {{u"--code"}, "brak wartości opcji --code"},
      {{u"-x"}, "nieznana opcja: -x"},
      {{u"--cod=1"}, "nieznana opcja: --cod"},
      {{u"--find=tak"}, "opcja --find nie przyjmuje wartości"},
      {{u"--format", u"xml"}, "nieznany format: xml (json, text albo env)"},
      {{u"01.11.Z"}, "nieoczekiwany argument: 01.11.Z"},
      {{u"--", u"--find"}, "nieoczekiwany argument: --find"},  // options end at "--"
      {{u"--service="}, "pusta nazwa usługi"},
  };
  for (const auto& b : bad) {
    error.clear();
    EXPECT_FALSE(pkdpick::ParseArguments(b.args, o, error)) << b.error;
    EXPECT_EQ(error.rfind(b.error, 0), 0u) << error;
  }
}

TEST(PkdpickText, CommandsReachThePickerAsWritten) {
  dde::TDDEMLCmdsList picker;
  picker.AddCmd("Open_PKD", "NSS");
  picker.AddCmd("Find_PKD", "SS");
  const struct {
    const char* code;
    const char* words;
    bool find;
    const char* command;
    std::vector<std::string> params;
  } cases[] = {
      {"01.11.Z", "", false,
       "[Open_PKD(4294967296,\"01.11.Z\",\"\")]",
       {"4294967296", "\"01.11.Z\"", "\"\""}},
      {"", "zbóż \"ozimych\" [(", false,
       "[Open_PKD(4294967296,\"\",\"zbóż \"\"ozimych\"\" [(\")]",
       {"4294967296", "\"\"", "\"zbóż \"\"ozimych\"\" [(\""}},
      {"\"", "a", true, "[Find_PKD(\"\"\"\",\"a\")]", {"\"\"\"\"", "\"a\""}},
  };
  for (const auto& c : cases) {
    TOptions o;
    o.Code = c.code;
    o.Words = c.words;
    o.Find = c.find;
    const std::string command = pkdpick::CommandText(o, 4294967296u);  // a handle above 32 bits
    EXPECT_EQ(command, c.command);
    dde::TParsedCmdList parsed;
    ASSERT_TRUE(picker.ValidCmdLine(command, &parsed)) << command;
    ASSERT_EQ(parsed.Count(), 1);
    EXPECT_EQ(parsed.At(0)->ParamList, c.params);
  }
}

TEST(PkdpickText, JsonHoldsTheTextsExactly) {
  // Windows-1250 in, UTF-8 out; 0xFF is the description's line mark.
  EXPECT_EQ(pkdpick::JsonResult("01.11.Z", "Uprawa zbóż \"ozimych\" \\ ryżu", "a\xFF\xFFz\tc\r\x01\x1F\x7F"),
            text::Cp1250ToUtf8("{\"KOD\": \"01.11.Z\", \"NAZWA\": \"Uprawa zbóż \\\"ozimych\\\" \\\\ ryżu\", "
                               "\"OPIS\": \"a\\n\\nz\\tc\\r\\u0001\\u001f\x7F\"}\n"));
  EXPECT_EQ(pkdpick::JsonResult("", "", ""), "{\"KOD\": \"\", \"NAZWA\": \"\", \"OPIS\": \"\"}\n");
}

// What the exit status says, from the picker's answer, whether the values
// could be read, and (for --find) the code selected afterwards.
TEST(PkdpickText, ExitStatusTellsWhatHappened) {
  using pkdpick::paAcknowledged;
  using pkdpick::paBusy;
  using pkdpick::paRefused;
  const struct {
    bool find;
    const char* code;
    pkdpick::TAnswer answer;
    bool read;
    const char* kod;
    int status;
    const char* message;
  } cases[] = {
      {false, "01.11.Z", paAcknowledged, true, "01.11.Z", 0, ""},
      {false, "", paAcknowledged, true, "", 0, ""},  // chosen with nothing selected: the user's choice
      {false, "01.11.Z", paRefused, true, "01.11.Z", 1, ""},
      {false, "01.11.Z", paBusy, false, "", 3, "program jest zajęty"},
      {false, "01.11.Z", paRefused, false, "", 3, "program jest zajęty"},  // Wine: no busy flag, requests refused
      {true, "01.11.Z", paRefused, false, "", 3, "program jest zajęty"},
      {false, "01.11.Z", paAcknowledged, false, "", 2, "nie dostałem wartości"},
      {true, "01.11.Z", paRefused, true, "01.11.Z", 2, "program nie wykonał polecenia Find_PKD"},
      {true, "01.11.Z", paAcknowledged, true, "01.11.Z", 0, ""},
      {true, "01.11.z", paAcknowledged, true, "01.11.Z", 0, ""},
      // A start of a code runs no search: the selection shown is the earlier one.
      {true, "01.11.", paAcknowledged, true, "01.11.Z", 4, "nie znaleziono kodu 01.11."},
      {true, "0", paAcknowledged, true, "01.11.Z", 4, "nie znaleziono kodu 0"},
      {true, "99.99", paAcknowledged, true, "01.11.Z", 4, "nie znaleziono kodu 99.99"},  // the earlier selection
      {true, "", paAcknowledged, true, "01.11.Z", 4, "bez --code"},                      // words alone
  };
  for (const auto& c : cases) {
    TOptions o;
    o.Find = c.find;
    o.Code = c.code;
    const pkdpick::TVerdict v = pkdpick::Decide(o, c.answer, c.read, c.kod);
    EXPECT_EQ(v.Status, c.status) << c.code << " " << c.answer << " " << c.read;
    EXPECT_EQ(v.Message.rfind(c.message, 0), 0u) << v.Message;
    EXPECT_EQ(v.PrintResult(), c.status <= 1);
  }
}

TEST(PkdpickText, TextAndEnvAreOneLinePerRecord) {
  // Windows-1250 in, UTF-8 out; line marks read " / ", other control
  // characters a blank, so that neither a line nor a field breaks.
  const std::string kod = "01.11.Z", nazwa = "Uprawa zbóż \"ozimych\" & 100%", opis = "a\xFF- b\tc\r\nd";
  EXPECT_EQ(pkdpick::FormatResult(pkdpick::fmText, kod, nazwa, opis),
            text::Cp1250ToUtf8("01.11.Z\tUprawa zbóż \"ozimych\" & 100%\ta / - b c  d\n"));
  EXPECT_EQ(pkdpick::FormatResult(pkdpick::fmEnv, kod, nazwa, opis),
            text::Cp1250ToUtf8("KOD=01.11.Z\nNAZWA=Uprawa zbóż \"ozimych\" & 100%\nOPIS=a / - b c  d\n"));
  EXPECT_EQ(pkdpick::FormatResult(pkdpick::fmJson, kod, nazwa, opis), pkdpick::JsonResult(kod, nazwa, opis));
  EXPECT_EQ(pkdpick::FormatResult(pkdpick::fmEnv, "", "", ""), "KOD=\nNAZWA=\nOPIS=\n");
}

}  // namespace
