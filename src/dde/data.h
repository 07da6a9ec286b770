// The value of a DDE item: text, binary content or a 32-bit handle value with
// its clipboard format; makes DDEML data handles from it and fills itself from
// received ones.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dde/platform.h"
#include "text/errors.h"

namespace dde {

class EStringClass : public text::Exception {
 public:
  using text::Exception::Exception;
};

// Growable zero-terminated 8-bit text with a 16-bit length. A text that would
// pass 65,535 characters is refused with EStringClass (never cut); reading
// back more than 65,500 characters as a string raises EStringClass too.
class TStringClass {
 public:
  static constexpr size_t kMaxLength = 65535;
  static constexpr size_t kMaxReadBack = 65500;

  void Assign(std::string_view s);
  void Append(std::string_view s);
  void Clear();
  uint16_t Length() const { return static_cast<uint16_t>(FBuffer.size()); }
  bool Empty() const { return FBuffer.empty(); }
  // The text as a string; EStringClass above kMaxReadBack characters.
  std::string AsString() const;
  // The zero-terminated bytes, null when empty.
  const char* CStr() const { return FBuffer.empty() ? nullptr : FBuffer.c_str(); }
  // The bytes without the read-back limit (for making data handles).
  std::string_view View() const { return FBuffer; }

 private:
  std::string FBuffer;
};

class TDDEMLRWData {
 public:
  explicit TDDEMLRWData(IDdePlatform& platform);
  ~TDDEMLRWData();
  TDDEMLRWData(const TDDEMLRWData&) = delete;
  TDDEMLRWData& operator=(const TDDEMLRWData&) = delete;

  // The holder has no copy: this raises text::EConvertError as the
  // framework's assignment does.
  void Assign(const TDDEMLRWData& source);

  // Frees the owned handle; format := CF_TEXT; text := s; binary content
  // dropped. A text too long for the buffer raises EStringClass and changes
  // nothing but the owned handle.
  void SetText(std::string_view s);
  // Frees the owned handle; appends (format kept). True when s is not empty
  // or the comparison option is off.
  bool AppendText(std::string_view s);
  // The text; empty when none (EStringClass above 65,500 characters).
  std::string Text() const;
  // The text's zero-terminated bytes, null when empty.
  const char* TextPtr() const { return FText.CStr(); }
  const TStringClass& TextBuffer() const { return FText; }
  uint32_t Size() const;
  // Frees the owned handle, empties the text and drops the binary content;
  // format and handle value stay.
  void Clear();

  uint16_t Format() const { return FFormat; }
  uint32_t HandleValue() const { return FHandleValue; }
  bool HasBinary() const { return FBinary != nullptr; }
  const std::vector<uint8_t>* Binary() const { return FBinary.get(); }

  // The owned handle, found only when the owned flag is set and one is held.
  bool OwnedHandle(THData& handle) const;

  // Frees the owned handle, takes the format and reads the handle by it.
  // The value read replaces the old one whole: text or binary content.
  void SetFromHandle(uint16_t format, THData data);
  // Exchanges the values (and owned handles) of two holders of one platform.
  void Swap(TDDEMLRWData& other) noexcept;

  // Makes a DDEML data handle in the requested format (0 = the holder's).
  // Gives 0 when there is nothing to send in that format or DDEML refuses.
  // XlTable writing errors raise EMorviaError.
  THData CreateHandle(TInstanceId instance, THsz item, uint16_t format, bool owned);

 private:
  void FreeOwnedHandle();
  THData Make(TInstanceId instance, THsz item, uint16_t format, bool owned, const void* bytes,
              uint32_t count);

  IDdePlatform& FPlatform;
  uint16_t FFormat = 1;
  THData FOwnedHandle = 0;
  uint32_t FHandleValue = 0;
  std::unique_ptr<std::vector<uint8_t>> FBinary;
  bool FOwned = false;
  TStringClass FText;
};

}  // namespace dde
