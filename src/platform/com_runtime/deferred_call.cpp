#include "platform/com_runtime/deferred_call.h"

#include <QDBusConnection>

#include "platform/com/error_info.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/call_handler.h"

namespace parlotto {

class BusDeferredCall final : public DeferredCall {
 public:
  BusDeferredCall(const QDBusMessage& call, ReplyMaker make_reply)
      : call_(call), make_reply_(std::move(make_reply)) {}

  // A call taken over and then dropped still gets its answer, so that the
  // caller does not wait out its own limit.
  ~BusDeferredCall() override {
    if (state_ != State::kArmed) return;
    hr_ = RPC_E_SERVERFAULT;
    Send();
  }

  void Finish(HRESULT hr, const VARIANT& result) override {
    if (state_ == State::kFinished || state_ == State::kAbandoned) return;
    hr_ = hr;
    result_ = result;
    error_.Reset();
    if (FAILED(hr)) GetErrorInfo(0, error_.Receive());
    if (state_ == State::kArmed) {
      Send();
    } else {
      state_ = State::kAnswered;  // before the object even returned
    }
  }

  void Arm(std::vector<VARIANT> args) {
    args_ = std::move(args);
    if (state_ == State::kAnswered) {
      Send();
    } else {
      state_ = State::kArmed;
    }
  }

  // The serving of the call ended without a return (an exception): the
  // runtime answered it already.
  void Abandon() {
    if (state_ != State::kFinished) state_ = State::kAbandoned;
  }

 private:
  enum class State { kTaken, kAnswered, kArmed, kFinished, kAbandoned };

  // Leaves the thread's error info as it found it: the answer may go out
  // in the middle of other work.
  void Send() {
    state_ = State::kFinished;
    ComPtr<IErrorInfo> other;
    GetErrorInfo(0, other.Receive());
    SetErrorInfo(0, error_.Get());
    const QDBusMessage reply = make_reply_(call_, hr_, result_, args_);
    SetErrorInfo(0, other.Get());
    if (call_.isReplyRequired()) ComConnection().send(reply);
  }

  const QDBusMessage call_;
  const ReplyMaker make_reply_;
  State state_ = State::kTaken;
  HRESULT hr_ = S_OK;
  VARIANT result_;
  ComPtr<IErrorInfo> error_;
  std::vector<VARIANT> args_;
};

namespace {

// Calls are served on the thread that owns the bus connection.
thread_local ServedInvoke* g_served = nullptr;

}  // namespace

ServedInvoke::ServedInvoke(const QDBusMessage& call) : ServedInvoke(call, InvokeReply) {}

ServedInvoke::ServedInvoke(const QDBusMessage& call, ReplyMaker make_reply)
    : outer_(g_served), call_(call), make_reply_(std::move(make_reply)) {
  g_served = this;
}

ServedInvoke::~ServedInvoke() {
  g_served = outer_;
  if (taken_ && !returned_) taken_->Abandon();
}

bool ServedInvoke::TakenOver(std::vector<VARIANT>* args) {
  returned_ = true;
  if (!taken_) return false;
  taken_->Arm(std::move(*args));
  return true;
}

std::shared_ptr<DeferredCall> DeferCurrentCall() {
  if (g_served == nullptr || g_served->taken_) return nullptr;
  g_served->taken_ = std::make_shared<BusDeferredCall>(g_served->call_, g_served->make_reply_);
  return g_served->taken_;
}

}  // namespace parlotto
