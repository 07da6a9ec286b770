#include "dde/platform.h"

#include <vector>

namespace dde {

const IHostFacts& IDdePlatform::Host() const {
  static const TUnknownHost unknown;
  return unknown;
}

std::string IDdePlatform::QueryStringText(TInstanceId instance, THsz hsz) {
  if (hsz == 0) return std::string();
  // Only the low 16 bits of the length count, as DDEML returns them.
  uint32_t length = QueryString(instance, hsz, nullptr, 0) & 0xFFFF;
  if (length == 0) return std::string();
  std::vector<char> buffer(length + 1, '\0');
  uint32_t got = QueryString(instance, hsz, buffer.data(), length + 1);
  if (got > length) got = length;
  return std::string(buffer.data(), got);
}

}  // namespace dde
