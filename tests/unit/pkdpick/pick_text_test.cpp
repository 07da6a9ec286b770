// pkdpick's arguments, the command it sends (read back by the manager's own
// parser with the picker's table) and the JSON it prints.
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
  EXPECT_TRUE(o.Find && !o.Help);
  EXPECT_EQ(o.Service, "PKD_ZEL");

  const struct {
    std::vector<std::u16string> args;
    const char* error;
  } bad[] = {
      {{u"--code", u"01,11"}, "wartość opcji --code nie może zawierać przecinka ani znaków \")\" i \"]\""},
      {{u"--words", u"a)b"}, "wartość opcji --words nie może zawierać przecinka"},
      {{u"--words", u"a]"}, "wartość opcji --words nie może zawierać przecinka"},
      {{u"--words", u"strzałka →"}, "wartość opcji --words ma znak spoza strony kodowej Windows-1250"},
      {{u"--words", u"\U0001F600"}, "wartość opcji --words ma znak spoza"},
      {{u"--code"}, "brak wartości opcji --code"},
      {{u"-x"}, "nieznana opcja: -x"},
      {{u"--service", u""}, "pusta nazwa usługi"},
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
    TOptions options;
    const char* command;
    std::vector<std::string> params;
  } cases[] = {
      {{"01.11.Z", "", "PKD_ZEL", false, false},
       "[Open_PKD(4294967296,\"01.11.Z\",\"\")]",
       {"4294967296", "\"01.11.Z\"", "\"\""}},
      {{"", "zbóż \"ozimych\" [(", "PKD_ZEL", false, false},
       "[Open_PKD(4294967296,\"\",\"zbóż \"\"ozimych\"\" [(\")]",
       {"4294967296", "\"\"", "\"zbóż \"\"ozimych\"\" [(\""}},
      {{"\"", "a", "PKD_ZEL", true, false}, "[Find_PKD(\"\"\"\",\"a\")]", {"\"\"\"\"", "\"a\""}},
  };
  for (const auto& c : cases) {
    const std::string command = pkdpick::CommandText(c.options, 4294967296u);  // a handle above 32 bits
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

}  // namespace
