#include <gtest/gtest.h>

#include <cstring>

#include "dde/errors.h"
#include "dde/xltable.h"

namespace dde {
namespace {

// Little-endian builders for the expected bytes.
struct TBytes {
  std::vector<uint8_t> b;
  TBytes& W(uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
    return *this;
  }
  TBytes& D(double d) {
    uint8_t raw[8];
    std::memcpy(raw, &d, 8);
    b.insert(b.end(), raw, raw + 8);
    return *this;
  }
  TBytes& S(const std::string& s) {
    b.push_back(uint8_t(s.size()));
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  TBytes& Table(uint32_t rows, uint32_t cols) { return W(16).W(4).W(rows).W(cols); }
};

std::string MessageOf(std::string_view text, std::string_view item) {
  try {
    WriteXlTable(text, item);
  } catch (const EMorviaError& e) {
    return e.Message();
  }
  return "(no error)";
}

TEST(XlTableTest, SingleNumberOnOneCellItem) {
  EXPECT_EQ(WriteXlTable("12.5", "R1C1"), TBytes().Table(1, 1).W(1).W(8).D(12.5).b);
}

TEST(XlTableTest, BracePrefixGivesColumnsThenRows) {
  EXPECT_EQ(WriteXlTable("{2,1}F,2,1,2", "ITEM"),
            TBytes().Table(1, 2).W(1).W(16).D(1).D(2).b);
  // The brace wins over the item's cells.
  EXPECT_EQ(WriteXlTable("{3,4}B,12", "R1C1:R2C2"), TBytes().Table(4, 3).W(5).W(2).W(12).b);
}

TEST(XlTableTest, SizeFromRangeItemName) {
  EXPECT_EQ(WriteXlTable("I,3,1,2,3", "R2C3:R4C3"),
            TBytes().Table(3, 1).W(6).W(6).W(1).W(2).W(3).b);
  // Lower-case names are read as upper case.
  EXPECT_EQ(WriteXlTable("K,2", "r1c1:r10c5"), TBytes().Table(10, 5).W(7).W(2).W(2).b);
}

TEST(XlTableTest, StringRecordsKeepEmptyValues) {
  EXPECT_EQ(WriteXlTable("S,2,ab,c", "X"), TBytes().Table(1, 1).W(2).W(5).S("ab").S("c").b);
  EXPECT_EQ(WriteXlTable("S,2,,x", "X"), TBytes().Table(1, 1).W(2).W(3).S("").S("x").b);
}

TEST(XlTableTest, LogicalWordsInEitherCase) {
  EXPECT_EQ(WriteXlTable("L,1,yes", "X"), TBytes().Table(1, 1).W(3).W(2).W(1).b);
  EXPECT_EQ(WriteXlTable("l,6,no,1,FALSE,t,n,On", "X"),
            TBytes().Table(1, 1).W(3).W(12).W(0).W(1).W(0).W(1).W(0).W(1).b);
  EXPECT_EQ(MessageOf("L,1,maybe", "X"), "Invalid XlTable data - not a boolean");
}

TEST(XlTableTest, BlankAndSkipCarryTheirCountAndIgnoreValues) {
  EXPECT_EQ(WriteXlTable("B,3", "X"), TBytes().Table(1, 1).W(5).W(2).W(3).b);
  EXPECT_EQ(WriteXlTable("B,3,x,y;K,1", "X"),
            TBytes().Table(1, 1).W(5).W(2).W(3).W(7).W(2).W(1).b);
}

TEST(XlTableTest, SeveralRecordsInOrder) {
  EXPECT_EQ(WriteXlTable("{2,2}S,1,a;F,1,-1.5e2;E,1,42;I,1,-2", "X"),
            TBytes().Table(2, 2).W(2).W(2).S("a").W(1).W(8).D(-150).W(4).W(2).W(42).W(6).W(2)
                .W(0xFFFE).b);
}

TEST(XlTableTest, PieceThatIsNotATypedRecordAloneIsAStringCell) {
  // Too few fields for the count: one string cell of five characters.
  EXPECT_EQ(WriteXlTable("F,2,1", "X"), TBytes().Table(1, 1).W(2).W(6).S("F,2,1").b);
  EXPECT_EQ(WriteXlTable("hello", "X"), TBytes().Table(1, 1).W(2).W(6).S("hello").b);
  EXPECT_EQ(WriteXlTable("1.", "X"), TBytes().Table(1, 1).W(1).W(8).D(1).b);
  EXPECT_EQ(WriteXlTable("1e", "X"), TBytes().Table(1, 1).W(2).W(3).S("1e").b);
}

TEST(XlTableTest, FaultsRaiseTheirMessages) {
  EXPECT_EQ(MessageOf("X,1,2;F,1,2", "X"), "Xltable Invalid data");
  EXPECT_EQ(MessageOf("", "X"), "Invalid XlTable data value");
  EXPECT_EQ(MessageOf("{1,1}", "X"), "Invalid XlTable data value");
  EXPECT_EQ(MessageOf("1", "R3C1:R1C1"), "No XlTable related Column/Row info detected");
  EXPECT_EQ(MessageOf("1", "R1C1:Q2C2"), "No XlTable related Column/Row info detected");
  EXPECT_EQ(MessageOf("1", "R1C1:R2"), "No XlTable related Column/Row info detected");
  // A trailing semicolon leaves an empty last piece.
  EXPECT_EQ(MessageOf("12.5;", "X"), "Xltable Invalid data");
  EXPECT_EQ(MessageOf("F,1,abc", "X"), "Invalid XlTable data - not a double");
  EXPECT_NE(MessageOf("I,1,1.5", "X"), "(no error)");
  EXPECT_NE(MessageOf("E,1,x", "X"), "(no error)");
}

TEST(XlTableTest, UnusableBraceIsCutOutAndTheItemDecides) {
  // The brace part goes even when its inside is not two numbers.
  EXPECT_EQ(WriteXlTable("{a,b}7", "R1C1:R1C2"), TBytes().Table(1, 2).W(1).W(8).D(7).b);
  EXPECT_EQ(WriteXlTable("{1,2,3}7", "Z"), TBytes().Table(1, 1).W(1).W(8).D(7).b);
  EXPECT_EQ(MessageOf("{1}7", "R2C1:R1C1"), "No XlTable related Column/Row info detected");
}

TEST(XlTableTest, ValuesThatDoNotFitAreRefusedNotCut) {
  std::string longText(256, 'a');
  EXPECT_NE(MessageOf(longText, "X"), "(no error)");
  EXPECT_NE(MessageOf("S,1," + longText, "X"), "(no error)");
  EXPECT_EQ(WriteXlTable(std::string(255, 'a'), "X").size(), 8u + 4u + 256u);
  EXPECT_NE(MessageOf("I,1,40000", "X"), "(no error)");
  EXPECT_EQ(WriteXlTable("I,2,32767,-32768", "X"),
            TBytes().Table(1, 1).W(6).W(4).W(0x7FFF).W(0x8000).b);
  // 8200 doubles would need more than 65535 bytes in one record.
  std::string many = "F,8200";
  for (int i = 0; i < 8200; ++i) many += ",1";
  EXPECT_NE(MessageOf(many, "X"), "(no error)");
  // Dimensions beyond 16 bits are not usable.
  EXPECT_EQ(MessageOf("1", "R1C1:R70000C1"), "No XlTable related Column/Row info detected");
}

// A size the text states is the size of what it holds; a size taken from
// the item's name leaves the cells as the text gives them.
TEST(XlTableTest, AStatedSizeMustHoldExactlyTheCells) {
  const std::string refused = "Invalid XlTable data - cells do not fill the table";
  const struct {
    const char* text;
    bool written;
  } cases[] = {
      {"{1,1}I,3,1,2,3", false}, {"{0,0}7", false},          {"{65535,65535}7", false},
      {"{0,1}B,0", false},       {"{2,1}F,1,2", false},        {"{2,3}B,2;K,3;S,1,a", true},
      {"{1,1}7", true},          {"{3,1}I,1,1;K,1;L,1,T", true},
  };
  for (const auto& c : cases) EXPECT_EQ(c.written ? std::string("(no error)") : refused, MessageOf(c.text, "X")) << c.text;
  // Sized by the name, the cells are the text's.
  EXPECT_EQ(WriteXlTable("K,2", "r1c1:r10c5"), TBytes().Table(10, 5).W(7).W(2).W(2).b);
}

}  // namespace
}  // namespace dde
