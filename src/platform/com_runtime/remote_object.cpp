#include "platform/com_runtime/remote_object.h"

#include <QDBusMessage>
#include <map>
#include <utility>

#include "platform/com_runtime/bus_call.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/class_factory_proxy.h"
#include "platform/com_runtime/dispatch_proxy.h"
#include "platform/com_runtime/marshal.h"

namespace parlotto {
namespace {

using Key = std::pair<QString, QString>;

std::map<Key, RemoteObject*>& Objects() {
  static std::map<Key, RemoteObject*> objects;
  return objects;
}

QDBusMessage UnknownCall(const QString& owner, const QString& path, const char* member) {
  return QDBusMessage::createMethodCall(owner, path, QLatin1String(kUnknownInterface),
                                        QLatin1String(member));
}

// Callbacks (objects a client handed us) must answer soon; a server we
// called gets longer, but a server that hangs must not hang us.
int TimeoutMs(bool callback) { return callback ? CallbackTimeoutMs() : ServerTimeoutMs(); }

}  // namespace

RemoteObject::RemoteObject(QString owner, QString path)
    : owner_(std::move(owner)), path_(std::move(path)) {
  Objects()[{owner_, path_}] = this;
}

RemoteObject::~RemoteObject() { Objects().erase({owner_, path_}); }

HRESULT RemoteObject::FromReference(const QString& owner, const QString& path, REFIID iid,
                                    void** out, ReferenceOrigin origin) {
  *out = nullptr;
  RemoteObject* object;
  auto it = Objects().find({owner, path});
  if (it != Objects().end()) {
    object = it->second;
  } else {
    // Watched so that calls to an owner that is gone fail, even those that
    // wait for no answer.
    if (!WatchPeer(owner))
      return owner.startsWith(QLatin1Char(':')) ? PeerFailure(owner) : E_INVALIDARG;
    object = new RemoteObject(owner, path);
  }
  object->AddRef();
  if (origin.counted) ++object->remote_refs_;
  if (origin.callback) object->callback_ = true;
  HRESULT hr = object->QueryInterface(iid, out);
  object->Release();
  return hr;
}

HRESULT RemoteObject::Claim(const QString& owner, const QString& path, const QString& token,
                            bool callback) {
  if (!owner.startsWith(QLatin1Char(':'))) return E_INVALIDARG;
  QDBusMessage call = UnknownCall(owner, path, "Claim");
  call << token;
  QDBusMessage reply;
  return parlotto::CallAndWait(call, &reply, TimeoutMs(callback));
}

bool CoIsHandlerConnected(IUnknown* object) {
  if (object == nullptr) return false;
  ComPtr<IUnknown> remote;
  if (FAILED(object->QueryInterface(IID_IRemoteObject, remote.ReceiveVoid()))) return true;
  return SUCCEEDED(PeerFailure(static_cast<RemoteObject*>(remote.Get())->owner()));
}

HRESULT PingObject(IUnknown* object, int timeout_ms) {
  if (object == nullptr) return E_POINTER;
  ComPtr<IUnknown> remote;
  if (FAILED(object->QueryInterface(IID_IRemoteObject, remote.ReceiveVoid()))) return S_OK;
  return static_cast<RemoteObject*>(remote.Get())->Ping(timeout_ms);
}

int RemoteObject::CallTimeoutMs() const { return TimeoutMs(callback_); }

HRESULT RemoteObject::CallAndWait(const QDBusMessage& call, QDBusMessage* reply) const {
  return parlotto::CallAndWait(call, reply, CallTimeoutMs(), !callback_);
}

HRESULT RemoteObject::Ping(int timeout_ms) {
  QDBusMessage reply;
  return parlotto::CallAndWait(UnknownCall(owner_, path_, "Ping"), &reply, timeout_ms);
}

HRESULT RemoteObject::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IRemoteObject) {
    *out = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  auto found = proxies_.find(iid);
  if (found == proxies_.end()) {
    // Only interfaces that this process can carry can be handed out.
    std::unique_ptr<InterfaceProxy> proxy;
    if (iid == IID_IDispatch) {
      proxy = MakeDispatchProxy(this);
    } else if (iid == IID_IClassFactory) {
      proxy = MakeClassFactoryProxy(this);
    } else if (const InterfaceInfo* info = FindInterface(iid); info && info->proxy) {
      proxy = info->proxy(this);
    } else {
      return E_NOINTERFACE;
    }
    QDBusMessage call = UnknownCall(owner_, path_, "QueryInterface");
    call << QString::fromStdString(StringFromGUID(iid));
    QDBusMessage reply;
    HRESULT hr = CallAndWait(call, &reply);
    if (FAILED(hr)) return hr;
    ++remote_refs_;
    found = proxies_.emplace(iid, std::move(proxy)).first;
  }
  *out = found->second->Interface();
  AddRef();
  return S_OK;
}

ULONG RemoteObject::AddRef() { return ++refs_; }

ULONG RemoteObject::Release() {
  ULONG refs = --refs_;
  if (refs != 0) return refs;
  // Out of the table first, so that nothing finds it while the answer to
  // the release is awaited.
  Objects().erase({owner_, path_});
  if (remote_refs_ > 0) {
    // Nothing to wait for: a release has no answer worth having, and an
    // owner that never answers must not hold us up.
    QDBusMessage call = UnknownCall(owner_, path_, "Release");
    call << remote_refs_;
    SendOneWay(call);
  }
  delete this;
  return 0;
}

HRESULT RemoteObject::Lend(QString* token) {
  QDBusMessage reply;
  HRESULT hr = CallAndWait(UnknownCall(owner_, path_, "Lend"), &reply);
  if (FAILED(hr)) return hr;
  *token = reply.arguments().value(0).toString();
  return token->isEmpty() ? RPC_E_SERVERFAULT : S_OK;
}

HRESULT RemoteObject::InvokeOneWay(DISPID member, WORD flags, const DISPPARAMS& params) {
  QDBusMessage call;
  HRESULT hr = MakeInvokeCall(*this, member, flags, params, &call, nullptr);
  if (FAILED(hr)) return hr;
  return SendOneWay(call);
}

HRESULT RemoteObject::MakeMemberCall(const InterfaceInfo& info, const FUNCDESC& func,
                                     const std::vector<VARIANT>& args, QDBusMessage* call) const {
  if (args.size() != func.params.size()) return DISP_E_BADPARAMCOUNT;
  *call = QDBusMessage::createMethodCall(owner_, path_, info.bus_name, BusMemberName(func));
  for (size_t i = 0; i < func.params.size(); ++i) {
    const PARAMDESC& param = func.params[i];
    if (!(param.flags & PARAMFLAG_FIN) && (param.flags & PARAMFLAG_FOUT)) continue;
    QVariant value;
    HRESULT hr = MarshalParam(param, args[i], owner_, &value);
    if (FAILED(hr)) return hr;
    *call << value;
  }
  return S_OK;
}

HRESULT RemoteObject::CallOneWay(const InterfaceInfo& info, const FUNCDESC& func,
                                 const std::vector<VARIANT>& args) {
  QDBusMessage call;
  HRESULT hr = MakeMemberCall(info, func, args, &call);
  if (FAILED(hr)) return hr;
  return SendOneWay(call);
}

HRESULT RemoteObject::Call(const InterfaceInfo& info, const FUNCDESC& func,
                           std::vector<VARIANT>& args) {
  QDBusMessage call;
  HRESULT hr = MakeMemberCall(info, func, args, &call);
  if (FAILED(hr)) return hr;
  QDBusMessage reply;
  hr = CallAndWait(call, &reply);
  if (FAILED(hr)) return hr;
  const QList<QVariant> out = reply.arguments();
  int next = 0;
  for (size_t i = 0; i < func.params.size(); ++i) {
    const PARAMDESC& param = func.params[i];
    if (!(param.flags & PARAMFLAG_FOUT)) continue;
    if (next >= out.size()) return RPC_E_SERVERFAULT;
    hr = UnmarshalParam(param, out[next++], Origin{owner_, false}, &args[i]);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

ProxyBase::ProxyBase(RemoteObject* manager, REFIID iid)
    : manager_(manager), info_(FindInterface(iid)) {}

HRESULT ProxyBase::CallMember(const char* bus_member, std::vector<VARIANT>& args) {
  if (info_ == nullptr) return E_NOINTERFACE;
  const FUNCDESC* func = FindMember(*info_, QLatin1String(bus_member));
  if (func == nullptr) return DISP_E_MEMBERNOTFOUND;
  return manager_->Call(*info_, *func, args);
}

}  // namespace parlotto
