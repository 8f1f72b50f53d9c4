// A character server for the notification sink's test: it serves the
// character server's class on the session bus, and its character answers
// Speak and then notifies the registered sinks as the text says:
//   "command:<id>"   Command(id)
//   anything else    Idle(0) and then Idle(1)
// Every other member fails with E_NOTIMPL. The process ends when its last
// object is gone.
#include <QCoreApplication>
#include <QTimer>
#include <functional>

#include "contracts/agent/agent_marshal.h"
#include "platform/com/com_object.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/object_factory.h"
#include "platform/com_runtime/server_lifetime.h"
#include "platform/typelib/type_info_dispatch.h"
#include "support/test_server_process.h"

namespace parlotto {
namespace {

using testing::SinkList;
using testing::TypeInfoOf;

SinkList<IAgentNotifySink> g_sinks(IID_IAgentNotifySink);

void Notify(const std::function<void(IAgentNotifySink*)>& send) { g_sinks.Notify(send); }

class Character final : public ComObject, public DispatchImpl<IAgentCharacterEx> {
 public:
  explicit Character(IUnknown* outer)
      : ComObject(outer),
        DispatchImpl(TypeInfoOf(IID_IAgentCharacterEx), &target_),
        target_(AgentCharacterExStub, static_cast<IAgentCharacterEx*>(this)) {
    ServerLifetime::ObjectCreated();
  }
  ~Character() override { ServerLifetime::ObjectGone(); }

  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT Speak(const BSTR& text, const BSTR&, LONG* req_id) override {
    *req_id = ++requests_;
    if (text.startsWith(QLatin1String("command:"))) {
      LONG id = text.mid(8).toInt();
      QTimer::singleShot(0,
                         [id] { Notify([id](IAgentNotifySink* s) { s->Command(id, nullptr); }); });
    } else {
      QTimer::singleShot(0, [] {
        Notify([](IAgentNotifySink* s) { s->Idle(1, 0); });
        QTimer::singleShot(50, [] { Notify([](IAgentNotifySink* s) { s->Idle(1, 1); }); });
      });
    }
    return S_OK;
  }

  HRESULT SetPosition(LONG, LONG) override { return E_NOTIMPL; }
  HRESULT GetPosition(LONG*, LONG*) override { return E_NOTIMPL; }
  HRESULT GetOriginalSize(LONG*, LONG*) override { return E_NOTIMPL; }
  HRESULT GetVisible(LONG*) override { return E_NOTIMPL; }
  HRESULT Show(LONG, LONG*) override { return E_NOTIMPL; }
  HRESULT Hide(LONG, LONG*) override { return E_NOTIMPL; }
  HRESULT Play(const BSTR&, LONG*) override { return E_NOTIMPL; }
  HRESULT Stop(LONG) override { return E_NOTIMPL; }
  HRESULT StopAll(LONG) override { return E_NOTIMPL; }
  HRESULT SetLanguageID(LONG) override { return E_NOTIMPL; }
  HRESULT SetTTSModeID(const BSTR&) override { return E_NOTIMPL; }

 private:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IAgentCharacterEx || iid == IID_IDispatch)
      return static_cast<IAgentCharacterEx*>(this);
    return nullptr;
  }

  StubInvokeTarget target_;
  LONG requests_ = 0;
};

class AgentServer final : public ComObject, public DispatchImpl<IAgentEx> {
 public:
  explicit AgentServer(IUnknown* outer)
      : ComObject(outer),
        DispatchImpl(TypeInfoOf(IID_IAgentEx), &target_),
        target_(AgentExStub, static_cast<IAgentEx*>(this)) {
    ServerLifetime::ObjectCreated();
  }
  ~AgentServer() override { ServerLifetime::ObjectGone(); }

  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT Load(const VARIANT&, LONG* char_id, LONG* req_id) override {
    if (!character_) {
      HRESULT hr =
          ComObject::Create<Character>(nullptr, IID_IAgentCharacterEx, character_.ReceiveVoid());
      if (FAILED(hr)) return hr;
    }
    *char_id = 1;
    *req_id = 1;
    return S_OK;
  }
  HRESULT Unload(LONG) override { return E_NOTIMPL; }
  HRESULT Register(IUnknown* sink, LONG* sink_id) override {
    return g_sinks.Register(sink, sink_id);
  }
  HRESULT Unregister(LONG sink_id) override { return g_sinks.Unregister(sink_id); }
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
};

}  // namespace
}  // namespace parlotto

int main(int argc, char** argv) {
  using namespace parlotto;
  QCoreApplication app(argc, argv);
  CoInitialize(nullptr);
  if (FAILED(RegisterAgentInterfaces())) return 2;

  ComPtr<IClassFactory> factory(new testing::ObjectFactory<AgentServer>);
  // Gone soon after its last object, so that the tests need not wait.
  setenv("PARLOTTO_TEST_SERVER_LINGER_MS", "300", 0);
  const int result = ServeClassObject(CLSID_AgentServer, factory.Get(),
                                      "PARLOTTO_TEST_SERVER_LINGER_MS", "fake character server");
  g_sinks.Clear();
  CoUninitialize();
  return result;
}
