// The module's entry: the class object of the speech control, handed out
// by DllGetClassObject as an in-process server does.
#include "contracts/speech_control/speech_control_ids.h"
#include "platform/com/com_object.h"
#include "xvoice/speech_control.h"
#include "xvoice/xvoice_typelib.h"

namespace parlotto::xvoice {
namespace {

// The module is never unloaded, so its one class object is static and
// needs no counting.
class ClassFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }

  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    ITypeInfo* info = DirectSSTypeInfo();
    if (info == nullptr) return TYPE_E_CANTLOADLIBRARY;
    return ComObject::Create<DirectSS>(outer, iid, out, info);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
};

ClassFactory g_factory;

}  // namespace
}  // namespace parlotto::xvoice

extern "C" __attribute__((visibility("default"))) parlotto::HRESULT DllGetClassObject(
    const parlotto::CLSID& clsid, const parlotto::IID& iid, void** out) {
  using namespace parlotto;
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (clsid != CLSID_DirectSS) return CLASS_E_CLASSNOTAVAILABLE;
  return xvoice::g_factory.QueryInterface(iid, out);
}
