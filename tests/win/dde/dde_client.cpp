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
// Each result is one output line. The client is the project's DDE client
// class, which also lets Wine's stray acknowledgements go.
#include "dde/win/dde_client_win.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace dde;

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> f;
  std::stringstream ss(line);
  std::string part;
  while (std::getline(ss, part, '\t')) f.push_back(part);
  while (f.size() < 3) f.push_back(std::string());
  return f;
}

const char* Name(const std::string& s) { return s.empty() || s == "-" ? nullptr : s.c_str(); }

std::string Flags(const TDdeResult& r) {
  char flags[16];
  std::snprintf(flags, sizeof flags, "0x%04X", static_cast<unsigned>(r.Flags & 0xC000));
  return flags;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::ifstream script(argv[1]);
  std::ofstream out(argv[2]);
  if (!script || !out) return 3;
  TDdeClient client;
  if (!client.Ok()) return 4;
  client.OnAdvise = [&out](const std::string& item, const std::string& data) {
    out << "advdata " << item << " = " << data.substr(0, data.find('\0')) << "\n";
  };
  TDdeConversation conv(client);
  std::string line;
  while (std::getline(script, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> f = Fields(line);
    const std::string& verb = f[0];
    if (verb == "connect") {
      out << "connect " << f[1] << "/" << f[2] << " = ";
      if (conv.Connect(Name(f[1]), Name(f[2])))
        out << conv.PartnerService() << "/" << conv.Topic() << "\n";
      else
        out << "failed\n";
    } else if (verb == "request") {
      UINT format = CF_TEXT;
      if (f[2] == "XlTable")
        format = RegisterClipboardFormatA("XlTable");
      else if (!f[2].empty())
        format = static_cast<UINT>(std::stoul(f[2]));
      const TDdeResult r = conv.Request(f[1], format);
      out << "request " << f[1] << " = " << (r.Ok() ? r.Text() : std::string("failed ") + DdeErrorName(r.Error))
          << "\n";
    } else if (verb == "poke") {
      out << "poke " << f[1] << " = " << Flags(conv.Poke(f[1], f[2])) << "\n";
    } else if (verb == "execute") {
      const DWORD timeout = f[2].empty() ? 5000 : static_cast<DWORD>(std::stoul(f[2]));
      out << "execute = " << Flags(conv.Execute(f[1], timeout)) << "\n";
    } else if (verb == "advstart" || verb == "advstop") {
      const TDdeResult r = verb == "advstart" ? conv.AdviseStart(f[1]) : conv.AdviseStop(f[1]);
      out << verb << " " << f[1] << " = "
          << (r.Ok() ? std::string("ok") : std::string("failed ") + DdeErrorName(r.Error)) << "\n";
    } else if (verb == "wait") {
      PumpMessagesFor(static_cast<DWORD>(std::stoul(f[1])));
    } else if (verb == "disconnect") {
      out << "disconnect = " << (conv.Disconnect() ? "ok" : "failed") << "\n";
    }
    out.flush();
  }
  return 0;
}
