// The code tree as a model: entries in catalogue order with their parent,
// children and siblings, built from the indented catalogue lines. The window
// shows it; the searches walk it without touching any control.
#pragma once

#include <string>
#include <vector>

#include "text/errors.h"

namespace picker {

// A line two or more levels deeper than the entry before it.
class EInvalidLevel : public text::Exception {
 public:
  using text::Exception::Exception;
};

struct TTreeEntry {
  std::string Text;      // the line without its indentation: code, " - ", title
  std::string Code;      // the part before the first " - " (empty without one)
  std::string Title;     // the part after it
  int Parent = -1;       // index of the parent entry, -1 at top level
  int Level = 0;         // number of ancestors
  int FirstChild = -1;
  int NextSibling = -1;
};

class TCodeTree {
 public:
  // Replaces the entries by the tree of these lines. Each leading blank or tab
  // counts as one level. On a line two or more levels deeper than the entry
  // before it, throws EInvalidLevel and keeps the entries built so far.
  void Build(const std::vector<std::string>& lines);
  void Clear() { FEntries.clear(); }

  size_t Count() const { return FEntries.size(); }
  const TTreeEntry& Entry(size_t i) const { return FEntries[i]; }
  bool HasChildren(size_t i) const { return FEntries[i].FirstChild >= 0; }

  // Codes of the entries that have one, in entry order, duplicates kept.
  std::vector<std::string> Codes() const;
  // The entry and its ancestors, top-level ancestor first.
  std::vector<int> PathTo(int index) const;

 private:
  int Append(const std::string& text, int parent);
  std::vector<TTreeEntry> FEntries;
};

// The leading run of blanks and tabs: the depth of a catalogue line.
size_t IndentOf(const std::string& line);

}  // namespace picker
