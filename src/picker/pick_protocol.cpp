#include "picker/pick_protocol.h"

#include <limits>

#include "text/cp1250.h"

namespace picker {

namespace {

std::string CmdEntry(const char* name, const char* types) {
  return std::string("    True\r\n    '") + types + "'\r\n    '" + name + "'";
}

}  // namespace

const std::string& PickerStoredForm() {
  static const std::string form =
      "object DDEMan1: TDDEMLManager\r\n"
      "  AllowNullPokes = False\r\n"
      "  AllowNullService = True\r\n"
      "  AllowNullTopic = True\r\n"
      "  CmdFirstCh = '['\r\n"
      "  CmdLastCh = ']'\r\n"
      "  CmdParamFirstCh = '('\r\n"
      "  CmdParamLastCh = ')'\r\n"
      "  CmdParamSep = ','\r\n"
      "  CompareServerItemData = True\r\n"
      "  DebugFileName = 'C:\\PKD_ZEL_DDE.LOG'\r\n"
      "  DefaultTimeOut = 1.000000000000000000\r\n"
      "  DefaultUseBusy = False\r\n"
      "  ExecCmds.CmdList = (\r\n" +
      CmdEntry(kOpenPkd, kOpenPkdTypes) + "\r\n" + CmdEntry(kFindPkd, kFindPkdTypes) +
      ")\r\n"
      "  ExeNameAsService = True\r\n"
      "  FailOptions = []\r\n"
      "  FormatConflict = fctNullResponse\r\n"
      "  NetworkDDE = False\r\n"
      "  OneConvPerTopic = False\r\n"
      "  PokeDataAsHandle = True\r\n"
      "  RetainClientItems = True\r\n"
      "  RetainClientItemData = True\r\n"
      "  Scope = ddeServerOnly\r\n"
      "  ShareProcess = sptNone\r\n"
      "  SkipOptions = []\r\n"
      "  StoreServerItemData = True\r\n"
      "  OnTopicReceived = DDEMan1TopicReceived\r\n"
      "  OnFormatReceived = DDEMan1FormatReceived\r\n"
      "  OnTopicFormatReceived = DDEMan1TopicFormatReceived\r\n"
      "  OnItemReceived = DDEMan1ItemReceived\r\n"
      "  OnExecuteReceived = DDEMan1ExecuteReceived\r\n"
      "  OnRequestReceived = DDEMan1RequestReceived\r\n"
      "  OnDisconnecting = DDEMan1Disconnecting\r\n"
      "end\r\n";
  return form;
}

bool IsPickTopic(std::string_view topic) { return text::EqualNoCaseAscii(topic, kPickTopic); }

TPickItem ItemOf(std::string_view item) {
  for (int n = 0; n < kPickItemCount; ++n)
    if (text::EqualNoCaseAscii(item, kPickItems[n])) return static_cast<TPickItem>(n + 1);
  return piNone;
}

TPickCommand CommandOf(std::string_view name) {
  if (text::EqualNoCaseAscii(name, kOpenPkd)) return pcOpen;
  if (text::EqualNoCaseAscii(name, kFindPkd)) return pcFind;
  return pcNone;
}

std::string Unquote(std::string_view param) {
  if (param.empty() || param[0] != '"') return std::string(param);
  std::string result;
  for (size_t i = 1; i < param.size(); ++i) {
    if (param[i] != '"') {
      result += param[i];
    } else if (i + 1 < param.size() && param[i + 1] == '"') {
      result += '"';
      ++i;
    } else {
      break;  // the closing quote; what follows it is dropped
    }
  }
  return result;
}

std::string Quote(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

bool Sendable(std::string_view value) {
  return value.find_first_of(std::string_view(",)]\0", 4)) == std::string_view::npos;
}

bool ParseOwnerHandle(std::string_view param, uintptr_t& handle) {
  size_t i = 0;
  while (i < param.size() && param[i] == ' ') ++i;
  bool negative = false;
  if (i < param.size() && (param[i] == '+' || param[i] == '-')) negative = param[i++] == '-';
  if (i == param.size()) return false;
  uint64_t value = 0;
  for (; i < param.size(); ++i) {
    const unsigned digit = static_cast<unsigned char>(param[i]) - '0';
    if (digit > 9 || value > (std::numeric_limits<uint64_t>::max() - digit) / 10) return false;
    value = value * 10 + digit;
  }
  const uint64_t largest =
      negative ? uint64_t(std::numeric_limits<intptr_t>::max()) + 1 : uint64_t(std::numeric_limits<uintptr_t>::max());
  if (value > largest) return false;
  handle = negative ? uintptr_t(0) - static_cast<uintptr_t>(value) : static_cast<uintptr_t>(value);
  return true;
}

std::string OpenCommand(uint64_t owner, std::string_view code, std::string_view words) {
  return "[" + std::string(kOpenPkd) + "(" + std::to_string(owner) + "," + Quote(code) + "," + Quote(words) + ")]";
}

std::string FindCommand(std::string_view code, std::string_view words) {
  return "[" + std::string(kFindPkd) + "(" + Quote(code) + "," + Quote(words) + ")]";
}

}  // namespace picker
