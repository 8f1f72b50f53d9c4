#include "platform/typelib/type_info.h"

#include "platform/typelib/dispatch_invoke.h"
#include "platform/typelib/type_lib.h"

namespace parlotto::typelib {

TypeInfo::TypeInfo(TypeLib* lib, UINT index) : lib_(lib), index_(index) {}

const TypeModel& TypeInfo::model() const { return lib_->model().types[index_]; }

HRESULT TypeInfo::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (riid != IID_IUnknown && riid != IID_ITypeInfo) {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  *object = static_cast<ITypeInfo*>(this);
  AddRef();
  return S_OK;
}

ULONG TypeInfo::AddRef() { return lib_->AddRef(); }

ULONG TypeInfo::Release() { return lib_->Release(); }

HRESULT TypeInfo::GetTypeAttr(TYPEATTR* attr) {
  if (attr == nullptr) return E_INVALIDARG;
  const TypeModel& type = model();
  attr->guid = type.guid;
  attr->lcid = lib_->model().lcid;
  attr->typekind = type.kind;
  attr->wTypeFlags = type.flags;
  attr->wMajorVerNum = type.major;
  attr->wMinorVerNum = type.minor;
  // The parser keeps both counts within 16 bits.
  attr->cFuncs = static_cast<std::uint16_t>(type.funcs.size());
  attr->cImplTypes = static_cast<std::uint16_t>(type.impl_types.size());
  return S_OK;
}

HRESULT TypeInfo::GetFuncDesc(UINT index, FUNCDESC* desc) {
  if (desc == nullptr) return E_INVALIDARG;
  if (index >= model().funcs.size()) return TYPE_E_ELEMENTNOTFOUND;
  *desc = model().funcs[index];
  return S_OK;
}

HRESULT TypeInfo::GetRefTypeOfImplType(UINT index, ITypeInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = nullptr;
  if (index >= model().impl_types.size()) return TYPE_E_ELEMENTNOTFOUND;
  TypeInfo* ref = lib_->Resolve(model().impl_types[index].ref);
  ref->AddRef();
  *info = ref;
  return S_OK;
}

HRESULT TypeInfo::GetImplTypeFlags(UINT index, std::uint16_t* flags) {
  if (flags == nullptr) return E_INVALIDARG;
  if (index >= model().impl_types.size()) return TYPE_E_ELEMENTNOTFOUND;
  *flags = model().impl_types[index].flags;
  return S_OK;
}

HRESULT TypeInfo::GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc_string) {
  const TypeModel& type = model();
  const QString* found_name = &type.name;
  const QString* found_help = &type.help;
  if (memid != MEMBERID_NIL) {
    const FUNCDESC* func = nullptr;
    for (const FUNCDESC& candidate : type.all_funcs) {
      if (candidate.memid == memid) {
        func = &candidate;
        break;
      }
    }
    if (func == nullptr) return TYPE_E_ELEMENTNOTFOUND;
    found_name = &func->name;
    found_help = &func->help_string;
  }
  if (name != nullptr) *name = *found_name;
  if (doc_string != nullptr) *doc_string = *found_help;
  return S_OK;
}

HRESULT TypeInfo::GetIDsOfNames(const LPOLESTR* names, UINT count, MEMBERID* ids) {
  if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = MEMBERID_NIL;
  // A property's get and put share the name and id but may name their
  // parameters differently; any of them may supply a parameter's position.
  std::vector<const FUNCDESC*> members;
  for (const FUNCDESC& func : model().all_funcs) {
    if (func.name.compare(names[0], Qt::CaseInsensitive) == 0) members.push_back(&func);
  }
  if (members.empty()) return DISP_E_UNKNOWNNAME;
  ids[0] = members.front()->memid;
  HRESULT hr = S_OK;
  for (UINT i = 1; i < count; ++i) {
    for (const FUNCDESC* func : members) {
      for (std::size_t p = 0; p < func->params.size() && ids[i] == MEMBERID_NIL; ++p) {
        const PARAMDESC& param = func->params[p];
        // A retval parameter is never passed, so it cannot be named.
        if ((param.flags & PARAMFLAG_FRETVAL) == 0 &&
            param.name.compare(names[i], Qt::CaseInsensitive) == 0) {
          ids[i] = static_cast<MEMBERID>(p);
        }
      }
    }
    if (ids[i] == MEMBERID_NIL) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT TypeInfo::Invoke(IInvokeTarget* target, MEMBERID memid, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* excep_info, UINT* arg_err) {
  return InvokeByDescription(model(), target, memid, flags, params, result, excep_info, arg_err);
}

HRESULT TypeInfo::GetAllFuncs(std::vector<FUNCDESC>* funcs) {
  if (funcs == nullptr) return E_INVALIDARG;
  *funcs = model().all_funcs;
  return S_OK;
}

HRESULT TypeInfo::GetContainingTypeLib(ITypeLib** lib, UINT* index) {
  if (lib == nullptr && index == nullptr) return E_INVALIDARG;
  if (lib != nullptr) {
    lib_->AddRef();
    *lib = lib_;
  }
  if (index != nullptr) *index = index_;
  return S_OK;
}

}  // namespace parlotto::typelib
