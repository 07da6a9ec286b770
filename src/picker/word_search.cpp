#include "picker/word_search.h"

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

std::vector<std::string> TWordSearch::Search(const std::string& words, bool* folded) const {
  if (folded) *folded = false;
  if (words.empty()) return {};
  const std::vector<std::string> list = SplitWords(words);
  if (list.front().empty()) return {};
  std::vector<std::string> foldedList = list;
  for (std::string& w : foldedList) w = text::FoldPolish1250(w);

  std::vector<std::string> rows;
  if (foldedList.front() == list.front()) {
    // No Polish letter in the first word. Folding keeps every byte in its
    // place, so each exact hit is also a hit in the folded texts: one pass
    // over those finds the lines of both searches, and the exact one looks
    // only at these.
    PrepareFolded();
    const std::vector<size_t> candidates = HitLines(TFinder(foldedList.front(), FFoldedCounts), true);
    const TFinder exact(list.front(), FByteCounts);
    std::vector<size_t> hits;
    for (const size_t i : candidates)
      if (exact.In(FLines[i].Record->LiniaUpper) || exact.In(FLines[i].Record->OpisUpper)) hits.push_back(i);
    rows = Rows(hits, list, false);
    if (!rows.empty()) return rows;
    rows = Rows(candidates, foldedList, true);
  } else {
    // A Polish letter is a rare byte that the exact search finds fast; the
    // folded texts are scanned only when it finds nothing.
    rows = Rows(HitLines(TFinder(list.front(), FByteCounts), false), list, false);
    if (!rows.empty()) return rows;
    PrepareFolded();
    rows = Rows(HitLines(TFinder(foldedList.front(), FFoldedCounts), true), foldedList, true);
  }
  if (folded) *folded = !rows.empty();
  return rows;
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

std::vector<size_t> TWordSearch::HitLines(const TFinder& finder, bool folded) const {
  // The search text is LiniaUpper, a blank, OpisUpper. The first word holds
  // no blank (a blank anywhere would have split the text), so it occurs in
  // the search text exactly when it occurs in one of the two halves.
  std::vector<size_t> hits;
  for (size_t i = 0; i < FLines.size(); ++i) {
    const TLine& line = FLines[i];
    if (!line.Record) continue;
    if (folded ? finder.In(FFolded[i]) : (finder.In(line.Record->LiniaUpper) || finder.In(line.Record->OpisUpper)))
      hits.push_back(i);
  }
  return hits;
}

std::vector<std::string> TWordSearch::Rows(const std::vector<size_t>& hits, const std::vector<std::string>& list,
                                           bool folded) const {
  std::vector<std::string> rows;
  rows.reserve(hits.size());
  for (const size_t i : hits) {
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
  if (further.empty()) return rows;
  std::vector<std::string> kept;
  for (std::string& row : rows) {
    std::string title = text::Upper1250(catalogue::TitleOf(row));
    if (folded) title = text::FoldPolish1250(title);
    bool all = true;
    for (const std::string* word : further) all = all && Contains(title, *word);
    if (all) kept.push_back(std::move(row));
  }
  return kept;
}

std::vector<std::string> SearchByWords(const catalogue::TBaza* baza, const std::string& words, bool* folded) {
  if (folded) *folded = false;
  if (!baza || words.empty()) return {};
  return TWordSearch(*baza).Search(words, folded);
}

}  // namespace picker
