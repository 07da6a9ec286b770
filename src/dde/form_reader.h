// The manager's properties read from the stored text form a window
// definition keeps, and the event handlers that form names bound in code.
#pragma once

#include <string_view>
#include <vector>

#include "dde/manager.h"

namespace dde {

class TManagerFormReader {
 public:
  explicit TManagerFormReader(TDDEMLManager& manager) : FManager(manager) {}

  // Sets the properties the text lists, keeps the event names it gives,
  // then calls Loaded. Bad text raises EStoredFormError.
  void Read(std::string_view text);
  // The member a stored event name stands for (ASCII case ignored).
  static bool EventSlot(std::string_view eventName, TEventSlot& slot);
  // Binds the events kept by Read; all of them or, on a fault, none.
  void BindEvents(const std::vector<TStoredHandler>& handlers);

 private:
  TDDEMLManager& FManager;
};

}  // namespace dde
