// The search by description words: which catalogue lines the typed words
// find, each as a result row (the line, then its ancestors) for the result
// list. Titles and descriptions fold by the Windows-1250 rules.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/baza.h"

namespace picker {

// The typed words in upper case, split at the first of blank, ",", ";", "+"
// that occurs (the others stay inside the words). The first entry is the
// word looked for in the search texts; it is empty when the text starts with
// the separator, and then nothing is found. Never empty for a non-empty text.
std::vector<std::string> SplitWords(const std::string& words);

// The rows of one search: those found as typed, and after them those found
// only with the Polish letters folded on both sides (text::FoldPolish1250).
// Words typed with a Polish letter are folded only when they find nothing as
// typed: then every row is in Folded.
struct TWordHits {
  std::vector<std::string> Exact;
  std::vector<std::string> Folded;  // lines among Exact are not repeated here
};

// One catalogue prepared for repeated searches: the description record of
// every line is looked up once, so a query is a plain pass over pre-folded
// texts. Preparing costs about as much as two searches, so the window keeps
// one per attached catalogue. Holds pointers into baza: valid while baza is
// loaded and unchanged (it is read-only after its load).
class TWordSearch {
 public:
  explicit TWordSearch(const catalogue::TBaza& baza);

  // The result rows for the words, in file order. A row is the found line
  // without its leading blanks, then TAB and each ancestor line the backward
  // walk takes, nearest first. The first word must occur in the line's search
  // text; every further word of 2+ characters must occur in the row's title
  // part (the found line's title and its ancestor lines).
  // The rows found as typed and, apart, the rows found only with the Polish
  // letters folded to their base letters in the words and in the texts: the
  // first word in the search text, the further ones in the title part, all
  // folded ("dzial" finds "dziale" as typed, then what "dział" finds). Words
  // with a Polish letter are folded only when they find nothing as typed.
  TWordHits SearchAll(const std::string& words) const;
  // The rows found as typed; when there are none, those found folded, and
  // folded, when given, says so.
  std::vector<std::string> Search(const std::string& words, bool* folded = nullptr) const;

 private:
  struct TLine {
    const std::string* Text;
    size_t Indent;                    // leading blanks
    const catalogue::TROpisy* Record; // the record SearchText would use, or none
    int WalkNext;                     // where the backward walk looks next, -1: nowhere
  };
  class TFinder;
  class TFoldFinder;
  // The lines whose search text holds the word as typed.
  std::vector<size_t> ExactLines(const std::string& word) const;
  // The lines the first word finds as typed (exact) and folded (a superset).
  void HitLines(const std::string& word, std::vector<size_t>& exact, std::vector<size_t>& folded) const;
  // The lines whose search text (folded: its folded copy) holds the finder's word.
  std::vector<size_t> HitLines(const TFinder& finder, bool folded = false) const;
  // The result rows of those lines, kept when every further word of list
  // occurs in the row's title part (folded: both folded).
  // skip: lines (ascending) left out; kept, when given, gets the lines of the rows.
  std::vector<std::string> Rows(const std::vector<size_t>& hits, const std::vector<std::string>& list, bool folded,
                                const std::vector<size_t>* skip = nullptr, std::vector<size_t>* kept = nullptr) const;
  // The folded search texts, made at the first search that needs them.
  void PrepareFolded() const;

  std::vector<TLine> FLines;
  std::array<uint32_t, 256> FByteCounts;  // how often each byte occurs in the search texts
  mutable bool FFoldedReady = false;
  mutable std::vector<std::string> FFolded;  // per line: the search text, folded; empty without a record
  mutable std::array<uint32_t, 256> FFoldedCounts;
};

// One search without a prepared catalogue; no rows without a catalogue or
// for empty words.
std::vector<std::string> SearchByWords(const catalogue::TBaza* baza, const std::string& words,
                                       bool* folded = nullptr);

}  // namespace picker
