// The picker as a DDE server, driven as DDEML drives it (the in-memory DDEML)
// against a recording view: what Open_PKD, Find_PKD, requests and
// disconnects do in each state, who is answered busy, when the program ends.
#include "picker/picker_dde.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>

#include "support/fake_platform.h"
#include "text/errors.h"

namespace {

using ddetest::THConv;
using picker::TPickResult;
namespace ddeml = dde::ddeml;

class TRecordingView : public picker::TPickView {
 public:
  std::vector<std::string> log;
  bool visible = false;
  picker::TModalUp modal = picker::muNone;
  picker::TPickSelection selection{true, "01.11.Z", "Uprawa zbóż"};
  std::map<std::string, std::string> notes{{"01.11.Z", "Ta podklasa\xFFobejmuje"}};
  bool failSearch = false;
  // What the user (and other clients) do while a pick waits.
  std::function<void()> whileWaiting;

  void ShowStartCatalogue() override { log.push_back("pkd.kod"); }
  void BeginPick(uintptr_t owner) override { log.push_back("pick " + std::to_string(owner)); }
  void SetSearchCode(const std::string& code) override { log.push_back("code " + code); }
  void SetSearchWords(const std::string& words) override { log.push_back("words " + words); }
  void RunSearches() override {
    log.push_back("search");
    if (failSearch) throw text::Exception("zepsuty katalog");
  }
  void ShowPick() override {
    visible = true;
    log.push_back("show");
  }
  void WaitUntil(const std::function<bool()>& done) override {
    log.push_back("wait");
    if (whileWaiting) whileWaiting();
    EXPECT_TRUE(done()) << "the pick would wait for ever";
  }
  void EndPick() override {
    visible = false;
    log.push_back("hide");
  }
  bool Visible() const override { return visible; }
  picker::TPickSelection Selection() const override { return selection; }
  std::string NoteOf(const std::string& code) const override {
    auto i = notes.find(code);
    return i == notes.end() ? std::string() : i->second;
  }
  picker::TModalUp ModalUp() const override { return modal; }
  void CloseInformational() override {
    modal = picker::muNone;
    log.push_back("close about");
  }
  void ShowError(const std::exception& e) override { log.push_back(std::string("error ") + e.what()); }
  void EndProgram() override { log.push_back("end program"); }
};

class PickerDde : public ::testing::Test {
 protected:
  PickerDde() : dde(std::make_unique<picker::TPickerDde>(fake, view)) { dde->RegisterService(); }
  ~PickerDde() override {
    dde.reset();
    fake.RunIdle();
    EXPECT_TRUE(fake.Errors().empty()) << fake.Errors().front();
    EXPECT_EQ(0u, fake.LiveStringHandles());
    EXPECT_EQ(0u, fake.LiveDataHandles());
  }
  THConv Connect(const std::string& topic = "PKD") { return fake.ClientConnect("PKD_ZEL", topic); }
  // The reply's text up to its zero, or "failed".
  std::string Request(THConv conv, const std::string& item) {
    if (!fake.ClientRequest(conv, item)) return "failed";
    const std::string& r = fake.LastReply();
    return r.substr(0, r.find('\0'));
  }
  uint32_t Execute(THConv conv, const std::string& command) { return fake.ClientExecute(conv, command); }
  void Press(TPickResult button) { dde->Session().Choose(button); }

  ddetest::TFakePlatform fake;
  TRecordingView view;
  std::unique_ptr<picker::TPickerDde> dde;
};

TEST_F(PickerDde, OpenPresetsShowsAndAnswersWithTheButton) {
  const struct {
    const char* command;
    TPickResult button;
    uint32_t ack;
    std::vector<std::string> log;
  } cases[] = {
      {"[Open_PKD(0,\"01.11.Z\",\"\"\"\")]", picker::prChosen, ddeml::kDdeFAck,
       {"pkd.kod", "pick 0", "code 01.11.Z", "words \"", "search", "show", "wait", "hide"}},
      {"[open_pkd(-1,\"\",\"zbóż \"\"ozimych\"\"\")]", picker::prCancelled, 0,
       {"pkd.kod", "pick " + std::to_string(uintptr_t(0) - 1), "code ", "words zbóż \"ozimych\"", "search", "show",
        "wait", "hide"}},
      // A number that is not an integer is no owner; no list, no presets.
      {"[Open_PKD(12.5,a,b)]", picker::prChosen, ddeml::kDdeFAck,
       {"pkd.kod", "pick 0", "code a", "words b", "search", "show", "wait", "hide"}},
      {"[Open_PKD]", picker::prChosen, ddeml::kDdeFAck, {"pkd.kod", "pick 0", "search", "show", "wait", "hide"}},
  };
  const THConv conv = Connect();
  for (const auto& c : cases) {
    view.log.clear();
    view.whileWaiting = [&] {
      EXPECT_TRUE(dde->Session().Picking());
      Press(c.button);
      Press(picker::prCancelled);  // a second press changes nothing
    };
    EXPECT_EQ(Execute(conv, c.command), c.ack) << c.command;
    EXPECT_EQ(view.log, c.log) << c.command;
    EXPECT_FALSE(dde->Session().Picking());
    EXPECT_EQ(Request(conv, "KOD"), "01.11.Z");  // whatever the button, the selection answers
  }
}

TEST_F(PickerDde, FindPresetsWithoutShowingAndOtherCommandsAreRefused) {
  const THConv conv = Connect("pkd");
  EXPECT_EQ(Execute(conv, "[Find_PKD(\"01.12.Z\",\"\")]"), ddeml::kDdeFAck);
  EXPECT_EQ(Execute(conv, "[FIND_PKD]"), ddeml::kDdeFAck);
  EXPECT_EQ(view.log, (std::vector<std::string>{"pkd.kod", "code 01.12.Z", "words ", "search", "pkd.kod", "search"}));
  view.log.clear();
  for (const char* refused : {"[Find_PKD(\"a\")]", "[Open_PKD(x,\"a\",\"b\")]", "[Other]", "Find_PKD(a,b)"})
    EXPECT_EQ(Execute(conv, refused), 0u) << refused;
  EXPECT_TRUE(view.log.empty());
  EXPECT_FALSE(view.visible);
}

TEST_F(PickerDde, RequestsAnswerTheSelectedEntry) {
  const THConv pkd = Connect("PKD"), other = Connect("XYZ"), system = Connect("System");
  EXPECT_EQ(Request(pkd, "kod"), "01.11.Z");
  EXPECT_EQ(Request(pkd, "NAZWA"), "Uprawa zbóż");
  EXPECT_EQ(Request(pkd, "Opis"), "Ta podklasa\xFFobejmuje");  // line marks as stored
  EXPECT_EQ(Request(pkd, "NAZWY"), "failed");
  EXPECT_EQ(Request(other, "KOD"), "failed");
  EXPECT_EQ(Request(system, "KOD"), "failed");
  EXPECT_EQ(Request(system, "Status"), "READY");
  view.selection = {true, "01.12.Z", "Uprawa ryżu"};
  EXPECT_EQ(Request(pkd, "OPIS"), "");  // no note: empty, not failed
  view.selection = {};
  EXPECT_EQ(Request(pkd, "KOD"), "");

  // A Unicode client gets the same text in UTF-16; CF_TEXT stays as it was,
  // other formats get nothing.
  view.selection = {true, "01.11.Z", "Uprawa zbóż"};
  ASSERT_NE(fake.ClientRequest(pkd, "NAZWA", dde::kCfUnicodeText), 0u);
  const std::u16string expected = u"Uprawa zbóż";
  EXPECT_EQ(fake.LastReply(), std::string(reinterpret_cast<const char*>(expected.c_str()), expected.size() * 2 + 2));
  EXPECT_EQ(Request(pkd, "NAZWA"), "Uprawa zbóż");
  EXPECT_EQ(fake.ClientRequest(pkd, "KOD", 2), 0u);
}

// While a pick waits every other client hears "busy", whoever comes and goes
// on any topic; afterwards the server is as it was.
TEST_F(PickerDde, EveryOtherClientIsBusyForTheWholePick) {
  const THConv picking = Connect(), early = Connect(), watching = Connect("System");
  std::vector<std::string> seen;
  view.whileWaiting = [&] {
    const THConv late = Connect();
    fake.ClientDisconnect(Connect("System"));  // the last System conversation but one ends
    fake.ClientDisconnect(watching);           // and the last one
    for (THConv c : {early, late}) {
      seen.push_back(Request(c, "KOD"));
      seen.push_back(std::to_string(Execute(c, "[Open_PKD(0,\"01.12.Z\",\"\")]")));
      seen.push_back(std::to_string(Execute(c, "[Find_PKD(\"01.12.Z\",\"\")]")));
    }
    const THConv system = Connect("System");
    seen.push_back(Request(system, "Status"));
    fake.ClientDisconnect(system);
    fake.ClientDisconnect(late);  // a disconnect during a pick ends nothing
    Press(picker::prChosen);
  };
  EXPECT_EQ(Execute(picking, "[Open_PKD(0,\"01.11.Z\",\"\")]"), ddeml::kDdeFAck);
  const std::string busy = std::to_string(ddeml::kDdeFBusy);
  EXPECT_EQ(seen, (std::vector<std::string>{"failed", busy, busy, "failed", busy, busy, "BUSY"}));
  EXPECT_EQ(std::count(view.log.begin(), view.log.end(), "show"), 1);
  EXPECT_EQ(std::count(view.log.begin(), view.log.end(), "end program"), 0);
  EXPECT_EQ(Request(early, "KOD"), "01.11.Z");
  EXPECT_EQ(Request(Connect("System"), "Status"), "READY");
}

TEST_F(PickerDde, APickOverAModalWindow) {
  const THConv conv = Connect();
  // The About box is closed to make room; the pick then runs as usual.
  view.modal = picker::muInformational;
  view.whileWaiting = [&] { Press(picker::prChosen); };
  EXPECT_EQ(Execute(conv, "[Open_PKD(0,\"\",\"\")]"), ddeml::kDdeFAck);
  EXPECT_EQ(view.log.front(), "close about");
  EXPECT_EQ(view.log.back(), "hide");

  // An unread message box: every client is busy until it closes.
  view.log.clear();
  dde->Session().SetMessageBoxes(1);
  EXPECT_EQ(Execute(conv, "[Open_PKD(0,\"\",\"\")]"), ddeml::kDdeFBusy);
  EXPECT_EQ(Request(Connect("System"), "Status"), "BUSY");
  EXPECT_TRUE(view.log.empty());
  dde->Session().SetMessageBoxes(0);
  EXPECT_EQ(Request(conv, "KOD"), "01.11.Z");

  // A failing preset is shown over the window shown all the same, and the user picks on.
  view.failSearch = true;
  EXPECT_EQ(Execute(conv, "[Open_PKD(0,\"01.11\",\"\")]"), ddeml::kDdeFAck);
  EXPECT_EQ(view.log, (std::vector<std::string>{"pkd.kod", "pick 0", "code 01.11", "words ", "search", "show",
                                                "error zepsuty katalog", "wait", "hide"}));
}

TEST_F(PickerDde, WhenTheProgramEnds) {
  // A client that leaves a hidden window ends the program; a visible one stays.
  view.visible = true;
  fake.ClientDisconnect(Connect());
  EXPECT_TRUE(view.log.empty());
  view.visible = false;
  fake.ClientDisconnect(Connect());
  EXPECT_EQ(view.log, std::vector<std::string>{"end program"});

  // Hidden, with another client still connected (a script's pick beside a
  // program that keeps its conversation): the last one to leave ends it.
  view.log.clear();
  const THConv staying = Connect(), leaving = Connect();
  fake.ClientDisconnect(leaving);
  EXPECT_TRUE(view.log.empty());
  EXPECT_EQ(Request(staying, "KOD"), "01.11.Z");
  fake.ClientDisconnect(staying);
  EXPECT_EQ(view.log, std::vector<std::string>{"end program"});

  // A close asked during a pick waits for the button; the hidden picker then
  // ends once its client has taken the values and gone, whichever button.
  for (const TPickResult button : {picker::prChosen, picker::prCancelled}) {
    view.log.clear();
    bool closeNow = true;
    view.whileWaiting = [&] {
      closeNow = dde->Session().CloseAsked();
      Press(button);
    };
    const THConv asking = Connect();
    EXPECT_EQ(Execute(asking, "[Open_PKD(0,\"\",\"\")]"), button == picker::prChosen ? ddeml::kDdeFAck : 0u);
    EXPECT_FALSE(closeNow);
    EXPECT_EQ(view.log.back(), "hide");
    EXPECT_EQ(Request(asking, "KOD"), "01.11.Z");
    EXPECT_EQ(Request(asking, "NAZWA"), "Uprawa zbóż");
    EXPECT_EQ(view.log.back(), "hide");
    fake.ClientDisconnect(asking);
    EXPECT_EQ(view.log.back(), "end program");
    EXPECT_TRUE(dde->Session().CloseAsked());
  }

  // Clients that leave during a pick: the picker ends with the pick once
  // none is left (its own client killed), and waits for the last one else.
  for (const bool ownStays : {true, false}) {
    view.log.clear();
    const THConv own = Connect(), other = Connect();
    view.whileWaiting = [&] {
      fake.ClientDisconnect(ownStays ? other : own);
      if (!ownStays) fake.ClientDisconnect(other);
      Press(picker::prCancelled);
    };
    Execute(own, "[Open_PKD(0,\"\",\"\")]");
    EXPECT_EQ(std::count(view.log.begin(), view.log.end(), "end program"), ownStays ? 0 : 1) << ownStays;
    if (ownStays) {
      EXPECT_EQ(Request(own, "KOD"), "01.11.Z");
      fake.ClientDisconnect(own);
      EXPECT_EQ(view.log.back(), "end program");
    }
  }
}

// A client that dies says no goodbye: its conversation stays. A hidden
// picker left only with such conversations ends when it next looks at its
// clients; one still waiting for its first client, or shown, stays.
TEST_F(PickerDde, AHiddenPickerWhoseClientsDiedEnds) {
  const struct {
    const char* name;
    bool visible;
    int clients;  // connected, each sends Find_PKD
    int killed;   // of them
    bool ends;
  } cases[] = {
      {"no client yet", false, 0, 0, false},
      {"one alive", false, 1, 0, false},
      {"one killed", false, 1, 1, true},
      {"one of two killed", false, 2, 1, false},
      {"both killed", false, 2, 2, true},
      {"shown, killed", true, 1, 1, false},
  };
  for (const auto& c : cases) {
    view.log.clear();
    view.visible = c.visible;
    std::vector<THConv> convs;
    for (int i = 0; i < c.clients; ++i) {
      convs.push_back(Connect());
      EXPECT_EQ(Execute(convs.back(), "[Find_PKD(\"01.11.Z\",\"\")]"), ddeml::kDdeFAck);
    }
    for (int i = 0; i < c.killed; ++i) fake.ForgetConversation(convs[i]);
    dde->Session().CheckClients();
    EXPECT_EQ(std::count(view.log.begin(), view.log.end(), "end program"), c.ends ? 1 : 0) << c.name;
    // The next case starts without conversations: the dead ones ended
    // without a word, the live ones as DDEML would end them.
    view.visible = true;
    for (int i = c.killed; i < c.clients; ++i) fake.ClientDisconnect(convs[i]);
    dde.reset();
    fake.RunIdle();
    dde = std::make_unique<picker::TPickerDde>(fake, view);
    dde->RegisterService();
  }
}

}  // namespace
