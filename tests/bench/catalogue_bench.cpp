// Loading the catalogue, building the code tree from it and matching a code,
// on the real PKD 2025 catalogue (copies:1) and on a synthetic one a hundred
// times its size (copies:100), in one run. Inflating alone shows what the
// loader adds to reading the file.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "catalogue/baza.h"
#include "catalogue/entry_text.h"
#include "catalogue/file.h"
#include "catalogue/kodfile.h"
#include "picker/code_search.h"
#include "picker/code_tree.h"
#include "support/synthetic_catalogue.h"

namespace {

const std::filesystem::path kPath = PKD_BENCH_KOD;

// The file for a number of copies; the synthetic one is written once per run.
const std::filesystem::path& PathFor(int copies) {
  static std::map<int, std::unique_ptr<testing_support::TSyntheticCatalogue>> made;
  if (copies == 1) return kPath;
  auto& s = made[copies];
  if (!s) s = std::make_unique<testing_support::TSyntheticCatalogue>(kPath, testing_support::TSyntheticOptions{copies});
  return s->Path();
}

// A loaded catalogue kept for the benchmarks that start from one.
const catalogue::TBaza& LoadedFor(int copies) {
  static std::map<int, std::unique_ptr<catalogue::TBaza>> loaded;
  auto& b = loaded[copies];
  if (!b) {
    b = std::make_unique<catalogue::TBaza>();
    b->Load(PathFor(copies));
  }
  return *b;
}

void BM_Load(benchmark::State& state) {
  const std::filesystem::path& path = PathFor(static_cast<int>(state.range(0)));
  size_t lines = 0;
  for (auto _ : state) {
    catalogue::TBaza b;
    b.Load(path);
    lines = b.Count();
  }
  state.counters["lines"] = static_cast<double>(lines);
}

void BM_InflateOnly(benchmark::State& state) {
  const std::filesystem::path& path = PathFor(static_cast<int>(state.range(0)));
  std::string error;
  for (auto _ : state) {
    // Read the file and inflate it, as Load does, without parsing.
    std::string raw, out;
    if (!catalogue::ReadWholeFile(path, raw, error)) {
      state.SkipWithError("cannot read the catalogue");
      return;
    }
    catalogue::InflateKod(std::string_view(raw).substr(catalogue::kKodMagicSize), out);
    benchmark::DoNotOptimize(out.size());
  }
}

void BM_BuildTree(benchmark::State& state) {
  const catalogue::TBaza& baza = LoadedFor(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    picker::TCodeTree tree;
    tree.Build(baza.Lines());
    benchmark::DoNotOptimize(tree.Count());
  }
  state.counters["lines"] = static_cast<double>(baza.Count());
}

// The code of the last entry: the match walks the whole tree to reach it.
void BM_MatchLastCode(benchmark::State& state) {
  const catalogue::TBaza& baza = LoadedFor(static_cast<int>(state.range(0)));
  picker::TCodeTree tree;
  tree.Build(baza.Lines());
  const std::string code = catalogue::CodeOf(tree.Entry(tree.Count() - 1).Text);
  int hit = -1;
  for (auto _ : state) {
    hit = picker::MatchCode(tree, code);
    benchmark::DoNotOptimize(hit);
  }
  if (hit != static_cast<int>(tree.Count()) - 1) state.SkipWithError("the last code matched another entry");
}

// The code list's exact lookup, run before every search by code.
void BM_FindLastCodeExact(benchmark::State& state) {
  const catalogue::TBaza& baza = LoadedFor(static_cast<int>(state.range(0)));
  picker::TCodeTree tree;
  tree.Build(baza.Lines());
  const std::vector<std::string> codes = tree.Codes();
  for (auto _ : state) benchmark::DoNotOptimize(picker::FindCodeExact(codes, codes.back()));
}

BENCHMARK(BM_Load)->ArgName("copies")->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateOnly)->ArgName("copies")->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildTree)->ArgName("copies")->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchLastCode)->ArgName("copies")->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindLastCodeExact)->ArgName("copies")->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
