#include "dde/formats.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "text/cp1250.h"

namespace dde {

namespace {

const char* const kStandardNames[] = {"",    "Text",    "Bitmap", "MetaFilePict", "SYLK",
                                      "DIF", "TIFF",    "OEMText", "DIB",         "Palette",
                                      "PenData", "RIFF", "Wave"};

// The core's own table, used where no Windows clipboard is at hand; numbers
// start where Windows starts its registered formats.
class TLocalClipFormatRegistry : public IClipFormatRegistry {
 public:
  uint16_t Register(const std::string& name) override {
    if (name.empty()) return 0;
    std::lock_guard<std::mutex> lock(FMutex);
    for (size_t i = 0; i < FNames.size(); ++i)
      if (text::EqualNoCaseAscii(FNames[i], name)) return static_cast<uint16_t>(kFirst + i);
    if (FNames.size() >= 0x10000 - kFirst) return 0;
    FNames.push_back(name.substr(0, 255));
    return static_cast<uint16_t>(kFirst + FNames.size() - 1);
  }
  std::string NameOf(uint32_t format) override {
    std::lock_guard<std::mutex> lock(FMutex);
    if (format < kFirst || format - kFirst >= FNames.size()) return std::string();
    return FNames[format - kFirst];
  }

 private:
  static constexpr uint32_t kFirst = 0xC000;
  std::mutex FMutex;
  std::vector<std::string> FNames;
};

TLocalClipFormatRegistry& LocalRegistry() {
  static TLocalClipFormatRegistry registry;
  return registry;
}

std::atomic<IClipFormatRegistry*> gRegistry{nullptr};
std::atomic<uint32_t> gXlTable{0};  // 0 = not registered yet
std::atomic<bool> gCompare{true};

IClipFormatRegistry& Registry() {
  IClipFormatRegistry* r = gRegistry.load();
  return r ? *r : LocalRegistry();
}

}  // namespace

TDDEMLClipFmtType ClipFmtTypeOf(uint32_t format) {
  return format < 13 ? static_cast<TDDEMLClipFmtType>(format) : cfCustom;
}

std::string ClipFmtTypeName(TDDEMLClipFmtType type) {
  if (type >= cfText && type <= cfWave) return kStandardNames[type];
  return std::string();
}

std::string ClipFormatName(uint32_t format) {
  if (format >= 1 && format <= 12) return kStandardNames[format];
  std::string name = Registry().NameOf(format);
  if (name.size() > 255) name.resize(255);
  return name;
}

void SetClipFormatRegistry(IClipFormatRegistry* registry) {
  gRegistry.store(registry);
  gXlTable.store(0);
}

uint16_t RegisterClipFormat(const std::string& name) { return Registry().Register(name); }

uint16_t XlTableFormat() {
  uint32_t n = gXlTable.load();
  if (n == 0) {
    n = RegisterClipFormat("XlTable");
    gXlTable.store(n);
  }
  return static_cast<uint16_t>(n);
}

const TDDEExcelInfo& DDEExcelInfo() {
  static const TDDEExcelInfo info;
  return info;
}

void SetCompareServerItemData(bool on) { gCompare.store(on); }
bool CompareServerItemData() { return gCompare.load(); }

}  // namespace dde
