// The notification sinks that a client registered with its server object.
// Notifications never wait for a sink: those in other processes are sent one
// way, so a slow or vanished client cannot hold up a character's queue.
#pragma once

#include <map>
#include <vector>

#include "contracts/agent/agent_interfaces.h"
#include "platform/com/variant.h"

namespace parlotto::agent {

// The members of the sink interface, as the type library numbers them.
enum NotifyMember : DISPID {
  kNotifyCommand = 1,
  kNotifyVisibleState = 5,
  kNotifyRequestStart = 10,
  kNotifyRequestComplete = 11,
  kNotifyIdle = 13,
  kNotifyMove = 14,
};

// Why a character became visible or hidden, or moved.
enum : LONG {
  kCauseUserHid = kVisibilityCauseUserHid,
  kCauseProgramHid = 3,
  kCauseProgramShowed = 4,
  kCauseUserMoved = 1,
};

class NotifySinks {
 public:
  // E_INVALIDARG for null, E_NOINTERFACE when `sink` is no notification
  // sink.
  HRESULT Register(IUnknown* sink, LONG* sink_id);
  // E_INVALIDARG for an id that is not registered here.
  HRESULT Unregister(LONG sink_id);
  void Clear() { sinks_.clear(); }
  std::size_t Count() const { return sinks_.size(); }

  // Sends the notification `member` with `args` in declared order to every
  // sink; a sink whose process has gone is dropped.
  void Send(DISPID member, const std::vector<VARIANT>& args);

 private:
  struct Sink {
    ComPtr<IAgentNotifySink> sink;
    ComPtr<IUnknown> remote;  // its RemoteObject, when it lives elsewhere
  };
  std::map<LONG, Sink> sinks_;
  LONG next_id_ = 1;
};

}  // namespace parlotto::agent
