// The additional description as the description pane shows it.
#pragma once

#include <string>

namespace picker {

// The byte 0xFF marks a line break in stored descriptions; CR, LF and CR LF
// all end a line as well. Every break comes out as CR LF, the form a
// multi-line edit control needs. No break is added after the last line.
std::string DescriptionForDisplay(const std::string& opis);

}  // namespace picker
