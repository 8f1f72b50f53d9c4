// An incoming IDispatch::Invoke whose answer is not known when the object
// returns: the object takes the call over and finishes it later, from the
// event loop. A server that waits for another process this way keeps its
// event loop flat instead of nesting one per call; the web engine, for one,
// may hold its own work back for as long as such a nested loop runs.
#pragma once

#include <QDBusMessage>
#include <functional>
#include <memory>
#include <vector>

#include "platform/com/hresult.h"
#include "platform/com/variant.h"

namespace parlotto {

class DeferredCall {
 public:
  virtual ~DeferredCall() = default;
  // Sends the answer: `result` on success; on failure the error info the
  // object set on this thread goes along. Only the first call counts.
  virtual void Finish(HRESULT hr, const VARIANT& result) = 0;
};

// Takes over the Invoke being served on this thread: the object then returns
// at once (what it returns is not sent) and finishes the call later. Null
// when no Invoke from the bus is being served, or it was taken over already.
std::shared_ptr<DeferredCall> DeferCurrentCall();

class BusDeferredCall;

// How the answer to a call is made from its result and its arguments.
using ReplyMaker = std::function<QDBusMessage(const QDBusMessage& call, HRESULT hr,
                                              const VARIANT& result, std::vector<VARIANT>& args)>;

// For the runtime: marks the call from the bus that is served while it lives
// (they nest when a call is served while the server waits on another): an
// IDispatch.Invoke, or a member of an interface of a type library, whose
// answer `make_reply` makes.
class ServedInvoke {
 public:
  explicit ServedInvoke(const QDBusMessage& call);
  ServedInvoke(const QDBusMessage& call, ReplyMaker make_reply);
  ~ServedInvoke();
  ServedInvoke(const ServedInvoke&) = delete;
  ServedInvoke& operator=(const ServedInvoke&) = delete;

  // After the object returned: whether it took the call over. If it did,
  // `args` are moved out, to go back with its answer.
  bool TakenOver(std::vector<VARIANT>* args);

 private:
  friend std::shared_ptr<DeferredCall> DeferCurrentCall();

  ServedInvoke* const outer_;
  const QDBusMessage call_;
  ReplyMaker make_reply_;
  std::shared_ptr<BusDeferredCall> taken_;
  bool returned_ = false;
};

}  // namespace parlotto
