#include "dde/data.h"

#include <cstring>
#include <utility>

#include "dde/errors.h"
#include "dde/formats.h"
#include "dde/xltable.h"
#include "text/cp1250.h"

namespace dde {

// ---- TStringClass ----

namespace {
[[noreturn]] void RaiseTooLong(size_t length) {
  throw EStringClass("Text of " + std::to_string(length) +
                     " characters does not fit the text buffer (at most 65535)");
}
}  // namespace

void TStringClass::Assign(std::string_view s) {
  if (s.size() > kMaxLength) RaiseTooLong(s.size());
  FBuffer.assign(s.data(), s.size());
}

void TStringClass::Append(std::string_view s) {
  if (FBuffer.size() + s.size() > kMaxLength) RaiseTooLong(FBuffer.size() + s.size());
  FBuffer.append(s.data(), s.size());
}

void TStringClass::Clear() { FBuffer.clear(); }

std::string TStringClass::AsString() const {
  if (FBuffer.size() > kMaxReadBack)
    throw EStringClass("Text of " + std::to_string(FBuffer.size()) +
                       " characters is too long to read back (at most 65500)");
  return FBuffer;
}

// ---- TDDEMLRWData ----

TDDEMLRWData::TDDEMLRWData(IDdePlatform& platform) : FPlatform(platform) {}

TDDEMLRWData::~TDDEMLRWData() { FreeOwnedHandle(); }

void TDDEMLRWData::Assign(const TDDEMLRWData&) {
  throw text::EConvertError("Cannot assign a TDDEMLRWData to a TDDEMLRWData");
}

void TDDEMLRWData::FreeOwnedHandle() {
  if (FOwnedHandle != 0 && FOwned) FPlatform.FreeDataHandle(FOwnedHandle);
  FOwnedHandle = 0;
}

void TDDEMLRWData::SetText(std::string_view s) {
  FreeOwnedHandle();
  FText.Assign(s);
  FFormat = kCfText;
  // A text replaces the value: binary content from an earlier poke would
  // otherwise still be sent for XlTable and other binary requests.
  FBinary.reset();
}

bool TDDEMLRWData::AppendText(std::string_view s) {
  FreeOwnedHandle();
  FText.Append(s);
  return !s.empty() || !CompareServerItemData();
}

std::string TDDEMLRWData::Text() const { return FText.AsString(); }

uint32_t TDDEMLRWData::Size() const {
  uint32_t binary = FBinary ? static_cast<uint32_t>(FBinary->size()) : 0;
  if (FFormat == XlTableFormat()) return binary > 0 ? binary : FText.Length();
  switch (FFormat) {
    case kCfText:
      return FText.Length();
    case kCfBitmap:
      return 4;
    default:
      return binary;
  }
}

void TDDEMLRWData::Clear() {
  // The owned handle holds the old value; it goes with it.
  FreeOwnedHandle();
  FText.Clear();
  FBinary.reset();
}

bool TDDEMLRWData::OwnedHandle(THData& handle) const {
  handle = FOwnedHandle;
  return FOwned && FOwnedHandle != 0;
}

void TDDEMLRWData::SetFromHandle(uint16_t format, THData data) {
  FreeOwnedHandle();
  FFormat = format;
  if (format == kCfBitmap) {
    FHandleValue = 0;
    uint8_t bytes[4] = {0, 0, 0, 0};
    FPlatform.GetData(data, bytes, 4, 0);
    FHandleValue = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                   uint32_t(bytes[3]) << 24;
    return;
  }
  if (format == kCfDib) {
    if (FBinary) FBinary->clear();
    else FBinary = std::make_unique<std::vector<uint8_t>>();
  }
  uint32_t size = 0;
  const uint8_t* bytes = FPlatform.AccessData(data, size);
  if (!bytes) size = 0;
  // Whatever happens while reading, the access is given back.
  struct TUnaccess {
    IDdePlatform& p;
    THData h;
    bool on;
    ~TUnaccess() {
      if (on) p.UnaccessData(h);
    }
  } unaccess{FPlatform, data, bytes != nullptr};

  if (format == kCfText || format == kCfUnicodeText) {
    // A text replaces the value, as SetText does: binary content from an
    // earlier poke would otherwise still be sent for XlTable requests.
    FBinary.reset();
  }
  if (format == kCfText) {
    if (size > 0) {
      const void* zero = std::memchr(bytes, 0, size);
      size_t n = zero ? static_cast<const uint8_t*>(zero) - bytes : size;
      FText.Assign(std::string_view(reinterpret_cast<const char*>(bytes), n));
    } else {
      FText.Clear();
    }
  } else if (format == kCfUnicodeText) {
    std::u16string wide;
    for (uint32_t i = 0; i + 1 < size; i += 2) {
      char16_t c = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
      if (c == 0) break;
      wide.push_back(c);
    }
    FText.Assign(text::Utf16To1250(wide));
  } else {
    // Binary content replaces the value too: the old text would otherwise
    // still answer a text request.
    FText.Clear();
    if (!FBinary) FBinary = std::make_unique<std::vector<uint8_t>>();
    FBinary->assign(bytes, bytes + size);
  }
}

void TDDEMLRWData::Swap(TDDEMLRWData& other) noexcept {
  std::swap(FFormat, other.FFormat);
  std::swap(FOwnedHandle, other.FOwnedHandle);
  std::swap(FHandleValue, other.FHandleValue);
  std::swap(FBinary, other.FBinary);
  std::swap(FOwned, other.FOwned);
  std::swap(FText, other.FText);
}

THData TDDEMLRWData::Make(TInstanceId instance, THsz item, uint16_t format, bool owned,
                          const void* bytes, uint32_t count) {
  FOwned = owned;
  THData h = FPlatform.CreateDataHandle(instance, bytes, count, 0, item, format,
                                        owned ? ddeml::kHDataAppOwned : 0);
  if (owned && h != 0) FOwnedHandle = h;
  return h;
}

THData TDDEMLRWData::CreateHandle(TInstanceId instance, THsz item, uint16_t format, bool owned) {
  if (format == 0) format = FFormat;
  FreeOwnedHandle();
  if (format == XlTableFormat()) {
    if (FBinary && !FBinary->empty())
      return Make(instance, item, format, owned, FBinary->data(),
                  static_cast<uint32_t>(FBinary->size()));
    std::string name = text::UpperAscii(FPlatform.QueryStringText(instance, item));
    FOwned = owned;
    std::vector<uint8_t> table = WriteXlTable(FText.View(), name);
    return Make(instance, item, format, owned, table.data(), static_cast<uint32_t>(table.size()));
  }
  switch (format) {
    case kCfText: {
      std::string_view t = FText.View();
      std::string bytes(t);  // with its terminating zero
      return Make(instance, item, format, owned, bytes.c_str(),
                  static_cast<uint32_t>(bytes.size() + 1));
    }
    case kCfBitmap: {
      if (FHandleValue == 0) return 0;
      uint8_t bytes[4] = {uint8_t(FHandleValue), uint8_t(FHandleValue >> 8),
                          uint8_t(FHandleValue >> 16), uint8_t(FHandleValue >> 24)};
      return Make(instance, item, format, owned, bytes, 4);
    }
    case kCfUnicodeText: {
      std::u16string wide = text::Cp1250ToUtf16(FText.View());
      std::vector<uint8_t> bytes;
      bytes.reserve(wide.size() * 2);
      for (char16_t c : wide) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
      }
      // Readers of CF_UNICODETEXT look for the zero character, as for CF_TEXT.
      bytes.push_back(0);
      bytes.push_back(0);
      return Make(instance, item, format, owned, bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    default:  // CF_DIB and every other binary format
      if (!FBinary) return 0;
      return Make(instance, item, format, owned, FBinary->data(),
                  static_cast<uint32_t>(FBinary->size()));
  }
}

}  // namespace dde
