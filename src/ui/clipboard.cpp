#include "ui/clipboard.h"

#include <cstring>

#include "ui/handles.h"
#include "ui/wintext.h"

namespace ui {

namespace {

// A movable global block holding size bytes copied from data.
TGlobalMemory GlobalCopy(const void* data, size_t size) {
  TGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!memory) return memory;
  void* p = GlobalLock(memory.Get());
  if (!p) return TGlobalMemory();
  std::memcpy(p, data, size);
  GlobalUnlock(memory.Get());
  return memory;
}

// The system owns the block once SetClipboardData took it.
bool Put(UINT format, TGlobalMemory memory) {
  if (!memory || !SetClipboardData(format, memory.Get())) return false;
  memory.Release();
  return true;
}

}  // namespace

bool TClipboard::SetText1250(const std::string& s) {
  if (!FOpen || !EmptyClipboard()) return false;
  const std::wstring wide = Wide(s);
  const LCID polish = MAKELCID(MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT), SORT_DEFAULT);
  bool ok = Put(CF_TEXT, GlobalCopy(s.c_str(), s.size() + 1));
  ok = Put(CF_UNICODETEXT, GlobalCopy(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t))) && ok;
  Put(CF_LOCALE, GlobalCopy(&polish, sizeof polish));
  return ok;
}

std::string TClipboard::Text1250() const {
  if (!FOpen) return std::string();
  const HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (!data) return std::string();
  const auto* p = static_cast<const wchar_t*>(GlobalLock(data));
  if (!p) return std::string();
  const std::string s = Narrow(std::wstring(p));
  GlobalUnlock(data);
  return s;
}

}  // namespace ui
