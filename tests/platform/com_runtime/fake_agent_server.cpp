// A small character server for tests: it serves the character server's class
// on the session bus the way the real one does, and its characters do what
// the text they are asked to speak says:
//   "wait:<ms>"      answers after blocking that long
//   "callback"       calls the sink's Idle(start) before it answers
//   "command:<id>"   sends Command(id) to the sinks after answering
//   "fail"           fails with E_INVALIDARG and error info
//   "fail:all"       fails with E_FAIL and every field of error info, its
//                    description in several lines that try to confuse
//   "crash"          ends the process in the middle of the call
//   anything else    sends Idle(0) and then Idle(1) to the sinks after answering
// GetOriginalSize answers (process id, live objects). The process logs
// "start <pid>" to $PARLOTTO_TEST_SERVER_LOG and ends when its last object
// is gone. With $FAKE_SERVER_NEVER_PUBLISH it never offers its class.
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <vector>

#include "contracts/agent/agent_marshal.h"
#include "platform/com/com_object.h"
#include "platform/com/error_info.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/object_factory.h"
#include "platform/loop/clock.h"
#include "platform/typelib/type_info_dispatch.h"

namespace parlotto {
namespace {

int g_live_objects = 0;
// Lines that look like the one on which error info travels.
const QString kConfusingDescription = QStringLiteral(
    "Erste Zeile.\norg.parlotto.Com.ErrorInfo: {\"source\":\"falsch\"}\nLetzte Zeile.\n"
    "org.parlotto.Com.ErrorInfo: {\"source\":\"auch falsch\"}");
std::map<LONG, ComPtr<IAgentNotifySink>> g_sinks;

void ObjectGone() {
  if (--g_live_objects > 0) return;
  // Like a real server: end once nobody holds anything, after a grace period
  // in which a new client may still come.
  QTimer::singleShot(300, [] {
    if (g_live_objects == 0) QCoreApplication::quit();
  });
}

ITypeInfo* TypeInfoOf(REFIID iid) {
  const InterfaceInfo* info = FindInterface(iid);
  return info ? info->type_info.Get() : nullptr;
}

void Notify(const std::function<void(IAgentNotifySink*)>& send) {
  auto sinks = g_sinks;  // a sink may unregister meanwhile
  for (auto& [id, sink] : sinks) send(sink.Get());
}

class Character final : public ComObject,
                        public DispatchImpl<IAgentCharacterEx>,
                        public IAgentCommands {
 public:
  explicit Character(IUnknown* outer)
      : ComObject(outer),
        DispatchImpl(TypeInfoOf(IID_IAgentCharacterEx), &target_),
        target_(AgentCharacterExStub, static_cast<IAgentCharacterEx*>(this)) {
    ++g_live_objects;
  }
  ~Character() override { ObjectGone(); }

  PARLOTTO_DELEGATING_UNKNOWN

  // IAgentCommands has its own IDispatch; only IAgentCharacterEx's is offered.
  HRESULT GetTypeInfoCount(UINT* count) override { return DispatchImpl::GetTypeInfoCount(count); }
  HRESULT GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
    return DispatchImpl::GetTypeInfo(i, l, t);
  }
  HRESULT GetIDsOfNames(REFIID r, const LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
    return DispatchImpl::GetIDsOfNames(r, n, c, l, d);
  }
  HRESULT Invoke(DISPID m, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                 UINT* a) override {
    return DispatchImpl::Invoke(m, r, l, f, p, v, e, a);
  }

  HRESULT SetPosition(LONG left, LONG top) override {
    left_ = left;
    top_ = top;
    return S_OK;
  }
  HRESULT GetPosition(LONG* left, LONG* top) override {
    *left = left_;
    *top = top_;
    return S_OK;
  }
  HRESULT GetOriginalSize(LONG* width, LONG* height) override {
    *width = static_cast<LONG>(getpid());
    *height = g_live_objects;
    return S_OK;
  }
  HRESULT GetVisible(LONG* visible) override {
    *visible = visible_;
    return S_OK;
  }
  HRESULT Show(LONG, LONG* req_id) override {
    visible_ = 1;
    *req_id = ++requests_;
    return S_OK;
  }
  HRESULT Hide(LONG, LONG* req_id) override {
    visible_ = 0;
    *req_id = ++requests_;
    return S_OK;
  }
  HRESULT Play(const BSTR&, LONG* req_id) override {
    *req_id = ++requests_;
    return S_OK;
  }
  HRESULT Speak(const BSTR& text, const BSTR&, LONG* req_id) override {
    *req_id = ++requests_;
    if (text.startsWith(QLatin1String("wait:"))) {
      usleep(static_cast<useconds_t>(text.mid(5).toInt()) * 1000);
    } else if (text == QLatin1String("callback")) {
      Notify([](IAgentNotifySink* sink) { sink->Idle(1, 1); });
    } else if (text.startsWith(QLatin1String("command:"))) {
      LONG id = text.mid(8).toInt();
      QTimer::singleShot(0,
                         [id] { Notify([id](IAgentNotifySink* s) { s->Command(id, nullptr); }); });
    } else if (text == QLatin1String("fail")) {
      ErrorInfoFields fields;
      fields.source = QStringLiteral("FakeAgentServer");
      fields.description = QStringLiteral("Das kann ich nicht sagen.");
      fields.guid = IID_IAgentCharacterEx;
      SetErrorInfoFields(fields);
      return E_INVALIDARG;
    } else if (text == QLatin1String("fail:all")) {
      ErrorInfoFields fields;
      fields.source = QStringLiteral("FakeAgentServer\nzweite Zeile");
      fields.description = kConfusingDescription;
      fields.help_file = QStringLiteral("/usr/share/help/fake agent.html");
      fields.help_context = 4711;
      fields.guid = IID_IAgentCharacterEx;
      SetErrorInfoFields(fields);
      return E_FAIL;
    } else if (text == QLatin1String("crash")) {
      _exit(3);
    } else {
      QTimer::singleShot(0, [] {
        Notify([](IAgentNotifySink* s) { s->Idle(1, 0); });
        QTimer::singleShot(50, [] { Notify([](IAgentNotifySink* s) { s->Idle(1, 1); }); });
      });
    }
    return S_OK;
  }
  HRESULT Stop(LONG) override { return S_OK; }
  HRESULT StopAll(LONG) override { return S_OK; }
  HRESULT SetLanguageID(LONG language_id) override {
    return language_id == 7 || language_id == 9 ? S_OK : E_INVALIDARG;
  }
  HRESULT SetTTSModeID(const BSTR& mode) override {
    return mode.startsWith(QLatin1Char('{')) ? S_OK : E_INVALIDARG;
  }

  HRESULT Add(const BSTR&, const BSTR&, LONG, LONG, LONG* id) override {
    *id = ++commands_;
    return S_OK;
  }

 private:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IAgentCharacterEx || iid == IID_IDispatch)
      return static_cast<IAgentCharacterEx*>(this);
    if (iid == IID_IAgentCommands) return static_cast<IAgentCommands*>(this);
    return nullptr;
  }

  StubInvokeTarget target_;
  LONG left_ = 0;
  LONG top_ = 0;
  LONG visible_ = 0;
  LONG requests_ = 0;
  LONG commands_ = 100;
};

class AgentServer final : public ComObject, public DispatchImpl<IAgentEx> {
 public:
  explicit AgentServer(IUnknown* outer)
      : ComObject(outer),
        DispatchImpl(TypeInfoOf(IID_IAgentEx), &target_),
        target_(AgentExStub, static_cast<IAgentEx*>(this)) {
    ++g_live_objects;
  }
  ~AgentServer() override { ObjectGone(); }

  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT Load(const VARIANT& key, LONG* char_id, LONG* req_id) override {
    if (key.vt == VT_BSTR && key.bstrVal == QLatin1String("fail")) {
      ErrorInfoFields fields;
      fields.description = QStringLiteral("Die Figur wurde nicht gefunden.");
      SetErrorInfoFields(fields);
      return E_FAIL;
    }
    if (!character_) {
      HRESULT hr =
          ComObject::Create<Character>(nullptr, IID_IAgentCharacterEx, character_.ReceiveVoid());
      if (FAILED(hr)) return hr;
    }
    *char_id = 1;
    *req_id = 1;
    return S_OK;
  }
  HRESULT Unload(LONG char_id) override {
    if (char_id != 1 || !character_) return E_INVALIDARG;
    character_.Reset();
    return S_OK;
  }
  HRESULT Register(IUnknown* sink, LONG* sink_id) override {
    ComPtr<IAgentNotifySink> notify;
    HRESULT hr = ComPtr<IUnknown>(sink).As(IID_IAgentNotifySink, &notify);
    if (FAILED(hr)) return hr;
    *sink_id = next_sink_++;
    g_sinks[*sink_id] = notify;
    return S_OK;
  }
  HRESULT Unregister(LONG sink_id) override { return g_sinks.erase(sink_id) ? S_OK : E_INVALIDARG; }
  HRESULT GetCharacterEx(LONG char_id, IAgentCharacterEx** character) override {
    if (char_id != 1 || !character_) return E_INVALIDARG;
    *character = character_.Get();
    (*character)->AddRef();
    return S_OK;
  }

 private:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IAgentEx || iid == IID_IDispatch) return static_cast<IAgentEx*>(this);
    return nullptr;
  }

  StubInvokeTarget target_;
  ComPtr<IAgentCharacterEx> character_;
  LONG next_sink_ = 1;
};

}  // namespace
}  // namespace parlotto

int main(int argc, char** argv) {
  using namespace parlotto;
  QCoreApplication app(argc, argv);
  if (const char* log = std::getenv("PARLOTTO_TEST_SERVER_LOG")) {
    if (FILE* file = std::fopen(log, "a")) {
      std::fprintf(file, "start %d\n", static_cast<int>(getpid()));
      std::fclose(file);
    }
  }
  CoInitialize(nullptr);
  if (FAILED(RegisterAgentInterfaces())) return 2;
  if (std::getenv("FAKE_SERVER_NEVER_PUBLISH") != nullptr) return app.exec();

  ComPtr<IClassFactory> factory(new testing::ObjectFactory<AgentServer>);
  DWORD cookie = 0;
  if (FAILED(CoRegisterClassObject(CLSID_AgentServer, factory.Get(), CLSCTX_LOCAL_SERVER,
                                   REGCLS_MULTIPLEUSE, &cookie))) {
    return 2;
  }
  // Nobody may come at all: end after a while, as a started server does.
  QTimer::singleShot(ScaledMs(20000), [] {
    if (g_live_objects == 0) QCoreApplication::quit();
  });
  int result = app.exec();
  g_sinks.clear();
  CoRevokeClassObject(cookie);
  CoUninitialize();
  return result;
}
