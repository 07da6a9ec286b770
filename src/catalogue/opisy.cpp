#include "catalogue/opisy.h"

#include "text/cp1250.h"

namespace catalogue {

size_t TOpisy::LowerBound(std::string_view code) const {
  // Bisection that keeps going left on an equal key, so it lands on the first of equal keys.
  size_t lo = 0;
  size_t hi = FEntries.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (text::CompareNoCase1250(FEntries[mid].key, code) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

void TOpisy::Add(const std::string& code, const std::string& opis, const std::string& line) {
  auto rec = std::make_unique<TROpisy>();
  rec->Opis = opis;
  rec->OpisUpper = text::Upper1250(opis);
  rec->LiniaUpper = text::Upper1250(line);
  // Before all equal keys: a code described twice yields its latest description.
  const size_t at = LowerBound(code);
  FEntries.insert(FEntries.begin() + static_cast<std::ptrdiff_t>(at), Entry{code, std::move(rec)});
}

const TROpisy* TOpisy::Find(std::string_view code) const {
  const size_t at = LowerBound(code);
  if (at < FEntries.size() && text::CompareNoCase1250(FEntries[at].key, code) == 0) return FEntries[at].record.get();
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
