#include "dde/services.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "dde/commands.h"
#include "dde/formats.h"
#include "dde/trace.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"

namespace dde {
namespace {

using ddetest::TFakePlatform;

// Records what reaches the manager's error sink.
class TRecordingSink : public IErrorSink {
 public:
  bool SetError(int code, const std::string& message) override {
    errors.emplace_back(code, message);
    return code == errOk;
  }
  std::vector<std::pair<int, std::string>> errors;
};

THData DDE_CALLBACK NoCallback(uint32_t, uint32_t, THConv, THsz, THsz, THData, uintptr_t, uintptr_t) { return 0; }

// A fake DDEML instance with a services list wired to a recording sink.
class ServicesTest : public ::testing::Test {
 protected:
  ServicesTest() {
    EXPECT_EQ(0u, fake.Initialize(instance, NoCallback, 0));
    list = std::make_unique<TDDEMLServicesList>(fake);
    list->SetErrorSink(&sink);
  }
  ~ServicesTest() override {
    // Handles go before the instance, as the manager does it.
    if (list) list->ReleaseHandles();
    list.reset();
    fake.Uninitialize(instance);
    EXPECT_TRUE(fake.Errors().empty()) << fake.Errors().front();
  }
  // A registered service, so that its topics can be named.
  TDDEMLService* Registered(const std::string& name) {
    TDDEMLService* s = list->Add(name);
    EXPECT_NE(nullptr, s);
    EXPECT_TRUE(s->Register(instance, true));
    return s;
  }

  TFakePlatform fake;
  TInstanceId instance = 0;
  TRecordingSink sink;
  std::unique_ptr<TDDEMLServicesList> list;
};

TEST_F(ServicesTest, AtomNamesAndInstances) {
  TDDEMLAtom atom(fake);
  atom.SetName(instance, "");
  EXPECT_EQ(0u, atom.Handle());  // an empty text leaves no handle
  EXPECT_EQ("", atom.GetName());
  atom.SetName(instance, "Alpha");
  EXPECT_NE(0u, atom.Handle());
  EXPECT_EQ("Alpha", atom.GetName());
  EXPECT_TRUE(atom.SameHandle(fake.Hsz("ALPHA")));
  EXPECT_FALSE(atom.SameHandle(fake.Hsz("Beta")));
  // A held instance is kept when another one is offered.
  atom.SetName(instance + 77, "Gamma");
  EXPECT_EQ(instance, atom.Instance());
  EXPECT_EQ("Gamma", atom.GetName());
  atom.ReleaseHandle();
  EXPECT_EQ(0u, atom.Handle());
  EXPECT_EQ(0u, atom.Instance());
  EXPECT_EQ(0u, fake.LiveStringHandles());
}

TEST_F(ServicesTest, ServicesAreSortedAndUniqueIgnoringCase) {
  EXPECT_NE(nullptr, list->Add("Zeta"));
  EXPECT_NE(nullptr, list->Add("alpha"));
  EXPECT_NE(nullptr, list->Add("PKD_ZEL"));
  EXPECT_EQ(nullptr, list->Add("ALPHA"));
  ASSERT_EQ(3, list->Count());
  EXPECT_EQ("alpha", list->NameAt(0));
  EXPECT_EQ("PKD_ZEL", list->NameAt(1));
  EXPECT_EQ("Zeta", list->NameAt(2));
  EXPECT_EQ("", list->NameAt(3));
  EXPECT_EQ(nullptr, list->At(-1));
  EXPECT_EQ(list->At(1), list->Find("pkd_zel"));
  EXPECT_TRUE(list->Exists("ZETA"));
  EXPECT_FALSE(list->Exists("Zet"));
  TDDEMLService* s = list->Find("alpha");
  EXPECT_FALSE(s->Enabled);
  EXPECT_FALSE(s->Registered());
}

TEST_F(ServicesTest, RegisterAndUnregisterWithTheirErrors) {
  TDDEMLService* s = list->Add("PKD_ZEL");
  EXPECT_FALSE(s->Register(instance, false));
  ASSERT_EQ(1u, sink.errors.size());
  EXPECT_EQ(errNotRegistered, sink.errors[0].first);

  EXPECT_TRUE(s->Register(instance, true));
  EXPECT_TRUE(s->Enabled);
  EXPECT_TRUE(s->Registered());
  EXPECT_EQ(1u, fake.RegisteredServices(instance).count("PKD_ZEL"));
  EXPECT_EQ(list->Find("PKD_ZEL"), list->FindByHandle(fake.Hsz("pkd_zel")));

  EXPECT_FALSE(s->Register(instance, true));
  EXPECT_EQ(errAlreadyRegistered, sink.errors.back().first);
  EXPECT_TRUE(s->Registered());

  fake.nameServiceResult = false;
  EXPECT_FALSE(s->Register(instance, false));
  EXPECT_EQ(std::make_pair(static_cast<int>(errNameServiceRegister), std::string("PKD_ZEL")), sink.errors.back());
  EXPECT_TRUE(s->Registered());  // a failed call leaves the flag

  fake.nameServiceResult = true;
  EXPECT_TRUE(s->Register(instance, false));
  EXPECT_FALSE(s->Registered());
  EXPECT_TRUE(fake.RegisteredServices(instance).empty());
  EXPECT_EQ(3u, sink.errors.size());
}

TEST_F(ServicesTest, RegisterAllWalksEnabledServicesUntilTheFirstFailure) {
  EXPECT_FALSE(list->RegisterAll(instance, true));  // empty list
  EXPECT_EQ(errAllServicesDisabled, sink.errors.back().first);
  list->Add("A");
  list->Add("B");
  list->Add("C");
  EXPECT_FALSE(list->RegisterAll(instance, true));  // all disabled
  EXPECT_EQ(2u, sink.errors.size());
  EXPECT_TRUE(fake.nameServiceCalls.empty());

  list->Find("A")->Enabled = true;
  list->Find("C")->Enabled = true;
  EXPECT_TRUE(list->RegisterAll(instance, true));
  EXPECT_EQ((std::set<std::string>{"A", "C"}), fake.RegisteredServices(instance));
  EXPECT_FALSE(list->Find("B")->Registered());

  // Registering again fails at A: C is not touched.
  const size_t calls = fake.nameServiceCalls.size();
  EXPECT_FALSE(list->RegisterAll(instance, true));
  EXPECT_EQ(errAlreadyRegistered, sink.errors.back().first);
  EXPECT_EQ(calls, fake.nameServiceCalls.size());

  EXPECT_TRUE(list->RegisterAll(instance, false));
  EXPECT_TRUE(fake.RegisteredServices(instance).empty());
}

// A platform that, inside the name service call, asks whether the service
// takes connects: DDEML tells clients of a registration during the call,
// and one may connect before it returns.
class TAskingPlatform : public TFakePlatform {
 public:
  bool NameService(TInstanceId instance, THsz service, uint32_t command) override {
    if (during) takesConnects.push_back(during->Registered());
    return TFakePlatform::NameService(instance, service, command);
  }
  const TDDEMLService* during = nullptr;
  std::vector<bool> takesConnects;
};

TEST(ServiceRegister, TakesConnectsFromInsideItsRegistration) {
  TAskingPlatform fake;
  TInstanceId instance = 0;
  ASSERT_EQ(0u, fake.Initialize(instance, NoCallback, 0));
  {
    TDDEMLService s(fake, "Svc");
    fake.during = &s;
    EXPECT_TRUE(s.Register(instance, true));
    EXPECT_TRUE(s.Register(instance, false));
    EXPECT_EQ((std::vector<bool>{true, false}), fake.takesConnects);
    // A registration DDEML refuses leaves the service as it was.
    fake.nameServiceResult = false;
    EXPECT_FALSE(s.Register(instance, true));
    EXPECT_FALSE(s.Registered());
    fake.nameServiceResult = true;
    EXPECT_TRUE(s.Register(instance, true));
    fake.nameServiceResult = false;
    EXPECT_FALSE(s.Register(instance, false));
    EXPECT_TRUE(s.Registered());
    fake.nameServiceResult = true;
    EXPECT_TRUE(s.Register(instance, false));
  }
  fake.Uninitialize(instance);
}

// A platform whose name service call breaks down.
class TThrowingPlatform : public TFakePlatform {
 public:
  bool NameService(TInstanceId, THsz, uint32_t) override { throw std::runtime_error("lost"); }
};

TEST(ServiceRegisterFailure, AnExceptionInTheNameServiceCallBecomesEMorviaError) {
  TThrowingPlatform fake;
  TInstanceId instance = 0;
  ASSERT_EQ(0u, fake.Initialize(instance, NoCallback, 0));
  {
    TDDEMLService s(fake, "Svc");
    try {
      s.Register(instance, true);
      ADD_FAILURE() << "no exception";
    } catch (const EMorviaError& e) {
      EXPECT_STREQ("Error in DdeNameService API call : service = [Svc]", e.what());
    }
    EXPECT_FALSE(s.Registered());
  }
  fake.Uninitialize(instance);
  EXPECT_TRUE(fake.Errors().empty());
}

TEST_F(ServicesTest, TopicsAndItemsAreFoundIgnoringCaseAndNeverCreatedByReads) {
  TDDEMLService* s = Registered("PKD_ZEL");
  EXPECT_EQ(nullptr, s->FindTopic("System"));
  EXPECT_FALSE(s->ItemExists("PKD", "KOD"));
  EXPECT_EQ("", s->ItemText("PKD", "KOD"));
  EXPECT_EQ(0u, s->ItemDataSize("PKD", "KOD"));
  EXPECT_EQ(0u, s->ItemDataHandle("PKD", "KOD", false));
  EXPECT_EQ(0, s->TopicCount());

  TDDEMLTopic* system = s->FindOrAddTopic("system");
  ASSERT_NE(nullptr, system);
  EXPECT_EQ(system, s->FindTopic("SYSTEM"));
  EXPECT_EQ(system, s->FindTopic("System"));
  EXPECT_EQ(system, s->FindOrAddTopic("System"));
  EXPECT_EQ(system, s->FindTopicByHandle(fake.Hsz("SyStEm")));
  EXPECT_EQ(1, s->TopicCount());

  EXPECT_TRUE(s->AddTopic(fake.Hsz("PKD")));
  EXPECT_TRUE(s->AddTopic("Alpha"));
  EXPECT_EQ("Alpha", s->TopicNameAt(0));
  EXPECT_EQ("PKD", s->TopicNameAt(1));
  EXPECT_EQ("", s->TopicNameAt(3));

  s->SetItemText("PKD", "KOD", "01.11.Z");
  s->SetItemText("PKD", "nazwa", "Uprawa");
  EXPECT_TRUE(s->ItemExists("pkd", "KOD"));
  EXPECT_EQ("01.11.Z", s->ItemText("PKD", "kod"));
  EXPECT_EQ(7u, s->ItemDataSize("PKD", "KOD"));
  TDDEMLTopic* pkd = s->FindTopic("PKD");
  ASSERT_EQ(2, pkd->ItemCount());
  EXPECT_EQ("KOD", pkd->ItemNameAt(0));
  EXPECT_EQ("nazwa", pkd->ItemNameAt(1));
  EXPECT_EQ(nullptr, pkd->AddItem("Kod"));

  // Append and clear need the item; they never create it.
  s->AppendItemText("PKD", "OPIS", "x");
  EXPECT_FALSE(s->ItemExists("PKD", "OPIS"));
  s->AppendItemText("PKD", "KOD", "!");
  EXPECT_EQ("01.11.Z!", s->ItemText("PKD", "KOD"));
  s->ClearItemData("PKD", "KOD");
  EXPECT_EQ("", s->ItemText("PKD", "KOD"));

  EXPECT_TRUE(s->RemoveTopic("alpha"));
  EXPECT_FALSE(s->RemoveTopic("alpha"));
  EXPECT_EQ(2, s->TopicCount());
}

TEST_F(ServicesTest, ItemDataHandleCarriesTheText) {
  TDDEMLService* s = Registered("Svc");
  s->SetItemText("T", "I", "abc");
  THData h = s->ItemDataHandle("T", "I", false);
  ASSERT_NE(0u, h);
  EXPECT_EQ(std::string("abc\0", 4), fake.DataBytes(h));
  EXPECT_EQ("I", fake.Text(fake.Data(h)->item));
  fake.FreeDataHandle(h);
}

TEST_F(ServicesTest, RemoveItem) {
  TDDEMLService* s = Registered("Svc");
  TDDEMLTopic* t = s->FindOrAddTopic("T");
  EXPECT_FALSE(t->RemoveItem("A"));  // no items
  for (const char* n : {"A", "B", "C"}) t->AddItem(n);
  EXPECT_TRUE(t->RemoveItem("b"));
  EXPECT_FALSE(t->RemoveItem("B"));
  EXPECT_EQ(2, t->ItemCount());
  EXPECT_FALSE(t->RemoveItem(""));  // empties the topic, and says false
  EXPECT_EQ(0, t->ItemCount());
  EXPECT_EQ(nullptr, t->ItemAt(0));
}

TEST_F(ServicesTest, ComparisonOptionDecidesWhetherSetTextAdvises) {
  TDDEMLService* s = Registered("Svc");
  s->SetItemText("T", "I", "ABC");
  s->StartAdvise("T", "I", 1);
  TDDEMLItem* item = s->FindItem("T", "I");
  EXPECT_EQ(1, item->LinkState());
  EXPECT_EQ(1, item->AdviseCount());

  const bool before = CompareServerItemData();
  SetCompareServerItemData(true);
  s->SetItemText("T", "I", "abc");  // case only: no change
  EXPECT_TRUE(fake.postAdviseCalls.empty());
  EXPECT_EQ("abc", s->ItemText("T", "I"));  // the text is taken anyway
  s->SetItemText("T", "I", "abd");
  ASSERT_EQ(1u, fake.postAdviseCalls.size());
  EXPECT_EQ(std::make_pair(std::string("T"), std::string("I")), fake.postAdviseCalls[0]);
  s->AppendItemText("T", "I", "");  // empty append: no change
  EXPECT_EQ(1u, fake.postAdviseCalls.size());

  SetCompareServerItemData(false);
  s->SetItemText("T", "I", "abd");
  s->AppendItemText("T", "I", "");
  EXPECT_EQ(3u, fake.postAdviseCalls.size());
  SetCompareServerItemData(before);

  // Data from a handle always notifies.
  s->SetItemData("T", "I", 1, fake.ClientData(std::string("xyz\0", 4), 1));
  EXPECT_EQ(4u, fake.postAdviseCalls.size());
  EXPECT_EQ("xyz", s->ItemText("T", "I"));
}

TEST_F(ServicesTest, AdviseLinksCountUpAndDown) {
  TDDEMLService* s = Registered("Svc");
  s->StartAdvise("T", "I", 1);
  s->StartAdvise("T", "I", 0xC001);
  TDDEMLItem* item = s->FindItem("T", "I");
  EXPECT_EQ(2, item->AdviseCount());
  EXPECT_EQ(0xC001, item->AdviseFormat());
  item->DropAdviseLink();
  EXPECT_EQ(1, item->LinkState());
  item->DropAdviseLink();
  EXPECT_EQ(0, item->LinkState());
  item->DropAdviseLink();  // nothing below zero
  EXPECT_EQ(0, item->AdviseCount());

  // Without a link nothing is posted.
  s->SetItemText("T", "I", "changed");
  EXPECT_TRUE(fake.postAdviseCalls.empty());
}

TEST_F(ServicesTest, FailedPostAdviseReportsError31) {
  TDDEMLService* s = Registered("Svc");
  s->StartAdvise("Topic", "Item", 1);
  fake.postAdviseResult = false;
  s->SetItemText("Topic", "Item", "new");
  ASSERT_FALSE(sink.errors.empty());
  EXPECT_EQ(std::make_pair(static_cast<int>(errPostAdvise), std::string("Topic/Item")), sink.errors.back());
}

TEST_F(ServicesTest, SystemListsAreTabSeparated) {
  TDDEMLService* s = Registered("Svc");
  s->AddToFormatList("", cfText);
  EXPECT_EQ("Text", s->ItemText("System", "Formats"));  // first entry: no tab
  s->AddToFormatList("system", cfDIB);
  EXPECT_EQ("Text\tDIB", s->ItemText("System", "Formats"));
  s->AddToFormatList("System", cfNone);   // nameless kinds are left out
  s->AddToFormatList("System", cfCustom);
  EXPECT_EQ("Text\tDIB", s->ItemText("System", "Formats"));
  s->AddToFormatList("PKD", cfText);
  EXPECT_EQ("Text", s->ItemText("PKD", "Formats"));
  s->ClearFormatList("");
  EXPECT_EQ("", s->ItemText("System", "Formats"));
  s->AddToFormatList("", cfWave);  // an emptied list starts again without a tab
  EXPECT_EQ("Wave", s->ItemText("System", "Formats"));

  s->AddToTopicList("PKD");
  s->AddToTopicList("System");
  EXPECT_EQ("PKD\tSystem", s->ItemText("System", "Topics"));
  s->ClearTopicList();
  EXPECT_EQ("", s->ItemText("System", "Topics"));

  s->AddToItemList("PKD", "KOD");
  s->AddToItemList("PKD", "NAZWA");
  EXPECT_EQ("KOD\tNAZWA", s->ItemText("PKD", "TopicItemList"));
  EXPECT_FALSE(s->ItemExists("System", "SysItems"));
  s->AddToItemList("SYSTEM", "Status");
  EXPECT_EQ("Status", s->ItemText("System", "TopicItemList"));
  EXPECT_EQ("Status", s->ItemText("System", "SysItems"));
  s->ClearItemList("PKD");
  EXPECT_EQ("", s->ItemText("PKD", "TopicItemList"));
}

TEST_F(ServicesTest, BusyOnlyWhenSystemStatusSaysSo) {
  TDDEMLService* s = Registered("Svc");
  EXPECT_FALSE(s->IsBusy());
  EXPECT_EQ(nullptr, s->FindTopic("System"));  // IsBusy created nothing
  s->FindOrAddTopic("System");
  EXPECT_FALSE(s->IsBusy());
  EXPECT_EQ(0, s->FindTopic("System")->ItemCount());
  s->SetItemText("System", "Status", "bUsY");
  EXPECT_TRUE(s->IsBusy());
  s->SetItemText("System", "Status", "Ready");
  EXPECT_FALSE(s->IsBusy());
  s->SetItemText("System", "Status", "BUSY ");
  EXPECT_FALSE(s->IsBusy());
}

TEST_F(ServicesTest, ReleaseHandlesFreesEveryNameHandle) {
  TDDEMLService* s = Registered("Svc");
  s->SetItemText("T1", "I1", "x");
  s->SetItemText("T2", "I2", "y");
  EXPECT_GT(fake.LiveStringHandles(), 0u);
  list->ReleaseHandles();
  EXPECT_EQ(0u, fake.LiveStringHandles());
  // The names stay, and the next registration names them again.
  EXPECT_EQ("T1", s->TopicNameAt(0));
  s->ForgetRegistration();
  EXPECT_TRUE(s->Register(instance, true));
  EXPECT_TRUE(s->FindTopic("T2")->FindItem("I2")->Atom().SameHandle(fake.Hsz("i2")));
}

// Topics and items made before their service is registered have no
// instance to make handles with; they must still be found by name, and
// get their handles when the service registers.
TEST_F(ServicesTest, NamesMadeBeforeRegisteringAreFoundAndNamedAtRegister) {
  TDDEMLService* s = list->Add("PKD_ZEL");
  s->SetItemText("PKD", "KOD", "01.11.Z");
  s->SetItemText("Other", "NAZWA", "Uprawa");
  EXPECT_EQ(2, s->TopicCount());
  EXPECT_EQ("01.11.Z", s->ItemText("pkd", "kod"));
  EXPECT_EQ("", s->ItemText("PKD", "NAZWA"));
  EXPECT_EQ("", s->ItemText("Whatever", "KOD"));
  EXPECT_EQ(0u, fake.LiveStringHandles());

  ASSERT_TRUE(s->Register(instance, true));
  TDDEMLTopic* pkd = s->FindTopic("PKD");
  ASSERT_NE(nullptr, pkd);
  EXPECT_TRUE(pkd->Atom().SameHandle(fake.Hsz("pkd")));
  EXPECT_TRUE(pkd->FindItem("KOD")->Atom().SameHandle(fake.Hsz("KOD")));
  EXPECT_EQ("Uprawa", s->ItemText("OTHER", "nazwa"));
  EXPECT_EQ(s->FindTopic("Other"), s->FindTopicByHandle(fake.Hsz("other")));
}

// DDEML holds at most 255 characters and no NUL in a name: longer names
// would get no handle and alias each other, so they are refused.
TEST_F(ServicesTest, NamesDdemlCannotHoldAreRefused) {
  TDDEMLService* s = Registered("Svc");
  TDDEMLTopic* t = s->FindOrAddTopic("T");
  const std::string longA(256, 'a'), longB = std::string(255, 'a') + "b";
  EXPECT_THROW(t->AddItem(longA), EMorviaError);
  EXPECT_THROW(s->SetItemText("T", longB, "x"), EMorviaError);
  EXPECT_THROW(t->AddItem(std::string("a\0b", 3)), EMorviaError);
  EXPECT_FALSE(s->AddTopic(longA));
  EXPECT_EQ(0, t->ItemCount());
  EXPECT_EQ(1, s->TopicCount());
  EXPECT_NE(nullptr, t->AddItem(std::string(255, 'a')));  // the longest name that fits
}

TEST_F(ServicesTest, NoAdviseIsPostedForAnItemThatIsNotFound) {
  TDDEMLService* s = Registered("Svc");
  TDDEMLTopic* t = s->FindOrAddTopic("T");
  s->ProcTopicAdvise(*t, "missing");
  EXPECT_TRUE(fake.postAdviseCalls.empty());
  EXPECT_TRUE(sink.errors.empty());
}

TEST_F(ServicesTest, CopiesTakeNamesFlagsStringsAndTopics) {
  TDDEMLService* s = Registered("Svc");
  s->Strings = {"one", "two"};
  s->SetItemText("T", "I", "text");
  list->Add("Other");

  TDDEMLServicesList copy(fake);
  copy.SetErrorSink(&sink);
  copy.Add("Dropped");
  copy.Assign(*list);
  ASSERT_EQ(2, copy.Count());
  EXPECT_FALSE(copy.Exists("Dropped"));
  TDDEMLService* c = copy.Find("Svc");
  EXPECT_TRUE(c->Enabled);
  EXPECT_TRUE(c->Registered());
  EXPECT_EQ(s->Strings, c->Strings);
  // The copy has no instance of its own yet; its topics keep their names.
  ASSERT_EQ(1, c->TopicCount());
  EXPECT_EQ("T", c->TopicNameAt(0));
  // The copy reports through the list's relay.
  const size_t before = sink.errors.size();
  copy.Find("Other")->Register(instance, false);
  EXPECT_EQ(before + 1, sink.errors.size());
  copy.ReleaseHandles();
}

// A link belongs to a conversation of the source's manager: the copy takes
// the text only.
TEST_F(ServicesTest, AnItemCopyTakesTheTextNotTheLinks) {
  TDDEMLService* s = Registered("Svc");
  s->SetItemText("T", "A", "hello");
  s->StartAdvise("T", "A", 1);
  TDDEMLTopic* t = s->FindTopic("T");
  TDDEMLTopic* u = s->FindOrAddTopic("U");
  u->AddItem("old");
  u->Assign(*t);
  ASSERT_EQ(1, u->ItemCount());
  EXPECT_EQ("A", u->ItemNameAt(0));
  EXPECT_EQ("hello", u->ItemAt(0)->Data().Text());
  EXPECT_EQ(0, u->ItemAt(0)->LinkState());
}

TEST_F(ServicesTest, TraceLinesOfRegistrationAdviseAndCommandParsing) {
  testing_support::TempDir dir;
  const std::string log = dir.File("trace.log");
  SetTraceHost(&fake.Host());
  ApplyDebugSettings(this, dbFile, false, log);
  TDDEMLService* s = Registered("Svc");
  s->StartAdvise("T", "I", 1);
  fake.postAdviseResult = false;
  s->SetItemText("T", "I", "new");
  TDDEMLCmdsList cmds;
  cmds.AddCmd("Go", "");
  cmds.ValidCmdLine("[Go][x", nullptr);
  ApplyDebugSettings(this, dbNone, false, "");
  SetTraceHost(nullptr);

  const std::string text = testing_support::ReadAll(log);
  const std::string expected =
      "TDDEMLService : Register - [Svc] - Start\r\n"
      "TDDEMLService : Register - Calling DdeNameService\r\n"
      "TDDEMLService : Register - [Svc] - End\r\n"
      "TDDEMLService : ProcTopicAdvise - Start\r\n"
      "TDDEMLService : ProcTopicAdvise - Pre DdePostAdvise : T/I\r\n"
      "TDDEMLService : ProcTopicAdvise - Pre DdePostAdvise : T/I - FAILED!\r\n"
      "TDDEMLService : ProcTopicAdvise - End\r\n"
      "ValidCmdLine - start\r\n"
      "ValidCmdLine - step 1\r\n"
      "ValidCmdLine - step 2\r\n"
      "ValidCmdLine - step 3\r\n"
      "ValidCmdLine - step 4\r\n"
      "ValidCmdLine - step 2\r\n"
      "ValidCmdLine - end\r\n";
  ASSERT_GE(text.size(), expected.size());
  EXPECT_EQ(expected, text.substr(text.size() - expected.size()));
}

TEST(DdeNames, OrderFoldsAsciiOnlyAndPrefixesSortFirst) {
  EXPECT_EQ(0, CompareDdeNames("System", "SYSTEM"));
  EXPECT_LT(CompareDdeNames("PKD", "PKD_ZEL"), 0);
  EXPECT_GT(CompareDdeNames("b", "A"), 0);
  // Folding goes to upper case: a becomes A (0x41), which sorts below '_' (0x5F).
  EXPECT_GT(CompareDdeNames("_", "a"), 0);
  // Bytes above 0x7F compare unsigned and are not folded.
  EXPECT_GT(CompareDdeNames("\xA5", "z"), 0);
  EXPECT_NE(0, CompareDdeNames("\xB9", "\xA5"));  // Windows-1250 a-ogonek vs A-ogonek
  EXPECT_TRUE(IsSystemTopicName("sYsTeM"));
  EXPECT_FALSE(IsSystemTopicName("System "));
}

}  // namespace
}  // namespace dde
