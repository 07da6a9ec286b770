// Windows-1250 text: case tables, folding comparisons and conversions.
// All text inside the program is std::string holding Windows-1250 bytes; these
// helpers never consult the machine's code page.
#pragma once

#include <string>
#include <string_view>

namespace text {

// Full Windows-1250 case mapping (Polish and the other letters of the page).
char UpperChar1250(char c);
char LowerChar1250(char c);
std::string Upper1250(std::string_view s);
std::string Lower1250(std::string_view s);

// The Polish letters of the page folded to their base letters, in either
// case (ą→a, Ą→A, ć→c, ę→e, ł→l, ń→n, ó→o, ś→s, ź ż→z); every other byte
// stays. For finding text typed without Polish letters.
char FoldPolishChar1250(char c);
std::string FoldPolish1250(std::string_view s);

// ASCII-only folding, for codes and DDE names.
char UpperCharAscii(char c);
std::string UpperAscii(std::string_view s);
std::string LowerAscii(std::string_view s);

// Three-way comparisons (<0, 0, >0).
int CompareNoCase1250(std::string_view a, std::string_view b);
int CompareNoCaseAscii(std::string_view a, std::string_view b);
bool EqualNoCaseAscii(std::string_view a, std::string_view b);
bool StartsWithNoCaseAscii(std::string_view s, std::string_view prefix);

// Conversions. A character that has no Windows-1250 form becomes '?' unless
// the caller asks to be told (see Utf8To1250Strict).
std::u16string Cp1250ToUtf16(std::string_view s);
std::string Utf16To1250(std::u16string_view s);
std::string Cp1250ToUtf8(std::string_view s);
std::string Utf8To1250(std::string_view s);

// Code point of a Windows-1250 byte (0xFFFD for the five unassigned bytes,
// which are passed through as U+0081 etc. by the lossless converters).
char32_t CodePointOf1250(unsigned char c);
// Windows-1250 byte for a code point; false when the page has none.
bool ByteFor1250(char32_t cp, char& out);
// A code point appended as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);

// Strict UTF-8 -> Windows-1250: returns false at the first code point without
// a Windows-1250 form (or invalid UTF-8), reporting it in badCodePoint.
bool Utf8To1250Strict(std::string_view s, std::string& out, char32_t& badCodePoint);

}  // namespace text
