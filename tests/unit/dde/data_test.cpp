#include <gtest/gtest.h>

#include <cstring>

#include "dde/data.h"
#include "dde/errors.h"
#include "dde/formats.h"
#include "support/fake_platform.h"

namespace dde {
namespace {

using ddetest::TFakePlatform;

TEST(ClipFormatTest, KindsAndNames) {
  EXPECT_EQ(ClipFmtTypeOf(0), cfNone);
  EXPECT_EQ(ClipFmtTypeOf(1), cfText);
  EXPECT_EQ(ClipFmtTypeOf(12), cfWave);
  EXPECT_EQ(ClipFmtTypeOf(13), cfCustom);  // CF_UNICODETEXT too
  EXPECT_EQ(ClipFmtTypeOf(0xC123), cfCustom);
  EXPECT_EQ(ClipFmtTypeName(cfText), "Text");
  EXPECT_EQ(ClipFmtTypeName(cfMetaFilePict), "MetaFilePict");
  EXPECT_EQ(ClipFmtTypeName(cfWave), "Wave");
  EXPECT_EQ(ClipFmtTypeName(cfNone), "");
  EXPECT_EQ(ClipFmtTypeName(cfCustom), "");
  EXPECT_EQ(ClipFormatName(8), "DIB");
  EXPECT_EQ(ClipFormatName(0), "");
  EXPECT_EQ(ClipFormatName(13), "");  // not registered by name
}

TEST(ClipFormatTest, XlTableIsRegisteredOnceAndNamed) {
  uint16_t n = XlTableFormat();
  EXPECT_GE(n, 0xC000);
  EXPECT_EQ(XlTableFormat(), n);
  EXPECT_EQ(RegisterClipFormat("xltable"), n);  // names ignore case, as Windows does
  EXPECT_EQ(ClipFormatName(n), "XlTable");
  uint16_t link = RegisterClipFormat("Link");
  EXPECT_NE(link, n);
  EXPECT_EQ(ClipFormatName(link), "Link");
  EXPECT_EQ(DDEExcelInfo().Row, 'R');
  EXPECT_EQ(DDEExcelInfo().Skip, 'K');
}

TEST(StringClassTest, LengthLimits) {
  TStringClass s;
  EXPECT_EQ(s.CStr(), nullptr);
  EXPECT_EQ(s.AsString(), "");
  s.Assign(std::string(65500, 'x'));
  EXPECT_EQ(s.AsString().size(), 65500u);
  s.Append("y");
  EXPECT_EQ(s.Length(), 65501);
  EXPECT_THROW(s.AsString(), EStringClass);
  s.Append(std::string(34, 'z'));
  EXPECT_EQ(s.Length(), 65535);
  // Past 65,535 the text is refused whole and the buffer keeps its value.
  EXPECT_THROW(s.Append("!"), EStringClass);
  EXPECT_EQ(s.Length(), 65535);
  EXPECT_THROW(s.Assign(std::string(65536, 'a')), EStringClass);
  EXPECT_EQ(s.Length(), 65535);
  s.Assign("abc");
  EXPECT_STREQ(s.CStr(), "abc");
}

THData DDE_CALLBACK NoCallback(uint32_t, uint32_t, THConv, THsz, THsz, THData, uintptr_t, uintptr_t) { return 0; }

class RWDataTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(fake.Initialize(inst, NoCallback, 0), 0u); }
  void TearDown() override { EXPECT_TRUE(fake.Errors().empty()) << fake.Errors().front(); }
  TFakePlatform fake;
  TInstanceId inst = 0;
};

TEST_F(RWDataTest, TextAsCfTextCarriesItsZero) {
  TDDEMLRWData d(fake);
  EXPECT_EQ(d.Format(), kCfText);
  d.SetText("abc");
  THData h = d.CreateHandle(inst, 0, kCfText, false);
  ASSERT_NE(h, 0u);
  EXPECT_EQ(fake.DataBytes(h), std::string("abc\0", 4));
  EXPECT_EQ(fake.Data(h)->format, kCfText);
  EXPECT_EQ(fake.Data(h)->flags, 0u);
  d.SetText("");
  EXPECT_EQ(fake.DataBytes(d.CreateHandle(inst, 0, 0, false)), std::string(1, '\0'));
  EXPECT_EQ(d.Size(), 0u);
  EXPECT_EQ(d.TextPtr(), nullptr);
}

TEST_F(RWDataTest, NoHandleWithoutDataInTheRequestedFormat) {
  TDDEMLRWData d(fake);
  d.SetText("abc");
  EXPECT_EQ(d.CreateHandle(inst, 0, kCfDib, false), 0u);
  EXPECT_EQ(d.CreateHandle(inst, 0, kCfBitmap, false), 0u);
  EXPECT_EQ(d.CreateHandle(inst, 0, 0xC555, false), 0u);
  fake.createDataFails = true;
  EXPECT_EQ(d.CreateHandle(inst, 0, kCfText, false), 0u);
  EXPECT_EQ(fake.LiveDataHandles(), 0u);
}

TEST_F(RWDataTest, OwnedHandleIsKeptUntilTheNextChangeAndFreedOnce) {
  {
    TDDEMLRWData d(fake);
    d.SetText("one");
    THData h = d.CreateHandle(inst, 0, kCfText, true);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(fake.Data(h)->flags, ddeml::kHDataAppOwned);
    THData got = 0;
    EXPECT_TRUE(d.OwnedHandle(got));
    EXPECT_EQ(got, h);
    d.SetText("two");  // a change frees it
    EXPECT_TRUE(fake.Data(h)->freed);
    EXPECT_FALSE(d.OwnedHandle(got));
    THData h2 = d.CreateHandle(inst, 0, kCfText, true);
    THData h3 = d.CreateHandle(inst, 0, kCfText, false);  // frees h2 first
    EXPECT_TRUE(fake.Data(h2)->freed);
    EXPECT_FALSE(d.OwnedHandle(got));
    EXPECT_FALSE(fake.Data(h3)->freed);  // belongs to DDEML, not freed here
    fake.FreeDataHandle(h3);
    THData h4 = d.CreateHandle(inst, 0, kCfText, true);
    EXPECT_FALSE(fake.Data(h4)->freed);
    // Clearing is a change of the value too: the old bytes must not be
    // handed out again.
    d.Clear();
    EXPECT_TRUE(fake.Data(h4)->freed);
    EXPECT_FALSE(d.OwnedHandle(got));
    THData h5 = d.CreateHandle(inst, 0, kCfText, true);
    EXPECT_EQ(fake.DataBytes(h5), std::string(1, '\0'));
  }
  // The holder's end frees its owned handle.
  EXPECT_EQ(fake.LiveDataHandles(), 0u);
}

TEST_F(RWDataTest, AppendAndClear) {
  TDDEMLRWData d(fake);
  d.SetText("ab");
  EXPECT_TRUE(d.AppendText("cd"));
  EXPECT_EQ(d.Text(), "abcd");
  EXPECT_EQ(d.Size(), 4u);
  SetCompareServerItemData(true);
  EXPECT_FALSE(d.AppendText(""));
  SetCompareServerItemData(false);
  EXPECT_TRUE(d.AppendText(""));
  SetCompareServerItemData(true);
  d.Clear();
  EXPECT_EQ(d.Text(), "");
  EXPECT_EQ(d.Format(), kCfText);
  // Appending past the buffer's limit is refused, never cut.
  d.SetText(std::string(65530, 'a'));
  EXPECT_THROW(d.AppendText("0123456789"), EStringClass);
  EXPECT_EQ(d.TextBuffer().Length(), 65530);
}

TEST_F(RWDataTest, ReadingReceivedHandlesByFormat) {
  TDDEMLRWData d(fake);
  // CF_TEXT: up to the first zero, at most the size.
  d.SetFromHandle(kCfText, fake.ClientData(std::string("hi\0junk", 7), kCfText));
  EXPECT_EQ(d.Text(), "hi");
  d.SetFromHandle(kCfText, fake.ClientData(std::string("xyz"), kCfText));
  EXPECT_EQ(d.Text(), "xyz");
  d.SetFromHandle(kCfText, fake.ClientData(std::string(), kCfText));
  EXPECT_EQ(d.Text(), "");

  // CF_UNICODETEXT: UTF-16 to Windows-1250.
  std::vector<uint8_t> wide = {0x5A, 0x00, 0x42, 0x01, 0x3C, 0x00, 0x00, 0x00, 0x41, 0x00};
  d.SetFromHandle(kCfUnicodeText, fake.ClientData(wide, kCfUnicodeText));
  EXPECT_EQ(d.Text(), "Zł<");
  EXPECT_EQ(d.Format(), kCfUnicodeText);

  // CF_BITMAP: the four bytes of a handle value.
  d.SetFromHandle(kCfBitmap, fake.ClientData(std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}, 2));
  EXPECT_EQ(d.HandleValue(), 0x12345678u);
  EXPECT_EQ(d.Size(), 4u);
  THData b = d.CreateHandle(inst, 0, kCfBitmap, false);
  EXPECT_EQ(fake.DataBytes(b), std::string("\x78\x56\x34\x12", 4));

  // CF_DIB and other formats: all bytes, binary.
  d.SetFromHandle(kCfDib, fake.ClientData(std::string("\x01\x00\x02", 3), kCfDib));
  ASSERT_TRUE(d.HasBinary());
  EXPECT_EQ(d.Size(), 3u);
  EXPECT_EQ(fake.DataBytes(d.CreateHandle(inst, 0, kCfDib, false)), std::string("\x01\x00\x02", 3));
  d.SetFromHandle(0xC777, fake.ClientData(std::string("q"), 0xC777));
  EXPECT_EQ(d.Size(), 1u);
  // Clearing drops the binary content but keeps format and handle value.
  d.Clear();
  EXPECT_FALSE(d.HasBinary());
  EXPECT_EQ(d.Format(), 0xC777);
  EXPECT_EQ(d.HandleValue(), 0x12345678u);
  EXPECT_EQ(d.Size(), 0u);
}

TEST_F(RWDataTest, ReceivedTextTooLongIsRefused) {
  TDDEMLRWData d(fake);
  d.SetText("kept");
  EXPECT_THROW(d.SetFromHandle(kCfText, fake.ClientData(std::string(70000, 'a'), kCfText)),
               EStringClass);
  EXPECT_EQ(d.Text(), "kept");
}

TEST_F(RWDataTest, UnicodeTextHandleFromWindows1250) {
  TDDEMLRWData d(fake);
  d.SetText("Ął");
  THData h = d.CreateHandle(inst, 0, kCfUnicodeText, false);
  EXPECT_EQ(fake.DataBytes(h), std::string("\x04\x01\x42\x01\x00\x00", 6));
  EXPECT_EQ(fake.Data(h)->format, kCfUnicodeText);
}

TEST_F(RWDataTest, XlTableFromTextOrFromReceivedBytes) {
  TDDEMLRWData d(fake);
  THsz item = fake.CreateStringHandle(inst, "r1c1:r1c2");
  d.SetText("{2,1}F,2,1,2");
  EXPECT_EQ(d.Size(), 12u);  // CF_TEXT: text length
  THData h = d.CreateHandle(inst, item, XlTableFormat(), true);
  ASSERT_NE(h, 0u);
  EXPECT_EQ(fake.Data(h)->bytes.size(), 8u + 4u + 16u);
  EXPECT_EQ(d.Text(), "{2,1}F,2,1,2");  // the text is not changed
  // The size comes from the item name when there is no brace.
  d.SetText("1;2");
  EXPECT_THROW(d.CreateHandle(inst, item, XlTableFormat(), false), EMorviaError);
  d.SetText("S,2,a,b");
  THData h2 = d.CreateHandle(inst, item, XlTableFormat(), false);
  EXPECT_EQ(fake.DataBytes(h2).substr(4, 4), std::string("\x01\x00\x02\x00", 4));
  // Received XlTable stays binary and is sent back as it came.
  std::string raw("\x10\x00\x04\x00\x01\x00\x01\x00", 8);
  d.SetFromHandle(XlTableFormat(), fake.ClientData(raw, XlTableFormat()));
  EXPECT_EQ(d.Size(), 8u);
  THData back = d.CreateHandle(inst, item, 0, false);
  EXPECT_EQ(fake.DataBytes(back), raw);
  fake.FreeDataHandle(back);
  // A text written after binary content replaces it: the XlTable sent is
  // made from the new text, not the old bytes.
  d.SetText("42");
  EXPECT_FALSE(d.HasBinary());
  THData fromText = d.CreateHandle(inst, item, XlTableFormat(), false);
  EXPECT_EQ(fake.DataBytes(fromText).substr(8, 4), std::string("\x01\x00\x08\x00", 4));  // a float cell
  fake.FreeDataHandle(fromText);
  fake.FreeStringHandle(inst, item);
  fake.FreeDataHandle(h2);
}

// A received text replaces binary content as SetText does: an XlTable link
// served after it gets a table of the new text, not the old bytes.
TEST_F(RWDataTest, ReceivedTextReplacesBinaryContent) {
  THsz item = fake.CreateStringHandle(inst, "r1c1");
  const std::string raw("\x10\x00\x04\x00\x01\x00\x01\x00", 8);
  const std::pair<uint16_t, std::string> texts[] = {{kCfText, std::string("42\0", 3)},
                                                    {kCfUnicodeText, std::string("4\0" "2\0\0\0", 6)}};
  for (const auto& [format, bytes] : texts) {
    TDDEMLRWData d(fake);
    d.SetFromHandle(XlTableFormat(), fake.ClientData(raw, XlTableFormat()));
    d.SetFromHandle(format, fake.ClientData(bytes, format));
    EXPECT_FALSE(d.HasBinary()) << format;
    THData h = d.CreateHandle(inst, item, XlTableFormat(), false);
    EXPECT_EQ(fake.DataBytes(h).substr(8, 4), std::string("\x01\x00\x08\x00", 4)) << format;  // a float cell
    fake.FreeDataHandle(h);
  }
  fake.FreeStringHandle(inst, item);
}

TEST_F(RWDataTest, XlTableFailureKeepsValueAndFreesOwnedHandle) {
  TDDEMLRWData d(fake);
  d.SetText("");
  THData owned = d.CreateHandle(inst, 0, kCfText, true);
  EXPECT_THROW(d.CreateHandle(inst, 0, XlTableFormat(), true), EMorviaError);
  EXPECT_TRUE(fake.Data(owned)->freed);
  THData got;
  EXPECT_FALSE(d.OwnedHandle(got));
  EXPECT_EQ(d.Text(), "");
}

TEST_F(RWDataTest, HolderHasNoCopy) {
  TDDEMLRWData a(fake), b(fake);
  EXPECT_THROW(a.Assign(b), text::EConvertError);
}

}  // namespace
}  // namespace dde
