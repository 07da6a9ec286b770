#include "picker/word_search.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "catalogue/entry_text.h"
#include "text/cp1250.h"

namespace picker {

namespace {

constexpr char kSeparators[] = {' ', ',', ';', '+'};

size_t LeadingBlanks(const std::string& line) {
  size_t n = 0;
  while (n < line.size() && line[n] == ' ') ++n;
  return n;
}

bool Contains(std::string_view haystack, std::string_view needle) {
  return haystack.find(needle) != std::string_view::npos;
}

}  // namespace

// Looks for a word by its rarest byte in the catalogue's texts: a plain
// search stops at every occurrence of the word's first letter, and in
// upper-case Polish text that is most often a common one.
class TWordSearch::TFinder {
 public:
  TFinder(std::string_view word, const std::array<uint32_t, 256>& byteCounts) : FWord(word) {
    for (size_t k = 1; k < word.size(); ++k)
      if (byteCounts[static_cast<unsigned char>(word[k])] < byteCounts[static_cast<unsigned char>(word[FRare])]) FRare = k;
  }
  char RareByte() const { return FWord[FRare]; }
  bool In(const std::string& text) const {
    if (text.size() < FWord.size()) return false;
    const char* p = text.data() + FRare;
    const char* const end = text.data() + (text.size() - FWord.size()) + FRare + 1;
    while (p < end) {
      p = static_cast<const char*>(std::memchr(p, FWord[FRare], static_cast<size_t>(end - p)));
      if (!p) return false;
      if (std::memcmp(p - FRare, FWord.data(), FWord.size()) == 0) return true;
      ++p;
    }
    return false;
  }

 private:
  std::string_view FWord;
  size_t FRare = 0;
};

namespace {

// Bytes that folding neither changes nor makes: where the word has one, the
// text has that very byte whether the word is matched as written or folded.
// The folding table at hand, for a comparison inside the scan.
struct TFoldBytes {
  bool Stable[256] = {};
  unsigned char Fold[256] = {};
  TFoldBytes() {
    for (int b = 0; b < 256; ++b) Stable[b] = true;
    for (int b = 0; b < 256; ++b) {
      const auto f = static_cast<unsigned char>(text::FoldPolishChar1250(static_cast<char>(b)));
      Fold[b] = f;
      if (f != b) Stable[b] = Stable[f] = false;
    }
  }
};

const TFoldBytes& FoldBytes() {
  static const TFoldBytes table;
  return table;
}

}  // namespace

// Looks for a word as written and, at the same stops, for the word with the
// Polish letters folded on both sides, in the texts as they are: it stops at
// the word's rarest byte that folding leaves alone, so one pass over the
// texts serves both searches and no folded copy of them is needed.
class TWordSearch::TFoldFinder {
 public:
  TFoldFinder(std::string_view word, const std::array<uint32_t, 256>& byteCounts)
      : FWord(word), FFolded(text::FoldPolish1250(word)) {
    for (size_t k = 0; k < word.size(); ++k) {
      const auto b = static_cast<unsigned char>(word[k]);
      if (!FoldBytes().Stable[b]) continue;
      if (FRare == std::string::npos || byteCounts[b] < byteCounts[static_cast<unsigned char>(word[FRare])]) FRare = k;
    }
  }
  // False for a word made only of letters that folding touches.
  bool Usable() const { return FRare != std::string::npos; }
  char RareByte() const { return FWord[FRare]; }
  // 2: the word occurs as written; 1: only folded; 0: not at all.
  int In(const std::string& text) const {
    const size_t n = FWord.size();
    if (text.size() < n) return 0;
    const unsigned char* const fold = FoldBytes().Fold;
    const auto at = [fold](const char* q) { return static_cast<char>(fold[static_cast<unsigned char>(*q)]); };
    int found = 0;
    const char* p = text.data() + FRare;
    const char* const end = text.data() + (text.size() - n) + FRare + 1;
    for (; p < end; ++p) {
      p = static_cast<const char*>(std::memchr(p, FWord[FRare], static_cast<size_t>(end - p)));
      if (!p) break;
      const char* start = p - FRare;
      size_t k = 0;
      while (k < n && start[k] == FWord[k]) ++k;
      if (k == n) return 2;
      if (found) continue;
      // Equal bytes fold alike: the folded comparison goes on from the
      // first difference, which is most often no Polish letter.
      while (k < n && at(start + k) == FFolded[k]) ++k;
      if (k == n) found = 1;
    }
    return found;
  }

 private:
  std::string_view FWord;
  std::string FFolded;
  size_t FRare = std::string::npos;
};

std::vector<std::string> SplitWords(const std::string& words) {
  std::string w = text::Upper1250(words);
  std::vector<std::string> list;
  for (const char c : kSeparators) {
    size_t p = w.find(c);
    while (p != std::string::npos && !w.empty()) {
      list.push_back(w.substr(0, p));
      w.erase(0, p + 1);
      w.erase(0, LeadingBlanks(w));
      // Once this separator has split the text, the rest becomes the last word.
      p = w.find(c);
      if (p == std::string::npos) p = w.size();
    }
  }
  if (list.empty()) list.push_back(w);  // nothing split: the whole text is the first word
  return list;
}

TWordSearch::TWordSearch(const catalogue::TBaza& baza) {
  FLines.reserve(baza.Count());
  for (size_t i = 0; i < baza.Count(); ++i) {
    const std::string& line = baza.Line(i);
    FLines.push_back({&line, LeadingBlanks(line), baza.Opisy().Find(catalogue::CodeOf(line)), -1});
  }
  FByteCounts.fill(0);
  for (const TLine& l : FLines) {
    if (!l.Record) continue;
    for (const char c : l.Record->LiniaUpper) ++FByteCounts[static_cast<unsigned char>(c)];
    for (const char c : l.Record->OpisUpper) ++FByteCounts[static_cast<unsigned char>(c)];
  }
  // Where the backward walk from each line goes next: the nearest earlier
  // line whose indentation is neither zero nor the line's own (the walk
  // passes over both). Without it a long run of hits among siblings would
  // walk back over all the siblings again for every hit.
  int last = -1;
  int lastOther = -1;
  for (size_t i = 0; i < FLines.size(); ++i) {
    TLine& l = FLines[i];
    if (last >= 0) l.WalkNext = FLines[last].Indent != l.Indent ? last : lastOther;
    if (l.Indent == 0) continue;
    if (last >= 0 && FLines[last].Indent != l.Indent) lastOther = last;
    last = static_cast<int>(i);
  }
}

void TWordSearch::HitLines(const std::string& word, std::vector<size_t>& exactHits,
                           std::vector<size_t>& foldedHits) const {
  const TFinder exact(word, FByteCounts);
  const TFoldFinder both(word, FByteCounts);
  PrepareFolded();
  const std::string foldedWord = text::FoldPolish1250(word);
  const TFinder folded(foldedWord, FFoldedCounts);
  if (both.Usable() && FByteCounts[static_cast<unsigned char>(both.RareByte())] <=
                           FFoldedCounts[static_cast<unsigned char>(folded.RareByte())]) {
    // One pass over the texts as they are, stopping at the word's rarest
    // byte that folding leaves alone, finds the lines of both searches.
    for (size_t i = 0; i < FLines.size(); ++i) {
      const catalogue::TROpisy* r = FLines[i].Record;
      if (!r) continue;
      int found = both.In(r->LiniaUpper);
      if (found < 2) found = std::max(found, both.In(r->OpisUpper));  // a hit in the line is enough
      if (found == 2) exactHits.push_back(i);
      if (found >= 1) foldedHits.push_back(i);
    }
    return;
  }
  // One pass over the folded texts, at the folded word's rarest byte: a text
  // holding the word as typed holds it folded too, so only the lines found
  // are looked at as typed.
  for (size_t i = 0; i < FLines.size(); ++i) {
    if (FFolded[i].empty() || !folded.In(FFolded[i])) continue;
    foldedHits.push_back(i);
    const catalogue::TROpisy* r = FLines[i].Record;
    if (exact.In(r->LiniaUpper) || exact.In(r->OpisUpper)) exactHits.push_back(i);
  }
}

TWordHits TWordSearch::SearchAll(const std::string& words) const {
  TWordHits hits;
  if (words.empty()) return hits;
  const std::vector<std::string> list = SplitWords(words);
  if (list.front().empty()) return hits;
  std::vector<std::string> foldedList = list;
  for (std::string& w : foldedList) w = text::FoldPolish1250(w);
  std::vector<size_t> exactLines, foldedLines, kept;
  if (foldedList != list) {
    // Words typed with Polish letters mean them: folded, they are looked up
    // only when they find nothing as typed.
    hits.Exact = Rows(ExactLines(list.front()), list, false);
    if (!hits.Exact.empty()) return hits;
    HitLines(list.front(), exactLines, foldedLines);
    hits.Folded = Rows(foldedLines, foldedList, true);
    return hits;
  }
  HitLines(list.front(), exactLines, foldedLines);
  hits.Exact = Rows(exactLines, list, false, nullptr, &kept);
  hits.Folded = Rows(foldedLines, foldedList, true, &kept);
  return hits;
}

std::vector<size_t> TWordSearch::ExactLines(const std::string& word) const {
  // The search text is LiniaUpper, a blank, OpisUpper. The first word holds
  // no blank (a blank anywhere would have split the text), so it occurs in
  // the search text exactly when it occurs in one of the two halves.
  const TFinder finder(word, FByteCounts);
  std::vector<size_t> hits;
  for (size_t i = 0; i < FLines.size(); ++i) {
    const catalogue::TROpisy* r = FLines[i].Record;
    if (r && (finder.In(r->LiniaUpper) || finder.In(r->OpisUpper))) hits.push_back(i);
  }
  return hits;
}

std::vector<std::string> TWordSearch::Search(const std::string& words, bool* folded) const {
  TWordHits hits = SearchAll(words);
  if (folded) *folded = hits.Exact.empty() && !hits.Folded.empty();
  return hits.Exact.empty() ? std::move(hits.Folded) : std::move(hits.Exact);
}

void TWordSearch::PrepareFolded() const {
  if (FFoldedReady) return;
  FFolded.resize(FLines.size());
  for (size_t i = 0; i < FLines.size(); ++i) {
    const catalogue::TROpisy* r = FLines[i].Record;
    if (!r) continue;
    std::string& t = FFolded[i];
    t.reserve(r->LiniaUpper.size() + 1 + r->OpisUpper.size());
    t = r->LiniaUpper;
    t += ' ';
    t += r->OpisUpper;
    for (char& c : t) c = text::FoldPolishChar1250(c);
  }
  FFoldedCounts.fill(0);
  for (int b = 0; b < 256; ++b)
    FFoldedCounts[static_cast<unsigned char>(text::FoldPolishChar1250(static_cast<char>(b)))] += FByteCounts[b];
  FFoldedReady = true;
}

std::vector<std::string> TWordSearch::Rows(const std::vector<size_t>& hits, const std::vector<std::string>& list,
                                           bool folded, const std::vector<size_t>* skip,
                                           std::vector<size_t>* kept) const {
  std::vector<std::string> rows;
  std::vector<size_t> lines;
  rows.reserve(hits.size());
  size_t s = 0;
  for (const size_t i : hits) {
    if (skip) {
      while (s < skip->size() && (*skip)[s] < i) ++s;
      if (s < skip->size() && (*skip)[s] == i) continue;
    }
    lines.push_back(i);
    const TLine& hit = FLines[i];
    std::string row = hit.Text->substr(hit.Indent);
    // Backward walk: take a line less indented (but indented) than the last
    // one taken; end at a line indented deeper; pass over the rest.
    size_t level = hit.Indent;
    for (int j = hit.WalkNext; level > 0 && j >= 0; j = FLines[j].WalkNext) {
      const TLine& up = FLines[j];
      if (up.Indent > level) break;
      row += '\t';
      row.append(*up.Text, up.Indent, std::string::npos);
      level = up.Indent;
    }
    rows.push_back(std::move(row));
  }

  std::vector<const std::string*> further;
  for (size_t k = 1; k < list.size(); ++k)
    if (list[k].size() >= 2) further.push_back(&list[k]);
  if (further.empty()) {
    if (kept) *kept = std::move(lines);
    return rows;
  }
  std::vector<std::string> left;
  if (kept) kept->clear();
  for (size_t k = 0; k < rows.size(); ++k) {
    std::string title = text::Upper1250(catalogue::TitleOf(rows[k]));
    if (folded) title = text::FoldPolish1250(title);
    bool all = true;
    for (const std::string* word : further) all = all && Contains(title, *word);
    if (!all) continue;
    left.push_back(std::move(rows[k]));
    if (kept) kept->push_back(lines[k]);
  }
  return left;
}

std::vector<std::string> SearchByWords(const catalogue::TBaza* baza, const std::string& words, bool* folded) {
  if (folded) *folded = false;
  if (!baza || words.empty()) return {};
  return TWordSearch(*baza).Search(words, folded);
}

}  // namespace picker
