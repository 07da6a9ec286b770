#include "text/number.h"

#include "text/errors.h"

namespace text {

bool TryStrToInt(std::string_view s, int32_t& out) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  // Decimal must fit a signed 32-bit value; hexadecimal may use all 32 bits
  // (so $FFFFFFFF is -1), as the runtime this syntax comes from does. With a
  // minus sign the value must fit after negation, in either notation: down
  // to -2147483648, so that -$FFFFFFFF is refused rather than read as 1.
  const uint64_t limit = negative ? 0x80000000ull : (hex ? 0xFFFFFFFFull : 0x7FFFFFFFull);
  uint64_t v = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    unsigned d;
    if (c >= '0' && c <= '9') {
      d = static_cast<unsigned>(c - '0');
    } else if (hex && c >= 'a' && c <= 'f') {
      d = static_cast<unsigned>(c - 'a' + 10);
    } else if (hex && c >= 'A' && c <= 'F') {
      d = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return false;
    }
    v = v * (hex ? 16 : 10) + d;
    if (v > limit) return false;
  }
  uint32_t u = static_cast<uint32_t>(v);
  if (negative) u = 0u - u;
  out = static_cast<int32_t>(u);
  return true;
}

int32_t StrToInt(std::string_view s) {
  int32_t v;
  if (!TryStrToInt(s, v)) throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
  return v;
}

}  // namespace text
