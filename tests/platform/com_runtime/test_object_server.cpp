// A server for the runtime's tests: it serves CLSID_TestServer on the
// session bus, and the object it loads does what the text it is asked to
// speak says:
//   "wait:<ms>"      answers after blocking that long
//   "busy:<ms>"      answers after that long, taking other calls meanwhile
//   "later:<ms>"     takes the call over and answers it after that long
//   "callback"       calls the sinks' Idle(start) before it answers
//   "fail"           fails with E_INVALIDARG and error info
//   "fail:all"       fails with E_FAIL and every field of error info, its
//                    description in several lines that try to confuse
//   "fail:plain"     fails with E_INVALIDARG and no error info
//   "crash"          ends the process in the middle of the call
//   anything else    sends Idle(0) and then Idle(1) to the sinks after answering
// Load("fail") fails with E_FAIL and error info. The process logs
// "start <pid>" to $PARLOTTO_TEST_SERVER_LOG and ends when its last object
// is gone. With $PARLOTTO_TEST_SERVER_NEVER_PUBLISH it never offers its class.
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "platform/com/com_object.h"
#include "platform/com/error_info.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/deferred_call.h"
#include "platform/com_runtime/object_factory.h"
#include "platform/com_runtime/server_lifetime.h"
#include "platform/com_runtime/test_contract/test_marshal.h"
#include "platform/typelib/type_info_dispatch.h"
#include "support/test_server_process.h"

namespace parlotto {
namespace {

using testing::SinkList;
using testing::TypeInfoOf;

// Lines that look like the one on which error info travels.
const QString kConfusingDescription = QStringLiteral(
    "Erste Zeile.\norg.parlotto.Com.ErrorInfo: {\"source\":\"falsch\"}\nLetzte Zeile.\n"
    "org.parlotto.Com.ErrorInfo: {\"source\":\"auch falsch\"}");
SinkList<ITestEvents> g_sinks(IID_ITestEvents);

void Notify(const std::function<void(ITestEvents*)>& send) { g_sinks.Notify(send); }

class TestObject final : public ComObject, public DispatchImpl<ITestObject>, public ITestCounter {
 public:
  explicit TestObject(IUnknown* outer)
      : ComObject(outer),
        DispatchImpl(TypeInfoOf(IID_ITestObject), &target_),
        target_(TestObjectStub, static_cast<ITestObject*>(this)) {
    ServerLifetime::ObjectCreated();
  }
  ~TestObject() override { ServerLifetime::ObjectGone(); }

  PARLOTTO_DELEGATING_UNKNOWN

  // ITestCounter has its own IDispatch; only ITestObject's is offered.
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
  HRESULT GetServerState(LONG* process_id, LONG* live_objects) override {
    *process_id = static_cast<LONG>(getpid());
    *live_objects = ServerLifetime::LiveObjects();
    return S_OK;
  }
  HRESULT Speak(const BSTR& text, LONG* request_id) override {
    *request_id = ++requests_;
    if (text.startsWith(QLatin1String("wait:"))) {
      usleep(static_cast<useconds_t>(text.mid(5).toInt()) * 1000);
    } else if (text.startsWith(QLatin1String("later:"))) {
      std::shared_ptr<DeferredCall> call = DeferCurrentCall();
      if (!call) return E_UNEXPECTED;
      QTimer::singleShot(text.mid(6).toInt(), [call] { call->Finish(S_OK, VARIANT()); });
    } else if (text.startsWith(QLatin1String("busy:"))) {
      QEventLoop busy;
      QTimer::singleShot(text.mid(5).toInt(), &busy, &QEventLoop::quit);
      busy.exec();
    } else if (text == QLatin1String("callback")) {
      Notify([](ITestEvents* sink) { sink->Idle(1, 1); });
    } else if (text == QLatin1String("fail")) {
      ErrorInfoFields fields;
      fields.source = QStringLiteral("TestObjectServer");
      fields.description = QStringLiteral("Das kann ich nicht sagen.");
      fields.guid = IID_ITestObject;
      SetErrorInfoFields(fields);
      return E_INVALIDARG;
    } else if (text == QLatin1String("fail:all")) {
      ErrorInfoFields fields;
      fields.source = QStringLiteral("TestObjectServer\nzweite Zeile");
      fields.description = kConfusingDescription;
      fields.help_file = QStringLiteral("/usr/share/help/test object.html");
      fields.help_context = 4711;
      fields.guid = IID_ITestObject;
      SetErrorInfoFields(fields);
      return E_FAIL;
    } else if (text == QLatin1String("fail:plain")) {
      return E_INVALIDARG;
    } else if (text == QLatin1String("crash")) {
      _exit(3);
    } else {
      QTimer::singleShot(0, [] {
        Notify([](ITestEvents* s) { s->Idle(1, 0); });
        QTimer::singleShot(50, [] { Notify([](ITestEvents* s) { s->Idle(1, 1); }); });
      });
    }
    return S_OK;
  }

  HRESULT Next(LONG* value) override {
    *value = ++counted_;
    return S_OK;
  }

 private:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_ITestObject || iid == IID_IDispatch) return static_cast<ITestObject*>(this);
    if (iid == IID_ITestCounter) return static_cast<ITestCounter*>(this);
    return nullptr;
  }

  StubInvokeTarget target_;
  LONG left_ = 0;
  LONG top_ = 0;
  LONG requests_ = 0;
  LONG counted_ = 100;
};

class TestServer final : public ComObject, public DispatchImpl<ITestServer> {
 public:
  explicit TestServer(IUnknown* outer)
      : ComObject(outer),
        DispatchImpl(TypeInfoOf(IID_ITestServer), &target_),
        target_(TestServerStub, static_cast<ITestServer*>(this)) {
    ServerLifetime::ObjectCreated();
  }
  ~TestServer() override { ServerLifetime::ObjectGone(); }

  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT Load(const VARIANT& key, ITestObject** object) override {
    if (key.vt == VT_BSTR && key.bstrVal == QLatin1String("fail")) {
      ErrorInfoFields fields;
      fields.description = QStringLiteral("Das Objekt wurde nicht gefunden.");
      SetErrorInfoFields(fields);
      return E_FAIL;
    }
    if (!object_) {
      HRESULT hr = ComObject::Create<TestObject>(nullptr, IID_ITestObject, object_.ReceiveVoid());
      if (FAILED(hr)) return hr;
    }
    *object = object_.Get();
    (*object)->AddRef();
    return S_OK;
  }
  HRESULT Register(IUnknown* sink, LONG* sink_id) override {
    return g_sinks.Register(sink, sink_id);
  }
  HRESULT Unregister(LONG sink_id) override { return g_sinks.Unregister(sink_id); }

 private:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_ITestServer || iid == IID_IDispatch) return static_cast<ITestServer*>(this);
    return nullptr;
  }

  StubInvokeTarget target_;
  ComPtr<ITestObject> object_;
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
  if (FAILED(RegisterTestInterfaces())) return 2;
  if (std::getenv("PARLOTTO_TEST_SERVER_NEVER_PUBLISH") != nullptr) return app.exec();

  ComPtr<IClassFactory> factory(new testing::ObjectFactory<TestServer>);
  // Gone soon after its last object, so that the tests need not wait.
  setenv("PARLOTTO_TEST_SERVER_LINGER_MS", "300", 0);
  const int result = ServeClassObject(CLSID_TestServer, factory.Get(),
                                      "PARLOTTO_TEST_SERVER_LINGER_MS", "test object server");
  g_sinks.Clear();
  CoUninitialize();
  return result;
}
