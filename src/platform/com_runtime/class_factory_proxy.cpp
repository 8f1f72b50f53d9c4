#include "platform/com_runtime/class_factory_proxy.h"

#include <QDBusMessage>
#include <QDBusObjectPath>

#include "platform/com_runtime/bus_call.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/remote_object.h"

namespace parlotto {
namespace {

class ClassFactoryProxy final : public IClassFactory, public InterfaceProxy {
 public:
  explicit ClassFactoryProxy(RemoteObject* manager) : manager_(manager) {}

  void* Interface() override { return static_cast<IClassFactory*>(this); }

  HRESULT QueryInterface(REFIID iid, void** object) override {
    return manager_->QueryInterface(iid, object);
  }
  ULONG AddRef() override { return manager_->AddRef(); }
  ULONG Release() override { return manager_->Release(); }

  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    // An object in another process cannot be part of an object here.
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    QDBusMessage call = Call("CreateInstance");
    call << QString::fromStdString(StringFromGUID(iid));
    QDBusMessage reply;
    HRESULT hr = manager_->CallAndWait(call, &reply);
    if (FAILED(hr)) return hr;
    QString path = qvariant_cast<QDBusObjectPath>(reply.arguments().value(0)).path();
    if (path.isEmpty()) return RPC_E_SERVERFAULT;
    return RemoteObject::FromReference(manager_->owner(), path, iid, out);
  }

  HRESULT LockServer(BOOL lock) override {
    QDBusMessage call = Call("LockServer");
    call << (lock != 0);
    QDBusMessage reply;
    return manager_->CallAndWait(call, &reply);
  }

 private:
  QDBusMessage Call(const char* member) const {
    return QDBusMessage::createMethodCall(manager_->owner(), manager_->path(),
                                          QLatin1String(kClassFactoryInterface),
                                          QLatin1String(member));
  }

  RemoteObject* manager_;
};

}  // namespace

std::unique_ptr<InterfaceProxy> MakeClassFactoryProxy(RemoteObject* manager) {
  return std::make_unique<ClassFactoryProxy>(manager);
}

}  // namespace parlotto
