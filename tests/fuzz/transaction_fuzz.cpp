// Random transaction sequences fed to the manager's callback through the
// in-memory DDEML, as clients could send them: connects and wild connects,
// requests, pokes, executes with hostile strings, advise links,
// disconnects, notifications of any type, changes by the application and
// handlers that end the manager or change its tree (remove topics and items,
// clear or replace the services, reload the stored form). Pokes and links go
// to the System topic and to items shared by many conversations: no record
// may stand on a node that left the tree, a refused poke leaves the item as
// it was, and System "Status" is never a client's to set. Nothing may crash, nothing may leave the
// callback, DDEML must never be misused (the fake records every double free,
// unknown handle or null name), and when the manager is gone nothing it made
// may be left behind and its instance is ended. The trace goes nowhere, to
// a debug window that is not there or to a log that cannot be written, and
// changes between them on the way.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <memory>
#include <string>
#include <vector>

#include "dde/manager.h"
#include "support/fake_platform.h"
#include "text/cp1250.h"

namespace {

using namespace dde;
using ddetest::TFakePlatform;

void Check(bool ok) {
  if (!ok) std::abort();
}

// A misuse of DDEML is a failure; its description helps to read the crash.
void CheckNoMisuse(const TFakePlatform& fake) {
  if (fake.Errors().empty()) return;
  for (const std::string& e : fake.Errors()) std::fprintf(stderr, "DDEML misused: %s\n", e.c_str());
  std::abort();
}

class TInput {
 public:
  TInput(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
  bool More() const { return FPos < FSize; }
  uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }
  bool Flag() { return (Byte() & 1) != 0; }
  // A text of up to max bytes taken from the input.
  std::string Text(size_t max) {
    size_t n = Byte();
    if (n == 255) n = Byte() * 300u;  // now and then a long one
    if (n > max) n = max;
    std::string s;
    for (size_t i = 0; i < n && FPos < FSize; ++i) s += static_cast<char>(FData[FPos++]);
    return s;
  }
  // A name of the list, or now and then one made up (at most max
  // characters: DDEML holds no longer name in a string handle, the
  // application may try one).
  template <size_t N>
  std::string Pick(const char* const (&names)[N], size_t max = 255) {
    const uint8_t b = Byte();
    return b < N ? names[b] : Text(max);
  }

 private:
  const uint8_t* FData;
  size_t FSize;
  size_t FPos = 0;
};

// A log in a folder that does not exist: every line fails to be written.
const char* const kFailingLog = "/nonexistent-pkd-folder/dde.log";

const char* const kServices[] = {"PKD_ZEL", "pkd_zel", "Other", ""};
const char* const kTopics[] = {"PKD", "System", "system", "T", "", "Other"};
const char* const kItems[] = {"KOD", "NAZWA", "Topics", "SysItems", "TopicItemList", "Status", "Formats", "Help", "R1C1:R2C2", ""};
const char* const kPieces[] = {"[", "]", "(", ")", ",", "\"", "Open_PKD", "open_pkd", "Find_PKD", "Set", "End",
                               "1", "-2.5e3", "1e5000", "$7FFFFFFF", "0x", " ", "abc", "\"01.11.Z\"", "\0",
                               "Reshape"};

// What the handlers do, chosen by the input.
struct TState {
  TFakePlatform fake;
  std::unique_ptr<TDDEMLManager> m;
  uint8_t flags = 0;
  uint8_t ending = 0;  // 1: TerminateDDEML, 2: free the manager, from a handler
  uint8_t reshape = 0;  // which handlers change the tree
  bool busySet = false;  // the application has set the busy mark
  std::vector<THConv> convs;

  void End() {
    if (ending == 1 && m) m->TerminateDDEML();
    if (ending == 2) m.reset();
  }
};

const char* const kStoredForms[] = {"Services.ServicesList = ('PKD_ZEL' True 0)",
                                    "Services.ServicesList = ('Other' True 0 'PKD_ZEL' False 0)",
                                    "Services.ServicesList = ()"};

void Reshape(TDDEMLManager& x, const std::string& sv, const std::string& t, uint8_t how) {
  TDDEMLService* service = x.FindService(sv);
  switch (how % 6) {
    case 0:
      if (service) service->RemoveTopic(t);
      break;
    case 1:
      if (service)
        if (TDDEMLTopic* topic = service->FindTopic(t)) topic->RemoveItem(how & 8 ? "" : "KOD");
      break;
    case 2:
      x.ReadStoredForm(kStoredForms[(how >> 3) % 3]);
      break;
    case 3: {
      TDDEMLServicesList list(x.Platform());
      list.Add("PKD_ZEL")->Enabled = true;
      x.SetServices(list);
      break;
    }
    case 4:
      x.Services().Clear();
      break;
    default:
      if (service) service->RemoveTopic("System");
      break;
  }
}

void Wire(TState& s) {
  TDDEMLManager& m = *s.m;
  const uint8_t f = s.flags;
  const uint8_t r = s.reshape;
  if (f & 1)
    m.OnConnectReceived = [&s](TDDEMLManager&, const std::string&, const std::string& t, bool& allow) {
      allow = t != "Other";
      if (t == "End") s.End();
    };
  if (f & 2)
    m.OnWildConnectReceived = [](TDDEMLManager& x, const std::string& sv, const std::string&) {
      x.AddWildConnectPair(sv.empty() ? "PKD_ZEL" : sv, "PKD");
      x.AddWildConnectPair("PKD_ZEL", "Other");
    };
  m.OnTopicReceived = [](TDDEMLManager& x, const std::string& sv) {
    x.ClearTopicList(sv);
    x.AddToTopicList(sv, "PKD");
  };
  if (f & 4)
    m.OnFormatReceived = [](TDDEMLManager& x, const std::string& sv) { x.AddToFormatList(sv, "", cfText); };
  m.OnItemReceived = [](TDDEMLManager& x, const std::string& sv, const std::string& t) {
    x.ClearItemList(sv, t);
    x.AddToItemList(sv, t, "KOD");
  };
  m.OnRequestReceived = [&s](TDDEMLManager& x, const std::string& sv, const std::string& t, const std::string& i,
                             int32_t, TDDEMLClipFmtType, uint16_t, bool& valid) {
    valid = i != "NAZWA";
    if (i == "KOD") x.SetItemText(sv, t, i, "01.11.Z");
    if (i == "End") s.End();
  };
  m.OnExecuteReceived = [&s](TDDEMLManager& x, const std::string& sv, const std::string& t, const std::string& cmd,
                             const TParamArray& params, int count, bool& succeed) {
    if (cmd == "SET" && count > 0) x.SetItemText(sv, t, "KOD", params[0]);  // posts advises on the way
    if (cmd == "FIND_PKD") succeed = (s.flags & 8) != 0;
    if (cmd == "END") return s.End();
    if (cmd == "RESHAPE" && count > 0 && !params[0].empty()) Reshape(x, sv, t, static_cast<uint8_t>(params[0][0]));
  };
  if (f & 16)
    m.OnRawExecuteReceived = [](TDDEMLManager&, const std::string&, const std::string&, const char*, uint16_t,
                                bool& succeed, bool& proceed) {
      proceed = true;
      succeed = false;
    };
  if (f & 32)
    m.OnPokeReceived = [r](TDDEMLManager& x, const std::string& sv, const std::string& t, const std::string& i,
                           int32_t, bool& allow) {
      allow = i != "NAZWA";
      if (i == "Help") throw std::runtime_error("refused by raising");
      if (i == "Formats") Reshape(x, sv, t, r);
    };
  m.OnAdviseStartReceived = [&s, r](TDDEMLManager& x, const std::string& sv, const std::string& t,
                                    const std::string& i, int32_t, TDDEMLClipFmtType, uint16_t, bool& allow) {
    allow = true;
    // The handler lives in the manager: nothing of it is read once it is gone.
    if (i == "End") return s.End();
    if (i == "Help" && (r & 1)) Reshape(x, sv, t, static_cast<uint8_t>(r >> 1));
  };
  m.OnAdviseStopReceived = [r](TDDEMLManager& x, const std::string& sv, const std::string& t, const std::string&,
                               int32_t) {
    if (r & 2) Reshape(x, sv, t, static_cast<uint8_t>(r >> 2));
  };
  m.OnDisconnecting = [&s, r](TDDEMLManager& x, const std::string& sv, const std::string& t) {
    if (t == "End") return s.End();
    if ((r & 4) && t == "T") Reshape(x, sv, t, static_cast<uint8_t>(r >> 3));
  };
  m.OnTopicClosed = [r](TDDEMLManager& x, const std::string& sv, const std::string& t) {
    if (r & 8) Reshape(x, sv, t, static_cast<uint8_t>(r >> 4));
  };
  if (f & 64)
    m.OnTopicOpened = [&s, r](TDDEMLManager& x, const std::string& sv, const std::string& t) {
      if (t == "Ending") return s.End();
      if (t == "T" && (r & 16)) Reshape(x, sv, t, static_cast<uint8_t>(r >> 5));
      if (t == "Other" && (r & 32)) throw std::runtime_error("topic refused by raising");
    };
  m.OnError = [&s](TDDEMLManager&, int, const std::string&) {
    if (s.flags & 128) throw std::runtime_error("the error event fails too");
  };
}

// Every conversation record stands on a service and a topic of the tree.
void CheckRecordsOnTheTree(const TDDEMLManager& m) {
  TDDEMLManager& x = const_cast<TDDEMLManager&>(m);
  for (int i = 0; i < x.ConvCount(); ++i) {
    const TDDEMLConversation* c = x.Conv(i);
    bool found = false;
    for (int sv = 0; sv < x.Services().Count() && !found; ++sv)
      for (int t = 0; x.Services().At(sv) == c->Service && t < c->Service->TopicCount() && !found; ++t)
        found = c->Service->TopicAt(t) == c->Topic;
    Check(found);
  }
}

THConv PickConv(TState& s, TInput& in) {
  std::vector<THConv> live;
  for (THConv c : s.convs)
    if (s.fake.KnowsConversation(c)) live.push_back(c);
  if (live.empty()) return 0;
  return live[in.Byte() % live.size()];
}

uint32_t PickFormat(TInput& in) {
  switch (in.Byte() % 6) {
    case 0: return 1;
    case 1: return 13;
    case 2: return 8;
    case 3: return XlTableFormat();
    case 4: return 2;
    default: return in.Byte();
  }
}

std::string HostileCommand(TInput& in) {
  std::string s;
  const int parts = in.Byte() % 24;
  for (int i = 0; i < parts; ++i) {
    const uint8_t b = in.Byte();
    if (b < sizeof kPieces / sizeof kPieces[0])
      s += b == 19 ? std::string(1, '\0') : std::string(kPieces[b]);
    else if (b == 250)
      s += std::string(70000, '[');
    else
      s += static_cast<char>(b);
  }
  return s;
}

void Step(TState& s, TInput& in) {
  TFakePlatform& fake = s.fake;
  const uint8_t op = in.Byte() % 15;
  // Once its instance is gone, no client reaches the server.
  const bool served = fake.IsInitialized(fake.Instance());
  if (!served && (op <= 7 || op == 10)) return;
  switch (op) {
    case 0: {
      THConv c = fake.ClientConnect(in.Pick(kServices), in.Flag() ? "End" : in.Pick(kTopics));
      if (c) s.convs.push_back(c);
      break;
    }
    case 1: {
      const std::string svc = in.Pick(kServices), top = in.Pick(kTopics);
      for (THConv c : fake.ClientWildConnect(svc, top)) s.convs.push_back(c);
      break;
    }
    case 2:
      if (THConv c = PickConv(s, in)) fake.ClientRequest(c, in.Flag() ? "End" : in.Pick(kItems), PickFormat(in));
      break;
    case 3:
      if (THConv c = PickConv(s, in)) {
        const std::string item = in.Pick(kItems), bytes = in.Text(400);
        const uint32_t format = PickFormat(in);
        // The item as it stands on the conversation's topic.
        std::string service, topic;
        for (int i = 0; s.m && i < s.m->ConvCount(); ++i)
          if (s.m->Conv(i)->Handle() == c) service = s.m->Conv(i)->ServiceName(), topic = s.m->Conv(i)->TopicName();
        auto state = [&] {
          const TDDEMLService* svc = s.m ? s.m->FindService(service) : nullptr;
          const TDDEMLItem* found = svc ? svc->FindItem(topic, item) : nullptr;
          return found ? "+" + std::to_string(found->Data().Format()) + found->Data().Text() : std::string("-");
        };
        const std::string before = state();
        const uint32_t ack = fake.ClientPoke(c, item, bytes, format);
        if (ack != ddeml::kDdeFAck && s.m && !service.empty()) Check(state() == before);
      }
      break;
    case 4:
      if (THConv c = PickConv(s, in)) fake.ClientExecute(c, HostileCommand(in));
      break;
    case 5:
      if (THConv c = PickConv(s, in)) fake.ClientAdviseStart(c, in.Flag() ? "End" : in.Pick(kItems), PickFormat(in));
      break;
    case 6:
      if (THConv c = PickConv(s, in)) {
        // Only links the client holds: DDEML sends no other.
        const std::string item = in.Pick(kItems);
        const uint32_t format = PickFormat(in);
        if (fake.HasLink(c, item, format)) fake.ClientAdviseStop(c, item, format);
      }
      break;
    case 7:
      if (THConv c = PickConv(s, in)) fake.ClientDisconnect(c);
      break;
    case 8:
      if (s.m) {
        // The application's own changes; names DDEML cannot hold are refused.
        try {
          const std::string svc = in.Pick(kServices), top = in.Pick(kTopics, 600), item = in.Pick(kItems, 600);
          s.busySet = s.busySet || text::EqualNoCaseAscii(item, "Status");
          s.m->SetItemText(svc, top, item, in.Text(600));
        } catch (const EMorviaError&) {
        } catch (const EStringClass&) {
        }
      }
      break;
    case 9:
      if (s.m) {
        const std::string svc = in.Pick(kServices), top = in.Pick(kTopics);
        try {
          switch (in.Byte() % 7) {
            case 5: Reshape(*s.m, svc, top, in.Byte()); break;
            case 6: {
              // What a client left must not decide what the service is.
              if (TDDEMLService* service = s.m->FindService(svc))
                Check(!service->IsBusy() || s.busySet);
              break;
            }
            case 0: s.m->AddToTopicList(svc, top); break;
            case 1: s.m->ClearFormatList(svc, top); break;
            case 2: s.m->AddToItemList(svc, top, in.Pick(kItems)); break;
            case 3: {
              const bool busy = in.Flag();
              s.m->SetItemText(svc, "System", "Status", busy ? "bUsY" : "");
              s.busySet = s.busySet || busy;
              break;
            }
            default: s.m->AddToFormatList(svc, top, static_cast<TDDEMLClipFmtType>(in.Byte() % 14)); break;
          }
        } catch (const EMorviaError&) {
        }
      }
      break;
    case 10: {
      // Any notification DDEML could send, with handles of live
      // conversations or made up.
      static const uint32_t kTypes[] = {ddeml::kXtypError,   ddeml::kXtypAdvData,    ddeml::kXtypXactComplete,
                                        ddeml::kXtypRegister, ddeml::kXtypUnregister, ddeml::kXtypConnectConfirm,
                                        ddeml::kXtypMonitor,  ddeml::kXtypAdvReq,     ddeml::kXtypAdvStop,
                                        0x1234};
      const uint32_t type = kTypes[in.Byte() % (sizeof kTypes / sizeof kTypes[0])];
      THConv c = in.Flag() ? PickConv(s, in) : in.Byte();
      fake.Call(type, PickFormat(in), c, fake.Hsz(in.Pick(kTopics)), fake.Hsz(in.Pick(kItems)), 0, in.Byte(), in.Byte());
      break;
    }
    case 11:
      fake.RunIdle();
      break;
    case 12:
      if (s.m) s.m->SetCompareServerItemData(in.Flag());
      break;
    case 13:
      // The log becomes unwritable, or writable nowhere, in mid-session.
      SetDebugSettingsQuietly(static_cast<TDDEMLDebugState>(in.Byte() % 3), kFailingLog);
      break;
    default:
      if (s.m && in.Flag()) {
        s.m->FormatConflict = static_cast<TDDEMLFormatConflictType>(in.Byte() % 3);
        s.m->StoreServerItemData = in.Flag();
      }
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TInput in(data, size);
  {
    TState s;
    s.m = std::make_unique<TDDEMLManager>(nullptr, s.fake);
    TDDEMLManager& m = *s.m;
    s.flags = in.Byte();
    s.ending = in.Byte() % 3;
    s.reshape = in.Byte();
    const uint8_t config = in.Byte();
    m.Scope = ddeServerOnly;
    m.AllowNullService = config & 1;
    m.AllowNullTopic = config & 2;
    m.OneConvPerTopic = config & 4;
    m.StoreServerItemData = !(config & 8);
    m.FormatConflict = static_cast<TDDEMLFormatConflictType>((config >> 4) % 3);
    m.ExecCmds().AddCmd("Open_PKD", "NSS");
    m.ExecCmds().AddCmd("Find_PKD", "SS");
    m.ExecCmds().AddCmd("Set", "s");
    m.ExecCmds().AddCmd("End", "");
    m.ExecCmds().AddCmd("Reshape", "s");
    Wire(s);
    // Tracing into a debug window that is not there runs every trace line's
    // making without any output; a log that cannot be written fails each.
    m.DebugFileName = kFailingLog;
    if (config & 128) m.SetDebugState(in.Flag() ? dbFile : dbForm);
    m.AddService("PKD_ZEL");
    m.FindService("PKD_ZEL")->Enabled = true;
    if (config & 64) m.AddService("Other");
    Check(m.InitDDEML());
    const TInstanceId instance = m.InstanceId();
    for (int steps = 0; steps < 80 && in.More() && s.fake.Errors().empty(); ++steps) {
      Step(s, in);
      if (s.m) CheckRecordsOnTheTree(*s.m);
    }
    CheckNoMisuse(s.fake);
    s.m.reset();
    s.fake.RunIdle();
    CheckNoMisuse(s.fake);
    Check(!s.fake.IsInitialized(instance));
    // Nothing the manager made outlives it.
    Check(s.fake.LiveStringHandles() == 0);
    Check(s.fake.LiveDataHandles() == 0);
  }
  SetCompareServerItemData(true);
  SetDebugSettingsQuietly(dbNone, std::string());
  return 0;
}
