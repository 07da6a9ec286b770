// Clipboard formats as the manager names them, the process-wide "XlTable"
// format number, the XlTable letters and the item-comparison option.
#pragma once

#include <cstdint>
#include <string>

namespace dde {

enum TDDEMLClipFmtType : int {
  cfNone = 0,
  cfText = 1,
  cfBitmap = 2,
  cfMetaFilePict = 3,
  cfSYLK = 4,
  cfDIF = 5,
  cfTIFF = 6,
  cfOEMText = 7,
  cfDIB = 8,
  cfPalette = 9,
  cfPenData = 10,
  cfRIFF = 11,
  cfWave = 12,
  cfCustom = 13,
};

// Clipboard format numbers the holder treats specially.
constexpr uint16_t kCfText = 1;
constexpr uint16_t kCfBitmap = 2;
constexpr uint16_t kCfDib = 8;
constexpr uint16_t kCfUnicodeText = 13;

// Numbers below 13 map to the kind of the same ordinal, all others to cfCustom.
TDDEMLClipFmtType ClipFmtTypeOf(uint32_t format);
// "Text" ... "Wave"; empty for cfNone and cfCustom.
std::string ClipFmtTypeName(TDDEMLClipFmtType type);
// The standard name for 1..12; otherwise the registered name (at most 255
// characters), empty when there is none.
std::string ClipFormatName(uint32_t format);

// Registered clipboard formats. The core keeps its own table (numbers from
// 0xC000, names compared ignoring ASCII case) until the Windows layer installs
// one over RegisterClipboardFormatA / GetClipboardFormatNameA.
class IClipFormatRegistry {
 public:
  virtual ~IClipFormatRegistry() = default;
  // The format's number; 0 on failure.
  virtual uint16_t Register(const std::string& name) = 0;
  // The registered name, empty when the number has none.
  virtual std::string NameOf(uint32_t format) = 0;
};
// Installs a registry (null restores the core's own) and forgets the cached
// "XlTable" number. The registry must outlive its use.
void SetClipFormatRegistry(IClipFormatRegistry* registry);
uint16_t RegisterClipFormat(const std::string& name);

// The process-wide "XlTable" format number, registered on first use.
uint16_t XlTableFormat();

// The letters of the XlTable text notation (fixed).
struct TDDEExcelInfo {
  char Row = 'R';
  char Column = 'C';
  char Float = 'F';
  char String = 'S';
  char Logical = 'L';
  char Blank = 'B';
  char Error = 'E';
  char Integer = 'I';
  char Skip = 'K';
};
const TDDEExcelInfo& DDEExcelInfo();

// Whether setting an item's text to an equal one, or appending empty text,
// counts as a change (on by default; the manager's CompareServerItemData).
void SetCompareServerItemData(bool on);
bool CompareServerItemData();

}  // namespace dde
