#include "picker/note_links.h"

namespace picker {

namespace {

bool Digit(char c) { return c >= '0' && c <= '9'; }
bool Upper(char c) { return c >= 'A' && c <= 'Z'; }
bool CodeChar(char c) { return Digit(c) || Upper(c) || c == '.'; }
// A byte of a word: ASCII letters and digits, and the bytes above ASCII but
// the quotes, dashes and blanks of Windows-1250 that notes put around codes.
bool WordChar(char c) {
  switch (static_cast<unsigned char>(c)) {
    case 0x84: case 0x85: case 0x91: case 0x92: case 0x93: case 0x94: case 0x96: case 0x97: case 0xA0: case 0xAB:
    case 0xBB:
      return false;
  }
  return Digit(c) || Upper(c) || (c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80;
}

// The length of the code at the start of s: "DD", "DD.D", "DD.DD", "DD.DD.L".
size_t NumericCode(const std::string& s) {
  if (s.size() < 2 || !Digit(s[0]) || !Digit(s[1])) return 0;
  if (s.size() == 2 || s[2] != '.' || s.size() < 4 || !Digit(s[3])) return 2;
  if (s.size() == 4 || !Digit(s[4])) return 4;
  if (s.size() >= 7 && s[5] == '.' && Upper(s[6])) return 7;
  return 5;
}

bool SectionWord(const std::string& w) {
  return w.size() >= 5 && (w[0] == 's' || w[0] == 'S') && w.compare(1, 4, "ekcj") == 0;
}

// A section letter stands right after a word "sekcja", or in a list of
// letters after one ("sekcjach G, H i J"), within one clause: a separator
// other than a blank or a comma ends the look back.
bool AfterSectionWord(const std::string& text, size_t start) {
  size_t end = start;
  for (int words = 0; words < 8; ++words) {
    while (end > 0 && !WordChar(text[end - 1])) {
      if (text[end - 1] != ' ' && text[end - 1] != ',') return false;
      --end;
    }
    size_t begin = end;
    while (begin > 0 && WordChar(text[begin - 1])) --begin;
    if (begin == end) return false;
    const std::string w = text.substr(begin, end - begin);
    if (SectionWord(w)) return true;
    const bool letter = w.size() == 1 && Upper(w[0]);
    if (!letter && w != "i" && w != "oraz" && w != "lub" && w != "albo") return false;
    end = begin;
  }
  return false;
}

}  // namespace

std::string CodeAt(const std::string& text, size_t pos) {
  if (pos > text.size()) return std::string();
  // The run of code characters around pos (or ending at it).
  size_t start = pos, end = pos;
  while (start > 0 && CodeChar(text[start - 1])) --start;
  while (end < text.size() && CodeChar(text[end])) ++end;
  if (start == end) return std::string();
  // Glued to a word ("A1", "ab01"), it is no code.
  if (start > 0 && WordChar(text[start - 1])) return std::string();
  if (end < text.size() && WordChar(text[end])) return std::string();
  const std::string run = text.substr(start, end - start);
  size_t length = NumericCode(run);
  if (length == 0 && run.size() == 1 && Upper(run[0]) && AfterSectionWord(text, start)) length = 1;
  // Only dots may follow the code in its run (the end of a sentence).
  if (length == 0 || run.find_first_not_of('.', length) != std::string::npos) return std::string();
  if (pos > start + length) return std::string();
  return run.substr(0, length);
}

void TVisitHistory::Push(int entry) {
  if (!FEntries.empty()) FEntries.resize(FPos + 1);  // what lay ahead is dropped
  FEntries.push_back(entry);
  if (FEntries.size() > kLimit) FEntries.erase(FEntries.begin());
  FPos = FEntries.size() - 1;
}

void TVisitHistory::Jump(int from, int to) {
  if (to < 0 || from == to) return;
  if (from >= 0 && (FEntries.empty() || FEntries[FPos] != from)) Push(from);
  Push(to);
}

int TVisitHistory::Back() {
  if (FEntries.empty() || FPos == 0) return -1;
  return FEntries[--FPos];
}

int TVisitHistory::Forward() {
  if (FEntries.empty() || FPos + 1 >= FEntries.size()) return -1;
  return FEntries[++FPos];
}

void TVisitHistory::Clear() {
  FEntries.clear();
  FPos = 0;
}

}  // namespace picker
