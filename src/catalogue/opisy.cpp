#include "catalogue/opisy.h"

#include <algorithm>
#include <iterator>

#include "text/cp1250.h"

namespace catalogue {

void TOpisy::Add(const std::string& code, std::string opis, std::string_view line) {
  auto rec = std::make_unique<TROpisy>();
  rec->OpisUpper = text::Upper1250(opis);
  rec->Opis = std::move(opis);
  rec->LiniaUpper = text::Upper1250(line);
  FPending.push_back(TEntry{code, text::Upper1250(code), std::move(rec)});
}

const std::vector<TOpisy::TEntry>& TOpisy::Settled() const {
  if (FPending.empty()) return FEntries;
  const auto byKey = [](const TEntry& a, const TEntry& b) { return a.Folded < b.Folded; };
  // Newest first among equal keys: reverse the order of adding, then sort stably.
  std::reverse(FPending.begin(), FPending.end());
  std::stable_sort(FPending.begin(), FPending.end(), byKey);
  // merge keeps the first range first among equals: the new entries before the old.
  std::vector<TEntry> merged;
  merged.reserve(FEntries.size() + FPending.size());
  std::merge(std::make_move_iterator(FPending.begin()), std::make_move_iterator(FPending.end()),
             std::make_move_iterator(FEntries.begin()), std::make_move_iterator(FEntries.end()),
             std::back_inserter(merged), byKey);
  FEntries.swap(merged);
  FPending.clear();
  return FEntries;
}

const TROpisy* TOpisy::Find(std::string_view code) const {
  const std::vector<TEntry>& entries = Settled();
  const std::string folded = text::Upper1250(code);
  // lower_bound lands on the first of equal keys: the newest.
  const auto at = std::lower_bound(entries.begin(), entries.end(), folded,
                                   [](const TEntry& e, const std::string& key) { return e.Folded < key; });
  if (at != entries.end() && at->Folded == folded) return at->Record.get();
  return nullptr;
}

std::string TOpisy::Opis(std::string_view code) const {
  const TROpisy* r = Find(code);
  return r ? r->Opis : std::string();
}

std::string TOpisy::SearchText(std::string_view code) const {
  const TROpisy* r = Find(code);
  return r ? r->LiniaUpper + " " + r->OpisUpper : std::string();
}

}  // namespace catalogue
