// The additional description as the description pane shows it.
#pragma once

#include <string>

#include "catalogue/correspondence.h"

namespace picker {

// The byte 0xFF marks a line break in stored descriptions; CR, LF and CR LF
// all end a line as well. Every break comes out as CR LF, the form a
// multi-line edit control needs. No break is added after the last line.
std::string DescriptionForDisplay(const std::string& opis);

// The note pane's text: the note as published, then, set off by an empty
// line, the code's counterparts in the other revision
// ("Odpowiedniki w PKD 2007: 01.13.Z, 01.19.Z"), which are no part of it.
struct TNotePane {
  std::string Text;   // CR LF line ends
  size_t NoteEnd = 0;  // where the note's own text ends in Text
};
TNotePane NoteForDisplay(const std::string& opis, const catalogue::TCorrespondence& correspondence,
                         const std::string& code);

}  // namespace picker
