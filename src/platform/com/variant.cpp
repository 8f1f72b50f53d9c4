#include "platform/com/variant.h"

#include <limits>

#include "platform/com/idispatch.h"

namespace parlotto {

VARIANT::VARIANT(const VARIANT& other)
    : vt(other.vt),
      iVal(other.iVal),
      lVal(other.lVal),
      boolVal(other.boolVal),
      scode(other.scode),
      bstrVal(other.bstrVal),
      punkVal(other.punkVal),
      pdispVal(other.pdispVal) {
  if (punkVal) punkVal->AddRef();
  if (pdispVal) pdispVal->AddRef();
}

VARIANT::VARIANT(VARIANT&& other) noexcept
    : vt(std::exchange(other.vt, VT_EMPTY)),
      iVal(other.iVal),
      lVal(other.lVal),
      boolVal(other.boolVal),
      scode(other.scode),
      bstrVal(std::move(other.bstrVal)),
      punkVal(std::exchange(other.punkVal, nullptr)),
      pdispVal(std::exchange(other.pdispVal, nullptr)) {}

VARIANT& VARIANT::operator=(const VARIANT& other) {
  if (this != &other) *this = VARIANT(other);
  return *this;
}

VARIANT& VARIANT::operator=(VARIANT&& other) noexcept {
  if (this == &other) return *this;
  Clear();
  vt = std::exchange(other.vt, VT_EMPTY);
  iVal = other.iVal;
  lVal = other.lVal;
  boolVal = other.boolVal;
  scode = other.scode;
  bstrVal = std::move(other.bstrVal);
  punkVal = std::exchange(other.punkVal, nullptr);
  pdispVal = std::exchange(other.pdispVal, nullptr);
  return *this;
}

VARIANT::~VARIANT() { Clear(); }

void VARIANT::Clear() {
  if (IUnknown* p = std::exchange(punkVal, nullptr)) p->Release();
  if (IDispatch* p = std::exchange(pdispVal, nullptr)) p->Release();
  bstrVal.clear();
  vt = VT_EMPTY;
  iVal = 0;
  lVal = 0;
  boolVal = VARIANT_FALSE;
  scode = S_OK;
}

VARIANT VARIANT::I2(std::int16_t value) {
  VARIANT v;
  v.vt = VT_I2;
  v.iVal = value;
  return v;
}

VARIANT VARIANT::I4(std::int32_t value) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

VARIANT VARIANT::Bool(bool value) {
  VARIANT v;
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

VARIANT VARIANT::Bstr(const BSTR& value) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = value;
  return v;
}

VARIANT VARIANT::Error(SCODE code) {
  VARIANT v;
  v.vt = VT_ERROR;
  v.scode = code;
  return v;
}

VARIANT VARIANT::Unknown(IUnknown* value) {
  VARIANT v;
  v.vt = VT_UNKNOWN;
  v.punkVal = value;
  if (value) value->AddRef();
  return v;
}

VARIANT VARIANT::UI4(std::uint32_t value) {
  VARIANT v;
  v.vt = VT_UI4;
  v.lVal = static_cast<std::int32_t>(value);
  return v;
}

VARIANT VARIANT::Dispatch(IDispatch* value) {
  VARIANT v;
  v.vt = VT_DISPATCH;
  v.pdispVal = value;
  if (value) value->AddRef();
  return v;
}

namespace {

// The value of a numeric or Boolean VARIANT as a wide integer.
bool AsInteger(const VARIANT& v, long long* out) {
  switch (v.vt) {
    case VT_EMPTY:
      *out = 0;
      return true;
    case VT_I2:
      *out = v.iVal;
      return true;
    case VT_I4:
    case VT_INT:
      *out = v.lVal;
      return true;
    case VT_UI4:
      *out = static_cast<std::uint32_t>(v.lVal);
      return true;
    case VT_BOOL:
      *out = v.boolVal ? -1 : 0;
      return true;
    default:
      return false;
  }
}

HRESULT ParseInteger(const BSTR& text, long long* out) {
  QString trimmed = text.trimmed();
  if (trimmed.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) {
    *out = -1;
    return S_OK;
  }
  if (trimmed.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) {
    *out = 0;
    return S_OK;
  }
  bool ok = false;
  long long value = trimmed.toLongLong(&ok);
  if (ok) {
    *out = value;
    return S_OK;
  }
  double real = trimmed.toDouble(&ok);
  if (!ok) return DISP_E_TYPEMISMATCH;
  if (real > 9.2e18 || real < -9.2e18) return DISP_E_OVERFLOW;
  *out = static_cast<long long>(real < 0 ? real - 0.5 : real + 0.5);
  return S_OK;
}

}  // namespace

HRESULT VariantChangeType(VARIANT* dest, const VARIANT& src, VARTYPE vt) {
  if (src.vt == vt || vt == VT_VARIANT) {
    *dest = src;
    return S_OK;
  }
  long long number = 0;
  bool numeric = AsInteger(src, &number);
  switch (vt) {
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_UI4:
    case VT_BOOL: {
      if (!numeric) {
        if (src.vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
        HRESULT hr = ParseInteger(src.bstrVal, &number);
        if (FAILED(hr)) return hr;
      }
      if (vt == VT_BOOL) {
        *dest = VARIANT::Bool(number != 0);
      } else if (vt == VT_I2) {
        if (number < std::numeric_limits<std::int16_t>::min() ||
            number > std::numeric_limits<std::int16_t>::max()) {
          return DISP_E_OVERFLOW;
        }
        *dest = VARIANT::I2(static_cast<std::int16_t>(number));
      } else if (vt == VT_UI4) {
        if (number < 0 || number > std::numeric_limits<std::uint32_t>::max())
          return DISP_E_OVERFLOW;
        *dest = VARIANT::UI4(static_cast<std::uint32_t>(number));
      } else {
        if (number < std::numeric_limits<std::int32_t>::min() ||
            number > std::numeric_limits<std::int32_t>::max()) {
          return DISP_E_OVERFLOW;
        }
        VARIANT v = VARIANT::I4(static_cast<std::int32_t>(number));
        v.vt = vt;
        *dest = v;
      }
      return S_OK;
    }
    case VT_BSTR:
      if (src.vt == VT_EMPTY) {
        *dest = VARIANT::Bstr(QString());
        return S_OK;
      }
      if (src.vt == VT_BOOL) {
        *dest = VARIANT::Bstr(src.boolVal ? QStringLiteral("True") : QStringLiteral("False"));
        return S_OK;
      }
      if (numeric) {
        *dest = VARIANT::Bstr(QString::number(number));
        return S_OK;
      }
      return DISP_E_TYPEMISMATCH;
    case VT_UNKNOWN:
      if (src.vt == VT_DISPATCH) {
        *dest = VARIANT::Unknown(src.pdispVal);
        return S_OK;
      }
      return DISP_E_TYPEMISMATCH;
    case VT_DISPATCH:
      if (src.vt == VT_UNKNOWN && src.punkVal != nullptr) {
        IDispatch* dispatch = nullptr;
        if (FAILED(
                src.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
          return DISP_E_TYPEMISMATCH;
        }
        VARIANT v;
        v.vt = VT_DISPATCH;
        v.pdispVal = dispatch;
        *dest = std::move(v);
        return S_OK;
      }
      return DISP_E_TYPEMISMATCH;
    case VT_EMPTY:
      dest->Clear();
      return S_OK;
    default:
      return DISP_E_BADVARTYPE;
  }
}

std::string DescribeVariant(const VARIANT& v) {
  switch (v.vt) {
    case VT_EMPTY:
      return "EMPTY";
    case VT_NULL:
      return "NULL";
    case VT_I2:
      return "I2:" + std::to_string(v.iVal);
    case VT_I4:
      return "I4:" + std::to_string(v.lVal);
    case VT_INT:
      return "INT:" + std::to_string(v.lVal);
    case VT_UI4:
      return "UI4:" + std::to_string(static_cast<std::uint32_t>(v.lVal));
    case VT_BOOL:
      return v.boolVal ? "BOOL:true" : "BOOL:false";
    case VT_BSTR:
      return "BSTR:\"" + v.bstrVal.toStdString() + "\"";
    case VT_ERROR:
      return "ERROR:" + DescribeHResult(v.scode);
    case VT_UNKNOWN:
      return v.punkVal ? "UNKNOWN" : "UNKNOWN:null";
    case VT_DISPATCH:
      return v.pdispVal ? "DISPATCH" : "DISPATCH:null";
    default:
      return "VT:" + std::to_string(v.vt);
  }
}

}  // namespace parlotto
