// The integer syntax of header numbers and other texts the program parses:
// leading blanks, optional sign, decimal digits or hexadecimal after "$",
// "x" or "0x" (either case); 32-bit signed, overflow is an error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace text {

bool TryStrToInt(std::string_view s, int32_t& out);
// Throws text::EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view s);

}  // namespace text
