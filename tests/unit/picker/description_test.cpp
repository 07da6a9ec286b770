#include "picker/description.h"

#include <gtest/gtest.h>

namespace {

using picker::DescriptionForDisplay;

TEST(DescriptionForDisplay, MarksAndEveryLineEndBecomeCrLf) {
  EXPECT_EQ(DescriptionForDisplay("a\xFF" "b"), "a\r\nb");
  // Two marks in a row leave an empty line between the parts.
  EXPECT_EQ(DescriptionForDisplay("a\xFF\xFF" "b"), "a\r\n\r\nb");
  EXPECT_EQ(DescriptionForDisplay("a\rb\nc\r\nd"), "a\r\nb\r\nc\r\nd");
  // The mark stands for CR, so a mark followed by LF is one break.
  EXPECT_EQ(DescriptionForDisplay("a\xFF\nb"), "a\r\nb");
  EXPECT_EQ(DescriptionForDisplay("a\n\xFF" "b"), "a\r\n\r\nb");
  EXPECT_EQ(DescriptionForDisplay("\xFF"), "\r\n");
  EXPECT_EQ(DescriptionForDisplay(""), "");
  // Polish letters (and 0xFE, next to the mark) pass unchanged.
  EXPECT_EQ(DescriptionForDisplay("Zbo\xBF" "e \xFE"), "Zbo\xBF" "e \xFE");
}

TEST(NoteForDisplay, CounterpartsFollowTheNoteSetOffAndApart) {
  catalogue::TCorrespondence c;
  c.ReadRecord(4, "PKD 2007=PKD 2025");
  c.ReadRecord(5, "01.49.Z=01.47.Z,01.48.Z");
  c.ReadRecord(5, "01.47.Z=01.47.Z");
  const struct {
    const char* note;
    const char* code;
    const char* text;
    size_t noteEnd;
  } cases[] = {
      {"Nota\xFF" "druga", "01.47.Z", "Nota\r\ndruga\r\n\r\nOdpowiedniki w PKD 2007: 01.47.Z, 01.49.Z", 11},
      {"", "01.48.Z", "Odpowiedniki w PKD 2007: 01.49.Z", 0},
      {"Nota", "01.11.Z", "Nota", 4},  // no counterpart: the note alone
      {"Nota", "", "Nota", 4},
  };
  for (const auto& k : cases) {
    const picker::TNotePane pane = picker::NoteForDisplay(k.note, c, k.code);
    EXPECT_EQ(pane.Text, k.text) << k.code;
    EXPECT_EQ(pane.NoteEnd, k.noteEnd) << k.code;
  }
}

}  // namespace
