// Connection points: how an object hands its events to the sinks that
// callers advise on it. ConnectionPoint is the reusable part: it keeps the
// sinks of one event interface and calls them through IDispatch::Invoke.
#pragma once

#include <map>
#include <vector>

#include "platform/com/idispatch.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"

namespace parlotto {

inline constexpr IID IID_IConnectionPointContainer =
    MakeGuid("{B196B284-BAB4-101A-B69C-00AA00341D07}");
inline constexpr IID IID_IEnumConnectionPoints = MakeGuid("{B196B285-BAB4-101A-B69C-00AA00341D07}");
inline constexpr IID IID_IConnectionPoint = MakeGuid("{B196B286-BAB4-101A-B69C-00AA00341D07}");
inline constexpr IID IID_IEnumConnections = MakeGuid("{B196B287-BAB4-101A-B69C-00AA00341D07}");

inline constexpr HRESULT CONNECT_E_NOCONNECTION = MakeHResult(0x80040200u);
inline constexpr HRESULT CONNECT_E_ADVISELIMIT = MakeHResult(0x80040201u);
inline constexpr HRESULT CONNECT_E_CANNOTCONNECT = MakeHResult(0x80040202u);

// Enumerators are not offered; the types exist for the signatures.
class IEnumConnectionPoints;
class IEnumConnections;
class IConnectionPointContainer;

class IConnectionPoint : public IUnknown {
 public:
  virtual HRESULT GetConnectionInterface(IID* iid) = 0;
  virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
  virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
  virtual HRESULT Unadvise(DWORD cookie) = 0;
  virtual HRESULT EnumConnections(IEnumConnections** connections) = 0;

 protected:
  ~IConnectionPoint() = default;
};

class IConnectionPointContainer : public IUnknown {
 public:
  virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
  virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;

 protected:
  ~IConnectionPointContainer() = default;
};

// One event interface of an object. It lives inside the object and counts
// its references on it, so a caller holding the point keeps the object
// alive; QueryInterface answers the point's own interfaces.
class ConnectionPoint final : public IConnectionPoint {
 public:
  // `container` is the owning object; `iid` the event dispinterface.
  ConnectionPoint(IConnectionPointContainer* container, const IID& iid);
  ~ConnectionPoint();
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;

  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT GetConnectionInterface(IID* iid) override;
  HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
  // The sink must answer the event interface, or IDispatch (event sinks
  // of late-bound callers often know no more); else CONNECT_E_CANNOTCONNECT.
  HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT Unadvise(DWORD cookie) override;
  HRESULT EnumConnections(IEnumConnections** connections) override;

  // Invokes `member` on every sink advised when the call starts, with
  // `args` in declared order. Sinks in this process are called directly;
  // sinks in other processes are sent the call one way (in order, without
  // waiting for their answer), so that a client that never answers cannot
  // hold up the owner. A sink whose process is gone or stopped answering is
  // dropped. Sinks may advise and unadvise meanwhile; the owner holds a
  // reference on itself while firing, since a handler may release it.
  // Returns how many sinks were called; failures are logged.
  int Fire(DISPID member, const std::vector<VARIANT>& args);

  // Drops every sink, e.g. when the owning object goes away.
  void UnadviseAll();
  std::size_t ConnectionCount() const { return sinks_.size(); }

 private:
  IConnectionPointContainer* container_;
  IID iid_;
  struct Sink {
    ComPtr<IDispatch> dispatch;
    ComPtr<IUnknown> remote;  // the RemoteObject of a sink in another process
  };
  std::map<DWORD, Sink> sinks_;
  DWORD next_cookie_ = 1;
};

// FindConnectionPoint over the points of an object: the one for `iid`, or
// CONNECT_E_NOCONNECTION.
HRESULT FindConnectionPointIn(const std::vector<ConnectionPoint*>& points, REFIID iid,
                              IConnectionPoint** point);

}  // namespace parlotto
