// One DDE conversation that a client opened with one of the manager's
// services: the service and topic it is bound to, its DDEML handle, its
// number and the communication settings taken from the manager.
#pragma once

#include <cstdint>
#include <string>

#include "dde/errors.h"
#include "dde/platform.h"

namespace dde {

class TDDEMLService;
class TDDEMLTopic;

enum TDDEMLCommType : int { dcASync = 0, dcSync = 1 };

class TDDEMLConversation {
 public:
  explicit TDDEMLConversation(IDdePlatform& platform);
  TDDEMLConversation(const TDDEMLConversation&) = delete;
  TDDEMLConversation& operator=(const TDDEMLConversation&) = delete;

  bool Connected() const { return FConnected; }
  THConv Handle() const { return FHandle; }
  // Never reused within the process, unlike ConvId: it tells a record that
  // was freed during an event from a new one made in its place.
  uint64_t Serial() const { return FSerial; }

  // Settings; the manager overwrites them with its own at creation. Default
  // format, communication type, time-out and link format serve only the
  // client role.
  uint16_t DefaultFormat = 1;
  TDDEMLCommType CommType = dcSync;
  int32_t ConvId = 0;
  uint16_t LinkFormat = 0;
  bool ServerSide = true;
  uint32_t TimeOut = 5000;
  // Not owned: they belong to the services tree.
  TDDEMLService* Service = nullptr;
  TDDEMLTopic* Topic = nullptr;
  // Where errors are reported (the manager); null reports nothing.
  IErrorSink* ErrorRelay = nullptr;

  void Confirm(THConv handle);
  // The handle stays until the end.
  void MarkDisconnected() { FConnected = false; }
  std::string ServiceName() const;
  // Empty when there is no topic.
  std::string TopicName() const;
  // Both names equal, ignoring the case of ASCII letters.
  bool Matches(const std::string& service, const std::string& topic) const;
  // The topic's name handle and hsz compare equal in DDEML.
  bool HasTopic(THsz hsz) const;
  // Disconnects the conversation when DDEML still knows it (error -17 when
  // that fails); the handle is dropped in every case.
  bool EndConversation();
  // Calls the error relay when set; gives code == errOk.
  bool ReportError(int code, const std::string& text = std::string());

 private:
  IDdePlatform& FPlatform;
  bool FConnected = false;
  THConv FHandle = 0;
  uint64_t FSerial;
};

}  // namespace dde
