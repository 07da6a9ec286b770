// The protocol as both ends use it: the owner handle, which a client may
// write signed or unsigned and which is 64 bits wide in the 64-bit build; the
// quoted texts; and the command strings a client builds, read back by the
// manager's own parser with the picker's declared commands.
#include "picker/pick_protocol.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "dde/commands.h"

namespace {

TEST(PickProtocol, OwnerHandleFitsThisBuild) {
  const bool wide = sizeof(uintptr_t) == 8;
  const struct {
    const char* text;
    bool valid;
    uint64_t bits;  // of a 64-bit handle; the 32-bit build keeps the low half
  } cases[] = {
      {"0", true, 0},
      {"  42", true, 42},
      {"+42", true, 42},
      {"-1", true, ~uint64_t(0)},
      {"4294967295", true, 0xFFFFFFFFu},
      {"-2147483648", true, 0xFFFFFFFF80000000u},
      {"4294967296", wide, 0x100000000u},
      {"18446744073709551615", wide, ~uint64_t(0)},
      {"-9223372036854775808", wide, 0x8000000000000000u},
      {"-2147483649", wide, 0xFFFFFFFF7FFFFFFFu},
      {"18446744073709551616", false, 0},
      {"12.5", false, 0},
      {"1e3", false, 0},
      {"12 ", false, 0},
      {"-", false, 0},
      {"", false, 0},
  };
  for (const auto& c : cases) {
    uintptr_t handle = 0x5EED;
    EXPECT_EQ(picker::ParseOwnerHandle(c.text, handle), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(handle, static_cast<uintptr_t>(c.bits)) << c.text;
    }
  }
}

TEST(PickProtocol, UnquoteTakesTheTextBetweenTheQuotes) {
  const struct {
    const char* param;
    const char* text;
  } cases[] = {
      {"\"01.11.Z\"", "01.11.Z"}, {"\"\"", ""},   {"\"a\"\"b\"", "a\"b"}, {"\"\"\"\"", "\""},   {"\"ab\"cd\"\"", "ab"},
      {"\"abc", "abc"},           {"abc", "abc"}, {"a\"b", "a\"b"},       {" \"a\"", " \"a\""}, {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(picker::Unquote(c.param), c.text) << c.param;
}

TEST(PickProtocol, ClientCommandsReachThePickerAsWritten) {
  dde::TDDEMLCmdsList declared;
  declared.AddCmd(picker::kOpenPkd, picker::kOpenPkdTypes);
  declared.AddCmd(picker::kFindPkd, picker::kFindPkdTypes);
  const struct {
    const char* code;
    const char* words;
  } values[] = {{"01.11.Z", ""}, {"", "zbóż \"ozimych\" [("}, {"\"", "a"}, {"\"\"x", "  "}};
  for (const auto& v : values) {
    ASSERT_TRUE(picker::Sendable(v.code) && picker::Sendable(v.words));
    for (const std::string& command :
         {picker::OpenCommand(4294967296u, v.code, v.words), picker::FindCommand(v.code, v.words)}) {
      dde::TParsedCmdList parsed;
      ASSERT_TRUE(declared.ValidCmdLine(command, &parsed)) << command;
      ASSERT_EQ(parsed.Count(), 1);
      const std::vector<std::string>& p = parsed.At(0)->ParamList;
      const size_t first = picker::CommandOf(parsed.At(0)->CmdName) == picker::pcOpen ? 1 : 0;
      ASSERT_EQ(p.size(), first + 2) << command;
      if (first) {
        EXPECT_EQ(p[0], "4294967296");  // a handle above 32 bits travels whole
      }
      EXPECT_EQ(picker::Unquote(p[first]), v.code) << command;
      EXPECT_EQ(picker::Unquote(p[first + 1]), v.words) << command;
    }
  }
  EXPECT_EQ(picker::OpenCommand(0, "01.11.Z", ""), "[Open_PKD(0,\"01.11.Z\",\"\")]");
  for (const char* bad : {"01,11", "a)b", "a]", "\0"}) EXPECT_FALSE(picker::Sendable({bad, bad[0] ? strlen(bad) : 1}));
}

TEST(PickProtocol, NamesCompareWithoutCase) {
  EXPECT_EQ(picker::ItemOf("kod"), picker::piKod);
  EXPECT_EQ(picker::ItemOf("Opis"), picker::piOpis);
  EXPECT_EQ(picker::ItemOf("KODY"), picker::piNone);
  EXPECT_EQ(picker::CommandOf("OPEN_PKD"), picker::pcOpen);
  EXPECT_EQ(picker::CommandOf("find_pkd"), picker::pcFind);
  EXPECT_EQ(picker::CommandOf("Open"), picker::pcNone);
  EXPECT_TRUE(picker::IsPickTopic("pkd"));
  EXPECT_FALSE(picker::IsPickTopic("System"));
}

}  // namespace
