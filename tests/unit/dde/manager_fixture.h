// A manager serving "PKD_ZEL" over the in-memory DDEML, with what reached
// its error sink recorded; the transactions are driven as DDEML drives them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "dde/manager.h"
#include "support/fake_platform.h"

namespace ddetest {

class TRecordingManager : public dde::TDDEMLManager {
 public:
  using dde::TDDEMLManager::TDDEMLManager;
  bool SetError(int code, const std::string& message = std::string()) override {
    errors.emplace_back(code, message);
    return dde::TDDEMLManager::SetError(code, message);
  }
  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (const auto& e : errors) codes.push_back(e.first);
    return codes;
  }
  std::vector<std::pair<int, std::string>> errors;
};

// The answer of an event handler is its last parameter (a bool&).
template <class... A>
bool& AnswerOf(A&&... args) {
  return std::get<sizeof...(A) - 1>(std::forward_as_tuple(args...));
}
// A handler that answers value, whatever the event.
inline auto Answering(bool value) {
  return [value](auto&&... args) { AnswerOf(args...) = value; };
}

class ManagerTest : public ::testing::Test {
 protected:
  ManagerTest() : m(std::make_unique<TRecordingManager>(nullptr, fake)) { m->Scope = dde::ddeServerOnly; }
  ~ManagerTest() override {
    m.reset();
    fake.RunIdle();
    EXPECT_TRUE(fake.Errors().empty()) << fake.Errors().front();
    // Nothing the manager made outlives it.
    EXPECT_EQ(0u, fake.LiveStringHandles());
    EXPECT_EQ(0u, fake.LiveDataHandles());
  }
  // The picker's service, registered.
  void Serve(const std::string& service = "PKD_ZEL") {
    m->AddService(service);
    m->FindService(service)->Enabled = true;
    ASSERT_TRUE(m->InitDDEML());
  }
  THConv Connect(const std::string& topic = "PKD") { return fake.ClientConnect("PKD_ZEL", topic); }
  // The text of the last CF_TEXT reply.
  std::string Reply() const { return fake.LastReply().substr(0, fake.LastReply().find('\0')); }

  TFakePlatform fake;
  std::unique_ptr<TRecordingManager> m;
};

}  // namespace ddetest
