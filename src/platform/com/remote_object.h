// The client side: a remote object as this process sees it. One
// RemoteObject stands for one object of another process; it is the object's
// IUnknown here and owns the proxies of its interfaces. It holds the
// references that were marshalled to this process and gives them all back
// when the last local reference goes.
#pragma once

#include <QString>
#include <map>
#include <memory>
#include <vector>

#include "platform/com/interface_table.h"

namespace parlotto {

// Answers QueryInterface on a remote object's IUnknown; not a real interface.
inline constexpr IID IID_IRemoteObject = MakeGuid("{5B1E2A1C-8D6F-4F43-9C1E-7A0D1B2C3D4E}");

class RemoteObject final : public IUnknown {
 public:
  // Takes over one marshalled reference to the object at `path` of the
  // process `owner` and asks it for `iid`.
  static HRESULT FromReference(const QString& owner, const QString& path, REFIID iid, void** out);

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  const QString& owner() const { return owner_; }
  const QString& path() const { return path_; }

  // Calls a member of one of the object's interfaces: `args` in declared
  // order, [out] entries filled from the answer.
  HRESULT Call(const InterfaceInfo& info, const FUNCDESC& func, std::vector<VARIANT>& args);

  // Asks the owner to count one reference for `client`, so that this
  // reference can be passed on.
  HRESULT AddReferenceFor(const QString& client);

 private:
  RemoteObject(QString owner, QString path);
  ~RemoteObject();

  QString owner_;
  QString path_;
  ULONG refs_ = 0;
  quint32 remote_refs_ = 0;
  std::map<IID, std::unique_ptr<InterfaceProxy>> proxies_;
};

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
