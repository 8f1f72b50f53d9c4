// The ITypeInfo of one type of a TypeLib.
#pragma once

#include "platform/com/typeinfo.h"
#include "platform/typelib/type_model.h"

namespace parlotto::typelib {

class TypeLib;

class TypeInfo final : public ITypeInfo {
 public:
  TypeInfo(TypeLib* lib, UINT index);
  ~TypeInfo() = default;
  TypeInfo(const TypeInfo&) = delete;
  TypeInfo& operator=(const TypeInfo&) = delete;

  // References count on the library.
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT GetTypeAttr(TYPEATTR* attr) override;
  HRESULT GetFuncDesc(UINT index, FUNCDESC* desc) override;
  HRESULT GetRefTypeOfImplType(UINT index, ITypeInfo** info) override;
  HRESULT GetImplTypeFlags(UINT index, std::uint16_t* flags) override;
  HRESULT GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc_string) override;
  HRESULT GetIDsOfNames(const LPOLESTR* names, UINT count, MEMBERID* ids) override;
  HRESULT Invoke(IInvokeTarget* target, MEMBERID memid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* excep_info, UINT* arg_err) override;
  HRESULT GetAllFuncs(std::vector<FUNCDESC>* funcs) override;
  HRESULT GetContainingTypeLib(ITypeLib** lib, UINT* index) override;

 private:
  const TypeModel& model() const;

  TypeLib* lib_;
  UINT index_;
};

}  // namespace parlotto::typelib
