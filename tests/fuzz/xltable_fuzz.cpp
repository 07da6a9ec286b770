// XlTable writing from outside text: the first line is the item name, the
// rest the text. Any input must give bytes or EMorviaError, nothing else, and
// the bytes must be well-formed records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "dde/errors.h"
#include "dde/xltable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view all(reinterpret_cast<const char*>(data), size);
  size_t nl = all.find('\n');
  std::string_view item = nl == std::string_view::npos ? std::string_view() : all.substr(0, nl);
  std::string_view text = nl == std::string_view::npos ? all : all.substr(nl + 1);
  try {
    std::vector<uint8_t> out = dde::WriteXlTable(text, item);
    // Walk the records: each header's count must match what follows.
    size_t at = 0;
    bool first = true;
    while (at < out.size()) {
      if (out.size() - at < 4) std::abort();
      uint16_t type = out[at] | out[at + 1] << 8;
      size_t count = out[at + 2] | out[at + 3] << 8;
      if (first && (type != 16 || count != 4)) std::abort();
      first = false;
      at += 4;
      if (out.size() - at < count) std::abort();
      at += count;
    }
    if (first) std::abort();
  } catch (const dde::EMorviaError&) {
  }
  return 0;
}
