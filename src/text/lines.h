// Splitting 8-bit text into lines: CR LF, lone LF and lone CR each end a line,
// a NUL byte ends the text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace text {

std::vector<std::string> SplitLines(std::string_view s);
// Each line followed by CR LF.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);

}  // namespace text
