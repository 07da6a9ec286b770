// Codes named in a note, as the note pane lets the reader follow them, and
// the short history of the entries visited by following them and by the
// searches.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace picker {

// The code the note names at character position pos of text (the caret or
// the point double-clicked; a position right after the code counts), as the
// notes write codes: a subclass "98.10.Z", a class "01.11", a group "01.5",
// a division "10", and a section letter after a word "sekcja" ("sekcji F",
// "sekcjach G i H"). Empty when there is none; whether the catalogue has the
// code is the caller's question.
std::string CodeAt(const std::string& text, size_t pos);

// Entries (tree indexes) visited by jumps, with a position to go back and
// forward from, as a browser's: a jump after going back drops the entries
// ahead. Kept short: the oldest go first.
class TVisitHistory {
 public:
  static constexpr size_t kLimit = 50;
  // A jump from the entry from (-1: none selected) to the entry to.
  void Jump(int from, int to);
  // The entry to go back (forward) to, -1 when there is none; the position moves.
  int Back();
  int Forward();
  void Clear();
  size_t Count() const { return FEntries.size(); }

 private:
  void Push(int entry);
  std::vector<int> FEntries;
  size_t FPos = 0;  // index of the current entry; meaningless while empty
};

}  // namespace picker
