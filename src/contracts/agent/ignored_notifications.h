// The character server's notifications that a sink takes and ignores: a
// sink derives from this and overrides only what it acts on.
#pragma once

#include "contracts/agent/agent_interfaces.h"

namespace parlotto {

// `Sink` is IAgentNotifySink or an interface derived from it. Command and
// Idle stay for the sink to implement.
template <typename Sink>
class IgnoredNotifications : public Sink {
 public:
  HRESULT ActivateInputState(LONG, LONG) override { return S_OK; }
  HRESULT Restart() override { return S_OK; }
  HRESULT Shutdown() override { return S_OK; }
  HRESULT VisibleState(LONG, LONG, LONG) override { return S_OK; }
  HRESULT Click(LONG, SHORT, LONG, LONG) override { return S_OK; }
  HRESULT DblClick(LONG, SHORT, LONG, LONG) override { return S_OK; }
  HRESULT DragStart(LONG, SHORT, LONG, LONG) override { return S_OK; }
  HRESULT DragComplete(LONG, SHORT, LONG, LONG) override { return S_OK; }
  HRESULT RequestStart(LONG) override { return S_OK; }
  HRESULT RequestComplete(LONG, LONG) override { return S_OK; }
  HRESULT BookMark(LONG) override { return S_OK; }
  HRESULT Move(LONG, LONG, LONG, LONG) override { return S_OK; }
  HRESULT Size(LONG, LONG, LONG) override { return S_OK; }
  HRESULT BalloonVisibleState(LONG, LONG) override { return S_OK; }

 protected:
  ~IgnoredNotifications() = default;
};

}  // namespace parlotto
