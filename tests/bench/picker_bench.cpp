// The search by description words and its result list.
// - Per query on the real PKD 2025 catalogue, the search as the window runs
//   it (the rows found as typed and those found only without Polish
//   letters), against a plain substring scan (std::string::find) of the same
//   pre-folded texts for the word as typed that builds no rows.
// - On the synthetic catalogue a hundred times the real one, a query that
//   hits 10,000 lines: its rows, and the result list built from them, both
//   with the copies' titles shared (the list merges them into few nodes) and
//   with every title marked by its copy (10,000 distinct titles).
#include <benchmark/benchmark.h>

#include <filesystem>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/baza.h"
#include "catalogue/entry_text.h"
#include "picker/result_list.h"
#include "picker/word_search.h"
#include "support/synthetic_catalogue.h"
#include "text/cp1250.h"

namespace {

const std::filesystem::path kPath = PKD_BENCH_KOD;

// Windows-1250 queries; the sources are UTF-8 and compiled to the code page.
// "zboz" to "qxz" find nothing as typed ("qxz" nothing folded either); the
// last three find a few lines as typed and many more folded. "wlasnosc" and
// "lodzi" have no byte that folding leaves alone, so they are looked for in
// the folded copy of the texts.
const char* const kQueries[] = {"zboż",     "elektry",  "produkcja wyrobów", "transport,morski", "zboz",
                                "srodki transportu", "wlasnosc", "qxz", "dzial", "odpadow", "lodzi"};
// Hits 100 lines of PKD 2025, so 10,000 of the hundredfold catalogue.
const char kTenThousand[] = "elektry";

// 0: the real catalogue; 1: copies with shared titles; 2: copies with marked titles.
const catalogue::TBaza& Catalogue(int kind) {
  static std::map<int, std::unique_ptr<testing_support::TSyntheticCatalogue>> files;
  static std::map<int, std::unique_ptr<catalogue::TBaza>> loaded;
  auto& b = loaded[kind];
  if (!b) {
    std::filesystem::path path = kPath;
    if (kind > 0) {
      files[kind] = std::make_unique<testing_support::TSyntheticCatalogue>(
          kPath, testing_support::TSyntheticOptions{100, kind == 2});
      path = files[kind]->Path();
    }
    b = std::make_unique<catalogue::TBaza>();
    b->Load(path);
  }
  return *b;
}

void BM_SearchByWords(benchmark::State& state) {
  const catalogue::TBaza& baza = Catalogue(0);
  const picker::TWordSearch search(baza);
  const std::string words = kQueries[state.range(0)];
  picker::TWordHits hits;
  for (auto _ : state) hits = search.SearchAll(words);
  state.SetLabel(text::Cp1250ToUtf8(words));
  state.counters["rows"] = static_cast<double>(hits.Exact.size());
  state.counters["folded"] = static_cast<double>(hits.Folded.size());
}

// The same, preparing the catalogue first, as a search without a kept
// TWordSearch does.
void BM_SearchByWordsUnprepared(benchmark::State& state) {
  const catalogue::TBaza& baza = Catalogue(0);
  const std::string words = kQueries[state.range(0)];
  for (auto _ : state) benchmark::DoNotOptimize(picker::SearchByWords(&baza, words).size());
  state.SetLabel(text::Cp1250ToUtf8(words));
}

// Each line's search text, looked up once, scanned for the first word only.
void BM_PlainScan(benchmark::State& state) {
  const catalogue::TBaza& baza = Catalogue(0);
  std::vector<const catalogue::TROpisy*> records;
  for (const std::string& line : baza.Lines()) records.push_back(baza.Opisy().Find(catalogue::CodeOf(line)));
  const std::string words = kQueries[state.range(0)];
  const std::string first = picker::SplitWords(words).front();
  size_t hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (const catalogue::TROpisy* r : records)
      if (r && (r->LiniaUpper.find(first) != std::string::npos || r->OpisUpper.find(first) != std::string::npos)) ++hits;
    benchmark::DoNotOptimize(hits);
  }
  state.SetLabel(text::Cp1250ToUtf8(words));
  state.counters["hits"] = static_cast<double>(hits);
}

void BM_SearchTenThousand(benchmark::State& state) {
  const picker::TWordSearch search(Catalogue(static_cast<int>(state.range(0))));
  size_t rows = 0;
  for (auto _ : state) rows = search.Search(kTenThousand).size();
  state.counters["rows"] = static_cast<double>(rows);
}

void BM_FillResultsTenThousand(benchmark::State& state) {
  const std::vector<std::string> rows =
      picker::TWordSearch(Catalogue(static_cast<int>(state.range(0)))).Search(kTenThousand);
  picker::TResultList list;
  for (auto _ : state) list.FillResults(rows);
  state.counters["rows"] = static_cast<double>(rows.size());
  state.counters["nodes"] = static_cast<double>(list.Count());
}

void Queries(benchmark::internal::Benchmark* b) {
  for (int i = 0; i < static_cast<int>(sizeof kQueries / sizeof kQueries[0]); ++i) b->Arg(i);
}

BENCHMARK(BM_PlainScan)->Apply(Queries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchByWords)->Apply(Queries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchByWordsUnprepared)->Apply(Queries)->Unit(benchmark::kMicrosecond);
// Argument: 1 = copies share their titles, 2 = titles marked per copy.
BENCHMARK(BM_SearchTenThousand)->ArgName("titles")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillResultsTenThousand)->ArgName("titles")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
