// An object of a local server that answers IDispatch and its own interface
// from a type description, and keeps the server's process alive while it
// lives (ServerLifetime). A server's object classes derive from it and
// implement InvokeMember.
#pragma once

#include "platform/com/com_object.h"
#include "platform/typelib/type_info_dispatch.h"

namespace parlotto {

class AutomationObject : public ComObject, public DispatchImpl<IDispatch>, protected IInvokeTarget {
 public:
  PARLOTTO_DELEGATING_UNKNOWN

  // A new object of type T, standalone, as a VARIANT of its IDispatch.
  template <typename T, typename... Args>
  static VARIANT New(Args&&... args) {
    ComPtr<IDispatch> object;
    ComObject::Create<T>(nullptr, IID_IDispatch, object.ReceiveVoid(), std::forward<Args>(args)...);
    return VARIANT::Dispatch(object.Get());
  }

 protected:
  // `info` describes the interface `iid`; null makes an object whose every
  // late-bound call fails.
  AutomationObject(const IID& iid, ITypeInfo* info);
  ~AutomationObject() override;

  void* FindInterface(REFIID iid) override;
  const IID& iid() const { return iid_; }

 private:
  const IID iid_;
};

}  // namespace parlotto
