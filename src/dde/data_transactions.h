// The server transactions that move data: request (with the System topic and
// each topic's lists), poke, execute and the advise links. Made for one
// callback by the dispatch, whose frame and event helpers it uses.
#pragma once

#include <cstdint>
#include <string>

#include "dde/dispatch.h"

namespace dde {

class TDataTransactions {
 public:
  using TCallbackFrame = TTransactionDispatch::TCallbackFrame;
  using TConvRef = TTransactionDispatch::TConvRef;

  TDataTransactions(TTransactionDispatch& dispatch, TDDEMLManager& manager) : FDispatch(dispatch), FManager(manager) {}

  THData XTypRequest(TCallbackFrame& frame, THConv conv, THsz topic, uint32_t format, THsz item);
  uint32_t XTypPoke(TCallbackFrame& frame, THConv conv, THData data, uint32_t format, THsz item);
  uint32_t XTypExecute(TCallbackFrame& frame, THConv conv, THData data);
  uint32_t XTypAdvStart(TCallbackFrame& frame, THConv conv, uint32_t format, THsz item);
  THData XTypAdvReq(TCallbackFrame& frame, THConv conv, uint32_t format, uint32_t pending, THsz item);
  void XTypAdvStop(TCallbackFrame& frame, THConv conv, uint32_t format, THsz item);

 private:
  THData SystemRequest(TCallbackFrame& frame, const TConvRef& ref, const std::string& item, uint32_t format);
  THData TopicRequest(TCallbackFrame& frame, const TConvRef& ref, const std::string& item, uint32_t format);
  THData ListItemData(TCallbackFrame& frame, const TConvRef& ref, const std::string& topic, const std::string& item);
  THData ItemRequest(TCallbackFrame& frame, const TConvRef& ref, const std::string& item, uint32_t format);

  TTransactionDispatch& FDispatch;
  TDDEMLManager& FManager;
};

}  // namespace dde
