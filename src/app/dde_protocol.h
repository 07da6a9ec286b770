// The picker as a DDE server: service "PKD_ZEL", topic "PKD", the execute
// commands Open_PKD and Find_PKD and the request items KOD, NAZWA and OPIS.
// The main window's manager DDEMan1 lives here, configured by its stored
// form; its handlers work through the main window's own operations.
#pragma once

#include <windows.h>

#include <string>

#include "dde/manager.h"
#include "dde/win/platform_win.h"

namespace app {

class Tform_TreeKodow;

// The protocol's names; the item number of a request is its position in
// kPkdItems (KOD = 1).
inline constexpr const char* kPkdService = "PKD_ZEL";
inline constexpr const char* kPkdTopic = "PKD";
inline constexpr const char* kPkdItems[] = {"KOD", "NAZWA", "OPIS"};

// DDEMan1 as the main window's definition stores it.
extern const char kDDEMan1StoredForm[];

// A text parameter without its quotes: from a leading '"' to the closing
// quote (one that is not doubled), doubled quotes made single, the rest
// dropped. A text that does not start with '"' is returned unchanged.
std::string Unquote(const std::string& param);

// The owner parameter of Open_PKD: decimal digits after optional blanks and
// sign, nothing else, the value fitting a window handle of this build. A
// client may write the handle signed or unsigned. False for anything else.
bool ParseWindowHandle(const std::string& param, HWND& handle);

class TPickerDde {
 public:
  // Reads the stored form and binds the handlers it names. The window must
  // outlive this object.
  explicit TPickerDde(Tform_TreeKodow& form);
  ~TPickerDde();
  TPickerDde(const TPickerDde&) = delete;
  TPickerDde& operator=(const TPickerDde&) = delete;

  // The start-up step: adds and enables the service and starts the manager;
  // whatever the manager reports, start-up goes on.
  void StartService();

  dde::TDDEMLManager& DDEMan1() { return FManager; }
  // True while an Open_PKD waits for the user.
  bool Picking() const { return FPicking; }

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

  // The value of request item n (1 to 3) for the tree's selected entry.
  std::string ItemValue(int n) const;

 private:
  void BindStoredEvents();
  bool OpenPkd(const dde::TParamArray& params, int count);
  void FindPkd(const dde::TParamArray& params, int count);
  // Marks the service busy while a pick waits, so that the manager answers
  // other clients' transactions "busy" meanwhile.
  void SetBusy(bool busy);

  Tform_TreeKodow& FForm;
  dde::TWin32Platform FPlatform;
  dde::TDDEMLManager FManager;  // DDEMan1
  bool FPicking = false;
};

}  // namespace app
