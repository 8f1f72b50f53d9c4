#include "platform/typelib/dispatch_invoke.h"

#include "platform/com/error_info.h"
#include "platform/places/diagnostics.h"

namespace parlotto::typelib {
namespace {

constexpr UINT kNoSlot = static_cast<UINT>(-1);

bool IsInterfaceType(VARTYPE vt) { return vt == VT_UNKNOWN || vt == VT_DISPATCH; }

bool IsPut(const FUNCDESC& func) {
  return func.invkind == INVOKE_PROPERTYPUT || func.invkind == INVOKE_PROPERTYPUTREF;
}

// The flags are a mask of the kinds the caller accepts: a VB caller passes
// DISPATCH_METHOD | DISPATCH_PROPERTYGET for "x = obj.Member".
const FUNCDESC* FindMember(const TypeModel& type, MEMBERID memid, WORD flags) {
  for (const FUNCDESC& func : type.all_funcs) {
    if (func.memid == memid && (func.invkind & flags) != 0) return &func;
  }
  return nullptr;
}

HRESULT CoerceInterface(const PARAMDESC& param, const VARIANT& arg, VARIANT* out) {
  IUnknown* object = nullptr;
  if (arg.vt == VT_UNKNOWN) {
    object = arg.punkVal;
  } else if (arg.vt == VT_DISPATCH) {
    object = arg.pdispVal;
  } else {
    return DISP_E_TYPEMISMATCH;
  }
  out->Clear();
  out->vt = VT_UNKNOWN;
  if (object == nullptr) return S_OK;
  // The target casts the pointer to the declared interface, so it must be
  // the one the object gives for that interface, not whatever came in.
  const IID& iid = param.iid != GUID_NULL    ? param.iid
                   : param.vt == VT_DISPATCH ? IID_IDispatch
                                             : IID_IUnknown;
  void* pointer = nullptr;
  if (FAILED(object->QueryInterface(iid, &pointer)) || pointer == nullptr) {
    return DISP_E_TYPEMISMATCH;
  }
  out->punkVal = static_cast<IUnknown*>(pointer);
  return S_OK;
}

HRESULT CoerceArgument(const PARAMDESC& param, const VARIANT& arg, VARIANT* out) {
  if (param.vt == VT_VARIANT) {
    *out = arg;
    return S_OK;
  }
  if (IsInterfaceType(param.vt)) return CoerceInterface(param, arg, out);
  if (param.vt == VT_ERROR) {
    if (arg.vt != VT_ERROR) return DISP_E_TYPEMISMATCH;
    *out = arg;
    return S_OK;
  }
  HRESULT hr = VariantChangeType(out, arg, param.vt);
  return hr == DISP_E_BADVARTYPE ? DISP_E_TYPEMISMATCH : hr;
}

// What the target put into an [out] entry, as the declared type.
HRESULT CoerceResult(VARTYPE vt, VARIANT* value) {
  if (vt == VT_VARIANT || value->vt == vt || value->vt == VT_EMPTY) return S_OK;
  if (vt == VT_ERROR) return DISP_E_TYPEMISMATCH;
  VARIANT converted;
  HRESULT hr = VariantChangeType(&converted, *value, vt);
  if (FAILED(hr)) return hr;
  *value = std::move(converted);
  return S_OK;
}

// The value of a parameter the caller left out.
VARIANT Omitted(const PARAMDESC& param) {
  return (param.flags & PARAMFLAG_FHASDEFAULT) ? param.default_value : VARIANT::Missing();
}

class Invocation {
 public:
  Invocation(const FUNCDESC& func, DISPPARAMS* params, UINT* arg_err)
      : func_(func), params_(params), arg_err_(arg_err) {
    passed_ = func.params.size();
    if (!func.params.empty() && (func.params.back().flags & PARAMFLAG_FRETVAL)) --passed_;
  }

  // Which rgvarg entry goes to which parameter.
  HRESULT MatchArguments() {
    UINT positional = params_->cArgs - params_->cNamedArgs;
    if (params_->cNamedArgs > 0 && passed_ == 0) return DISP_E_NONAMEDARGS;
    if (params_->cArgs > passed_) return DISP_E_BADPARAMCOUNT;
    slots_.assign(passed_, kNoSlot);
    // Positional arguments come last in rgvarg, the first one at the end.
    for (UINT j = 0; j < positional; ++j) slots_[j] = params_->cArgs - 1 - j;
    for (UINT i = 0; i < params_->cNamedArgs; ++i) {
      DISPID id = params_->rgdispidNamedArgs[i];
      std::size_t position = passed_;
      if (id == DISPID_PROPERTYPUT) {
        if (IsPut(func_)) position = passed_ - 1;
      } else if (id >= 0 && static_cast<std::size_t>(id) < passed_) {
        position = static_cast<std::size_t>(id);
      }
      // Unknown, and given twice (by name, or by name and position).
      if (position == passed_ || slots_[position] != kNoSlot)
        return FailAtArgument(DISP_E_PARAMNOTFOUND, i);
      slots_[position] = i;
    }
    return S_OK;
  }

  HRESULT ConvertArguments(std::vector<VARIANT>* args) {
    args->assign(func_.params.size(), VARIANT());
    for (std::size_t p = 0; p < passed_; ++p) {
      const PARAMDESC& param = func_.params[p];
      bool optional = (param.flags & PARAMFLAG_FOPT) != 0;
      UINT slot = slots_[p];
      if (slot == kNoSlot) {
        if (!optional) return DISP_E_BADPARAMCOUNT;
        (*args)[p] = Omitted(param);
        continue;
      }
      const VARIANT& arg = params_->rgvarg[slot];
      if (arg.IsMissing()) {
        if (!optional) return FailAtArgument(DISP_E_PARAMNOTOPTIONAL, slot);
        (*args)[p] = Omitted(param);
        slots_[p] = kNoSlot;  // nothing to hand back into it
        continue;
      }
      if ((param.flags & PARAMFLAG_FIN) == 0) continue;  // [out] only: the target fills it
      HRESULT hr = CoerceArgument(param, arg, &(*args)[p]);
      if (FAILED(hr)) return FailAtArgument(hr, slot);
    }
    if (func_.return_vt != VT_HRESULT && func_.return_vt != VT_VOID) args->emplace_back();
    return S_OK;
  }

  // Converts every [out] value before writing any, so that a failure leaves
  // the caller's arguments as they were.
  HRESULT HandBack(std::vector<VARIANT>* args, VARIANT* result) {
    for (std::size_t p = 0; p < passed_; ++p) {
      if ((func_.params[p].flags & PARAMFLAG_FOUT) == 0 || slots_[p] == kNoSlot) continue;
      HRESULT hr = CoerceResult(func_.params[p].vt, &(*args)[p]);
      if (FAILED(hr)) return BadResult(hr, func_.params[p].name);
    }
    VARIANT* value = nullptr;
    VARTYPE value_vt = VT_VARIANT;
    if (args->size() > func_.params.size()) {
      value = &args->back();
      value_vt = func_.return_vt;
    } else if (passed_ < func_.params.size()) {
      value = &(*args)[passed_];
      value_vt = func_.params[passed_].vt;
    }
    if (value != nullptr) {
      HRESULT hr = CoerceResult(value_vt, value);
      if (FAILED(hr)) return BadResult(hr, QStringLiteral("the result"));
    }
    for (std::size_t p = 0; p < passed_; ++p) {
      if ((func_.params[p].flags & PARAMFLAG_FOUT) == 0 || slots_[p] == kNoSlot) continue;
      params_->rgvarg[slots_[p]] = std::move((*args)[p]);
    }
    if (result != nullptr) *result = value != nullptr ? std::move(*value) : VARIANT();
    return S_OK;
  }

 private:
  HRESULT FailAtArgument(HRESULT hr, UINT slot) {
    if (arg_err_ != nullptr) *arg_err_ = slot;
    return hr;
  }

  // The target broke its contract; say so rather than hand on a wrong type.
  HRESULT BadResult(HRESULT hr, const QString& what) {
    ReportDiagnostic(
        QStringLiteral("Invoke of '%1': the implementation returned %2 of the wrong type")
            .arg(func_.name, what)
            .toStdString());
    return hr;
  }

  const FUNCDESC& func_;
  DISPPARAMS* params_;
  UINT* arg_err_;
  std::size_t passed_ = 0;   // parameters the caller passes: all but [retval]
  std::vector<UINT> slots_;  // rgvarg index per passed parameter, or kNoSlot
};

}  // namespace

HRESULT InvokeByDescription(const TypeModel& type, IInvokeTarget* target, MEMBERID memid,
                            WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep_info,
                            UINT* arg_err) {
  if (target == nullptr || params == nullptr) return E_INVALIDARG;
  if (params->cNamedArgs > params->cArgs || (params->cArgs > 0 && params->rgvarg == nullptr) ||
      (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr)) {
    return E_INVALIDARG;
  }
  const FUNCDESC* func = FindMember(type, memid, flags);
  if (func == nullptr) return DISP_E_MEMBERNOTFOUND;

  Invocation invocation(*func, params, arg_err);
  std::vector<VARIANT> args;
  HRESULT hr = invocation.MatchArguments();
  if (SUCCEEDED(hr)) hr = invocation.ConvertArguments(&args);
  if (FAILED(hr)) return hr;

  // Error info left over from an earlier call must not be reported as this
  // call's exception.
  SetErrorInfo(0, nullptr);
  hr = target->InvokeMember(*func, args);
  if (FAILED(hr)) return ExceptionFromErrorInfo(hr, excep_info);
  HRESULT handed = invocation.HandBack(&args, result);
  return FAILED(handed) ? handed : hr;
}

}  // namespace parlotto::typelib
