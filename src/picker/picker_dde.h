// The picker as a DDE server: the manager DDEMan1, configured by its stored
// form, and the glue from its events to the pick session. No window here: the
// session drives the window through its view, and the platform (the real
// DDEML, or the in-memory one of the tests) is handed in.
#pragma once

#include <string>

#include "dde/manager.h"
#include "picker/pick_session.h"

namespace picker {

class TPickerDde {
 public:
  // Reads the stored form and binds the handlers it names. The platform and
  // the view must outlive this object.
  TPickerDde(dde::IDdePlatform& platform, TPickView& view);
  ~TPickerDde();
  TPickerDde(const TPickerDde&) = delete;
  TPickerDde& operator=(const TPickerDde&) = delete;

  // The start-up step: adds and enables the service, starts the manager and
  // sets the busy mark; whatever the manager reports, start-up goes on.
  void RegisterService();

  dde::TDDEMLManager& DDEMan1() { return FManager; }
  TPickSession& Session() { return FSession; }
  const TPickSession& Session() const { return FSession; }

  // The handlers of DDEMan1's events.
  void DDEMan1TopicReceived(dde::TDDEMLManager& Sender, const std::string& AServerName);
  void DDEMan1FormatReceived(dde::TDDEMLManager& Sender, const std::string& AServerName);
  void DDEMan1TopicFormatReceived(dde::TDDEMLManager& Sender, const std::string& AServerName,
                                  const std::string& ATopicName);
  void DDEMan1ItemReceived(dde::TDDEMLManager& Sender, const std::string& AServerName, const std::string& ATopicName);
  void DDEMan1ExecuteReceived(dde::TDDEMLManager& Sender, const std::string& AServerName, const std::string& ATopicName,
                              const std::string& ACmdName, const dde::TParamArray& ACmdParams, int AParamCount,
                              bool& Succeed);
  void DDEMan1RequestReceived(dde::TDDEMLManager& Sender, const std::string& AServiceName,
                              const std::string& ATopicName, const std::string& AnItemName, int32_t AnItemUserHandle,
                              dde::TDDEMLClipFmtType AFormatType, uint16_t AFormatNumber, bool& ValidItem);
  void DDEMan1Disconnecting(dde::TDDEMLManager& Sender, const std::string& AServerName, const std::string& ATopicName);

 private:
  void BindStoredEvents();
  // System "Status": READY, or BUSY while the session is busy, which makes
  // the manager answer every other transaction of the service busy.
  void SetStatus();

  TPickSession FSession;
  dde::TDDEMLManager FManager;  // DDEMan1
};

}  // namespace picker
