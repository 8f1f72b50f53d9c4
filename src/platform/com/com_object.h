// Reference counting and aggregation for objects implemented here.
//
// An object derives from its interfaces and from ComObject, answers its own
// interfaces in FindInterface, and puts PARLOTTO_DELEGATING_UNKNOWN into its
// class body. Standalone, its IUnknown methods work on its own count; created
// inside an outer object (aggregation), they go to the outer object, and the
// outer object holds the inner one through InnerUnknown().
#pragma once

#include <atomic>
#include <new>
#include <utility>

#include "platform/com/unknown.h"

namespace parlotto {

class ComObject {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  // The object's own IUnknown: the one an aggregating outer object keeps,
  // and the object's identity when it stands alone.
  IUnknown* InnerUnknown() { return &inner_; }

  // Creates `T` standalone or inside `outer` and asks it for `iid`, the way a
  // class factory must: CLASS_E_NOAGGREGATION for an outer object with any
  // iid but IUnknown, and the new object gone again when `iid` fails.
  template <typename T, typename... Args>
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out, Args&&... args);

 protected:
  explicit ComObject(IUnknown* outer) : inner_(this), outer_(outer ? outer : &inner_) {}
  virtual ~ComObject() = default;

  // The object's interfaces other than IUnknown, or null.
  virtual void* FindInterface(REFIID iid) = 0;

  HRESULT OuterQueryInterface(REFIID iid, void** out) { return outer_->QueryInterface(iid, out); }
  ULONG OuterAddRef() { return outer_->AddRef(); }
  ULONG OuterRelease() { return outer_->Release(); }

 private:
  class Inner final : public IUnknown {
   public:
    explicit Inner(ComObject* object) : object_(object) {}
    HRESULT QueryInterface(REFIID iid, void** out) override;
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;

   private:
    ComObject* object_;
    std::atomic<ULONG> refs_{0};
  };

  Inner inner_;
  IUnknown* outer_;
};

inline HRESULT ComObject::Inner::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = iid == IID_IUnknown ? static_cast<IUnknown*>(this) : object_->FindInterface(iid);
  if (*out == nullptr) return E_NOINTERFACE;
  // Counted through the interface handed out, so that an aggregated object
  // keeps its outer object alive.
  static_cast<IUnknown*>(*out)->AddRef();
  return S_OK;
}

inline ULONG ComObject::Inner::Release() {
  ULONG refs = --refs_;
  if (refs == 0) delete object_;
  return refs;
}

template <typename T, typename... Args>
HRESULT ComObject::Create(IUnknown* outer, REFIID iid, void** out, Args&&... args) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (outer != nullptr && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
  T* object = new (std::nothrow) T(outer, std::forward<Args>(args)...);
  if (object == nullptr) return E_OUTOFMEMORY;
  IUnknown* inner = object->InnerUnknown();
  inner->AddRef();
  HRESULT hr = outer ? S_OK : inner->QueryInterface(iid, out);
  if (outer != nullptr)
    *out = inner;  // the outer object keeps this reference
  else
    inner->Release();
  return hr;
}

}  // namespace parlotto

// The IUnknown methods of every interface of a ComObject.
#define PARLOTTO_DELEGATING_UNKNOWN                         \
  HRESULT QueryInterface(REFIID iid, void** out) override { \
    return OuterQueryInterface(iid, out);                   \
  }                                                         \
  ULONG AddRef() override { return OuterAddRef(); }         \
  ULONG Release() override { return OuterRelease(); }
