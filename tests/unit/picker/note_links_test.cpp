#include "picker/note_links.h"

#include <gtest/gtest.h>

namespace {

using picker::CodeAt;

TEST(CodeAt, CodesAsTheNotesWriteThem) {
  const std::string note =
      "sklasyfikowanej w 98.10.Z. Grupa 01.5) obejmuje 01.11 oraz dział 10, sekcji F „Budownictwo”, "
      "sekcjach G i H; W takich 2025 r. A1 ab01.11 01.11.Z9 1.5 01.1.Z";
  const struct {
    const char* at;  // the text whose first character is pointed at
    size_t offset;   // characters into it
    const char* code;
  } cases[] = {
      {"98.10.Z.", 0, "98.10.Z"},
      {"98.10.Z.", 4, "98.10.Z"},
      {"98.10.Z.", 7, "98.10.Z"},  // right after the code: the caret at its end
      {"98.10.Z.", 8, ""},         // after the full stop
      {"01.5)", 2, "01.5"},
      {"01.11 oraz", 1, "01.11"},
      {"10, sekcji", 0, "10"},
      {"F „", 0, "F"},
      {"G i H", 0, "G"},
      {"H;", 0, "H"},  // a list of letters after "sekcjach"
      {"W takich", 0, ""},  // a capital letter with no "sekcja" before it
      {"2025 r.", 1, ""},
      {"A1 ", 0, ""},
      {"ab01.11", 3, ""},
      {"01.11.Z9", 0, ""},
      {"1.5 ", 0, ""},
      {"01.1.Z", 0, ""},
      {"sklasyfikowanej", 2, ""},
  };
  for (const auto& c : cases) {
    const size_t at = note.find(c.at);
    ASSERT_NE(at, std::string::npos) << c.at;
    EXPECT_EQ(CodeAt(note, at + c.offset), c.code) << c.at << " +" << c.offset;
  }
  EXPECT_EQ(CodeAt(note, note.size() + 1), "");
  EXPECT_EQ(CodeAt("", 0), "");
}

TEST(VisitHistory, BackAndForwardAsABrowserDoes) {
  picker::TVisitHistory h;
  EXPECT_EQ(h.Back(), -1);
  h.Jump(1, 5);   // 1 -> 5
  h.Jump(5, 9);   // 5 -> 9
  EXPECT_EQ(h.Back(), 5);
  EXPECT_EQ(h.Back(), 1);
  EXPECT_EQ(h.Back(), -1);
  EXPECT_EQ(h.Forward(), 5);
  // A jump from elsewhere after going back drops what lay ahead.
  h.Jump(7, 3);  // the user moved from 5 to 7 in the tree, then jumped
  EXPECT_EQ(h.Forward(), -1);
  EXPECT_EQ(h.Back(), 7);
  EXPECT_EQ(h.Back(), 5);
  EXPECT_EQ(h.Back(), 1);
  h.Jump(-1, 4);  // nothing was selected
  h.Jump(4, 4);   // no move
  EXPECT_EQ(h.Back(), 1);
  h.Clear();
  for (int i = 0; i < 100; ++i) h.Jump(i, i + 1);
  EXPECT_EQ(h.Count(), picker::TVisitHistory::kLimit);
}

}  // namespace
