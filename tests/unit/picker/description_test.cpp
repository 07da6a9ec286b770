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

}  // namespace
