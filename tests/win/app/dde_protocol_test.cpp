// The picker's reading of Open_PKD's parameters: the owner's handle, which a
// client may write signed or unsigned and which is 64 bits wide in the
// 64-bit build, and the quoted texts.
#include "app/dde_protocol.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(PickerDdeParams, OwnerHandleFitsThisBuild) {
  const bool wide = sizeof(HWND) == 8;
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
    HWND handle = reinterpret_cast<HWND>(uintptr_t(0x5EED));
    EXPECT_EQ(app::ParseWindowHandle(c.text, handle), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(handle), static_cast<uintptr_t>(c.bits)) << c.text;
    }
  }
}

TEST(PickerDdeParams, UnquoteTakesTheTextBetweenTheQuotes) {
  const struct {
    const char* param;
    const char* text;
  } cases[] = {
      {"\"01.11.Z\"", "01.11.Z"}, {"\"\"", ""},   {"\"a\"\"b\"", "a\"b"}, {"\"\"\"\"", "\""},   {"\"ab\"cd\"\"", "ab"},
      {"\"abc", "abc"},           {"abc", "abc"}, {"a\"b", "a\"b"},       {" \"a\"", " \"a\""}, {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(app::Unquote(c.param), c.text) << c.param;
}

}  // namespace
