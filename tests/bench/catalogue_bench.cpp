// Loading the real PKD 2025 catalogue, against only inflating it: the
// difference is what splitting lines, headers and descriptions costs.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "catalogue/baza.h"
#include "catalogue/file.h"
#include "catalogue/kodfile.h"

namespace {

const std::filesystem::path kPath = PKD_BENCH_KOD;

void BM_LoadPkd2025(benchmark::State& state) {
  for (auto _ : state) {
    catalogue::TBaza b;
    b.Load(kPath);
    benchmark::DoNotOptimize(b.Count());
  }
}

void BM_InflateOnlyPkd2025(benchmark::State& state) {
  std::string bytes, error;
  if (!catalogue::ReadWholeFile(kPath, bytes, error)) {
    state.SkipWithError("cannot read pkd.kod");
    return;
  }
  for (auto _ : state) {
    // Read the file and inflate it, as Load does, without parsing.
    std::string raw, out;
    catalogue::ReadWholeFile(kPath, raw, error);
    catalogue::InflateKod(std::string_view(raw).substr(catalogue::kKodMagicSize), out);
    benchmark::DoNotOptimize(out.size());
  }
}

BENCHMARK(BM_LoadPkd2025)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateOnlyPkd2025)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
