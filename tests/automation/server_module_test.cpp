// The server frame in one process: the switches, the class's registry
// entries, the class object's contracts, the lock count that ends a server
// started for automation, and the question before terminating with objects.
#include "automation/server_module.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <string>
#include <vector>

#include "automation/read_some_text_impl.h"
#include "automation/vocato_ids.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/connection_point.h"
#include "platform/loop/application_events.h"
#include "platform/registry/registry.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using Args = std::vector<std::string>;

const std::string kProgram = PARLOTTO_BUILD_DIR "/parlotto";
const std::string kClassKey = "\\CLSID\\{C2EBB9A2-32EF-4F1D-B779-3BCDE2FEDFEE}";

class ServerModuleTest : public ::testing::Test {
 protected:
  ServerModuleTest()
      : hive_env_("PARLOTTO_USER_HIVE", dir_.File("user.reg").c_str()),
        dialogs_env_("PARLOTTO_DIALOGS", ("record:" + dir_.File("dialogs.txt")).c_str()) {}

  static std::string Read(const std::string& key, const std::string& name = "") {
    Registry registry(RootKey::kClassesRoot);
    if (!registry.OpenKey(key, false)) return "<missing>";
    return registry.ReadString(name);
  }
  static bool Exists(const std::string& key) {
    return Registry(RootKey::kClassesRoot).KeyExists(key);
  }

  // Runs the application's loop until something ends it, or 300 ms pass;
  // the code it ended with (1 for the time running out).
  static int LoopEndCode() {
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    limit.start(300);
    return QCoreApplication::exec();
  }

  ScratchDir dir_;
  ScopedEnv hive_env_;
  ScopedEnv dialogs_env_;
};

TEST(HasSwitchTest, MatchesADashOrSlashAndTheWordInAnyCaseOnly) {
  EXPECT_TRUE(HasSwitch({"/RegServer"}, "REGSERVER"));
  EXPECT_TRUE(HasSwitch({"-regserver"}, "REGSERVER"));
  EXPECT_TRUE(HasSwitch({"x", "/REGSERVER"}, "REGSERVER"));
  EXPECT_TRUE(HasSwitch({"/Automation", "-Embedding"}, "EMBEDDING"));
  EXPECT_FALSE(HasSwitch({"/regserverX"}, "REGSERVER"));
  EXPECT_FALSE(HasSwitch({"regserver"}, "REGSERVER"));
  EXPECT_FALSE(HasSwitch({"--regserver"}, "REGSERVER"));
  EXPECT_FALSE(HasSwitch({"/"}, "REGSERVER"));
  EXPECT_FALSE(HasSwitch({}, "REGSERVER"));
}

TEST(LocalServerCommandTest, QuotesAPathWithBlanksOnly) {
  EXPECT_EQ(LocalServerCommand("/opt/parlotto/parlotto"), "/opt/parlotto/parlotto /Automation");
  EXPECT_EQ(LocalServerCommand("/home/eva/Meine Programme/parlotto"),
            "\"/home/eva/Meine Programme/parlotto\" /Automation");
  EXPECT_EQ(LocalServerCommand("/tmp/tab\there"), "\"/tmp/tab\there\" /Automation");
}

TEST_F(ServerModuleTest, RegistrationWritesTheEightEntriesAndTheTypeLibrary) {
  ASSERT_EQ(RegisterServerEntries(kProgram), S_OK);
  EXPECT_EQ(Read(kClassKey), "Vizuvededuvezeru");
  EXPECT_EQ(Read(kClassKey + "\\LocalServer32"), kProgram + " /Automation");
  EXPECT_EQ(Read(kClassKey + "\\LocalServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(Read("\\Vocato.ReadSomeText"), "Vizuvededuvezeru");
  EXPECT_EQ(Read("\\Vocato.ReadSomeText\\CLSID"), "{C2EBB9A2-32EF-4F1D-B779-3BCDE2FEDFEE}");
  EXPECT_EQ(Read(kClassKey + "\\ProgID"), "Vocato.ReadSomeText");
  EXPECT_EQ(Read(kClassKey + "\\Version"), "1.0");
  EXPECT_EQ(Read(kClassKey + "\\Typelib"), "{C1024710-571D-43DF-A3FD-0E529A9595B0}");

  const std::string library = "\\TypeLib\\{C1024710-571D-43DF-A3FD-0E529A9595B0}\\1.0";
  EXPECT_EQ(Read(library), "Vocato Bibliothek");
  EXPECT_EQ(Read(library + "\\409\\linux"), kProgram);
  // The second registration names the directory as the help directory.
  EXPECT_EQ(Read(library + "\\HELPDIR"), PARLOTTO_BUILD_DIR "/");
  EXPECT_EQ(Read("\\Interface\\{6476FAC5-4C28-4F55-9556-66EBDB080CAE}"), "IReadSomeText");

  QString prog_id;
  ASSERT_EQ(ProgIDFromCLSID(CLSID_ReadSomeText, &prog_id), S_OK);
  EXPECT_EQ(prog_id, "Vocato.ReadSomeText");
}

TEST_F(ServerModuleTest, AProgramWithoutTheLibraryRegistersNothing) {
  testing::WriteFile(dir_.File("not-a-program"), "#!/bin/sh\n");
  EXPECT_TRUE(FAILED(RegisterServerEntries(dir_.File("not-a-program"))));
  EXPECT_FALSE(Exists(kClassKey));
  EXPECT_FALSE(Exists("\\Vocato.ReadSomeText"));
  EXPECT_FALSE(Exists("\\TypeLib\\{C1024710-571D-43DF-A3FD-0E529A9595B0}"));
}

TEST_F(ServerModuleTest, UnregistrationRemovesBothTreesAndLeavesTheTypeLibrary) {
  ASSERT_EQ(RegisterServerEntries(kProgram), S_OK);
  {
    // A key of some other program below the class must go with the tree.
    Registry registry(RootKey::kClassesRoot);
    ASSERT_TRUE(registry.OpenKey(kClassKey + "\\Extra\\Deeper", true));
    registry.WriteString("", "x");
  }
  RemoveServerEntries();
  EXPECT_FALSE(Exists(kClassKey));
  EXPECT_FALSE(Exists("\\Vocato.ReadSomeText"));
  EXPECT_TRUE(Exists("\\TypeLib\\{C1024710-571D-43DF-A3FD-0E529A9595B0}\\1.0"));
  EXPECT_TRUE(Exists("\\Interface\\{6476FAC5-4C28-4F55-9556-66EBDB080CAE}"));
  // Removing what is not there is harmless.
  RemoveServerEntries();
  EXPECT_FALSE(Exists(kClassKey));
}

TEST_F(ServerModuleTest, ARegistrationSwitchEndsTheStartWithoutOfferingTheClass) {
  struct Case {
    Args args;
    bool goes_on;
  };
  const Case cases[] = {
      {{"/regserver"}, false},   {{"-RegServer", "/unregserver"}, false},
      {{"/UNREGSERVER"}, false}, {{"/Automation", "-Embedding"}, true},
      {{"-Embedding"}, true},    {{"-d", "Hallo"}, true},
  };
  for (const Case& c : cases) {
    RemoveServerEntries();
    TServerModule module(c.args);
    // What registers is seen with the real program; here: whether the class
    // object is offered.
    EXPECT_EQ(module.Initialize(), c.goes_on) << c.args.front();
    ComPtr<IClassFactory> factory;
    const HRESULT hr = CoGetClassObject(CLSID_ReadSomeText, CLSCTX_LOCAL_SERVER, nullptr,
                                        IID_IClassFactory, factory.ReceiveVoid());
    if (c.goes_on) {
      EXPECT_EQ(hr, S_OK) << c.args.front();
    } else {
      EXPECT_NE(hr, S_OK) << c.args.front();
    }
  }
}

// An outer object that aggregates a ReadSomeText.
class Outer final : public IUnknown {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown) {
      *out = this;
      AddRef();
      return S_OK;
    }
    return inner_ ? inner_->QueryInterface(iid, out) : E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override { return --refs_; }
  ComPtr<IUnknown> inner_;
  ULONG refs_ = 1;
};

TEST_F(ServerModuleTest, TheClassObjectKeepsTheFactoryContractsAndCountsEveryObject) {
  TServerModule module({"-Embedding"});
  ASSERT_TRUE(module.Initialize());
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(CoGetClassObject(CLSID_ReadSomeText, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                             factory.ReceiveVoid()),
            S_OK);
  EXPECT_EQ(module.LockCount(), 0) << "the class object alone holds no lock";

  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, nullptr), E_POINTER);
  Outer outer;
  void* out = &outer;
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IDispatch, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  out = &outer;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IConnectionPointContainer, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(module.LockCount(), 0) << "the refused object is gone again";

  ComPtr<IDispatch> first;
  ComPtr<IDispatch> second;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, first.ReceiveVoid()), S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IReadSomeText, second.ReceiveVoid()), S_OK);
  EXPECT_NE(static_cast<void*>(first.Get()), static_cast<void*>(second.Get()));
  EXPECT_EQ(module.LockCount(), 2);

  // Aggregated: the inner object answers its interfaces, counted on the outer.
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, outer.inner_.ReceiveVoid()), S_OK);
  EXPECT_EQ(module.LockCount(), 3);
  ComPtr<IReadSomeText> through_outer;
  ASSERT_EQ(outer.QueryInterface(IID_IReadSomeText, through_outer.ReceiveVoid()), S_OK);
  ComPtr<IUnknown> identity;
  ASSERT_EQ(through_outer->QueryInterface(IID_IUnknown, identity.ReceiveVoid()), S_OK);
  EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer));
  through_outer.Reset();
  identity.Reset();
  outer.inner_.Reset();

  EXPECT_EQ(factory->LockServer(1), S_OK);
  EXPECT_EQ(module.LockCount(), 3);
  EXPECT_EQ(factory->LockServer(0), S_OK);
  first.Reset();
  second.Reset();
  EXPECT_EQ(module.LockCount(), 0);
  // An unlock nobody locked for counts nothing.
  EXPECT_EQ(factory->LockServer(0), S_OK);
  EXPECT_EQ(module.LockCount(), 0);
}

TEST_F(ServerModuleTest, TheLastUnlockEndsTheLoopOfAServerStartedForClientsOnly) {
  struct Case {
    Args args;
    int end_code;
  };
  const Case cases[] = {
      {{"/Automation", "-Embedding"}, 0},
      {{"-automation"}, 0},
      {{"-Embedding"}, 0},
      {{"-d", "Hallo"}, 1},
  };
  for (const Case& c : cases) {
    TServerModule module(c.args);
    module.LockModule();
    module.LockModule();
    module.UnlockModule();
    EXPECT_EQ(LoopEndCode(), 1) << "one lock is left";
    module.UnlockModule();
    EXPECT_EQ(LoopEndCode(), c.end_code) << c.args.front();
  }
  // Never locked: never ended by the count.
  TServerModule module({"/Automation"});
  EXPECT_EQ(LoopEndCode(), 1);
}

TEST_F(ServerModuleTest, TerminatingWithObjectsAsksAndNoKeepsTheProgram) {
  TServerModule module({"/Automation"});
  EXPECT_TRUE(module.ConfirmTerminateWithActiveObjects());
  EXPECT_EQ(ReadFile(dir_.File("dialogs.txt")), "") << "no objects, no question";

  module.LockModule();
  EXPECT_FALSE(module.ConfirmTerminateWithActiveObjects()) << "No is preselected";
  EXPECT_EQ(ReadFile(dir_.File("dialogs.txt")),
            "Warnung des COM-Servers\tDiese Anwendung enthält noch aktive COM-Objekte. "
            "Mindestens ein Client verweist noch auf diese Objekte so daß manuelles Schließen "
            "dieser Anwendung dazu führen könnte, daß die Client-Anwendungen nicht korrekt "
            "funktionieren.\\r\\n\\r\\nSind Sie sicher, daß Sie diese Anwendung schließen "
            "möchten?\n");
  module.UnlockModule();
  // Drain the quit the last unlock posted, so that it ends nothing later.
  LoopEndCode();
}

TEST_F(ServerModuleTest, TheApplicationConsultsTheModuleOnlyWhileItIsInitialized) {
  {
    TServerModule module({"-Embedding"});
    ASSERT_TRUE(module.Initialize());
    module.LockModule();
    EXPECT_FALSE(TerminateConfirmed());
    module.UnlockModule();
    EXPECT_TRUE(TerminateConfirmed());
    module.LockModule();
  }
  EXPECT_TRUE(TerminateConfirmed()) << "a module that is gone asks nothing";
}

}  // namespace
}  // namespace parlotto
