#include "platform/com_runtime/dispatch_proxy.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QStringList>

#include "platform/com_runtime/bus_call.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/call_handler.h"
#include "platform/com_runtime/marshal.h"
#include "platform/com_runtime/remote_object.h"

namespace parlotto {
namespace {

class DispatchProxy final : public IDispatch, public InterfaceProxy {
 public:
  explicit DispatchProxy(RemoteObject* manager) : manager_(manager) {}

  void* Interface() override { return static_cast<IDispatch*>(this); }

  HRESULT QueryInterface(REFIID iid, void** object) override {
    return manager_->QueryInterface(iid, object);
  }
  ULONG AddRef() override { return manager_->AddRef(); }
  ULONG Release() override { return manager_->Release(); }

  HRESULT GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_INVALIDARG;
    ComPtr<ITypeInfo> info;
    *count = SUCCEEDED(GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Receive())) ? 1 : 0;
    return S_OK;
  }

  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    if (info == nullptr) return E_INVALIDARG;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    QDBusMessage reply;
    HRESULT hr = manager_->CallAndWait(Call("GetTypeInfo"), &reply);
    if (FAILED(hr)) return hr;
    const QList<QVariant> out = reply.arguments();
    if (out.size() != 4) return RPC_E_SERVERFAULT;
    GUID libid;
    GUID iid;
    if (!GuidFromString(out[0].toString().toStdString(), &libid) ||
        !GuidFromString(out[3].toString().toStdString(), &iid)) {
      return RPC_E_SERVERFAULT;
    }
    ComPtr<ITypeLib> library;
    hr = LoadRegTypeLib(libid, static_cast<WORD>(out[1].toUInt()),
                        static_cast<WORD>(out[2].toUInt()), lcid, library.Receive());
    if (FAILED(hr)) return hr;
    return library->GetTypeInfoOfGuid(iid, info);
  }

  HRESULT GetIDsOfNames(REFIID riid, const LPOLESTR* names, UINT count, LCID,
                        DISPID* ids) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    QStringList list;
    for (UINT i = 0; i < count; ++i) list << names[i];
    QDBusMessage call = Call("GetIDsOfNames");
    call << list;
    QDBusMessage reply;
    HRESULT hr = manager_->CallAndWait(call, &reply);
    if (FAILED(hr)) {
      for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
      return hr;
    }
    // The answer is read by type, so its types are checked first.
    if (!Takes(reply, "ai")) return RPC_E_SERVERFAULT;
    QList<qint32> result = qdbus_cast<QList<qint32>>(reply.arguments().value(0));
    if (result.size() != static_cast<qsizetype>(count)) return RPC_E_SERVERFAULT;
    for (UINT i = 0; i < count; ++i) ids[i] = result[i];
    return S_OK;
  }

  HRESULT Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep_info, UINT* arg_err) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (params == nullptr) return E_INVALIDARG;
    QDBusMessage call;
    HRESULT hr = MakeInvokeCall(*manager_, member, flags, *params, &call, arg_err);
    if (FAILED(hr)) return hr;
    QDBusMessage reply;
    hr = manager_->CallAndWait(call, &reply);
    if (FAILED(hr)) return ExceptionFromErrorInfo(hr, excep_info);
    if (!Takes(reply, "vav")) return RPC_E_SERVERFAULT;
    const QList<QVariant> out = reply.arguments();
    if (result) {
      hr = UnmarshalVariant(out[0], Origin{manager_->owner(), false}, result);
      if (FAILED(hr)) return hr;
    }
    // Arguments come back as the callee left them, for [out] parameters.
    const QDBusArgument returned = out[1].value<QDBusArgument>();
    returned.beginArray();
    for (UINT i = 0; i < params->cArgs && !returned.atEnd(); ++i) {
      QDBusVariant item;
      returned >> item;
      VARIANT value;
      if (SUCCEEDED(UnmarshalVariant(QVariant::fromValue(item), Origin{manager_->owner(), false},
                                     &value))) {
        params->rgvarg[i] = std::move(value);
      }
    }
    returned.endArray();
    return S_OK;
  }

 private:
  QDBusMessage Call(const char* member) const {
    return QDBusMessage::createMethodCall(manager_->owner(), manager_->path(),
                                          QLatin1String(kDispatchInterface), QLatin1String(member));
  }

  RemoteObject* manager_;
};

}  // namespace

std::unique_ptr<InterfaceProxy> MakeDispatchProxy(RemoteObject* manager) {
  return std::make_unique<DispatchProxy>(manager);
}

HRESULT MakeInvokeCall(const RemoteObject& object, DISPID member, WORD flags,
                       const DISPPARAMS& params, QDBusMessage* call, UINT* arg_err) {
  QDBusArgument args;
  args.beginArray(qMetaTypeId<QDBusVariant>());
  for (UINT i = 0; i < params.cArgs; ++i) {
    QVariant value;
    HRESULT hr = MarshalVariant(params.rgvarg[i], object.owner(), &value);
    if (FAILED(hr)) {
      if (arg_err) *arg_err = i;
      return hr;
    }
    args << value.value<QDBusVariant>();
  }
  args.endArray();
  QList<qint32> named;
  for (UINT i = 0; i < params.cNamedArgs; ++i) named << params.rgdispidNamedArgs[i];
  *call = QDBusMessage::createMethodCall(
      object.owner(), object.path(), QLatin1String(kDispatchInterface), QStringLiteral("Invoke"));
  *call << member << QVariant::fromValue(static_cast<quint16>(flags)) << QVariant::fromValue(args)
        << QVariant::fromValue(named);
  return S_OK;
}

}  // namespace parlotto
