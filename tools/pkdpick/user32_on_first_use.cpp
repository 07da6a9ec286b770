// pkdpick starts the picker before anything else it does, but an imported
// user32 starts first: its set-up (under Wine it opens the display) held the
// picker's start back by more than 10 ms. So pkdpick does not import it: the
// functions it calls are bound here, each on its first call. A user32
// function missing here is imported as usual again, which the build's import
// check reports.
#include <windows.h>
#include <ddeml.h>

#include <type_traits>

namespace {

// The real function of the name.
void* Bind(const char* name) {
  static HMODULE user32 = LoadLibraryW(L"user32.dll");
  void* real = user32 ? reinterpret_cast<void*>(GetProcAddress(user32, name)) : nullptr;
  if (!real) {
    // Nothing can go on without it. In ASCII, which reads the same on a
    // console and in a file.
    const char message[] = "pkdpick: brak funkcji systemu w user32.dll\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), message, sizeof message - 1, &written, nullptr);
    ExitProcess(2);
  }
  return real;
}

}  // namespace

// The import slot's name: decorated with the arguments' size on x86.
#ifdef _WIN64
#define PKD_SLOT_NAME(name, bytes) "__imp_" #name
#else
#define PKD_SLOT_NAME(name, bytes) "__imp__" #name "@" #bytes
#endif

// A function declared as imported is called through its import slot: the
// slot starts on a stand-in with the function's own signature (checked
// against the system's declaration) that fills the slot and calls on.
#define PKD_ON_FIRST_USE(ret, name, bytes, params, args)                                           \
  extern "C" void* pkd_slot_##name asm(PKD_SLOT_NAME(name, bytes));                                \
  namespace {                                                                                      \
  ret WINAPI First_##name params {                                                                 \
    void* real = Bind(#name);                                                                      \
    InterlockedExchangePointer(&pkd_slot_##name, real);                                            \
    return reinterpret_cast<decltype(&::name)>(real) args;                                         \
  }                                                                                                \
  static_assert(std::is_same<decltype(&First_##name), decltype(&::name)>::value, #name);           \
  }                                                                                                \
  void* pkd_slot_##name = reinterpret_cast<void*>(&First_##name);

// DDEML's functions are declared plainly, and called by name: the name
// itself is defined here.
#define PKD_DDEML_ON_FIRST_USE(ret, name, params, args)                      \
  extern "C" ret WINAPI name params {                                       \
    static const auto real = reinterpret_cast<decltype(&::name)>(Bind(#name)); \
    return real args;                                                       \
  }

PKD_DDEML_ON_FIRST_USE(BOOL, DdeAbandonTransaction, (DWORD i, HCONV c, DWORD t), (i, c, t))
PKD_DDEML_ON_FIRST_USE(LPBYTE, DdeAccessData, (HDDEDATA d, LPDWORD n), (d, n))
PKD_DDEML_ON_FIRST_USE(HDDEDATA, DdeClientTransaction,
                 (LPBYTE p, DWORD n, HCONV c, HSZ i, UINT f, UINT t, DWORD ms, LPDWORD r),
                 (p, n, c, i, f, t, ms, r))
PKD_DDEML_ON_FIRST_USE(HCONV, DdeConnect, (DWORD i, HSZ s, HSZ t, PCONVCONTEXT cc), (i, s, t, cc))
PKD_DDEML_ON_FIRST_USE(HSZ, DdeCreateStringHandleA, (DWORD i, LPCSTR s, int cp), (i, s, cp))
PKD_DDEML_ON_FIRST_USE(BOOL, DdeDisconnect, (HCONV c), (c))
PKD_DDEML_ON_FIRST_USE(BOOL, DdeFreeDataHandle, (HDDEDATA d), (d))
PKD_DDEML_ON_FIRST_USE(BOOL, DdeFreeStringHandle, (DWORD i, HSZ s), (i, s))
PKD_DDEML_ON_FIRST_USE(UINT, DdeGetLastError, (DWORD i), (i))
PKD_DDEML_ON_FIRST_USE(UINT, DdeInitializeA, (LPDWORD i, PFNCALLBACK cb, DWORD cmd, DWORD r), (i, cb, cmd, r))
PKD_DDEML_ON_FIRST_USE(UINT, DdeQueryConvInfo, (HCONV c, DWORD t, PCONVINFO ci), (c, t, ci))
PKD_DDEML_ON_FIRST_USE(DWORD, DdeQueryStringA, (DWORD i, HSZ s, LPSTR b, DWORD n, int cp), (i, s, b, n, cp))
PKD_DDEML_ON_FIRST_USE(BOOL, DdeUnaccessData, (HDDEDATA d), (d))
PKD_DDEML_ON_FIRST_USE(BOOL, DdeUninitialize, (DWORD i), (i))
PKD_ON_FIRST_USE(BOOL, DestroyWindow, 4, (HWND w), (w))
PKD_ON_FIRST_USE(LRESULT, DispatchMessageW, 4, (const MSG* m), (m))
PKD_ON_FIRST_USE(BOOL, EnumThreadWindows, 12, (DWORD t, WNDENUMPROC f, LPARAM p), (t, f, p))
PKD_ON_FIRST_USE(BOOL, EnumWindows, 8, (WNDENUMPROC f, LPARAM p), (f, p))
PKD_ON_FIRST_USE(int, GetClassNameW, 12, (HWND w, LPWSTR b, int n), (w, b, n))
PKD_ON_FIRST_USE(UINT, GetDlgItemTextW, 16, (HWND w, int id, LPWSTR b, int n), (w, id, b, n))
PKD_ON_FIRST_USE(DWORD, GetWindowThreadProcessId, 8, (HWND w, LPDWORD p), (w, p))
PKD_ON_FIRST_USE(BOOL, IsWindowVisible, 4, (HWND w), (w))
PKD_ON_FIRST_USE(DWORD, MsgWaitForMultipleObjects, 20, (DWORD n, const HANDLE* h, BOOL all, DWORD ms, DWORD mask),
                 (n, h, all, ms, mask))
PKD_ON_FIRST_USE(BOOL, PeekMessageW, 20, (LPMSG m, HWND w, UINT lo, UINT hi, UINT r), (m, w, lo, hi, r))
PKD_ON_FIRST_USE(BOOL, TranslateMessage, 4, (const MSG* m), (m))
