#include "dde/data.h"

#include <cstring>

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
  buffer_.assign(s.data(), s.size());
}

void TStringClass::Append(std::string_view s) {
  if (buffer_.size() + s.size() > kMaxLength) RaiseTooLong(buffer_.size() + s.size());
  buffer_.append(s.data(), s.size());
}

void TStringClass::Clear() { buffer_.clear(); }

std::string TStringClass::AsString() const {
  if (buffer_.size() > kMaxReadBack)
    throw EStringClass("Text of " + std::to_string(buffer_.size()) +
                       " characters is too long to read back (at most 65500)");
  return buffer_;
}

// ---- TDDEMLRWData ----

TDDEMLRWData::TDDEMLRWData(IDdePlatform& platform) : platform_(platform) {}

TDDEMLRWData::~TDDEMLRWData() { FreeOwnedHandle(); }

void TDDEMLRWData::Assign(const TDDEMLRWData&) {
  throw text::EConvertError("Cannot assign a TDDEMLRWData to a TDDEMLRWData");
}

void TDDEMLRWData::FreeOwnedHandle() {
  if (ownedHandle_ != 0 && owned_) platform_.FreeDataHandle(ownedHandle_);
  ownedHandle_ = 0;
}

void TDDEMLRWData::SetText(std::string_view s) {
  FreeOwnedHandle();
  format_ = kCfText;
  text_.Assign(s);
}

bool TDDEMLRWData::AppendText(std::string_view s) {
  FreeOwnedHandle();
  text_.Append(s);
  return !s.empty() || !CompareServerItemData();
}

std::string TDDEMLRWData::Text() const { return text_.AsString(); }

uint32_t TDDEMLRWData::Size() const {
  uint32_t binary = binary_ ? static_cast<uint32_t>(binary_->size()) : 0;
  if (format_ == XlTableFormat()) return binary > 0 ? binary : text_.Length();
  switch (format_) {
    case kCfText:
      return text_.Length();
    case kCfBitmap:
      return 4;
    default:
      return binary;
  }
}

void TDDEMLRWData::Clear() {
  text_.Clear();
  binary_.reset();
}

bool TDDEMLRWData::OwnedHandle(THData& handle) const {
  handle = ownedHandle_;
  return owned_ && ownedHandle_ != 0;
}

void TDDEMLRWData::SetFromHandle(uint16_t format, THData data) {
  FreeOwnedHandle();
  format_ = format;
  if (format == kCfBitmap) {
    handleValue_ = 0;
    uint8_t bytes[4] = {0, 0, 0, 0};
    platform_.GetData(data, bytes, 4, 0);
    handleValue_ = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                   uint32_t(bytes[3]) << 24;
    return;
  }
  if (format == kCfDib) {
    if (binary_) binary_->clear();
    else binary_ = std::make_unique<std::vector<uint8_t>>();
  }
  uint32_t size = 0;
  const uint8_t* bytes = platform_.AccessData(data, size);
  if (!bytes) size = 0;
  // Whatever happens while reading, the access is given back.
  struct TUnaccess {
    IDdePlatform& p;
    THData h;
    bool on;
    ~TUnaccess() {
      if (on) p.UnaccessData(h);
    }
  } unaccess{platform_, data, bytes != nullptr};

  if (format == kCfText) {
    if (size > 0) {
      const void* zero = std::memchr(bytes, 0, size);
      size_t n = zero ? static_cast<const uint8_t*>(zero) - bytes : size;
      text_.Assign(std::string_view(reinterpret_cast<const char*>(bytes), n));
    } else {
      text_.Clear();
    }
  } else if (format == kCfUnicodeText) {
    std::u16string wide;
    for (uint32_t i = 0; i + 1 < size; i += 2) {
      char16_t c = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
      if (c == 0) break;
      wide.push_back(c);
    }
    text_.Assign(text::Utf16To1250(wide));
  } else {
    if (!binary_) binary_ = std::make_unique<std::vector<uint8_t>>();
    binary_->assign(bytes, bytes + size);
  }
}

THData TDDEMLRWData::Make(TInstanceId instance, THsz item, uint16_t format, bool owned,
                          const void* bytes, uint32_t count) {
  owned_ = owned;
  THData h = platform_.CreateDataHandle(instance, bytes, count, 0, item, format,
                                        owned ? ddeml::kHDataAppOwned : 0);
  if (owned && h != 0) ownedHandle_ = h;
  return h;
}

THData TDDEMLRWData::CreateHandle(TInstanceId instance, THsz item, uint16_t format, bool owned) {
  if (format == 0) format = format_;
  FreeOwnedHandle();
  if (format == XlTableFormat()) {
    if (binary_ && !binary_->empty())
      return Make(instance, item, format, owned, binary_->data(),
                  static_cast<uint32_t>(binary_->size()));
    std::string name = text::UpperAscii(platform_.QueryStringText(instance, item));
    owned_ = owned;
    std::vector<uint8_t> table = WriteXlTable(text_.View(), name);
    return Make(instance, item, format, owned, table.data(), static_cast<uint32_t>(table.size()));
  }
  switch (format) {
    case kCfText: {
      std::string_view t = text_.View();
      std::string bytes(t);  // with its terminating zero
      return Make(instance, item, format, owned, bytes.c_str(),
                  static_cast<uint32_t>(bytes.size() + 1));
    }
    case kCfBitmap: {
      if (handleValue_ == 0) return 0;
      uint8_t bytes[4] = {uint8_t(handleValue_), uint8_t(handleValue_ >> 8),
                          uint8_t(handleValue_ >> 16), uint8_t(handleValue_ >> 24)};
      return Make(instance, item, format, owned, bytes, 4);
    }
    case kCfUnicodeText: {
      std::u16string wide = text::Cp1250ToUtf16(text_.View());
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
      if (!binary_) return 0;
      return Make(instance, item, format, owned, binary_->data(),
                  static_cast<uint32_t>(binary_->size()));
  }
}

}  // namespace dde
