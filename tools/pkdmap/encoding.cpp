#include "pkdmap/encoding.h"

#include "text/cp1250.h"

namespace pkdmap {

namespace {

// One UTF-8 sequence at s[i]: its code point and length, or 0 when the
// bytes there are no valid sequence. Surrogate forms (ED A0..BF xx) are
// taken, since the UTF-16 way in writes unpaired surrogates so.
size_t DecodeUtf8(std::string_view s, size_t i, char32_t& cp) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  size_t len;
  char32_t min;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2, cp = c & 0x1F, min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3, cp = c & 0x0F, min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4, cp = c & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF) return 0;
  return len;
}

void PutUtf8(char32_t cp, std::string& out) { text::AppendUtf8(out, cp); }

void PutUtf16(char32_t cp, std::string& out) {
  const auto unit = [&](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  if (cp >= 0x10000) {
    cp -= 0x10000;
    unit(0xD800 + (cp >> 10));
    unit(0xDC00 + (cp & 0x3FF));
  } else {
    unit(cp);
  }
}

bool IsSurrogate(char32_t cp) { return cp >= 0xD800 && cp <= 0xDFFF; }

bool EqualNoCase(std::string_view a, std::string_view b) { return text::EqualNoCaseAscii(a, b); }

}  // namespace

bool ParseEncoding(std::string_view name, TEncoding& out) {
  for (const char* n : {"cp1250", "1250", "windows-1250"})
    if (EqualNoCase(name, n)) return out = enCp1250, true;
  for (const char* n : {"utf8", "utf-8"})
    if (EqualNoCase(name, n)) return out = enUtf8, true;
  for (const char* n : {"utf8bom", "utf-8-bom"})
    if (EqualNoCase(name, n)) return out = enUtf8Bom, true;
  for (const char* n : {"utf16", "utf-16", "utf-16le"})
    if (EqualNoCase(name, n)) return out = enUtf16Le, true;
  return false;
}

const char* EncodingName(TEncoding e) {
  switch (e) {
    case enCp1250: return "cp1250";
    case enUtf8: return "utf8";
    case enUtf8Bom: return "utf8bom";
    case enUtf16Le: return "utf16";
  }
  return "";
}

std::string_view Bom(TEncoding e) {
  if (e == enUtf8Bom) return "\xEF\xBB\xBF";
  if (e == enUtf16Le) return "\xFF\xFE";
  return std::string_view();
}

TEncoding DetectEncoding(std::string_view prefix, bool atEnd) {
  if (prefix.substr(0, 3) == Bom(enUtf8Bom)) return enUtf8Bom;
  if (prefix.substr(0, 2) == Bom(enUtf16Le)) return enUtf16Le;
  bool nonAscii = false;
  for (size_t i = 0; i < prefix.size();) {
    char32_t cp;
    const size_t len = DecodeUtf8(prefix, i, cp);
    if (len == 0) {
      // A sequence the prefix's end cut short is not held against UTF-8.
      const size_t left = prefix.size() - i;
      if (!atEnd && left < 4) {
        bool leads = true;
        for (size_t k = 1; k < left; ++k) leads = leads && (static_cast<unsigned char>(prefix[i + k]) & 0xC0) == 0x80;
        const unsigned char c = static_cast<unsigned char>(prefix[i]);
        if (leads && c >= 0xC2 && c <= 0xF4) break;
      }
      return enCp1250;
    }
    if (len > 1 && IsSurrogate(cp)) return enCp1250;
    nonAscii = nonAscii || len > 1;
    i += len;
  }
  return nonAscii ? enUtf8 : enCp1250;
}

void TUtf16Decoder::Put(char32_t cp, std::string& out) {
  if (FHigh) {
    const char16_t high = FHigh;
    FHigh = 0;
    if (cp >= 0xDC00 && cp <= 0xDFFF) {
      PutUtf8(0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (cp - 0xDC00), out);
      return;
    }
    PutUtf8(high, out);
  }
  if (cp >= 0xD800 && cp <= 0xDBFF) {
    FHigh = static_cast<char16_t>(cp);
    return;
  }
  PutUtf8(cp, out);
}

void TUtf16Decoder::Feed(std::string_view bytes, std::string& out) {
  size_t i = 0;
  if (FHasOdd && !bytes.empty()) {
    Put(FOdd | (static_cast<char32_t>(static_cast<unsigned char>(bytes[0])) << 8), out);
    FHasOdd = false;
    i = 1;
  }
  // ASCII straight into room made for the worst case (three bytes a unit).
  size_t used = out.size();
  out.resize(used + (bytes.size() - i) / 2 * 3 + 3);  // + a surrogate left from the last piece
  for (; i + 1 < bytes.size(); i += 2) {
    const char32_t unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (unit < 0x80 && !FHigh) {
      out[used++] = static_cast<char>(unit);
    } else {
      std::string piece;
      Put(unit, piece);
      out.replace(used, piece.size(), piece);
      used += piece.size();
    }
  }
  out.resize(used);
  if (i < bytes.size()) {
    FOdd = static_cast<unsigned char>(bytes[i]);
    FHasOdd = true;
  }
}

bool TUtf16Decoder::Finish(std::string& out) {
  if (FHigh) {
    PutUtf8(FHigh, out);
    FHigh = 0;
  }
  return !FHasOdd;
}

void Encode(std::string_view rowText, TEncoding from, TEncoding to, std::string& out) {
  if (IsUnicode(from) == IsUnicode(to) && to != enUtf16Le) {
    out.append(rowText);
    return;
  }
  if (!IsUnicode(from)) {
    if (to == enUtf16Le) {
      for (char16_t u : text::Cp1250ToUtf16(rowText)) PutUtf16(u, out);
    } else {
      out += text::Cp1250ToUtf8(rowText);
    }
    return;
  }
  if (to == enUtf16Le) {
    // At most two bytes of UTF-16 for each byte of UTF-8.
    size_t used = out.size();
    out.resize(used + 2 * rowText.size());
    for (size_t i = 0; i < rowText.size();) {
      const unsigned char c = static_cast<unsigned char>(rowText[i]);
      if (c < 0x80) {
        out[used++] = static_cast<char>(c);
        out[used++] = 0;
        ++i;
        continue;
      }
      char32_t cp;
      size_t len = DecodeUtf8(rowText, i, cp);
      if (len == 0) {
        cp = 0xFFFD;
        len = 1;
      }
      i += len;
      std::string piece;
      if (IsSurrogate(cp)) {
        // An unpaired surrogate goes back as the unit it came from.
        piece += static_cast<char>(cp & 0xFF);
        piece += static_cast<char>(cp >> 8);
      } else {
        PutUtf16(cp, piece);
      }
      out.replace(used, piece.size(), piece);
      used += piece.size();
    }
    out.resize(used);
    return;
  }
  for (size_t i = 0; i < rowText.size();) {
    char32_t cp;
    size_t len = DecodeUtf8(rowText, i, cp);
    if (len == 0) {
      cp = 0xFFFD;
      len = 1;
    }
    i += len;
    char c;
    out += text::ByteFor1250(cp, c) ? c : '?';
  }
}

std::string ToValidUtf8(std::string_view rowText, TEncoding from) {
  if (!IsUnicode(from)) return text::Cp1250ToUtf8(rowText);
  std::string out;
  out.reserve(rowText.size());
  for (size_t i = 0; i < rowText.size();) {
    char32_t cp;
    const size_t len = DecodeUtf8(rowText, i, cp);
    if (len == 0 || IsSurrogate(cp)) {
      PutUtf8(0xFFFD, out);
      i += len ? len : 1;
    } else {
      out.append(rowText.substr(i, len));
      i += len;
    }
  }
  return out;
}

}  // namespace pkdmap
