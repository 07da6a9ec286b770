// A plain DDEML client in a process of its own, for the manager's tests
// under Wine: it runs a script of transactions and writes what each gave.
//   dde_test_client SCRIPT OUTPUT
// Script lines, fields separated by tabs:
//   connect SERVICE TOPIC     ends the current conversation first; "-" is a
//                             null name (a wild connect); gives the names DDEML
//                             tells about the conversation made
//   request ITEM [FORMAT]     FORMAT: a number, or XlTable; CF_TEXT by default
//   poke ITEM TEXT            gives the acknowledgement flags (Wine's DDEML
//   execute TEXT [MS]         reports every poke as done); MS: the execute's
//                             time-out, 5000 by default
//   advstart ITEM / advstop ITEM   a hot link in CF_TEXT
//   wait MS                   lets advise data arrive
//   disconnect
// Each result is one output line. Between transactions the client drains
// its queue: Wine's DDEML posts a stray acknowledgement after each request
// reply, which would fail the next transaction on the conversation.
#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

DWORD gInst = 0;
std::ofstream gOut;

const char* ErrorName(UINT e) {
  static const char* const names[] = {"DMLERR_ADVACKTIMEOUT", "DMLERR_BUSY", "DMLERR_DATAACKTIMEOUT",
                                      "DMLERR_DLL_NOT_INITIALIZED", "DMLERR_DLL_USAGE", "DMLERR_EXECACKTIMEOUT",
                                      "DMLERR_INVALIDPARAMETER", "DMLERR_LOW_MEMORY", "DMLERR_MEMORY_ERROR",
                                      "DMLERR_NOTPROCESSED", "DMLERR_NO_CONV_ESTABLISHED", "DMLERR_POKEACKTIMEOUT",
                                      "DMLERR_POSTMSG_FAILED", "DMLERR_REENTRANCY", "DMLERR_SERVER_DIED",
                                      "DMLERR_SYS_ERROR", "DMLERR_UNADVACKTIMEOUT", "DMLERR_UNFOUND_QUEUE_ID"};
  if (e == 0) return "none";
  return e >= 0x4000 && e <= 0x4011 ? names[e - 0x4000] : "other";
}

std::string Text(HSZ hsz) {
  char buf[256] = "";
  DdeQueryStringA(gInst, hsz, buf, sizeof buf, CP_WINANSI);
  return buf;
}

std::string DataText(HDDEDATA data) {
  DWORD size = 0;
  LPBYTE p = DdeAccessData(data, &size);
  std::string s = p ? std::string(reinterpret_cast<char*>(p), size) : std::string();
  DdeUnaccessData(data);
  const size_t zero = s.find('\0');
  return zero == std::string::npos ? s : s.substr(0, zero);
}

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ, HSZ item, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
  if (type == XTYP_ADVDATA) {
    gOut << "advdata " << Text(item) << " = " << (data ? DataText(data) : "(none)") << "\n";
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
  }
  return nullptr;
}

void Drain(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> f;
  std::stringstream ss(line);
  std::string part;
  while (std::getline(ss, part, '\t')) f.push_back(part);
  while (f.size() < 3) f.push_back(std::string());
  return f;
}

HSZ Name(const std::string& s) { return s.empty() || s == "-" ? nullptr : DdeCreateStringHandleA(gInst, s.c_str(), CP_WINANSI); }

void FreeName(HSZ h) {
  if (h) DdeFreeStringHandle(gInst, h);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::ifstream script(argv[1]);
  gOut.open(argv[2]);
  if (!script || !gOut) return 3;
  if (DdeInitializeA(&gInst, Callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return 4;
  HCONV conv = nullptr;
  std::string line;
  while (std::getline(script, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> f = Fields(line);
    const std::string& verb = f[0];
    DWORD result = 0;
    if (verb == "connect") {
      if (conv) DdeDisconnect(conv);
      HSZ s = Name(f[1]), t = Name(f[2]);
      conv = DdeConnect(gInst, s, t, nullptr);
      FreeName(s);
      FreeName(t);
      gOut << "connect " << f[1] << "/" << f[2] << " = ";
      if (conv) {
        CONVINFO ci = {};
        ci.cb = sizeof ci;
        DdeQueryConvInfo(conv, QID_SYNC, &ci);
        gOut << Text(ci.hszSvcPartner) << "/" << Text(ci.hszTopic) << "\n";
      } else {
        gOut << "failed\n";
      }
    } else if (verb == "request" || verb == "poke" || verb == "execute" || verb == "advstart" || verb == "advstop") {
      HSZ item = verb == "execute" ? nullptr : Name(f[1]);
      UINT format = CF_TEXT;
      if (verb == "request" && f[2] == "XlTable") format = RegisterClipboardFormatA("XlTable");
      else if (verb == "request" && !f[2].empty()) format = static_cast<UINT>(std::stoul(f[2]));
      HDDEDATA h = nullptr;
      if (verb == "request") {
        h = DdeClientTransaction(nullptr, 0, conv, item, format, XTYP_REQUEST, 5000, &result);
      } else if (verb == "poke") {
        std::string data = f[2];
        h = DdeClientTransaction(reinterpret_cast<LPBYTE>(&data[0]), static_cast<DWORD>(data.size() + 1), conv, item,
                                 CF_TEXT, XTYP_POKE, 5000, &result);
      } else if (verb == "execute") {
        std::string data = f[1];
        const DWORD timeout = f[2].empty() ? 5000 : static_cast<DWORD>(std::stoul(f[2]));
        h = DdeClientTransaction(reinterpret_cast<LPBYTE>(&data[0]), static_cast<DWORD>(data.size() + 1), conv, nullptr,
                                 0, XTYP_EXECUTE, timeout, &result);
      } else {
        h = DdeClientTransaction(nullptr, 0, conv, item, CF_TEXT, verb == "advstart" ? XTYP_ADVSTART : XTYP_ADVSTOP,
                                 5000, &result);
      }
      gOut << verb << (item ? " " + f[1] : std::string()) << " = ";
      if (verb == "poke" || verb == "execute") {
        char flags[16];
        std::snprintf(flags, sizeof flags, "0x%04lX", static_cast<unsigned long>(result & 0xC000));
        gOut << flags;
      } else if (!h) {
        gOut << "failed " << ErrorName(DdeGetLastError(gInst));
      } else if (verb == "request") {
        gOut << DataText(h);
        DdeFreeDataHandle(h);
      } else {
        gOut << "ok";
      }
      gOut << "\n";
      FreeName(item);
    } else if (verb == "wait") {
      Drain(static_cast<DWORD>(std::stoul(f[1])));
    } else if (verb == "disconnect") {
      gOut << "disconnect = " << (conv && DdeDisconnect(conv) ? "ok" : "failed") << "\n";
      conv = nullptr;
    }
    gOut.flush();
    Drain(60);
  }
  if (conv) DdeDisconnect(conv);
  DdeUninitialize(gInst);
  return 0;
}
