// The client side: a remote object as this process sees it. One
// RemoteObject stands for one object of another process; it is the object's
// IUnknown here and owns the proxies of its interfaces. It holds the
// references that were marshalled to this process and gives them all back
// when the last local reference goes.
#pragma once

#include <QDBusMessage>
#include <QString>
#include <map>
#include <memory>
#include <vector>

#include "platform/com_runtime/interface_table.h"

namespace parlotto {

// Answers QueryInterface on a remote object's IUnknown; not a real interface.
inline constexpr IID IID_IRemoteObject = MakeGuid("{5B1E2A1C-8D6F-4F43-9C1E-7A0D1B2C3D4E}");

// How a reference reached this process.
struct ReferenceOrigin {
  // The owner counted one reference for this process, which the proxy
  // gives back when it goes.
  bool counted = true;
  // A client handed it to us in a call (a callback): calls to it have the
  // short time limit. Objects of servers this process called have the long
  // one.
  bool callback = false;
};

class RemoteObject final : public IUnknown {
 public:
  // Takes over a reference to the object at `path` of the process `owner`
  // (a unique bus name) and asks it for `iid`.
  static HRESULT FromReference(const QString& owner, const QString& path, REFIID iid, void** out,
                               ReferenceOrigin origin = {});

  // Makes the reference that another process lent under `token` this
  // process's own, before FromReference takes it over.
  static HRESULT Claim(const QString& owner, const QString& path, const QString& token,
                       bool callback);

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  const QString& owner() const { return owner_; }
  const QString& path() const { return path_; }

  // The time limit of calls to the object: that of servers, or of callbacks.
  int CallTimeoutMs() const;
  // Sends `call` to the object and waits for the answer: a server may take
  // as long as it keeps answering pings; a callback must answer in time.
  HRESULT CallAndWait(const QDBusMessage& call, QDBusMessage* reply) const;

  // Whether the owner's main thread still takes calls: see PingObject.
  HRESULT Ping(int timeout_ms);

  // Calls a member of one of the object's interfaces: `args` in declared
  // order, [out] entries filled from the answer.
  HRESULT Call(const InterfaceInfo& info, const FUNCDESC& func, std::vector<VARIANT>& args);

  // Calls a member as Call does without waiting for an answer, for
  // notifications to objects that need not offer IDispatch; [out]
  // parameters stay as they are. Fails at once only when the owner is gone.
  HRESULT CallOneWay(const InterfaceInfo& info, const FUNCDESC& func,
                     const std::vector<VARIANT>& args);

  // Sends IDispatch::Invoke without waiting for an answer, for
  // notifications whose result nobody uses; fails at once only when the
  // owner is gone. Arguments are in DISPPARAMS order (last first).
  HRESULT InvokeOneWay(DISPID member, WORD flags, const DISPPARAMS& params);

  // Borrows one more reference from the owner, counted for this process
  // until another process claims it with `token`; that is how this
  // reference is passed on.
  HRESULT Lend(QString* token);

 private:
  RemoteObject(QString owner, QString path);
  HRESULT MakeMemberCall(const InterfaceInfo& info, const FUNCDESC& func,
                         const std::vector<VARIANT>& args, QDBusMessage* call) const;
  ~RemoteObject();

  QString owner_;
  QString path_;
  ULONG refs_ = 0;
  quint32 remote_refs_ = 0;
  bool callback_ = false;
  std::map<IID, std::unique_ptr<InterfaceProxy>> proxies_;
};

// Whether calls can still reach `object`: false once the process serving a
// remote object has gone or stopped answering; true for objects of this
// process.
bool CoIsHandlerConnected(IUnknown* object);

// Asks the process serving `object` whether it still takes calls, waiting
// at most `timeout_ms`. The answer comes from that process's main thread,
// where its objects' calls are handled (the bus's own Peer.Ping is answered
// by its bus thread even while the main thread hangs). S_OK for an answer
// and for objects of this process; RPC_E_TIMEOUT, and the process treated as
// gone, for none; RPC_E_DISCONNECTED for an object its process has dropped.
HRESULT PingObject(IUnknown* object, int timeout_ms);

// Base of the generated-by-hand interface proxies: forwards the IUnknown
// methods to the object's RemoteObject and carries calls.
class ProxyBase : public InterfaceProxy {
 protected:
  ProxyBase(RemoteObject* manager, REFIID iid);

  HRESULT ProxyQueryInterface(REFIID iid, void** object) {
    return manager_->QueryInterface(iid, object);
  }
  ULONG ProxyAddRef() { return manager_->AddRef(); }
  ULONG ProxyRelease() { return manager_->Release(); }

  // Calls the member named `bus_member` ("Load", "get_Visible").
  HRESULT CallMember(const char* bus_member, std::vector<VARIANT>& args);

 private:
  RemoteObject* manager_;
  const InterfaceInfo* info_;
};

}  // namespace parlotto
