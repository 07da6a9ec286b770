// Feeds arbitrary files to the catalogue loader in both forms. The first
// byte picks the form ('K': compressed ".kod", anything else: plain text).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "catalogue/baza.h"
#include "catalogue/entry_text.h"
#include "text/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool compressed = data[0] == 'K';
  const std::string path = "/tmp/pkd_catalogue_fuzz_" + std::to_string(getpid()) + (compressed ? ".kod" : ".txt");
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);
  catalogue::TBaza baza;
  try {
    baza.Load(std::filesystem::path(path));
    // Touch what the picker reads after a load.
    size_t total = 0;
    for (size_t i = 0; i < baza.Count(); ++i) total += baza.Opisy().SearchText(catalogue::CodeOf(baza.Line(i))).size();
    (void)total;
  } catch (const text::Exception&) {
  }
  std::remove(path.c_str());
  return 0;
}
