// The project's DDE client against the real DDEML (Wine's under test): a
// bare server in the test's thread, the client in a thread of its own.
#include "dde/win/dde_client_win.h"

#include <ddeml.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/pump_win.h"

namespace {

using namespace dde;

DWORD gServer = 0;
HSZ gService = nullptr;
int gRequests = 0;

// Answers KOD with a value that changes with each request, so that an answer
// given to the wrong transaction shows; executes "[ok]" and refuses others.
HDDEDATA CALLBACK Server(UINT type, UINT format, HCONV, HSZ, HSZ hsz2, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
  switch (type) {
    case XTYP_CONNECT:
      return reinterpret_cast<HDDEDATA>(DdeCmpStringHandles(hsz2, gService) == 0);
    case XTYP_REQUEST: {
      char item[16] = "";
      DdeQueryStringA(gServer, hsz2, item, sizeof item, CP_WINANSI);
      if (format != CF_TEXT || std::string(item) != "KOD") return nullptr;
      const std::string value = "01.1" + std::to_string(++gRequests);
      return DdeCreateDataHandle(gServer, reinterpret_cast<LPBYTE>(const_cast<char*>(value.c_str())),
                                 static_cast<DWORD>(value.size() + 1), 0, hsz2, CF_TEXT, 0);
    }
    case XTYP_EXECUTE: {
      char command[16] = "";
      DdeGetData(data, reinterpret_cast<LPBYTE>(command), sizeof command - 1, 0);
      return reinterpret_cast<HDDEDATA>(std::string(command) == "[ok]" ? DDE_FACK : DDE_FNOTPROCESSED);
    }
    default:
      return nullptr;
  }
}

// Requests and executes back to back, synchronous and asynchronous mixed,
// each answered as itself: Wine's stray acknowledgement after a request's
// reply must not be taken for the next transaction's answer, nor waited for
// once it has come (each such wait is bounded by a second).
TEST(DdeClient, TransactionsBackToBackEachGetTheirOwnAnswer) {
  ASSERT_EQ(DdeInitializeA(&gServer, Server, APPCMD_FILTERINITS, 0), static_cast<UINT>(DMLERR_NO_ERROR));
  gService = DdeCreateStringHandleA(gServer, "DDEC_Test_Server", CP_WINANSI);
  ASSERT_TRUE(DdeNameService(gServer, gService, nullptr, DNS_REGISTER));

  std::vector<std::string> got;
  int serverCalls = -1;
  std::atomic<bool> done{false};
  DWORD ms = 0;
  std::thread client([&] {
    const DWORD start = GetTickCount();
    {
      TDdeClient c;
      TDdeConversation conv(c);
      if (!conv.Connect("ddec_test_server", "T")) {
        got.push_back("connect failed: " + std::string(DdeErrorName(c.LastError())));
      } else {
        auto outcome = [](const TDdeResult& r) {
          return r.Ok() ? "ok " + r.Text() : "failed " + std::to_string(r.Outcome);
        };
        got.push_back(outcome(conv.Request("KOD")));
        got.push_back(outcome(conv.Request("KOD")));
        got.push_back(outcome(conv.RequestAsync("KOD", CF_TEXT, 5000)));
        got.push_back(outcome(conv.RequestAsync("KOD", CF_TEXT, 5000)));
        got.push_back(outcome(conv.Execute("[ok]")));
        got.push_back(outcome(conv.Request("KOD")));
        got.push_back(outcome(conv.ExecuteAsync("[ok]", 5000)));
        got.push_back(outcome(conv.Request("NIE")));
        got.push_back(outcome(conv.ExecuteAsync("[nie]", 5000)));
        got.push_back(outcome(conv.RequestAsync("KOD", CF_TEXT, 5000)));
        got.push_back(outcome(conv.Request("KOD", CF_UNICODETEXT)));
        got.push_back(outcome(conv.Request("KOD")));
        got.push_back(conv.PartnerService() + "/" + conv.Topic());
      }
      serverCalls = c.ServerCalls;
    }
    ms = GetTickCount() - start;
    done = true;
  });
  const bool finished = testing_support::PumpUntil([&] { return done.load(); }, 30000);
  client.join();
  ASSERT_TRUE(finished);
  const std::string refused = "failed " + std::to_string(doRefused);
  EXPECT_EQ(got, (std::vector<std::string>{"ok 01.11", "ok 01.12", "ok 01.13", "ok 01.14", "ok ", "ok 01.15", "ok ",
                                           refused, refused, "ok 01.16", refused, "ok 01.17", "DDEC_Test_Server/T"}));
  EXPECT_LT(ms, 1000u);
  EXPECT_EQ(serverCalls, 0);  // the client's instance sees no server transaction

  DdeNameService(gServer, gService, nullptr, DNS_UNREGISTER);
  DdeFreeStringHandle(gServer, gService);
  DdeUninitialize(gServer);
}


BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int ThreadWindows() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// A connect nobody answers leaves no window behind (Wine's DDEML keeps one,
// which every later connect on the desktop would ask and wait for).
TEST(DdeClient, AConnectNobodyAnswersLeavesNoWindow) {
  TDdeClient c;
  ASSERT_TRUE(c.Ok());
  TDdeConversation conv(c);
  const int before = ThreadWindows();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(conv.Connect("DDEC_Nobody_Serves", "T"));
  EXPECT_EQ(ThreadWindows(), before);
}

}  // namespace
