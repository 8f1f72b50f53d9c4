#include "platform/typelib/type_info_dispatch.h"

namespace parlotto {

TypeInfoDispatch::TypeInfoDispatch(ITypeInfo* info, IInvokeTarget* target)
    : info_(info), target_(target) {}

HRESULT TypeInfoDispatch::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_INVALIDARG;
  *count = info_ ? 1 : 0;
  return S_OK;
}

HRESULT TypeInfoDispatch::GetTypeInfo(UINT index, LCID /*lcid*/, ITypeInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = nullptr;
  if (!info_ || index != 0) return DISP_E_BADINDEX;
  info_->AddRef();
  *info = info_.Get();
  return S_OK;
}

// Descriptions have one language, so the locale changes nothing.
HRESULT TypeInfoDispatch::GetIDsOfNames(REFIID riid, const LPOLESTR* names, UINT count,
                                        LCID /*lcid*/, DISPID* ids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!info_) return E_UNEXPECTED;
  return info_->GetIDsOfNames(names, count, ids);
}

HRESULT TypeInfoDispatch::Invoke(DISPID member, REFIID riid, LCID /*lcid*/, WORD flags,
                                 DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep_info,
                                 UINT* arg_err) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!info_) return E_UNEXPECTED;
  return info_->Invoke(target_, member, flags, params, result, excep_info, arg_err);
}

}  // namespace parlotto
