// pkdmap's reader on arbitrary files: encodings, quoting, delimiters, header
// names. The first byte picks the options, the second the size of the reads;
// the rest is the file. Read in small pieces it must give exactly what it
// gives read at once (the same output, or the same fault on the same line),
// so no row, quote, line end or UTF-16 character depends on where a read
// ends. The catalogues are small ones of the same form as the shipped.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "catalogue/baza.h"
#include "pkdmap/code_map.h"
#include "pkdmap/converter.h"

namespace {

using namespace pkdmap;

class TSource : public TByteSource {
 public:
  TSource(const std::string& data, size_t step) : FData(data), FStep(step) {}
  size_t Read(char* buffer, size_t size) override {
    const size_t n = std::min({size, FStep, FData.size() - FPos});
    FData.copy(buffer, n, FPos);
    FPos += n;
    return n;
  }

 private:
  const std::string& FData;
  size_t FStep;
  size_t FPos = 0;
};

class TSink : public TByteSink {
 public:
  void Write(std::string_view bytes) override { Text.append(bytes); }
  std::string Text;
};

std::filesystem::path WriteCatalogue(const char* name, const std::string& text) {
  const std::filesystem::path path = "/tmp/pkdmap_fuzz_" + std::to_string(getpid()) + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  return path;
}

struct TMaps {
  catalogue::TBaza kod2025, kod2007;
  std::unique_ptr<TCodeMap> from2007, from2025;
};

const TMaps& Maps() {
  static TMaps* maps = [] {
    auto* m = new TMaps;
    m->kod2025.Load(WriteCatalogue("_2025.txt",
                                   "@1=PKD 2025\n@2=T\n@3=S\n@4=PKD 2007=PKD 2025\n@5=01.49.Z=01.47.Z,01.48.Z\n"
                                   "@5=01.47.Z=01.47.Z\n@5=25.40.Z=25.30.Z\n@5=13.10.A=13.10.Z\n@5=13.10.B=13.10.Z\n"
                                   "A - Rolnictwo\n 01.47.Z - Dr\xF3\xbf\n 01.48.Z - Inne, \"zwierz\xEAta\"\n"
                                   " 25.30.Z - Bro\xF1\n 25.40.Z - Kucie; metale\n 13.10.Z - Prz\xEA\x64zenie\n"));
    m->kod2007.Load(WriteCatalogue("_2007.txt",
                                   "@1=PKD 2007\n@2=T\n@3=S\n@4=PKD 2025=PKD 2007\n@5=01.47.Z=01.47.Z,01.49.Z\n"
                                   "@5=01.48.Z=01.49.Z\n@5=25.30.Z=25.40.Z\n@5=13.10.Z=13.10.A,13.10.B\n"
                                   "A - Rolnictwo\n 01.47.Z - Dr\xF3\xbf\n 01.49.Z - Pozosta\xB3\x65\n"
                                   " 25.40.Z - Bro\xF1\n 13.10.A - A\n 13.10.B - B\n 46.89.Z - Bez\n"));
    m->from2007 = std::make_unique<TCodeMap>(m->kod2007, m->kod2025);
    m->from2025 = std::make_unique<TCodeMap>(m->kod2025, m->kod2007);
    return m;
  }();
  return *maps;
}

std::string Run(const TOptions& options, const std::string& input, size_t step, size_t& faultLine) {
  const TCodeMap& map = options.From == 2007 ? *Maps().from2007 : *Maps().from2025;
  TSource source(input, step);
  TSink sink;
  faultLine = 0;
  try {
    TConverter(map, options).Run(source, sink);
  } catch (const EInputError& e) {
    faultLine = e.Line();
    if (faultLine == 0) std::abort();
    return e.Message();
  }
  return sink.Text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t o = data[0];
  const size_t step = 1 + data[1] % 64;
  const std::string input(reinterpret_cast<const char*>(data) + 2, size - 2);
  TOptions options;
  static const TEncoding kEncodings[] = {enCp1250, enCp1250, enUtf8, enUtf16Le};
  options.EncodingGiven = (o & 3) != 0;
  options.Encoding = kEncodings[o & 3];
  options.From = o & 4 ? 2025 : 2007;
  options.Format = o & 8 ? fmJson : fmCsv;
  options.Explode = !(o & 8) && (o & 16);
  static const int kDelimiters[] = {0, ';', ',', '\t'};
  options.Delimiter = kDelimiters[(o >> 5) & 3];
  options.Column = o & 128 ? "Kod" : "2";

  size_t wholeLine = 0, piecesLine = 0;
  const std::string whole = Run(options, input, input.size() + 1, wholeLine);
  const std::string pieces = Run(options, input, step, piecesLine);
  if (whole != pieces || wholeLine != piecesLine) std::abort();
  return 0;
}
