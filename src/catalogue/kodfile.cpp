#include "catalogue/kodfile.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "catalogue/file.h"
#include "text/path.h"
#include "text/errors.h"

namespace catalogue {

const char kKodMagic[11] = {'\x01', '\x02', '\x03', '\x04', 'Z', 'E', 'L', 'Z', 'I', 'P', '1'};

namespace {
struct Inflater {
  z_stream zs{};
  bool ok = false;
  Inflater() { ok = inflateInit(&zs) == Z_OK; }
  ~Inflater() {
    if (ok) inflateEnd(&zs);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
};
}  // namespace

bool InflateKod(std::string_view data, std::string& out) {
  Inflater inf;
  if (!inf.ok) return false;
  // Inflated straight into the result, which grows by doubling from a guess
  // at the text's size; one byte past the limit tells a stream that goes on.
  // The guess is capped so a large damaged file takes memory only as its
  // output really grows.
  constexpr size_t kCapacityLimit = kMaxInflatedSize + 1;
  constexpr size_t kFirstGuessLimit = 4 * 1024 * 1024;
  std::string result(std::clamp<size_t>(std::min(data.size(), kFirstGuessLimit) * 5, 64 * 1024, kFirstGuessLimit),
                     '\0');
  size_t have = 0;
  // zlib counts input and output in uInt; feed it in slices so any size is safe.
  size_t fed = 0;
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    if (inf.zs.avail_in == 0 && fed < data.size()) {
      const size_t slice = std::min<size_t>(data.size() - fed, UINT_MAX / 2);
      inf.zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + fed));
      inf.zs.avail_in = static_cast<uInt>(slice);
      fed += slice;
    }
    if (have == result.size()) {
      if (result.size() >= kCapacityLimit) return false;
      result.resize(std::min(kCapacityLimit, result.size() * 2));
    }
    const size_t room = std::min<size_t>(result.size() - have, UINT_MAX / 2);
    inf.zs.next_out = reinterpret_cast<Bytef*>(&result[have]);
    inf.zs.avail_out = static_cast<uInt>(room);
    rc = inflate(&inf.zs, Z_NO_FLUSH);
    const size_t produced = room - inf.zs.avail_out;
    if (rc != Z_OK && rc != Z_STREAM_END && !(rc == Z_BUF_ERROR && produced > 0)) return false;
    have += produced;
    if (have > kMaxInflatedSize) return false;
    // No progress with all input consumed: the stream is cut short.
    if (rc != Z_STREAM_END && produced == 0 && inf.zs.avail_in == 0 && fed >= data.size()) return false;
  }
  result.resize(have);
  out.swap(result);
  return true;
}

std::string MakeKodBytes(std::string_view text) {
  uLongf size = compressBound(static_cast<uLong>(text.size()));
  std::string out(kKodMagicSize + size, '\0');
  std::copy(kKodMagic, kKodMagic + kKodMagicSize, out.begin());
  const int rc = compress2(reinterpret_cast<Bytef*>(&out[kKodMagicSize]), &size,
                           reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()),
                           Z_BEST_COMPRESSION);
  if (rc != Z_OK) throw text::Exception("zlib compress failed");
  out.resize(kKodMagicSize + size);
  return out;
}

void WriteKodFile(const std::filesystem::path& path, std::string_view text) {
  std::string error;
  if (!WriteWholeFile(path, MakeKodBytes(text), error))
    throw text::Exception("Cannot create file \"" + text::PathTo1250(text::FullPath(path)) + "\". " + error);
}

}  // namespace catalogue
