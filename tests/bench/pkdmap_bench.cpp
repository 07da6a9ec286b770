// pkdmap's speed on a generated contractors' file of 10 million rows (the
// rows are made as they are read, so the figure is the converter's and the
// memory it holds is its own): rows a second, and how much the peak
// resident memory grew during the run. The codes are every PKD 2007
// subclass in turn, written strictly, loosely and wrongly, with a quoted
// name in every row; one row in fifty is empty.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/baza.h"
#include "catalogue/entry_text.h"
#include "pkdmap/code_map.h"
#include "pkdmap/converter.h"
#include "text/cp1250.h"

namespace {

using namespace pkdmap;

constexpr size_t kRows = 10'000'000;

struct TCatalogues {
  catalogue::TBaza kod2025, kod2007;
  std::unique_ptr<TCodeMap> map;
  std::vector<std::string> codes;  // the PKD 2007 subclasses
};

const TCatalogues& Catalogues() {
  static TCatalogues* c = [] {
    auto* r = new TCatalogues;
    r->kod2025.Load(std::filesystem::path(PKD_BENCH_BIN) / "pkd.kod");
    r->kod2007.Load(std::filesystem::path(PKD_BENCH_BIN) / "pkd2007.kod");
    r->map = std::make_unique<TCodeMap>(r->kod2007, r->kod2025);
    for (const std::string& line : r->kod2007.Lines()) {
      const std::string code = catalogue::CodeOf(line);
      if (code.size() == 7 && code[2] == '.') r->codes.push_back(code);
    }
    return r;
  }();
  return *c;
}

// The file: a header, then a block of distinct rows made once, in the
// file's encoding, repeated (with the header's own line numbers, the
// converter cannot tell); the generator costs a copy.
class TGeneratedFile : public TByteSource {
 public:
  TGeneratedFile(size_t rows, bool utf16) : FRows(rows) {
    FHeader = Encoded("Kontrahent;NIP;\"Kod PKD\";Uwagi\r\n", utf16);
    if (utf16) FHeader.insert(0, "\xFF\xFE");
    std::string block;
    for (size_t row = 0; row < kBlockRows; ++row) block += Row(row);
    FBlock = Encoded(block, utf16);
    FPiece = FHeader;
  }
  size_t Read(char* buffer, size_t size) override {
    size_t done = 0;
    while (done < size) {
      if (FPos == FPiece.size()) {
        if (FBlocksDone * kBlockRows >= FRows) break;
        ++FBlocksDone;
        FPiece = std::string_view(FBlock);
        FPos = 0;
      }
      const size_t n = std::min(size - done, FPiece.size() - FPos);
      std::memcpy(buffer + done, FPiece.data() + FPos, n);
      FPos += n;
      done += n;
    }
    return done;
  }

 private:
  static constexpr size_t kBlockRows = 100'000;
  static std::string Encoded(const std::string& text1250, bool utf16) {
    if (!utf16) return text1250;
    std::string r;
    for (char16_t u : text::Cp1250ToUtf16(text1250)) {
      r += static_cast<char>(u & 0xFF);
      r += static_cast<char>(u >> 8);
    }
    return r;
  }
  static std::string Row(size_t row) {
    const std::vector<std::string>& codes = Catalogues().codes;
    std::string code = codes[row % codes.size()];
    switch (row % 5) {
      case 1: code.erase(std::remove(code.begin(), code.end(), '.'), code.end()); break;  // 0149Z
      case 2: code[6] = static_cast<char>(code[6] - 'A' + 'a'); break;                     // 01.49.z
      case 3: code = " " + code + " "; break;
      default: break;
    }
    if (row % 50 == 49) code.clear();
    if (row % 97 == 96) code = "99.99.Q";
    return "\"Firma " + std::to_string(row) + " Sp. z o.o.\";52600012" + std::to_string(row % 100) + ";" + code +
           ";Łódź\r\n";
  }
  size_t FRows;
  std::string FHeader, FBlock;
  std::string_view FPiece;
  size_t FBlocksDone = 0;
  size_t FPos = 0;
};

class TCountingSink : public TByteSink {
 public:
  void Write(std::string_view bytes) override { Bytes += bytes.size(); }
  size_t Bytes = 0;
};

long PeakRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

void Convert(benchmark::State& state, TFormat format, bool explode, bool utf16) {
  const TCatalogues& c = Catalogues();
  TOptions options;
  options.Column = "3";
  options.Format = format;
  options.Explode = explode;
  const long before = PeakRssKb();
  size_t rows = 0, out = 0;
  for (auto _ : state) {
    TGeneratedFile file(kRows, utf16);
    TCountingSink sink;
    TConverter converter(*c.map, options);
    rows += converter.Run(file, sink).Rows;
    out += sink.Bytes;
  }
  state.SetItemsProcessed(static_cast<int64_t>(rows));
  state.counters["out_MB"] = static_cast<double>(out) / state.iterations() / 1e6;
  state.counters["peak_rss_growth_MB"] = static_cast<double>(PeakRssKb() - before) / 1024;
}

void BM_Csv1250(benchmark::State& state) { Convert(state, fmCsv, false, false); }
void BM_CsvExplode(benchmark::State& state) { Convert(state, fmCsv, true, false); }
void BM_CsvUtf16(benchmark::State& state) { Convert(state, fmCsv, false, true); }
void BM_Json(benchmark::State& state) { Convert(state, fmJson, false, false); }

// The generator alone, to tell its share from the converter's.
void BM_GeneratorOnly(benchmark::State& state) {
  char buffer[1 << 16];
  size_t bytes = 0;
  for (auto _ : state) {
    TGeneratedFile file(kRows, false);
    while (size_t n = file.Read(buffer, sizeof buffer)) bytes += n;
  }
  state.SetItemsProcessed(static_cast<int64_t>(kRows * state.iterations()));
  state.counters["in_MB"] = static_cast<double>(bytes) / state.iterations() / 1e6;
}

BENCHMARK(BM_GeneratorOnly)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Csv1250)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CsvExplode)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CsvUtf16)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Json)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
